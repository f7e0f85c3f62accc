#include <gtest/gtest.h>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "world/mesh_base.h"

namespace vimsa {
namespace {

using testing::RecordingRenderer;

// Installs a recording renderer as the current one for a test's duration.
struct CurrentRecorder {
    Handle<RecordingRenderer> renderer = MakeHandle<RecordingRenderer>();
    CurrentRecorder() { SetCurrentRenderer(renderer.Get()); }
    ~CurrentRecorder() {
        SetCurrentRenderer(nullptr);
        SetCurrentCamera(nullptr);
    }
};

const Vector3 kSquare[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

TEST(MeshBaseTest, QuadsSplitIntoTwoTriangles) {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const int32_t faces[8] = {0, 1, 2, 3, 0, 2, 3, -1};
    ASSERT_EQ(mesh->Build(4, 2, 0, 0, kSquare, faces, nullptr, nullptr), RESULT_OK);
    ASSERT_EQ(mesh->FaceCount(), 3);
    int32_t tri[3];
    mesh->FaceVertexIndices(1, tri);
    EXPECT_EQ(tri[0], 0);
    EXPECT_EQ(tri[1], 2);
    EXPECT_EQ(tri[2], 3);
    mesh->FaceVertexIndices(2, tri);
    EXPECT_EQ(tri[2], 3);
    EXPECT_FALSE(mesh->FaceVertexIndices(3, tri));
}

TEST(MeshBaseTest, NormalsAndPlanes) {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    // A square plus a degenerate triangle (two corners at the same place).
    const Vector3 positions[5] = {kSquare[0], kSquare[1], kSquare[2], kSquare[3], {1, 0, 0}};
    const int32_t faces[8] = {0, 1, 2, 3, 1, 4, 2, -1};
    ASSERT_EQ(mesh->Build(5, 2, 0, 0, positions, faces, nullptr, nullptr), RESULT_OK);
    // (p1 - p0) x (p2 - p1) for counter-clockwise corners seen from +z points along +z.
    EXPECT_EQ(mesh->FacePlane(0), (Vector4{0, 0, 1, 0}));
    EXPECT_EQ(mesh->FacePlane(2), (Vector4{0, 0, 0, 0}));  // degenerate
    EXPECT_EQ(mesh->Vertices()[4].normal, (Vector3{0, 0, 0}));
    EXPECT_EQ(mesh->Vertices()[0].normal, (Vector3{0, 0, 1}));  // two faces, renormalised
}

TEST(MeshBaseTest, TextureCoordinatesAndColoursUnderBothRenderers) {
    const Vector2 uvs[8] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {5, 5}, {6, 5}, {6, 6}, {5, 6}};
    const float colours[16] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0.5f, 0.5f, 0.5f, 0.5f};
    const int32_t faces[4] = {0, 1, 2, 3};
    for (const bool gl : {true, false}) {
        // An OpenGL renderer packs red first while it lives; with no renderer
        // (a tool writing meshes) the default order is blue first.
        Handle<testing::RecordingRenderer> renderer =
            gl ? MakeHandle<testing::RecordingRenderer>() : nullptr;
        Handle<MeshBase> mesh = MakeHandle<MeshBase>();
        ASSERT_EQ(mesh->Build(4, 1, 2, 1, kSquare, faces, uvs, colours), RESULT_OK);
        const MeshVertex* v = mesh->Vertices();
        EXPECT_EQ(v[2].uv0.x, 1.0f);
        EXPECT_EQ(v[2].uv1.x, 6.0f);
        const uint8_t red[4] = {v[0].colour[0], v[0].colour[1], v[0].colour[2], v[0].colour[3]};
        if (gl) {
            EXPECT_EQ(red[0], 255);
            EXPECT_EQ(red[2], 0);
        } else {
            EXPECT_EQ(red[0], 0);
            EXPECT_EQ(red[2], 255);
        }
        EXPECT_EQ(red[3], 255);
        EXPECT_EQ(v[3].colour[1], 127);  // 0.5 * 255 truncated
    }
}

TEST(MeshBaseTest, BadFaceListsAreRejected) {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const int32_t faces[4] = {0, 1, 9, -1};
    EXPECT_EQ(mesh->Build(4, 1, 0, 0, kSquare, faces, nullptr, nullptr), ERR_OUT_OF_RANGE);
    EXPECT_EQ(mesh->VertexCount(), 0);
    EXPECT_EQ(mesh->Allocate(70000, 1), ERR_MESH_ALLOCATE);
    EXPECT_FALSE(mesh->SetVertexTexCoords(0, 2, {}));
}

TEST(MeshBaseTest, RenderNeedsRendererNodeAndCameraAndCountsGeometry) {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const int32_t faces[4] = {0, 1, 2, 3};
    ASSERT_EQ(mesh->Build(4, 1, 0, 0, kSquare, faces, nullptr, nullptr), RESULT_OK);
    CurrentRecorder recorder;
    render_state::ResetFrameStatistics();
    EXPECT_EQ(mesh->Render(), ERR_DRAW_FAILED);  // no node, no camera
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->AddObject(mesh.Get());
    EXPECT_EQ(mesh->Render(), ERR_DRAW_FAILED);  // still no camera
    EXPECT_EQ(render_state::DrawnFaces(), 0u);
    EXPECT_EQ(recorder.renderer->Count("DrawIndexed"), 0u);

    Handle<Camera> camera = MakeHandle<Camera>();
    mesh->SetCamera(camera.Get());
    ASSERT_EQ(mesh->Render(), RESULT_OK);
    EXPECT_EQ(recorder.renderer->Count("SetViewMatrix"), 1u);
    EXPECT_EQ(recorder.renderer->Count("BindTexture"), 2u);
    const auto draws = recorder.renderer->CallsNamed("DrawIndexed");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].args[1], "4");
    EXPECT_EQ(draws[0].args[3], "2");
    EXPECT_EQ(render_state::DrawnFaces(), 2u);
    EXPECT_EQ(render_state::DrawnPoints(), 4u);

    ASSERT_TRUE(mesh->CreateDeviceBuffer());
    EXPECT_EQ(mesh->Render(), RESULT_OK);
    EXPECT_EQ(recorder.renderer->Count("DrawMeshBufferPart"), 1u);
    EXPECT_EQ(mesh->UpdateDeviceBuffer(), RESULT_OK);

    // A texture that never reached the device: the mesh is not drawn with
    // whatever texture is bound, and says why.
    mesh->textures[1] = recorder.renderer->NewTexture();
    ASSERT_EQ(mesh->textures[1]->Create("late", 1, 1, kFormat0888), RESULT_OK);
    EXPECT_EQ(mesh->Render(), ERR_GL_TEXTURE_NOT_LOADED);
    EXPECT_EQ(recorder.renderer->Count("DrawMeshBufferPart"), 1u);
}

TEST(MeshBaseTest, ClonesShareArraysAndTextures) {
    ResetObjectNumbersForTesting();
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const int32_t faces[4] = {0, 1, 2, -1};
    ASSERT_EQ(mesh->Build(4, 1, 0, 0, kSquare, faces, nullptr, nullptr), RESULT_OK);
    Handle<GraphObj> copy = mesh->Clone();
    ASSERT_TRUE(copy);
    auto* clone = static_cast<MeshBase*>(copy.Get());
    EXPECT_EQ(clone->name, "MeshBase 0 clone");
    EXPECT_EQ(clone->meshNumber, 1);
    EXPECT_EQ(clone->Vertices(), mesh->Vertices());
    mesh->SetVertexPosition(0, {9, 9, 9});
    EXPECT_EQ(clone->VertexPosition(0), (Vector3{9, 9, 9}));
    mesh = nullptr;  // the last user keeps the arrays alive
    EXPECT_EQ(clone->VertexPosition(0), (Vector3{9, 9, 9}));

    // The clone stands at a node of its own and draws at once; added to a
    // node, it takes that node's placement.
    CurrentRecorder recorder;
    Handle<Camera> camera = MakeHandle<Camera>();
    clone->SetCamera(camera.Get());
    ASSERT_NE(clone->parent, nullptr);
    EXPECT_EQ(clone->Render(), RESULT_OK);
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->SetPosition({1, 2, 3}, RelativeTo::World());
    node->AddObject(clone);
    EXPECT_EQ(clone->parent, node.Get());
    Vector3 at;
    ASSERT_TRUE(clone->GetWorldPosition(at));
    EXPECT_EQ(at, (Vector3{1, 2, 3}));
    Handle<MeshBase> empty = MakeHandle<MeshBase>();
    EXPECT_EQ(empty->ShareFrom(*MakeHandle<MeshBase>()), ERR_MESH_MISSING_ARRAY);
}

TEST(MeshGroupTest, SmoothNormalsJoinsCoincidentVertices) {
    // Two faces of a roof meeting at the ridge y = 1: one sloping to -x, one to +x.
    const Vector3 left[3] = {{-1, 0, 0}, {0, 1, 0}, {0, 1, 1}};
    const Vector3 right[3] = {{0, 1, 0}, {1, 0, 0}, {0, 1, 1}};
    const int32_t tri[4] = {0, 1, 2, -1};
    Handle<MeshBase> a = MakeHandle<MeshBase>(), b = MakeHandle<MeshBase>();
    ASSERT_EQ(a->Build(3, 1, 0, 0, left, tri, nullptr, nullptr), RESULT_OK);
    ASSERT_EQ(b->Build(3, 1, 0, 0, right, tri, nullptr, nullptr), RESULT_OK);
    const Vector3 before = a->Vertices()[0].normal;
    MeshGroup group;
    group.Add(a.Get());
    group.Add(b.Get());
    ASSERT_EQ(group.SmoothNormals(), RESULT_OK);
    // The shared ridge vertices now point straight up on both meshes.
    for (const Vector3& n : {a->Vertices()[1].normal, b->Vertices()[0].normal,
                             a->Vertices()[2].normal, b->Vertices()[2].normal}) {
        EXPECT_NEAR(n.x, 0, 1e-6f);
        EXPECT_NEAR(std::fabs(n.y), 1, 1e-6f);
    }
    EXPECT_EQ(a->Vertices()[0].normal, before);  // unshared corners keep theirs
}

}  // namespace
}  // namespace vimsa

namespace vimsa {
namespace {

TEST(MeshBaseTest, RecordsWalkVerticesAndFacesWithCursors) {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    VertexRecord v;
    FaceRecord f;
    EXPECT_EQ(mesh->VertexCursor(), -1);
    EXPECT_FALSE(mesh->FirstVertexRecord(v));
    const int32_t faces[4] = {0, 1, 2, 3};
    ASSERT_EQ(mesh->Build(4, 1, 0, 0, kSquare, faces, nullptr, nullptr), RESULT_OK);
    int vertices = 0;
    for (bool more = mesh->FirstVertexRecord(v); more; more = mesh->NextVertexRecord(v)) {
        EXPECT_EQ(v.vertex->position, kSquare[v.index]);
        ++vertices;
    }
    EXPECT_EQ(vertices, 4);
    EXPECT_EQ(mesh->VertexCursor(), 3);
    ASSERT_TRUE(mesh->FirstFaceRecord(f));
    ASSERT_TRUE(mesh->NextFaceRecord(f));
    EXPECT_EQ(f.index, 1);
    EXPECT_EQ(f.corners[1], 2);  // (0, 2, 3)
    EXPECT_EQ(*f.plane, mesh->FacePlane(1));
    EXPECT_FALSE(mesh->NextFaceRecord(f));
    EXPECT_EQ(mesh->FaceCursor(), 1);
    EXPECT_TRUE(mesh->SetVertexCursor(2));
    EXPECT_TRUE(mesh->NextVertexRecord(v));
    EXPECT_EQ(v.index, 3);
    EXPECT_FALSE(mesh->SetFaceCursor(2));
    EXPECT_TRUE(mesh->SetTriangleIndex(0, 2, 3));
    EXPECT_FALSE(mesh->SetTriangleIndex(0, 3, 1));  // corners 0..2 only
    EXPECT_FALSE(mesh->SetTriangleIndex(0, 0, 9));  // no such vertex
}

}  // namespace
}  // namespace vimsa
