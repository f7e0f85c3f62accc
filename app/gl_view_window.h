#pragma once

#include <QOpenGLContext>
#include <QPointer>
#include <QSurfaceFormat>
#include <QWindow>
#include <functional>
#include <memory>

#include "platform/gl/gl_binding.h"

class QKeyEvent;

namespace vimsa::app {

// The window-system format for the renderer's pixel-format request: RGBA,
// double-buffered as asked, at least the depth bits asked, and a stencil
// buffer of 8 bits whenever any is asked (more is offered nowhere, and
// asking for more can cost the stencil altogether), on a compatibility
// context because the renderer draws with the fixed-function pipeline.
QSurfaceFormat SurfaceFormatFor(const gl::PixelFormatRequest& request);

// The native window OpenGL draws into. Keys typed while it has the focus go
// to the view that holds it.
class GLViewWindow : public QWindow {
public:
    using KeyHandler = std::function<void(QKeyEvent*, bool down)>;
    GLViewWindow(const QSurfaceFormat& format, KeyHandler onKey);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    KeyHandler onKey_;
};

// A context on a GLViewWindow: make-current, release and swap through the
// renderer's binding. The window may go before the context; the context
// then refuses to become current.
class QtGLContext : public gl::Context {
public:
    // Null when the window system offers no context in that format.
    static std::unique_ptr<QtGLContext> Create(QWindow* window);
    ~QtGLContext() override;

    bool SwapBuffers() override;
    void* GetProcAddress(const char* name) override;
    QSurfaceFormat Format() const { return context_->format(); }

protected:
    bool MakeCurrent() override;
    void DoneCurrent() override;

private:
    QtGLContext(std::unique_ptr<QOpenGLContext> context, QWindow* window);

    std::unique_ptr<QOpenGLContext> context_;
    QPointer<QWindow> window_;
};

}  // namespace vimsa::app
