#pragma once

#include <cstdint>

namespace vimsa {

// Note bytes carry the octave in the high nibble and the semitone (0..11) in
// the low nibble; these two values are not notes.
inline constexpr uint8_t kNoteCut = 254;
inline constexpr uint8_t kNoNote = 255;
// IT's note off (the key is released: sustain loops end, fades begin) and
// note fade.
inline constexpr uint8_t kNoteOff = 253;
inline constexpr uint8_t kNoteFade = 252;

// Periods of 10 octaves of 12 semitones. Octave 4 holds the middle-C periods
// (1712 at 8363 Hz); each octave below doubles them.
class PeriodTable {
public:
    static constexpr int kNotes = 120;
    static constexpr int32_t kMaxPeriod = 27392;  // the table's first entry
    static constexpr int32_t kBaseSpeed = 8363;   // C2 speed the table is tuned to

    // Period of table entry `index` (0..119); 0 outside the table.
    static int32_t Entry(int index);

    // Table index of a note byte, or -1 when the byte is not a playable note
    // (no note, note cut, semitone above 11, octave above 9).
    static int NoteIndex(uint8_t note);

    // Period of a note for a sample tuned to `c2Speed`: the table period
    // scaled by 8363 / c2Speed; 0 for unplayable notes or a speed of 0.
    static int32_t NotePeriod(uint8_t note, uint32_t c2Speed);

    // Scales a table period to a sample's C2 speed (0 when the speed is 0).
    static int32_t Scale(int32_t period, uint32_t c2Speed);

    // Index of the first entry of octaves 2..7 that is not above `period`,
    // counted from octave 2, as ProTracker periods map to notes; -1 for 0 or
    // for a period below the last of those entries.
    static int ScanAmigaPeriod(int32_t period);
};

// Vibrato and tremolo waveform: half a sine wave in 32 steps. A waveform
// position is a byte; the entry is (position / 4) mod 32 and counts negative
// for positions of 128 and more.
int32_t WaveformValue(uint8_t position);

// Value of a vibrato or tremolo waveform at a position, -255..255: 0 the
// half sine above, 1 a ramp down, 2 a square, 3 random values drawn from
// `random` (a generator state the caller keeps). Only the low 2 bits of
// `wave` count.
int32_t WaveformValue(uint8_t wave, uint8_t position, uint32_t& random);

// C2 speed of a ProTracker finetune value (low nibble used).
uint32_t FinetuneSpeed(uint8_t finetune);

// Resampling step for a period at an output rate, as 32.32 fixed point:
// integer part = K / period / (rate * 256), with K = 14317456 * 256, computed
// in 32-bit integer arithmetic. Period 0 (or rate 0) gives step 0.
struct Step {
    uint32_t integer = 0;
    uint32_t fraction = 0;
};
Step StepFromPeriod(int32_t period, uint32_t rate);

// Exact pitch, as IT plays it. A period p sounds at kPeriodHz / p Hz, as the
// table's periods do (1712 is 8363 Hz).
inline constexpr double kPeriodHz = 14317456.0;

// The period of note `index` (0..119; 60 is C-5) for a sample whose C-5
// plays at `c5Speed` Hz: no table, no rounding. 0 for a speed of 0 or an
// index outside the notes.
double ExactNotePeriod(int index, uint32_t c5Speed);

// A period moved by `units` 1/64 semitones; positive units lower the pitch.
double LinearSlide(double period, double units);

// The step of a period that need not be whole: kPeriodHz / period / rate in
// 32.32 fixed point; 0 for a period of 0 or less.
Step StepFromExactPeriod(double period, uint32_t rate);

}  // namespace vimsa
