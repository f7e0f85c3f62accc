#include "world/mesh_serializer.h"

#include <bit>
#include <string>
#include <utility>

#include "render/image_file.h"
#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/graph_obj_serializer.h"
#include "world/mesh_base.h"

namespace vimsa {
namespace {

constexpr ChunkTag kBaseTag("MBAS");
constexpr ChunkTag kMeshTag("MFVF");
constexpr ChunkTag kIndexTag("FVTX");
constexpr ChunkTag kVertexTag("VTAR");
constexpr ChunkTag kPlaneTag("FEQ ");
constexpr uint16_t kVersion = 1;

// The arrays are stored as the blocks they are in memory.
static_assert(std::endian::native == std::endian::little, "mesh blocks are little-endian");
constexpr uint32_t kVertexBytes = sizeof(MeshVertex);
constexpr uint32_t kIndexBytes = 3 * sizeof(uint16_t);  // per face
constexpr uint32_t kPlaneBytes = sizeof(Vector4);

// Colour byte orders: blue first (the default) or red first (OpenGL).
constexpr uint32_t kOrderBlueFirst = 0;
constexpr uint32_t kOrderRedFirst = 1;

uint32_t CurrentColourOrder() {
    return RendererIsOpenGL() ? kOrderRedFirst : kOrderBlueFirst;
}

// Arrays larger than this cannot be sized in a chunk.
constexpr uint64_t kMaxRecordBytes = 0xFFFF0000u;

void WriteBlock(ChunkStream& s, const void* block, uint32_t bytes) {
    if (bytes > 0) s.Write(block, bytes);
}

uint32_t BytesLeft(const ChunkStream& s, uint32_t recordEnd) {
    const uint32_t end = recordEnd < s.End() ? recordEnd : s.End();
    return end > s.Tell() ? end - s.Tell() : 0;
}

}  // namespace

// --- MBAS ---

Result MeshBaseSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kBaseTag, header);
    if (Failed(opened)) return opened;
    GraphObjSerializer object(target_, context_);
    const Result objectRead = LoadNested(object);
    if (Failed(objectRead)) return objectRead;
    const uint32_t vertexCount = ReadU32();
    const uint32_t faceCount = ReadU32();
    const uint8_t flag = ReadU8();
    const float value = ReadFloat();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    vertexCount_ = vertexCount;
    faceCount_ = faceCount;
    target_->meshFlag = flag;
    target_->meshValue = value;
    return LoadTextures();
}

Result MeshBaseSerializer::LoadTextures() {
    const uint32_t count = ReadU32();
    if (IsBad()) return StreamResult();
    if (count > kMeshTextures) return ERR_OUT_OF_RANGE;
    Renderer* renderer = CurrentRenderer();
    for (uint32_t i = 0; i < count; ++i) {
        std::string path;
        if (!ReadString(path)) return StreamResult();
        // Textures made in code have no path: an empty one names nothing.
        if (path.empty()) continue;
        Handle<Texture> texture = FindOrLoadTexture(renderer, path);
        if (!texture) {
            if (context_) context_->TextureMissing(path);
            continue;
        }
        // A texture that cannot go to the device is still the mesh's: it
        // is uploaded again when it is bound.
        if (renderer) (void)renderer->UploadTexture(texture.Get());
        target_->textures[i] = std::move(texture);
    }
    return RESULT_OK;
}

Result MeshBaseSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kBaseTag, kVersion);
    GraphObjSerializer object(target_, context_);
    const Result written = object.SaveToStream(Stream());
    WriteU32(static_cast<uint32_t>(target_->VertexCount()));
    WriteU32(static_cast<uint32_t>(target_->FaceCount()));
    WriteU8(target_->meshFlag);
    WriteFloat(target_->meshValue);
    uint32_t inUse = 0;
    while (inUse < kMeshTextures && target_->textures[inUse])
        ++inUse;
    WriteU32(inUse);
    for (uint32_t i = 0; i < inUse; ++i)
        WriteString(target_->textures[i]->Path());
    return EndRecord(start, written);
}

// --- MFVF ---

Result MeshSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kMeshTag, header);
    if (Failed(opened)) return opened;
    MeshBaseSerializer base(target_, context_);
    const Result baseRead = LoadNested(base);
    if (Failed(baseRead)) return baseRead;

    // Counts are refused before anything is allocated when the record could
    // not hold the arrays they announce.
    const uint64_t announced = uint64_t{base.VertexCount()} * kVertexBytes +
                               uint64_t{base.FaceCount()} * (kIndexBytes + kPlaneBytes);
    if (announced > BytesLeft(*Stream(), header.end)) return ERR_OUT_OF_RANGE;
    // Triangles not given in the file name vertex 0, which must exist.
    if (base.FaceCount() > 0 && base.VertexCount() == 0) return ERR_OUT_OF_RANGE;
    const Result built = target_->Build(static_cast<int32_t>(base.VertexCount()),
                                        static_cast<int32_t>(base.FaceCount()), 2, 1, nullptr,
                                        nullptr, nullptr, nullptr);
    if (Failed(built)) return built;
    if (Tell() >= header.end) return ERR_BAD_TAG;  // the arrays are missing

    Result result = RESULT_OK;
    const bool complete = ForEachChild(*Stream(), header, [&](const ChunkHeader& child, uint16_t) {
        if (Failed(result)) return;
        if (child.tag == kIndexTag) result = LoadIndices();
        if (child.tag == kVertexTag) result = LoadVertices();
        if (child.tag == kPlaneTag) result = LoadPlanes();
    });
    if (!complete) return ERR_BAD_TAG;  // cut short at a child's header
    if (Succeeded(result)) result = StreamResult();
    if (Failed(result)) return result;
    // Without a renderer the arrays are drawn from memory.
    target_->CreateDeviceBuffer();
    return RESULT_OK;
}

Result MeshSerializer::LoadIndices() {
    const uint32_t count = ReadU32();
    if (IsBad()) return StreamResult();
    uint16_t* indices = target_->Indices();
    if (!indices) return RESULT_OK;
    if (count > 3 * static_cast<uint32_t>(target_->FaceCount())) return ERR_OUT_OF_RANGE;
    if (Stream()->Read(indices, count * 2) != count * 2) return StreamResult();
    const auto vertexCount = static_cast<uint32_t>(target_->VertexCount());
    for (uint32_t i = 0; i < count; ++i) {
        if (indices[i] >= vertexCount) return ERR_OUT_OF_RANGE;
    }
    return RESULT_OK;
}

Result MeshSerializer::LoadVertices() {
    const uint32_t count = ReadU32();
    if (IsBad()) return StreamResult();
    MeshVertex* vertices = target_->Vertices();
    if (!vertices) return RESULT_OK;
    if (count > static_cast<uint32_t>(target_->VertexCount())) return ERR_OUT_OF_RANGE;
    if (Stream()->Read(vertices, count * kVertexBytes) != count * kVertexBytes)
        return StreamResult();
    const uint32_t order = ReadU32();
    if (IsBad()) return StreamResult();
    if (order != kOrderBlueFirst && order != kOrderRedFirst) return ERR_OUT_OF_RANGE;
    if (order == CurrentColourOrder()) return RESULT_OK;
    for (uint32_t i = 0; i < count; ++i)
        std::swap(vertices[i].colour[0], vertices[i].colour[2]);
    return RESULT_OK;
}

Result MeshSerializer::LoadPlanes() {
    const uint32_t count = ReadU32();
    if (IsBad()) return StreamResult();
    Vector4* planes = target_->Planes();
    if (!planes) return RESULT_OK;
    if (count > static_cast<uint32_t>(target_->FaceCount())) return ERR_OUT_OF_RANGE;
    if (Stream()->Read(planes, count * kPlaneBytes) != count * kPlaneBytes) return StreamResult();
    return RESULT_OK;
}

Result MeshSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    if (!Stream()) return ERR_SERIAL_NO_STREAM;
    ChunkStream& s = *Stream();
    const MeshBase& mesh = *target_;
    const auto faces = static_cast<uint32_t>(mesh.Indices() ? mesh.FaceCount() : 0);
    const auto vertices = static_cast<uint32_t>(mesh.Vertices() ? mesh.VertexCount() : 0);
    const auto planes = static_cast<uint32_t>(mesh.Planes() ? mesh.FaceCount() : 0);
    const uint64_t arrayBytes = uint64_t{faces} * kIndexBytes + uint64_t{vertices} * kVertexBytes +
                                uint64_t{planes} * kPlaneBytes;
    if (arrayBytes > kMaxRecordBytes) return ERR_OUT_OF_RANGE;

    const uint32_t start = BeginRecord(kMeshTag, kVersion);
    MeshBaseSerializer base(target_, context_);
    const Result written = base.SaveToStream(&s);

    // Stream failures are sticky: the record's end reports them.
    const uint32_t indexStart = BeginRecord(kIndexTag, kVersion);
    s.WriteU32(3 * faces);
    WriteBlock(s, mesh.Indices(), faces * kIndexBytes);
    s.EndChunk(indexStart);

    const uint32_t vertexStart = BeginRecord(kVertexTag, kVersion);
    s.WriteU32(vertices);
    WriteBlock(s, mesh.Vertices(), vertices * kVertexBytes);
    s.WriteU32(CurrentColourOrder());
    s.EndChunk(vertexStart);

    const uint32_t planeStart = BeginRecord(kPlaneTag, kVersion);
    s.WriteU32(planes);
    WriteBlock(s, mesh.Planes(), planes * kPlaneBytes);
    s.EndChunk(planeStart);
    return EndRecord(start, written);
}

}  // namespace vimsa
