// Pitch: the period of a note, slides, tone portamento, vibrato and
// arpeggio, in whole table periods (MOD, S3M) or exactly (IT), with IT's
// linear slides where the song asks for them.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sound/play_state.h"

namespace vimsa {
namespace {

// Bounds of exact periods: the top lies below any audible pitch, the bottom
// above the highest step the mixer can take.
constexpr double kLowestExactPeriod = 1.0;
constexpr double kHighestExactPeriod = 1.0e9;

}  // namespace

double PlayState::NotePeriod(const Voice& v) const {
    if (module_->Rules().pitch == PitchModel::PeriodTable)
        return PeriodTable::NotePeriod(v.playedNote, v.c2Speed);
    return ExactNotePeriod(PeriodTable::NoteIndex(v.playedNote), v.c5Speed);
}

void PlayState::UpdateStep(Voice& v, double period) const {
    v.stepPeriod = period;
    if (module_->Rules().pitch == PitchModel::PeriodTable) {
        v.step = StepFromPeriod(static_cast<int32_t>(period), rate_);
        return;
    }
    // The pitch envelope and the sample's vibrato bend every period heard.
    v.step = StepFromExactPeriod(LinearSlide(period, -v.pitchOffset), rate_);
}

void PlayState::SetPeriod(Voice& v, double period) const {
    if (module_->Rules().pitch == PitchModel::PeriodTable)
        v.period = std::clamp<double>(period, 0, PeriodTable::kMaxPeriod);
    else
        v.period = std::clamp(period, kLowestExactPeriod, kHighestExactPeriod);
    UpdateStep(v, v.period);
}

// Slides by `amount` period units (positive: down), or with linear slides by
// as many 1/64 semitones.
void PlayState::SlidePitch(Voice& v, int32_t amount) const {
    if (module_->Rules().pitch == PitchModel::Linear)
        SetPeriod(v, LinearSlide(v.period, amount));
    else
        SetPeriod(v, v.period + amount);
}

void PlayState::Vibrato(Voice& v, bool fine) const {
    v.vibratoPosition = static_cast<uint8_t>(v.vibratoPosition + 4 * (v.vibratoMemory >> 4));
    const int32_t depth = v.vibratoMemory & 0x0F;
    const int32_t wave = WaveformValue(v.vibratoWave, v.vibratoPosition, v.randomState);
    const PlayRules& rules = module_->Rules();
    if (rules.pitch == PitchModel::PeriodTable) {
        int32_t delta = (depth * std::abs(wave) / 128) & 31;
        if (!fine) delta *= 4;
        if (wave < 0) delta = -delta;
        UpdateStep(v, std::max(v.period + delta, 0.0));
        return;
    }
    // IT's vibrato is half as deep as Scream Tracker's, unless the song
    // asks for the old effects.
    const int32_t units = (fine ? depth : 4 * depth) * (rules.oldEffects ? 2 : 1);
    const double delta = static_cast<double>(wave) * units / 256.0;
    if (rules.pitch == PitchModel::Linear)
        UpdateStep(v, LinearSlide(v.period, delta));
    else
        UpdateStep(v, std::max(v.period + delta, kLowestExactPeriod));
}

void PlayState::TonePortamento(Voice& v) const {
    const int32_t amount = 4 * v.tonePortamentoSpeed;
    const double target = v.notePeriod;
    double period = v.period;
    if (module_->Rules().pitch == PitchModel::Linear) {
        if (period < target)
            period = std::min(LinearSlide(period, amount), target);
        else if (period > target)
            period = std::max(LinearSlide(period, -amount), target);
    } else if (period < target) {
        period = std::min(period + amount, target);
    } else if (period > target) {
        period = std::max(period - amount, target);
    }
    SetPeriod(v, period);
    if (v.glissando) UpdateStep(v, GlissandoPeriod(v));
}

// With glissando the slide is heard in semitones: the period of the note
// nearest to where the slide has come.
double PlayState::GlissandoPeriod(const Voice& v) const {
    if (module_->Rules().pitch != PitchModel::PeriodTable) {
        if (v.notePeriod <= 0 || v.period <= 0) return v.period;
        const double semitones = std::round(12.0 * std::log2(v.period / v.notePeriod));
        return v.notePeriod * std::exp2(semitones / 12.0);
    }
    double best = v.period;
    double bestDistance = HUGE_VAL;
    for (int i = 0; i < PeriodTable::kNotes; ++i) {
        const double candidate = PeriodTable::Scale(PeriodTable::Entry(i), v.c2Speed);
        const double distance = std::abs(candidate - v.period);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

// Jxy. The period table holds the three notes' table periods; IT keeps the
// semitones and bends the playing pitch by them.
void PlayState::SetArpeggio(Voice& v, uint8_t parameter) const {
    const int offsets[3] = {0, parameter >> 4, parameter & 0x0F};
    v.arpeggioPhase = 0;
    if (module_->Rules().pitch != PitchModel::PeriodTable) {
        for (int i = 0; i < 3; ++i)
            v.arpeggioPeriods[i] = offsets[i];
        UpdateStep(v, v.period);
        return;
    }
    const int base = std::max(PeriodTable::NoteIndex(v.note), 0);
    for (int i = 0; i < 3; ++i)
        v.arpeggioPeriods[i] =
            PeriodTable::Entry(std::min(base + offsets[i], PeriodTable::kNotes - 1));
    SetPeriod(v, PeriodTable::Scale(v.arpeggioPeriods[0], v.c2Speed));
}

void PlayState::Arpeggio(Voice& v) const {
    const int32_t phase = v.arpeggioPeriods[v.arpeggioPhase];
    if (module_->Rules().pitch == PitchModel::PeriodTable)
        SetPeriod(v, PeriodTable::Scale(phase, v.c2Speed));
    else
        UpdateStep(v, LinearSlide(v.period, -64.0 * phase));
}

}  // namespace vimsa
