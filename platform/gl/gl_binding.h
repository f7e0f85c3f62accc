#pragma once

#include <cstdint>
#include <memory>

namespace vimsa::gl {

// The pixel format the renderer asks the window system for.
struct PixelFormatRequest {
    int colourBits = 16;
    int depthBits = 16;
    int stencilBits = 16;
    bool doubleBuffer = true;
};

// A rendering context on one drawable. Make-current requests nest: the first
// Acquire makes the context current, later ones only count; the Release that
// brings the count back to 0 releases it. Everything runs on one thread.
class Context {
public:
    virtual ~Context() = default;

    // False (and no count taken) when the context cannot be made current.
    bool Acquire();
    // Does nothing at depth 0.
    void Release();
    // Releases every outstanding request (shutdown).
    void ReleaseAll();
    int Depth() const { return depth_; }

    // Shows the back buffer.
    virtual bool SwapBuffers() = 0;
    // Address of an OpenGL entry point, or null.
    virtual void* GetProcAddress(const char* name) = 0;

protected:
    virtual bool MakeCurrent() = 0;
    virtual void DoneCurrent() = 0;

private:
    int depth_ = 0;
};

// A drawable OpenGL can render into: a window of the host or an off-screen
// surface. Hosts implement it for their windows (the Qt shell with its own
// OpenGL window); EglPbufferSurface renders headless.
class Surface {
public:
    virtual ~Surface() = default;
    virtual bool ClientSize(uint32_t& width, uint32_t& height) const = 0;
    // Chooses and sets a pixel format close to the request and creates a
    // context on it; null when either step fails.
    virtual std::unique_ptr<Context> CreateContext(const PixelFormatRequest& request) = 0;
};

// True when the blank-separated extension list holds exactly `name`; a token
// that merely begins with the name does not count.
bool HasExtension(const char* extensions, const char* name);

}  // namespace vimsa::gl
