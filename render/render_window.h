#pragma once

#include <cstdint>

namespace vimsa {

// The host window a renderer draws into. Hosts derive their window class
// from this and from the platform binding each back-end needs (for OpenGL
// the drawable of platform/gl); a back-end finds its binding by dynamic_cast
// and refuses a window that does not offer it.
class RenderWindow {
public:
    virtual ~RenderWindow() = default;
    // Size of the drawable area in pixels.
    virtual bool ClientSize(uint32_t& width, uint32_t& height) const = 0;
};

}  // namespace vimsa
