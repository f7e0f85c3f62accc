#pragma once

#include <array>
#include <cstdint>

#include "core/result.h"
#include "sound/instrument.h"
#include "sound/module.h"
#include "sound/period_table.h"

namespace vimsa {

// Effect numbers of the shared effect engine: A = 1 ... Z = 26, the Scream
// Tracker 3 letters. ProTracker commands are translated to these on unpacking.
namespace effect {
inline constexpr uint8_t kNone = 255;
inline constexpr uint8_t kSetSpeed = 1;                // A
inline constexpr uint8_t kPositionJump = 2;            // B
inline constexpr uint8_t kPatternBreak = 3;            // C
inline constexpr uint8_t kVolumeSlide = 4;             // D
inline constexpr uint8_t kPortamentoDown = 5;          // E
inline constexpr uint8_t kPortamentoUp = 6;            // F
inline constexpr uint8_t kTonePortamento = 7;          // G
inline constexpr uint8_t kVibrato = 8;                 // H
inline constexpr uint8_t kTremor = 9;                  // I
inline constexpr uint8_t kArpeggio = 10;               // J
inline constexpr uint8_t kVibratoVolumeSlide = 11;     // K
inline constexpr uint8_t kPortamentoVolumeSlide = 12;  // L
inline constexpr uint8_t kChannelVolume = 13;          // M (IT)
inline constexpr uint8_t kChannelVolumeSlide = 14;     // N (IT)
inline constexpr uint8_t kSampleOffset = 15;           // O
inline constexpr uint8_t kPanSlide = 16;               // P (IT)
inline constexpr uint8_t kRetrigger = 17;              // Q
inline constexpr uint8_t kTremolo = 18;                // R
inline constexpr uint8_t kSpecial = 19;                // S
inline constexpr uint8_t kSetTempo = 20;               // T
inline constexpr uint8_t kFineVibrato = 21;            // U
inline constexpr uint8_t kGlobalVolume = 22;           // V
inline constexpr uint8_t kGlobalVolumeSlide = 23;      // W (IT)
inline constexpr uint8_t kPanning = 24;                // X
inline constexpr uint8_t kPanbrello = 25;              // Y (IT; not played)
inline constexpr uint8_t kSync = 26;                   // Z
inline constexpr uint8_t kLast = 26;
// ProTracker commands that are not played, kept in the row so that they can
// be counted; the engine passes over numbers past kLast. kIgnored holds the
// E commands (filter, invert loop) with their Exy byte, kIgnoredPan the 8xx
// pan (MOD plays in mono).
inline constexpr uint8_t kIgnored = 27;
inline constexpr uint8_t kIgnoredPan = 28;
}  // namespace effect

// The mixer's volume of a voice counts in 1/kMixVolumeStep steps of the
// 0..64 volume scale, fine enough for the IT volume product.
inline constexpr int32_t kMixVolumeStep = 256;
inline constexpr int32_t kMixVolumeFull = 64 * kMixVolumeStep;

// What changed in a voice on the current row.
inline constexpr uint8_t kVoiceNewSample = 1;
inline constexpr uint8_t kVoiceNewFrequency = 2;
inline constexpr uint8_t kVoiceNewVolume = 4;
inline constexpr uint8_t kVoiceRestart = 8;

// The playing state of one channel, or of a note a channel has left playing
// in the background (IT new note actions).
struct Voice {
    const uint8_t* data = nullptr;  // sample data; null: silent
    uint32_t position = 0;          // byte offset into the data
    uint32_t positionFraction = 0;
    uint32_t length = 0;  // bytes
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;  // 0: no loop
    uint32_t c2Speed = 0;
    uint32_t c5Speed = 0;  // IT: the sample's exact tuning
    // Periods: whole numbers in the period-table model; IT keeps them exact.
    double period = 0;      // current period
    double notePeriod = 0;  // period of the note: the tone-portamento target
    double stepPeriod = 0;  // the period the step was last worked out from
    Step step;
    uint8_t instrument = 0;
    uint8_t note = kNoNote;        // as written
    uint8_t playedNote = kNoNote;  // as the instrument's note table plays it
    uint8_t volume = 0;            // 0..63; IT 0..64
    int32_t tremoloOffset = 0;
    uint8_t flags = 0;
    uint8_t effect = effect::kNone;
    uint8_t parameter = 0;
    uint8_t previousEffect = effect::kNone;
    uint8_t tickCounter = 0;  // retrigger, note-cut and note-delay countdown

    uint8_t volumeSlideMemory = 0;
    uint8_t portamentoMemory = 0;
    uint8_t tonePortamentoSpeed = 0;
    uint8_t vibratoMemory = 0;  // speed in the high nibble, depth in the low
    uint8_t vibratoPosition = 0;
    uint8_t tremoloMemory = 0;
    uint8_t tremoloPosition = 0;
    uint8_t sampleOffsetMemory = 0;
    uint8_t retriggerMemory = 0;
    uint8_t arpeggioMemory = 0;
    uint8_t tremorMemory = 0;
    uint8_t tremorCounter = 0;  // ticks into the tremor's on and off cycle
    bool tremorMuted = false;   // in the off part of a tremor
    uint8_t highOffset = 0;     // SAx: sample offsets above 64 kilobytes
    // Waveforms of vibrato and tremolo: 0 sine, 1 ramp down, 2 square,
    // 3 random; bit 2 keeps the position when a note starts.
    uint8_t vibratoWave = 0;
    uint8_t tremoloWave = 0;
    uint32_t randomState = 1;                  // the random waveform's generator
    bool glissando = false;                    // tone portamento moves in whole semitones
    uint8_t loopRow = 0;                       // where a pattern loop returns to
    uint8_t loopCount = 0;                     // loops still to go; 0: not looping
    RowCell delayedCell;                       // a note held back by a note delay
    std::array<int32_t, 3> arpeggioPeriods{};  // table periods, before C2 scaling
    uint8_t arpeggioPhase = 0;                 // 0..2

    // IT effects and the volume column.
    uint8_t channelVolume = 64;  // 0..64
    uint8_t channelVolumeMemory = 0;
    uint8_t panSlideMemory = 0;
    uint8_t globalVolumeMemory = 0;
    uint8_t tempoMemory = 0;
    uint8_t specialMemory = 0;
    uint8_t volumeColumn = 255;  // the volume column's command of the row
    uint8_t volumeColumnMemory = 0;
    uint16_t pan = kPanCentre;  // the note's own pan (IT)

    // IT samples and instruments.
    const SampleSlot* sample = nullptr;
    const Instrument* instrumentData = nullptr;  // instrument mode only
    uint8_t sampleVolume = 64;                   // the sample's global volume, 0..64
    NewNoteAction newNoteAction = NewNoteAction::Cut;
    bool keyOff = false;  // released: sustain loops end
    bool fading = false;
    int32_t fadeVolume = Instrument::kFadeStart;
    EnvelopePosition volumeEnvelope, panEnvelope, pitchEnvelope;
    bool volumeEnvelopeOn = false, panEnvelopeOn = false, pitchEnvelopeOn = false;
    uint8_t autoVibratoPosition = 0;
    uint16_t autoVibratoDepth = 0;  // in 1/256 steps, up to the sample's depth
    // Pitch of the envelope and the sample's vibrato, in 1/64 semitones.
    int32_t pitchOffset = 0;
    uint8_t owner = 0;  // the channel a background voice came from

    bool sixteenBit = false;
    bool pingPong = false;
    bool backwards = false;

    // What the mixer plays, worked out at the end of every tick.
    int32_t mixVolume = 0;  // 0..kMixVolumeFull
    uint16_t mixPan = kPanCentre;
};

// One song being played: the position in the order list and patterns, the
// tempo, and the voices. Tick() advances it by one tick.
class PlayState {
public:
    explicit PlayState(const Module& module);
    PlayState(const PlayState&) = delete;
    PlayState& operator=(const PlayState&) = delete;

    // Names this state for Module::FindPlayState. Ids are never reused in a
    // process, so an id kept past the state's end cannot find a newer one.
    uint64_t Id() const { return id_; }

    // Resets everything for a start at `startOrder`/`startRow`.
    void Start(int startOrder, int startRow, bool stereo, bool loop);

    // One tick of the song at the output rate `rate` (for the voices' steps).
    // ERR_MODULE_SONG_END once the song has ended.
    Result Tick(uint32_t rate);

    // Frames of output one tick lasts at `rate` with the current tempo.
    uint32_t FramesPerTick(uint32_t rate) const;

    bool active = false;
    bool stereo = true;
    uint8_t globalVolume = 64;
    uint8_t speed = 6;
    uint8_t tempo = 125;
    std::array<Voice, Module::kMaxChannels> voices{};
    // Notes that go on after their channel started another (IT instrument
    // mode); a voice without data is free.
    static constexpr int kBackgroundVoices = 64;
    std::array<Voice, kBackgroundVoices> background{};
    std::array<uint16_t, Module::kMaxChannels> channelPan{};  // 0..kPanRight
    int row = 0;                                              // the next row of the current pattern
    int pattern = -1;  // the pattern playing; -1 before the first
    int patternRows = Module::kRowsPerPattern;
    int orderPosition = 0;
    int tickCountdown = 1;  // a pattern delay stretches a row past 255 ticks
    int breakRow = 0;
    uint8_t syncValue = 0;
    bool loop = false;
    bool playing = false;
    uint32_t tickCount = 0;
    double playTime = 0.0;  // seconds
    PatternCursor cursor;
    RowBuffer rowBuffer{};
    uint32_t instanceNumber = 0;

private:
    // Orders and rows (play_state.cpp).
    bool AdvanceOrder();
    void PlayRow();
    void LoopBack();
    void ChannelRow(int channel);
    void TriggerCell(int channel, Voice& v, const RowCell& cell, uint8_t newEffect);
    void TriggerNote(int channel, Voice& v, uint8_t note, uint8_t newEffect);

    // The effects (play_effects.cpp).
    void RowEffect(int channel, Voice& v);
    bool SongEffect(int channel, Voice& v);
    bool PitchEffect(Voice& v);
    void RetriggerRow(Voice& v) const;
    void TickEffect(int channel, Voice& v);
    void SpecialEffect(int channel, Voice& v);
    void ImpulseEffect(int channel, Voice& v);
    void ImpulseTickEffect(int channel, Voice& v);
    void VolumeColumnRow(int channel, Voice& v, uint8_t command);
    void VolumeColumnTick(Voice& v) const;
    bool VolumeSlideRow(Voice& v, uint8_t parameter) const;
    void PatternLoop(Voice& v, uint8_t count);
    void SetFinetune(Voice& v, uint8_t finetune) const;
    void SetChannelPan(int channel, Voice& v, int pan);
    void InstrumentCommand(int channel, Voice& v, uint8_t x);
    void Retrigger(Voice& v) const;
    void SetSampleOffset(Voice& v, uint32_t offset) const;
    void Tremolo(Voice& v) const;
    void Tremor(Voice& v) const;
    uint8_t MaxVolume() const;

    // Pitch (play_pitch.cpp).
    double NotePeriod(const Voice& v) const;
    void UpdateStep(Voice& v, double period) const;
    void SetPeriod(Voice& v, double period) const;
    void SlidePitch(Voice& v, int32_t amount) const;
    void Vibrato(Voice& v, bool fine) const;
    void TonePortamento(Voice& v) const;
    void Arpeggio(Voice& v) const;
    void SetArpeggio(Voice& v, uint8_t parameter) const;
    double GlissandoPeriod(const Voice& v) const;

    // Samples, instruments and the voices of IT (play_voices.cpp).
    void TakeSample(Voice& v) const;
    void NewNoteActions(int channel, Voice& v, uint8_t note);
    void StartImpulseNote(int channel, Voice& v);
    void PastNoteAction(int channel, uint8_t action);
    Voice* FreeBackgroundVoice();
    void UpdateMix();
    void UpdateImpulseVoice(Voice& v);
    int32_t ImpulseVolume(const Voice& v, int32_t envelope) const;
    uint16_t ImpulsePan(const Voice& v, int32_t envelope) const;

    const Module* module_;
    uint64_t id_;
    uint32_t rate_ = 44100;
    bool stopAfterRow_ = false;
    // Row-level commands of the row playing: the row it loops back to (-1:
    // none) and the rows (SEx) and ticks (S6x) it is held for.
    int loopTarget_ = -1;
    int rowRepeats_ = 0;
    int extraTicks_ = 0;
    // The next row tick loads the next order entry: set at the start, by a
    // jump or break, and after the pattern's last row.
    bool nextPattern_ = true;
};

// Volume after a retrigger whose parameter has `high` as its high nibble,
// within 0..`maximum`.
uint8_t RetriggerVolume(uint8_t volume, uint8_t high, uint8_t maximum = 63);

// One tick of a volume slide with a Dxy parameter: a non-zero low nibble is
// subtracted, otherwise the high nibble is added; the result stays in
// 0..`maximum`. With `skipFine` the fine forms (DxF, DFx) do nothing.
uint8_t SlideVolume(uint8_t volume, uint8_t parameter, bool skipFine, uint8_t maximum = 63);

// Begins a released note's fade where IT would: the key is let go, sustain
// loops end, and without a volume envelope (or with one that loops) the
// note fades out.
void KeyOff(Voice& v);

}  // namespace vimsa
