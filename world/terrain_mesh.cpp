#include "world/terrain_mesh.h"

#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/camera.h"

namespace vimsa {

Result TerrainMesh::PrepareStrips() {
    stripRows_ = 0;
    if (!CreateDeviceBuffer()) return ERR_STREAM_FAILED;
    const uint32_t n = side_;
    if (n == 0 || (uint64_t{n} + 1) * (n + 1) != static_cast<uint64_t>(VertexCount()))
        return ERR_MESH_MISSING_ARRAY;
    // The old buffer, which may have pointed at the old list, is gone.
    strips_.clear();
    strips_.reserve(std::size_t{n} * (n + 1) * 2);
    for (uint32_t row = 0; row < n; ++row) {
        for (uint32_t k = row * (n + 1); k <= row * (n + 1) + n; ++k) {
            strips_.push_back(static_cast<uint16_t>(k));
            strips_.push_back(static_cast<uint16_t>(k + n + 1));
        }
    }
    Renderer* renderer = CurrentRenderer();
    if (!renderer || !renderer->SetStripIndices(DeviceBuffer(), strips_.data(),
                                                static_cast<uint32_t>(strips_.size()))) {
        return ERR_STREAM_FAILED;
    }
    stripRows_ = n;
    return RESULT_OK;
}

Result TerrainMesh::Render() {
    Renderer* renderer = CurrentRenderer();
    const Matrix4* world = GetWorldMatrix();
    const Camera* camera = CurrentCamera();
    if (!renderer || !world || !camera) return ERR_DRAW_FAILED;
    if (!Vertices() || !Indices()) return ERR_MESH_MISSING_ARRAY;
    renderer->SetViewMatrix(world, &camera->viewMatrix);
    Result bound = renderer->BindTexture(0, textures[0].Get());
    if (Succeeded(bound)) bound = renderer->BindTexture(1, textures[1].Get());
    if (Failed(bound)) return bound;
    const auto faces = static_cast<uint32_t>(FaceCount());
    const auto points = static_cast<uint32_t>(VertexCount());
    MeshBuffer* buffer = DeviceBuffer();
    if (buffer && stripRows_ > 0) {
        renderer->DrawMeshBuffer(buffer, side_, stripRows_);
    } else if (buffer) {
        // A buffer that refused its strips still draws, as a triangle list.
        renderer->DrawMeshBufferPart(buffer, Indices(), faces);
    } else {
        renderer->DrawIndexed(Vertices(), points, Indices(), faces);
    }
    render_state::AddDrawnGeometry(faces, points);
    return RESULT_OK;
}

}  // namespace vimsa
