#include "app/main_frame.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <utility>

#include "app/commands.h"
#include "app/main_app.h"
#include "app/main_view.h"

namespace vimsa::app {
namespace {

Rect ToRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

// The window commands of menu 129 are the window area's own.
enum WindowCommand : int { kWindowNew = -1, kWindowCascade = -2, kWindowTile = -3, kNoCommand = 0 };

bool UserSizable(const QWidget& w) {
    return w.isVisible() &&
           !(w.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
}

}  // namespace

std::optional<QRect> FourThreeSizer::OnResized(const QRect& before, const QRect& after,
                                               const QSize& client) {
    if (requested_) {
        const bool ours = after == *requested_;
        requested_.reset();
        if (ours) return std::nullopt;
    }
    DragEdge edge;
    if (!DraggedEdge(ToRect(before), ToRect(after), edge)) return std::nullopt;
    const Size borders{after.width() - client.width(), after.height() - client.height()};
    const QRect wanted = ToQRect(SizeFrame(edge, ToRect(after), borders));
    if (wanted == after) return std::nullopt;
    requested_ = wanted;
    return wanted;
}

CChildFrame::CChildFrame(CMainApp& app, QWidget* parent) : QMdiSubWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    view_ = new CMainView(app, this);  // owned by this frame
    setWidget(view_);
    setWindowTitle("Vimsa");
    resize(kInitialWidth, kInitialHeight);
}

void CChildFrame::moveEvent(QMoveEvent* event) {
    QMdiSubWindow::moveEvent(event);
    if (geometry().size() == last_.size()) last_ = geometry();
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    const QRect before = last_;
    last_ = geometry();
    if (adjusting_ || !UserSizable(*this) || before.isEmpty()) return;
    const std::optional<QRect> wanted = sizer_.OnResized(before, last_, view_->size());
    if (!wanted) return;
    // Child widgets resize at once: the nested resize is ours.
    adjusting_ = true;
    setGeometry(*wanted);
    adjusting_ = false;
    last_ = geometry();
}

CMainFrame::CMainFrame(CMainApp& app) : app_(app) {
    setWindowTitle("Vimsa II");
    area_ = new QMdiArea(this);  // owned by this window
    setCentralWidget(area_);
    connect(area_, &QMdiArea::subWindowActivated, this, [this] { OnChildFramesChanged(); });
    // The framework's standard accelerators that reach a command here.
    auto* newDocument = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
    connect(newDocument, &QShortcut::activated, this, [this] { app_.OnCommand(kCommandFileNew); });
    auto* openDocument = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(openDocument, &QShortcut::activated, this,
            [this] { app_.OnCommand(kCommandFileOpen); });
    resize(kInitialWidth, kInitialHeight);
    ShowMenu(128);
}

CMainFrame::~CMainFrame() {
    // The views go while this frame is whole: their renderer is shut down
    // through the application.
    delete std::exchange(area_, nullptr);
}

CMainView* CMainFrame::NewChildFrame() {
    auto* child = new CChildFrame(app_, area_);  // owned by the window area
    // Counted once the frame is gone, not while it is being destroyed.
    connect(
        child, &QObject::destroyed, this, [this] { OnChildFramesChanged(); }, Qt::QueuedConnection);
    area_->addSubWindow(child);
    child->show();
    ShowMenu(129);
    return child->View();
}

void CMainFrame::OnChildFramesChanged() {
    if (!area_) return;
    ShowMenu(area_->subWindowList().isEmpty() ? 128 : 129);
}

QMenu* CMainFrame::AddMenu(const char* title) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    return menu;
}

void CMainFrame::AddCommand(QMenu* menu, const char* text, int command, bool checkable) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setData(command);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, command] {
        switch (command) {
            case kWindowNew:
                app_.OnWindowNew();
                break;
            case kWindowCascade:
                area_->cascadeSubWindows();
                break;
            case kWindowTile:
                area_->tileSubWindows();
                break;
            default:
                app_.OnCommand(command);
        }
    });
}

// An item of the framework with no handler here: shown, never enabled.
void CMainFrame::AddFixed(QMenu* menu, const char* text) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setData(kNoCommand);
    action->setEnabled(false);
}

void CMainFrame::BuildMenu128() {
    QMenu* file = AddMenu("&Fichier");
    AddCommand(file, "&Nouveau\tCtrl+N", kCommandFileNew);
    AddCommand(file, "&Ouvrir...\tCtrl+O", kCommandFileOpen);
    file->addSeparator();
    AddFixed(file, "C&onfiguration de l'impression...");
    file->addSeparator();
    const QStringList recent = app_.RecentFiles();
    if (recent.isEmpty()) AddFixed(file, "Fichier récent");
    for (int i = 0; i < recent.size(); ++i) {
        const QString text = QString("&%1 %2").arg(i + 1).arg(recent[i]);
        AddCommand(file, text.toUtf8().constData(), kCommandRecentFile + i);
    }
    file->addSeparator();
    AddCommand(file, "&Quitter", kCommandExit);
    QMenu* view = AddMenu("&Affichage");
    AddFixed(view, "&Barre d'outils");
    AddFixed(view, "Barre d'é&tat");
    QMenu* help = AddMenu("&?");
    AddCommand(help, "&A propos de Main...", kCommandAbout);
}

void CMainFrame::BuildMenu129() {
    QMenu* file = AddMenu("&Fichier");
    QMenu* mp3 = file->addMenu("MP3");
    connect(mp3, &QMenu::aboutToShow, this, [this, mp3] { UpdateMenu(mp3); });
    AddCommand(mp3, "&Open", kCommandMp3Open);
    AddCommand(mp3, "&Play", kCommandMp3Play, true);
    AddCommand(mp3, "Pause", kCommandMp3Pause, true);
    AddCommand(mp3, "&Rewind", kCommandMp3Rewind);
    AddCommand(mp3, "&Stop", kCommandMp3Stop, true);
    QMenu* soundtrack = file->addMenu("Sountrack");
    connect(soundtrack, &QMenu::aboutToShow, this, [this, soundtrack] { UpdateMenu(soundtrack); });
    AddCommand(soundtrack, "&Open", kCommandSoundtrackOpen);
    AddCommand(soundtrack, "&Play", kCommandSoundtrackPlay, true);
    AddCommand(soundtrack, "&Stop", kCommandSoundtrackStop, true);
    file->addSeparator();
    AddCommand(file, "&Quitter", kCommandExit);
    QMenu* edit = AddMenu("&Edition");
    for (const char* text :
         {"&Annuler\tCtrl+Z", "&Couper\tCtrl+X", "&Copier\tCtrl+C", "C&oller\tCtrl+V"})
        AddFixed(edit, text);
    QMenu* view = AddMenu("&Affichage");
    AddFixed(view, "&Barre d'outils");
    AddFixed(view, "Barre d'é&tat");
    QMenu* window = AddMenu("Fe&nêtre");
    AddCommand(window, "&Nouvelle fenêtre", kWindowNew);
    AddCommand(window, "&Cascade", kWindowCascade);
    AddCommand(window, "&Mosaïque", kWindowTile);
    AddFixed(window, "&Réorganiser les icônes");
    QMenu* help = AddMenu("&?");
    AddCommand(help, "&A propos de Vimsa II...", kCommandAbout);
}

void CMainFrame::ShowMenu(int resource) {
    if (resource == menuResource_) return;
    menuResource_ = resource;
    menuBar()->clear();
    if (resource == 128)
        BuildMenu128();
    else
        BuildMenu129();
}

void CMainFrame::UpdateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        const int command = action->data().toInt();
        if (command <= 0) continue;
        const ItemState state = app_.UpdateCommand(command);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
    }
}

QSize CMainFrame::ClientSize() const {
    return area_ ? area_->size() : size();
}

void CMainFrame::SetOuterGeometry(const QRect& outer) {
    const QRect frame = frameGeometry(), inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect inside = outer.marginsRemoved(margins);
    sizer_.Expect(outer);
    setGeometry(inside);
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (frameGeometry().size() == last_.size()) last_ = frameGeometry();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const QRect before = last_;
    last_ = frameGeometry();
    if (!UserSizable(*this) || before.isEmpty()) return;
    const std::optional<QRect> wanted = sizer_.OnResized(before, last_, ClientSize());
    if (wanted) SetOuterGeometry(*wanted);
}

}  // namespace vimsa::app
