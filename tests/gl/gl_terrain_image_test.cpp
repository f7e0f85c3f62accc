// A terrain built from a description and its pictures, drawn through the
// OpenGL back-end: its shape comes from the height picture, its colours from
// the colour picture on stage 0 and the detail picture on stage 1.
#include <gtest/gtest.h>

#include "render/render_state.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "scene/light.h"
#include "tests/gl/gl_fixture.h"
#include "tests/world/terrain_files.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

using test::NearColour;
using test::Rgb;

constexpr uint32_t kWidth = 96, kHeight = 72;

class GLTerrainImageTest : public test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        renderer_ = MakeRenderer(kWidth, kHeight);
        ASSERT_TRUE(renderer_);
        white_ = SolidTexture(*renderer_, {255, 255, 255, 255});
        renderer_->SetDefaultTexture(white_.Get());
        SetCurrentRenderer(renderer_.Get());
        LightRegistry::DestroyAllLights();
    }
    void TearDown() override {
        SetCurrentRenderer(nullptr);
        SetCurrentCamera(nullptr);
        GLFixture::TearDown();
    }
    void DrawFrame(GraphNode& world, Camera& camera) {
        ASSERT_TRUE(renderer_->BeginFrame());
        renderer_->Clear(kClearAll);
        renderer_->Begin3D(&camera);
        camera.ClearDrawn();
        world.RenderAll(&camera, ++stamp_);
        renderer_->EndFrame();
        ReadBack();
    }

    test::ScratchFolder folder_;
    Handle<Texture> white_;
    int32_t stamp_ = 0;
};

TEST_F(GLTerrainImageTest, RaisedHalfStandsWhereTheHeightPictureSaysInItsOwnColour) {
    // 40 x 40 ground in 2 x 2 blocks. The height picture lifts the -x half
    // by 25 towards the eye; the colour picture paints that half red and the
    // other blue; the detail picture halves blue wherever it lies.
    const auto half = [](Rgb left, Rgb right) {
        return [left, right](uint32_t x, uint32_t) { return x < 8 ? left : right; };
    };
    test::WriteTga24("height.tga", 16, 16, half({255, 255, 255}, {0, 0, 0}));
    test::WriteTga24("colour.tga", 16, 16, half({255, 0, 0}, {0, 0, 255}));
    test::WriteTga24("detail.tga", 2, 2, [](uint32_t, uint32_t) { return Rgb{255, 255, 128}; });
    test::WriteText("terrain.txt",
                    test::CrLfLines({"[TERRAIN]", "BLOCS = 2*2", "SIZE = 40*40", "[BLOC]",
                                     "BLOCX = 0..1", "BLOCY = 0..1", "RESOL = 16",
                                     "TEXALTI = height.tga", "TEXCOLOR = colour.tga",
                                     "DETAIL = detail.tga", "TILE = 4*4", "HEIGHT = 25"}));
    Handle<Terrain> terrain = MakeHandle<Terrain>();
    ASSERT_EQ(terrain->Load("terrain.txt"), RESULT_OK);
    ASSERT_EQ(terrain->PrepareStrips(), RESULT_OK);

    Handle<GraphNode> world = MakeHandle<GraphNode>(), eye = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    Handle<Light> ambient = MakeHandle<AmbientLight>();
    world->AddObject(terrain.Get());
    world->AddObject(ambient.Get());
    ambient->IncludeNode(world.Get());
    world->AddChild(eye.Get());
    eye->AddObject(camera.Get());
    camera->SetNearPlane(1.0f);
    // Straight down from 50 above the ground (the engine's y points down),
    // world -x on the picture's left. On a 96-pixel-wide picture with a
    // 90 degree view, x at distance d lands on column 48 + 48 x / d: the
    // raised half, 25 away, spans columns 10..46 and every row; the low
    // half, 50 away, columns 49..67 and rows 17..55.
    eye->SetPosition({0, -50, 0}, RelativeTo::World());
    eye->SetOrientation({0, 1, 0}, {0, 0, -1}, RelativeTo::World());
    ASSERT_TRUE(camera->ComputeMatrices());

    DrawFrame(*world, *camera);
    const test::Rgba red{255, 0, 0, 0}, darkBlue{0, 0, 128, 0}, background{191, 191, 191, 0};
    EXPECT_TRUE(NearColour(At(20, 36), red, 8));
    EXPECT_TRUE(NearColour(At(14, 4), red, 8));  // near enough to fill the picture's height
    EXPECT_TRUE(NearColour(At(60, 36), darkBlue, 8));
    EXPECT_TRUE(NearColour(At(60, 8), background, 3));  // the low half ends lower down
    EXPECT_TRUE(NearColour(At(5, 36), background, 3));
    EXPECT_TRUE(NearColour(At(75, 36), background, 3));

    terrain->SetDetail(false);
    DrawFrame(*world, *camera);
    EXPECT_TRUE(NearColour(At(60, 36), {0, 0, 255, 0}, 8));
    EXPECT_TRUE(NearColour(At(20, 36), red, 8));
}

}  // namespace
}  // namespace vimsa
