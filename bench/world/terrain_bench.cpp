// Terrain: loading a 4 x 4-block description at resolution 32 (its pictures
// read and uploaded, 16 meshes of 33 x 33 vertices built), and one frame of
// that terrain at 1024 x 768 through the OpenGL back-end on Mesa's llvmpipe
// (every block in view, drawn from its strips, finished with glFinish).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "render/image_file.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/graph_node.h"
#include "scene/light.h"
#include "world/terrain.h"

namespace vimsa {
namespace {

constexpr uint32_t kWidth = 1024, kHeight = 768;
constexpr uint32_t kPicture = 256;

// The description and its pictures in a folder of their own, which is the
// current folder while the benchmark runs.
class TerrainFolder {
public:
    TerrainFolder() : previous_(std::filesystem::current_path()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vimsa-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        path_ = pattern;
        std::filesystem::current_path(path_);
        ok_ = WritePicture("height.tga", [](uint32_t x, uint32_t y) {
            const float h = 0.5f + 0.25f * std::sin(x * 0.05f) + 0.25f * std::cos(y * 0.07f);
            const auto v = static_cast<uint32_t>(h * 16777215.0f);
            return Rgba8{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
        });
        ok_ = ok_ && WritePicture("colour.tga", [](uint32_t x, uint32_t y) {
                  return Rgba8{uint8_t(x), uint8_t(y), 96, 255};
              });
        ok_ = ok_ && WritePicture("detail.tga", [](uint32_t x, uint32_t y) {
                  return Rgba8{uint8_t(200 + (x ^ y) % 56), uint8_t(200 + (x ^ y) % 56), 220, 255};
              });
        std::ofstream("terrain.txt", std::ios::binary)
            << "[TERRAIN]\r\nBLOCS = 4*4\r\nSIZE = 160*160\r\n[BLOC]\r\nBLOCX = 0..3\r\n"
               "BLOCY = 0..3\r\nRESOL = 32\r\nTEXALTI = height.tga\r\nTEXCOLOR = colour.tga\r\n"
               "DETAIL = detail.tga\r\nTILE = 16*16\r\nHEIGHT = 20\r\n";
    }
    ~TerrainFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TerrainFolder(const TerrainFolder&) = delete;
    TerrainFolder& operator=(const TerrainFolder&) = delete;
    bool Ok() const { return ok_; }

private:
    template <typename Colour>
    static bool WritePicture(const char* name, Colour colour) {
        Handle<Texture> t(new Texture);
        if (Failed(t->Create(name, kPicture, kPicture, kFormat0888))) return false;
        for (uint32_t y = 0; y < kPicture; ++y) {
            for (uint32_t x = 0; x < kPicture; ++x)
                EncodePixel(t->Pixels() + (y * kPicture + x) * 3, kFormat0888, t->ChannelOrder(),
                            colour(x, y));
        }
        return Succeeded(SaveImage(t.Get(), name, kImageTga, 24));
    }

    std::filesystem::path previous_;
    std::filesystem::path path_;
    bool ok_ = false;
};

struct Device {
    HeadlessGLWindow window{kWidth, kHeight};
    Handle<GLRenderer> renderer{new GLRenderer(GLRendererOptions{})};
    Handle<Texture> white;

    bool Init() {
        if (!renderer->Init(&window, kDisplayWindow, 0, 0)) return false;
        render_state::ClearBoundTextures();
        white = renderer->NewTexture();
        if (Failed(white->Create("white", 2, 2, kFormat0888))) return false;
        std::fill(white->Pixels(), white->Pixels() + 12, 255);
        if (Failed(renderer->UploadTexture(white.Get()))) return false;
        renderer->SetDefaultTexture(white.Get());
        SetCurrentRenderer(renderer.Get());
        return true;
    }
    ~Device() { SetCurrentRenderer(nullptr); }
};

void BM_TerrainLoad4x4Resolution32(benchmark::State& state) {
    TerrainFolder folder;
    Device device;
    if (!folder.Ok() || !device.Init()) {
        state.SkipWithError("no pictures or no headless OpenGL");
        return;
    }
    for (auto _ : state) {
        Handle<Terrain> terrain = MakeHandle<Terrain>();
        if (Failed(terrain->Load("terrain.txt"))) {
            state.SkipWithError("the terrain did not load");
            break;
        }
        benchmark::DoNotOptimize(terrain->Block(3, 3)->mesh->Vertices());
    }
    state.counters["vertices"] = 16 * 33 * 33;
}

void BM_TerrainFrame1024x768(benchmark::State& state) {
    TerrainFolder folder;
    Device device;
    if (!folder.Ok() || !device.Init()) {
        state.SkipWithError("no pictures or no headless OpenGL");
        return;
    }
    Handle<GraphNode> world = MakeHandle<GraphNode>(), eye = MakeHandle<GraphNode>();
    Handle<Terrain> terrain = MakeHandle<Terrain>();
    Handle<Camera> camera = MakeHandle<Camera>();
    Handle<Light> ambient = MakeHandle<AmbientLight>();
    if (Failed(terrain->Load("terrain.txt")) || Failed(terrain->PrepareStrips())) {
        state.SkipWithError("the terrain did not load");
        return;
    }
    world->AddObject(terrain.Get());
    world->AddObject(ambient.Get());
    ambient->IncludeNode(world.Get());
    world->AddChild(eye.Get());
    eye->AddObject(camera.Get());
    camera->SetNearPlane(1.0f);
    // Above the middle of the terrain, looking down: every block in view,
    // the ground filling the picture.
    eye->SetPosition({0, -90, 0}, RelativeTo::World());
    eye->SetOrientation({0, 1, 0}, {0, 0, -1}, RelativeTo::World());
    if (!camera->ComputeMatrices()) {
        state.SkipWithError("no camera");
        return;
    }
    int32_t stamp = 0;
    uint32_t faces = 0;
    for (auto _ : state) {
        render_state::ResetFrameStatistics();
        device.renderer->BeginFrame();
        device.renderer->Clear(kClearAll);
        device.renderer->Begin3D(camera.Get());
        camera->ClearDrawn();
        world->RenderAll(camera.Get(), ++stamp);
        glFinish();
        device.renderer->EndFrame();
        faces = render_state::DrawnFaces();
    }
    state.counters["triangles"] = faces;
}

BENCHMARK(BM_TerrainLoad4x4Resolution32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TerrainFrame1024x768)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
