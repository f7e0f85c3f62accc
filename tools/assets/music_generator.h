#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::tool {

// The music folder: the module the demo's player plays, and two short clips
// for its MP3/WAV menu: an MP3 of the song's opening mixed by the engine's
// own module mixer, and a wave file of a bell chime.
class MusicGenerator {
public:
    static constexpr const char* kModule = "music/vimsa.s3m";
    static constexpr const char* kOpening = "music/vimsa.mp3";
    static constexpr const char* kChime = "music/chime.wav";

    static Result WriteAll(std::vector<std::string>& written);

private:
    // `seconds` of the module from its start, 44100 Hz 16-bit stereo, faded
    // out over its last second and a half.
    static Result MixOpening(const std::string& module, double seconds, std::vector<int16_t>& out);
    // A-minor bells, 22050 Hz mono.
    static std::vector<int16_t> Chime();
};

}  // namespace vimsa::tool
