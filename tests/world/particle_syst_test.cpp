#include <gtest/gtest.h>

#include "tests/support/expect_near.h"

#include <cstdlib>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

using testing::ExpectNear;

TEST(ParticleSystTest, CountZeroFailsAndLeavesNothing) {
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    EXPECT_EQ(system->SetCount(0), ERR_NULL_ARGUMENT);
    EXPECT_TRUE(system->Particles().empty());
    EXPECT_EQ(system->QuadMesh(), nullptr);
    EXPECT_EQ(system->Render(), ERR_NO_RENDERER);
}

TEST(ParticleSystTest, CreateBuildsOneQuadPerParticle) {
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    ASSERT_EQ(system->SetCount(5), RESULT_OK);
    ParticleMesh* mesh = system->QuadMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetType(), ObjectType::ParticleQuadMesh);
    EXPECT_EQ(mesh->VertexCount(), 20);
    EXPECT_EQ(mesh->FaceCount(), 10);
    EXPECT_EQ(mesh->Vertices()[6].uv0.x, 1.0f);  // corner 2 of the second quad: (1, 1)
    EXPECT_EQ(mesh->Vertices()[7].uv0.y, 0.0f);
}

TEST(ParticleSystTest, RespawnDrawsTheGeneratorInOrder) {
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    std::srand(7);
    ASSERT_EQ(system->SetCount(1), RESULT_OK);
    // The same five draws of the generator, in the range 0..32767.
    std::srand(7);
    auto draw = [] { return static_cast<float>(std::rand() & 0x7FFF); };
    const float r1 = draw(), r2 = draw(), r3 = draw(), r4 = draw(), r5 = draw();
    const Particle& p = system->Particles()[0];
    EXPECT_FLOAT_EQ(p.velocity.z, (r1 / 32768 - 0.5f) * 0.001f);
    EXPECT_FLOAT_EQ(p.velocity.y, -0.004f - r2 * 1.2207032e-7f);
    EXPECT_FLOAT_EQ(p.velocity.x, (r3 / 32768 - 0.5f) * 0.001f);
    EXPECT_FLOAT_EQ(p.colour.y, r4 / 65536 + 0.5f);
    EXPECT_FLOAT_EQ(p.colour.x, r5 / 65536 + 0.5f);
    EXPECT_LT(p.velocity.y, -0.004f);
    EXPECT_GE(p.velocity.y, -0.008f);
}

TEST(ParticleSystTest, FirstUpdateReemitsAtTheEmitterThenParticlesFly) {
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    ASSERT_EQ(system->SetCount(3), RESULT_OK);
    system->SetStartTime(1000);
    for (const Particle& p : system->Particles())
        ExpectNear(p.position, {0, 0, 0});
    system->Update(1000);
    for (const Particle& p : system->Particles()) {
        ExpectNear(p.position, {0, -1.3f, 0});
        EXPECT_EQ(p.birthTime, 1000u);
    }
    const Particle before = system->Particles()[0];
    system->Update(1010);
    const Particle& after = system->Particles()[0];
    ExpectNear(after.position, before.position + before.velocity * 10);
    EXPECT_NEAR(after.velocity.y, before.velocity.y + 0.0001f, 1e-7f);
    system->ShiftTime(5000);  // ages are kept
    EXPECT_EQ(system->Particles()[0].birthTime, 1000u + 4000u);
}

TEST(OrbitParticleSystTest, EmitterCirclesEveryFiveSeconds) {
    Handle<OrbitParticleSyst> system = MakeHandle<OrbitParticleSyst>();
    ASSERT_EQ(system->SetCount(2), RESULT_OK);
    EXPECT_EQ(system->GetType(), ObjectType::OrbitParticleSyst);
    ExpectNear(system->EmitterOffset(), {3, -3, 0});
    system->SetStartTime(0);
    system->Update(2500);
    ExpectNear(system->EmitterOffset(), {-3, -3, 0});
    system->Update(3750);
    ExpectNear(system->EmitterOffset(), {0, -3, -3});
}

TEST(ParticleSystTest, QuadsFaceTheCameraAndFlipInMirrors) {
    Handle<testing::RecordingRenderer> renderer = MakeHandle<testing::RecordingRenderer>();
    SetCurrentRenderer(renderer.Get());
    Handle<GraphNode> node = MakeHandle<GraphNode>(), eye = MakeHandle<GraphNode>();
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    Handle<Camera> camera = MakeHandle<Camera>();
    eye->AddObject(camera.Get());
    eye->SetOrientation({1, 0, 0}, {0, 1, 0}, RelativeTo::World());  // looking along +x
    camera->ComputeMatrices();
    node->AddObject(system.Get());
    ASSERT_EQ(system->SetCount(1), RESULT_OK);
    system->SetCamera(camera.Get());
    ASSERT_EQ(system->Render(), RESULT_OK);
    ParticleMesh* mesh = system->QuadMesh();
    const float size = system->Particles()[0].size;
    // Corner 0 is (-1, -1, 0) in camera space: camera right is world -z.
    ExpectNear(mesh->VertexPosition(0), Vector3{0, -1, 1} * size);
    ExpectNear(mesh->VertexPosition(2), Vector3{0, 1, -1} * size);
    EXPECT_EQ(renderer->Count("DrawIndexed"), 1u);
    camera->mirrored = 1;
    camera->ComputeMatrices();
    ASSERT_EQ(system->Render(), RESULT_OK);
    // The mirrored camera's flipped right axis and s = -1 cancel out.
    ExpectNear(mesh->VertexPosition(0), Vector3{0, -1, 1} * size);
    SetCurrentRenderer(nullptr);
    SetCurrentCamera(nullptr);
}

}  // namespace
}  // namespace vimsa
