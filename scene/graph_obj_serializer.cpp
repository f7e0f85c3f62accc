#include "scene/graph_obj_serializer.h"

#include <memory>

#include "scene/bounding_box_serializer.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

constexpr ChunkTag kObjectTag("GOBJ");
constexpr ChunkTag kNameTag("NAME");
constexpr ChunkTag kParentTag("FATH");
constexpr ChunkTag kBoundsTag("BV  ");
constexpr uint16_t kVersion = 1;
constexpr uint16_t kBoundsVersion = 2;

}  // namespace

Result GraphObjSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kObjectTag, header);
    if (Failed(opened)) return opened;
    if (Tell() >= header.end) return RESULT_OK;  // no children to read

    Result result = RESULT_OK;
    const bool complete =
        ForEachChild(*Stream(), header, [&](const ChunkHeader& child, uint16_t version) {
            if (child.tag == kNameTag) {
                std::string name;
                if (ReadString(name)) target_->name = name;
            } else if (child.tag == kBoundsTag) {
                const Result bounds = LoadBounds(version);
                if (Succeeded(result)) result = bounds;
            }
            // "FATH" names the parent at save time: the reader is placed by
            // whoever adds it, so the number is not needed.
        });
    if (!complete) return ERR_BAD_TAG;  // cut short at a child's header
    const Result read = StreamResult();
    return Failed(read) ? read : result;
}

Result GraphObjSerializer::LoadBounds(uint16_t version) {
    target_->boundsFlag = ReadU8();
    if (version >= 2 && ReadU8() == 0) return StreamResult();
    // Only a box is stored; another kind of volume is replaced by the box.
    auto* box = dynamic_cast<BoundingBox*>(target_->bounds.get());
    std::unique_ptr<BoundingBox> fresh;
    if (!box) {
        fresh = std::make_unique<BoundingBox>();
        box = fresh.get();
    }
    BoundingBoxSerializer reader(box);
    const Result read = LoadNested(reader);
    if (Failed(read)) return read;
    if (fresh) target_->bounds = std::move(fresh);
    return RESULT_OK;
}

Result GraphObjSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    if (!Stream()) return ERR_SERIAL_NO_STREAM;
    SceneRecordContext ownContext;
    SceneRecordContext& context = context_ ? *context_ : ownContext;
    const uint32_t start = BeginRecord(kObjectTag, kVersion);

    // Stream failures are sticky: the record's end reports them.
    const uint32_t nameStart = BeginRecord(kNameTag, 1);
    WriteString(target_->name);
    Stream()->EndChunk(nameStart);

    const uint32_t parentStart = BeginRecord(kParentTag, 1);
    WriteU32(context.IdentityOf(target_->parent));
    Stream()->EndChunk(parentStart);

    const Result result = SaveBounds();
    return EndRecord(start, result);
}

Result GraphObjSerializer::SaveBounds() {
    const uint32_t start = BeginRecord(kBoundsTag, kBoundsVersion);
    WriteU8(target_->boundsFlag);
    // The record holds boxes only: other volumes are left out, as if absent.
    auto* box = dynamic_cast<BoundingBox*>(target_->bounds.get());
    WriteU8(box ? 1 : 0);
    Result result = RESULT_OK;
    if (box) {
        BoundingBoxSerializer writer(box);
        result = writer.SaveToStream(Stream());
    }
    return EndRecord(start, result);
}

}  // namespace vimsa
