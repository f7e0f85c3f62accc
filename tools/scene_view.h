#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/texture.h"

namespace vimsa::tool {

// What a loaded scene holds.
struct SceneCensus {
    int nodes = 0, meshes = 0, lights = 0, portals = 0, blocks = 0;
    uint64_t triangles = 0;
    size_t textures = 0;
    size_t animations = 0;
};

// Where the camera looks from: degrees about the vertical axis (0 looks along
// +z, so a model facing +z shows its back, 180 its front) and degrees looking
// down.
struct ViewAngle {
    float yaw = 30.0f;
    float pitch = 20.0f;
};

// Draws node-tree object files and terrain descriptions headless through the
// OpenGL back-end, framed whole and lit from over the viewer's shoulder.
// One context serves any number of loads and pictures.
class SceneView {
public:
    SceneView(uint32_t width, uint32_t height);
    ~SceneView();
    SceneView(const SceneView&) = delete;
    SceneView& operator=(const SceneView&) = delete;

    // The context, the renderer and its white default texture. ERR_GL_INIT
    // when no headless context can be had.
    Result Open();
    // Replaces what is shown by a terrain description (".txt") or a node-tree
    // file (any other name: the chunk tag decides). Texture paths are read
    // from the current folder, as the demo reads them from its data folder.
    Result Load(const std::string& path);
    // Plays the loaded animations forward to `time` of a pass of `period`.
    // False when there are none to play.
    bool Pose(uint32_t time, uint32_t period);
    SceneCensus Census();
    // Texture paths the last load found no picture for.
    const std::vector<std::string>& MissingTextures() const;
    // Frames everything loaded from `angle` and draws one frame; `rgba` gets
    // its pixels, top row first.
    Result Render(ViewAngle angle, bool wire, std::vector<uint8_t>& rgba);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

private:
    struct Stage;

    uint32_t width_, height_;
    HeadlessGLWindow window_;
    Handle<GLRenderer> renderer_ = MakeHandle<GLRenderer>();
    Handle<Texture> white_;
    std::unique_ptr<Stage> stage_;
};

// Writes RGBA pixels (top row first) as a 32-bit TGA with the engine's writer.
Result WriteRgbaTga(const std::string& path, uint32_t width, uint32_t height,
                    const std::vector<uint8_t>& rgba);

}  // namespace vimsa::tool
