#include "render/direct3d8/d3d8_mesh_buffer.h"

#include <cstring>

namespace vimsa {

using namespace d3d8;

namespace {

// Copies `size` bytes into a buffer through a lock of all of it.
template <typename Buffer>
HRESULT Fill(Buffer& buffer, const void* data, std::size_t size) {
    BYTE* bytes = nullptr;
    const HRESULT locked = buffer.Lock(0, 0, &bytes, 0);
    if (Failed(locked)) return locked;
    std::memcpy(bytes, data, size);
    return buffer.Unlock();
}

Handle<IDirect3DIndexBuffer8> IndexBuffer(IDirect3DDevice8& device, const uint16_t* indices,
                                          std::size_t count) {
    Handle<IDirect3DIndexBuffer8> buffer;
    const auto size = static_cast<UINT>(count * sizeof(uint16_t));
    if (!indices || count == 0 || count > UINT32_MAX / sizeof(uint16_t)) return nullptr;
    if (Failed(device.CreateIndexBuffer(size, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                        &buffer)))
        return nullptr;
    if (Failed(Fill(*buffer, indices, size))) return nullptr;
    return buffer;
}

}  // namespace

D3D8MeshBuffer::D3D8MeshBuffer(IDirect3DDevice8& device, const MeshVertex* vertices,
                               uint32_t vertexCount, const uint16_t* indices,
                               uint32_t triangleCount)
    : MeshBuffer(vertices, vertexCount, indices, triangleCount) {
    const std::size_t size = std::size_t{vertexCount} * sizeof(MeshVertex);
    if (!vertices || vertexCount == 0 || size > UINT32_MAX) return;
    Handle<IDirect3DVertexBuffer8> made;
    if (Failed(device.CreateVertexBuffer(static_cast<UINT>(size), D3DUSAGE_WRITEONLY, kVertexFormat,
                                         D3DPOOL_MANAGED, &made)))
        return;
    if (Failed(Fill(*made, vertices, size))) return;
    Handle<IDirect3DIndexBuffer8> list =
        IndexBuffer(device, indices, std::size_t{3} * triangleCount);
    if (!list) return;
    vertexBuffer_ = made;
    indexBuffer_ = list;
}

bool D3D8MeshBuffer::SetStrips(IDirect3DDevice8& device, const uint16_t* indices, uint32_t count) {
    if (!vertexBuffer_) return false;
    Handle<IDirect3DIndexBuffer8> strips = IndexBuffer(device, indices, count);
    if (!strips) return false;
    stripBuffer_ = strips;
    stripIndices = indices;
    stripIndexCount = count;
    return true;
}

Result D3D8MeshBuffer::CopyVertices() {
    if (!vertexBuffer_ || !vertices) return RESULT_OK;
    return Fill(*vertexBuffer_, vertices, std::size_t{vertexCount} * sizeof(MeshVertex));
}

HRESULT D3D8MeshBuffer::Select(IDirect3DDevice8& device, bool strips) const {
    IDirect3DIndexBuffer8* list = strips ? stripBuffer_.Get() : indexBuffer_.Get();
    if (!vertexBuffer_ || !list) return D3DERR_INVALIDCALL;
    const HRESULT stream = device.SetStreamSource(0, vertexBuffer_.Get(), sizeof(MeshVertex));
    if (Failed(stream)) return stream;
    const HRESULT indices = device.SetIndices(list, 0);
    if (Failed(indices)) return indices;
    return device.SetVertexShader(kVertexFormat);
}

}  // namespace vimsa
