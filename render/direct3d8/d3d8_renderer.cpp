#include "render/direct3d8/d3d8_renderer.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/d3d8/d3dx8.h"
#include "platform/d3d8/present_target.h"
#include "platform/d3d8/surface_format.h"
#include "render/direct3d8/d3d8_mesh_buffer.h"
#include "render/direct3d8/d3d8_texture.h"
#include "render/render_state.h"
#include "render/render_window.h"
#include "scene/camera.h"

namespace vimsa {

using namespace d3d8;

namespace {

constexpr DWORD kPoolFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
// What Clear fills the buffers with.
constexpr D3DCOLOR kBackground = 0xFFC0C0C0u;
constexpr DWORD kBackgroundStencil = 128;
// Ranges reach the device a thousand times longer: the scene's ranges are
// not meant to cut light off where the device would.
constexpr float kRangeScale = 1000.0f;

D3DCMPFUNC MapComparison(int32_t code) {
    switch (code) {
        case kCompareLess:
            return D3DCMP_LESS;
        case kCompareGreater:
            return D3DCMP_GREATER;
        case kCompareEqual:
            return D3DCMP_EQUAL;
        case kCompareLessEqual:
            return D3DCMP_LESSEQUAL;
        case kCompareGreaterEqual:
            return D3DCMP_GREATEREQUAL;
        case kCompareNotEqual:
            return D3DCMP_NOTEQUAL;
        case kCompareNever:
            return D3DCMP_NEVER;
        default:
            return D3DCMP_ALWAYS;
    }
}

// The engine's matrices act on column vectors, the device's on rows.
D3DMATRIX ToDevice(const Matrix4& m) {
    D3DMATRIX d;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            d.m[r][c] = m(c, r);
    return d;
}

DWORD Byte(float channel) {
    return static_cast<DWORD>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

D3DCOLOR PackArgb(const Vector4& c) {
    return D3DCOLOR_ARGB(Byte(c.w), Byte(c.x), Byte(c.y), Byte(c.z));
}

D3DCOLORVALUE ColourValue(const Vector4& c) {
    return {c.x, c.y, c.z, c.w};
}

D3DVECTOR DeviceVector(const Vector3& v) {
    return {v.x, v.y, v.z};
}

}  // namespace

D3D8Renderer::D3D8Renderer(D3D8RendererOptions options)
    : Renderer(kRendererDirect3D8, {ERR_D3D_NULL_TEXTURE, ERR_D3D_TEXTURE_NO_PIXELS,
                                    ERR_D3D_TEXTURE_NOT_LOADED, ERR_D3D_NO_DEVICE}),
      options_(options) {
    stencilMirrors_ = true;
}

D3D8Renderer::~D3D8Renderer() {
    Shutdown();
    FreeVertexPool();
}

void D3D8Renderer::Adopt(D3D8Texture* texture) {
    textures_.insert(texture);
}

void D3D8Renderer::Forget(D3D8Texture* texture) {
    textures_.erase(texture);
}

Result D3D8Renderer::CreateVertexPool(uint32_t capacity) {
    FreeVertexPool();
    if (Succeeded(Renderer::CreateVertexPool(capacity))) {
        deviceVertices_.reset(new (std::nothrow) PoolVertex[std::size_t{capacity} + 1]);
        if (deviceVertices_) {
            deviceVertexCapacity_ = capacity + 1;
            return RESULT_OK;
        }
    }
    FreeVertexPool();
    Shutdown();
    return ERR_D3D_NO_VERTICES;
}

void D3D8Renderer::FreeVertexPool() {
    Renderer::FreeVertexPool();
    deviceVertices_.reset();
    deviceVertexCapacity_ = 0;
    deviceVertexCount_ = 0;
}

bool D3D8Renderer::Init(RenderWindow* window, DisplayMode mode, uint32_t width, uint32_t height) {
    Shutdown();
    auto* target = dynamic_cast<PresentTarget*>(window);
    if (!target) return false;
    windowed_ = (static_cast<int32_t>(mode) & 1) != 0;
    if (!CreateDevice(*target, width, height)) {
        Shutdown();
        return false;
    }
    render_state::ClearBoundTextures();
    SetInitialState();
    SetUpTextureStages();
    ApplyDefaultMaterial();
    EnableLighting(true);
    BeginFrame();
    Clear(kClearColour);
    Present();
    Clear(kClearColour);
    EndFrame();
    return true;
}

bool D3D8Renderer::CreateDevice(PresentTarget& target, uint32_t width, uint32_t height) {
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION, options_.adapter);
    D3DDISPLAYMODE display;
    if (!d3d_ || Failed(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &display))) return false;
    if (width == 0 || height == 0) {
        uint32_t clientWidth = 0, clientHeight = 0;
        if (!target.ClientSize(clientWidth, clientHeight)) return false;
        if (width == 0) width = clientWidth;
        if (height == 0) height = clientHeight;
    }
    D3DPRESENT_PARAMETERS p;
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = display.Format;
    p.BackBufferCount = 1;
    p.Windowed = windowed_ ? TRUE : FALSE;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.hDeviceWindow = &target;
    if (Failed(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &target,
                                  D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_)))
        return false;
    D3DCAPS8 caps;
    if (Failed(device_->GetDeviceCaps(&caps))) return false;
    width_ = p.BackBufferWidth;
    height_ = p.BackBufferHeight;
    colourBits_ = 0;
    depthBits_ = 0;
    textureUnits_ = std::max<int32_t>(1, static_cast<int32_t>(caps.MaxSimultaneousTextures));
    multitexture_ = textureUnits_ > 1;
    return true;
}

void D3D8Renderer::SetState(D3DRENDERSTATETYPE state, DWORD value) {
    (void)device_->SetRenderState(state, value);  // every state used here is known
}

void D3D8Renderer::SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    (void)device_->SetTextureStageState(stage, type, value);  // stages 0..7 all exist
}

DWORD D3D8Renderer::State(D3DRENDERSTATETYPE state) const {
    DWORD value = 0;
    (void)device_->GetRenderState(state, &value);  // known states always answer
    return value;
}

DWORD D3D8Renderer::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    DWORD value = 0;
    (void)device_->GetTextureStageState(stage, type, &value);  // likewise
    return value;
}

void D3D8Renderer::SetInitialState() {
    SetState(D3DRS_CULLMODE, D3DCULL_CW);
    SetState(D3DRS_FILLMODE, D3DFILL_SOLID);
    SetState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    SetState(D3DRS_DITHERENABLE, TRUE);
    SetState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    SetState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetState(D3DRS_CLIPPING, FALSE);
    SetState(D3DRS_LIGHTING, FALSE);
    SetState(D3DRS_NORMALIZENORMALS, FALSE);
    SetState(D3DRS_CLIPPLANEENABLE, 0);
    SetState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1);
    SetState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
    SetState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
    SetState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
    SetState(D3DRS_LOCALVIEWER, TRUE);
    SetState(D3DRS_COLORVERTEX, TRUE);
    SetDepthFunc(kCompareLessEqual);
    SetDepth(true, true);
    EnableAlphaTest(false);
    SetAlphaFunc(kCompareLess, 128);
    SetOrtho();
}

void D3D8Renderer::SetUpTextureStages() {
    for (DWORD stage = 0; stage < 2; ++stage) {
        SetStageState(stage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        SetStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        SetStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    }
    SetStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    SetStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    SetStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    const DWORD firstUnused = multitexture_ ? 2 : 1;
    if (multitexture_) {
        SetStageState(1, D3DTSS_TEXCOORDINDEX, 1);
        SetStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        SetStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        SetStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        SetStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
        SetStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    }
    SetStageState(firstUnused, D3DTSS_COLOROP, D3DTOP_DISABLE);
    SetStageState(firstUnused, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void D3D8Renderer::Shutdown() {
    if (device_) {
        (void)device_->SetTexture(0, nullptr);  // stages 0 and 1 always exist
        (void)device_->SetTexture(1, nullptr);
    }
    for (D3D8Texture* texture : textures_)
        texture->Detach();
    textures_.clear();
    if (device_) render_state::ClearBoundTextures();
    device_.Reset();
    d3d_.Reset();
    multitexture_ = false;
    textureUnits_ = 1;
}

bool D3D8Renderer::BeginFrame() {
    return device_ && Succeeded(device_->BeginScene());
}

bool D3D8Renderer::EndFrame() {
    return device_ && Succeeded(device_->EndScene());
}

bool D3D8Renderer::Begin3D(const Camera* camera) {
    if (!camera) return false;
    return Begin3DView(camera->fieldOfView, camera->nearPlane, camera->farPlane,
                       camera->viewMatrix);
}

bool D3D8Renderer::Clear(uint32_t flags) {
    if (!device_) return false;
    DWORD clear = 0;
    if (flags & kClearColour) clear |= D3DCLEAR_TARGET;
    if (flags & kClearDepth) clear |= D3DCLEAR_ZBUFFER;
    if (flags & kClearStencil) clear |= D3DCLEAR_STENCIL;
    if (clear == 0) return true;
    return Succeeded(device_->Clear(0, nullptr, clear, kBackground, 1.0f, kBackgroundStencil));
}

bool D3D8Renderer::Present() {
    return device_ && Succeeded(device_->Present(nullptr, nullptr, nullptr, nullptr));
}

// Testing without writing compares with "always", so that depth can be
// written without being tested, as the renderer interface allows.
void D3D8Renderer::ApplyDepthState() {
    SetState(D3DRS_ZENABLE, depthWrite_ || depthTest_ ? D3DZB_TRUE : D3DZB_FALSE);
    SetState(D3DRS_ZWRITEENABLE, depthWrite_ ? TRUE : FALSE);
    SetState(D3DRS_ZFUNC, depthTest_ ? depthComparison_ : D3DCMP_ALWAYS);
}

bool D3D8Renderer::SetDepth(bool write, bool test) {
    if (!device_) return false;
    depthWrite_ = write;
    depthTest_ = test;
    ApplyDepthState();
    return true;
}

bool D3D8Renderer::SetDepthFunc(Comparison comparison) {
    depthComparison_ = MapComparison(comparison);
    if (!device_) return false;
    ApplyDepthState();
    return true;
}

bool D3D8Renderer::EnableAlphaTest(bool enable) {
    if (!device_) return false;
    SetState(D3DRS_ALPHATESTENABLE, enable ? TRUE : FALSE);
    return true;
}

bool D3D8Renderer::SetAlphaFunc(Comparison comparison, uint8_t reference) {
    alphaComparison_ = MapComparison(comparison);
    if (!device_) return false;
    SetState(D3DRS_ALPHAFUNC, alphaComparison_);
    SetState(D3DRS_ALPHAREF, reference);
    return true;
}

void D3D8Renderer::SetCullFront(bool front) {
    if (device_) SetState(D3DRS_CULLMODE, front ? D3DCULL_CCW : D3DCULL_CW);
}

void D3D8Renderer::SetTextureFilter(int32_t stage, TextureFilterCode minify,
                                    TextureFilterCode magnify, int32_t) {
    if (!device_ || stage < 0 || stage >= render_state::kTextureStages) return;
    const auto s = static_cast<DWORD>(stage);
    if (minify == kFilterPoint || minify == kFilterLinear) {
        const DWORD filter = minify == kFilterPoint ? D3DTEXF_POINT : D3DTEXF_LINEAR;
        SetStageState(s, D3DTSS_MINFILTER, filter);
        SetStageState(s, D3DTSS_MIPFILTER, filter);
    }
    if (magnify == kFilterPoint || magnify == kFilterLinear)
        SetStageState(s, D3DTSS_MAGFILTER,
                      magnify == kFilterPoint ? D3DTEXF_POINT : D3DTEXF_LINEAR);
}

Handle<Texture> D3D8Renderer::NewTexture() {
    return Handle<Texture>(new D3D8Texture(this));
}

bool D3D8Renderer::IsDeviceTexture(const Texture& texture) const {
    const auto* t = dynamic_cast<const D3D8Texture*>(&texture);
    return t && (!t->Owner() || t->Owner() == this);
}

// The device has no "0555" format; such textures travel as "0888", as
// they do to OpenGL, so that every texture a reader or a record makes can
// be drawn.
PixelFormat D3D8Renderer::UploadFormat(PixelFormat format) const {
    return format == kFormat0555 ? kFormat0888 : format;
}

Result D3D8Renderer::CreateDeviceTexture(Texture& texture) {
    auto& t = static_cast<D3D8Texture&>(texture);
    if (!t.Owner()) t.Attach(this);
    return t.CreateOnDevice();
}

void D3D8Renderer::DeleteDeviceTexture(Texture& texture) {
    (void)texture.DeleteOnDevice();  // dropping the device copy cannot fail
}

// Stage 0 multiplies its texture by the vertex colour; stage 1 multiplies
// the result by the light map and keeps its alpha.
void D3D8Renderer::BindDeviceTexture(int32_t stage, const Texture* texture) {
    if (!device_) return;
    const auto s = static_cast<DWORD>(stage);
    if (texture) {
        SetStageState(s, D3DTSS_COLOROP, D3DTOP_MODULATE);
        if (stage == 0) {
            SetStageState(s, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        } else {
            SetStageState(s, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
            SetStageState(s, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        }
    } else {
        SetStageState(s, D3DTSS_COLOROP, D3DTOP_DISABLE);
        SetStageState(s, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    }
    if (!multitexture_ && stage != 0) return;
    const auto* t = dynamic_cast<const D3D8Texture*>(texture);
    (void)device_->SetTexture(s, t ? t->DeviceTexture() : nullptr);  // every stage exists
}

bool D3D8Renderer::ApplyFillMode(bool solid) {
    if (!device_) return false;
    SetState(D3DRS_FILLMODE, solid ? D3DFILL_SOLID : D3DFILL_WIREFRAME);
    return true;
}

namespace {

// The texture format a back-buffer format is saved in; kFormat0000 for
// formats without one.
int32_t ShotFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R8G8B8:
            return kFormat0888;
        case D3DFMT_X8R8G8B8:
            return kFormat8888;
        case D3DFMT_R5G6B5:
            return kFormat0565;
        default:
            return kFormat0000;
    }
}

}  // namespace

Result D3D8Renderer::ScreenShot() {
    if (!device_) return ERR_D3D_NO_DEVICE;
    Handle<IDirect3DSurface8> back;
    if (Failed(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return ERR_D3D_NO_BACK_BUFFER;
    D3DSURFACE_DESC desc;
    if (Failed(back->GetDesc(&desc))) return ERR_D3D_BACK_BUFFER_DESC;
    const int32_t format = ShotFormat(desc.Format);
    if (format == kFormat0000) return ERR_D3D_SHOT_FORMAT;
    Handle<Texture> shot = NewTexture();
    const Result created = shot->Create("screen shot", desc.Width, desc.Height, format);
    if (Failed(created)) return created;
    if (!shot->Pixels()) return ERR_FAIL;
    const Result copied = CopyRows(*back, *shot);
    return Failed(copied) ? copied : shot->SaveScreenShot();
}

// The back buffer's rows, top first, into a picture of its size and format.
Result D3D8Renderer::CopyRows(IDirect3DSurface8& back, Texture& shot) {
    D3DLOCKED_RECT locked;
    if (Failed(back.LockRect(&locked, nullptr, D3DLOCK_READONLY))) return ERR_D3D_BACK_BUFFER_LOCK;
    const std::size_t row = std::size_t{shot.Width()} * BytesPerPixel(shot.Format());
    for (uint32_t y = 0; y < shot.Height(); ++y) {
        const auto* from =
            static_cast<const uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        std::copy(from, from + row, shot.Pixels() + y * row);
    }
    return back.UnlockRect();
}

bool D3D8Renderer::ReadPixels(std::vector<uint8_t>& rgba) {
    if (!device_) return false;
    Handle<IDirect3DSurface8> back;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT locked;
    if (Failed(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)) ||
        Failed(back->GetDesc(&desc)) || Failed(back->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
        return false;
    rgba.assign(std::size_t{desc.Width} * desc.Height * 4, 0);
    const uint32_t bytes = FormatBytes(desc.Format);
    for (uint32_t y = 0; y < desc.Height; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        for (uint32_t x = 0; x < desc.Width; ++x) {
            const uint32_t argb = DecodeArgb(row + x * bytes, desc.Format);
            uint8_t* out = rgba.data() + (std::size_t{y} * desc.Width + x) * 4;
            out[0] = static_cast<uint8_t>(argb >> 16);
            out[1] = static_cast<uint8_t>(argb >> 8);
            out[2] = static_cast<uint8_t>(argb);
            out[3] = static_cast<uint8_t>(argb >> 24);
        }
    }
    return Succeeded(back->UnlockRect());
}

bool D3D8Renderer::NeedsLightMapPass() const {
    const auto* lightMap = dynamic_cast<const D3D8Texture*>(render_state::BoundTexture(1));
    return device_ && textureUnits_ == 1 && lightMap && lightMap->Uploaded();
}

// The second pass multiplies the frame buffer by the light map alone: the
// texture replaces the vertex colour, and depth is tested for
// equal-or-nearer without being written, so the pass lands exactly on the
// first one.
D3D8Renderer::SavedPassState D3D8Renderer::BeginLightMapPass(DWORD coordinateSet) {
    const SavedPassState saved{StageState(0, D3DTSS_COLOROP),
                               StageState(0, D3DTSS_ALPHAOP),
                               StageState(0, D3DTSS_TEXCOORDINDEX),
                               State(D3DRS_ZWRITEENABLE),
                               State(D3DRS_ZFUNC),
                               State(D3DRS_ALPHABLENDENABLE),
                               State(D3DRS_SRCBLEND),
                               State(D3DRS_DESTBLEND)};
    const auto* lightMap = static_cast<const D3D8Texture*>(render_state::BoundTexture(1));
    (void)device_->SetTexture(0, lightMap->DeviceTexture());  // stage 0 always exists
    SetStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    SetStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    SetStageState(0, D3DTSS_TEXCOORDINDEX, coordinateSet);
    SetState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    SetState(D3DRS_DESTBLEND, D3DBLEND_SRCCOLOR);
    SetState(D3DRS_ZWRITEENABLE, FALSE);
    SetState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    return saved;
}

void D3D8Renderer::EndLightMapPass(const SavedPassState& saved) {
    const auto* base = dynamic_cast<const D3D8Texture*>(render_state::BoundTexture(0));
    (void)device_->SetTexture(0, base ? base->DeviceTexture() : nullptr);  // as above
    SetStageState(0, D3DTSS_COLOROP, saved.colourOp);
    SetStageState(0, D3DTSS_ALPHAOP, saved.alphaOp);
    SetStageState(0, D3DTSS_TEXCOORDINDEX, saved.coordinateSet);
    SetState(D3DRS_ZWRITEENABLE, saved.depthWrite);
    SetState(D3DRS_ZFUNC, saved.depthFunc);
    SetState(D3DRS_ALPHABLENDENABLE, saved.blend);
    SetState(D3DRS_SRCBLEND, saved.sourceBlend);
    SetState(D3DRS_DESTBLEND, saved.destinationBlend);
}

void D3D8Renderer::DrawVertexBatch(PrimitiveKind kind, uint32_t count, int32_t colourSets,
                                   int32_t coordinateSets) {
    Renderer::DrawVertexBatch(kind, count, colourSets, coordinateSets);
    if (!NeedsLightMapPass()) return;
    const SavedPassState saved = BeginLightMapPass(0);
    Renderer::DrawVertexBatch(kind, count, colourSets, coordinateSets);
    EndLightMapPass(saved);
}

void D3D8Renderer::EmitVertex(const ScreenVertex& vertex, int32_t colourSets,
                              int32_t coordinateSets) {
    // The last slot is kept for the vertex that closes an outline.
    if (!deviceVertices_ || deviceVertexCount_ + 1 >= deviceVertexCapacity_) return;
    PoolVertex& v = deviceVertices_[deviceVertexCount_++];
    v.x = vertex.position.x;
    v.y = vertex.position.y;
    v.z = vertex.position.z;
    v.rhw = vertex.position.w;
    v.colour = colourSets > 0 ? PackArgb(vertex.colours[0]) : 0xFFFFFFFFu;
    v.u = coordinateSets > 0 ? vertex.texCoords[0].x : 0.0f;
    v.v = coordinateSets > 0 ? vertex.texCoords[0].y : 0.0f;
}

void D3D8Renderer::EmitVertexPlain(const ScreenVertex& vertex, int32_t colourSets,
                                   int32_t coordinateSets) {
    EmitVertex(vertex, colourSets, coordinateSets);
}

void D3D8Renderer::BeginPolygon() {
    deviceVertexCount_ = 0;
}

void D3D8Renderer::BeginStrip() {
    deviceVertexCount_ = 0;
}

// Pooled vertices carry one coordinate pair, which OpenGL hands to both
// texture units; the second stage reads it too.
void D3D8Renderer::DrawPooled(D3DPRIMITIVETYPE type, uint32_t primitives,
                              const PoolVertex* vertices) {
    if (Failed(device_->SetVertexShader(kPoolFormat))) return;
    if (multitexture_) SetStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    // The counts are made here from the vertices there are.
    (void)device_->DrawPrimitiveUP(type, primitives, vertices, sizeof(PoolVertex));
    if (multitexture_) SetStageState(1, D3DTSS_TEXCOORDINDEX, 1);
}

void D3D8Renderer::EndPolygon() {
    const uint32_t count = deviceVertexCount_;
    if (!device_ || count == 0) return;
    if (!IsSolid()) {
        // The outline closes on its first vertex: count segments.
        deviceVertices_[count] = deviceVertices_[0];
        DrawPooled(D3DPT_LINESTRIP, count, deviceVertices_.get());
    } else if (count >= 3) {
        DrawPooled(D3DPT_TRIANGLEFAN, count - 2, deviceVertices_.get());
    }
}

void D3D8Renderer::EndStrip() {
    const uint32_t count = deviceVertexCount_;
    if (!device_ || count == 0) return;
    if (IsSolid()) {
        if (count >= 3) DrawPooled(D3DPT_TRIANGLESTRIP, count - 2, deviceVertices_.get());
        return;
    }
    if (count >= 2) DrawPooled(D3DPT_LINESTRIP, count - 1, deviceVertices_.get());
    DrawStripOutline();
}

// The strip's other edges: from each vertex to the one after next.
void D3D8Renderer::DrawStripOutline() {
    lines_.clear();
    for (uint32_t i = 0; i + 2 < deviceVertexCount_; ++i) {
        lines_.push_back(deviceVertices_[i]);
        lines_.push_back(deviceVertices_[i + 2]);
    }
    if (!lines_.empty())
        DrawPooled(D3DPT_LINELIST, static_cast<uint32_t>(lines_.size() / 2), lines_.data());
}

void D3D8Renderer::DrawArrays(const ArraySource&) {}

void D3D8Renderer::DrawIndexed(const MeshVertex* vertices, uint32_t vertexCount,
                               const uint16_t* indices, uint32_t triangleCount) {
    if (!device_ || !vertices || !indices || vertexCount == 0 || triangleCount == 0) return;
    if (Failed(device_->SetVertexShader(D3D8MeshBuffer::kVertexFormat))) return;
    const auto draw = [&] {
        return device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, vertexCount, triangleCount,
                                               indices, D3DFMT_INDEX16, vertices,
                                               sizeof(MeshVertex));
    };
    // An index past the vertices is refused by the device: nothing is drawn.
    if (Failed(draw()) || !NeedsLightMapPass()) return;
    const SavedPassState saved = BeginLightMapPass(1);
    (void)draw();  // accepted just above
    EndLightMapPass(saved);
}

Handle<MeshBuffer> D3D8Renderer::NewMeshBuffer(const MeshVertex* vertices, uint32_t vertexCount,
                                               const uint16_t* indices, uint32_t triangleCount) {
    if (!device_)
        return Handle<MeshBuffer>(new MeshBuffer(vertices, vertexCount, indices, triangleCount));
    return Handle<MeshBuffer>(
        new D3D8MeshBuffer(*device_, vertices, vertexCount, indices, triangleCount));
}

bool D3D8Renderer::SetStripIndices(MeshBuffer* buffer, const uint16_t* indices, uint32_t count) {
    auto* b = dynamic_cast<D3D8MeshBuffer*>(buffer);
    return device_ && b && b->SetStrips(*device_, indices, count);
}

Result D3D8Renderer::UpdateMeshBuffer(MeshBuffer* buffer) {
    if (!buffer) return ERR_NULL_ARGUMENT;
    auto* b = dynamic_cast<D3D8MeshBuffer*>(buffer);
    return b ? b->CopyVertices() : RESULT_OK;
}

void D3D8Renderer::DrawMeshBufferPart(MeshBuffer* buffer, const uint16_t* indices,
                                      uint32_t triangleCount) {
    if (!buffer || !indices || !device_) return;
    auto* b = dynamic_cast<D3D8MeshBuffer*>(buffer);
    if (!b || !b->HasDeviceBuffers()) {
        DrawIndexed(buffer->vertices, buffer->vertexCount, indices, triangleCount);
        return;
    }
    if (Failed(b->Select(*device_, false))) return;
    const auto draw = [&] {
        return device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, b->vertexCount, 0,
                                             triangleCount);
    };
    if (Failed(draw()) || !NeedsLightMapPass()) return;
    const SavedPassState saved = BeginLightMapPass(1);
    (void)draw();  // accepted just above
    EndLightMapPass(saved);
}

// Row k of a grid of `columns` cells is a strip of 2 x columns triangles
// over the vertices of grid rows k and k + 1.
void D3D8Renderer::DrawMeshBuffer(MeshBuffer* buffer, uint32_t columns, uint32_t rows) {
    auto* b = dynamic_cast<D3D8MeshBuffer*>(buffer);
    if (!device_ || !b || !b->HasStrips() || columns == 0) return;
    if (Failed(b->Select(*device_, true))) return;
    const auto drawRows = [&] {
        for (uint32_t k = 0; k < rows; ++k) {
            // A row whose indices leave the range it names draws nothing.
            (void)device_->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, k * (columns + 1),
                                                2 * columns + 2, k * (2 * columns + 2),
                                                2 * columns);
        }
    };
    drawRows();
    if (!NeedsLightMapPass()) return;
    const SavedPassState saved = BeginLightMapPass(1);
    drawRows();
    EndLightMapPass(saved);
}

void D3D8Renderer::BeginStencilWrite() {
    if (!stencilMirrors_ || !device_) return;
    SetState(D3DRS_STENCILENABLE, TRUE);
    SetState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    SetState(D3DRS_STENCILREF, 1);
    SetState(D3DRS_STENCILMASK, 1);
    SetState(D3DRS_STENCILWRITEMASK, 1);
    SetState(D3DRS_STENCILFAIL, D3DSTENCILOP_REPLACE);
    SetState(D3DRS_STENCILZFAIL, D3DSTENCILOP_REPLACE);
    SetState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE);
    SetDepth(false, true);
    // Colour stays as it is: the source weighs nothing, the destination all.
    SetState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    SetState(D3DRS_DESTBLEND, D3DBLEND_ONE);
}

void D3D8Renderer::BeginStencilTest() {
    if (!stencilMirrors_ || !device_) return;
    SetState(D3DRS_STENCILENABLE, TRUE);
    SetState(D3DRS_STENCILFUNC, D3DCMP_EQUAL);
    SetState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    SetState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    SetState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    SetDepth(true, true);
    SetState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    SetState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void D3D8Renderer::EndStencil() {
    if (device_) SetState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
}

bool D3D8Renderer::SetViewMatrix(const Matrix4* world, const Matrix4* view) {
    if (!device_) return false;
    if (world) {
        const D3DMATRIX w = ToDevice(*world);
        (void)device_->SetTransform(D3DTS_WORLD, &w);  // a matrix is always accepted
    }
    if (view) {
        viewMatrix_ = *view;
        const D3DMATRIX v = ToDevice(*view);
        (void)device_->SetTransform(D3DTS_VIEW, &v);
    }
    return true;
}

// The 2-D projection maps pixel coordinates itself (SetOrtho), so that
// identity world and view matrices are what 2-D drawing needs.
bool D3D8Renderer::ResetViewMatrix() {
    if (!device_) return false;
    const D3DMATRIX identity;
    (void)device_->SetTransform(D3DTS_WORLD, &identity);  // always accepted
    (void)device_->SetTransform(D3DTS_VIEW, &identity);
    return true;
}

void D3D8Renderer::SetPerspective(float fieldOfView, float nearPlane, float farPlane) {
    // A frustum the projection cannot make leaves the projection as it was.
    if (!(fieldOfView > 0.0f && fieldOfView < kPi && nearPlane > 0.0f && farPlane > nearPlane))
        return;
    if (!device_) return;
    const float c = std::tan(fieldOfView / 2.0f) * nearPlane;
    D3DXMATRIX lens, flip, projection;
    // A 4:3 view whatever the window's shape; the engine's y axis points
    // down the screen.
    D3DXMatrixPerspectiveLH(&lens, 2.0f * c, 0.75f * 2.0f * c, nearPlane, farPlane);
    flip.m[1][1] = -1.0f;
    D3DXMatrixMultiply(&projection, &flip, &lens);
    (void)device_->SetTransform(D3DTS_PROJECTION, &projection);  // always accepted
    const D3DVIEWPORT8 viewport{0, 0, width_, height_, 0.0f, 1.0f};
    (void)device_->SetViewport(&viewport);  // the whole back buffer fits it
    SetState(D3DRS_CLIPPING, TRUE);
}

bool D3D8Renderer::SetOrtho() {
    if (!device_) return false;
    D3DXMATRIX lens, pixels, projection;
    D3DXMatrixOrthoLH(&lens, float(width_), float(height_), 0.0f, 1.0f);
    // Pixel coordinates from the top-left corner onto the centred projection.
    pixels.m[1][1] = -1.0f;
    pixels.m[3][0] = -float(width_) / 2.0f;
    pixels.m[3][1] = float(height_) / 2.0f;
    D3DXMatrixMultiply(&projection, &pixels, &lens);
    (void)device_->SetTransform(D3DTS_PROJECTION, &projection);  // always accepted
    const D3DVIEWPORT8 viewport{0, 0, width_, height_, 0.0f, 1.0f};
    (void)device_->SetViewport(&viewport);  // the whole back buffer fits it
    SetState(D3DRS_CLIPPING, FALSE);
    return true;
}

bool D3D8Renderer::EnableLighting(bool enable) {
    if (!device_) return false;
    SetState(D3DRS_LIGHTING, enable ? TRUE : FALSE);
    return true;
}

// Lights are given in world space, as the device takes them: it carries
// them into camera space with the view matrix of each draw.
bool D3D8Renderer::BeginLightLoad() {
    return device_ != nullptr;
}

void D3D8Renderer::EndLightLoad() {}

void D3D8Renderer::LoadAmbientLight(const Vector4& colour) {
    SetState(D3DRS_AMBIENT, D3DCOLOR_ARGB(0xFF, Byte(colour.x), Byte(colour.y), Byte(colour.z)));
}

void D3D8Renderer::LoadDeviceLight(int slot, const DeviceLight* light) {
    const auto index = static_cast<DWORD>(slot);
    if (!light) {
        (void)device_->LightEnable(index, FALSE);  // slots 0..7 always exist
        return;
    }
    D3DLIGHT8 l;
    l.Diffuse = ColourValue(light->colour);
    l.Ambient = {0, 0, 0, 0};
    l.Specular = {0, 0, 0, 0};
    l.Position = DeviceVector(light->position);
    l.Direction = DeviceVector(light->direction);
    l.Range = light->range * kRangeScale;
    l.Attenuation0 = light->attenuation0;
    l.Attenuation1 = light->attenuation1;
    l.Attenuation2 = light->attenuation2;
    l.Falloff = 1.0f;
    l.Theta = light->innerAngle;
    l.Phi = light->outerAngle;
    l.Type = light->kind == kLightDirectional ? D3DLIGHT_DIRECTIONAL
             : light->kind == kLightSpot      ? D3DLIGHT_SPOT
                                              : D3DLIGHT_POINT;
    // A light the device refuses (a negative range) stays dark.
    const bool set = Succeeded(device_->SetLight(index, &l));
    (void)device_->LightEnable(index, set && light->on ? TRUE : FALSE);  // as above
}

void D3D8Renderer::ApplyDefaultMaterial() {
    if (!device_) return;
    D3DMATERIAL8 white;
    white.Diffuse = white.Ambient = {1, 1, 1, 1};
    white.Specular = white.Emissive = {0, 0, 0, 1};
    white.Power = 0.0f;
    (void)device_->SetMaterial(&white);  // a material is always accepted
}

}  // namespace vimsa
