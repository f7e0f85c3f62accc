// The Direct3D back-end on the software device beside the OpenGL back-end on
// Mesa (llvmpipe), headless, at 1024 x 768, each frame rendered to the end:
// - a 10 000-triangle textured, lit mesh filling the target (triangles per
//   second as items_per_second), and the same far away (vertex work);
// - a room seen from inside, every pixel covered by walls with a texture on
//   stage 0 and a light map on stage 1 (the frame time).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "render/direct3d8/d3d8_renderer.h"
#include "render/direct3d8/headless_d3d8_window.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "render/texture.h"

namespace vimsa {
namespace {

constexpr uint32_t kWidth = 1024, kHeight = 768;

// One back-end: its window, its renderer, and how a frame is finished.
struct OpenGL {
    static constexpr const char* kName = "OpenGL";
    HeadlessGLWindow window{kWidth, kHeight};
    Handle<GLRenderer> renderer{new GLRenderer};
    static void Finish(Renderer&) { glFinish(); }
};

struct Direct3D8 {
    static constexpr const char* kName = "Direct3D8";
    HeadlessD3D8Window window{kWidth, kHeight};
    Handle<D3D8Renderer> renderer{new D3D8Renderer};
    // EndFrame ends the scene, which renders what was queued.
    static void Finish(Renderer&) {}
};

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;
    uint32_t Triangles() const { return static_cast<uint32_t>(indices.size() / 3); }

    // A grid of columns x rows quads over the corners a (u 0, v 0), b (u 1),
    // d (v 1), its front towards `normal`'s opposite side, the texture
    // repeated `repeat` times and the light map spread once.
    void Grid(Vector3 a, Vector3 b, Vector3 d, uint32_t columns, uint32_t rows, float repeat) {
        Vector3 normal = Cross(d - a, b - a);
        (void)Normalize(normal);  // the corners span a plane
        const auto base = static_cast<uint16_t>(vertices.size());
        for (uint32_t r = 0; r <= rows; ++r) {
            for (uint32_t c = 0; c <= columns; ++c) {
                const float u = float(c) / columns, v = float(r) / rows;
                MeshVertex m;
                m.position = a + (b - a) * u + (d - a) * v;
                m.normal = normal;
                m.uv0 = {u * repeat, v * repeat};
                m.uv1 = {u, v};
                vertices.push_back(m);
            }
        }
        const auto at = [&](uint32_t row, uint32_t col) {
            return static_cast<uint16_t>(base + row * (columns + 1) + col);
        };
        for (uint32_t r = 0; r < rows; ++r) {
            for (uint32_t c = 0; c < columns; ++c) {
                const uint16_t p = at(r, c), q = at(r, c + 1), s = at(r + 1, c),
                               t = at(r + 1, c + 1);
                indices.insert(indices.end(), {p, t, q, p, s, t});
            }
        }
    }
};

// 100 x 50 quads covering the view at depth 20.
Mesh FacingGrid(float depth) {
    Mesh m;
    const float w = 22.0f, h = 16.0f;
    m.Grid({-w, -h, depth}, {w, -h, depth}, {-w, h, depth}, 100, 50, 4.0f);
    return m;
}

// A room 20 wide, 12 high and 40 deep around the eye: floor, ceiling, two
// side walls and the far wall, each 8 x 8 quads.
Mesh Room() {
    Mesh m;
    const float x = 10, y = 6, z0 = -2, z1 = 38;
    m.Grid({-x, y, z1}, {x, y, z1}, {-x, y, z0}, 8, 8, 6.0f);     // floor (y down)
    m.Grid({-x, -y, z0}, {x, -y, z0}, {-x, -y, z1}, 8, 8, 6.0f);  // ceiling
    m.Grid({-x, -y, z0}, {-x, -y, z1}, {-x, y, z0}, 8, 8, 6.0f);  // left
    m.Grid({x, -y, z1}, {x, -y, z0}, {x, y, z1}, 8, 8, 6.0f);     // right
    m.Grid({-x, -y, z1}, {x, -y, z1}, {-x, y, z1}, 8, 8, 4.0f);   // far wall
    return m;
}

Handle<Texture> Checker(Renderer& r, uint32_t size) {
    Handle<Texture> t = r.NewTexture();
    if (Failed(t->Create("checker", size, size, kFormat0888))) return nullptr;
    for (uint32_t i = 0; i < size * size; ++i) {
        const bool on = ((i % size) / 16 + (i / size) / 16) % 2 == 0;
        t->Pixels()[i * 3] = on ? 230 : 40;
        t->Pixels()[i * 3 + 1] = 120;
        t->Pixels()[i * 3 + 2] = on ? 40 : 230;
    }
    return Succeeded(r.UploadTexture(t.Get())) ? t : nullptr;
}

LightSet SunAndLamp() {
    DeviceLight sun, lamp;
    sun.kind = kLightDirectional;
    sun.direction = {0.3f, 0.2f, 1.0f};
    sun.colour = {0.7f, 0.7f, 0.7f, 1};
    lamp.kind = kLightPoint;
    lamp.position = {0, 0, 5};
    lamp.attenuation0 = 1.0f;
    lamp.attenuation1 = 0.05f;
    LightSet lights;
    lights.Add(sun);
    lights.Add(lamp);
    return lights;
}

template <typename BackEnd>
void DrawFrames(benchmark::State& state, const Mesh& mesh, bool lightMap) {
    BackEnd b;
    Renderer& r = *b.renderer;
    if (!r.Init(&b.window, kDisplayWindow, 0, 0)) {
        state.SkipWithError("the back-end could not start");
        return;
    }
    render_state::ClearBoundTextures();
    Handle<Texture> base = Checker(r, 256);
    Handle<Texture> shade = Checker(r, 64);
    if (!base || !shade) {
        state.SkipWithError("textures could not be made");
        return;
    }
    const LightSet lights = SunAndLamp();
    const Matrix4 world;
    for (auto _ : state) {
        r.BeginFrame();
        r.Clear(kClearAll);
        r.Begin3DView(1.5707964f, 1.0f, 1000.0f, Matrix4::Identity());
        r.LoadLights(lights);
        r.SetViewMatrix(&world, nullptr);
        if (Failed(r.BindTexture(0, base.Get())) ||
            Failed(r.BindTexture(1, lightMap ? shade.Get() : nullptr))) {
            state.SkipWithError("textures could not be bound");
            break;
        }
        r.DrawIndexed(mesh.vertices.data(), static_cast<uint32_t>(mesh.vertices.size()),
                      mesh.indices.data(), mesh.Triangles());
        BackEnd::Finish(r);
        r.EndFrame();
    }
    // Every benchmark draws a picture worth timing: no background left.
    std::vector<uint8_t> rgba;
    if (b.renderer->ReadPixels(rgba) && rgba.size() >= 4 && rgba[0] > 180 && rgba[1] > 180 &&
        rgba[2] > 180 && lightMap)
        state.SkipWithError("the room does not cover the picture");
    state.SetItemsProcessed(int64_t(state.iterations()) * mesh.Triangles());
    state.counters["triangles"] = mesh.Triangles();
    state.SetLabel(BackEnd::kName);
}

template <typename BackEnd>
void BM_TexturedLitMesh(benchmark::State& state) {
    DrawFrames<BackEnd>(state, FacingGrid(20.0f), false);
}

// The same mesh at depth 160, an eighth of the picture's width: mostly
// vertex work rather than fill.
template <typename BackEnd>
void BM_TexturedLitMeshFarAway(benchmark::State& state) {
    DrawFrames<BackEnd>(state, FacingGrid(160.0f), false);
}

template <typename BackEnd>
void BM_TwoStageRoom(benchmark::State& state) {
    DrawFrames<BackEnd>(state, Room(), true);
}

BENCHMARK_TEMPLATE(BM_TexturedLitMesh, Direct3D8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_TexturedLitMesh, OpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_TexturedLitMeshFarAway, Direct3D8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_TexturedLitMeshFarAway, OpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_TwoStageRoom, Direct3D8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_TwoStageRoom, OpenGL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
