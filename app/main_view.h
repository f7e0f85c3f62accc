#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/d3d8/present_target.h"
#include "platform/gl/gl_binding.h"
#include "render/render_window.h"

class QKeyEvent;

namespace vimsa::app {

class CMainApp;
class GLViewWindow;

// The view the renderer draws into. It serves both back-ends, because the
// renderer is chosen by the set-up dialog after the view exists: OpenGL gets
// a native window with a context inside the view on its first request, the
// Direct3D device's frames are painted into the view itself. Keys typed into
// it feed the demo's keyboard table; its size changes and its destruction
// are reported to the application.
class CMainView : public QWidget,
                  public RenderWindow,
                  public gl::Surface,
                  public d3d8::PresentTarget {
public:
    CMainView(CMainApp& app, QWidget* parent);
    ~CMainView() override;

    // After the view is placed in its frame: it becomes the pending view.
    void OnInitialUpdate();

    bool ClientSize(uint32_t& width, uint32_t& height) const override;
    std::unique_ptr<gl::Context> CreateContext(const gl::PixelFormatRequest& request) override;
    void ShowFrame(const uint8_t* pixels, uint32_t pitch, uint32_t width, uint32_t height,
                   d3d8::D3DFORMAT format) override;

    // The last frame the Direct3D device showed (null before one).
    const QImage& LastFrame() const { return frame_; }
    // Handles a key event from the view or its OpenGL window.
    void HandleKey(QKeyEvent* event, bool down);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CMainApp& app_;
    GLViewWindow* glWindow_ = nullptr;  // owned by its container
    QPointer<QWidget> glContainer_;     // a child of this view
    QImage frame_;
};

}  // namespace vimsa::app
