#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::tool {

// 16-bit PCM (frames of interleaved channels) encoded with libsndfile: as a
// wave file, or as an MP3 through its LAME encoder.
class SoundClipWriter {
public:
    static Result WriteWav(const std::string& path, const std::vector<int16_t>& samples,
                           uint32_t rate, int channels);
    // A constant bit rate of about 128 kbit/s.
    static Result WriteMp3(const std::string& path, const std::vector<int16_t>& samples,
                           uint32_t rate, int channels);

private:
    static Result Write(const std::string& path, int format, const std::vector<int16_t>& samples,
                        uint32_t rate, int channels);
};

}  // namespace vimsa::tool
