#include "sound/it_module.h"

#include <algorithm>

#include "sound/it_sample_decoder.h"
#include "sound/period_table.h"

namespace vimsa {
namespace {

constexpr uint32_t kChannelPans = 0x40;
constexpr uint32_t kOrdersOffset = 0xC0;
constexpr uint32_t kSampleHeaderSize = 0x50;
constexpr uint32_t kPatternHeaderSize = 8;

constexpr uint8_t kSampleHasData = 0x01;
constexpr uint8_t kSample16Bit = 0x02;
constexpr uint8_t kSampleCompressed = 0x08;
constexpr uint8_t kSampleLoop = 0x10;
constexpr uint8_t kSamplePingPong = 0x40;
constexpr uint8_t kConvertSigned = 0x01;
constexpr uint8_t kConvertDelta = 0x04;  // with compression: the 2.15 form

constexpr uint8_t kMaskNote = 0x01;
constexpr uint8_t kMaskInstrument = 0x02;
constexpr uint8_t kMaskVolume = 0x04;
constexpr uint8_t kMaskEffect = 0x08;
constexpr uint8_t kMaskLastNote = 0x10;
constexpr uint8_t kMaskLastInstrument = 0x20;
constexpr uint8_t kMaskLastVolume = 0x40;
constexpr uint8_t kMaskLastEffect = 0x80;

}  // namespace

bool ItModule::CheckSignature() {
    return data_.size() >= 4 && data_[0] == 'I' && data_[1] == 'M' && data_[2] == 'P' &&
           data_[3] == 'M';
}

uint8_t ItModule::ConvertNote(uint8_t n) {
    if (n < PeriodTable::kNotes) return static_cast<uint8_t>((n % 12) | ((n / 12) << 4));
    return n == kNoteCut ? kNoteCut : kNoNote;
}

Result ItModule::Load() {
    decoded_.clear();
    decodedBytes_ = 0;
    rules_.hexBreakRow = true;
    const int orderCount = U16(0x20);
    const int instrumentCount = U16(0x22);
    const int sampleCount = U16(0x24);
    const int patternCount = U16(0x26);
    stereo_ = (U16(0x2C) & 1) != 0;
    globalVolume_ = std::min<uint8_t>(U8(0x30) / 2, 64);
    mixVolume_ = U8(0x31);
    if (U8(0x32) != 0) initialSpeed_ = U8(0x32);
    if (U8(0x33) != 0) initialTempo_ = U8(0x33);

    channelCount_ = 0;
    for (int c = 0; c < kMaxChannels; ++c) {
        const uint8_t pan = U8(kChannelPans + c);
        channelEnabled_[c] = pan < 128;
        if (pan < 128) channelCount_ = c + 1;
        // 0..64 spans left to right; 100 (surround) and other values centre.
        channelPan_[c] = stereo_ && pan <= 64 ? static_cast<uint16_t>(4 * pan) : kPanCentre;
    }

    songLength_ = std::min(orderCount, kOrderCount);
    for (int i = 0; i < songLength_; ++i)
        orders_[i] = U8(kOrdersOffset + i);

    const uint64_t sampleOffsets =
        kOrdersOffset + static_cast<uint64_t>(orderCount) + 4u * instrumentCount;
    const uint64_t patternOffsets = sampleOffsets + 4u * sampleCount;
    for (int i = 0; i < std::min(sampleCount, static_cast<int>(kMaxSamples)); ++i)
        LoadSample(i, U32(sampleOffsets + 4u * i));

    patterns_.resize(std::min(patternCount, static_cast<int>(kOrderSkip)));
    for (size_t p = 0; p < patterns_.size(); ++p) {
        const uint32_t offset = U32(patternOffsets + 4u * p);
        if (offset == 0) continue;
        patterns_[p] = Span(static_cast<uint64_t>(offset) + kPatternHeaderSize, U16(offset));
        // A row count the tracker could not have written plays as the
        // default pattern length.
        const int rows = U16(static_cast<uint64_t>(offset) + 2);
        patterns_[p].rows = rows >= 1 && rows <= kMaxRows ? rows : kRowsPerPattern;
    }
    return RESULT_OK;
}

void ItModule::LoadSample(int index, uint64_t header) {
    if (header == 0 || Available(header, kSampleHeaderSize) < kSampleHeaderSize) return;
    SampleSlot& slot = samples_[index];
    slot.present = true;
    slot.headerOffset = static_cast<uint32_t>(header);
    const uint8_t flags = U8(header + 0x12);
    const uint8_t convert = U8(header + 0x2E);
    slot.volume = std::min<uint8_t>(U8(header + 0x13), 63);
    slot.c2Speed = U32(header + 0x3C) / 2;
    if (!(flags & kSampleHasData)) return;

    slot.sixteenBit = (flags & kSample16Bit) != 0;
    const uint64_t bytes = slot.sixteenBit ? 2 : 1;
    const uint64_t frames = U32(header + 0x30);
    const uint64_t loopBegin = U32(header + 0x34);
    const uint64_t loopEnd = U32(header + 0x38);
    if ((flags & kSampleLoop) && loopEnd > loopBegin) {
        slot.loopStart = static_cast<uint32_t>(std::min<uint64_t>(bytes * loopBegin, UINT32_MAX));
        slot.loopLength =
            static_cast<uint32_t>(std::min<uint64_t>(bytes * (loopEnd - loopBegin), UINT32_MAX));
        slot.pingPong = (flags & kSamplePingPong) != 0;
    }
    const uint32_t dataOffset = U32(header + 0x48);

    if (!(flags & kSampleCompressed)) {
        PlaceSampleData(slot, dataOffset, bytes * frames);
        if (convert & kConvertSigned) ConvertSigned(slot);
        return;
    }
    // Every compressed sample takes at least one bit; samples that share
    // their data could still multiply the memory, so all expanded samples
    // together stay within a budget.
    const uint32_t input = Available(dataOffset, data_.size());
    const uint64_t limit = std::min<uint64_t>(static_cast<uint64_t>(input) * 8,
                                              (kMaxDecodedBytes - decodedBytes_) / bytes);
    std::vector<uint8_t> decoded;
    DecodeItSample(data_.data() + std::min<size_t>(dataOffset, data_.size()), input,
                   static_cast<size_t>(std::min(frames, limit)), slot.sixteenBit,
                   (convert & kConvertDelta) != 0, decoded);
    decodedBytes_ += decoded.size();
    if (convert & kConvertSigned) {
        for (size_t i = slot.sixteenBit ? 1 : 0; i < decoded.size(); i += bytes)
            decoded[i] ^= 0x80;
    }
    decoded_.push_back(std::move(decoded));
    const std::vector<uint8_t>& kept = decoded_.back();
    slot.length = static_cast<uint32_t>(kept.size());
    slot.data = kept.empty() ? nullptr : kept.data();
    FitLoop(slot);
}

void ItModule::UnpackRow(RowBuffer& row, PatternCursor& cursor) const {
    const uint8_t*& p = cursor.pos;
    while (p < cursor.end) {
        const uint8_t marker = *p++;
        if (marker == 0) return;
        const int channel = (marker - 1) & 63;
        uint8_t mask = cursor.lastMask[channel];
        if (marker & 0x80) {
            if (p >= cursor.end) return;
            mask = cursor.lastMask[channel] = *p++;
        }
        const int needed = ((mask & kMaskNote) ? 1 : 0) + ((mask & kMaskInstrument) ? 1 : 0) +
                           ((mask & kMaskVolume) ? 1 : 0) + ((mask & kMaskEffect) ? 2 : 0);
        if (cursor.end - p < needed) {
            p = cursor.end;
            return;
        }
        RowCell& last = cursor.last[channel];
        RowCell& cell = row[channel];
        if (mask & kMaskNote) last.note = ConvertNote(*p++);
        if (mask & kMaskInstrument) last.instrument = *p++;
        if (mask & kMaskVolume) last.volume = *p++;
        if (mask & kMaskEffect) {
            last.effect = p[0];
            last.parameter = p[1];
            p += 2;
        }
        if (mask & (kMaskNote | kMaskLastNote)) cell.note = last.note;
        if (mask & (kMaskInstrument | kMaskLastInstrument))
            cell.instrument = last.instrument != 0 ? last.instrument : 255;
        // Only plain volumes (0..64) go into the row; the other values of
        // the volume column are panning and slide commands.
        if ((mask & (kMaskVolume | kMaskLastVolume)) && last.volume <= 64)
            cell.volume = last.volume;
        if (mask & (kMaskEffect | kMaskLastEffect)) {
            cell.effect = last.effect;
            cell.parameter = last.parameter;
        }
    }
}

void ItModule::SkipRows(PatternCursor& cursor, int rows) const {
    RowBuffer scratch;
    for (int r = 0; r < rows && cursor.HasData(); ++r)
        UnpackRow(scratch, cursor);
}

std::string ItModule::SongName() const {
    std::string name;
    for (uint32_t i = 4; i < 29 && i < data_.size() && data_[i] != 0; ++i)
        name.push_back(static_cast<char>(data_[i]));
    return name;
}

}  // namespace vimsa
