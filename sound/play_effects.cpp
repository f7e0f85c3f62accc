// The effect engine: what each effect does on the row tick and on the ticks
// after it. One engine serves all formats; where Impulse Tracker plays an
// effect its own way, the module's rules say so.
#include <algorithm>
#include <cmath>

#include "sound/play_state.h"

namespace vimsa {
namespace {

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

// The IT forms of a slide parameter on a value in 0..maximum (Nxy, Wxy):
// x0 raises and 0y lowers it on every tick after the row's first, xF and Fy
// do so once, at once. Returns whether later ticks slide.
bool SlideRow(uint8_t& value, uint8_t p, int maximum) {
    const int high = p >> 4, low = p & 0x0F;
    if (low == 0 || high == 0) return p != 0;
    if (low == 0x0F)
        value = static_cast<uint8_t>(std::min(maximum, value + high));
    else if (high == 0x0F)
        value = static_cast<uint8_t>(std::max(0, value - low));
    return false;
}

uint8_t SlideTick(uint8_t value, uint8_t p, int maximum) {
    const int high = p >> 4, low = p & 0x0F;
    if (high == 0) return static_cast<uint8_t>(std::max(0, value - low));
    return static_cast<uint8_t>(std::min(maximum, value + high));
}

// Speeds of the volume column's tone portamento (193..202).
constexpr uint8_t kColumnPortamento[9] = {1, 4, 8, 16, 32, 64, 96, 128, 255};

}  // namespace

uint8_t SlideVolume(uint8_t volume, uint8_t parameter, bool skipFine, uint8_t maximum) {
    const int high = parameter >> 4;
    const int low = parameter & 0x0F;
    if (skipFine && ((low == 0x0F && high != 0) || (high == 0x0F && low != 0))) return volume;
    int v = volume;
    if (low != 0)
        v = std::max(0, v - low);
    else
        v = std::min<int>(maximum, v + high);
    return static_cast<uint8_t>(v);
}

uint8_t RetriggerVolume(uint8_t volume, uint8_t high, uint8_t maximum) {
    int v = volume;
    const int h = high & 0x0F;
    if (h >= 1 && h <= 5)
        v -= 1 << (h - 1);
    else if (h >= 9 && h <= 13)
        v += 1 << (h - 9);
    else if (h == 6)
        v = v * 2 / 3;
    else if (h == 7)
        v /= 2;
    else if (h == 14)
        v = v * 3 / 2;
    else if (h == 15)
        v *= 2;
    return static_cast<uint8_t>(std::clamp<int>(v, 0, maximum));
}

uint8_t PlayState::MaxVolume() const {
    return module_->Rules().impulse ? 64 : 63;
}

void PlayState::RowEffect(int channel, Voice& v) {
    if (SongEffect(channel, v) || PitchEffect(v)) return;
    uint8_t& p = v.parameter;
    const PlayRules& rules = module_->Rules();
    switch (v.effect) {
        case effect::kVolumeSlide:
            p = Remember(p, v.volumeSlideMemory);
            if (!VolumeSlideRow(v, p)) v.effect = effect::kNone;
            break;
        case effect::kVibratoVolumeSlide:
        case effect::kPortamentoVolumeSlide:
            p = Remember(p, v.volumeSlideMemory);
            if (rules.impulse) {
                (void)VolumeSlideRow(v, p);  // the slide part goes on with the effect
                if (v.effect == effect::kVibratoVolumeSlide && !rules.oldEffects) Vibrato(v, false);
            }
            break;
        case effect::kSampleOffset:
            p = Remember(p, v.sampleOffsetMemory);
            if (v.data) SetSampleOffset(v, (static_cast<uint32_t>(v.highOffset) << 16) | (p << 8));
            break;
        case effect::kRetrigger:
            RetriggerRow(v);
            break;
        case effect::kTremolo:
            RememberWave(p, v.tremoloMemory);
            break;
        case effect::kSpecial:
            if (rules.impulse) p = Remember(p, v.specialMemory);
            SpecialEffect(channel, v);
            break;
        case effect::kTremor:
            p = Remember(p, v.tremorMemory);
            Tremor(v);
            break;
        case effect::kPanning:
            if (rules.impulse) {
                // 0x00..0xFF spans left to right.
                SetChannelPan(channel, v, (p * 64 + 128) / 255);
            } else if (stereo && (p <= 0x80 || p == 0xA4)) {
                // 0x00..0x80 spans left to right; 0xA4 (surround) centres.
                channelPan[channel] = p == 0xA4 ? kPanCentre : static_cast<uint16_t>(2 * p);
            }
            v.effect = effect::kNone;
            break;
        default:
            if (rules.impulse) ImpulseEffect(channel, v);
            break;
    }
}

// Speed, tempo, the order and row to go on at, global volume and the sync
// value. False for the other effects.
bool PlayState::SongEffect(int channel, Voice& v) {
    const uint8_t p = v.parameter;
    const PlayRules& rules = module_->Rules();
    switch (v.effect) {
        case effect::kSetSpeed:
            if (p != 0) speed = static_cast<uint8_t>(tickCountdown = p);
            return true;
        case effect::kPositionJump:
            // The order position already points past the entry playing now.
            // Only a target at or before the playing entry goes back; the
            // next entry is a forward jump that songs use to end a pattern early.
            if (!loop && p < orderPosition)
                stopAfterRow_ = true;
            else
                orderPosition = p;
            nextPattern_ = true;
            return true;
        case effect::kPatternBreak:
            if (rules.hexBreakRow) {
                breakRow = p;
                nextPattern_ = true;
            } else if (p < 100 && (p & 0x0F) <= 9) {
                breakRow = 10 * (p >> 4) + (p & 0x0F);
                nextPattern_ = true;
            }
            return true;
        case effect::kSetTempo:
            if (rules.impulse)
                ImpulseEffect(channel, v);
            else if (p > 32)
                tempo = p;
            return true;
        case effect::kGlobalVolume:
            if (p <= (rules.impulse ? 128 : 64)) globalVolume = p;
            return true;
        case effect::kSync:
            syncValue = p;
            return true;
        default:
            return false;
    }
}

// The row tick of slides, tone portamento, vibrato and arpeggio. False for
// the other effects.
bool PlayState::PitchEffect(Voice& v) {
    uint8_t& p = v.parameter;
    const PlayRules& rules = module_->Rules();
    switch (v.effect) {
        case effect::kPortamentoDown:
        case effect::kPortamentoUp:
            p = Remember(p, v.portamentoMemory);
            if (rules.linkedPortamento) v.tonePortamentoSpeed = v.portamentoMemory;
            if (p >= 0xE0) {
                const int amount = (p >= 0xF0 ? 4 : 1) * (p & 0x0F);
                SlidePitch(v, v.effect == effect::kPortamentoDown ? amount : -amount);
                v.effect = effect::kNone;
            }
            return true;
        case effect::kTonePortamento:
            if (rules.linkedPortamento)
                v.tonePortamentoSpeed = Remember(p, v.portamentoMemory);
            else if (p != 0)
                v.tonePortamentoSpeed = p;
            return true;
        case effect::kVibrato:
        case effect::kFineVibrato:
            RememberWave(p, v.vibratoMemory);
            // IT's vibrato moves on the row's first tick too.
            if (rules.impulse && !rules.oldEffects) Vibrato(v, v.effect == effect::kFineVibrato);
            return true;
        case effect::kArpeggio:
            p = Remember(p, v.arpeggioMemory);
            SetArpeggio(v, p);
            return true;
        default:
            return false;
    }
}

// Qxy on its row: the count goes on from the row before when that one
// retriggered too.
void PlayState::RetriggerRow(Voice& v) const {
    const uint8_t p = Remember(v.parameter, v.retriggerMemory);
    v.parameter = p;
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
}

// The row tick of the commands only IT has: channel volume (Mxx, Nxy), pan
// slide (Pxy), global volume slide (Wxy) and tempo slides (T0x, T1x).
void PlayState::ImpulseEffect(int channel, Voice& v) {
    uint8_t& p = v.parameter;
    bool slides = false;
    switch (v.effect) {
        case effect::kChannelVolume:
            if (p <= 64) v.channelVolume = p;
            break;
        case effect::kChannelVolumeSlide:
            p = Remember(p, v.channelVolumeMemory);
            slides = SlideRow(v.channelVolume, p, 64);
            break;
        case effect::kGlobalVolumeSlide:
            p = Remember(p, v.globalVolumeMemory);
            slides = SlideRow(globalVolume, p, 128);
            break;
        case effect::kPanSlide: {
            // P0y moves right, Px0 left; the pan runs the other way from a
            // volume, so it slides as 64 - pan.
            p = Remember(p, v.panSlideMemory);
            uint8_t left = static_cast<uint8_t>(64 - std::min(v.pan / 4, 64));
            slides = SlideRow(left, p, 64);
            SetChannelPan(channel, v, 64 - left);
            break;
        }
        case effect::kSetTempo:
            if (p >= 0x20) {
                tempo = p;
            } else {
                p = Remember(p, v.tempoMemory);
                slides = true;
            }
            break;
        default:
            break;
    }
    if (!slides) v.effect = effect::kNone;
}

void PlayState::ImpulseTickEffect(int channel, Voice& v) {
    const uint8_t p = v.parameter;
    switch (v.effect) {
        case effect::kChannelVolumeSlide:
            v.channelVolume = SlideTick(v.channelVolume, p, 64);
            break;
        case effect::kGlobalVolumeSlide:
            globalVolume = SlideTick(globalVolume, p, 128);
            break;
        case effect::kPanSlide: {
            const uint8_t left = static_cast<uint8_t>(64 - std::min(v.pan / 4, 64));
            SetChannelPan(channel, v, 64 - SlideTick(left, p, 64));
            break;
        }
        case effect::kSetTempo:
            if ((p >> 4) == 0)
                tempo = static_cast<uint8_t>(std::max(32, tempo - (p & 0x0F)));
            else
                tempo = static_cast<uint8_t>(std::min(255, tempo + (p & 0x0F)));
            break;
        default:
            break;
    }
}

// The row part of a volume slide. Scream Tracker slides on the ticks after
// the first and takes DxF and DFx as fine slides; Impulse Tracker also
// starts D0F and DF0 at once and plays nothing for other mixed forms.
// Returns whether later ticks slide.
bool PlayState::VolumeSlideRow(Voice& v, uint8_t p) const {
    const int high = p >> 4, low = p & 0x0F;
    const int maximum = MaxVolume();
    if (module_->Rules().impulse) {
        if ((low == 0) != (high == 0)) {
            if (high == 0x0F) v.volume = static_cast<uint8_t>(std::min(maximum, v.volume + 15));
            if (low == 0x0F) v.volume = static_cast<uint8_t>(std::max(0, v.volume - 15));
            return true;
        }
        if (low == 0x0F && high != 0)
            v.volume = static_cast<uint8_t>(std::min(maximum, v.volume + high));
        else if (high == 0x0F && low != 0)
            v.volume = static_cast<uint8_t>(std::max(0, v.volume - low));
        return false;
    }
    if (low == 0x0F && high != 0) {
        v.volume = static_cast<uint8_t>(std::min(maximum, v.volume + high));
        return false;
    }
    if (high == 0x0F && low != 0) {
        v.volume = static_cast<uint8_t>(std::max(0, v.volume - low));
        return false;
    }
    return true;
}

// IT's volume column beyond plain volumes, on the row tick. The slides share
// one memory; the pitch slides are Exx/Fxx by four times their value, the
// portamento and vibrato Gxx's and Hxx's.
void PlayState::VolumeColumnRow(int channel, Voice& v, uint8_t command) {
    const int maximum = MaxVolume();
    if (command >= 128 && command <= 192) {
        SetChannelPan(channel, v, command - 128);
        return;
    }
    if (command >= 65 && command <= 104) {
        const uint8_t x = static_cast<uint8_t>((command - 65) % 10);
        const uint8_t amount = Remember(x, v.volumeColumnMemory);
        if (command <= 74)
            v.volume = static_cast<uint8_t>(std::min(maximum, v.volume + amount));
        else if (command <= 84)
            v.volume = static_cast<uint8_t>(std::max(0, v.volume - amount));
        else
            v.volumeColumn = command;
        return;
    }
    if (command >= 105 && command <= 124) {
        const uint8_t x = static_cast<uint8_t>((command - 105) % 10);
        if (x != 0) v.portamentoMemory = static_cast<uint8_t>(4 * x);
    } else if (command >= 193 && command <= 202) {
        const uint8_t x = static_cast<uint8_t>(command - 193);
        const uint8_t speed = x == 0 ? 0 : kColumnPortamento[x - 1];
        v.tonePortamentoSpeed = module_->Rules().linkedPortamento
                                    ? Remember(speed, v.portamentoMemory)
                                    : Remember(speed, v.tonePortamentoSpeed);
    } else if (command >= 203 && command <= 212) {
        const uint8_t depth = static_cast<uint8_t>(command - 203);
        if (depth != 0) v.vibratoMemory = static_cast<uint8_t>((v.vibratoMemory & 0xF0) | depth);
        if (!module_->Rules().oldEffects) Vibrato(v, false);
    } else {
        return;
    }
    v.volumeColumn = command;
}

void PlayState::VolumeColumnTick(Voice& v) const {
    const uint8_t command = v.volumeColumn;
    const int amount = v.volumeColumnMemory;
    if (command >= 85 && command <= 94)
        v.volume = static_cast<uint8_t>(std::min<int>(MaxVolume(), v.volume + amount));
    else if (command >= 95 && command <= 104)
        v.volume = static_cast<uint8_t>(std::max(0, v.volume - amount));
    else if (command >= 105 && command <= 114)
        SlidePitch(v, 4 * v.portamentoMemory);
    else if (command >= 115 && command <= 124)
        SlidePitch(v, -4 * v.portamentoMemory);
    else if (command >= 193 && command <= 202)
        TonePortamento(v);
    else if (command >= 203 && command <= 212)
        Vibrato(v, false);
}

// The S commands. Those without a later tick clear the effect.
void PlayState::SpecialEffect(int channel, Voice& v) {
    const uint8_t x = v.parameter & 0x0F;
    const bool impulse = module_->Rules().impulse;
    uint8_t keep = effect::kNone;
    switch (v.parameter >> 4) {
        case 0x1:
            v.glissando = x != 0;
            break;
        case 0x2:
            if (!impulse) SetFinetune(v, x);
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
        case 0x7:
            if (impulse) InstrumentCommand(channel, v, x);
            break;
        case 0x8:
            if (impulse)
                SetChannelPan(channel, v, (x * 64 + 7) / 15);
            else if (stereo)
                channelPan[channel] = static_cast<uint16_t>(16 * x);
            break;
        case 0x9:
            // S91, surround, plays from the centre.
            if (impulse && x == 1) SetChannelPan(channel, v, 32);
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

// S7x: notes left in the background are cut, released or faded (0..2); the
// playing note's new note action is set (3..6); its envelopes are switched
// off and on (7..C).
void PlayState::InstrumentCommand(int channel, Voice& v, uint8_t x) {
    if (x <= 2) {
        PastNoteAction(channel, x);
    } else if (x <= 6) {
        v.newNoteAction = static_cast<NewNoteAction>(x - 3);
    } else if (x <= 12) {
        const bool on = (x & 1) == 0;
        if (x <= 8)
            v.volumeEnvelopeOn = on;
        else if (x <= 10)
            v.panEnvelopeOn = on;
        else
            v.pitchEnvelopeOn = on;
    }
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
    v.notePeriod = NotePeriod(v);
    if (v.flags & kVoiceNewSample) SetPeriod(v, v.notePeriod);
}

// A pan of IT's scale (0..64) for the channel and its playing note.
void PlayState::SetChannelPan(int channel, Voice& v, int pan) {
    if (!stereo) return;
    const uint16_t fine = static_cast<uint16_t>(4 * std::clamp(pan, 0, 64));
    channelPan[channel] = fine;
    v.pan = fine;
}

void PlayState::SetSampleOffset(Voice& v, uint32_t offset) const {
    // Offsets count samples; 16-bit data has two bytes per sample.
    const uint32_t shift = FrameShift(v);
    const uint32_t frames = v.length >> shift;
    const uint32_t loopStart = v.loopStart >> shift;
    const uint32_t loopLength = v.loopLength >> shift;
    uint32_t frame = offset;
    if (frame >= frames) {
        // IT passes over an offset past the end, unless its old effects
        // play the end.
        if (module_->Rules().impulse && !module_->Rules().oldEffects) return;
        if (loopLength > 0 && !module_->Rules().impulse)
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
    v.volume = RetriggerVolume(v.volume, v.parameter >> 4, MaxVolume());
}

void PlayState::Tremolo(Voice& v) const {
    v.tremoloPosition = static_cast<uint8_t>(v.tremoloPosition + 4 * (v.tremoloMemory >> 4));
    const int32_t wave = WaveformValue(v.tremoloWave, v.tremoloPosition, v.randomState);
    v.tremoloOffset = (v.tremoloMemory & 0x0F) * wave / 128;
}

// Ixy: the volume sounds for x ticks, then is silent for y, round and round
// for as long as the effect lasts. Scream Tracker (and IT's old effects)
// count one tick more of each; IT takes 0 as 1.
void PlayState::Tremor(Voice& v) const {
    const PlayRules& rules = module_->Rules();
    int on = v.tremorMemory >> 4;
    int off = v.tremorMemory & 0x0F;
    if (!rules.impulse || rules.oldEffects) {
        ++on;
        ++off;
    } else {
        on = std::max(on, 1);
        off = std::max(off, 1);
    }
    v.tremorMuted = v.tremorCounter % (on + off) >= on;
    v.tremorCounter = static_cast<uint8_t>((v.tremorCounter + 1) % (on + off));
}

void PlayState::TickEffect(int channel, Voice& v) {
    if (v.volumeColumn != effect::kNone) VolumeColumnTick(v);
    const bool impulse = module_->Rules().impulse;
    switch (v.effect) {
        case effect::kVolumeSlide:
            v.volume = SlideVolume(v.volume, v.parameter, false, MaxVolume());
            break;
        case effect::kPortamentoDown:
            SlidePitch(v, 4 * v.portamentoMemory);
            break;
        case effect::kPortamentoUp:
            SlidePitch(v, -4 * v.portamentoMemory);
            break;
        case effect::kTonePortamento:
            TonePortamento(v);
            break;
        case effect::kVibrato:
        case effect::kFineVibrato:
            Vibrato(v, v.effect == effect::kFineVibrato);
            break;
        case effect::kArpeggio:
            Arpeggio(v);
            break;
        case effect::kVibratoVolumeSlide:
            v.volume = SlideVolume(v.volume, v.volumeSlideMemory, true, MaxVolume());
            Vibrato(v, false);
            break;
        case effect::kPortamentoVolumeSlide:
            v.volume = SlideVolume(v.volume, v.volumeSlideMemory, true, MaxVolume());
            TonePortamento(v);
            break;
        case effect::kRetrigger:
            if (v.tickCounter == 0) {
                v.tickCounter = v.parameter & 0x0F;
                Retrigger(v);
            }
            break;
        case effect::kTremolo:
            Tremolo(v);
            break;
        case effect::kTremor:
            Tremor(v);
            break;
        case effect::kSpecial:
            if (v.tickCounter != 0) break;
            if ((v.parameter >> 4) == 0xD) {
                v.flags = 0;
                TriggerCell(channel, v, v.delayedCell, effect::kNone);
            } else {
                v.step = Step{};
                v.stepPeriod = 0;
            }
            v.effect = effect::kNone;
            break;
        default:
            if (impulse) ImpulseTickEffect(channel, v);
            break;
    }
}

}  // namespace vimsa
