#include "world/mesh_base.h"

#include <cmath>

#include "core/format_string.h"
#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

constexpr int32_t kMaxVertices = 65536;  // indices are 16-bit
// Three indices per face must stay countable in 32 bits.
constexpr int32_t kMaxFaces = 0x7FFFFFFF / 3;

template <typename T>
Handle<SharedBlock<T>> NewBlock(int32_t count) {
    return MakeHandle<SharedBlock<T>>(static_cast<size_t>(count));
}

// Divides by the length unless the vector is zero or already unit length.
void NormalizeLoose(Vector3& v) {
    const float sq = LengthSquared(v);
    if (sq != 0 && (sq < kUnitMin || sq > kUnitMax)) v *= 1.0f / std::sqrt(sq);
}

uint8_t ColourByte(float channel) {
    const float scaled = channel * 255.0f;
    if (!(scaled > 0)) return 0;
    return scaled >= 255 ? 255 : static_cast<uint8_t>(scaled);
}

}  // namespace

void PackVertexColour(Vector4 colour, uint8_t out[4]) {
    const uint8_t r = ColourByte(colour.x), g = ColourByte(colour.y), b = ColourByte(colour.z);
    const bool rgba = RendererIsOpenGL();
    out[0] = rgba ? r : b;
    out[1] = g;
    out[2] = rgba ? b : r;
    out[3] = ColourByte(colour.w);
}

MeshBase::MeshBase() {
    meshNumber = TakeObjectNumber(NameCounter::Mesh);
    FormatString(name, kMeshNameFormat, meshNumber);
}

MeshBase::~MeshBase() {
    ReleaseArrays();
}

void MeshBase::ReleaseArrays() {
    deviceBuffer_ = nullptr;  // it points into the arrays
    indices_ = nullptr;
    vertices_ = nullptr;
    planes_ = nullptr;
    vertexCount_ = faceCount_ = 0;
    vertexCursor_ = faceCursor_ = 0;
}

Result MeshBase::Allocate(int32_t vertices, int32_t faces) {
    ReleaseArrays();
    if (vertices < 0 || faces < 0 || vertices > kMaxVertices || faces > kMaxFaces)
        return ERR_MESH_ALLOCATE;
    indices_ = NewBlock<uint16_t>(3 * faces);
    vertices_ = NewBlock<MeshVertex>(vertices);
    planes_ = NewBlock<Vector4>(faces);
    vertexCount_ = vertices;
    faceCount_ = faces;
    return RESULT_OK;
}

Result MeshBase::Build(int32_t vertexCount, int32_t faceCount, int32_t uvSets, int32_t colourSets,
                       const Vector3* positions, const int32_t* faceList, const Vector2* uvs,
                       const float* colours) {
    const Result allocated = Allocate(vertexCount, faceList ? 2 * faceCount : faceCount);
    if (Failed(allocated)) return allocated;
    MeshVertex* v = Vertices();
    for (int32_t i = 0; i < vertexCount; ++i) {
        if (positions) v[i].position = positions[i];
        if (uvs && uvSets > 0) v[i].uv0 = uvs[i];
        if (uvs && uvSets > 1) v[i].uv1 = uvs[vertexCount + i];
        if (colours && colourSets > 0) {
            const float* c = colours + 4 * static_cast<size_t>(i);
            PackVertexColour({c[0], c[1], c[2], c[3]}, v[i].colour);
        }
    }
    if (!faceList) return RESULT_OK;
    uint16_t* out = indices_->items.data();
    int32_t triangles = 0;
    auto emit = [&](int32_t a, int32_t b, int32_t c) {
        out[3 * triangles] = static_cast<uint16_t>(a);
        out[3 * triangles + 1] = static_cast<uint16_t>(b);
        out[3 * triangles + 2] = static_cast<uint16_t>(c);
        ++triangles;
    };
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t* q = faceList + 4 * static_cast<size_t>(f);
        const int corners = q[3] == -1 ? 3 : 4;
        for (int k = 0; k < corners; ++k) {
            if (q[k] < 0 || q[k] >= vertexCount) {
                ReleaseArrays();
                return ERR_OUT_OF_RANGE;  // a face names a vertex that is not there
            }
        }
        emit(q[0], q[1], q[2]);
        if (corners == 4) emit(q[0], q[2], q[3]);
    }
    faceCount_ = triangles;
    if (positions) ComputeNormals();
    return RESULT_OK;
}

void MeshBase::ComputeNormals() {
    if (!HasArrays()) return;
    MeshVertex* v = Vertices();
    for (int32_t i = 0; i < vertexCount_; ++i)
        v[i].normal = {0, 0, 0};
    const uint16_t* idx = Indices();
    Vector4* planes = planes_->items.data();
    for (int32_t f = 0; f < faceCount_; ++f) {
        const uint16_t i0 = idx[3 * f], i1 = idx[3 * f + 1], i2 = idx[3 * f + 2];
        const Vector3 p0 = v[i0].position, p1 = v[i1].position, p2 = v[i2].position;
        Vector3 n = Cross(p1 - p0, p2 - p1);
        if (Normalize(n)) {
            planes[f] = {n.x, n.y, n.z, -Dot(n, p0)};
        } else {
            planes[f] = {0, 0, 0, 0};
            n = {0, 0, 0};
        }
        v[i0].normal += n;
        v[i1].normal += n;
        v[i2].normal += n;
    }
    for (int32_t i = 0; i < vertexCount_; ++i)
        NormalizeLoose(v[i].normal);
}

Result MeshBase::ShareFrom(const MeshBase& other) {
    if (!other.HasArrays()) return ERR_MESH_MISSING_ARRAY;
    if (Failed(other.indices_->Share()) || Failed(other.vertices_->Share()) ||
        Failed(other.planes_->Share())) {
        return ERR_MESH_SHARE;
    }
    if (&other == this) return RESULT_OK;
    ReleaseArrays();
    indices_ = other.indices_;
    vertices_ = other.vertices_;
    planes_ = other.planes_;
    vertexCount_ = other.vertexCount_;
    faceCount_ = other.faceCount_;
    return RESULT_OK;
}

void MeshBase::CopyMeshFrom(const MeshBase& source) {
    CopyCloneData(source);
    if (source.bounds) bounds = source.bounds->Clone();
    visible = source.visible;
    drawOnce = source.drawOnce;
    meshFlag = source.meshFlag;
    meshValue = source.meshValue;
    for (int i = 0; i < kMeshTextures; ++i)
        textures[i] = source.textures[i];
}

Handle<GraphObj> MeshBase::Clone() {
    Handle<MeshBase> copy = MakeHandle<MeshBase>();
    copy->CopyMeshFrom(*this);
    if (HasArrays() && Failed(copy->ShareFrom(*this))) return nullptr;
    copy->ownNode_ = MakeHandle<GraphNode>();
    copy->parent = copy->ownNode_.Get();
    return copy;
}

int32_t MeshBase::SetParent(GraphNode* node, bool keepOld) {
    if (ownNode_ && node != ownNode_.Get()) {
        if (parent == ownNode_.Get()) parent = nullptr;  // that node never listed this mesh
        ownNode_ = nullptr;
    }
    return RenderableObj::SetParent(node, keepOld);
}

bool MeshBase::CreateDeviceBuffer() {
    Renderer* renderer = CurrentRenderer();
    if (!renderer || !vertices_) return false;
    deviceBuffer_ = renderer->NewMeshBuffer(Vertices(), static_cast<uint32_t>(vertexCount_),
                                            Indices(), static_cast<uint32_t>(faceCount_));
    return static_cast<bool>(deviceBuffer_);
}

Result MeshBase::UpdateDeviceBuffer() {
    if (!deviceBuffer_) return RESULT_OK;
    Renderer* renderer = CurrentRenderer();
    if (!renderer) return ERR_NO_RENDERER;
    return renderer->UpdateMeshBuffer(deviceBuffer_.Get());
}

Result MeshBase::Render() {
    Renderer* renderer = CurrentRenderer();
    const Matrix4* world = GetWorldMatrix();
    const Camera* camera = CurrentCamera();
    if (!renderer || !world || !camera) return ERR_DRAW_FAILED;
    if (!HasArrays()) return ERR_MESH_MISSING_ARRAY;
    renderer->SetViewMatrix(world, &camera->viewMatrix);
    // A mesh is not drawn with whatever texture happens to be bound.
    Result bound = renderer->BindTexture(0, textures[0].Get());
    if (Succeeded(bound)) bound = renderer->BindTexture(1, textures[1].Get());
    if (Failed(bound)) return bound;
    const auto faces = static_cast<uint32_t>(faceCount_);
    if (deviceBuffer_) {
        renderer->DrawMeshBufferPart(deviceBuffer_.Get(), Indices(), faces);
    } else {
        renderer->DrawIndexed(Vertices(), static_cast<uint32_t>(vertexCount_), Indices(), faces);
    }
    render_state::AddDrawnGeometry(faces, static_cast<uint32_t>(vertexCount_));
    return RESULT_OK;
}

Vector3 MeshBase::VertexPosition(int32_t index) const {
    if (index < 0 || index >= vertexCount_) return {};
    return Vertices()[index].position;
}

void MeshBase::SetVertexPosition(int32_t index, Vector3 position) {
    if (index >= 0 && index < vertexCount_) Vertices()[index].position = position;
}

bool MeshBase::SetVertexColour(int32_t index, Vector4 colour) {
    if (index < 0 || index >= vertexCount_) return false;
    PackVertexColour(colour, Vertices()[index].colour);
    return true;
}

bool MeshBase::SetVertexTexCoords(int32_t index, int32_t set, Vector2 uv) {
    if (index < 0 || index >= vertexCount_ || set < 0 || set > 1) return false;
    (set == 0 ? Vertices()[index].uv0 : Vertices()[index].uv1) = uv;
    return true;
}

bool MeshBase::SetTriangleIndex(int32_t face, int32_t corner, uint16_t index) {
    if (face < 0 || face >= faceCount_ || corner < 0 || corner > 2 || index >= vertexCount_)
        return false;
    indices_->items[3 * static_cast<size_t>(face) + static_cast<size_t>(corner)] = index;
    return true;
}

bool MeshBase::FaceVertexIndices(int32_t face, int32_t out[3]) const {
    if (face < 0 || face >= faceCount_ || !indices_) return false;
    for (int i = 0; i < 3; ++i)
        out[i] = Indices()[3 * face + i];
    return true;
}

Vector4 MeshBase::FacePlane(int32_t face) const {
    if (face < 0 || face >= faceCount_ || !planes_) return {};
    return planes_->items[static_cast<size_t>(face)];
}

// --- records ---

bool MeshBase::VertexRecordAt(int32_t index, VertexRecord& out) {
    if (!vertices_ || index < 0 || index >= vertexCount_) return false;
    out = {index, Vertices() + index};
    return true;
}

bool MeshBase::SetVertexCursor(int32_t index) {
    if (!vertices_ || index < 0 || index >= vertexCount_) return false;
    vertexCursor_ = index;
    return true;
}

bool MeshBase::FirstVertexRecord(VertexRecord& out) {
    vertexCursor_ = 0;
    return VertexRecordAt(0, out);
}

bool MeshBase::NextVertexRecord(VertexRecord& out) {
    if (!VertexRecordAt(vertexCursor_ + 1, out)) return false;
    ++vertexCursor_;
    return true;
}

bool MeshBase::FaceRecordAt(int32_t index, FaceRecord& out) {
    if (!HasArrays() || index < 0 || index >= faceCount_) return false;
    out = {index, indices_->items.data() + 3 * static_cast<size_t>(index),
           planes_->items.data() + static_cast<size_t>(index)};
    return true;
}

bool MeshBase::SetFaceCursor(int32_t index) {
    if (!indices_ || index < 0 || index >= faceCount_) return false;
    faceCursor_ = index;
    return true;
}

bool MeshBase::FirstFaceRecord(FaceRecord& out) {
    faceCursor_ = 0;
    return FaceRecordAt(0, out);
}

bool MeshBase::NextFaceRecord(FaceRecord& out) {
    if (!FaceRecordAt(faceCursor_ + 1, out)) return false;
    ++faceCursor_;
    return true;
}

// --- MeshGroup ---

Result MeshGroup::SmoothNormals() {
    size_t total = 0;
    for (const Handle<MeshBase>& mesh : meshes_)
        total += static_cast<size_t>(mesh->VertexCount());
    if (total < 2) return RESULT_OK;

    std::vector<Vector3> positions, normals;
    positions.reserve(total);
    normals.reserve(total);
    for (const Handle<MeshBase>& mesh : meshes_) {
        const MeshVertex* v = mesh->Vertices();
        const uint16_t* idx = mesh->Indices();
        if (!v || !idx) continue;
        std::vector<float> uses(static_cast<size_t>(mesh->VertexCount()), 0.0f);
        for (int32_t k = 0; k < 3 * mesh->FaceCount(); ++k)
            uses[idx[k]] += 1.0f;
        for (int32_t i = 0; i < mesh->VertexCount(); ++i) {
            positions.push_back(v[i].position);
            normals.push_back(v[i].normal * uses[static_cast<size_t>(i)]);
        }
    }
    if (positions.size() < total) return ERR_MESH_MISSING_ARRAY;

    // Each vertex links to the first later one at the same place.
    constexpr float kSame = 0.001f;
    std::vector<int64_t> link(total, -1);
    for (size_t i = 0; i < total; ++i) {
        for (size_t j = i + 1; j < total; ++j) {
            const Vector3 d = positions[i] - positions[j];
            if (std::fabs(d.x) < kSame && std::fabs(d.y) < kSame && std::fabs(d.z) < kSame) {
                link[i] = static_cast<int64_t>(j);
                break;
            }
        }
    }
    auto chainEnd = [&link](size_t i) {
        while (link[i] >= 0)
            i = static_cast<size_t>(link[i]);
        return i;
    };
    for (size_t i = 0; i < total; ++i) {
        if (link[i] >= 0) normals[chainEnd(i)] += normals[i];
    }
    for (Vector3& n : normals)
        NormalizeLoose(n);
    for (size_t i = 0; i < total; ++i) {
        if (link[i] >= 0) normals[i] = normals[chainEnd(i)];
    }

    size_t k = 0;
    for (const Handle<MeshBase>& mesh : meshes_) {
        MeshVertex* v = mesh->Vertices();
        for (int32_t i = 0; i < mesh->VertexCount(); ++i)
            v[i].normal = normals[k++];
    }
    return RESULT_OK;
}

}  // namespace vimsa
