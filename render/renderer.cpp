#include "render/renderer.h"

#include <new>

#include "render/render_state.h"
#include "render/texture.h"

namespace vimsa {

Renderer::Renderer(int32_t kind) : kind_(kind) {}

Renderer::~Renderer() {
    if (CurrentRenderer() == this) SetCurrentRenderer(nullptr);
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

Result Renderer::ReloadTexture(Texture* texture) {
    const Result unloaded = UnloadTexture(texture);
    if (Failed(unloaded)) return unloaded;
    return UploadTexture(texture);
}

void Renderer::DrawVertexBatch(int32_t kind, uint32_t count, int32_t colourSets,
                               int32_t coordinateSets) {
    BeginPrimitive(kind);
    ScreenVertex* v = count > 0 ? FirstVertex() : nullptr;
    for (uint32_t i = 0; i < count && v; ++i) {
        EmitVertex(*v, colourSets, coordinateSets);
        if (i + 1 < count) v = NextVertex();
    }
    EndPrimitive(kind);
}

bool Renderer::BeginPrimitive(int32_t kind) {
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

bool Renderer::EndPrimitive(int32_t kind) {
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
