#pragma once

#include <QMainWindow>
#include <QMdiSubWindow>
#include <QRect>
#include <optional>

#include "app/sizing.h"

class QMdiArea;
class QMenu;

namespace vimsa::app {

class CMainApp;
class CMainView;

// Keeps a frame's client area at 4:3 while the user drags its edges. Qt
// reports a resize after the window system applied it, so the rule is
// applied to the new geometry, and the geometry it asks for is remembered
// so that its own resize is not taken for another drag.
class FourThreeSizer {
public:
    // `window` is the frame's outer rectangle before and after the resize,
    // `client` the size of its client area after it. The rectangle the frame
    // should take, or nothing when it keeps what it has.
    std::optional<QRect> OnResized(const QRect& before, const QRect& after, const QSize& client);

    // A geometry the program itself asks for.
    void Expect(const QRect& window) { requested_ = window; }

private:
    std::optional<QRect> requested_;
};

// The frame of the view: a sub-window of the main frame's window area.
class CChildFrame : public QMdiSubWindow {
public:
    // Sizes asked for when the frame is made (outer size).
    static constexpr int kInitialWidth = 812;
    static constexpr int kInitialHeight = 632;

    CChildFrame(CMainApp& app, QWidget* parent);
    CMainView* View() const { return view_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    CMainView* view_;  // owned by this frame
    QRect last_;
    FourThreeSizer sizer_;
    bool adjusting_ = false;
};

// The top-level window: the window area holding the child frames, the
// menus (resource 128 while no document is open, 129 while one is), and no
// tool bar or status bar.
class CMainFrame : public QMainWindow {
public:
    // Sizes asked for when the frame is made (outer size).
    static constexpr int kInitialWidth = 1036;
    static constexpr int kInitialHeight = 818;

    explicit CMainFrame(CMainApp& app);
    ~CMainFrame() override;

    QMdiArea* Area() const { return area_; }
    // Adds a child frame holding a new view; the view is returned.
    CMainView* NewChildFrame();
    // The menus of resource 128 or 129.
    void ShowMenu(int resource);
    int MenuResource() const { return menuResource_; }
    // Moves and sizes the window by its outer rectangle.
    void SetOuterGeometry(const QRect& outer);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QMenu* AddMenu(const char* title);
    void AddCommand(QMenu* menu, const char* text, int command, bool checkable = false);
    void AddFixed(QMenu* menu, const char* text);
    void BuildMenu128();
    void BuildMenu129();
    void UpdateMenu(QMenu* menu);
    void OnChildFramesChanged();
    QSize ClientSize() const;

    CMainApp& app_;
    QMdiArea* area_;  // owned by this window
    int menuResource_ = 0;
    QRect last_;
    FourThreeSizer sizer_;
};

}  // namespace vimsa::app
