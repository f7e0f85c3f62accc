#include "platform/gl/egl_pbuffer_surface.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <vector>

namespace vimsa::gl {
namespace {

// The surfaceless display is set up once and kept for the process: EGL
// displays are shared, and terminating one would invalidate every context
// made on it.
EGLDisplay SharedDisplay() {
    static const EGLDisplay display = [] {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay) return EGL_NO_DISPLAY;
        EGLDisplay d =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(d, &major, &minor)) return EGL_NO_DISPLAY;
        return d;
    }();
    return display;
}

EGLint Attribute(EGLDisplay display, EGLConfig config, EGLint name) {
    EGLint value = 0;
    eglGetConfigAttrib(display, config, name, &value);
    return value;
}

// A pbuffer config for desktop OpenGL with 8 bits per channel, preferring one
// with alpha, with a depth buffer and a stencil buffer.
bool ChooseConfig(EGLDisplay display, const PixelFormatRequest& request, EGLConfig& out) {
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 request.depthBits > 0 ? 16 : 0,
                                 EGL_STENCIL_SIZE,
                                 request.stencilBits > 0 ? 8 : 0,
                                 EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count <= 0) return false;
    std::vector<EGLConfig> configs(static_cast<std::size_t>(count));
    eglChooseConfig(display, attributes, configs.data(), count, &count);
    int best = -1;
    for (int i = 0; i < count; ++i) {
        const EGLConfig c = configs[static_cast<std::size_t>(i)];
        if (Attribute(display, c, EGL_RED_SIZE) != 8 ||
            Attribute(display, c, EGL_GREEN_SIZE) != 8 || Attribute(display, c, EGL_BLUE_SIZE) != 8)
            continue;
        if (best < 0 || Attribute(display, c, EGL_ALPHA_SIZE) == 8) {
            best = i;
            if (Attribute(display, c, EGL_ALPHA_SIZE) == 8) break;
        }
    }
    if (best < 0) return false;
    out = configs[static_cast<std::size_t>(best)];
    return true;
}

class EglContext : public Context {
public:
    EglContext(EGLDisplay display, EGLSurface surface, EGLContext context)
        : display_(display), surface_(surface), context_(context) {}

    ~EglContext() override {
        if (Depth() > 0) ReleaseAll();
        eglDestroyContext(display_, context_);
        eglDestroySurface(display_, surface_);
    }

    bool SwapBuffers() override { return eglSwapBuffers(display_, surface_) == EGL_TRUE; }

    void* GetProcAddress(const char* name) override {
        return reinterpret_cast<void*>(eglGetProcAddress(name));
    }

protected:
    bool MakeCurrent() override {
        return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
    }
    void DoneCurrent() override {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }

private:
    EGLDisplay display_;
    EGLSurface surface_;
    EGLContext context_;
};

}  // namespace

EglPbufferSurface::EglPbufferSurface(uint32_t width, uint32_t height)
    : width_(width), height_(height) {}

bool EglPbufferSurface::ClientSize(uint32_t& width, uint32_t& height) const {
    width = width_;
    height = height_;
    return true;
}

std::unique_ptr<Context> EglPbufferSurface::CreateContext(const PixelFormatRequest& request) {
    const EGLDisplay display = SharedDisplay();
    if (display == EGL_NO_DISPLAY || width_ == 0 || height_ == 0) return nullptr;
    EGLConfig config{};
    if (!ChooseConfig(display, request, config)) return nullptr;
    const EGLint size[] = {EGL_WIDTH, static_cast<EGLint>(width_), EGL_HEIGHT,
                           static_cast<EGLint>(height_), EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) return nullptr;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        eglDestroySurface(display, surface);
        return nullptr;
    }
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        eglDestroySurface(display, surface);
        return nullptr;
    }
    return std::make_unique<EglContext>(display, surface, context);
}

bool EglPbufferSurface::Available() {
    EGLConfig config{};
    const EGLDisplay display = SharedDisplay();
    return display != EGL_NO_DISPLAY && ChooseConfig(display, PixelFormatRequest{}, config);
}

}  // namespace vimsa::gl
