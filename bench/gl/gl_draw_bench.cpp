// DrawIndexed on Mesa's llvmpipe through the headless EGL binding: a
// 10 000-triangle textured, lit mesh filling a 1024 x 768 target. Reports
// triangles per second (items_per_second); each iteration is one frame,
// finished with glFinish so that the rasterisation is counted.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "render/texture.h"

namespace vimsa {
namespace {

constexpr uint32_t kWidth = 1024, kHeight = 768;
constexpr uint32_t kColumns = 100, kRows = 50;  // 2 x 100 x 50 = 10 000 triangles

// A grid that covers the view at depth 20 (farther away it covers less),
// its front towards the camera.
struct Grid {
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;

    explicit Grid(float depth) {
        const float halfWidth = 22.0f, halfHeight = 16.0f;
        for (uint32_t r = 0; r <= kRows; ++r) {
            for (uint32_t c = 0; c <= kColumns; ++c) {
                MeshVertex v;
                const float u = float(c) / kColumns, t = float(r) / kRows;
                v.position = {-halfWidth + 2 * halfWidth * u, -halfHeight + 2 * halfHeight * t,
                              depth};
                v.normal = {0, 0, -1};
                v.uv0 = {u * 4, t * 4};
                v.uv1 = {u, t};
                vertices.push_back(v);
            }
        }
        for (uint32_t r = 0; r < kRows; ++r) {
            for (uint32_t c = 0; c < kColumns; ++c) {
                const auto at = [](uint32_t row, uint32_t col) {
                    return static_cast<uint16_t>(row * (kColumns + 1) + col);
                };
                const uint16_t a = at(r, c), b = at(r, c + 1), d = at(r + 1, c),
                               e = at(r + 1, c + 1);
                indices.insert(indices.end(), {a, e, b, a, d, e});
            }
        }
    }
    uint32_t Triangles() const { return static_cast<uint32_t>(indices.size() / 3); }
};

Handle<Texture> Checker(GLRenderer& r, uint32_t size) {
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

void DrawMesh(benchmark::State& state, bool lightMap, bool multitexture, float depth = 20.0f) {
    HeadlessGLWindow window(kWidth, kHeight);
    Handle<GLRenderer> renderer(new GLRenderer(GLRendererOptions{!multitexture}));
    if (!renderer->Init(&window, kDisplayWindow, 0, 0)) {
        state.SkipWithError("no headless OpenGL");
        return;
    }
    render_state::ClearBoundTextures();
    const Grid grid(depth);
    Handle<Texture> base = Checker(*renderer, 256);
    Handle<Texture> shade = Checker(*renderer, 64);
    if (!base || !shade) {
        state.SkipWithError("textures could not be made");
        return;
    }
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
    const Matrix4 world;

    for (auto _ : state) {
        renderer->BeginFrame();
        renderer->Clear(kClearAll);
        renderer->Begin3DView(1.5707964f, 1.0f, 1000.0f, Matrix4::Identity());
        renderer->LoadLights(lights);
        renderer->SetViewMatrix(&world, nullptr);
        if (Failed(renderer->BindTexture(0, base.Get())) ||
            Failed(renderer->BindTexture(1, lightMap ? shade.Get() : nullptr))) {
            state.SkipWithError("textures could not be bound");
            break;
        }
        renderer->DrawIndexed(grid.vertices.data(), static_cast<uint32_t>(grid.vertices.size()),
                              grid.indices.data(), grid.Triangles());
        glFinish();
        renderer->EndFrame();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * grid.Triangles());
    state.counters["triangles"] = grid.Triangles();
}

void BM_DrawIndexedTexturedLit(benchmark::State& state) {
    DrawMesh(state, false, true);
}
// The same mesh at depth 160, covering an eighth of the picture's width:
// mostly vertex work rather than fill.
void BM_DrawIndexedTexturedLitSmall(benchmark::State& state) {
    DrawMesh(state, false, true, 160.0f);
}
void BM_DrawIndexedLightMappedMultitexture(benchmark::State& state) {
    DrawMesh(state, true, true);
}
void BM_DrawIndexedLightMappedTwoPass(benchmark::State& state) {
    DrawMesh(state, true, false);
}

BENCHMARK(BM_DrawIndexedTexturedLit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawIndexedTexturedLitSmall)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawIndexedLightMappedMultitexture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawIndexedLightMappedTwoPass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
