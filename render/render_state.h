#pragma once

#include <cstdint>

namespace vimsa {

class Renderer;
class Texture;

// Render state shared by every back-end: the texture bound on each stage,
// the faces and points drawn this frame, the current renderer and whether
// it is the OpenGL one (mesh vertex colours are packed accordingly).
namespace render_state {

inline constexpr int kTextureStages = 8;

// The texture recorded on a stage, or null; stages outside 0..7 give null.
Texture* BoundTexture(int stage);
void SetBoundTexture(int stage, Texture* texture);
// Clears every stage that records `texture` (it is being destroyed).
void ForgetTexture(const Texture* texture);
void ClearBoundTextures();

// Per-frame statistics of the heads-up display.
void AddDrawnGeometry(uint32_t faces, uint32_t points);
uint32_t DrawnFaces();
uint32_t DrawnPoints();
void ResetFrameStatistics();

}  // namespace render_state

// The process-wide current renderer (not counted: its owner keeps it alive;
// a renderer clears it when it is destroyed while current).
Renderer* CurrentRenderer();
void SetCurrentRenderer(Renderer* renderer);

// True while the OpenGL renderer is the active back-end: vertex colours are
// then packed red, green, blue, alpha, otherwise (the default, also with no
// renderer at all) blue, green, red, alpha. Each renderer sets it when it is
// made and gives the default back when it dies, unless a later renderer
// has set it since.
bool RendererIsOpenGL();
void SetRendererIsOpenGL(bool isOpenGL, const Renderer* setter = nullptr);
void RestoreRendererIsOpenGL(const Renderer* setter);

class LightGatherer;
// The scene's light gatherer, or null while the scene has made no light.
LightGatherer* SceneLightGatherer();
void SetSceneLightGatherer(LightGatherer* gatherer);

}  // namespace vimsa
