#include "sound/period_table.h"

#include <array>
#include <cmath>

namespace vimsa {
namespace {

constexpr std::array<int32_t, 12> kOctave4 = {1712, 1616, 1524, 1440, 1356, 1280,
                                              1208, 1140, 1076, 1016, 960,  906};
// Upper octaves are not exact halvings (the tracker tables round them), so
// they are listed as given.
constexpr std::array<std::array<int32_t, 12>, 5> kUpperOctaves = {{
    {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453},
    {428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226},
    {214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113},
    {107, 101, 95, 90, 85, 80, 75, 71, 67, 63, 60, 57},
    {53, 50, 47, 45, 42, 40, 38, 36, 34, 32, 30, 28},
}};

constexpr std::array<int32_t, PeriodTable::kNotes> BuildTable() {
    std::array<int32_t, PeriodTable::kNotes> table{};
    for (int octave = 0; octave < 10; ++octave) {
        for (int semitone = 0; semitone < 12; ++semitone) {
            int32_t period;
            if (octave <= 4)
                period = kOctave4[semitone] << (4 - octave);
            else
                period = kUpperOctaves[octave - 5][semitone];
            table[octave * 12 + semitone] = period;
        }
    }
    return table;
}

constexpr std::array<int32_t, PeriodTable::kNotes> kTable = BuildTable();
static_assert(kTable[0] == PeriodTable::kMaxPeriod);

constexpr std::array<uint8_t, 32> kHalfSine = {
    0,   25,  50,  74,  98,  120, 142, 162, 180, 197, 212, 225, 236, 244, 250, 254,
    255, 254, 250, 244, 236, 225, 212, 197, 180, 162, 142, 120, 98,  74,  50,  25};

constexpr std::array<uint16_t, 16> kFinetune = {8363, 8413, 8463, 8529, 8581, 8651, 8723, 8757,
                                                7895, 7941, 7985, 8046, 8107, 8169, 8232, 8280};

// 14317456 Hz (the period clock) times 256; fits in 32 bits unsigned.
constexpr uint32_t kPeriodClock = 3665268736u;

}  // namespace

int32_t PeriodTable::Entry(int index) {
    if (index < 0 || index >= kNotes) return 0;
    return kTable[index];
}

int PeriodTable::NoteIndex(uint8_t note) {
    const int octave = note >> 4;
    const int semitone = note & 0x0F;
    if (note >= kNoteCut || semitone > 11 || octave > 9) return -1;
    return octave * 12 + semitone;
}

int32_t PeriodTable::Scale(int32_t period, uint32_t c2Speed) {
    if (c2Speed == 0) return 0;
    const int64_t scaled = static_cast<int64_t>(period) * kBaseSpeed / c2Speed;
    // A C2 speed far below 8363 would give periods the 32-bit engine cannot
    // hold; such notes are inaudibly low anyway.
    return scaled > INT32_MAX ? INT32_MAX : static_cast<int32_t>(scaled);
}

int32_t PeriodTable::NotePeriod(uint8_t note, uint32_t c2Speed) {
    const int index = NoteIndex(note);
    if (index < 0) return 0;
    return Scale(kTable[index], c2Speed);
}

int PeriodTable::ScanAmigaPeriod(int32_t period) {
    if (period <= 0) return -1;
    constexpr int kFirst = 2 * 12;
    constexpr int kCount = 6 * 12;
    for (int k = 0; k < kCount; ++k) {
        if (kTable[kFirst + k] <= period) return k;
    }
    return -1;
}

int32_t WaveformValue(uint8_t position) {
    const int32_t value = kHalfSine[(position / 4) % 32];
    return position >= 128 ? -value : value;
}

int32_t WaveformValue(uint8_t wave, uint8_t position, uint32_t& random) {
    const int32_t step = position / 4;  // 64 steps per cycle
    switch (wave & 3) {
        case 1:
            return 255 - step * 510 / 63;
        case 2:
            return step < 32 ? 255 : -255;
        case 3:
            random = random * 1103515245u + 12345u;
            return static_cast<int32_t>((random >> 16) % 511) - 255;
        default:
            return WaveformValue(position);
    }
}

uint32_t FinetuneSpeed(uint8_t finetune) {
    return kFinetune[finetune & 0x0F];
}

Step StepFromPeriod(int32_t period, uint32_t rate) {
    Step step;
    if (period <= 0 || rate == 0 || rate > 0xFFFFFFu) return step;
    const uint32_t rate256 = rate * 256u;
    const uint32_t perPeriod = kPeriodClock / static_cast<uint32_t>(period);
    step.integer = perPeriod / rate256;
    step.fraction = (perPeriod % rate256) * (0xFFFFFFFFu / rate256);
    return step;
}

double ExactNotePeriod(int index, uint32_t c5Speed) {
    if (c5Speed == 0 || index < 0 || index >= PeriodTable::kNotes) return 0.0;
    return kPeriodHz / (c5Speed * std::exp2((index - 60) / 12.0));
}

double LinearSlide(double period, double units) {
    return period * std::exp2(units / 768.0);
}

Step StepFromExactPeriod(double period, uint32_t rate) {
    Step step;
    if (!(period > 0.0) || rate == 0) return step;
    // Steps of 2^31 samples a frame and more play nothing anyone can hear.
    const double frames = std::min(kPeriodHz / period / rate, 2147483647.0);
    const double whole = std::floor(frames);
    step.integer = static_cast<uint32_t>(whole);
    step.fraction = static_cast<uint32_t>(std::min((frames - whole) * 4294967296.0, 4294967295.0));
    return step;
}

}  // namespace vimsa
