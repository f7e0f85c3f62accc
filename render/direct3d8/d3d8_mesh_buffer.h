#pragma once

#include <cstdint>

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_device.h"
#include "render/render_types.h"

namespace vimsa {

// Mesh arrays with their device copies: a vertex buffer of mesh vertices,
// an index buffer of the triangle list and, once given, one of the strip
// list. A buffer that could not be made is missing, and drawing falls back
// to the arrays.
class D3D8MeshBuffer : public MeshBuffer {
public:
    // The mesh vertex as the device reads it: position, normal, colour and
    // two coordinate pairs.
    static constexpr d3d8::DWORD kVertexFormat =
        d3d8::D3DFVF_XYZ | d3d8::D3DFVF_NORMAL | d3d8::D3DFVF_DIFFUSE | d3d8::D3DFVF_TEX2;

    // Wraps the arrays and fills device buffers from them.
    D3D8MeshBuffer(d3d8::IDirect3DDevice8& device, const MeshVertex* vertices, uint32_t vertexCount,
                   const uint16_t* indices, uint32_t triangleCount);

    bool HasDeviceBuffers() const { return vertexBuffer_ && indexBuffer_; }
    bool HasStrips() const { return vertexBuffer_ && stripBuffer_; }
    // A device index buffer filled with the strip list; false when it
    // cannot be made.
    bool SetStrips(d3d8::IDirect3DDevice8& device, const uint16_t* indices, uint32_t count);
    // Copies the vertices into the vertex buffer again.
    Result CopyVertices();
    // Selects the buffers for an indexed draw of the triangle list or the
    // strip list.
    d3d8::HRESULT Select(d3d8::IDirect3DDevice8& device, bool strips) const;

private:
    Handle<d3d8::IDirect3DVertexBuffer8> vertexBuffer_;
    Handle<d3d8::IDirect3DIndexBuffer8> indexBuffer_;
    Handle<d3d8::IDirect3DIndexBuffer8> stripBuffer_;
};

}  // namespace vimsa
