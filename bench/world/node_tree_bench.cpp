// Loading scene subtree files: a compressed node tree of 50 000 triangles,
// as the demo loads its characters and props at start-up.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "io/catalogs.h"
#include "io/serializer.h"
#include "scene/graph_node.h"
#include "world/mesh_base.h"
#include "world/node_tree_serializer.h"

namespace vimsa {
namespace {

constexpr int kMeshes = 10;
constexpr int kGrid = 50;  // 50 x 50 quads = 5000 triangles per mesh

// A rippled sheet of kGrid x kGrid quads: values vary, as a model's would,
// so the compressor has honest work.
Handle<MeshBase> Sheet(int seed) {
    const int side = kGrid + 1;
    std::vector<Vector3> positions;
    std::vector<Vector2> uvs;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const float h = std::sin(0.37f * x + seed) * std::cos(0.23f * y - seed);
            positions.push_back({static_cast<float>(x), h, static_cast<float>(y)});
            uvs.push_back({x / float(kGrid), y / float(kGrid)});
        }
    }
    std::vector<int32_t> faces;
    for (int y = 0; y < kGrid; ++y) {
        for (int x = 0; x < kGrid; ++x) {
            const int a = y * side + x;
            faces.insert(faces.end(), {a, a + side, a + side + 1, a + 1});
        }
    }
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const Result built = mesh->Build(side * side, kGrid * kGrid, 1, 0, positions.data(),
                                     faces.data(), uvs.data(), nullptr);
    return Succeeded(built) ? mesh : nullptr;
}

// Saves the tree once, in a scratch folder that is the current folder for
// the run, and times loading it into a fresh node.
void BM_LoadCompressedNodeTree(benchmark::State& state) {
    namespace fs = std::filesystem;
    std::string scratch = (fs::temp_directory_path() / "vimsa-bench-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) {
        state.SkipWithError("no scratch folder");
        return;
    }
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    fs::create_directories("data");
    ResetCatalogsForTesting();
    SetCompressionMode(1);

    Handle<GraphNode> root = MakeHandle<GraphNode>();
    int triangles = 0;
    for (int i = 0; i < kMeshes; ++i) {
        Handle<GraphNode> part = MakeHandle<GraphNode>();
        Handle<MeshBase> mesh = Sheet(i);
        if (!mesh) break;
        triangles += mesh->FaceCount();
        part->AddObject(mesh.Get());
        root->AddChild(part.Get());
    }
    const Result saved = NodeTreeSerializer().SaveNodeTree(root.Get(), "model.f3ds", nullptr);
    if (Failed(saved) || triangles != 50000) {
        state.SkipWithError("the model could not be saved");
    } else {
        for (auto _ : state) {
            Handle<GraphNode> back = MakeHandle<GraphNode>();
            const Result loaded =
                NodeTreeSerializer().LoadNodeTree(back.Get(), "model.f3ds", nullptr);
            if (Failed(loaded)) state.SkipWithError("the model did not load");
            benchmark::DoNotOptimize(back.Get());
        }
        state.counters["file_bytes"] = static_cast<double>(fs::file_size("model.f3ds"));
        state.counters["triangles"] = triangles;
    }
    SetCompressionMode(0);
    ResetCatalogsForTesting();
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}
BENCHMARK(BM_LoadCompressedNodeTree)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vimsa

