#include "scene/node_frame_serializer.h"

#include "scene/node_frame.h"

namespace vimsa {
namespace {

constexpr ChunkTag kFrameTag("REPE");
constexpr uint16_t kVersion = 1;

}  // namespace

Result NodeFrameSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kFrameTag, header);
    if (Failed(opened)) return opened;
    const Vector3 position = ReadVector3();
    const Vector3 direction = ReadVector3();
    const Vector3 up = ReadVector3();
    const Result read = StreamResult();
    if (Failed(read)) return read;
    // Local placement never needs another frame's matrix: these cannot fail.
    target_->SetPosition(position, RelativeTo::Local());
    target_->SetOrientation(direction, up, RelativeTo::Local());
    return RESULT_OK;
}

Result NodeFrameSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    // A placement that cannot be derived (a zero vector somewhere up the
    // tree) is stored as it was last given.
    Vector3 position = target_->local.position;
    Vector3 direction = target_->local.direction;
    Vector3 up = target_->local.up;
    target_->GetPosition(position, RelativeTo::Local());
    target_->GetOrientation(direction, up, RelativeTo::Local());
    const uint32_t start = BeginRecord(kFrameTag, kVersion);
    WriteVector3(position);
    WriteVector3(direction);
    WriteVector3(up);
    return EndRecord(start);
}

}  // namespace vimsa
