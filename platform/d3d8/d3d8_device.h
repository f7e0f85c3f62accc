#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_resources.h"
#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/device_state.h"
#include "platform/d3d8/pixel_state.h"
#include "platform/d3d8/vertex_processor.h"

namespace vimsa::d3d8 {

class GeometryProcessor;
class Rasterizer;

// What a software device is made with.
struct DeviceSettings {
    D3DCAPS8 caps;
    uint32_t threads = 1;  // rasteriser threads, the caller included
};

// The software Direct3D 8 device: fixed-function transform and lighting,
// clipping, and a tile rasteriser that renders into the back buffer and the
// automatic depth-stencil buffer. Draws are queued and rendered at
// EndScene, Present, or when a lock of the back buffer or the depth-stencil
// buffer needs the pixels; state set after a draw never reaches it.
// Draw calls are accepted inside and outside BeginScene / EndScene.
class IDirect3DDevice8 : public RefObject {
public:
    // Made by IDirect3D8::CreateDevice, which has checked the parameters.
    IDirect3DDevice8(const D3DPRESENT_PARAMETERS& parameters, const DeviceSettings& settings);
    ~IDirect3DDevice8() override;
    IDirect3DDevice8(const IDirect3DDevice8&) = delete;
    IDirect3DDevice8& operator=(const IDirect3DDevice8&) = delete;

    // False when the buffers could not be allocated.
    bool Valid() const;

    HRESULT GetDeviceCaps(D3DCAPS8* caps) const;
    HRESULT GetBackBuffer(UINT index, D3DBACKBUFFER_TYPE type,
                          Handle<IDirect3DSurface8>* surface) const;
    HRESULT GetDepthStencilSurface(Handle<IDirect3DSurface8>* surface) const;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, Handle<IDirect3DTexture8>* texture);
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               Handle<IDirect3DVertexBuffer8>* buffer);
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              Handle<IDirect3DIndexBuffer8>* buffer);

    HRESULT BeginScene();
    HRESULT EndScene();
    // Clears the viewport, or the given rectangles within it.
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil);
    // Shows the whole back buffer in the device window (or `window`).
    HRESULT Present(const RECT* source, const RECT* destination, PresentTarget* window,
                    const void* dirtyRegion);

    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) const;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;
    HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture);
    HRESULT GetTexture(DWORD stage, Handle<IDirect3DTexture8>* texture) const;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) const;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport);
    HRESULT GetViewport(D3DVIEWPORT8* viewport) const;
    HRESULT SetMaterial(const D3DMATERIAL8* material);
    HRESULT GetMaterial(D3DMATERIAL8* material) const;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light);
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) const;
    HRESULT LightEnable(DWORD index, BOOL enable);
    HRESULT GetLightEnable(DWORD index, BOOL* enable) const;
    // The fixed-function pipeline reads vertices of this flexible format.
    HRESULT SetVertexShader(DWORD fvf);
    HRESULT GetVertexShader(DWORD* fvf) const;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride);
    HRESULT SetIndices(IDirect3DIndexBuffer8* buffer, UINT baseVertexIndex);

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
    // Indices, counted from the base vertex index, must lie within
    // minIndex .. minIndex + vertexCount - 1.
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                 UINT startIndex, UINT primitiveCount);
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                            UINT stride);
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                   UINT primitiveCount, const void* indices, D3DFORMAT indexFormat,
                                   const void* vertices, UINT stride);

    // The software device's own statistics query.
    DrawStatistics GetDrawStatistics() const { return statistics_; }
    void ResetDrawStatistics() { statistics_ = {}; }
    uint32_t RasterizerThreads() const;

private:
    // Where the indices of a draw come from: 16-bit values, or none (the
    // vertices in order).
    struct IndexSource {
        const uint16_t* indices = nullptr;
        uint32_t count = 0;
    };

    HRESULT Draw(D3DPRIMITIVETYPE type, uint32_t primitiveCount, const uint8_t* vertices,
                 uint32_t stride, uint32_t vertexCount, uint32_t minIndex, IndexSource indices);
    uint32_t CurrentPixelState();
    PixelState BuildPixelState(std::vector<std::shared_ptr<const TexelBlock>>& keepAlive) const;
    void Assemble(D3DPRIMITIVETYPE type, uint32_t primitiveCount, uint32_t minIndex,
                  IndexSource indices, GeometryProcessor& geometry) const;
    void MarkPixelStateChanged() { pixelStateChanged_ = true; }

    D3DPRESENT_PARAMETERS parameters_;
    DeviceSettings settings_;
    DeviceState state_;
    Handle<IDirect3DSurface8> backBuffer_;
    Handle<IDirect3DSurface8> depthStencil_;
    std::shared_ptr<Rasterizer> rasterizer_;
    bool inScene_ = false;
    // The pixel state last handed to the rasteriser, reused while nothing
    // it depends on has changed.
    bool pixelStateChanged_ = true;
    uint32_t pixelState_ = 0;
    uint64_t pixelStateGeneration_ = 0;
    const TexelBlock* sampledBlocks_[kMaxStages] = {};
    VertexBatch batch_;
    DrawStatistics statistics_;
};

}  // namespace vimsa::d3d8
