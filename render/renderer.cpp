#include "render/renderer.h"

#include <new>

#include "render/render_state.h"
#include "render/texture.h"

namespace vimsa {

Renderer::Renderer(RendererKind kind, const DeviceCodes& codes) : kind_(kind), codes_(codes) {
    SetRendererIsOpenGL(kind == kRendererOpenGL, this);
}

Renderer::~Renderer() {
    if (CurrentRenderer() == this) SetCurrentRenderer(nullptr);
    RestoreRendererIsOpenGL(this);
}

Result Renderer::CreateVertexPool(uint32_t capacity) {
    FreeVertexPool();
    auto pool = std::unique_ptr<VertexPool>(new (std::nothrow) VertexPool);
    if (!pool) return ERR_FAIL;
    pool->vertices.reset(new (std::nothrow) ScreenVertex[capacity]);
    if (!pool->vertices && capacity > 0) return ERR_FAIL;
    pool->capacity = capacity;
    pool_ = std::move(pool);
    return RESULT_OK;
}

void Renderer::FreeVertexPool() {
    pool_.reset();
}

bool Renderer::Resize(bool, uint32_t, uint32_t) {
    return true;
}

ScreenVertex* Renderer::FirstVertex() {
    if (!pool_ || pool_->capacity == 0) return nullptr;
    pool_->cursor = 0;
    pool_->count = 1;
    return &pool_->vertices[0];
}

ScreenVertex* Renderer::NextVertex() {
    if (!pool_ || pool_->cursor + 1 >= pool_->capacity) return nullptr;
    ++pool_->cursor;
    if (pool_->count < pool_->cursor + 1) pool_->count = pool_->cursor + 1;
    return &pool_->vertices[pool_->cursor];
}

bool Renderer::Begin2D() {
    const Matrix4 identity;
    EnableLighting(false);
    SetOrtho();
    SetViewMatrix(&identity, &identity);
    return true;
}

bool Renderer::Begin3DView(float fieldOfView, float nearPlane, float farPlane,
                           const Matrix4& view) {
    if (!HasDevice()) return false;
    SetPerspective(fieldOfView, nearPlane, farPlane);
    SetViewMatrix(nullptr, &view);
    return EnableLighting(true);
}

bool Renderer::SetSolid(bool solid) {
    if (!ApplyFillMode(solid)) return false;
    solid_ = solid;
    return true;
}

Result Renderer::UploadTexture(Texture* texture) {
    if (!texture || !IsDeviceTexture(*texture)) return codes_.noTexture;
    if (!texture->Pixels()) return codes_.noPixels;
    if (texture->Uploaded()) return RESULT_OK;
    if (!HasDevice()) return codes_.noDevice;
    const Result converted =
        texture->Convert(UploadFormat(static_cast<PixelFormat>(texture->Format())), UploadOrder());
    if (Failed(converted)) return converted;
    const Result created = CreateDeviceTexture(*texture);
    if (Failed(created)) return created;
    texture->MarkUploaded(true);
    return RESULT_OK;
}

Result Renderer::UnloadTexture(Texture* texture) {
    if (!texture || !IsDeviceTexture(*texture)) return codes_.noTexture;
    if (texture->Uploaded()) DeleteDeviceTexture(*texture);
    texture->MarkUploaded(false);
    return RESULT_OK;
}

Result Renderer::BindTexture(int32_t stage, Texture* texture) {
    if (stage < 0 || stage >= render_state::kTextureStages) return ERR_OUT_OF_RANGE;
    if (!texture && stage == 0) texture = DefaultTexture();
    if (render_state::BoundTexture(stage) == texture) return RESULT_OK;
    if (texture && !texture->Uploaded()) return codes_.notUploaded;
    if (!HasDevice()) return codes_.noDevice;
    BindDeviceTexture(stage, texture);
    render_state::SetBoundTexture(stage, texture);
    return RESULT_OK;
}

void Renderer::SetLights(int32_t, bool enable) {
    if (!enable) {
        EnableLighting(false);
        return;
    }
    LightGatherer* gatherer = SceneLightGatherer();
    LoadLights(gatherer ? gatherer->RegistryLights() : LightSet{});
}

bool Renderer::SetNodeLights(GraphNode* node) {
    if (!node) return false;
    LightGatherer* gatherer = SceneLightGatherer();
    return LoadNodeLights(gatherer ? gatherer->NodeLights(*node) : LightSet{});
}

void Renderer::LoadLights(const LightSet& lights) {
    if (!BeginLightLoad()) return;
    LoadAmbientLight(lights.ambient);
    int slot = 0;
    for (int i = 0; i < lights.count && slot < kMaxDeviceLights; ++i) {
        if (lights.lights[i].kind != kLightAmbient) LoadDeviceLight(slot++, &lights.lights[i]);
    }
    for (; slot < kMaxDeviceLights; ++slot)
        LoadDeviceLight(slot, nullptr);
    EndLightLoad();
    ApplyDefaultMaterial();
    EnableLighting(true);
}

bool Renderer::LoadNodeLights(const LightSet& lights) {
    if (!BeginLightLoad()) return false;
    LoadAmbientLight(lights.ambient);
    for (int slot = 0; slot < kMaxDeviceLights; ++slot)
        LoadDeviceLight(slot, nullptr);
    nodeLightCount_ = 0;
    bool fits = !lights.overflow;
    for (int i = 0; i < lights.count; ++i) {
        const DeviceLight& light = lights.lights[i];
        if (light.kind == kLightAmbient || !light.on) continue;
        if (nodeLightCount_ == kMaxDeviceLights) {
            fits = false;
            break;
        }
        LoadDeviceLight(nodeLightCount_, &light);
        nodeLights_[nodeLightCount_++] = light;
    }
    EndLightLoad();
    return fits;
}

Result Renderer::ReloadTexture(Texture* texture) {
    const Result unloaded = UnloadTexture(texture);
    if (Failed(unloaded)) return unloaded;
    return UploadTexture(texture);
}

void Renderer::DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                               int32_t coordinateSets) {
    BeginPrimitive(kind);
    ScreenVertex* v = count > 0 ? FirstVertex() : nullptr;
    for (uint32_t i = 0; i < count && v; ++i) {
        EmitVertex(*v, colourSets, coordinateSets);
        if (i + 1 < count) v = NextVertex();
    }
    EndPrimitive(kind);
}

bool Renderer::BeginPrimitive(PrimitiveKind kind) {
    switch (kind) {
        case kPrimitivePolygon:
        case kPrimitiveFan:
            BeginPolygon();
            return true;
        case kPrimitiveStrip:
            BeginStrip();
            return true;
        default:
            return false;
    }
}

bool Renderer::EndPrimitive(PrimitiveKind kind) {
    switch (kind) {
        case kPrimitivePolygon:
        case kPrimitiveFan:
            EndPolygon();
            return true;
        case kPrimitiveStrip:
            EndStrip();
            return true;
        default:
            return false;
    }
}

bool Renderer::UsesStencil() const {
    return stencilMirrors_;
}

void Renderer::EndStencil() {}

void Renderer::SetUseStencil(bool use) {
    stencilMirrors_ = use;
}

}  // namespace vimsa
