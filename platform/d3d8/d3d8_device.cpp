#include "platform/d3d8/d3d8_device.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/d3d8/geometry_processor.h"
#include "platform/d3d8/present_target.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/shading.h"
#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

constexpr uint32_t kMaxTextureSize = 4096;

// Vertices a draw of `count` primitives reads; 0 for kinds the device
// does not draw.
uint32_t VerticesFor(D3DPRIMITIVETYPE type, uint32_t count) {
    switch (type) {
        case D3DPT_LINELIST:
            return 2 * count;
        case D3DPT_LINESTRIP:
            return count + 1;
        case D3DPT_TRIANGLELIST:
            return 3 * count;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return count + 2;
        default:
            return 0;
    }
}

bool IsRenderState(D3DRENDERSTATETYPE state) {
    return static_cast<uint32_t>(state) < D3DRS_COUNT;
}

// States that decide only what happens to vertices, not to pixels.
bool IsVertexState(D3DRENDERSTATETYPE state) {
    switch (state) {
        case D3DRS_CLIPPING:
        case D3DRS_LIGHTING:
        case D3DRS_AMBIENT:
        case D3DRS_COLORVERTEX:
        case D3DRS_LOCALVIEWER:
        case D3DRS_NORMALIZENORMALS:
        case D3DRS_DIFFUSEMATERIALSOURCE:
        case D3DRS_SPECULARMATERIALSOURCE:
        case D3DRS_AMBIENTMATERIALSOURCE:
        case D3DRS_EMISSIVEMATERIALSOURCE:
        case D3DRS_CLIPPLANEENABLE:
        case D3DRS_FILLMODE:
        case D3DRS_CULLMODE:
        case D3DRS_SHADEMODE:
            return true;
        default:
            return false;
    }
}

PixelRect ViewportRect(const D3DVIEWPORT8& vp) {
    return {static_cast<int32_t>(vp.X), static_cast<int32_t>(vp.Y),
            static_cast<int32_t>(vp.X + vp.Width), static_cast<int32_t>(vp.Y + vp.Height)};
}

// A stage without texture that multiplies the current colour by the
// texture and keeps the current alpha passes its input on unchanged.
bool IsIdentity(const StageSetup& s) {
    const auto args = [](DWORD a, DWORD b) {
        return (a == D3DTA_TEXTURE && b == D3DTA_CURRENT) ||
               (a == D3DTA_CURRENT && b == D3DTA_TEXTURE);
    };
    const bool colour = s.colourOp == D3DTOP_MODULATE && args(s.colourArg1, s.colourArg2);
    const bool alpha = s.alphaOp == D3DTOP_DISABLE ||
                       (s.alphaOp == D3DTOP_MODULATE && args(s.alphaArg1, s.alphaArg2)) ||
                       (s.alphaOp == D3DTOP_SELECTARG1 && s.alphaArg1 == D3DTA_CURRENT) ||
                       (s.alphaOp == D3DTOP_SELECTARG2 && s.alphaArg2 == D3DTA_CURRENT);
    return !s.texels && colour && alpha;
}

void ReadDepthAndStencil(const DWORD* rs, bool depthBuffer, PixelState& p) {
    p.hasDepthBuffer = depthBuffer;
    p.depthEnable = depthBuffer && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    p.depthWrite = rs[D3DRS_ZWRITEENABLE] != FALSE;
    p.depthFunc = static_cast<D3DCMPFUNC>(rs[D3DRS_ZFUNC]);
    p.stencilEnable = depthBuffer && rs[D3DRS_STENCILENABLE] != FALSE;
    p.stencilFunc = static_cast<D3DCMPFUNC>(rs[D3DRS_STENCILFUNC]);
    p.stencilFail = static_cast<D3DSTENCILOP>(rs[D3DRS_STENCILFAIL]);
    p.stencilDepthFail = static_cast<D3DSTENCILOP>(rs[D3DRS_STENCILZFAIL]);
    p.stencilPass = static_cast<D3DSTENCILOP>(rs[D3DRS_STENCILPASS]);
    p.stencilRef = static_cast<uint8_t>(rs[D3DRS_STENCILREF]);
    p.stencilMask = static_cast<uint8_t>(rs[D3DRS_STENCILMASK]);
    p.stencilWriteMask = static_cast<uint8_t>(rs[D3DRS_STENCILWRITEMASK]);
}

void ReadAlphaAndBlend(const DWORD* rs, PixelState& p) {
    p.alphaTest = rs[D3DRS_ALPHATESTENABLE] != FALSE;
    p.alphaFunc = static_cast<D3DCMPFUNC>(rs[D3DRS_ALPHAFUNC]);
    p.alphaRef = static_cast<uint8_t>(rs[D3DRS_ALPHAREF]);
    p.blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
    p.sourceBlend = static_cast<D3DBLEND>(rs[D3DRS_SRCBLEND]);
    p.destinationBlend = static_cast<D3DBLEND>(rs[D3DRS_DESTBLEND]);
}

// A stage's operations, filters and addressing, without its texture.
StageSetup StageOf(const DWORD* ts) {
    StageSetup stage;
    stage.colourOp = static_cast<D3DTEXTUREOP>(ts[D3DTSS_COLOROP]);
    stage.colourArg1 = ts[D3DTSS_COLORARG1];
    stage.colourArg2 = ts[D3DTSS_COLORARG2];
    stage.alphaOp = static_cast<D3DTEXTUREOP>(ts[D3DTSS_ALPHAOP]);
    stage.alphaArg1 = ts[D3DTSS_ALPHAARG1];
    stage.alphaArg2 = ts[D3DTSS_ALPHAARG2];
    // One level, no level of detail: the magnification filter decides.
    stage.bilinear = ts[D3DTSS_MAGFILTER] == D3DTEXF_LINEAR;
    stage.wrapU = ts[D3DTSS_ADDRESSU] != D3DTADDRESS_CLAMP;
    stage.wrapV = ts[D3DTSS_ADDRESSV] != D3DTADDRESS_CLAMP;
    return stage;
}

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

}  // namespace

IDirect3DDevice8::IDirect3DDevice8(const D3DPRESENT_PARAMETERS& parameters,
                                   const DeviceSettings& settings)
    : parameters_(parameters), settings_(settings) {
    const UINT width = parameters.BackBufferWidth, height = parameters.BackBufferHeight;
    backBuffer_ = new (std::nothrow)
        IDirect3DSurface8(parameters.BackBufferFormat, width, height, D3DPOOL_DEFAULT);
    if (parameters.EnableAutoDepthStencil) {
        depthStencil_ =
            new (std::nothrow) IDirect3DSurface8(D3DFMT_D24S8, width, height, D3DPOOL_DEFAULT);
    }
    state_.viewport = {0, 0, width, height, 0.0f, 1.0f};
    state_.renderStates[D3DRS_ZENABLE] = depthStencil_ ? D3DZB_TRUE : D3DZB_FALSE;
    if (!Valid()) return;
    RenderTargets targets;
    targets.colour = backBuffer_->Bits();
    targets.colourPitch = backBuffer_->Pitch();
    targets.colourFormat = backBuffer_->Format();
    if (depthStencil_) {
        // A fresh depth buffer holds the far plane and a zero stencil.
        auto* words = reinterpret_cast<uint32_t*>(depthStencil_->Bits());
        std::fill(words, words + std::size_t{depthStencil_->Pitch() / 4} * height, 0xFFFFFF00u);
        targets.depth = words;
        targets.depthPitch = depthStencil_->Pitch() / 4;
    }
    rasterizer_ = std::make_shared<Rasterizer>(targets, width, height, settings.threads);
    backBuffer_->SetPendingWork(rasterizer_);
    if (depthStencil_) depthStencil_->SetPendingWork(rasterizer_);
}

IDirect3DDevice8::~IDirect3DDevice8() {
    // Queued draws are rendered while their surfaces still exist.
    if (rasterizer_) rasterizer_->Flush();
}

bool IDirect3DDevice8::Valid() const {
    return backBuffer_ && backBuffer_->Valid() &&
           (!parameters_.EnableAutoDepthStencil || (depthStencil_ && depthStencil_->Valid()));
}

uint32_t IDirect3DDevice8::RasterizerThreads() const {
    return rasterizer_ ? rasterizer_->Threads() : 0;
}

HRESULT IDirect3DDevice8::GetDeviceCaps(D3DCAPS8* caps) const {
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = settings_.caps;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type,
                                        Handle<IDirect3DSurface8>* surface) const {
    if (index != 0 || type != D3DBACKBUFFER_TYPE_MONO || !surface || !backBuffer_)
        return D3DERR_INVALIDCALL;
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetDepthStencilSurface(Handle<IDirect3DSurface8>* surface) const {
    if (!surface) return D3DERR_INVALIDCALL;
    if (!depthStencil_) return D3DERR_NOTFOUND;
    *surface = depthStencil_;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                        D3DFORMAT format, D3DPOOL pool,
                                        Handle<IDirect3DTexture8>* texture) {
    if (!texture || width == 0 || height == 0 || width > kMaxTextureSize ||
        height > kMaxTextureSize || levels > 1 || !IsTextureFormat(format))
        return D3DERR_INVALIDCALL;
    Handle<IDirect3DTexture8> made(new (std::nothrow)
                                       IDirect3DTexture8(width, height, format, usage, pool));
    if (!made || !made->Valid()) return E_OUTOFMEMORY;
    *texture = made;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             Handle<IDirect3DVertexBuffer8>* buffer) {
    if (!buffer || length == 0) return D3DERR_INVALIDCALL;
    Handle<IDirect3DVertexBuffer8> made(new (std::nothrow)
                                            IDirect3DVertexBuffer8(length, usage, fvf, pool));
    if (!made || !made->Buffer().Valid()) return E_OUTOFMEMORY;
    *buffer = made;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, Handle<IDirect3DIndexBuffer8>* buffer) {
    if (!buffer || length == 0 || format != D3DFMT_INDEX16) return D3DERR_INVALIDCALL;
    Handle<IDirect3DIndexBuffer8> made(new (std::nothrow)
                                           IDirect3DIndexBuffer8(length, usage, format, pool));
    if (!made || !made->Buffer().Valid()) return E_OUTOFMEMORY;
    *buffer = made;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    rasterizer_->Flush();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour,
                                float z, DWORD stencil) {
    constexpr DWORD kKnown = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
    if ((flags & ~kKnown) != 0 || (count > 0 && !rects)) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_)
        return D3DERR_INVALIDCALL;
    ClearRecord record;
    record.flags = flags;
    record.colour = colour;
    record.depth = shading::ToDepth24(z);
    record.stencil = static_cast<uint8_t>(stencil);
    const PixelRect viewport = ViewportRect(state_.viewport);
    if (count == 0) {
        record.area = viewport;
        rasterizer_->AddClear(record);
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; ++i) {
        record.area = Intersect(viewport, {rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2});
        if (record.area.x0 < record.area.x1 && record.area.y0 < record.area.y1)
            rasterizer_->AddClear(record);
    }
    return D3D_OK;
}

HRESULT IDirect3DDevice8::Present(const RECT*, const RECT*, PresentTarget* window, const void*) {
    PresentTarget* target = window ? window : parameters_.hDeviceWindow;
    if (!target) return D3DERR_INVALIDCALL;
    rasterizer_->Flush();
    target->ShowFrame(backBuffer_->Bits(), backBuffer_->Pitch(), backBuffer_->Width(),
                      backBuffer_->Height(), backBuffer_->Format());
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!IsRenderState(state)) return D3DERR_INVALIDCALL;
    if (state_.renderStates[state] == value) return D3D_OK;
    state_.renderStates[state] = value;
    if (!IsVertexState(state)) MarkPixelStateChanged();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const {
    if (!IsRenderState(state) || !value) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[state];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD value) {
    if (stage >= kTextureStageSlots || static_cast<uint32_t>(type) >= D3DTSS_COUNT)
        return D3DERR_INVALIDCALL;
    if (state_.stageStates[stage][type] == value) return D3D_OK;
    state_.stageStates[stage][type] = value;
    MarkPixelStateChanged();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                               DWORD* value) const {
    if (stage >= kTextureStageSlots || static_cast<uint32_t>(type) >= D3DTSS_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTexture(DWORD stage, IDirect3DTexture8* texture) {
    if (stage >= kTextureStageSlots) return D3DERR_INVALIDCALL;
    state_.textures[stage] = texture;
    MarkPixelStateChanged();
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetTexture(DWORD stage, Handle<IDirect3DTexture8>* texture) const {
    if (stage >= kTextureStageSlots || !texture) return D3DERR_INVALIDCALL;
    *texture = state_.textures[stage];
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (state) {
        case D3DTS_WORLD:
            state_.world = *matrix;
            return D3D_OK;
        case D3DTS_VIEW:
            state_.view = *matrix;
            return D3D_OK;
        case D3DTS_PROJECTION:
            state_.projection = *matrix;
            return D3D_OK;
        default:
            return D3DERR_INVALIDCALL;
    }
}

HRESULT IDirect3DDevice8::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (state) {
        case D3DTS_WORLD:
            *matrix = state_.world;
            return D3D_OK;
        case D3DTS_VIEW:
            *matrix = state_.view;
            return D3D_OK;
        case D3DTS_PROJECTION:
            *matrix = state_.projection;
            return D3D_OK;
        default:
            return D3DERR_INVALIDCALL;
    }
}

HRESULT IDirect3DDevice8::SetViewport(const D3DVIEWPORT8* viewport) {
    if (!viewport || viewport->Width == 0 || viewport->Height == 0) return D3DERR_INVALIDCALL;
    const uint64_t right = uint64_t{viewport->X} + viewport->Width;
    const uint64_t bottom = uint64_t{viewport->Y} + viewport->Height;
    if (right > backBuffer_->Width() || bottom > backBuffer_->Height()) return D3DERR_INVALIDCALL;
    if (!(viewport->MinZ >= 0.0f && viewport->MaxZ <= 1.0f && viewport->MinZ <= viewport->MaxZ))
        return D3DERR_INVALIDCALL;
    state_.viewport = *viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetViewport(D3DVIEWPORT8* viewport) const {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_.viewport;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetMaterial(const D3DMATERIAL8* material) {
    if (!material) return D3DERR_INVALIDCALL;
    state_.material = *material;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetMaterial(D3DMATERIAL8* material) const {
    if (!material) return D3DERR_INVALIDCALL;
    *material = state_.material;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (index >= kLightSlots || !light) return D3DERR_INVALIDCALL;
    const D3DLIGHTTYPE type = light->Type;
    if (type != D3DLIGHT_POINT && type != D3DLIGHT_SPOT && type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    if (type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
    state_.lights[index] = *light;
    state_.lightSet[index] = true;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetLight(DWORD index, D3DLIGHT8* light) const {
    if (index >= kLightSlots || !light || !state_.lightSet[index]) return D3DERR_INVALIDCALL;
    *light = state_.lights[index];
    return D3D_OK;
}

// Enabling a light that was never set gives it the default light: white,
// shining along +z.
HRESULT IDirect3DDevice8::LightEnable(DWORD index, BOOL enable) {
    if (index >= kLightSlots) return D3DERR_INVALIDCALL;
    if (enable && !state_.lightSet[index]) {
        D3DLIGHT8 light;
        light.Diffuse = {1, 1, 1, 0};
        state_.lights[index] = light;
        state_.lightSet[index] = true;
    }
    state_.lightEnabled[index] = enable != FALSE;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetLightEnable(DWORD index, BOOL* enable) const {
    if (index >= kLightSlots || !enable || !state_.lightSet[index]) return D3DERR_INVALIDCALL;
    *enable = state_.lightEnabled[index] ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetVertexShader(DWORD fvf) {
    if (!LayoutOf(fvf).valid) return D3DERR_INVALIDCALL;
    state_.fvf = fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::GetVertexShader(DWORD* fvf) const {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = state_.fvf;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer,
                                          UINT stride) {
    if (stream != 0) return D3DERR_INVALIDCALL;
    state_.stream = buffer;
    state_.streamStride = stride;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex) {
    state_.indices = buffer;
    state_.baseVertexIndex = baseVertexIndex;
    return D3D_OK;
}

HRESULT IDirect3DDevice8::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex,
                                        UINT primitiveCount) {
    const uint32_t count = VerticesFor(type, primitiveCount);
    if (!state_.stream || count == 0 || state_.streamStride == 0) return D3DERR_INVALIDCALL;
    const D3DBuffer& vb = state_.stream->Buffer();
    const uint64_t end = (uint64_t{startVertex} + count) * state_.streamStride;
    if (end > vb.Size()) return D3DERR_INVALIDCALL;
    return Draw(type, primitiveCount, vb.Data() + uint64_t{startVertex} * state_.streamStride,
                state_.streamStride, count, 0, {});
}

HRESULT IDirect3DDevice8::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex,
                                               UINT vertexCount, UINT startIndex,
                                               UINT primitiveCount) {
    const uint32_t count = VerticesFor(type, primitiveCount);
    if (!state_.stream || !state_.indices || count == 0 || state_.streamStride == 0 ||
        vertexCount == 0)
        return D3DERR_INVALIDCALL;
    const D3DBuffer& vb = state_.stream->Buffer();
    const D3DBuffer& ib = state_.indices->Buffer();
    const uint64_t first = uint64_t{state_.baseVertexIndex} + minIndex;
    if ((first + vertexCount) * state_.streamStride > vb.Size()) return D3DERR_INVALIDCALL;
    if ((uint64_t{startIndex} + count) * sizeof(uint16_t) > ib.Size()) return D3DERR_INVALIDCALL;
    const auto* indices = reinterpret_cast<const uint16_t*>(ib.Data()) + startIndex;
    return Draw(type, primitiveCount, vb.Data() + first * state_.streamStride, state_.streamStride,
                vertexCount, minIndex, {indices, count});
}

HRESULT IDirect3DDevice8::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount,
                                          const void* vertices, UINT stride) {
    const uint32_t count = VerticesFor(type, primitiveCount);
    if (!vertices || count == 0 || stride == 0) return D3DERR_INVALIDCALL;
    return Draw(type, primitiveCount, static_cast<const uint8_t*>(vertices), stride, count, 0, {});
}

HRESULT IDirect3DDevice8::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex,
                                                 UINT vertexCount, UINT primitiveCount,
                                                 const void* indices, D3DFORMAT indexFormat,
                                                 const void* vertices, UINT stride) {
    const uint32_t count = VerticesFor(type, primitiveCount);
    if (!vertices || !indices || indexFormat != D3DFMT_INDEX16 || count == 0 || stride == 0 ||
        vertexCount == 0)
        return D3DERR_INVALIDCALL;
    const auto* first = static_cast<const uint8_t*>(vertices) + uint64_t{minIndex} * stride;
    return Draw(type, primitiveCount, first, stride, vertexCount, minIndex,
                {static_cast<const uint16_t*>(indices), count});
}

HRESULT IDirect3DDevice8::Draw(D3DPRIMITIVETYPE type, uint32_t primitiveCount,
                               const uint8_t* vertices, uint32_t stride, uint32_t vertexCount,
                               uint32_t minIndex, IndexSource indices) {
    const VertexLayout layout = LayoutOf(state_.fvf);
    if (!layout.valid || stride < layout.size) return D3DERR_INVALIDCALL;
    for (uint32_t i = 0; i < indices.count; ++i) {
        if (indices.indices[i] < minIndex || indices.indices[i] - minIndex >= vertexCount)
            return D3DERR_INVALIDCALL;
    }
    VertexProcessor(state_).Process(vertices, stride, layout, vertexCount, batch_);
    GeometrySetup setup;
    setup.viewport = state_.viewport;
    setup.clip =
        Intersect(ViewportRect(state_.viewport), {0, 0, static_cast<int32_t>(backBuffer_->Width()),
                                                  static_cast<int32_t>(backBuffer_->Height())});
    setup.cull = static_cast<D3DCULL>(state_.renderStates[D3DRS_CULLMODE]);
    setup.wireframe = state_.renderStates[D3DRS_FILLMODE] == D3DFILL_WIREFRAME;
    setup.flat = state_.renderStates[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    setup.state = CurrentPixelState();
    GeometryProcessor geometry(setup, batch_, *rasterizer_);
    Assemble(type, primitiveCount, minIndex, indices, geometry);
    ++statistics_.drawCalls;
    statistics_.primitives += primitiveCount;
    return D3D_OK;
}

void IDirect3DDevice8::Assemble(D3DPRIMITIVETYPE type, uint32_t count, uint32_t minIndex,
                                IndexSource indices, GeometryProcessor& geometry) const {
    const auto at = [&](uint32_t i) -> uint32_t {
        return indices.indices ? uint32_t{indices.indices[i]} - minIndex : i;
    };
    for (uint32_t i = 0; i < count; ++i) {
        switch (type) {
            case D3DPT_LINELIST:
                geometry.Line(at(2 * i), at(2 * i + 1));
                break;
            case D3DPT_LINESTRIP:
                geometry.Line(at(i), at(i + 1));
                break;
            case D3DPT_TRIANGLELIST:
                geometry.Triangle(at(3 * i), at(3 * i + 1), at(3 * i + 2));
                break;
            case D3DPT_TRIANGLESTRIP:
                // Every other triangle is turned round so that all keep the
                // winding of the first.
                if (i % 2 == 0)
                    geometry.Triangle(at(i), at(i + 1), at(i + 2));
                else
                    geometry.Triangle(at(i), at(i + 2), at(i + 1));
                break;
            case D3DPT_TRIANGLEFAN:
                geometry.Triangle(at(0), at(i + 1), at(i + 2));
                break;
            default:
                return;
        }
    }
}

uint32_t IDirect3DDevice8::CurrentPixelState() {
    bool changed = pixelStateChanged_ || pixelStateGeneration_ != rasterizer_->Generation();
    // A texture written since the last draw samples a new block.
    for (int stage = 0; stage < kMaxStages && !changed; ++stage) {
        const IDirect3DTexture8* t = state_.textures[stage].Get();
        const TexelBlock* block = t ? t->Texels().get() : nullptr;
        changed = block != sampledBlocks_[stage];
    }
    if (!changed) return pixelState_;
    std::vector<std::shared_ptr<const TexelBlock>> keepAlive;
    const PixelState state = BuildPixelState(keepAlive);
    for (int stage = 0; stage < kMaxStages; ++stage) {
        const IDirect3DTexture8* t = state_.textures[stage].Get();
        sampledBlocks_[stage] = t ? t->Texels().get() : nullptr;
    }
    pixelState_ = rasterizer_->AddState(state, std::move(keepAlive));
    pixelStateGeneration_ = rasterizer_->Generation();
    pixelStateChanged_ = false;
    return pixelState_;
}

PixelState IDirect3DDevice8::BuildPixelState(
    std::vector<std::shared_ptr<const TexelBlock>>& keepAlive) const {
    PixelState p;
    ReadDepthAndStencil(state_.renderStates, depthStencil_ != nullptr, p);
    ReadAlphaAndBlend(state_.renderStates, p);
    p.colourFormat = backBuffer_->Format();
    const int stages = std::min<int>(kMaxStages, int(settings_.caps.MaxSimultaneousTextures));
    for (int s = 0; s < stages && state_.stageStates[s][D3DTSS_COLOROP] != D3DTOP_DISABLE; ++s) {
        StageSetup& stage = p.stages[p.stageCount++];
        stage = StageOf(state_.stageStates[s]);
        if (const IDirect3DTexture8* t = state_.textures[s].Get()) {
            std::shared_ptr<const TexelBlock> block = t->Texels();
            stage.texels = block.get();
            if (block) keepAlive.push_back(std::move(block));
        }
    }
    // A last stage that multiplies by a missing (white) texture changes
    // nothing: leaving it out lets the faster loops take the draw.
    if (p.stageCount > 0 && IsIdentity(p.stages[p.stageCount - 1])) --p.stageCount;
    return p;
}

}  // namespace vimsa::d3d8
