// The demonstration started headless on a small data folder made by the
// test: start-up, its failures, and frames driven through the key table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "platform/input/key_table.h"
#include "render/direct3d8/headless_d3d8_window.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "scene/graph_portal.h"
#include "tests/demo/demo_data.h"
#include "tests/render/image_builders.h"
#include "world/terrain.h"

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
    // Starts a new demo on a window for the renderer the dialog chooses.
    Result Start() {
        demo_.reset();
        if (host_.setup.renderer == 0)
            window_ = std::make_unique<HeadlessD3D8Window>(640, 480);
        else
            window_ = std::make_unique<HeadlessGLWindow>(640, 480);
        demo_ = std::make_unique<Demo>();
        return demo_->Load(window_.get());
    }
    // OpenGL asked of a window that offers only Direct3D's binding.
    Result StartOnWrongWindow() {
        demo_.reset();
        host_.setup.renderer = 1;
        window_ = std::make_unique<HeadlessD3D8Window>(640, 480);
        demo_ = std::make_unique<Demo>();
        return demo_->Load(window_.get());
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
    // One frame with the keys pressed and let go before it.
    void Press(std::initializer_list<Key> keys) {
        for (Key key : keys) {
            input::Keyboard().KeyDown(key);
            input::Keyboard().KeyUp(key);
        }
        Run(1);
    }
    Vector3 World(int node) const {
        Vector3 at;
        demo_->Node(node)->GetWorldPosition(at);
        return at;
    }
    bool StatsSay(const std::string& line) const {
        return demo_->StatsText().find(line) != std::string::npos;
    }

    test::ScratchFolder folder_;
    TestHost host_;
    std::unique_ptr<RenderWindow> window_;
    std::unique_ptr<Demo> demo_;
};

constexpr float kPi = 3.14159265f;

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
    Press({Key::F12});
    EXPECT_TRUE(std::filesystem::exists("Texture/Shot/Vimsa000.TGA") ||
                std::filesystem::exists("texture/Shot/Vimsa000.TGA"));
}

// Every choice of the dialog starts; the window follows the resolution,
// and only Direct3D goes full screen.
TEST_F(DemoTest, StartsWithEveryRendererCharacterAndDetail) {
    struct Case {
        int renderer;
        const char* character;
        int objects;
        const char* resolution;
        int fullScreen;
        int width, height;
        bool goesFullScreen;
    } cases[] = {
        {1, "Kelmardo", 0, "640*480", 0, 640, 480, false},
        {1, "Vona", 1, "800*600", 1, 800, 600, false},  // OpenGL stays in a window
        {0, "Kelmardo", 1, "1024*768", 0, 1024, 768, false},
        {0, "Vona", 0, "1280*1024", 1, 640, 480, true},  // unlisted: 640 x 480
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.character) + " on renderer " + std::to_string(c.renderer));
        host_ = TestHost{};
        host_.setup.renderer = c.renderer;
        host_.setup.character = c.character;
        host_.setup.objects = c.objects;
        host_.setup.resolution = c.resolution;
        host_.setup.fullScreen = c.fullScreen;
        ASSERT_EQ(Start(), RESULT_OK) << (host_.messages.empty() ? "" : host_.messages[0]);
        EXPECT_EQ(demo_->Width(), static_cast<uint32_t>(c.width));
        EXPECT_EQ(demo_->Height(), static_cast<uint32_t>(c.height));
        EXPECT_EQ(host_.fullScreen, c.goesFullScreen);
        if (!c.goesFullScreen) {
            EXPECT_EQ(host_.windowWidth, c.width + 12);
        }
        Run(3, {Key::Up});
        EXPECT_GT(demo_->CharacterPosition().z, -3.0f);
        EXPECT_TRUE(host_.messages.empty());
    }
}

// Each failing step of the start-up shows its message, returns its code and
// leaves nothing loaded.
TEST_F(DemoTest, StartUpFailuresSayWhatFailedAndReleaseEverything) {
    struct Case {
        const char* removed;
        int renderer;  // 3: OpenGL on a window that offers only Direct3D's binding
        bool dialogStarts;
        Result code;          // ERR_FAIL: whatever the failing reader returned
        const char* message;  // empty: no message box
    } cases[] = {
        {"texture/fnt8.tga", 1, true, ERR_DEMO_FONT, "FATAL ERROR: font fnt8.tga not found"},
        {"texture/white.bmp", 0, true, ERR_FAIL, "FATAL ERROR: texture white.bmp not found"},
        {"mesh/KelmaRun.f3ds", 1, true, ERR_FAIL, "FATAL ERROR: error loading character"},
        {"", 2, true, ERR_DEMO_RENDERER, "FATAL ERROR: unknown renderer"},
        {"", 3, true, ERR_DEMO_RENDERER, "FATAL ERROR: error creating renderer"},
        {"", 1, false, ERR_DEMO_RENDERER, ""},  // "Quit" in the dialog
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        test::WriteDemoData();
        if (*c.removed) std::filesystem::remove(c.removed);
        host_ = TestHost{};
        host_.setup.renderer = c.renderer;
        host_.start = c.dialogStarts;
        const Result r = c.renderer == 3 ? StartOnWrongWindow() : Start();
        if (c.code == ERR_FAIL)
            EXPECT_TRUE(Failed(r));
        else
            EXPECT_EQ(r, c.code);
        const std::vector<std::string> shown =
            *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{};
        EXPECT_EQ(host_.messages, shown);
        EXPECT_FALSE(demo_->Ready());
        EXPECT_EQ(demo_->GetRenderer(), nullptr);
        EXPECT_EQ(demo_->Node(Demo::kCharacterNode), nullptr);
        EXPECT_EQ(demo_->Frame(), 0);
    }
}

// The level keeps its tables' counts and the roles other code relies on.
// The test data has no scene textures: their slots stay empty and the level
// still starts.
TEST_F(DemoTest, TheLevelKeepsItsTablesAndSlotRoles) {
    ASSERT_EQ(Start(), RESULT_OK);
    const Demo::Counts& counts = demo_->TableCounts();
    EXPECT_EQ(counts.meshes, 71u);
    EXPECT_EQ(counts.nodes, 61u);
    EXPECT_EQ(counts.portals, 28u);
    EXPECT_EQ(counts.lights, 8u);
    EXPECT_EQ(counts.textures, 8u);
    for (int i = 0; i < 71; ++i)
        EXPECT_NE(demo_->Mesh(i), nullptr) << "mesh " << i;
    for (int i = 0; i < 61; ++i)
        EXPECT_NE(demo_->Node(i), nullptr) << "node " << i;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(demo_->SceneTexture(i), nullptr) << "texture " << i;

    struct LightRow {
        ObjectType type;
        Vector4 colour;
        float intensity;
    } lights[] = {
        {ObjectType::AmbientLight, {1, 1, 1, 1}, 0.5f},
        {ObjectType::PointLight, {1, 0.2f, 0.2f, 1}, 1},
        {ObjectType::PointLight, {0.2f, 1, 0.2f, 1}, 1},
        {ObjectType::PointLight, {0.2f, 0.2f, 1, 1}, 1},
        {ObjectType::PointLight, {1, 1, 0.2f, 1}, 1},
        {ObjectType::PointLight, {1, 1, 1, 1}, 0.1f},
        {ObjectType::PointLight, {1, 0.5f, 0.5f, 1}, 1},
        {ObjectType::AmbientLight, {1, 1, 1, 1}, 0.5f},
    };
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE("light " + std::to_string(i));
        const Light* light = demo_->GetLight(i);
        ASSERT_NE(light, nullptr);
        EXPECT_EQ(light->GetType(), lights[i].type);
        EXPECT_EQ(light->colour, lights[i].colour);
        EXPECT_FLOAT_EQ(light->intensity, lights[i].intensity);
        if (const auto* point = dynamic_cast<const PointLight*>(light)) {
            EXPECT_FLOAT_EQ(point->range, 10);
        }
    }

    // The fountain's two particle systems hang on node 21.
    const ObjectType kinds[] = {ObjectType::OrbitParticleSyst, ObjectType::ParticleSyst};
    for (int slot : {0, 1}) {
        const ParticleSyst* system = demo_->Particles(slot);
        ASSERT_NE(system, nullptr);
        EXPECT_EQ(system->GetType(), kinds[slot]);
        EXPECT_EQ(system->Count(), 500);
        EXPECT_EQ(system->parent, demo_->Node(21));
    }

    const GraphPortal* mirror = demo_->Portal(0);
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->portalKind, GraphPortal::kMirror);
    EXPECT_TRUE(mirror->hasMirrorMatrix);
    const float flipZ[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(mirror->mirrorMatrix.m[i], flipZ[i]) << i;
    for (int i = 2; i < 28; i += 2) {
        SCOPED_TRACE("doorway " + std::to_string(i));
        GraphPortal* a = demo_->Portal(i);
        GraphPortal* b = demo_->Portal(i + 1);
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->Twin(), b);
        EXPECT_EQ(b->Twin(), a);
        EXPECT_NE(a->parent, b->parent);
        for (const GraphPortal* p : {a, b}) {
            const auto* box = dynamic_cast<const BoundingBox*>(p->bounds.get());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->minimum, (Vector3{-1, -3, 0}));
            EXPECT_EQ(box->maximum, (Vector3{1, 0, 0}));
        }
    }
    // Drawing starts at a camera node's room: the fixed cameras stand in theirs.
    EXPECT_EQ(demo_->Node(37)->parent, demo_->Node(Demo::kFixedCameraRoom1));
    EXPECT_EQ(demo_->Node(38)->parent, demo_->Node(Demo::kFixedCameraRoom2));
    EXPECT_EQ(demo_->Node(Demo::kCharacterModelNode)->parent, demo_->Node(Demo::kCharacterNode));
}

// "Vona" picks the second character, spelt exactly; anything else the first.
TEST_F(DemoTest, OnlyVonaSpeltExactlyPicksTheSecondCharacter) {
    std::filesystem::remove("mesh/KelmaRun.f3ds");
    host_.setup.character = "Vona";
    EXPECT_EQ(Start(), RESULT_OK);
    host_.setup.character = "vona";
    EXPECT_TRUE(Failed(Start()));
}

// Keys that step a setting every frame they are held, up to its limit.
TEST_F(DemoTest, HeldKeysStepTheCameraAndTheRunCycleWithinTheirLimits) {
    struct Case {
        Key key;
        int frames;
        float (*read)(const Demo&);
        float expected;
    } cases[] = {
        {Key::PageUp, 30, [](const Demo& d) { return d.CameraPitch(); }, 0.7853982f},
        {Key::PageDown, 40, [](const Demo& d) { return d.CameraPitch(); }, -0.7853982f},
        {Key::Numpad2, 100, [](const Demo& d) { return d.CameraDistance(); }, 20.0f},
        {Key::Numpad8, 100, [](const Demo& d) { return d.CameraDistance(); }, 1.5f},
        {Key::F5, 1, [](const Demo& d) { return float(d.AnimationPeriod()); }, 875},
        {Key::F5, 2, [](const Demo& d) { return float(d.AnimationPeriod()); }, 1093},
        {Key::F5, 3, [](const Demo& d) { return float(d.AnimationPeriod()); }, 1366},
        {Key::F5, 40, [](const Demo& d) { return float(d.AnimationPeriod()); }, 10000},
        {Key::F6, 40, [](const Demo& d) { return float(d.AnimationPeriod()); }, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(input::KeyName(c.key)) + " held " + std::to_string(c.frames));
        ASSERT_EQ(Start(), RESULT_OK);
        Run(c.frames, {c.key});
        EXPECT_NEAR(c.read(*demo_), c.expected, 1e-5f);
    }
}

TEST_F(DemoTest, WalkingIntoAWallTakesTheFrameBack) {
    ASSERT_EQ(Start(), RESULT_OK);
    Press({Key::S});
    // Facing the hall's south wall beside door 2.
    ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {3.5f, -1, -4}, kPi));
    Run(2);
    input::Keyboard().KeyDown(Key::Up);
    int frames = 0;
    Vector3 before = demo_->CharacterPosition();
    for (; frames < 40 && !demo_->LastStatus().blocked; ++frames) {
        before = demo_->CharacterPosition();
        Run(1);
    }
    ASSERT_TRUE(demo_->LastStatus().blocked) << "never reached the wall";
    EXPECT_GT(frames, 5);
    const Vector3 stopped = demo_->CharacterPosition();
    EXPECT_FLOAT_EQ(stopped.z, before.z);
    EXPECT_FLOAT_EQ(stopped.x, before.x);
    EXPECT_GT(stopped.z, -6.0f);
    EXPECT_NEAR(demo_->Heading(), kPi, 1e-5f);
    Run(1);  // the statistics show the frame before theirs
    input::Keyboard().KeyUp(Key::Up);
    EXPECT_TRUE(StatsSay("CHR COLLISION  : TRUE\n")) << demo_->StatsText();
    EXPECT_FLOAT_EQ(demo_->CharacterPosition().z, stopped.z);
}

TEST_F(DemoTest, WithCollideOffWallsStopNothingAndTheStatisticsSayDisabled) {
    ASSERT_EQ(Start(), RESULT_OK);
    Press({Key::S, Key::C});
    ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {3.5f, -1, -4}, kPi));
    Run(30, {Key::Up});
    EXPECT_LT(demo_->CharacterPosition().z, -6.5f);  // through the wall
    Run(1);
    EXPECT_TRUE(StatsSay("CHR COLLISION  : DISABLED\n")) << demo_->StatsText();
    EXPECT_TRUE(StatsSay("CAM COLLISION  : DISABLED\n")) << demo_->StatsText();
    EXPECT_TRUE(StatsSay("CHR PORTAL COLL: FALSE\n")) << demo_->StatsText();
    EXPECT_TRUE(StatsSay("CAM PORTAL COLL: ")) << demo_->StatsText();
}

TEST_F(DemoTest, WalkingOffAnEdgeFallsAFifthAFrameWithoutSteering) {
    ASSERT_EQ(Start(), RESULT_OK);
    // One unit above the hall's floor.
    ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {2, -2, 2}, 0));
    for (int frame = 1; frame <= 4; ++frame) {
        Run(1, {Key::Up, Key::Left});
        const Vector3 at = demo_->CharacterPosition();
        EXPECT_NEAR(at.y, -2 + 0.2f * frame, 1e-4f) << "frame " << frame;
        EXPECT_FLOAT_EQ(at.x, 2);
        EXPECT_FLOAT_EQ(at.z, 2);
        EXPECT_FLOAT_EQ(demo_->Heading(), 0);
    }
    Run(5);
    EXPECT_NEAR(demo_->CharacterPosition().y, -1.0f, 0.21f);  // landed
    const float landed = demo_->CharacterPosition().y;
    Run(5);
    EXPECT_FLOAT_EQ(demo_->CharacterPosition().y, landed);
    Run(5, {Key::Up});
    EXPECT_GT(demo_->CharacterPosition().z, 2.5f);  // steers again on the floor
}

TEST_F(DemoTest, TheLowStepIsClimbedAndTheHighOneBlocks) {
    struct Case {
        float x;  // beside the step, walking west towards it
        float top;
        bool climbs;
    } cases[] = {{5.6f, -0.2f, true}, {-0.9f, -0.6f, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.top);
        ASSERT_EQ(Start(), RESULT_OK);
        ASSERT_TRUE(demo_->PutCharacter(18, {c.x, -1, -13.75f}, -kPi / 2));
        Run(2);
        Run(10, {Key::Up});
        const Vector3 at = World(Demo::kCharacterNode);
        if (c.climbs) {
            EXPECT_LT(at.x, 4.5f);
            EXPECT_NEAR(at.y, -1 + c.top, 0.21f);
        } else {
            EXPECT_GT(at.x, -1.5f);
            EXPECT_NEAR(at.y, -1, 0.21f);
            EXPECT_TRUE(demo_->LastStatus().blocked);
        }
    }
}

TEST_F(DemoTest, OnTheTerrainTheCharacterFollowsTheGroundWhateverTheCollideToggle) {
    for (bool collide : {true, false}) {
        SCOPED_TRACE(collide ? "collide on" : "collide off");
        ASSERT_EQ(Start(), RESULT_OK);
        if (!collide) Press({Key::C});
        ASSERT_TRUE(demo_->PutCharacter(Demo::kTerrainRoom, {34, -5, 14}, 0));
        for (int step = 0; step < 3; ++step) {
            Run(4, {Key::Up});
            Vector3 at = World(Demo::kCharacterNode);
            const float y = at.y;
            float ground = 0;
            ASSERT_TRUE(demo_->GetTerrain()->HeightAt(at, ground));
            EXPECT_NEAR(y, ground - 1.0f, 1e-3f);
            EXPECT_LT(ground, -0.1f);  // on a hill, not the flat clearing
        }
        EXPECT_EQ(demo_->CharacterRoom(), Demo::kTerrainRoom);
    }
}

// Near a sliding door it opens at 0.4 a second up to 0.9 and its portals
// come on; away from it, it closes and they go off.
TEST_F(DemoTest, DoorsOpenNearThemAndCloseBehind) {
    struct Case {
        int door;
        Vector3 near;
        int portals[2];
    } cases[] = {{1, {4.5f, -1, 0}, {4, 5}}, {2, {0, -1, -4.5f}, {2, 3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.door);
        ASSERT_EQ(Start(), RESULT_OK);
        Run(2);
        EXPECT_EQ(demo_->Door(c.door), 0);
        EXPECT_FALSE(demo_->Portal(c.portals[0])->active != 0);
        ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, c.near, 0));
        Run(10);
        EXPECT_NEAR(demo_->Door(c.door), 0.4f * 0.4f, 0.02f);  // 0.4 s at 0.4 a second
        EXPECT_EQ(demo_->Door(3 - c.door), 0);
        for (int p : c.portals)
            EXPECT_TRUE(demo_->Portal(p)->active != 0) << "portal " << p;
        Run(50);
        EXPECT_GE(demo_->Door(c.door), 0.9f);
        EXPECT_LT(demo_->Door(c.door), 0.92f);
        ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {0, -1, 0}, 0));
        Run(60);
        EXPECT_EQ(demo_->Door(c.door), 0);
        for (int p : c.portals)
            EXPECT_FALSE(demo_->Portal(p)->active != 0) << "portal " << p;
    }
}

// Swung round towards a wall, the orbit camera slides along it and stays in
// the room.
TEST_F(DemoTest, TheCameraSlidesAlongAWallInsteadOfPassingIt) {
    ASSERT_EQ(Start(), RESULT_OK);
    // Walking east along the south wall; the camera follows behind.
    ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {-2, -1, -5}, kPi / 2));
    Run(5);
    const Vector3 behind = World(Demo::kOrbitCameraNode);
    EXPECT_LT(behind.x, -3.0f);
    // Yaw turned until the wanted place is beyond the wall.
    Run(18, {Key::Numpad6});
    Run(40);
    const Vector3 slid = World(Demo::kOrbitCameraNode);
    EXPECT_GT(slid.z, -6.0f);
    EXPECT_GT(slid.x, behind.x + 0.5f);
    EXPECT_EQ(demo_->Node(Demo::kOrbitCameraNode)->parent->nodeNumber, Demo::kDoorRoom);
}

// In rooms 6 and 5 a fixed camera watches the character; look mode turns
// the view but not the character.
TEST_F(DemoTest, FixedCamerasAimAtTheCharacterAndLookModeTurnsOnlyTheView) {
    struct Case {
        int room;
        Vector3 at;
        int cameraNode;
    } cases[] = {{Demo::kFixedCameraRoom1, {11, -1, 9}, 37},
                 {Demo::kFixedCameraRoom2, {0, -1, -20}, 38}};
    ASSERT_EQ(Start(), RESULT_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.room);
        ASSERT_TRUE(demo_->PutCharacter(c.room, c.at, 0));
        Run(2);
        EXPECT_EQ(demo_->CharacterRoom(), c.room);
        Vector3 forward, up;
        ASSERT_TRUE(demo_->Node(c.cameraNode)->GetOrientation(forward, up, RelativeTo::World()));
        Vector3 toCharacter = World(Demo::kCharacterNode) - World(c.cameraNode);
        ASSERT_TRUE(Normalize(toCharacter));
        EXPECT_GT(Dot(forward, toCharacter), 0.999f);
    }
    ASSERT_TRUE(demo_->PutCharacter(Demo::kDoorRoom, {0, -1, 0}, 0));
    Run(40);
    Vector3 before, after, up;
    demo_->Node(Demo::kOrbitCameraNode)->GetOrientation(before, up, RelativeTo::World());
    Run(10, {Key::Numpad0, Key::Left});
    demo_->Node(Demo::kOrbitCameraNode)->GetOrientation(after, up, RelativeTo::World());
    EXPECT_FLOAT_EQ(demo_->Heading(), 0);
    EXPECT_LT(Dot(before, after), 0.95f);
}

TEST_F(DemoTest, PauseTwiceLeavesTheParticlesWhereTheyWere) {
    ASSERT_EQ(Start(), RESULT_OK);
    Run(11);
    const Vector3 unpaused = demo_->Particles(0)->EmitterOffset();
    ASSERT_EQ(Start(), RESULT_OK);
    Run(10);
    Press({Key::Pause});
    const std::vector<Particle> held = demo_->Particles(1)->Particles();
    const Vector3 emitter = demo_->Particles(0)->EmitterOffset();
    Run(25);
    EXPECT_TRUE(demo_->Paused());
    EXPECT_EQ(demo_->Particles(0)->EmitterOffset(), emitter);
    ASSERT_EQ(demo_->Particles(1)->Particles().size(), held.size());
    for (size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(demo_->Particles(1)->Particles()[i].position, held[i].position) << i;
    // Going on, they are one frame further than where they stopped.
    Press({Key::Pause});
    const Vector3 resumed = demo_->Particles(0)->EmitterOffset();
    EXPECT_NEAR(resumed.x, unpaused.x, 1e-4f);
    EXPECT_NEAR(resumed.y, unpaused.y, 1e-4f);
    EXPECT_NEAR(resumed.z, unpaused.z, 1e-4f);
}

TEST_F(DemoTest, HelpAndStatisticsTextsReadTheToggles) {
    ASSERT_EQ(Start(), RESULT_OK);
    Press({Key::F1, Key::S});
    Run(1);
    EXPECT_EQ(demo_->HelpText(),
              "ESC=EXIT\nF1 =HELP\nF12=SCREENSHOT\nPAUSE=PAUSE (OFF)\n\nB=BBOXES  (OFF)\n"
              "C=COLLIDE (ON)\nD=DETAIL  (ON)\nF=FPS\nJ= SMOOTHED CAM\nK=CLEAR   (ON)\n"
              "M=MIRRORS (ON)\nP=PORTAL CULLING (ON)\nS=STATS\nW=WIREFRAME\n\n"
              "PG UP/PG DOWN=CAM PITCH\nNUMPAD2/8=ZOOM OUT/IN\nNUMPAD4/6=ROTATE CAM\n\n"
              "ARROW KEYS=MOVE\nNUMPAD0+ARROW=LOOK\nF5/F6=ANIM SPEED");
    const std::string& stats = demo_->StatsText();
    EXPECT_EQ(stats.rfind("FACES: ", 0), 0u) << stats;
    for (const char* line :
         // Standing counts as a collision: the gravity probe meets the floor.
         {"\nPTS  : ", "\nTEX:   ", "\nRAM:   ", "\nVIDEO: ", "\n\nCHR COLLISION  : TRUE\n",
          "CHR PORTAL COLL: FALSE\nCHR NODE: 11\nCAM COLLISION  : ", "\nCAM NODE: 11\n",
          "CHR COORDS: 0.0 -1.0 -3.0"})
        EXPECT_NE(stats.find(line), std::string::npos) << line << " in\n" << stats;
    Press({Key::B, Key::C, Key::J, Key::E, Key::Pause});
    Run(1);
    const std::string& help = demo_->HelpText();
    for (const char* piece : {"PAUSE=PAUSE (ON)", "B=BBOXES  (ON)", "C=COLLIDE (OFF)",
                              "J= JERKY CAM", "\nE=EDITOR MODE\nS=STATS"})
        EXPECT_NE(help.find(piece), std::string::npos) << piece << " in\n" << help;
}

}  // namespace
}  // namespace vimsa
