// Whole scenes drawn through the OpenGL back-end: a lit textured room, the
// view into a neighbouring room through a doorway, and a mirror.
#include <gtest/gtest.h>

#include <vector>

#include "render/render_state.h"
#include "scene/light.h"
#include "scene/portal_render.h"
#include "tests/gl/gl_fixture.h"
#include "tests/support/test_scenes.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

using test::MeshBuilder;
using test::NearColour;
using test::Rgba;
using test::WallWithHole;

constexpr uint32_t kWidth = 96, kHeight = 72;
const Vector4 kGrey = test::kSceneGrey, kYellow = test::kSceneYellow, kWhite = test::kSceneWhite;

class GLSceneImageTest : public test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        renderer_ = MakeRenderer(kWidth, kHeight);
        ASSERT_TRUE(renderer_);
        white_ = SolidTexture(*renderer_, {255, 255, 255, 255});
        renderer_->SetDefaultTexture(white_.Get());
        SetCurrentRenderer(renderer_.Get());
        stage_ = std::make_unique<test::SceneStage>();
    }
    void TearDown() override {
        stage_.reset();
        GLFixture::TearDown();
    }

    Handle<GraphNode> Room() { return stage_->Room(); }
    void Brighten(GraphNode& room, float level = 1.0f) { stage_->Brighten(room, level); }
    void Look(GraphNode& room, Vector3 from, Vector3 direction) {
        stage_->Look(room, from, direction);
    }
    Handle<GraphPortal> Portal(GraphNode& room, float z, Vector3 facing, Vector3 lo, Vector3 hi) {
        return stage_->Portal(room, z, facing, lo, hi);
    }
    // One frame as the demo draws it, read back.
    void DrawFrame(bool throughPortals, bool solid = true) {
        stage_->DrawFrame(*renderer_, throughPortals, solid);
        ReadBack();
    }
    int Brightness(int x, int y) const {
        const Rgba c = At(x, y);
        return c[0] + c[1] + c[2];
    }

    Handle<Texture> white_;
    std::unique_ptr<test::SceneStage> stage_;
};

TEST_F(GLSceneImageTest, LitTexturedRoom) {
    test::BuildLitRoom(*stage_, *renderer_);
    DrawFrame(false);
    // The right wall, close to the light, is brighter than the left one; the
    // floor under the lamp brighter than far away in the corner.
    EXPECT_GT(Brightness(86, 36), Brightness(10, 36) + 150);
    EXPECT_GT(Brightness(80, 66), Brightness(10, 66));
    // The back wall fills the middle of the picture.
    EXPECT_FALSE(NearColour(At(48, 36), {191, 191, 191, 0}, 3));
    ExpectMatchesReference("lit_room", 12, static_cast<int>(kWidth * kHeight / 50));
}

TEST_F(GLSceneImageTest, ViewThroughADoorwayIsClippedToTheOpening) {
    test::BuildPortalView(*stage_);
    DrawFrame(true);
    // Through the doorway: the blue crate in the middle, the red back wall
    // beside it; around the doorway room A's grey wall.
    EXPECT_TRUE(NearColour(At(48, 36), {0, 0, 255, 0}, 8));
    EXPECT_TRUE(NearColour(At(48 + 8, 36), {255, 0, 0, 0}, 8));
    EXPECT_TRUE(NearColour(At(48, 36 - 20), {128, 128, 128, 0}, 8));
    // The yellow crate lies outside the doorway's planes: not drawn, the
    // background shows where it would be, beside room A's wall.
    const int yellowX = 81;
    EXPECT_TRUE(NearColour(At(yellowX, 36), {191, 191, 191, 0}, 3));
    ExpectMatchesReference("portal_view", 12, static_cast<int>(kWidth * kHeight / 50));

    // Without portal clipping the crate is drawn (only the frustum culls).
    SetPortalClipping(false);
    DrawFrame(true);
    EXPECT_TRUE(NearColour(At(yellowX, 36), {255, 255, 0, 0}, 8));
}

TEST_F(GLSceneImageTest, MirrorShowsItsRoomReflected) {
    // The red crate stands behind the camera; the green one, beside the
    // line of sight, is too close to be seen directly.
    Handle<GraphPortal> mirror = test::BuildMirrorRoom(*stage_);
    DrawFrame(true);
    // The red crate behind the camera appears in the middle of the mirror.
    EXPECT_TRUE(NearColour(At(48, 36), {255, 0, 0, 0}, 8));
    // The wall around the mirror is grey. The green crate, too close to be
    // seen directly (the near plane lies 10 ahead), shows in the mirror at
    // its reflected distance of 20.5.
    EXPECT_TRUE(NearColour(At(48, 36 - 25), {128, 128, 128, 0}, 8));
    EXPECT_TRUE(NearColour(At(58, 35), {0, 255, 0, 0}, 8));
    ExpectMatchesReference("mirror_view", 12, static_cast<int>(kWidth * kHeight / 50));

    // Mirrors switched off: the opening shows the background instead.
    mirror->SetActive(false);
    DrawFrame(true);
    EXPECT_TRUE(NearColour(At(48, 36), {191, 191, 191, 0}, 3));
}

TEST_F(GLSceneImageTest, SpotLightsWhatItPointsAtAndPointLightFadesWithDistance) {
    // A spot points at x = -3 and a point light hangs at x = 4 (pixel 58).
    const test::LitWall lit = test::BuildSpotAndPointLitWall(*stage_);
    const int target = 40, beside = 56, above = 24;

    lit.point->enabled = 0;
    DrawFrame(false);
    EXPECT_GT(Brightness(target, 36), 3 * 200);  // in the cone: near full light
    EXPECT_LT(Brightness(beside, 36), 3 * 40);   // outside: the ambient light only
    EXPECT_LT(Brightness(target, above), 3 * 40);

    lit.point->enabled = 1;
    lit.spot->enabled = 0;
    DrawFrame(false);
    const int near = Brightness(58, 36), middle = Brightness(53, 36), far = Brightness(target, 36);
    EXPECT_GT(near, middle + 30);
    EXPECT_GT(middle, far + 30);
}

TEST_F(GLSceneImageTest, WireFrameStaysOnAfterAShownBoundingBox) {
    // The room's box is drawn between its own objects and its children's:
    // the wall behind it must still come out as an outline.
    Handle<GraphNode> room = Room();
    Brighten(*room);
    MeshBuilder wall, crate;
    WallWithHole(wall, 15, 14, 10, 0, 0, kGrey);
    crate.Box({-1, -1, 11}, {1, 1, 12}, kYellow);
    Handle<MeshBase> wallMesh = wall.Build(), boxMesh = crate.Build();
    room->bounds->debugMesh = boxMesh;
    room->bounds->drawEnabled = 1;
    Handle<GraphNode> wallNode = MakeHandle<GraphNode>();
    room->AddChild(wallNode.Get());
    wallNode->AddObject(wallMesh.Get());
    Look(*room, {0, 0, 0}, {0, 0, 1});

    DrawFrame(false, false);
    EXPECT_FALSE(renderer_->IsSolid());
    // Away from the wall's edges and the box, the background shows.
    EXPECT_TRUE(NearColour(At(20, 20), {191, 191, 191, 0}, 3));
    DrawFrame(false, true);
    EXPECT_TRUE(NearColour(At(20, 20), {128, 128, 128, 0}, 8));
}

TEST_F(GLSceneImageTest, FountainAndShownBoxSeenOnlyInAMirror) {
    // Behind the camera stand a fountain and the room's own bounding box,
    // shown: both reach the picture only through the mirror ahead. The
    // fountain keeps the camera it was drawn with, and the room's box is
    // drawn right after the mirror pass; neither may meet the reflected eye
    // once that pass is over (the sanitizer build checks).
    Handle<GraphNode> room = Room();
    Brighten(*room);
    MeshBuilder wall, crate;
    WallWithHole(wall, 15, 14, 10, 6, 4.5f, kGrey);
    crate.Box({1, -2, -6}, {5, 2, -4}, kYellow);
    Handle<MeshBase> wallMesh = wall.Build(), boxMesh = crate.Build();
    Handle<GraphNode> wallNode = MakeHandle<GraphNode>();
    room->AddChild(wallNode.Get());
    wallNode->AddObject(wallMesh.Get());
    Handle<GraphPortal> mirror = Portal(*room, 15, {0, 0, -1}, {-6, -4.5f, 0}, {6, 4.5f, 0});
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
    room->bounds->debugMesh = boxMesh;
    room->bounds->drawEnabled = 1;
    room->bounds->drawWireframe = 0;

    Handle<GraphNode> fountainNode = MakeHandle<GraphNode>();
    room->AddChild(fountainNode.Get());
    fountainNode->SetPosition({-2, 0, -5}, RelativeTo::World());
    Handle<ParticleSyst> fountain = MakeHandle<ParticleSyst>();
    ASSERT_EQ(fountain->SetCount(16), RESULT_OK);
    fountainNode->AddObject(fountain.Get());
    Look(*room, {0, 0, 0}, {0, 0, 1});

    for (uint32_t frame = 0; frame < 3; ++frame) {
        fountain->Update(frame * 40);
        DrawFrame(true);
    }
    // The box shows in the mirror, right of centre, as the green crate did.
    EXPECT_TRUE(NearColour(At(52, 36), {255, 255, 0, 0}, 8));
}

}  // namespace
}  // namespace vimsa
