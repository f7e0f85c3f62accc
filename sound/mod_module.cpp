#include "sound/mod_module.h"

#include <algorithm>
#include <cctype>

#include "sound/period_table.h"
#include "sound/play_state.h"

namespace vimsa {
namespace {

constexpr uint32_t kSignatureOffset = 1080;
constexpr uint32_t kOrdersOffset = 952;
constexpr uint32_t kPatternsOffset = 1084;
constexpr uint32_t kSampleHeaders = 20;
constexpr uint32_t kSampleHeaderSize = 30;
constexpr int kSampleCount = 31;
constexpr int kOrderBytes = 128;
constexpr int kBytesPerCell = 4;

bool IsDigit(uint8_t c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int ModModule::SignatureChannels(const uint8_t* s) {
    int channels = 0;
    if (s[0] == 'M' && s[1] == '.' && s[2] == 'K' && s[3] == '.') channels = 4;
    if (s[0] == 'F' && s[1] == 'L' && s[2] == 'T' && IsDigit(s[3])) channels = s[3] - '0';
    if (IsDigit(s[0]) && s[1] == 'C' && s[2] == 'H' && s[3] == 'N') channels = s[0] - '0';
    if (IsDigit(s[0]) && IsDigit(s[1]) && s[2] == 'C' && s[3] == 'H')
        channels = 10 * (s[0] - '0') + (s[1] - '0');
    return channels >= 1 && channels <= kMaxChannels ? channels : 0;
}

bool ModModule::CheckSignature() {
    if (data_.size() < kSignatureOffset + 4) return false;
    signatureChannels_ = SignatureChannels(data_.data() + kSignatureOffset);
    return signatureChannels_ != 0;
}

Result ModModule::Load() {
    stereo_ = false;
    globalVolume_ = 64;
    initialSpeed_ = 6;
    initialTempo_ = 125;
    mixVolume_ = 48;
    channelCount_ = signatureChannels_;
    for (int c = 0; c < channelCount_; ++c) {
        channelEnabled_[c] = true;
        channelPan_[c] = kPanCentre;
    }

    // The song ends after the last order entry that is not pattern 0; the
    // length byte of the header is not trusted.
    int highest = 0;
    songLength_ = 0;
    for (int i = 0; i < kOrderBytes; ++i) {
        const uint8_t value = U8(kOrdersOffset + i);
        orders_[i] = value;
        highest = std::max<int>(highest, value);
        if (value != 0) songLength_ = i + 1;
    }
    // A song of nothing but pattern 0 plays that pattern once.
    if (songLength_ == 0) songLength_ = 1;
    std::fill(orders_.begin() + songLength_, orders_.end(), kOrderEnd);

    const uint64_t patternSize =
        static_cast<uint64_t>(channelCount_) * kRowsPerPattern * kBytesPerCell;
    const int patternCount = std::min(highest + 1, static_cast<int>(kOrderSkip));
    patterns_.resize(patternCount);
    for (int p = 0; p < patternCount; ++p)
        patterns_[p] = Span(kPatternsOffset + p * patternSize, patternSize);

    uint64_t sampleOffset = kPatternsOffset + patternSize * (highest + 1);
    for (int i = 0; i < kSampleCount; ++i) {
        const uint64_t h = kSampleHeaders + i * kSampleHeaderSize;
        SampleSlot& slot = samples_[i];
        const uint64_t length = 2u * U16BigEndian(h + 22);
        slot.present = true;
        slot.headerOffset = static_cast<uint32_t>(h);
        slot.c2Speed = FinetuneSpeed(U8(h + 24));
        slot.volume = std::min<uint8_t>(U8(h + 25), 63);
        const uint32_t loopWords = U16BigEndian(h + 28);
        slot.loopStart = loopWords >= 2 ? 2u * U16BigEndian(h + 26) : 0;
        slot.loopLength = loopWords >= 2 ? 2u * loopWords : 0;
        PlaceSampleData(slot, sampleOffset, length);
        ConvertSigned(slot);
        sampleOffset += length;
    }
    return RESULT_OK;
}

void ModModule::SkipRows(PatternCursor& cursor, int rows) const {
    if (!cursor.pos || rows <= 0) return;
    const uint64_t bytes = static_cast<uint64_t>(rows) * channelCount_ * kBytesPerCell;
    const uint64_t left = static_cast<uint64_t>(cursor.end - cursor.pos);
    cursor.pos += std::min(bytes, left);
}

// The E commands: Exy becomes the shared effect `e` with parameter `p`.
void ModModule::TranslateExtended(uint8_t parameter, uint8_t& e, uint8_t& p) {
    const uint8_t x = parameter & 0x0F;
    switch (parameter >> 4) {
        case 0x1:
            e = effect::kPortamentoUp;
            p = 0xF0 | x;
            break;
        case 0x2:
            e = effect::kPortamentoDown;
            p = 0xF0 | x;
            break;
        // Glissando, waveforms, loop, note cut and delays are the
        // S commands of the same letter; finetune counts from -8
        // there (S28 is finetune 0).
        case 0x3:
            e = effect::kSpecial;
            p = 0x10 | x;
            break;
        case 0x4:
            e = effect::kSpecial;
            p = 0x30 | x;
            break;
        case 0x5:
            e = effect::kSpecial;
            p = static_cast<uint8_t>(0x20 | ((x + 8) & 0x0F));
            break;
        case 0x6:
            e = effect::kSpecial;
            p = 0xB0 | x;
            break;
        case 0x7:
            e = effect::kSpecial;
            p = 0x40 | x;
            break;
        case 0x8:
        case 0xC:
        case 0xD:
        case 0xE:
            e = effect::kSpecial;
            break;
        case 0x9:
            e = effect::kRetrigger;
            p = x;
            break;
        // A fine slide by 0 does nothing; written as D0F or DF0 it
        // would become a full-speed slide.
        case 0xA:
            if (x != 0) {
                e = effect::kVolumeSlide;
                p = static_cast<uint8_t>(x << 4 | 0x0F);
            }
            break;
        case 0xB:
            if (x != 0) {
                e = effect::kVolumeSlide;
                p = 0xF0 | x;
            }
            break;
        default:
            e = effect::kIgnored;
            break;
    }
}

void ModModule::TranslateEffect(uint8_t command, uint8_t parameter, RowCell& cell) {
    uint8_t e = effect::kNone;
    uint8_t p = parameter;
    switch (command & 0x0F) {
        case 0x0:
            e = parameter != 0 ? effect::kArpeggio : effect::kNone;
            break;
        case 0x1:
            e = effect::kPortamentoUp;
            break;
        case 0x2:
            e = effect::kPortamentoDown;
            break;
        case 0x3:
            e = effect::kTonePortamento;
            break;
        case 0x4:
            e = effect::kVibrato;
            break;
        case 0x5:
            e = effect::kPortamentoVolumeSlide;
            break;
        case 0x6:
            e = effect::kVibratoVolumeSlide;
            break;
        case 0x7:
            e = effect::kTremolo;
            break;
        case 0x8:
            e = effect::kIgnoredPan;
            break;
        case 0x9:
            e = effect::kSampleOffset;
            break;
        case 0xA:
            e = effect::kVolumeSlide;
            break;
        case 0xB:
            e = effect::kPositionJump;
            break;
        case 0xC:
            cell.volume = parameter;
            break;
        case 0xD:
            e = effect::kPatternBreak;
            break;
        case 0xE:
            TranslateExtended(parameter, e, p);
            break;
        case 0xF:
            e = parameter < 32 ? effect::kSetSpeed : effect::kSetTempo;
            break;
        default:
            break;
    }
    cell.effect = e;
    cell.parameter = e == effect::kNone ? 255 : p;
}

void ModModule::UnpackRow(RowBuffer& row, PatternCursor& cursor) const {
    for (int c = 0; c < channelCount_; ++c) {
        if (cursor.end - cursor.pos < kBytesPerCell) {
            cursor.pos = cursor.end;
            return;
        }
        const uint8_t* b = cursor.pos;
        cursor.pos += kBytesPerCell;
        RowCell& cell = row[c];
        const uint8_t instrument = (b[0] & 0xF0) | (b[2] >> 4);
        cell.instrument = instrument != 0 ? instrument : 255;
        const int32_t period = ((b[0] & 0x0F) << 8) | b[1];
        const int k = PeriodTable::ScanAmigaPeriod(period);
        cell.note = k < 0 ? kNoNote : static_cast<uint8_t>(((k / 12) << 4) | (k % 12));
        TranslateEffect(b[2] & 0x0F, b[3], cell);
    }
}

std::string ModModule::SongName() const {
    std::string name;
    for (uint32_t i = 0; i < 20 && i < data_.size() && data_[i] != 0; ++i)
        name.push_back(static_cast<char>(data_[i]));
    return name;
}

}  // namespace vimsa
