// The demonstration started headless on a small data folder made by the
// test: start-up, its failures, and frames driven through the key table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "platform/input/key_table.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "tests/demo/demo_data.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using input::Key;

// A host that answers the dialog with fixed choices, records messages and
// runs a clock that moves only when told.
class TestHost : public host::Host {
public:
    bool RunSetupDialog(host::SetupChoices& choices) override {
        choices = setup;
        return start;
    }
    void ShowError(std::string_view text, std::string_view caption) override {
        messages.push_back(std::string(caption) + ": " + std::string(text));
    }
    void MoveMainWindow(int, int, int width, int height) override {
        windowWidth = width;
        windowHeight = height;
    }
    void SetFullScreen(bool on, int, int) override { fullScreen = on; }
    void PostCloseRequest() override { closeRequested = true; }
    uint32_t Milliseconds() override { return clock; }

    host::SetupChoices setup = [] {
        host::SetupChoices c;
        c.renderer = 1;
        c.resolution = "640*480";
        return c;
    }();
    bool start = true;
    std::vector<std::string> messages;
    int windowWidth = 0, windowHeight = 0;
    bool fullScreen = false, closeRequested = false;
    uint32_t clock = 1000;
};

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteDemoData();
        host::SetCurrentHost(&host_);
        input::Keyboard().Reset();
    }
    void TearDown() override {
        demo_.reset();
        host::SetCurrentHost(nullptr);
    }
    Result Start() {
        demo_ = std::make_unique<Demo>();
        return demo_->Load(&window_);
    }
    // Frames of `step` milliseconds with `keys` held down.
    void Run(int frames, std::initializer_list<Key> keys = {}, uint32_t step = 40) {
        for (Key key : keys)
            input::Keyboard().KeyDown(key);
        for (int i = 0; i < frames; ++i) {
            host_.clock += step;
            demo_->Frame();
        }
        for (Key key : keys)
            input::Keyboard().KeyUp(key);
    }

    test::ScratchFolder folder_;
    TestHost host_;
    HeadlessGLWindow window_{640, 480};
    std::unique_ptr<Demo> demo_;
};

TEST_F(DemoTest, StartsAndWalksThroughTheHall) {
    ASSERT_EQ(Start(), RESULT_OK) << (host_.messages.empty() ? "" : host_.messages[0]);
    EXPECT_TRUE(demo_->Ready());
    EXPECT_EQ(host_.windowWidth, 640 + 12);
    EXPECT_EQ(host_.windowHeight, 480 + 50);
    EXPECT_EQ(demo_->CharacterRoom(), Demo::kDoorRoom);
    Run(5);
    const Vector3 start = demo_->CharacterPosition();
    EXPECT_NEAR(start.y, -1.0f, 0.01f);  // standing on the floor
    Run(10, {Key::Up});
    EXPECT_GT(demo_->CharacterPosition().z, start.z + 1.0f);
    input::Keyboard().KeyDown(Key::F12);
    input::Keyboard().KeyUp(Key::F12);
    Run(1);
    EXPECT_TRUE(std::filesystem::exists("Texture/Shot/Vimsa000.TGA") ||
                std::filesystem::exists("texture/Shot/Vimsa000.TGA"));
}

}  // namespace
}  // namespace vimsa
