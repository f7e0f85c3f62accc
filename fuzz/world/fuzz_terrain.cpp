// A terrain description from arbitrary bytes, loaded the way the demo loads
// one: from a file, with its pictures beside it. A description that loads is
// then prepared for strips, drawn through a recording renderer and asked for
// ground heights over its whole rectangle.
//
// The pictures are made here once per process, in a folder of their own:
// "height.tga" (24-bit), "height16.tga" (16-bit), "colour.tga" and
// "detail.tga". Descriptions name pictures relative to the current folder,
// so the target works inside that folder; paths on its command line are made
// absolute first, so that corpus folders and crash files stay where asked.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

// An uncompressed true-colour TGA of 8 x 8 pixels, top row first.
void WriteTga(const std::string& path, uint8_t depth, uint8_t (*shade)(int x, int y, int c)) {
    std::vector<uint8_t> b(18, 0);
    b[2] = 2;
    b[12] = b[14] = 8;
    b[16] = depth;
    b[17] = 0x20;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            for (int c = 0; c < depth / 8; ++c)
                b.push_back(shade(x, y, c));
        }
    }
    WriteBytes(path, b.data(), b.size());
}

struct Workspace {
    std::string folder;
    Handle<testing::RecordingRenderer> renderer = MakeHandle<testing::RecordingRenderer>();

    Workspace() {
        const char* shm = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(shm) + "/vimsa-fuzz-terrain-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        folder = pattern;
        WriteTga(folder + "/height.tga", 24, [](int x, int y, int c) {
            return static_cast<uint8_t>((x * 31 + y * 7) * (c + 1));
        });
        WriteTga(folder + "/height16.tga", 16,
                 [](int x, int y, int c) { return static_cast<uint8_t>(c ? x * y : x + y); });
        WriteTga(folder + "/colour.tga", 24,
                 [](int x, int, int c) { return static_cast<uint8_t>(c == 2 ? x * 32 : 64); });
        WriteTga(folder + "/detail.tga", 24,
                 [](int, int y, int) { return static_cast<uint8_t>(128 + y * 8); });
        SetCurrentRenderer(renderer.Get());
    }
    ~Workspace() {
        SetCurrentRenderer(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
};

// Command-line paths, relative to the folder the target was started in,
// made absolute: the corpus folders and the values of the flags that name
// files or folders.
std::string Absolute(const std::string& arg, const std::string& home) {
    static const char* const kPathFlags[] = {
        "-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-features_dir=", "-seed_inputs=",
        "-stop_file=",       "-data_flow_trace=",
    };
    const auto absolute = [&home](const std::string& path) {
        return path.empty() || path[0] == '/' ? path : home + "/" + path;
    };
    if (arg.empty() || arg[0] != '-') return absolute(arg);
    for (const char* flag : kPathFlags) {
        const std::string prefix(flag);
        if (arg.compare(0, prefix.size(), prefix) == 0)
            return prefix + absolute(arg.substr(prefix.size()));
    }
    return arg;
}

Workspace& TheWorkspace() {
    static Workspace workspace;
    return workspace;
}

// What must hold for any terrain that loaded.
void CheckBlocks(const Terrain& terrain) {
    // No grid at all when no BLOC section was taken.
    if (terrain.BlockCount() == 0) return;
    if (terrain.BlockCount() != uint64_t{terrain.BlocksX()} * terrain.BlocksY()) __builtin_trap();
    for (uint32_t row = 0; row < terrain.BlocksY(); ++row) {
        for (uint32_t column = 0; column < terrain.BlocksX(); ++column) {
            const TerrainBlock* block = terrain.Block(column, row);
            if (!block || !block->mesh) __builtin_trap();
            const uint64_t side = uint64_t{block->mesh->Side()} + 1;
            if (static_cast<uint64_t>(block->mesh->VertexCount()) != side * side) __builtin_trap();
        }
    }
}

void Exercise(Terrain& terrain, GraphNode& world) {
    CheckBlocks(terrain);
    // Strips may be refused; the blocks then draw as triangle lists.
    (void)terrain.PrepareStrips();
    terrain.SetDetail(false);
    terrain.SetDetail(true);

    Handle<GraphNode> eye = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    world.AddChild(eye.Get());
    eye->AddObject(camera.Get());
    eye->SetPosition({0, -100, 0}, RelativeTo::World());
    eye->SetOrientation({0, 1, 0}, {0, 0, 1}, RelativeTo::World());
    if (camera->ComputeMatrices()) {
        terrain.SetCamera(camera.Get());
        // Any block may fail to draw; only crashes matter here.
        (void)terrain.Render();
    }
    for (int i = 0; i <= 8; ++i) {
        for (int j = 0; j <= 8; ++j) {
            Vector3 at{terrain.SizeX() * (i / 8.0f - 0.5f) * 1.1f, 0,
                       terrain.SizeZ() * (j / 8.0f - 0.5f) * 1.1f};
            float height = 0;
            (void)terrain.HeightAt(at, height);
        }
    }
}

}  // namespace
}  // namespace vimsa

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    std::string home(4096, '\0');
    if (!::getcwd(home.data(), home.size())) std::abort();
    home.resize(std::strlen(home.c_str()));
    for (int i = 1; i < *argc; ++i)
        args.push_back(vimsa::Absolute((*argv)[i], home));
    // libFuzzer insists on keeping its own argv[0]. Fork and merge modes
    // start the program again by that name: give it an absolute one there.
    pointers.push_back((*argv)[0]);
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    *argv = pointers.data();
    if (::chdir(vimsa::TheWorkspace().folder.c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimsa;
    Workspace& workspace = TheWorkspace();
    WriteBytes("terrain.txt", data, size);
    Handle<GraphNode> world = MakeHandle<GraphNode>();
    Handle<Terrain> terrain = MakeHandle<Terrain>();
    world->AddObject(terrain.Get());
    if (Succeeded(terrain->Load("terrain.txt"))) Exercise(*terrain, *world);
    workspace.renderer->ClearCalls();
    return 0;
}
