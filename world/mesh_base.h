#pragma once

#include <memory>
#include <vector>

#include "render/render_types.h"
#include "scene/renderable_obj.h"

namespace vimsa {

class MeshBuffer;
class Texture;

// A counted array block shared by copies of a mesh. A block that is not
// owned (borrowed storage) or not shareable refuses further users.
template <typename T>
class SharedBlock : public RefObject {
public:
    explicit SharedBlock(size_t count) : items(count) {}

    // Registers one more user of the block.
    Result Share() {
        if (!owned) return ERR_BLOCK_NOT_OWNED;
        if (!shareable && refcount > 0) return ERR_BLOCK_SHARED;
        return RESULT_OK;
    }

    std::vector<T> items;
    bool owned = true;
    bool shareable = true;
};

// A view of one vertex inside a mesh's vertex array.
struct VertexRecord {
    int32_t index = -1;
    MeshVertex* vertex = nullptr;
};

// A view of one triangle: its three indices and its plane.
struct FaceRecord {
    int32_t index = -1;
    uint16_t* corners = nullptr;
    Vector4* plane = nullptr;
};

// Number of texture slots a mesh carries; slots 0 and 1 are bound when drawing.
inline constexpr int kMeshTextures = 8;

// An indexed triangle mesh in the renderer's interleaved vertex format, with
// one plane per face and up to two textures in use. Copies share the arrays.
class MeshBase : public RenderableObj {
public:
    MeshBase();
    ~MeshBase() override;
    MeshBase(const MeshBase&) = delete;
    MeshBase& operator=(const MeshBase&) = delete;

    ObjectType GetType() const override { return ObjectType::MeshBase; }
    Result Render() override;
    // A clone is placed at a node of its own (identity placement) until it is
    // added to another node, so that it can draw at once.
    Handle<GraphObj> Clone() override;
    int32_t SetParent(GraphNode* node, bool keepOld) override;

    // Releases any arrays and creates them for the given counts.
    Result Allocate(int32_t vertices, int32_t faces);
    // Builds from positions, texture coordinates (set 0 for every vertex, then
    // set 1), optional RGBA colours (four floats per vertex) and a face list
    // of four indices per face: (a, b, c, -1) is a triangle, (a, b, c, d) a
    // quadrilateral split into (a, b, c) and (a, c, d).
    Result Build(int32_t vertexCount, int32_t faceCount, int32_t uvSets, int32_t colourSets,
                 const Vector3* positions, const int32_t* faceList, const Vector2* uvs,
                 const float* colours);
    // Face planes, and vertex normals as the normalised sum of the unit
    // normals of the triangles that use each vertex.
    void ComputeNormals();
    // Takes another mesh's arrays by reference.
    Result ShareFrom(const MeshBase& other);
    // Wraps the arrays in a device-side buffer of the current renderer.
    bool CreateDeviceBuffer();
    Result UpdateDeviceBuffer();
    void ReleaseArrays();

    // --- geometry ---
    int32_t VertexCount() const override { return vertexCount_; }
    int32_t FaceCount() const override { return faceCount_; }
    Vector3 VertexPosition(int32_t index) const override;
    void SetVertexPosition(int32_t index, Vector3 position) override;
    bool SetVertexColour(int32_t index, Vector4 colour) override;
    bool FaceVertexIndices(int32_t face, int32_t out[3]) const override;
    Vector4 FacePlane(int32_t face) const override;
    // Texture coordinates of set 0 or 1.
    bool SetVertexTexCoords(int32_t index, int32_t set, Vector2 uv);
    // One corner (0..2) of a triangle.
    bool SetTriangleIndex(int32_t face, int32_t corner, uint16_t index);

    // Record access with a cursor per kind. First rewinds, Next advances;
    // both give false past the end. The cursor is -1 without an array.
    bool FirstVertexRecord(VertexRecord& out);
    bool NextVertexRecord(VertexRecord& out);
    bool VertexRecordAt(int32_t index, VertexRecord& out);
    int32_t VertexCursor() const { return vertices_ ? vertexCursor_ : -1; }
    bool SetVertexCursor(int32_t index);
    bool FirstFaceRecord(FaceRecord& out);
    bool NextFaceRecord(FaceRecord& out);
    bool FaceRecordAt(int32_t index, FaceRecord& out);
    int32_t FaceCursor() const { return indices_ ? faceCursor_ : -1; }
    bool SetFaceCursor(int32_t index);

    MeshVertex* Vertices() { return vertices_ ? vertices_->items.data() : nullptr; }
    const MeshVertex* Vertices() const { return vertices_ ? vertices_->items.data() : nullptr; }
    uint16_t* Indices() { return indices_ ? indices_->items.data() : nullptr; }
    const uint16_t* Indices() const { return indices_ ? indices_->items.data() : nullptr; }
    // One plane per face (unit normal and distance), or null without arrays.
    Vector4* Planes() { return planes_ ? planes_->items.data() : nullptr; }
    const Vector4* Planes() const { return planes_ ? planes_->items.data() : nullptr; }
    MeshBuffer* DeviceBuffer() const { return deviceBuffer_.Get(); }

    Handle<Texture> textures[kMeshTextures];
    int32_t meshNumber = 0;
    // Carried with the mesh (copies and files) for the tools that made it;
    // drawing does not read them.
    uint8_t meshFlag = 0;
    float meshValue = 0.0f;

protected:
    // For the mesh kinds that share the mesh counter.
    void CopyMeshFrom(const MeshBase& source);

private:
    bool HasArrays() const { return vertices_ && indices_ && planes_; }

    int32_t vertexCount_ = 0;
    int32_t faceCount_ = 0;
    int32_t vertexCursor_ = 0;
    int32_t faceCursor_ = 0;
    Handle<SharedBlock<uint16_t>> indices_;
    Handle<SharedBlock<MeshVertex>> vertices_;
    Handle<SharedBlock<Vector4>> planes_;
    Handle<MeshBuffer> deviceBuffer_;
    // The node of a clone not yet added anywhere. It does not list the clone
    // among its objects: the clone owns it, and a cycle of handles would keep
    // both alive for ever.
    Handle<GraphNode> ownNode_;
};

// Packs a 0..1 RGBA colour in the byte order of the active renderer.
void PackVertexColour(Vector4 colour, uint8_t out[4]);

// Meshes whose shared vertices should shade as one surface.
class MeshGroup : public RefObject {
public:
    void Add(MeshBase* mesh) {
        if (mesh) meshes_.emplace_back(mesh);
    }
    void Clear() { meshes_.clear(); }
    // Averages the normals of vertices that lie at the same place (within
    // 0.001 per axis) across all meshes of the group.
    Result SmoothNormals();

private:
    std::vector<Handle<MeshBase>> meshes_;
};

}  // namespace vimsa
