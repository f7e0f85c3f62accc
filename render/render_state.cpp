#include "render/render_state.h"

#include <array>

namespace vimsa {
namespace {

std::array<Texture*, render_state::kTextureStages> g_bound{};
uint32_t g_faces = 0;
uint32_t g_points = 0;
Renderer* g_currentRenderer = nullptr;
bool g_rendererIsOpenGL = false;
const Renderer* g_colourOrderSetter = nullptr;
LightGatherer* g_lightGatherer = nullptr;

bool ValidStage(int stage) {
    return stage >= 0 && stage < render_state::kTextureStages;
}

}  // namespace

namespace render_state {

Texture* BoundTexture(int stage) {
    return ValidStage(stage) ? g_bound[static_cast<std::size_t>(stage)] : nullptr;
}

void SetBoundTexture(int stage, Texture* texture) {
    if (ValidStage(stage)) g_bound[static_cast<std::size_t>(stage)] = texture;
}

void ForgetTexture(const Texture* texture) {
    for (Texture*& t : g_bound) {
        if (t == texture) t = nullptr;
    }
}

void ClearBoundTextures() {
    g_bound.fill(nullptr);
}

void AddDrawnGeometry(uint32_t faces, uint32_t points) {
    g_faces += faces;
    g_points += points;
}

uint32_t DrawnFaces() {
    return g_faces;
}

uint32_t DrawnPoints() {
    return g_points;
}

void ResetFrameStatistics() {
    g_faces = 0;
    g_points = 0;
}

}  // namespace render_state

Renderer* CurrentRenderer() {
    return g_currentRenderer;
}

void SetCurrentRenderer(Renderer* renderer) {
    g_currentRenderer = renderer;
}

bool RendererIsOpenGL() {
    return g_rendererIsOpenGL;
}

void SetRendererIsOpenGL(bool isOpenGL, const Renderer* setter) {
    g_rendererIsOpenGL = isOpenGL;
    g_colourOrderSetter = setter;
}

void RestoreRendererIsOpenGL(const Renderer* setter) {
    if (setter != g_colourOrderSetter) return;
    g_rendererIsOpenGL = false;
    g_colourOrderSetter = nullptr;
}

LightGatherer* SceneLightGatherer() {
    return g_lightGatherer;
}

void SetSceneLightGatherer(LightGatherer* gatherer) {
    g_lightGatherer = gatherer;
}

}  // namespace vimsa
