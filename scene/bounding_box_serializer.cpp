#include "scene/bounding_box_serializer.h"

#include "scene/bounding_volume.h"

namespace vimsa {
namespace {

constexpr ChunkTag kVolumeTag("BVBA");
constexpr ChunkTag kBoxTag("AABB");
constexpr uint16_t kVersion = 1;

}  // namespace

Result BoundingVolumeSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kVolumeTag, header);
    if (Failed(opened)) return opened;
    const uint8_t drawEnabled = ReadU8();
    const uint8_t drawWireframe = ReadU8();
    const Vector4 colour = ReadVector4();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    target_->drawEnabled = drawEnabled;
    target_->drawWireframe = drawWireframe;
    target_->SetColour(colour);
    return RESULT_OK;
}

Result BoundingVolumeSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kVolumeTag, kVersion);
    WriteU8(target_->drawEnabled);
    WriteU8(target_->drawWireframe);
    WriteVector4(target_->debugColour);
    return EndRecord(start);
}

Result BoundingBoxSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kBoxTag, header);
    if (Failed(opened)) return opened;
    BoundingVolumeSerializer base(target_);
    const Result baseRead = LoadNested(base);
    if (Failed(baseRead)) return baseRead;
    const Vector3 cornerA = ReadVector3();
    const Vector3 cornerB = ReadVector3();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    target_->Set(cornerA, cornerB);
    return RESULT_OK;
}

Result BoundingBoxSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kBoxTag, kVersion);
    BoundingVolumeSerializer base(target_);
    const Result written = base.SaveToStream(Stream());
    WriteVector3(target_->minimum);
    WriteVector3(target_->maximum);
    return EndRecord(start, written);
}

}  // namespace vimsa
