#include "sound/play_state.h"

#include <algorithm>
#include <atomic>

namespace vimsa {
namespace {

std::atomic<uint32_t> gNextInstance{0};
std::atomic<uint64_t> gNextId{1};

bool IsVibratoEffect(uint8_t e) {
    return e == effect::kVibrato || e == effect::kVibratoVolumeSlide || e == effect::kFineVibrato;
}

// Resolves a parameter of 0 to the effect's memory, or stores a new one.
uint8_t Remember(uint8_t parameter, uint8_t& memory) {
    if (parameter == 0) return memory;
    memory = parameter;
    return parameter;
}

// H, U and R memories: a non-zero parameter replaces the depth and, when its
// high nibble is set, the speed.
void RememberWave(uint8_t parameter, uint8_t& memory) {
    if (parameter == 0) return;
    const uint8_t speed = (parameter >> 4) ? (parameter & 0xF0) : (memory & 0xF0);
    memory = speed | (parameter & 0x0F);
}

// log2 of the bytes per sample of the voice's data.
uint32_t FrameShift(const Voice& v) {
    return v.sixteenBit ? 1 : 0;
}

}  // namespace

uint8_t SlideVolume(uint8_t volume, uint8_t parameter, bool skipFine) {
    const int high = parameter >> 4;
    const int low = parameter & 0x0F;
    if (skipFine && ((low == 0x0F && high != 0) || (high == 0x0F && low != 0))) return volume;
    int v = volume;
    if (low != 0)
        v = std::max(0, v - low);
    else
        v = std::min(63, v + high);
    return static_cast<uint8_t>(v);
}

uint8_t RetriggerVolume(uint8_t volume, uint8_t high) {
    int v = volume;
    switch (high & 0x0F) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
            v -= 1 << ((high & 0x0F) - 1);
            break;
        case 6:
            v = v * 2 / 3;
            break;
        case 7:
            v /= 2;
            break;
        case 9:
        case 10:
        case 11:
        case 12:
        case 13:
            v += 1 << ((high & 0x0F) - 9);
            break;
        case 14:
            v = v * 3 / 2;
            break;
        case 15:
            v *= 2;
            break;
        default:
            break;
    }
    return static_cast<uint8_t>(std::clamp(v, 0, 63));
}

PlayState::PlayState(const Module& module) : module_(&module), id_(gNextId.fetch_add(1)) {}

void PlayState::Start(int startOrder, int startRow, bool stereoOut, bool loopSong) {
    stereo = stereoOut;
    globalVolume = module_->GlobalVolume();
    speed = module_->InitialSpeed();
    tempo = module_->InitialTempo();
    row = 0;
    pattern = -1;
    patternRows = Module::kRowsPerPattern;
    nextPattern_ = true;
    orderPosition = std::clamp(startOrder, 0, Module::kOrderCount);
    tickCountdown = 1;
    breakRow = std::clamp(startRow, 0, Module::kMaxRows - 1);
    syncValue = 0;
    loop = loopSong;
    voices.fill(Voice{});
    channelPan = module_->ChannelPan();
    cursor = PatternCursor{};
    rowBuffer.fill(RowCell{});
    tickCount = 0;
    playTime = 0.0;
    stopAfterRow_ = false;
    active = true;
    playing = true;
    instanceNumber = gNextInstance.fetch_add(1);
}

uint32_t PlayState::FramesPerTick(uint32_t rate) const {
    const uint32_t t = std::max<uint32_t>(tempo, 1);
    const uint64_t frames = static_cast<uint64_t>(rate) * 640u / (t * 256u);
    return static_cast<uint32_t>(std::max<uint64_t>(frames, 1));
}

Result PlayState::Tick(uint32_t rate) {
    if (!playing) return ERR_MODULE_SONG_END;
    rate_ = rate;
    ++tickCount;
    playTime += 2.5 / std::max<uint8_t>(tempo, 1);
    --tickCountdown;
    const int channels = module_->ChannelCount();
    const auto& enabled = module_->ChannelEnabled();
    if (tickCountdown != 0) {
        for (int c = 0; c < channels; ++c) {
            if (!enabled[c]) continue;
            Voice& v = voices[c];
            --v.tickCounter;
            v.arpeggioPhase = static_cast<uint8_t>((v.arpeggioPhase + 1) % 3);
            TickEffect(v);
        }
    } else {
        tickCountdown = std::max<uint8_t>(speed, 1);
        LoopBack();
        if ((nextPattern_ || row >= patternRows) && !AdvanceOrder()) {
            playing = false;
            return ERR_MODULE_SONG_END;
        }
        PlayRow();
        // A pattern delay holds the row for more rows (SEx) or ticks (S6x);
        // the effects go on ticking through it, the notes are not played again.
        tickCountdown += rowRepeats_ * std::max<uint8_t>(speed, 1) + extraTicks_;
        rowRepeats_ = 0;
        extraTicks_ = 0;
    }
    UpdateMix();
    return RESULT_OK;
}

// A pattern loop of the row just played returns to its start row.
void PlayState::LoopBack() {
    if (loopTarget_ < 0) return;
    row = std::min(loopTarget_, patternRows - 1);
    loopTarget_ = -1;
    nextPattern_ = false;
    cursor = module_->PatternStart(pattern);
    module_->SkipRows(cursor, row);
}

void PlayState::UpdateMix() {
    const int32_t g = std::min<int32_t>(globalVolume, 64);
    const int channels = module_->ChannelCount();
    for (int c = 0; c < channels; ++c) {
        Voice& v = voices[c];
        const int32_t volume =
            v.tremorMuted ? 0 : std::clamp<int32_t>(v.volume + v.tremoloOffset, 0, 63);
        v.mixVolume = volume * g / 64 * kMixVolumeStep;
        v.mixPan = channelPan[c];
    }
}

bool PlayState::AdvanceOrder() {
    if (stopAfterRow_) return false;
    const auto& orders = module_->Orders();
    // Each entry is visited at most twice (once before and once after a wrap
    // to the start), so an order list of nothing but skip entries ends too.
    for (int visited = 0; visited <= 2 * Module::kOrderCount; ++visited) {
        const uint8_t value =
            orderPosition < Module::kOrderCount ? orders[orderPosition] : Module::kOrderEnd;
        if (value < Module::kOrderSkip) {
            pattern = value;
            patternRows = module_->PatternRows(value);
            // A break or start row past the end of a shorter pattern plays
            // its last row.
            row = std::min(breakRow, patternRows - 1);
            breakRow = 0;
            cursor = module_->PatternStart(value);
            module_->SkipRows(cursor, row);
            ++orderPosition;
            nextPattern_ = false;
            // Pattern loops start afresh in each pattern.
            for (Voice& v : voices) {
                v.loopRow = 0;
                v.loopCount = 0;
            }
            return true;
        }
        if (value == Module::kOrderSkip) {
            ++orderPosition;
            continue;
        }
        if (orderPosition == 0 || !loop) return false;
        orderPosition = 0;
    }
    return false;
}

void PlayState::PlayRow() {
    ++row;
    rowBuffer.fill(RowCell{});
    if (cursor.HasData()) module_->UnpackRow(rowBuffer, cursor);
    const int channels = module_->ChannelCount();
    const auto& enabled = module_->ChannelEnabled();
    for (int c = 0; c < channels; ++c) {
        if (enabled[c]) ChannelRow(c);
    }
}

void PlayState::TakeSample(Voice& v) const {
    const SampleSlot* s = module_->SampleFor(v.instrument, v.note);
    v.backwards = false;
    if (!s) {
        v.data = nullptr;
        return;
    }
    v.data = s->data;
    v.c2Speed = s->c2Speed;
    v.length = s->length;
    v.loopStart = s->loopStart;
    v.loopLength = s->loopLength;
    v.sixteenBit = s->sixteenBit;
    v.pingPong = s->pingPong;
}

void PlayState::UpdateStep(Voice& v, int32_t period) const {
    v.step = StepFromPeriod(period, rate_);
}

void PlayState::SetPeriod(Voice& v, int64_t period) const {
    v.period = static_cast<int32_t>(std::clamp<int64_t>(period, 0, PeriodTable::kMaxPeriod));
    UpdateStep(v, v.period);
}

void PlayState::ChannelRow(int channel) {
    Voice& v = voices[channel];
    const RowCell& cell = rowBuffer[channel];
    const uint8_t newEffect =
        (cell.effect >= 1 && cell.effect <= effect::kLast) ? cell.effect : effect::kNone;
    v.previousEffect = v.effect;
    v.flags = 0;
    // A note delay (SDx) holds the note, instrument and volume back until
    // its tick; without it they take effect now.
    const bool delayed = newEffect == effect::kSpecial && (cell.parameter >> 4) == 0xD &&
                         (cell.parameter & 0x0F) != 0;
    if (delayed)
        v.delayedCell = cell;
    else
        TriggerCell(v, cell, newEffect);

    const bool wasArpeggio = v.previousEffect == effect::kArpeggio;
    if (wasArpeggio && newEffect != effect::kArpeggio && !(v.flags & kVoiceNewSample))
        SetPeriod(v, PeriodTable::Scale(v.arpeggioPeriods[0], v.c2Speed));
    if (IsVibratoEffect(v.previousEffect) && !IsVibratoEffect(newEffect) &&
        !(v.flags & kVoiceNewFrequency))
        UpdateStep(v, v.period);
    // Tremolo and tremor change the volume only while they run.
    if (v.previousEffect == effect::kTremolo && newEffect != effect::kTremolo) v.tremoloOffset = 0;
    if (newEffect != effect::kTremor) v.tremorMuted = false;

    v.effect = newEffect;
    v.parameter = cell.parameter;
    if (newEffect != effect::kNone) RowEffect(channel, v);
}

// The note, instrument and volume of a cell.
void PlayState::TriggerCell(Voice& v, const RowCell& cell, uint8_t newEffect) {
    if (cell.note == kNoteCut) {
        v.step = Step{};
        v.flags = kVoiceNewFrequency;
    } else if (PeriodTable::NoteIndex(cell.note) >= 0) {
        v.note = cell.note;
        v.flags = kVoiceNewFrequency;
        if (newEffect != effect::kTonePortamento && newEffect != effect::kPortamentoVolumeSlide) {
            v.flags |= kVoiceNewSample | kVoiceNewVolume | kVoiceRestart;
            // Waveforms with bit 2 set keep their place across notes.
            if (!(v.vibratoWave & 4)) v.vibratoPosition = 0;
            if (!(v.tremoloWave & 4)) v.tremoloPosition = 0;
            v.tremoloOffset = 0;
        }
    }
    if (cell.instrument >= 1 && cell.instrument <= 254) {
        v.instrument = cell.instrument;
        if (const SampleSlot* s = module_->SampleFor(v.instrument, v.note)) v.volume = s->volume;
        v.flags |= kVoiceNewVolume;
    }
    if (v.flags & kVoiceNewSample) TakeSample(v);
    if (v.flags & kVoiceRestart) {
        v.position = 0;
        v.positionFraction = 0;
        v.backwards = false;
    }
    if (v.flags & kVoiceNewFrequency) {
        v.notePeriod = PeriodTable::NotePeriod(v.note, v.c2Speed);
        if (v.flags & kVoiceNewSample) SetPeriod(v, v.notePeriod);
    }
    if (cell.volume != 255) v.volume = std::min<uint8_t>(cell.volume, 63);
}

void PlayState::RowEffect(int channel, Voice& v) {
    uint8_t& p = v.parameter;
    switch (v.effect) {
        case effect::kSetSpeed:
            if (p != 0) speed = tickCountdown = p;
            break;
        case effect::kPositionJump:
            // The order position already points past the entry playing now.
            // Only a target at or before the playing entry goes back; the
            // next entry is a forward jump that songs use to end a pattern early.
            if (!loop && p < orderPosition) {
                stopAfterRow_ = true;
            } else {
                orderPosition = p;
            }
            nextPattern_ = true;
            break;
        case effect::kPatternBreak:
            if (module_->Rules().hexBreakRow) {
                breakRow = p;
                nextPattern_ = true;
            } else if (p < 100 && (p & 0x0F) <= 9) {
                breakRow = 10 * (p >> 4) + (p & 0x0F);
                nextPattern_ = true;
            }
            break;
        case effect::kVolumeSlide: {
            p = Remember(p, v.volumeSlideMemory);
            const int high = p >> 4, low = p & 0x0F;
            if (low == 0x0F && high != 0) {
                v.volume = static_cast<uint8_t>(std::min(63, v.volume + high));
                v.effect = effect::kNone;
            } else if (high == 0x0F && low != 0) {
                v.volume = static_cast<uint8_t>(std::max(0, v.volume - low));
                v.effect = effect::kNone;
            }
            break;
        }
        case effect::kPortamentoDown:
        case effect::kPortamentoUp: {
            p = Remember(p, v.portamentoMemory);
            if (p >= 0xE0) {
                const int amount = (p >= 0xF0 ? 4 : 1) * (p & 0x0F);
                const int sign = v.effect == effect::kPortamentoDown ? 1 : -1;
                SetPeriod(v, static_cast<int64_t>(v.period) + sign * amount);
                v.effect = effect::kNone;
            }
            break;
        }
        case effect::kTonePortamento:
            if (p != 0) v.tonePortamentoSpeed = p;
            break;
        case effect::kVibrato:
        case effect::kFineVibrato:
            RememberWave(p, v.vibratoMemory);
            break;
        case effect::kArpeggio: {
            p = Remember(p, v.arpeggioMemory);
            const int base = std::max(PeriodTable::NoteIndex(v.note), 0);
            const int offsets[3] = {0, p >> 4, p & 0x0F};
            for (int i = 0; i < 3; ++i)
                v.arpeggioPeriods[i] =
                    PeriodTable::Entry(std::min(base + offsets[i], PeriodTable::kNotes - 1));
            v.arpeggioPhase = 0;
            SetPeriod(v, PeriodTable::Scale(v.arpeggioPeriods[0], v.c2Speed));
            break;
        }
        case effect::kVibratoVolumeSlide:
        case effect::kPortamentoVolumeSlide:
            p = Remember(p, v.volumeSlideMemory);
            break;
        case effect::kSampleOffset:
            p = Remember(p, v.sampleOffsetMemory);
            if (v.data) SetSampleOffset(v, (static_cast<uint32_t>(v.highOffset) << 16) | (p << 8));
            break;
        case effect::kRetrigger: {
            p = Remember(p, v.retriggerMemory);
            const uint8_t interval = p & 0x0F;
            if (interval == 0) {
                v.effect = effect::kNone;
            } else if (v.previousEffect == effect::kRetrigger) {
                if (--v.tickCounter == 0) {
                    v.tickCounter = interval;
                    Retrigger(v);
                }
            } else {
                v.tickCounter = interval;
            }
            break;
        }
        case effect::kTremolo:
            RememberWave(p, v.tremoloMemory);
            break;
        case effect::kSpecial:
            SpecialEffect(channel, v);
            break;
        case effect::kTremor:
            p = Remember(p, v.tremorMemory);
            Tremor(v);
            break;
        case effect::kPanning:
            // 0x00..0x80 spans left to right; 0xA4 (surround) centres.
            if (stereo && (p <= 0x80 || p == 0xA4))
                channelPan[channel] = p == 0xA4 ? kPanCentre : static_cast<uint16_t>(2 * p);
            v.effect = effect::kNone;
            break;
        case effect::kSetTempo:
            if (p > 32) tempo = p;
            break;
        case effect::kGlobalVolume:
            if (p <= 64) globalVolume = p;
            break;
        case effect::kSync:
            syncValue = p;
            break;
        default:
            break;
    }
}

// The S commands. Those without a later tick clear the effect.
void PlayState::SpecialEffect(int channel, Voice& v) {
    const uint8_t x = v.parameter & 0x0F;
    uint8_t keep = effect::kNone;
    switch (v.parameter >> 4) {
        case 0x1:
            v.glissando = x != 0;
            break;
        case 0x2:
            SetFinetune(v, x);
            break;
        case 0x3:
            v.vibratoWave = x;
            break;
        case 0x4:
            v.tremoloWave = x;
            break;
        case 0x6:
            extraTicks_ += x;
            break;
        case 0x8:
            if (stereo) channelPan[channel] = static_cast<uint16_t>(16 * x);
            break;
        case 0xA:
            v.highOffset = x;
            break;
        case 0xB:
            PatternLoop(v, x);
            break;
        case 0xC:
            if (x > 0 && x < speed) {
                v.tickCounter = x;
                keep = effect::kSpecial;
            }
            break;
        case 0xD:
            // A delay at or past the row's end never plays its note.
            if (x > 0) {
                v.tickCounter = x;
                keep = effect::kSpecial;
            }
            break;
        case 0xE:
            rowRepeats_ = x;
            break;
        default:
            break;
    }
    v.effect = keep;
}

// SB0 marks the row a loop returns to; SBx returns there x times. A finished
// loop moves the mark past itself, so that a second SBx below cannot send
// the song back to loop forever.
void PlayState::PatternLoop(Voice& v, uint8_t count) {
    const int playing = row - 1;
    if (count == 0) {
        v.loopRow = static_cast<uint8_t>(playing);
        return;
    }
    if (v.loopCount == 0) {
        v.loopCount = count;
    } else if (--v.loopCount == 0) {
        v.loopRow = static_cast<uint8_t>(playing + 1);
        return;
    }
    loopTarget_ = v.loopRow;
}

// S2x: the ProTracker finetunes in Scream Tracker's order (S28 is the
// untuned 8363 Hz); a note on the same row is tuned by it.
void PlayState::SetFinetune(Voice& v, uint8_t finetune) const {
    v.c2Speed = FinetuneSpeed(static_cast<uint8_t>((finetune + 8) & 0x0F));
    if (!(v.flags & kVoiceNewFrequency)) return;
    v.notePeriod = PeriodTable::NotePeriod(v.note, v.c2Speed);
    if (v.flags & kVoiceNewSample) SetPeriod(v, v.notePeriod);
}

void PlayState::SetSampleOffset(Voice& v, uint32_t offset) const {
    // Offsets count samples; 16-bit data has two bytes per sample.
    const uint32_t shift = FrameShift(v);
    const uint32_t frames = v.length >> shift;
    const uint32_t loopStart = v.loopStart >> shift;
    const uint32_t loopLength = v.loopLength >> shift;
    uint32_t frame = offset;
    if (frame >= frames) {
        if (loopLength > 0)
            frame = loopStart + (frame - frames) % loopLength;
        else
            frame = frames > 0 ? frames - 1 : 0;
    }
    v.position = frame << shift;
    v.positionFraction = 0;
    v.backwards = false;
}

void PlayState::Retrigger(Voice& v) const {
    v.flags |= kVoiceNewSample | kVoiceRestart;
    TakeSample(v);
    v.position = 0;
    v.positionFraction = 0;
    v.volume = RetriggerVolume(v.volume, v.parameter >> 4);
}

void PlayState::Vibrato(Voice& v, bool fine) const {
    v.vibratoPosition = static_cast<uint8_t>(v.vibratoPosition + 4 * (v.vibratoMemory >> 4));
    const int32_t depth = v.vibratoMemory & 0x0F;
    const int32_t wave = WaveformValue(v.vibratoWave, v.vibratoPosition, v.randomState);
    int32_t delta = (depth * (wave < 0 ? -wave : wave) / 128) & 31;
    if (!fine) delta *= 4;
    if (wave < 0) delta = -delta;
    UpdateStep(v, std::max<int32_t>(v.period + delta, 0));
}

void PlayState::TonePortamento(Voice& v) const {
    const int32_t amount = 4 * v.tonePortamentoSpeed;
    int32_t period = v.period;
    if (period < v.notePeriod)
        period = std::min(period + amount, v.notePeriod);
    else if (period > v.notePeriod)
        period = std::max(period - amount, v.notePeriod);
    SetPeriod(v, period);
    if (v.glissando) UpdateStep(v, GlissandoPeriod(v));
}

// With glissando the slide is heard in semitones: the period of the note
// nearest to where the slide has come.
int32_t PlayState::GlissandoPeriod(const Voice& v) const {
    int32_t best = v.period;
    int64_t bestDistance = INT64_MAX;
    for (int i = 0; i < PeriodTable::kNotes; ++i) {
        const int32_t candidate = PeriodTable::Scale(PeriodTable::Entry(i), v.c2Speed);
        const int64_t distance = std::abs(static_cast<int64_t>(candidate) - v.period);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

// Ixy: the volume sounds for x + 1 ticks, then is silent for y + 1, round
// and round for as long as the effect lasts.
void PlayState::Tremor(Voice& v) const {
    const int on = (v.tremorMemory >> 4) + 1;
    const int off = (v.tremorMemory & 0x0F) + 1;
    v.tremorMuted = v.tremorCounter % (on + off) >= on;
    v.tremorCounter = static_cast<uint8_t>((v.tremorCounter + 1) % (on + off));
}

void PlayState::TickEffect(Voice& v) {
    switch (v.effect) {
        case effect::kVolumeSlide:
            v.volume = SlideVolume(v.volume, v.parameter, false);
            break;
        case effect::kPortamentoDown:
            SetPeriod(v, static_cast<int64_t>(v.period) + 4 * v.portamentoMemory);
            break;
        case effect::kPortamentoUp:
            SetPeriod(v, static_cast<int64_t>(v.period) - 4 * v.portamentoMemory);
            break;
        case effect::kTonePortamento:
            TonePortamento(v);
            break;
        case effect::kVibrato:
        case effect::kFineVibrato:
            Vibrato(v, v.effect == effect::kFineVibrato);
            break;
        case effect::kArpeggio:
            SetPeriod(v, PeriodTable::Scale(v.arpeggioPeriods[v.arpeggioPhase], v.c2Speed));
            break;
        case effect::kVibratoVolumeSlide:
            v.volume = SlideVolume(v.volume, v.volumeSlideMemory, true);
            Vibrato(v, false);
            break;
        case effect::kPortamentoVolumeSlide:
            v.volume = SlideVolume(v.volume, v.volumeSlideMemory, true);
            TonePortamento(v);
            break;
        case effect::kRetrigger:
            if (v.tickCounter == 0) {
                v.tickCounter = v.parameter & 0x0F;
                Retrigger(v);
            }
            break;
        case effect::kTremolo: {
            v.tremoloPosition =
                static_cast<uint8_t>(v.tremoloPosition + 4 * (v.tremoloMemory >> 4));
            const int32_t wave = WaveformValue(v.tremoloWave, v.tremoloPosition, v.randomState);
            v.tremoloOffset = (v.tremoloMemory & 0x0F) * wave / 128;
            break;
        }
        case effect::kTremor:
            Tremor(v);
            break;
        case effect::kSpecial:
            if (v.tickCounter != 0) break;
            if ((v.parameter >> 4) == 0xD) {
                v.flags = 0;
                TriggerCell(v, v.delayedCell, effect::kNone);
            } else {
                v.step = Step{};
            }
            v.effect = effect::kNone;
            break;
        default:
            break;
    }
}

}  // namespace vimsa
