// Scene graph costs: render traversal, volume tests, portal passes, collision.
#include <benchmark/benchmark.h>

#include <vector>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/collision.h"
#include "scene/graph_portal.h"
#include "scene/portal_render.h"
#include "world/mesh_base.h"

namespace vimsa {
namespace {

Handle<MeshBase> Cube(float half) {
    const Vector3 p[8] = {{-half, -half, -half}, {half, -half, -half}, {half, half, -half},
                          {-half, half, -half},  {-half, -half, half}, {half, -half, half},
                          {half, half, half},    {-half, half, half}};
    const int32_t faces[24] = {0, 3, 2, 1, 4, 5, 6, 7, 0, 1, 5, 4,
                               2, 3, 7, 6, 1, 2, 6, 5, 0, 4, 7, 3};
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    // The cube's arrays are fixed and valid: building cannot fail here.
    (void)mesh->Build(8, 6, 0, 0, p, faces, nullptr, nullptr);
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

struct Viewer {
    Handle<testing::RecordingRenderer> renderer = MakeHandle<testing::RecordingRenderer>();
    Handle<GraphNode> eyeNode = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    Viewer() {
        SetCurrentRenderer(renderer.Get());
        eyeNode->AddObject(camera.Get());
    }
    ~Viewer() { SetCurrentRenderer(nullptr); }
};

// 1000 nodes in a 10 x 10 x 10 grid, each with a cube; the camera sees part of it.
void BM_RenderAllThousandNodes(benchmark::State& state) {
    Viewer viewer;
    Handle<GraphNode> root = MakeHandle<GraphNode>();
    Handle<MeshBase> cube = Cube(1);
    for (int i = 0; i < 1000; ++i) {
        Handle<GraphNode> node = MakeHandle<GraphNode>();
        node->SetPosition(
            {(i % 10) * 20.0f - 90, ((i / 10) % 10) * 20.0f - 90, (i / 100) * 20.0f + 20},
            RelativeTo::Local());
        Handle<GraphObj> copy = cube->Clone();
        node->AddObject(copy.Get());
        root->AddChild(node.Get());
    }
    root->AddChild(viewer.eyeNode.Get());
    viewer.eyeNode->SetOrientation({0.3f, 0, 1}, {0, 1, 0}, RelativeTo::Local());
    viewer.camera->ComputeMatrices();
    int32_t stamp = 0, visited = 0;
    for (auto _ : state) {
        viewer.renderer->ClearCalls();
        viewer.camera->ClearDrawn();
        visited = root->RenderAll(viewer.camera.Get(), ++stamp);
    }
    const double drawn = static_cast<double>(viewer.renderer->Count("DrawIndexed"));
    state.counters["nodes_per_ms"] = benchmark::Counter(
        visited * static_cast<double>(state.iterations()) / 1000, benchmark::Counter::kIsRate);
    state.counters["culled_per_ms"] =
        benchmark::Counter((1000 - drawn) * static_cast<double>(state.iterations()) / 1000,
                           benchmark::Counter::kIsRate);
    state.counters["drawn"] = drawn;
}
BENCHMARK(BM_RenderAllThousandNodes)->Unit(benchmark::kMicrosecond);

void BM_BoxBox(benchmark::State& state) {
    Vector3 axis{0.2f, 1, 0.3f};
    const Matrix4 a = TranslationMatrix({0, 0, 0});
    Matrix4 b = RotationAxisAngle(axis, 0.7f);
    b(0, 3) = 1.5f;
    BoundingBox first({-1, -1, -1}, {1, 1, 1}), second({-1, -1, -1}, {1, 1, 1});
    first.placement = &a;
    second.placement = &b;
    for (auto _ : state)
        benchmark::DoNotOptimize(first.Intersects(&second));
}
BENCHMARK(BM_BoxBox);

void BM_BoxFrustum(benchmark::State& state) {
    Viewer viewer;
    viewer.camera->ComputeMatrices();
    Handle<GraphObj> object = MakeHandle<GraphObj>();
    const Matrix4 place = TranslationMatrix({5, 2, 100});
    object->bounds = std::make_unique<BoundingBox>(Vector3{-1, -1, -1}, Vector3{1, 1, 1});
    object->bounds->placement = &place;
    for (auto _ : state)
        benchmark::DoNotOptimize(viewer.camera->IsInView(object.Get()));
}
BENCHMARK(BM_BoxFrustum);

// 30 rooms in a corridor along z joined by 29 doorway pairs (58 portals),
// plus a mirror in the first room: 60 portals.
struct Corridor {
    Viewer viewer;
    Handle<GraphNode> world = MakeHandle<GraphNode>();
    std::vector<Handle<GraphNode>> rooms;
    std::vector<Handle<GraphPortal>> portals;

    Corridor() {
        Handle<MeshBase> cube = Cube(1);
        for (int i = 0; i < 30; ++i) {
            rooms.push_back(MakeHandle<GraphNode>());
            world->AddChild(rooms.back().Get());
            Handle<GraphObj> crate = cube->Clone();
            Handle<GraphNode> holder = MakeHandle<GraphNode>();
            holder->SetPosition({0.5f * (i % 3), 0, 20.0f * i + 10}, RelativeTo::World());
            rooms.back()->AddChild(holder.Get());
            holder->AddObject(crate.Get());
        }
        for (int i = 0; i + 1 < 30; ++i) {
            Handle<GraphPortal> out = Door(rooms[i], 20.0f * (i + 1), -1);
            Handle<GraphPortal> in = Door(rooms[i + 1], 20.0f * (i + 1), 1);
            out->AddPortal(in.Get());
            in->AddPortal(out.Get());
        }
        Handle<GraphPortal> mirror = Door(rooms[0], -5, 1);
        mirror->portalKind = GraphPortal::kMirror;
        mirror->hasMirrorMatrix = 1;
        mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
        rooms[0]->AddChild(viewer.eyeNode.Get());
        viewer.eyeNode->SetPosition({0, 0, 1}, RelativeTo::World());
        viewer.camera->ComputeMatrices();
    }
    ~Corridor() {
        for (auto& p : portals)
            p->RemoveAllPortals();
    }
    Handle<GraphPortal> Door(Handle<GraphNode>& room, float z, float facing) {
        Handle<GraphPortal> door = MakeHandle<GraphPortal>();
        room->AddPortal(door.Get());
        door->SetPosition({0, 0, z}, RelativeTo::World());
        door->SetOrientation({0, 0, facing}, {0, 1, 0}, RelativeTo::World());
        door->bounds = std::make_unique<BoundingBox>(Vector3{-2, -2, 0}, Vector3{2, 2, 0});
        portals.push_back(door);
        return door;
    }
};

void BM_RenderPortalsCorridor(benchmark::State& state) {
    Corridor corridor;
    int32_t stamp = 0, visited = 0;
    for (auto _ : state) {
        corridor.viewer.renderer->ClearCalls();
        corridor.viewer.camera->ClearDrawn();
        int32_t stats = 0;
        visited = RenderFrom(corridor.viewer.camera.Get(), ++stamp, stats);
    }
    state.counters["rooms_visited"] = visited;
    state.counters["planes_pushed"] = corridor.viewer.camera->clipVolume.planeCount;
}
BENCHMARK(BM_RenderPortalsCorridor)->Unit(benchmark::kMicrosecond);

// A mover among 100 meshes spread over a room, none of them touched.
void BM_CollideAmongHundredMeshes(benchmark::State& state) {
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    Handle<MeshBase> cube = Cube(1);
    for (int i = 0; i < 100; ++i) {
        Handle<GraphNode> holder = MakeHandle<GraphNode>();
        holder->SetPosition({(i % 10) * 5.0f, 0, (i / 10) * 5.0f}, RelativeTo::Local());
        room->AddChild(holder.Get());
        Handle<GraphObj> copy = cube->Clone();
        holder->AddObject(copy.Get());
    }
    Handle<GraphNode> mover = MakeHandle<GraphNode>();
    mover->bounds =
        std::make_unique<BoundingBox>(Vector3{-0.5f, -0.5f, -0.5f}, Vector3{0.5f, 0.5f, 0.5f});
    room->AddChild(mover.Get());
    mover->SetPosition({2.5f, 0, 2.5f}, RelativeTo::Local());
    for (auto _ : state)
        benchmark::DoNotOptimize(Collide(mover.Get(), 1));
}
BENCHMARK(BM_CollideAmongHundredMeshes)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
