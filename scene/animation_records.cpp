#include "scene/animation_records.h"

#include <bit>
#include <utility>
#include <vector>

#include "scene/animation.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

constexpr ChunkTag kAnimationTag("NSTA");
constexpr ChunkTag kTrackTag("TRAC");
constexpr uint16_t kVersion = 1;

// The key lists are stored as the blocks they are in memory.
static_assert(std::endian::native == std::endian::little, "track blocks are little-endian");
static_assert(sizeof(Vector3) == 12 && sizeof(Quaternion) == 16 && sizeof(KeyData) == 28);

// Longest list a record can hold: its bytes must fit the chunk's u32 size.
constexpr size_t kMaxListKeys = 0x7FFFFFFFu / (sizeof(Quaternion) + sizeof(KeyData));

}  // namespace

// --- NSTA ---

Result AnimationSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kAnimationTag, header);
    if (Failed(opened)) return opened;
    Handle<Track> track = MakeHandle<Track>();
    TrackSerializer reader(track.Get());
    const Result read = LoadNested(reader);
    if (Failed(read)) return read;
    target_->SetTrack(track.Get());
    return RESULT_OK;
}

Result AnimationSerializer::Save() {
    if (!target_ || !target_->track) return ERR_NULL_ARGUMENT;
    const uint32_t start = BeginRecord(kAnimationTag, kVersion);
    TrackSerializer writer(target_->track.Get());
    const Result written = writer.SaveToStream(Stream());
    return EndRecord(start, written);
}

// --- TRAC ---

namespace {

// Reads one key list: its count, the values and the key records.
template <typename Value>
Result ReadList(ChunkStream& s, uint32_t recordEnd, std::vector<Value>& values,
                std::vector<KeyData>& keys) {
    const uint32_t count = s.ReadU32();
    if (s.IsBad()) return s.Error();
    const uint32_t room = recordEnd > s.Tell() ? recordEnd - s.Tell() : 0;
    if (uint64_t{count} * (sizeof(Value) + sizeof(KeyData)) > room) return ERR_OUT_OF_RANGE;
    values.resize(count);
    keys.resize(count);
    s.Read(values.data(), count * static_cast<uint32_t>(sizeof(Value)));
    s.Read(keys.data(), count * static_cast<uint32_t>(sizeof(KeyData)));
    return s.IsBad() ? s.Error() : RESULT_OK;
}

template <typename Value>
void WriteList(ChunkStream& s, const std::vector<Value>& values, const std::vector<KeyData>& keys) {
    const auto count = static_cast<uint32_t>(values.size());
    s.WriteU32(count);
    s.Write(values.data(), count * static_cast<uint32_t>(sizeof(Value)));
    s.Write(keys.data(), count * static_cast<uint32_t>(sizeof(KeyData)));
}

}  // namespace

Result TrackSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    const Result opened = OpenRecord(kTrackTag, header);
    if (Failed(opened)) return opened;
    ChunkStream& s = *Stream();
    const uint32_t endFrame = s.ReadU32();
    const uint32_t firstIndex = s.ReadU32();
    if (s.IsBad()) return s.Error();
    // Read aside, so that a track cut short keeps what it had.
    std::vector<Vector3> positions, thirdValues;
    std::vector<Quaternion> rotations;
    std::vector<KeyData> positionKeys, rotationKeys, thirdKeys;
    Result r = ReadList(s, header.end, positions, positionKeys);
    if (Succeeded(r)) r = ReadList(s, header.end, rotations, rotationKeys);
    if (Succeeded(r)) r = ReadList(s, header.end, thirdValues, thirdKeys);
    if (Failed(r)) return r;
    target_->endFrame = endFrame;
    target_->firstIndex = firstIndex;
    target_->positions = std::move(positions);
    target_->positionKeys = std::move(positionKeys);
    target_->rotations = std::move(rotations);
    target_->rotationKeys = std::move(rotationKeys);
    target_->thirdValues = std::move(thirdValues);
    target_->thirdKeys = std::move(thirdKeys);
    return RESULT_OK;
}

Result TrackSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    if (!Stream()) return ERR_SERIAL_NO_STREAM;
    const Track& t = *target_;
    if (t.positions.size() != t.positionKeys.size() ||
        t.rotations.size() != t.rotationKeys.size() || t.thirdValues.size() != t.thirdKeys.size() ||
        t.positions.size() > kMaxListKeys || t.rotations.size() > kMaxListKeys ||
        t.thirdValues.size() > kMaxListKeys) {
        return ERR_OUT_OF_RANGE;
    }
    const uint32_t start = BeginRecord(kTrackTag, kVersion);
    WriteU32(t.endFrame);
    WriteU32(t.firstIndex);
    WriteList(*Stream(), t.positions, t.positionKeys);
    WriteList(*Stream(), t.rotations, t.rotationKeys);
    WriteList(*Stream(), t.thirdValues, t.thirdKeys);
    return EndRecord(start);
}

}  // namespace vimsa
