#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/ref_object.h"
#include "core/result.h"
#include "demo/font.h"
#include "demo/text_poly.h"
#include "platform/host/host.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "sound/media_playback.h"
#include "sound/music_player.h"
#include "world/mesh_base.h"

namespace vimsa {

class RenderWindow;

using DemoSettings = host::SetupChoices;

// The demonstration's holdings: fixed tables of counted handles, the
// renderer, the players, the heads-up text and the set-up choices, with the
// first half of the start-up (display, font, white texture) and the
// tear-down every failure goes through.
class DemoBase {
public:
    DemoBase();
    virtual ~DemoBase();
    DemoBase(const DemoBase&) = delete;
    DemoBase& operator=(const DemoBase&) = delete;

    // The whole start-up, given the view window to draw into.
    virtual Result Load(RenderWindow* window) = 0;
    // Releases everything; a message that is not empty is shown first in a
    // "FATAL ERROR" box.
    virtual void Shutdown(std::string_view message) = 0;
    // One frame; 0 while the demo is not ready.
    virtual uint8_t Frame() = 0;

    // The set-up dialog, the renderer on the window, the heads-up font and
    // its first text polygon, the white default texture.
    Result InitDisplay(RenderWindow* window);
    void ReleaseAll(std::string_view message);

    bool Ready() const { return ready_ != 0; }
    Renderer* GetRenderer() const { return renderer_.Get(); }
    // The players the music menus drive; null until the scene has made them.
    MusicPlayer* GetMusicPlayer() const { return musicPlayer_.Get(); }
    MediaPlayback* GetMediaPlayer() const { return mediaPlayer_.Get(); }
    // Whether the display runs full screen (OpenGL never does).
    bool FullScreen() const { return fullScreen_ != 0; }
    const DemoSettings& Settings() const { return settings_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

    // How many slots of each table the start-up filled.
    struct Counts {
        uint32_t cameras = 0, fonts = 0, nodes = 0, portals = 0, lights = 0, meshes = 0, models = 0,
                 textPolys = 0, textures = 0, others = 0;
    };
    const Counts& TableCounts() const { return counts_; }
    Light* GetLight(int slot) const { return lights_[static_cast<size_t>(slot)].Get(); }
    Texture* SceneTexture(int slot) const { return textures_[static_cast<size_t>(slot)].Get(); }
    MeshBase* Mesh(int slot) const { return meshes_[static_cast<size_t>(slot)].Get(); }

    // Table sizes.
    static constexpr size_t kCameras = 16, kFonts = 16, kNodes = 272, kPortals = 256, kLights = 16,
                            kMeshes = 256, kModels = 32, kTextPolys = 16, kTextures = 256;

protected:
    // The renderer of a set-up choice: 0 Direct3D 8, 1 OpenGL; null for any
    // other choice.
    static Handle<Renderer> CreateRenderer(int choice);

    uint8_t ready_ = 0;
    uint8_t wireframe_ = 0;
    uint8_t boundingBoxes_ = 0;
    std::array<Handle<Camera>, kCameras> cameras_;
    std::array<Handle<Font>, kFonts> fonts_;
    std::array<Handle<GraphNode>, kNodes> nodes_;
    std::array<Handle<GraphPortal>, kPortals> portals_;
    std::array<Handle<Light>, kLights> lights_;
    std::array<Handle<MeshBase>, kMeshes> meshes_;
    std::array<Handle<AnimationSet>, kModels> models_;
    Handle<MusicPlayer> musicPlayer_;
    Handle<MediaPlayback> mediaPlayer_;
    Handle<Renderer> renderer_;
    std::array<Handle<TextPoly>, kTextPolys> textPolys_;
    std::array<Handle<Texture>, kTextures> textures_;
    Handle<Texture> whiteTexture_;
    Counts counts_;
    uint8_t fullScreen_ = 0;
    int32_t alternativeCharacter_ = 0;
    int32_t resolution_ = 0;
    uint8_t highDetail_ = 0;
    DemoSettings settings_;
    uint32_t width_ = 640;
    uint32_t height_ = 480;

private:
    Result ApplyChoices(const DemoSettings& choices);
    Result LoadWhiteTexture();
};

// The host's clock, or a steady clock without a host.
uint32_t DemoClock();

}  // namespace vimsa
