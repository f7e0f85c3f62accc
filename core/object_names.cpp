#include "core/object_names.h"

#include <array>
#include <cstddef>

namespace vimsa {
namespace {

std::array<int32_t, static_cast<std::size_t>(NameCounter::Count)> g_counters{};

int32_t& CounterFor(NameCounter counter) {
    return g_counters[static_cast<std::size_t>(counter)];
}

}  // namespace

int32_t TakeObjectNumber(NameCounter counter) {
    return CounterFor(counter)++;
}

void GiveBackObjectNumber(NameCounter counter) {
    --CounterFor(counter);
}

int32_t PeekObjectNumber(NameCounter counter) {
    return CounterFor(counter);
}

void ResetObjectNumbersForTesting() {
    g_counters.fill(0);
}

}  // namespace vimsa
