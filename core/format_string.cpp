#include "core/format_string.h"

#include <cstdio>

namespace vimsa {

void FormatStringV(std::string& out, const char* format, va_list args) {
    if (!format) {
        out.clear();
        return;
    }
    // Most names and messages fit a small stack buffer; only longer results
    // pay for a second formatting pass into the string's own storage.
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        out.clear();
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        out.assign(small, static_cast<size_t>(needed));
        return;
    }
    out.resize(static_cast<size_t>(needed));
    std::vsnprintf(out.data(), out.size() + 1, format, args);
}

void FormatString(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
}

std::string Format(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    FormatStringV(out, format, args);
    va_end(args);
    return out;
}

}  // namespace vimsa
