#include "scene/portal_serializer.h"

#include "scene/graph_obj_serializer.h"
#include "scene/graph_portal.h"
#include "scene/node_frame_serializer.h"

namespace vimsa {
namespace {

constexpr ChunkTag kPortalTag("GPOR");
constexpr ChunkTag kDataTag("PDAT");
constexpr uint16_t kVersion = 1;

}  // namespace

Result PortalSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kPortalTag, header);
    if (Failed(opened)) return opened;
    NodeFrameSerializer frame(target_);
    Result result = LoadNested(frame);
    GraphObjSerializer object(target_, context_);
    const Result objectRead = LoadNested(object);
    if (Succeeded(result)) result = objectRead;
    const uint32_t identity = ReadU32();
    if (IsBad()) return StreamResult();
    if (context_) context_->PortalRead(target_, identity);
    if (Tell() >= header.end) return result;

    const bool complete = ForEachChild(*Stream(), header, [&](const ChunkHeader& child, uint16_t) {
        if (child.tag == kDataTag) LoadData();
    });
    if (!complete) return ERR_BAD_TAG;  // cut short at a child's header
    const Result read = StreamResult();
    return Failed(read) ? read : result;
}

void PortalSerializer::LoadData() {
    const auto kind = static_cast<int32_t>(ReadU32());
    const uint8_t active = ReadU8();
    const uint8_t flag = ReadU8();
    const uint8_t hasMirror = ReadU8();
    Matrix4 mirror;
    for (int row = 0; row < 4; ++row) {
        const Vector4 r = ReadVector4();
        const float values[4] = {r.x, r.y, r.z, r.w};
        for (int column = 0; column < 4; ++column)
            mirror(row, column) = values[column];
    }
    const uint32_t twin = ReadU32();
    if (IsBad()) return;
    target_->portalKind = kind;
    target_->SetActive(active != 0);
    target_->portalFlag = flag;
    target_->hasMirrorMatrix = hasMirror;
    target_->mirrorMatrix = mirror;
    // The local matrix is wanted as soon as the portal is looked through.
    target_->GetLocalMatrix();
    if (context_) context_->TwinRead(target_, twin);
}

Result PortalSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    if (!Stream()) return ERR_SERIAL_NO_STREAM;
    SceneRecordContext ownContext;
    SceneRecordContext& context = context_ ? *context_ : ownContext;
    const uint32_t start = BeginRecord(kPortalTag, kVersion);
    NodeFrameSerializer frame(target_);
    Result result = frame.SaveToStream(Stream());
    GraphObjSerializer object(target_, &context);
    const Result objectWritten = object.SaveToStream(Stream());
    if (Succeeded(result)) result = objectWritten;
    WriteU32(context.IdentityOf(target_));

    const uint32_t dataStart = BeginRecord(kDataTag, kVersion);
    WriteU32(static_cast<uint32_t>(target_->portalKind));
    WriteU8(target_->active);
    WriteU8(target_->portalFlag);
    WriteU8(target_->hasMirrorMatrix);
    const Matrix4& m = target_->mirrorMatrix;
    for (int row = 0; row < 4; ++row)
        WriteVector4({m(row, 0), m(row, 1), m(row, 2), m(row, 3)});
    WriteU32(context.IdentityOf(target_->Twin()));
    Stream()->EndChunk(dataStart);  // a failure stays in the stream for the end
    return EndRecord(start, result);
}

}  // namespace vimsa
