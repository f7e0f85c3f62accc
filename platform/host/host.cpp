#include "platform/host/host.h"

#include <chrono>

namespace vimsa::host {
namespace {

Host* g_host = nullptr;

}  // namespace

Host* CurrentHost() {
    return g_host;
}

void SetCurrentHost(Host* host) {
    g_host = host;
}

uint32_t SteadyMilliseconds() {
    using namespace std::chrono;
    static const steady_clock::time_point start = steady_clock::now();
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

}  // namespace vimsa::host
