#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "platform/host/host.h"

namespace vimsa {
class DemoBase;
}

namespace vimsa::app {

class CMainApp;
class CMainFrame;
class CMainView;

// What the demo asks of its program, answered with the shell's windows and
// dialogs.
class ShellHost : public host::Host {
public:
    explicit ShellHost(CMainApp& app) : app_(app) {}

    bool RunSetupDialog(host::SetupChoices& choices) override;
    void ShowError(std::string_view text, std::string_view caption) override;
    void MoveMainWindow(int x, int y, int width, int height) override;
    void SetFullScreen(bool on, int width, int height) override;
    void PostCloseRequest() override;
    uint32_t Milliseconds() override;

private:
    CMainApp& app_;
};

// The application: it owns the demonstration and the main frame, brings
// them up, drives the demo from idle time (one frame per idle pass, no
// timer rate and no cap) and handles the menu commands.
class CMainApp : public QObject {
public:
    using DemoFactory = std::function<std::unique_ptr<DemoBase>()>;
    // Asks for a file to open with the stored filter and default extension;
    // empty when the user cancels.
    using FileChooser = std::function<std::string(const char* filter, const char* extension)>;

    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr const char* kTitle = "Vimsa II";
    static constexpr int kRecentFiles = 4;

    // The factory makes the demonstration (a `Demo` when not given).
    explicit CMainApp(DemoFactory factory = nullptr);
    ~CMainApp() override;
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // Start-up: the demo, the main frame, the command line, one document
    // with its view, the main window shown and the view's frame maximised.
    // False when start-up fails.
    bool InitInstance(const std::vector<std::string>& arguments);
    // One idle pass: the pending view's Load (once), then one Frame.
    bool OnIdle();
    // Starts the idle pump on the event loop.
    void StartPump();
    // The windows go (the views shut the renderer down), then the demo.
    void ExitInstance();

    // From the view.
    void SetPendingView(CMainView* view);
    void OnViewSize(int width, int height);
    void OnViewDestroyed(CMainView* view);

    // Menu commands and their update rules.
    void OnCommand(int command);
    ItemState UpdateCommand(int command) const;
    void OnWindowNew();
    QStringList RecentFiles() const { return recent_; }

    // While one lives, the idle pump waits: a modal dialog runs its own loop.
    class ModalScope {
    public:
        explicit ModalScope(CMainApp& app);
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        CMainApp& app_;
    };

    DemoBase* GetDemo() const { return demo_.get(); }
    CMainFrame* MainFrame() const;
    CMainView* PendingView() const { return pendingView_; }
    const std::string& ImportFile() const { return importFile_; }
    Players GetPlayers() const;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

private:
    void OnFileNew();
    void OnFileOpen(const std::string& path);
    void OnAbout();
    void OpenMusic(int command);
    void LoadRecentFiles();
    void AddRecentFile(const std::string& path);
    std::string ChooseFile(const char* filter, const char* extension);

    DemoFactory makeDemo_;
    std::unique_ptr<DemoBase> demo_;
    QPointer<CMainFrame> mainFrame_;
    CMainView* pendingView_ = nullptr;
    std::string importFile_;
    QStringList recent_;
    ShellHost host_;
    QTimer pump_;
    int modalDepth_ = 0;
    bool pumping_ = false;
    FileChooser chooseFile_;
};

// A stored filter ("Text|patterns|...||") as a Qt file-dialog filter whose
// patterns match the extensions in any letter case; the text stays as
// stored.
QString QtFileFilter(const char* stored);

}  // namespace vimsa::app
