// Voices: samples taken up by notes, IT's instruments with their envelopes,
// fades and new note actions, and the volume and pan each voice is mixed
// with.
#include <algorithm>
#include <cstdlib>

#include "sound/play_state.h"

namespace vimsa {
namespace {

// Whether a background note is a duplicate of a new note by the check of the
// new note's instrument.
bool IsDuplicate(const Voice& b, const Instrument& next, const SampleSlot* sample, uint8_t note) {
    if (b.instrumentData != &next) return false;
    switch (next.duplicateCheck) {
        case DuplicateCheck::Note:
            return b.note == note;
        case DuplicateCheck::Sample:
            return b.sample == sample;
        case DuplicateCheck::Instrument:
            return true;
        default:
            return false;
    }
}

void ApplyAction(Voice& v, DuplicateAction action) {
    if (action == DuplicateAction::Cut)
        v.data = nullptr;
    else if (action == DuplicateAction::Off)
        KeyOff(v);
    else
        v.fading = true;
}

// The envelopes' values on this tick, in 1/256 steps; each then moves on.
struct EnvelopeValues {
    int32_t volume = 64 * 256;
    int32_t pan = 0;
    int32_t pitch = 0;
};

int32_t StepEnvelope(const Envelope& e, bool on, bool keyHeld, EnvelopePosition& p, int32_t off) {
    if (!on) return off;
    const int32_t value = EnvelopeValue(e, p.tick);
    AdvanceEnvelope(e, keyHeld, p);
    return value;
}

// A voice's envelopes and fade move on by a tick. At its end the volume
// envelope hands over to the fade; ending silent, the note is over.
EnvelopeValues StepEnvelopes(Voice& v) {
    EnvelopeValues values;
    const Instrument* i = v.instrumentData;
    if (!i) return values;
    const bool held = !v.keyOff;
    values.volume =
        StepEnvelope(i->volumeEnvelope, v.volumeEnvelopeOn, held, v.volumeEnvelope, 64 * 256);
    values.pan = StepEnvelope(i->panEnvelope, v.panEnvelopeOn, held, v.panEnvelope, 0);
    values.pitch = StepEnvelope(i->pitchEnvelope, v.pitchEnvelopeOn, held, v.pitchEnvelope, 0);
    if (v.volumeEnvelopeOn && v.volumeEnvelope.ended) {
        v.fading = true;
        if (values.volume == 0) v.data = nullptr;
    }
    if (v.fading) v.fadeVolume = std::max(0, v.fadeVolume - i->fadeOut);
    return values;
}

// The sample's own vibrato, in 1/64 semitones: its depth grows by the rate
// each tick (in 1/256 steps) up to the sample's depth.
int32_t SampleVibrato(Voice& v) {
    const SampleSlot* s = v.sample;
    if (!s || s->vibratoDepth == 0) return 0;
    v.autoVibratoDepth =
        static_cast<uint16_t>(std::min(v.autoVibratoDepth + s->vibratoRate, s->vibratoDepth * 256));
    v.autoVibratoPosition = static_cast<uint8_t>(v.autoVibratoPosition + s->vibratoSpeed);
    const int32_t wave = WaveformValue(s->vibratoWave, v.autoVibratoPosition, v.randomState);
    return wave * (v.autoVibratoDepth >> 8) / 256;
}

// A sample that has played to its end without a loop.
bool SampleEnded(const Voice& v) {
    if (v.loopLength > 0) return false;
    const uint32_t shift = v.sixteenBit ? 1 : 0;
    return (v.position >> shift) + 1 >= (v.length >> shift);
}

}  // namespace

void KeyOff(Voice& v) {
    v.keyOff = true;
    // The sustain loop gives way to the sample's loop, or to none.
    if (const SampleSlot* s = v.sample; s && s->sustainLength > 0) {
        v.loopStart = s->loopStart;
        v.loopLength = s->loopLength;
        v.backwards = v.backwards && s->pingPong;
        v.pingPong = s->pingPong;
    }
    const Instrument* i = v.instrumentData;
    if (!i || !v.volumeEnvelopeOn || i->volumeEnvelope.loop) v.fading = true;
}

void PlayState::TakeSample(Voice& v) const {
    const SampleSlot* s = module_->SampleFor(v.instrument, v.note);
    v.backwards = false;
    v.sample = s;
    if (!s) {
        v.data = nullptr;
        return;
    }
    v.data = s->data;
    v.c2Speed = s->c2Speed;
    v.c5Speed = s->c5Speed;
    v.length = s->length;
    // A sustain loop plays until the note is released.
    const bool sustain = s->sustainLength > 0 && !v.keyOff;
    v.loopStart = sustain ? s->sustainStart : s->loopStart;
    v.loopLength = sustain ? s->sustainLength : s->loopLength;
    v.pingPong = sustain ? s->sustainPingPong : s->pingPong;
    v.sixteenBit = s->sixteenBit;
    v.sampleVolume = s->globalVolume;
}

// What IT sets up for a new note: the fade, the sample's vibrato, the pans of
// the instrument and sample, and in instrument mode the envelopes and the
// new note action.
void PlayState::StartImpulseNote(int channel, Voice& v) {
    v.fading = false;
    v.fadeVolume = Instrument::kFadeStart;
    v.autoVibratoPosition = 0;
    v.autoVibratoDepth = 0;
    v.pitchOffset = 0;
    const Instrument* i = module_->InstrumentAt(v.instrument);
    v.instrumentData = i;
    if (i) {
        v.newNoteAction = i->newNoteAction;
        v.volumeEnvelope = v.panEnvelope = v.pitchEnvelope = EnvelopePosition{};
        v.volumeEnvelopeOn = i->volumeEnvelope.enabled;
        v.panEnvelopeOn = i->panEnvelope.enabled;
        v.pitchEnvelopeOn = i->pitchEnvelope.enabled;
        if (i->hasPan) SetChannelPan(channel, v, i->pan);
    }
    if (v.sample && v.sample->hasPan) SetChannelPan(channel, v, v.sample->pan);
    v.pan = channelPan[channel];
    if (i && i->pitchPanSeparation != 0 && stereo) {
        const int note = std::max(PeriodTable::NoteIndex(v.playedNote), 0);
        const int pan = v.pan / 4 + (note - i->pitchPanCentre) * i->pitchPanSeparation / 8;
        v.pan = static_cast<uint16_t>(4 * std::clamp(pan, 0, 64));
    }
}

// Before a new note takes the channel: the playing note goes on in the
// background unless its new note action cuts it, and earlier notes that the
// new instrument's duplicate check matches are cut, released or faded.
void PlayState::NewNoteActions(int channel, Voice& v, uint8_t note) {
    const bool sounding = v.data && (v.step.integer | v.step.fraction) != 0 && v.mixVolume > 0;
    if (sounding && v.instrumentData && v.newNoteAction != NewNoteAction::Cut) {
        if (Voice* b = FreeBackgroundVoice()) {
            *b = v;
            b->owner = static_cast<uint8_t>(channel);
            if (v.newNoteAction == NewNoteAction::Off)
                KeyOff(*b);
            else if (v.newNoteAction == NewNoteAction::Fade)
                b->fading = true;
        }
    }
    const Instrument* next = module_->InstrumentAt(v.instrument);
    if (!next || next->duplicateCheck == DuplicateCheck::Off) return;
    const SampleSlot* sample = module_->SampleFor(v.instrument, note);
    for (Voice& b : background) {
        if (b.data && b.owner == channel && IsDuplicate(b, *next, sample, note))
            ApplyAction(b, next->duplicateAction);
    }
}

// S70..S72 on the notes a channel has left in the background.
void PlayState::PastNoteAction(int channel, uint8_t action) {
    for (Voice& b : background) {
        if (b.data && b.owner == channel) ApplyAction(b, static_cast<DuplicateAction>(action));
    }
}

// A free background voice, or else the quietest one, which gives way.
Voice* PlayState::FreeBackgroundVoice() {
    Voice* quietest = &background[0];
    for (Voice& b : background) {
        if (!b.data) return &b;
        if (b.mixVolume < quietest->mixVolume) quietest = &b;
    }
    return quietest;
}

void PlayState::UpdateMix() {
    const int channels = module_->ChannelCount();
    if (module_->Rules().impulse) {
        for (int c = 0; c < channels; ++c)
            UpdateImpulseVoice(voices[c]);
        for (Voice& b : background) {
            if (b.data) UpdateImpulseVoice(b);
            // A background note that has ended or faded out frees its voice.
            if (b.data && (SampleEnded(b) || (b.mixVolume == 0 && b.fading))) b.data = nullptr;
        }
        return;
    }
    const int32_t g = std::min<int32_t>(globalVolume, 64);
    for (int c = 0; c < channels; ++c) {
        Voice& v = voices[c];
        const int32_t volume =
            v.tremorMuted ? 0 : std::clamp<int32_t>(v.volume + v.tremoloOffset, 0, 63);
        v.mixVolume = volume * g / 64 * kMixVolumeStep;
        v.mixPan = channelPan[c];
    }
}

// One tick of an IT voice: its envelopes move on, a fade goes down, the
// sample's vibrato and the pitch envelope bend the pitch; then the volume
// and pan it is mixed with.
void PlayState::UpdateImpulseVoice(Voice& v) {
    const EnvelopeValues envelopes = StepEnvelopes(v);
    // Pitch envelope steps are half semitones: 32 steps of 1/64.
    const int32_t pitchOffset = envelopes.pitch / 8 + SampleVibrato(v);
    if (pitchOffset != v.pitchOffset) {
        v.pitchOffset = pitchOffset;
        UpdateStep(v, v.stepPeriod);
    }
    v.mixVolume = ImpulseVolume(v, envelopes.volume);
    v.mixPan = ImpulsePan(v, envelopes.pan);
}

// IT's volume: note volume x sample, instrument, channel and global volumes
// x envelope x fade, on the mixer's scale.
int32_t PlayState::ImpulseVolume(const Voice& v, int32_t envelope) const {
    if (!v.data) return 0;
    const int64_t volume =
        v.tremorMuted ? 0 : std::clamp<int32_t>(v.volume + v.tremoloOffset, 0, 64);
    // 0..64 x 0..64 x 0..64 x 0..128: 0..2^25.
    int64_t product = volume * v.sampleVolume * v.channelVolume * globalVolume;
    if (!v.instrumentData) return static_cast<int32_t>(product >> 11);
    // x 0..128 x 0..64 * 256 x 0..1024: 0..2^56.
    product *= v.instrumentData->globalVolume * static_cast<int64_t>(envelope) * v.fadeVolume;
    return static_cast<int32_t>(product >> 42);
}

// IT's pan: the note's pan, moved by the pan envelope as far as the nearer
// side allows, then drawn to the centre by the song's separation.
uint16_t PlayState::ImpulsePan(const Voice& v, int32_t envelope) const {
    if (!stereo) return kPanCentre;
    int32_t pan = v.pan;
    if (envelope != 0) pan += envelope * (kPanCentre - std::abs(pan - kPanCentre)) / (32 * 256);
    pan = kPanCentre + (pan - kPanCentre) * module_->Rules().panSeparation / 128;
    return static_cast<uint16_t>(std::clamp<int32_t>(pan, 0, kPanRight));
}

}  // namespace vimsa
