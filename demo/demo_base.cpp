#include "demo/demo_base.h"

#include "io/catalogs.h"
#include "platform/input/key_table.h"
#include "render/direct3d8/d3d8_renderer.h"
#include "render/image_file.h"
#include "render/opengl/gl_renderer.h"
#include "render/render_state.h"
#include "render/render_window.h"
#include "render/texture_registry.h"
#include "scene/light.h"

namespace vimsa {
namespace {

// The fixed margins the main window gets around a windowed picture.
constexpr int kFrameMarginX = 12;
constexpr int kFrameMarginY = 50;

template <typename T, size_t N>
void ReleaseTable(std::array<Handle<T>, N>& table) {
    for (Handle<T>& slot : table)
        slot = nullptr;
}

}  // namespace

uint32_t DemoClock() {
    host::Host* h = host::CurrentHost();
    return h ? h->Milliseconds() : host::SteadyMilliseconds();
}

DemoBase::DemoBase() = default;

DemoBase::~DemoBase() {
    ReleaseAll("");
}

Handle<Renderer> DemoBase::CreateRenderer(int choice) {
    switch (choice) {
        case 0:
            return MakeHandle<D3D8Renderer>();
        case 1:
            return MakeHandle<GLRenderer>();
        default:
            return nullptr;
    }
}

Result DemoBase::ApplyChoices(const DemoSettings& choices) {
    settings_ = choices;
    // OpenGL always runs in a window.
    fullScreen_ = choices.fullScreen != 0 && choices.renderer != 1 ? 1 : 0;
    alternativeCharacter_ = choices.character == "Vona" ? 1 : 0;
    resolution_ = choices.resolution == "800*600" ? 1 : choices.resolution == "1024*768" ? 2 : 0;
    static constexpr uint32_t kSizes[3][2] = {{640, 480}, {800, 600}, {1024, 768}};
    width_ = kSizes[resolution_][0];
    height_ = kSizes[resolution_][1];
    highDetail_ = choices.objects == 0 ? 1 : 0;
    return RESULT_OK;
}

Result DemoBase::InitDisplay(RenderWindow* window) {
    Shutdown("");
    host::Host* h = host::CurrentHost();
    DemoSettings choices;
    if (h && !h->RunSetupDialog(choices)) return ERR_DEMO_RENDERER;
    (void)ApplyChoices(choices);  // every text has a meaning
    if (h) {
        if (fullScreen_) {
            h->SetFullScreen(true, static_cast<int>(width_), static_cast<int>(height_));
        } else {
            h->MoveMainWindow(0, 0, static_cast<int>(width_) + kFrameMarginX,
                              static_cast<int>(height_) + kFrameMarginY);
        }
    }
    renderer_ = CreateRenderer(choices.renderer);
    if (!renderer_) {
        Shutdown("unknown renderer");
        return ERR_DEMO_RENDERER;
    }
    const DisplayMode mode = fullScreen_ ? kDisplayFullScreen : kDisplayWindow;
    if (!renderer_->Init(window, mode, width_, height_) ||
        Failed(renderer_->CreateVertexPool(256))) {
        Shutdown("error creating renderer");
        return ERR_DEMO_RENDERER;
    }
    fonts_[0] = MakeHandle<Font>();
    if (Failed(fonts_[0]->LoadGlyphs(renderer_.Get(), "texture/fnt8.tga", 8, 8))) {
        Shutdown("font fnt8.tga not found");
        return ERR_DEMO_FONT;
    }
    textPolys_[0] = MakeHandle<TextPoly>();
    textPolys_[0]->SetFont(fonts_[0].Get());
    const Result white = LoadWhiteTexture();
    if (Failed(white)) return white;
    renderer_->SetDefaultTexture(whiteTexture_.Get());
    SetCurrentRenderer(renderer_.Get());
    // A key pressed during the dialog must not fire in the first frame.
    (void)input::Keyboard().Pressed(input::Key::F12);
    (void)input::Keyboard().Pressed(input::Key::Escape);
    ready_ = 1;
    return RESULT_OK;
}

Result DemoBase::LoadWhiteTexture() {
    whiteTexture_ = renderer_->NewTexture();
    if (!whiteTexture_) {
        Shutdown("error creating texture");
        return ERR_FAIL;
    }
    Result r = LoadImage(whiteTexture_.Get(), "texture/white.bmp", kImageByExtension);
    if (Succeeded(r)) r = renderer_->UploadTexture(whiteTexture_.Get());
    if (Failed(r)) Shutdown("texture white.bmp not found");
    return r;
}

void DemoBase::ReleaseAll(std::string_view message) {
    if (!message.empty()) {
        if (host::Host* h = host::CurrentHost()) h->ShowError(message, "FATAL ERROR");
    }
    ready_ = 0;
    if (musicPlayer_) musicPlayer_->Close();
    musicPlayer_ = nullptr;
    mediaPlayer_ = nullptr;
    if (CurrentRenderer() == renderer_.Get()) SetCurrentRenderer(nullptr);
    renderer_ = nullptr;
    whiteTexture_ = nullptr;
    ReleaseTable(cameras_);
    ReleaseTable(fonts_);
    // Portals and nodes leave the scene graph before they go: twins and
    // links hold each other otherwise.
    for (Handle<GraphPortal>& portal : portals_) {
        if (!portal) continue;
        portal->RemoveAllPortals();
        if (portal->parent) portal->parent->RemovePortal(portal.Get());
        portal = nullptr;
    }
    ReleaseTable(lights_);
    ReleaseTable(meshes_);
    ReleaseTable(models_);
    ReleaseTable(textPolys_);
    ReleaseTable(textures_);
    for (Handle<GraphNode>& node : nodes_) {
        if (!node) continue;
        node->ClearLinks();
        if (node->parent) node->parent->RemoveChild(node.Get());
        node = nullptr;
    }
    counts_ = Counts{};
    texture_registry::ReleaseAll();
    LightRegistry::DestroyAllLights();
}

}  // namespace vimsa
