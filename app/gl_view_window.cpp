#include "app/gl_view_window.h"

#include <QKeyEvent>
#include <algorithm>
#include <utility>

#include "platform/input/key_table.h"

namespace vimsa::app {

QSurfaceFormat SurfaceFormatFor(const gl::PixelFormatRequest& request) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(request.doubleBuffer ? QSurfaceFormat::DoubleBuffer
                                                : QSurfaceFormat::SingleBuffer);
    format.setRedBufferSize(request.colourBits >= 24 ? 8 : 5);
    format.setGreenBufferSize(request.colourBits >= 24 ? 8 : 6);
    format.setBlueBufferSize(request.colourBits >= 24 ? 8 : 5);
    format.setAlphaBufferSize(0);
    format.setDepthBufferSize(std::max(request.depthBits, 16));
    format.setStencilBufferSize(request.stencilBits > 0 ? 8 : 0);
    // Frames are paced by the idle loop alone.
    format.setSwapInterval(0);
    return format;
}

GLViewWindow::GLViewWindow(const QSurfaceFormat& format, KeyHandler onKey)
    : onKey_(std::move(onKey)) {
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(format);
}

void GLViewWindow::keyPressEvent(QKeyEvent* event) {
    if (onKey_) onKey_(event, true);
}

void GLViewWindow::keyReleaseEvent(QKeyEvent* event) {
    if (onKey_) onKey_(event, false);
}

void GLViewWindow::focusOutEvent(QFocusEvent*) {
    input::Keyboard().Reset();
}

std::unique_ptr<QtGLContext> QtGLContext::Create(QWindow* window) {
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(window->requestedFormat());
    if (!context->create()) return nullptr;
    return std::unique_ptr<QtGLContext>(new QtGLContext(std::move(context), window));
}

QtGLContext::QtGLContext(std::unique_ptr<QOpenGLContext> context, QWindow* window)
    : context_(std::move(context)), window_(window) {}

QtGLContext::~QtGLContext() {
    ReleaseAll();
}

bool QtGLContext::MakeCurrent() {
    return window_ && window_->handle() && context_->makeCurrent(window_);
}

void QtGLContext::DoneCurrent() {
    context_->doneCurrent();
}

bool QtGLContext::SwapBuffers() {
    if (!window_) return false;
    // A hidden or minimised window has nothing to show.
    if (window_->isExposed()) context_->swapBuffers(window_);
    return true;
}

void* QtGLContext::GetProcAddress(const char* name) {
    return reinterpret_cast<void*>(context_->getProcAddress(name));
}

}  // namespace vimsa::app
