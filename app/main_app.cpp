#include "app/main_app.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QSettings>

#include "app/command_line.h"
#include "app/main_frame.h"
#include "app/main_view.h"
#include "app/setup_dlg.h"
#include "app/sizing.h"
#include "demo/demo.h"

namespace vimsa::app {

// --- host ---

bool ShellHost::RunSetupDialog(host::SetupChoices& choices) {
    CSetupDlg dialog(choices, app_.MainFrame());
    const CMainApp::ModalScope modal(app_);
    const bool started = dialog.exec() == QDialog::Accepted;
    choices = dialog.Choices();
    return started;
}

void ShellHost::ShowError(std::string_view text, std::string_view caption) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(caption.data(), caption.size()),
                    QString::fromUtf8(text.data(), text.size()), QMessageBox::Ok);
    const CMainApp::ModalScope modal(app_);
    box.exec();
}

void ShellHost::MoveMainWindow(int x, int y, int width, int height) {
    if (CMainFrame* frame = app_.MainFrame()) {
        frame->SetOuterGeometry(QRect(x, y, width, height));
        frame->repaint();
    }
}

void ShellHost::SetFullScreen(bool on, int, int) {
    CMainFrame* frame = app_.MainFrame();
    if (!frame) return;
    if (on)
        frame->showFullScreen();
    else
        frame->showNormal();
}

void ShellHost::PostCloseRequest() {
    if (CMainFrame* frame = app_.MainFrame())
        QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
}

uint32_t ShellHost::Milliseconds() {
    return host::SteadyMilliseconds();
}

// --- application ---

CMainApp::CMainApp(DemoFactory factory) : makeDemo_(std::move(factory)), host_(*this) {
    if (!makeDemo_) makeDemo_ = [] { return std::make_unique<Demo>(); };
    pump_.setInterval(0);
    connect(&pump_, &QTimer::timeout, this, [this] { OnIdle(); });
}

CMainApp::~CMainApp() {
    ExitInstance();
}

bool CMainApp::InitInstance(const std::vector<std::string>& arguments) {
    LoadRecentFiles();
    demo_ = makeDemo_();
    if (!demo_) return false;
    host::SetCurrentHost(&host_);
    mainFrame_ = new CMainFrame(*this);  // deleted by ExitInstance
    importFile_ = ParseCommandLine(arguments).importFile;
    OnFileNew();
    mainFrame_->show();
    if (pendingView_) {
        if (auto* child = qobject_cast<QMdiSubWindow*>(pendingView_->parentWidget()))
            child->showMaximized();
        pendingView_->setFocus();
    }
    return true;
}

CMainFrame* CMainApp::MainFrame() const {
    return mainFrame_.data();
}

void CMainApp::StartPump() {
    pumping_ = true;
    if (modalDepth_ == 0) pump_.start();
}

bool CMainApp::OnIdle() {
    if (CMainView* view = pendingView_) {
        // Attempted once, whatever the outcome.
        pendingView_ = nullptr;
        const Result loaded = demo_->Load(view);
        if (Succeeded(loaded)) view->setFocus();
        if (Failed(loaded)) {
            QMessageBox box(QMessageBox::NoIcon, kTitle, "error initializing demo !",
                            QMessageBox::Ok, mainFrame_);
            {
                const ModalScope modal(*this);
                box.exec();
            }
            host_.PostCloseRequest();
        }
    }
    if (demo_) demo_->Frame();
    return true;
}

CMainApp::ModalScope::ModalScope(CMainApp& app) : app_(app) {
    if (app_.modalDepth_++ == 0) app_.pump_.stop();
}

CMainApp::ModalScope::~ModalScope() {
    if (--app_.modalDepth_ == 0 && app_.pumping_) app_.pump_.start();
}

void CMainApp::ExitInstance() {
    pumping_ = false;
    pump_.stop();
    delete mainFrame_.data();
    demo_.reset();
    if (host::CurrentHost() == &host_) host::SetCurrentHost(nullptr);
}

void CMainApp::SetPendingView(CMainView* view) {
    pendingView_ = view;
}

void CMainApp::OnViewSize(int width, int height) {
    Renderer* renderer = demo_ ? demo_->GetRenderer() : nullptr;
    if (!renderer || demo_->FullScreen()) return;
    const Size fit = FitFourThree(width, height);
    (void)renderer->Resize(true, static_cast<uint32_t>(fit.width),
                           static_cast<uint32_t>(fit.height));
}

void CMainApp::OnViewDestroyed(CMainView* view) {
    if (pendingView_ == view) pendingView_ = nullptr;
    if (Renderer* renderer = demo_ ? demo_->GetRenderer() : nullptr) renderer->Shutdown();
}

Players CMainApp::GetPlayers() const {
    if (!demo_) return {};
    return {demo_->GetMusicPlayer(), demo_->GetMediaPlayer()};
}

ItemState CMainApp::UpdateCommand(int command) const {
    switch (command) {
        case kCommandFileNew:
        case kCommandFileOpen:
        case kCommandAbout:
        case kCommandExit:
            return {true, false};
        default:
            break;
    }
    if (command >= kCommandRecentFile && command < kCommandRecentFile + recent_.size())
        return {true, false};
    return MusicItemState(command, GetPlayers());
}

void CMainApp::OnCommand(int command) {
    switch (command) {
        case kCommandFileNew:
            OnFileNew();
            return;
        case kCommandFileOpen:
            OnFileOpen(ChooseFile("", ""));
            return;
        case kCommandAbout:
            OnAbout();
            return;
        case kCommandExit:
            if (mainFrame_) mainFrame_->close();
            return;
        case kCommandMp3Open:
        case kCommandSoundtrackOpen:
            OpenMusic(command);
            return;
        default:
            break;
    }
    if (command >= kCommandRecentFile && command < kCommandRecentFile + recent_.size()) {
        OnFileOpen(recent_[command - kCommandRecentFile].toStdString());
        return;
    }
    RunMusicCommand(command, GetPlayers(), mainFrame_.data());
}

void CMainApp::OpenMusic(int command) {
    const bool media = command == kCommandMp3Open;
    const Players players = GetPlayers();
    if (media ? !players.media : !players.module) return;
    const std::string path = media ? ChooseFile(kMediaFilter, kMediaDefaultExtension)
                                   : ChooseFile(kModuleFilter, kModuleDefaultExtension);
    if (path.empty()) return;
    // A file that does not open changes nothing and shows nothing.
    if (media)
        (void)OpenMediaFile(path, players);
    else
        (void)OpenModuleFile(path, players, mainFrame_.data());
}

void CMainApp::OnFileNew() {
    if (!mainFrame_) return;
    CMainView* view = mainFrame_->NewChildFrame();
    view->OnInitialUpdate();
}

void CMainApp::OnWindowNew() {
    OnFileNew();
}

void CMainApp::OnFileOpen(const std::string& path) {
    if (path.empty()) return;
    // The document keeps nothing of the file: opening one makes a new,
    // empty document that the list remembers.
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        recent_.removeAll(QString::fromStdString(path));
        return;
    }
    AddRecentFile(path);
    OnFileNew();
}

void CMainApp::OnAbout() {
    CAboutDlg about(RendererName(demo_ ? demo_->GetRenderer() : nullptr), SongLine(GetPlayers()),
                    mainFrame_);
    const ModalScope modal(*this);
    about.exec();
}

void CMainApp::LoadRecentFiles() {
    QSettings settings(kRegistryKey, kTitle);
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString file = settings.value(QString("Recent File List/File%1").arg(i)).toString();
        if (!file.isEmpty()) recent_.append(file);
    }
}

void CMainApp::AddRecentFile(const std::string& path) {
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    recent_.removeAll(file);
    recent_.prepend(file);
    while (recent_.size() > kRecentFiles)
        recent_.removeLast();
    QSettings settings(kRegistryKey, kTitle);
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString key = QString("Recent File List/File%1").arg(i);
        if (i <= recent_.size())
            settings.setValue(key, recent_[i - 1]);
        else
            settings.remove(key);
    }
}

std::string CMainApp::ChooseFile(const char* filter, const char* extension) {
    if (chooseFile_) return chooseFile_(filter, extension);
    QFileDialog dialog(mainFrame_);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (*filter) {
        dialog.setNameFilter(QtFileFilter(filter));
        dialog.setOption(QFileDialog::HideNameFilterDetails);
    }
    // The stored default extension lists the kinds; the first three
    // characters are what a typed name without extension gets.
    if (*extension) dialog.setDefaultSuffix(QString(extension).left(3));
    const ModalScope modal(*this);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first().toStdString();
}

QString QtFileFilter(const char* stored) {
    const QStringList parts = QString(stored).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            QString anyCase;
            for (const QChar c : pattern.trimmed()) {
                if (c.isLetter())
                    anyCase += QString("[%1%2]").arg(c.toUpper()).arg(c.toLower());
                else
                    anyCase += c;
            }
            patterns.append(anyCase);
        }
        filters.append(QString("%1 (%2)").arg(parts[i], patterns.join(' ')));
    }
    return filters.join(";;");
}

}  // namespace vimsa::app
