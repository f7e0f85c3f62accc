// The operations that read the scene: Begin3D from a camera, SetLights from
// the light registry and SetNodeLights from a node's light sets.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "scene/camera.h"
#include "scene/graph_node.h"
#include "scene/light.h"
#include "tests/gl/gl_fixture.h"

namespace vimsa {
namespace {

using test::NearColour;
using test::Rgba;

// A 10 x 10 white square at depth 10 in front of a camera at the origin that
// looks along +z, its front side towards the camera.
struct WhiteSquare {
    MeshVertex vertices[4];
    uint16_t indices[6] = {0, 2, 1, 0, 3, 2};
    WhiteSquare() {
        const float corners[4][2] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
        for (int i = 0; i < 4; ++i) {
            vertices[i].position = {corners[i][0], corners[i][1], 10};
            vertices[i].normal = {0, 0, -1};
        }
    }
};

class GLSceneTest : public test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        cameraNode_->SetOrientation({0, 0, 1}, {0, 1, 0});
        cameraNode_->AddObject(camera_.Get());
        ASSERT_TRUE(camera_->ComputeMatrices());
        lightNode_->SetOrientation({0, 0, 1}, {0, 1, 0});  // lights shine along +z
    }

    // Draws the square from the camera with the given light set-up; returns
    // the colour in the middle of the picture.
    Rgba DrawSquare(const std::function<void()>& loadLights) {
        EXPECT_TRUE(renderer_->BeginFrame());
        renderer_->Clear(kClearAll);
        EXPECT_TRUE(renderer_->Begin3D(camera_.Get()));
        loadLights();
        const Matrix4 world;
        renderer_->SetViewMatrix(&world, nullptr);
        EXPECT_EQ(renderer_->BindTexture(0, nullptr), RESULT_OK);
        renderer_->DrawIndexed(square_.vertices, 4, square_.indices, 2);
        renderer_->EndFrame();
        ReadBack();
        return At(32, 32);
    }

    Handle<GraphNode> cameraNode_{new GraphNode};
    Handle<Camera> camera_{new Camera};
    Handle<GraphNode> lightNode_{new GraphNode};
    WhiteSquare square_;
};

TEST_F(GLSceneTest, Begin3DTakesTheCamerasProjectionAndView) {
    EXPECT_FALSE(renderer_->Begin3D(nullptr));
    camera_->SetNearPlane(1.0f);
    camera_->SetFarPlane(100.0f);
    ASSERT_TRUE(camera_->ComputeMatrices());
    const Rgba fromCamera = DrawSquare([] {});
    const std::vector<uint8_t> cameraPicture = pixels_;

    renderer_->BeginFrame();
    renderer_->Clear(kClearAll);
    renderer_->Begin3DView(1.5707964f, 1.0f, 100.0f, Matrix4::Identity());
    const Matrix4 world;
    renderer_->SetViewMatrix(&world, nullptr);
    renderer_->DrawIndexed(square_.vertices, 4, square_.indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_EQ(pixels_, cameraPicture);
    EXPECT_TRUE(renderer_->BeginFrame());
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));  // Begin3D switches lighting on
    renderer_->EndFrame();
    // The square covers the middle, the background the corner.
    EXPECT_FALSE(NearColour(fromCamera, {191, 191, 191, 0}));
    EXPECT_TRUE(NearColour(At(2, 2), {191, 191, 191, 0}));
}

TEST_F(GLSceneTest, SetLightsLoadsTheRegistry) {
    Handle<DirectionalLight> sun(new DirectionalLight);
    sun->colour = {1, 0.5f, 0.25f, 1};
    sun->intensity = 0.8f;
    lightNode_->AddObject(sun.Get());
    Handle<AmbientLight> sky(new AmbientLight);
    sky->colour = {0, 0, 0.2f, 1};
    lightNode_->AddObject(sky.Get());

    const Rgba lit = DrawSquare([&] { renderer_->SetLights(0, true); });
    EXPECT_TRUE(NearColour(lit, {204, 102, 102, 0}));  // 0.8 x colour, plus the ambient blue

    sun->enabled = 0;
    const Rgba off = DrawSquare([&] { renderer_->SetLights(0, true); });
    EXPECT_TRUE(NearColour(off, {0, 0, 51, 0}));

    const Rgba unlit = DrawSquare([&] { renderer_->SetLights(0, false); });
    EXPECT_TRUE(NearColour(unlit, {255, 255, 255, 0}));  // lighting off: the vertex colour
}

TEST_F(GLSceneTest, SetNodeLightsLoadsTheLightsOfOneNode) {
    Handle<GraphNode> room(new GraphNode);
    std::vector<Handle<PointLight>> lamps;
    for (int i = 0; i < 9; ++i) {
        Handle<PointLight> lamp(new PointLight);
        lamp->colour = {0.1f, 0.1f, 0.1f, 1};
        lamp->attenuation1 = 0.0f;
        lamp->attenuation0 = 1.0f;
        lightNode_->AddObject(lamp.Get());
        if (i < 8) lamp->IncludeNode(room.Get());
        lamps.push_back(lamp);
    }
    // Eight lamps at the camera light the square to 0.8 at its corners,
    // where the vertex lighting sees them at cos = 10 / sqrt(150).
    bool loaded = false;
    const Rgba lit = DrawSquare([&] { loaded = renderer_->SetNodeLights(room.Get()); });
    EXPECT_TRUE(loaded);
    EXPECT_EQ(renderer_->NodeLightCount(), 8);
    EXPECT_TRUE(NearColour(lit, {167, 167, 167, 0}));

    lamps[8]->IncludeNode(room.Get());
    DrawSquare([&] { loaded = renderer_->SetNodeLights(room.Get()); });
    EXPECT_FALSE(loaded);  // a ninth light that is switched on
    EXPECT_EQ(renderer_->NodeLightCount(), 8);
    EXPECT_FALSE(renderer_->SetNodeLights(nullptr));
}

}  // namespace
}  // namespace vimsa
