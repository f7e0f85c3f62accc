#include "sound/s3m_module.h"

#include <algorithm>

namespace vimsa {
namespace {

constexpr uint32_t kSignatureOffset = 44;
constexpr uint32_t kChannelSettings = 0x40;
constexpr uint32_t kOrdersOffset = 0x60;
constexpr int kChannels = 32;
constexpr uint8_t kPanTablePresent = 252;
constexpr uint32_t kInstrumentHeaderSize = 0x50;
constexpr uint8_t kPackingAdpcm = 4;
constexpr uint32_t kAdpcmTable = 16;

}  // namespace

bool S3mModule::CheckSignature() {
    return data_.size() >= kSignatureOffset + 4 && data_[kSignatureOffset] == 'S' &&
           data_[kSignatureOffset + 1] == 'C' && data_[kSignatureOffset + 2] == 'R' &&
           data_[kSignatureOffset + 3] == 'M';
}

Result S3mModule::Load() {
    const int orderCount = U16(0x20);
    const int instrumentCount = U16(0x22);
    const int patternCount = U16(0x24);
    // File format 1 stores signed samples; the usual format 2 unsigned ones.
    const bool signedData = U16(0x2A) == 1;

    globalVolume_ = std::min<uint8_t>(U8(0x30), 64);
    // Speed and tempo 0 would stall the song or divide by zero.
    if (U8(0x31) != 0) initialSpeed_ = U8(0x31);
    if (U8(0x32) != 0) initialTempo_ = U8(0x32);
    mixVolume_ = U8(0x33) & 0x7F;
    stereo_ = (U8(0x33) & 0x80) != 0;

    channelCount_ = 0;
    for (int c = 0; c < kChannels; ++c) {
        const uint8_t setting = U8(kChannelSettings + c);
        channelEnabled_[c] = setting < 128;
        if (setting != 255) channelCount_ = c + 1;
        channelPan_[c] = !stereo_ ? kPanCentre : (setting & 8) ? 12 * 16 : 3 * 16;
    }

    songLength_ = std::min(orderCount, kOrderCount);
    for (int i = 0; i < songLength_; ++i)
        orders_[i] = U8(kOrdersOffset + i);

    const uint64_t instrumentPointers = kOrdersOffset + static_cast<uint64_t>(orderCount);
    const uint64_t patternPointers = instrumentPointers + 2u * instrumentCount;
    const uint64_t panTable = patternPointers + 2u * patternCount;
    if (stereo_ && U8(0x35) == kPanTablePresent) {
        for (int c = 0; c < kChannels; ++c) {
            const uint8_t entry = U8(panTable + c);
            if (entry & 0x20) channelPan_[c] = static_cast<uint16_t>(16 * (entry & 0x0F));
        }
    }

    for (int i = 0; i < std::min(instrumentCount, static_cast<int>(kMaxSamples)); ++i) {
        const uint64_t header = 16u * U16(instrumentPointers + 2u * i);
        LoadInstrument(i, header, signedData);
    }

    // Order values 254 and 255 are markers, so 254 patterns can be reached.
    patterns_.resize(std::min(patternCount, static_cast<int>(kOrderSkip)));
    for (size_t p = 0; p < patterns_.size(); ++p) {
        const uint64_t pointer = 16u * U16(patternPointers + 2u * p);
        // The packed data follows a 2-byte length; it is bounded by the file.
        if (pointer != 0) patterns_[p] = Span(pointer + 2, data_.size());
    }
    return RESULT_OK;
}

void S3mModule::LoadInstrument(int index, uint64_t header, bool signedData) {
    // Only sampled instruments (type 1) with a whole header are used;
    // AdLib instruments and headers outside the file stay silent.
    if (header == 0 || Available(header, kInstrumentHeaderSize) < kInstrumentHeaderSize) return;
    SampleSlot& slot = samples_[index];
    slot.present = true;
    slot.headerOffset = static_cast<uint32_t>(header);
    slot.volume = std::min<uint8_t>(U8(header + 0x1C), 63);
    slot.c2Speed = U32(header + 0x20);
    if (U8(header) != 1) return;

    const uint8_t flags = U8(header + 0x1F);
    const uint8_t packing = U8(header + 0x1E);
    slot.sixteenBit = (flags & 4) != 0;
    // Lengths count samples; 16-bit samples take two bytes each.
    const uint64_t bytes = slot.sixteenBit ? 2 : 1;
    const uint64_t length = bytes * U32(header + 0x10);
    const uint64_t loopBegin = bytes * U32(header + 0x14);
    const uint64_t loopEnd = bytes * U32(header + 0x18);
    if ((flags & 1) && loopEnd > loopBegin) {
        slot.loopStart = static_cast<uint32_t>(std::min<uint64_t>(loopBegin, UINT32_MAX));
        slot.loopLength =
            static_cast<uint32_t>(std::min<uint64_t>(loopEnd - loopBegin, UINT32_MAX));
    }
    // The data's paragraph number has its high byte before the word.
    const uint64_t dataPointer =
        16u * ((static_cast<uint64_t>(U8(header + 0x0D)) << 16) | U16(header + 0x0E));
    const bool adpcm = packing == kPackingAdpcm && !slot.sixteenBit;
    if (dataPointer == 0 || (packing != 0 && !adpcm)) {
        slot.loopStart = slot.loopLength = 0;
        return;
    }
    if (adpcm) {
        PlaceDecoded(slot, DecodeAdpcm(dataPointer, length));
        return;
    }
    PlaceSampleData(slot, dataPointer, length);
    if (signedData) ConvertSigned(slot);
}

// 4-bit ADPCM, as ModPlug Tracker packs 8-bit samples: 16 signed deltas, then
// two samples a byte (the low nibble first), each the last plus the delta its
// nibble names. The result is unsigned, like every sample here.
std::vector<uint8_t> S3mModule::DecodeAdpcm(uint64_t at, uint64_t length) const {
    const uint64_t packedBytes = Available(at + kAdpcmTable, (length + 1) / 2);
    const uint64_t budget = kMaxDecodedBytes - std::min(decodedBytes_, kMaxDecodedBytes);
    std::vector<uint8_t> out;
    if (Available(at, kAdpcmTable) < kAdpcmTable) return out;
    const uint64_t count = std::min({length, 2 * packedBytes, budget});
    out.reserve(static_cast<size_t>(count));
    int8_t value = 0;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t byte = U8(at + kAdpcmTable + i / 2);
        const uint8_t nibble = (i & 1) ? byte >> 4 : byte & 0x0F;
        value = static_cast<int8_t>(value + static_cast<int8_t>(U8(at + nibble)));
        out.push_back(static_cast<uint8_t>(value) ^ 0x80);
    }
    return out;
}

void S3mModule::UnpackRow(RowBuffer& row, PatternCursor& cursor) const {
    const uint8_t*& p = cursor.pos;
    while (p < cursor.end) {
        const uint8_t what = *p++;
        if (what == 0) return;
        RowCell& cell = row[what & 31];
        const int needed = ((what & 32) ? 2 : 0) + ((what & 64) ? 1 : 0) + ((what & 128) ? 2 : 0);
        if (cursor.end - p < needed) {
            p = cursor.end;
            return;
        }
        if (what & 32) {
            cell.note = p[0];
            cell.instrument = p[1] != 0 ? p[1] : 255;
            p += 2;
        }
        if (what & 64) cell.volume = *p++;
        if (what & 128) {
            cell.effect = p[0];
            cell.parameter = p[1];
            p += 2;
        }
    }
}

void S3mModule::SkipRows(PatternCursor& cursor, int rows) const {
    // Data bytes may be 0 too, so rows are found by unpacking them.
    RowBuffer scratch;
    for (int r = 0; r < rows && cursor.HasData(); ++r)
        UnpackRow(scratch, cursor);
}

std::string S3mModule::SongName() const {
    std::string name;
    for (uint32_t i = 0; i < 27 && i < data_.size() && data_[i] != 0; ++i)
        name.push_back(static_cast<char>(data_[i]));
    return name;
}

}  // namespace vimsa
