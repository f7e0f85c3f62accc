#include "platform/gl/gl_binding.h"

#include <cstring>

namespace vimsa::gl {

bool Context::Acquire() {
    if (depth_ == 0 && !MakeCurrent()) return false;
    ++depth_;
    return true;
}

void Context::Release() {
    if (depth_ == 0) return;
    if (--depth_ == 0) DoneCurrent();
}

void Context::ReleaseAll() {
    if (depth_ == 0) return;
    depth_ = 0;
    DoneCurrent();
}

bool HasExtension(const char* extensions, const char* name) {
    if (!extensions || !name) return false;
    const std::size_t length = std::strlen(name);
    if (length == 0) return false;
    const char* p = extensions;
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (static_cast<std::size_t>(end - p) == length && std::memcmp(p, name, length) == 0)
            return true;
        p = end;
    }
    return false;
}

}  // namespace vimsa::gl
