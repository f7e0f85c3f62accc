// The application with its windows on the offscreen platform: start-up and
// a cancelled set-up, the real demo on the Direct3D device shown in the
// view, the view's resizes reaching the renderer, the menus as built, and
// the music commands through the file dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

#include "app/main_app.h"
#include "app/main_frame.h"
#include "app/main_view.h"
#include "app/setup_dlg.h"
#include "demo/demo_base.h"
#include "platform/files/file_system.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "sound/media_playback.h"
#include "sound/music_player.h"

namespace vimsa::app {
namespace {

const std::string kData = VIMSA_DATA_DIR;

// Answers the modal windows as they come up: records each one's title and
// text, then runs the answer given for its title (accept by default).
class ModalAnswerer {
public:
    using Answer = std::function<void(QDialog&)>;
    explicit ModalAnswerer(std::map<QString, Answer> answers) : answers_(std::move(answers)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }
    const QStringList& Seen() const { return seen_; }

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == last_) return;
        last_ = dialog;
        const auto* box = qobject_cast<QMessageBox*>(dialog);
        seen_.append(box ? box->text() : dialog->windowTitle());
        const auto answer = answers_.find(dialog->windowTitle());
        if (answer != answers_.end())
            answer->second(*dialog);
        else
            dialog->accept();
    }

    std::map<QString, Answer> answers_;
    QStringList seen_;
    QTimer timer_;
    QDialog* last_ = nullptr;
};

void Click(QDialog& dialog, int control) {
    dialog.findChild<QPushButton*>(ControlName(control))->click();
}

CMainView* FirstView(CMainApp& app) {
    const QList<QMdiSubWindow*> frames = app.MainFrame()->Area()->subWindowList();
    return frames.isEmpty() ? nullptr : static_cast<CMainView*>(frames.first()->widget());
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(files::ChangeDirectory(kData)); }
};

TEST_F(ShellTest, QuitInTheSetupDialogShowsOnlyTheShellsMessageAndCloses) {
    CMainApp app;
    ASSERT_TRUE(app.InitInstance({}));
    ASSERT_NE(app.PendingView(), nullptr);
    EXPECT_TRUE(app.MainFrame()->isVisible());
    EXPECT_TRUE(app.MainFrame()->windowTitle().startsWith("Vimsa II"));
    const ModalAnswerer answerer({{"Setup", [](QDialog& d) { Click(d, CSetupDlg::kQuit); }}});
    app.OnIdle();
    EXPECT_EQ(answerer.Seen(), QStringList({"Setup", "error initializing demo !"}));
    EXPECT_EQ(app.PendingView(), nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(app.MainFrame()->isVisible());
    // The load is attempted once: later idle passes show nothing.
    app.OnIdle();
    EXPECT_EQ(answerer.Seen().size(), 2);
}

TEST_F(ShellTest, TheDemoOnTheDirect3DDeviceShowsInTheViewAndEscCloses) {
    CMainApp app;
    ASSERT_TRUE(app.InitInstance({}));
    const ModalAnswerer answerer(
        {{"Setup",
          [](QDialog& d) {
              d.findChild<QComboBox*>(ControlName(CSetupDlg::kResolution))->setCurrentIndex(0);
              Click(d, CSetupDlg::kStart);
          }},
         {"A propos de Vimsa II", [](QDialog& d) {
              d.setProperty("renderer",
                            d.findChild<QLabel*>(ControlName(CAboutDlg::kRenderer))->text());
              d.accept();
          }}});
    CMainView* view = FirstView(app);
    app.OnIdle();
    ASSERT_EQ(answerer.Seen(), QStringList({"Setup"}));
    ASSERT_NE(app.GetDemo()->GetRenderer(), nullptr);
    // The main window took the picture size plus the fixed margins.
    QCoreApplication::processEvents();
    EXPECT_EQ(app.MainFrame()->frameGeometry().size(), QSize(640 + 12, 480 + 50));
    app.OnIdle();
    const QImage& frame = view->LastFrame();
    ASSERT_EQ(frame.size(), QSize(640, 480));
    std::set<QRgb> colours;
    for (int y = 0; y < frame.height(); y += 8)
        for (int x = 0; x < frame.width(); x += 8)
            colours.insert(frame.pixel(x, y));
    EXPECT_GT(colours.size(), 50u) << "a level, not a cleared screen";

    EXPECT_EQ(RendererName(app.GetDemo()->GetRenderer()), "DirectX 8");
    app.OnCommand(kCommandAbout);
    EXPECT_EQ(answerer.Seen().last(), "A propos de Vimsa II");

    QTest::keyClick(view, Qt::Key_Escape);
    app.OnIdle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(app.MainFrame()->isVisible());
}

// Direct3D with "Fullscreen" checked puts the main window over the whole
// screen and the device keeps showing frames in the view.
TEST_F(ShellTest, Direct3DFullScreenCoversTheScreenWithTheMainWindow) {
    CMainApp app;
    ASSERT_TRUE(app.InitInstance({}));
    const ModalAnswerer answerer(
        {{"Setup", [](QDialog& d) {
              d.findChild<QComboBox*>(ControlName(CSetupDlg::kResolution))->setCurrentIndex(0);
              d.findChild<QCheckBox*>(ControlName(CSetupDlg::kFullscreen))->setChecked(true);
              Click(d, CSetupDlg::kStart);
          }}});
    CMainView* view = FirstView(app);
    app.OnIdle();
    ASSERT_EQ(answerer.Seen(), QStringList({"Setup"}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(app.MainFrame()->windowState() & Qt::WindowFullScreen);
    app.OnIdle();
    EXPECT_EQ(view->LastFrame().size(), QSize(640, 480));
    QTest::keyClick(view, Qt::Key_Escape);
    app.OnIdle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(app.MainFrame()->isVisible());
}

// A demo whose renderer is OpenGL on an off-screen surface, with both
// players: enough for the view's resizes and the music menus.
class SmallDemo : public DemoBase {
public:
    explicit SmallDemo(bool fullScreen) : fullScreenWanted_(fullScreen) {}
    ~SmallDemo() override { Shutdown(""); }
    Result Load(RenderWindow*) override {
        renderer_ = MakeHandle<GLRenderer>();
        if (!renderer_->Init(&surface_, kDisplayWindow, 640, 480)) return ERR_FAIL;
        musicPlayer_ = MakeHandle<MusicPlayer>();
        mediaPlayer_ = MakeHandle<MediaPlayback>();
        fullScreen_ = fullScreenWanted_ ? 1 : 0;
        ready_ = 1;
        return RESULT_OK;
    }
    void Shutdown(std::string_view message) override { ReleaseAll(message); }
    uint8_t Frame() override { return ready_; }

private:
    HeadlessGLWindow surface_{64, 48};
    bool fullScreenWanted_;
};

TEST_F(ShellTest, ResizingTheViewResizesTheRendererToFourThreeInAWindowOnly) {
    for (const bool fullScreen : {false, true}) {
        CMainApp app([fullScreen] { return std::make_unique<SmallDemo>(fullScreen); });
        ASSERT_TRUE(app.InitInstance({}));
        CMainView* view = FirstView(app);
        app.OnIdle();
        Renderer* renderer = app.GetDemo()->GetRenderer();
        ASSERT_NE(renderer, nullptr);
        struct Case {
            QSize view, renderer;
        };
        const Case cases[] = {
            {{1000, 500}, {666, 500}}, {{400, 600}, {400, 300}}, {{1, 1}, {2, 2}}};
        for (const Case& c : cases) {
            view->resize(c.view);
            const QSize expected = fullScreen ? QSize(640, 480) : c.renderer;
            EXPECT_EQ(
                QSize(static_cast<int>(renderer->Width()), static_cast<int>(renderer->Height())),
                expected)
                << c.view.width() << " x " << c.view.height() << (fullScreen ? " full screen" : "");
        }
    }
}

TEST_F(ShellTest, ClosingTheViewShutsTheRendererDownAndShowsTheMenuWithoutDocument) {
    CMainApp app([] { return std::make_unique<SmallDemo>(false); });
    ASSERT_TRUE(app.InitInstance({}));
    app.OnIdle();
    Renderer* renderer = app.GetDemo()->GetRenderer();
    ASSERT_TRUE(renderer->BeginFrame());
    renderer->EndFrame();
    EXPECT_EQ(app.MainFrame()->MenuResource(), 129);
    app.MainFrame()->Area()->subWindowList().first()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_FALSE(renderer->BeginFrame());
    EXPECT_EQ(app.MainFrame()->MenuResource(), 128);
}

// The menu bar as "Menu/Submenu/Item" paths with their enabled state.
void Walk(const QMenu* menu, const QString& path, std::map<QString, QAction*>& out) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const QString item = path + "/" + action->text();
        if (action->menu()) {
            emit action->menu()->aboutToShow();
            Walk(action->menu(), item, out);
        } else {
            out[item] = action;
        }
    }
}

std::map<QString, QAction*> MenuItems(CMainFrame& frame) {
    std::map<QString, QAction*> items;
    for (QAction* top : frame.menuBar()->actions()) {
        emit top->menu()->aboutToShow();
        Walk(top->menu(), top->text(), items);
    }
    return items;
}

TEST_F(ShellTest, TheMenusCarryTheirTextsAndCommandsAndFollowThePlayers) {
    CMainApp app([] { return std::make_unique<SmallDemo>(false); });
    ASSERT_TRUE(app.InitInstance({}));
    app.OnIdle();
    std::map<QString, QAction*> items = MenuItems(*app.MainFrame());
    const std::map<QString, int> commands = {
        {"&Fichier/MP3/&Open", 0x8005},       {"&Fichier/MP3/&Play", 0x8006},
        {"&Fichier/MP3/Pause", 0x8007},       {"&Fichier/MP3/&Rewind", 0x8008},
        {"&Fichier/MP3/&Stop", 0x8009},       {"&Fichier/Sountrack/&Open", 0x800A},
        {"&Fichier/Sountrack/&Play", 0x800B}, {"&Fichier/Sountrack/&Stop", 0x800E},
        {"&Fichier/&Quitter", 0xE141},        {"&?/&A propos de Vimsa II...", 0xE140},
    };
    for (const auto& [path, command] : commands) {
        ASSERT_TRUE(items.count(path)) << path.toStdString();
        EXPECT_EQ(items[path]->data().toInt(), command) << path.toStdString();
    }
    for (const char* path :
         {"&Edition/&Annuler\tCtrl+Z", "&Edition/C&oller\tCtrl+V", "Fe&nêtre/&Nouvelle fenêtre",
          "Fe&nêtre/&Mosaïque", "&Affichage/Barre d'é&tat"})
        EXPECT_TRUE(items.count(QString::fromUtf8(path))) << path;
    // Before any MP3, only Open is enabled in the MP3 menu.
    for (const char* item : {"&Open", "&Play", "Pause", "&Rewind", "&Stop"})
        EXPECT_EQ(items[QString("&Fichier/MP3/") + item]->isEnabled(), item == std::string("&Open"))
            << item;
    EXPECT_FALSE(items[QString::fromUtf8("&Edition/&Couper\tCtrl+X")]->isEnabled());

    // While an MP3 plays: Play checked and disabled, the others enabled.
    std::vector<std::pair<std::string, std::string>> asked;
    app.SetFileChooser([&asked](const char* filter, const char* extension) {
        asked.emplace_back(filter, extension);
        return asked.size() == 1 ? kData + "/music/vimsa.mp3" : kData + "/music/vimsa.s3m";
    });
    items["&Fichier/MP3/&Open"]->trigger();
    items = MenuItems(*app.MainFrame());
    EXPECT_TRUE(items["&Fichier/MP3/&Play"]->isChecked());
    EXPECT_FALSE(items["&Fichier/MP3/&Play"]->isEnabled());
    for (const char* item : {"Pause", "&Rewind", "&Stop"})
        EXPECT_TRUE(items[QString("&Fichier/MP3/") + item]->isEnabled()) << item;

    // A module opened while the MP3 plays stops the MP3 and plays.
    items["&Fichier/Sountrack/&Open"]->trigger();
    const Players players = app.GetPlayers();
    EXPECT_EQ(players.media->GetState(), MediaPlayback::kStopped);
    EXPECT_TRUE(players.module->IsLoaded());
    EXPECT_TRUE(players.module->IsSongPlaying());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].first, "Music Files (*.MP3; *.WAV)|*.MP3; *.WAV||");
    EXPECT_EQ(asked[0].second, "MP3/WAV");
    EXPECT_EQ(asked[1].first, "Soundtrack Files (*.S3M; *.MOD; *.IT)|*.S3M; *.MOD; *.IT||");
    EXPECT_EQ(asked[1].second, "S3M/MOD/IT");
    players.module->Close();
}

}  // namespace
}  // namespace vimsa::app
