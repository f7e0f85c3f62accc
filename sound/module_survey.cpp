#include "sound/module_survey.h"

#include <algorithm>

#include "sound/play_state.h"

namespace vimsa {
namespace {

// Where the survey reads header fields the loaders do not keep.
constexpr size_t kS3mPacking = 0x1E;     // in a sample header; 4: ADPCM
constexpr size_t kS3mFlags = 0x1F;       // 2: stereo, 4: 16-bit
constexpr size_t kItSampleFlags = 0x12;  // 4: stereo
constexpr size_t kItChannelPans = 0x40;  // in the song header, one a channel
constexpr uint8_t kItSurround = 100;

void Count(std::vector<Unplayed>& found, const char* what) {
    auto it = std::find_if(found.begin(), found.end(),
                           [what](const Unplayed& u) { return u.what == what; });
    if (it == found.end())
        found.push_back(Unplayed{what, 1});
    else
        ++it->count;
}

const char* UnplayedSpecial(const Module& m, uint8_t p) {
    const bool impulse = m.Rules().impulse;
    switch (p >> 4) {
        case 0x0:
            return "S0x filter";
        case 0x5:
            return "S5x panbrello waveform";
        case 0x7:
            return impulse ? nullptr : "S7x instrument control";
        case 0x9:
            // Surround needs a phase-inverted mix; the player centres it.
            if (impulse && (p & 0x0F) == 1) return "S91 surround (played centred)";
            return impulse && (p & 0x0F) == 0 ? nullptr : "S9x sound control";
        case 0xF:
            return impulse ? "SFx MIDI macro" : "SFx funk repeat";
        default:
            return nullptr;
    }
}

// The name of an effect the engine passes over, or null when it plays it.
const char* UnplayedEffect(const Module& m, const RowCell& cell) {
    const uint8_t p = cell.parameter;
    const bool impulse = m.Rules().impulse;
    switch (cell.effect) {
        case effect::kNone:
            return nullptr;
        case effect::kIgnored:
            return (p >> 4) == 0xF ? "EFx invert loop" : "E0x filter";
        case effect::kIgnoredPan:
            return "8xx panning";
        case effect::kSpecial:
            return UnplayedSpecial(m, p);
        case effect::kChannelVolume:
            return impulse ? nullptr : "Mxx channel volume";
        case effect::kChannelVolumeSlide:
            return impulse ? nullptr : "Nxy channel volume slide";
        case effect::kPanSlide:
            return impulse ? nullptr : "Pxy pan slide";
        case effect::kGlobalVolumeSlide:
            return impulse ? nullptr : "Wxy global volume slide";
        case effect::kPanbrello:
            return "Yxy panbrello";
        case effect::kSync:
            return impulse ? "Zxx MIDI macro" : nullptr;
        default:
            return cell.effect >= 1 && cell.effect <= effect::kLast ? nullptr : "effects past Z";
    }
}

void SurveyPatterns(const Module& m, std::vector<Unplayed>& found) {
    for (int p = 0; p < m.PatternCount(); ++p) {
        PatternCursor cursor = m.PatternStart(p);
        for (int r = 0; r < m.PatternRows(p) && cursor.HasData(); ++r) {
            RowBuffer row;
            row.fill(RowCell{});
            m.UnpackRow(row, cursor);
            for (const RowCell& cell : row) {
                if (const char* what = UnplayedEffect(m, cell)) Count(found, what);
            }
        }
    }
}

void SurveyInstruments(const Module& m, std::vector<Unplayed>& found) {
    for (int i = 1; i <= m.InstrumentCount(); ++i) {
        const Instrument* instrument = m.InstrumentAt(i);
        if (!instrument) continue;
        if (instrument->filter) Count(found, "instrument filter");
        if (instrument->pitchEnvelopeIsFilter) Count(found, "filter envelope");
        if (instrument->randomVolume) Count(found, "random volume variation");
        if (instrument->randomPan) Count(found, "random pan variation");
    }
}

// S3M packing other than 8-bit ADPCM is not expanded, so such samples stay
// silent. A stereo sample stores its left channel first, and only that much
// is read; a silent one is not counted twice.
void SurveyS3mSample(const std::vector<uint8_t>& file, size_t header,
                     std::vector<Unplayed>& found) {
    if (header + kS3mFlags >= file.size()) return;
    if (file[header] >= 2) {
        Count(found, "AdLib instrument");
        return;
    }
    if (file[header] != 1) return;
    const uint8_t packing = file[header + kS3mPacking];
    const uint8_t flags = file[header + kS3mFlags];
    const bool adpcm = packing == 4 && !(flags & 0x04);
    if (packing != 0 && !adpcm)
        Count(found, "packed sample (silent; only 8-bit ADPCM is expanded)");
    else if (flags & 0x02)
        Count(found, "stereo sample (its left channel is played)");
}

// Samples the loaders pass over or play in part: Scream Tracker's AdLib
// instruments and packed or stereo samples, and the second channel of IT's
// stereo samples.
void SurveySamples(const Module& m, std::vector<Unplayed>& found) {
    const std::vector<uint8_t>& file = m.FileData();
    for (const SampleSlot& s : m.Samples()) {
        if (!s.present) continue;
        const size_t flags = s.headerOffset + kItSampleFlags;
        if (m.Kind() == ModuleKind::S3m) SurveyS3mSample(file, s.headerOffset, found);
        if (m.Kind() == ModuleKind::It && flags < file.size() && (file[flags] & 0x04))
            Count(found, "stereo sample (its left channel is played)");
    }
}

// IT channel pan 100 asks for surround, which the player centres. Disabled
// channels (bit 7) are not played at all, so they are left out.
void SurveyChannels(const Module& m, std::vector<Unplayed>& found) {
    const std::vector<uint8_t>& file = m.FileData();
    if (m.Kind() != ModuleKind::It) return;
    for (size_t c = 0; c < 64 && kItChannelPans + c < file.size(); ++c) {
        if (file[kItChannelPans + c] == kItSurround)
            Count(found, "surround channel (played centred)");
    }
}

}  // namespace

std::vector<Unplayed> SurveyUnplayed(const Module& module) {
    std::vector<Unplayed> found;
    if (!module.Parsed()) return found;
    SurveyChannels(module, found);
    SurveyPatterns(module, found);
    SurveyInstruments(module, found);
    SurveySamples(module, found);
    return found;
}

}  // namespace vimsa
