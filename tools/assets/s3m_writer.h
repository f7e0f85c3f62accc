#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::tool {

// One instrument of a Scream Tracker 3 module: 8-bit unsigned sample data.
struct S3mInstrument {
    std::string name;
    std::vector<uint8_t> data;  // unsigned: silence is 128
    uint32_t c2Speed = 8363;    // playback rate of the note C-4
    uint8_t volume = 64;
    bool loop = false;
    uint32_t loopStart = 0, loopEnd = 0;  // in samples
};

// One cell of a pattern; 255 (or effect 0) means nothing there.
struct S3mCell {
    uint8_t note = 255;  // octave in the high nibble, semitone in the low one; 254 cuts
    uint8_t instrument = 0;
    uint8_t volume = 255;  // 0..64
    uint8_t effect = 0;    // 'A' = 1 ... 'Z' = 26
    uint8_t parameter = 0;
};

// 64 rows of up to 32 channels.
class S3mPattern {
public:
    static constexpr int kRows = 64;
    static constexpr int kChannels = 32;

    S3mCell& At(int row, int channel) {
        return cells_[static_cast<size_t>(row * kChannels + channel)];
    }
    const S3mCell& At(int row, int channel) const {
        return cells_[static_cast<size_t>(row * kChannels + channel)];
    }
    // The packed form stored in the file, after its 2-byte length.
    std::vector<uint8_t> Pack() const;

private:
    std::array<S3mCell, kRows * kChannels> cells_{};
};

// Note byte of a pitch given as octave and semitone (0 = C).
inline uint8_t S3mNote(int octave, int semitone) {
    return static_cast<uint8_t>((octave << 4) | semitone);
}

// Writes an S3M file: the header, the order list, the instrument and
// pattern pointers, a pan table, the instrument headers, the patterns and
// the sample data, each part on a 16-byte boundary as the format addresses
// them.
class S3mWriter {
public:
    std::string title;
    uint8_t speed = 6, tempo = 125, globalVolume = 64;
    uint8_t mixVolume = 48;
    bool stereo = true;
    // Pan of each used channel, 0 (left) to 15 (right); the channel count
    // is this list's size.
    std::vector<uint8_t> pans;
    std::vector<uint8_t> orders;
    std::vector<S3mInstrument> instruments;
    std::vector<S3mPattern> patterns;

    std::vector<uint8_t> Build() const;
    Result Save(const std::string& path) const;
};

}  // namespace vimsa::tool
