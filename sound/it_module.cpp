#include "sound/it_module.h"

#include <algorithm>

#include "sound/it_sample_decoder.h"
#include "sound/period_table.h"

namespace vimsa {
namespace {

constexpr uint32_t kChannelPans = 0x40;
constexpr uint32_t kChannelVolumes = 0x80;
constexpr uint32_t kOrdersOffset = 0xC0;
constexpr uint32_t kSampleHeaderSize = 0x50;
constexpr uint32_t kPatternHeaderSize = 8;
// An instrument header up to the end of its last envelope (554 bytes are
// written; the last 4 are padding).
constexpr uint32_t kInstrumentSize = 0x226;
constexpr uint32_t kOldInstrumentSize = 0x1F8 + 50;
constexpr uint32_t kKeyboard = 0x40;
constexpr uint32_t kEnvelopeSize = 82;
constexpr uint16_t kNewInstrumentFormat = 0x200;

constexpr uint16_t kFlagStereo = 0x01;
constexpr uint16_t kFlagInstruments = 0x04;
constexpr uint16_t kFlagLinear = 0x08;
constexpr uint16_t kFlagOldEffects = 0x10;
constexpr uint16_t kFlagLinkedPortamento = 0x20;

constexpr uint8_t kSampleHasData = 0x01;
constexpr uint8_t kSample16Bit = 0x02;
constexpr uint8_t kSampleCompressed = 0x08;
constexpr uint8_t kSampleLoop = 0x10;
constexpr uint8_t kSampleSustain = 0x20;
constexpr uint8_t kSamplePingPong = 0x40;
constexpr uint8_t kSampleSustainPingPong = 0x80;
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
    if (n == 254) return kNoteCut;
    return n == 255 ? kNoteOff : kNoteFade;
}

Result ItModule::Load() {
    LoadHeader();
    const int orderCount = U16(0x20);
    const int instrumentCount = U16(0x22);
    const int sampleCount = U16(0x24);
    songLength_ = std::min(orderCount, kOrderCount);
    for (int i = 0; i < songLength_; ++i)
        orders_[i] = U8(kOrdersOffset + i);

    const uint64_t instrumentOffsets = kOrdersOffset + static_cast<uint64_t>(orderCount);
    if (rules_.instruments) {
        const bool oldFormat = U16(0x2A) < kNewInstrumentFormat;
        instruments_.resize(std::min(instrumentCount, kMaxInstruments));
        for (size_t i = 0; i < instruments_.size(); ++i)
            LoadInstrument(instruments_[i], U32(instrumentOffsets + 4u * i), oldFormat);
    }
    const uint64_t sampleOffsets = instrumentOffsets + 4u * instrumentCount;
    for (int i = 0; i < std::min(sampleCount, static_cast<int>(kMaxSamples)); ++i)
        LoadSample(i, U32(sampleOffsets + 4u * i));
    LoadPatterns(sampleOffsets + 4u * sampleCount);
    return RESULT_OK;
}

// Flags, volumes, speed and tempo, and the channels' pans and volumes.
void ItModule::LoadHeader() {
    const uint16_t flags = U16(0x2C);
    stereo_ = (flags & kFlagStereo) != 0;
    rules_.impulse = true;
    rules_.hexBreakRow = true;
    rules_.instruments = (flags & kFlagInstruments) != 0;
    rules_.pitch = (flags & kFlagLinear) ? PitchModel::Linear : PitchModel::Amiga;
    rules_.oldEffects = (flags & kFlagOldEffects) != 0;
    rules_.linkedPortamento = (flags & kFlagLinkedPortamento) != 0;
    rules_.panSeparation = std::min<uint8_t>(U8(0x34), 128);
    // IT keeps its own global volume range, 0..128.
    globalVolume_ = std::min<uint8_t>(U8(0x30), 128);
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
        channelVolume_[c] = std::min<uint8_t>(U8(kChannelVolumes + c), 64);
    }
}

void ItModule::LoadPatterns(uint64_t patternOffsets) {
    const int patternCount = U16(0x26);
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
}

void ItModule::LoadSample(int index, uint64_t header) {
    if (header == 0 || Available(header, kSampleHeaderSize) < kSampleHeaderSize) return;
    SampleSlot& slot = samples_[index];
    slot.present = true;
    slot.headerOffset = static_cast<uint32_t>(header);
    const uint8_t flags = U8(header + 0x12);
    const uint8_t convert = U8(header + 0x2E);
    LoadSampleSettings(slot, header);
    if (!(flags & kSampleHasData)) return;

    slot.sixteenBit = (flags & kSample16Bit) != 0;
    const uint64_t bytes = slot.sixteenBit ? 2 : 1;
    const uint64_t frames = U32(header + 0x30);
    if (flags & kSampleLoop) {
        SetLoop(slot.loopStart, slot.loopLength, bytes, U32(header + 0x34), U32(header + 0x38));
        slot.pingPong = slot.loopLength > 0 && (flags & kSamplePingPong);
    }
    if (flags & kSampleSustain) {
        SetLoop(slot.sustainStart, slot.sustainLength, bytes, U32(header + 0x40),
                U32(header + 0x44));
        slot.sustainPingPong = slot.sustainLength > 0 && (flags & kSampleSustainPingPong);
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
    if (convert & kConvertSigned) {
        for (size_t i = slot.sixteenBit ? 1 : 0; i < decoded.size(); i += bytes)
            decoded[i] ^= 0x80;
    }
    PlaceDecoded(slot, std::move(decoded));
}

// Volumes, tuning, pan and the sample's own vibrato.
void ItModule::LoadSampleSettings(SampleSlot& slot, uint64_t header) const {
    slot.volume = std::min<uint8_t>(U8(header + 0x13), 64);
    slot.c5Speed = U32(header + 0x3C);
    slot.c2Speed = slot.c5Speed / 2;
    slot.globalVolume = std::min<uint8_t>(U8(header + 0x11), 64);
    const uint8_t pan = U8(header + 0x2F);
    slot.hasPan = (pan & 0x80) != 0;
    slot.pan = std::min<uint8_t>(pan & 0x7F, 64);
    slot.vibratoSpeed = std::min<uint8_t>(U8(header + 0x4C), 64);
    slot.vibratoDepth = std::min<uint8_t>(U8(header + 0x4D), 64);
    slot.vibratoRate = std::min<uint8_t>(U8(header + 0x4E), 64);
    slot.vibratoWave = U8(header + 0x4F) & 3;
}

// A loop from `begin` to `end` (in samples of `bytes` bytes) as a start and
// length in bytes; none when it does not run forwards.
void ItModule::SetLoop(uint32_t& start, uint32_t& length, uint64_t bytes, uint64_t begin,
                       uint64_t end) {
    if (end <= begin) return;
    start = static_cast<uint32_t>(std::min<uint64_t>(bytes * begin, UINT32_MAX));
    length = static_cast<uint32_t>(std::min<uint64_t>(bytes * (end - begin), UINT32_MAX));
}

// Reads an instrument; one whose header is not wholly inside the file stays
// absent. Every count, node and note is brought into its range here, so the
// player can index by them without checks of its own.
void ItModule::LoadInstrument(Instrument& instrument, uint64_t header, bool oldFormat) {
    const uint32_t size = oldFormat ? kOldInstrumentSize : kInstrumentSize;
    if (header == 0 || Available(header, size) < size) return;
    instrument.present = true;
    for (int n = 0; n < Instrument::kNotes; ++n) {
        const uint8_t note = U8(header + kKeyboard + 2u * n);
        const uint8_t sample = U8(header + kKeyboard + 2u * n + 1);
        instrument.note[n] = note < Instrument::kNotes ? note : static_cast<uint8_t>(n);
        instrument.sample[n] = sample <= kMaxSamples ? sample : 0;
    }
    if (oldFormat)
        LoadOldInstrument(instrument, header);
    else
        LoadNewInstrument(instrument, header);
}

void ItModule::LoadNewInstrument(Instrument& instrument, uint64_t header) {
    instrument.newNoteAction = static_cast<NewNoteAction>(std::min<uint8_t>(U8(header + 0x11), 3));
    instrument.duplicateCheck =
        static_cast<DuplicateCheck>(std::min<uint8_t>(U8(header + 0x12), 3));
    instrument.duplicateAction =
        static_cast<DuplicateAction>(std::min<uint8_t>(U8(header + 0x13), 2));
    instrument.fadeOut = std::min<uint16_t>(U16(header + 0x14), 1024);
    instrument.pitchPanSeparation =
        static_cast<int8_t>(std::clamp<int>(static_cast<int8_t>(U8(header + 0x16)), -32, 32));
    instrument.pitchPanCentre = std::min<uint8_t>(U8(header + 0x17), Instrument::kNotes - 1);
    instrument.globalVolume = std::min<uint8_t>(U8(header + 0x18), 128);
    const uint8_t pan = U8(header + 0x19);
    instrument.hasPan = (pan & 0x80) == 0;
    instrument.pan = std::min<uint8_t>(pan & 0x7F, 64);
    instrument.randomVolume = U8(header + 0x1A);
    instrument.randomPan = U8(header + 0x1B);
    instrument.filter = (U8(header + 0x3A) & 0x80) || (U8(header + 0x3B) & 0x80);
    LoadEnvelope(instrument.volumeEnvelope, header + 0x130, 0, 64);
    LoadEnvelope(instrument.panEnvelope, header + 0x130 + kEnvelopeSize, -32, 32);
    LoadEnvelope(instrument.pitchEnvelope, header + 0x130 + 2 * kEnvelopeSize, -32, 32);
    // A pitch envelope marked as a filter envelope steers the filter, which
    // is not played; it must not bend the pitch.
    if (U8(header + 0x130 + 2 * kEnvelopeSize) & 0x80) {
        instrument.pitchEnvelopeIsFilter = instrument.pitchEnvelope.enabled;
        instrument.pitchEnvelope.enabled = false;
    }
}

// Instruments of IT before 2.0: a volume envelope only, its nodes as tick
// and value bytes ending at tick 255, a fade counted from 512.
void ItModule::LoadOldInstrument(Instrument& instrument, uint64_t header) {
    const uint8_t flags = U8(header + 0x11);
    instrument.fadeOut = static_cast<uint16_t>(2 * std::min<uint16_t>(U16(header + 0x18), 512));
    instrument.newNoteAction = static_cast<NewNoteAction>(std::min<uint8_t>(U8(header + 0x1A), 3));
    if (U8(header + 0x1B)) instrument.duplicateCheck = DuplicateCheck::Note;
    Envelope& e = instrument.volumeEnvelope;
    while (e.count < Envelope::kMaxNodes) {
        const uint8_t tick = U8(header + 0x1F8 + 2u * e.count);
        if (tick == 0xFF) break;
        e.tick[e.count] = tick;
        e.value[e.count] =
            static_cast<int8_t>(std::min<uint8_t>(U8(header + 0x1F9 + 2u * e.count), 64));
        ++e.count;
    }
    FinishEnvelope(e, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, U8(header + 0x12),
                   U8(header + 0x13), U8(header + 0x14), U8(header + 0x15));
}

void ItModule::LoadEnvelope(Envelope& e, uint64_t at, int low, int high) {
    const uint8_t flags = U8(at);
    e.count = std::min<uint8_t>(U8(at + 1), Envelope::kMaxNodes);
    for (int n = 0; n < e.count; ++n) {
        const int value = static_cast<int8_t>(U8(at + 6 + 3u * n));
        e.value[n] = static_cast<int8_t>(std::clamp(value, low, high));
        e.tick[n] = U16(at + 7 + 3u * n);
    }
    FinishEnvelope(e, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, U8(at + 2), U8(at + 3),
                   U8(at + 4), U8(at + 5));
}

// Ticks that fall back are raised to the node before; a loop whose nodes are
// not in the envelope, or run backwards, is dropped; an envelope without
// nodes is off.
void ItModule::FinishEnvelope(Envelope& e, bool enabled, bool loop, bool sustain, uint8_t loopStart,
                              uint8_t loopEnd, uint8_t sustainStart, uint8_t sustainEnd) {
    for (int n = 1; n < e.count; ++n)
        e.tick[n] = std::max(e.tick[n], e.tick[n - 1]);
    e.enabled = enabled && e.count > 0;
    e.loop = loop && loopStart <= loopEnd && loopEnd < e.count;
    e.loopStart = e.loop ? loopStart : 0;
    e.loopEnd = e.loop ? loopEnd : 0;
    e.sustain = sustain && sustainStart <= sustainEnd && sustainEnd < e.count;
    e.sustainStart = e.sustain ? sustainStart : 0;
    e.sustainEnd = e.sustain ? sustainEnd : 0;
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
        // Plain volumes (0..64) and the column's commands (slides, pans,
        // portamento, vibrato) go to separate fields; unused values are dropped.
        if (mask & (kMaskVolume | kMaskLastVolume)) {
            if (last.volume <= 64)
                cell.volume = last.volume;
            else if (last.volume <= 212)
                cell.volumeCommand = last.volume;
        }
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
