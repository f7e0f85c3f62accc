#include "app/main_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "app/gl_view_window.h"
#include "app/key_map.h"
#include "app/main_app.h"
#include "platform/d3d8/surface_format.h"
#include "platform/input/key_table.h"

namespace vimsa::app {

CMainView::CMainView(CMainApp& app, QWidget* parent) : QWidget(parent), app_(app) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
    auto* layout = new QVBoxLayout(this);  // owned by the view
    layout->setContentsMargins(0, 0, 0, 0);
}

CMainView::~CMainView() {
    // The renderer's device is bound to this window.
    app_.OnViewDestroyed(this);
}

void CMainView::OnInitialUpdate() {
    app_.SetPendingView(this);
}

bool CMainView::ClientSize(uint32_t& width, uint32_t& height) const {
    const qreal ratio = devicePixelRatioF();
    width = static_cast<uint32_t>(std::max(0.0, this->width() * ratio));
    height = static_cast<uint32_t>(std::max(0.0, this->height() * ratio));
    return true;
}

std::unique_ptr<gl::Context> CMainView::CreateContext(const gl::PixelFormatRequest& request) {
    if (!glWindow_) {
        auto keys = [this](QKeyEvent* event, bool down) { HandleKey(event, down); };
        // The container takes ownership of the window.
        glWindow_ = new GLViewWindow(SurfaceFormatFor(request), keys);
        glContainer_ = QWidget::createWindowContainer(glWindow_, this);
        glContainer_->setFocusPolicy(Qt::StrongFocus);
        layout()->addWidget(glContainer_);
        glContainer_->show();
        glWindow_->create();
    }
    if (!glWindow_->handle()) return nullptr;
    std::unique_ptr<gl::Context> context = QtGLContext::Create(glWindow_);
    if (context && hasFocus()) glContainer_->setFocus();
    return context;
}

void CMainView::ShowFrame(const uint8_t* pixels, uint32_t pitch, uint32_t width, uint32_t height,
                          d3d8::D3DFORMAT format) {
    const uint32_t bytes = d3d8::FormatBytes(format);
    if (!pixels || bytes == 0 || width == 0 || height == 0) return;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (frame_.width() != w || frame_.height() != h) frame_ = QImage(w, h, QImage::Format_RGB32);
    if (frame_.isNull()) return;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
        auto* out = reinterpret_cast<uint32_t*>(frame_.scanLine(y));
        for (int x = 0; x < w; ++x)
            out[x] = d3d8::DecodeArgb(row + static_cast<size_t>(x) * bytes, format) | 0xFF000000u;
    }
    // Shown now: the next frame follows without returning to the event loop
    // while no event waits.
    repaint();
}

void CMainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frame_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // A windowed device's back buffer is stretched over the client area.
    painter.drawImage(rect(), frame_);
}

void CMainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    uint32_t w = 0, h = 0;
    ClientSize(w, h);
    app_.OnViewSize(static_cast<int>(w), static_cast<int>(h));
}

void CMainView::HandleKey(QKeyEvent* event, bool down) {
    input::Key key;
    if (!MapKey(event->key(), event->modifiers(), key)) {
        event->ignore();
        return;
    }
    // The table keeps "down" itself; repeats would read as new presses.
    if (!event->isAutoRepeat()) {
        if (down)
            input::Keyboard().KeyDown(key);
        else
            input::Keyboard().KeyUp(key);
    }
    event->accept();
}

void CMainView::keyPressEvent(QKeyEvent* event) {
    HandleKey(event, true);
}

void CMainView::keyReleaseEvent(QKeyEvent* event) {
    HandleKey(event, false);
}

void CMainView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // Keys released while another window had the focus never reach us.
    if (!glContainer_ || !glContainer_->hasFocus()) input::Keyboard().Reset();
}

}  // namespace vimsa::app
