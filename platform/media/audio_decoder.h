#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "core/result.h"

namespace vimsa::media {

// Decodes a wave, MP3 or other audio file into 16-bit PCM frames
// (interleaved channels).
class AudioDecoder {
public:
    // Decodable files have 1..8 channels at 1000..384000 Hz.
    static constexpr int kMaxChannels = 8;

    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // ERR_FILE_OPEN when the file is missing, ERR_MEDIA_DECODE when it is not
    // audio this decoder reads.
    static Result OpenFile(std::string_view path, std::unique_ptr<AudioDecoder>& out);
    // The same for a file image in memory, which must outlive the decoder.
    static Result OpenMemory(std::span<const uint8_t> bytes, std::unique_ptr<AudioDecoder>& out);

    int Channels() const { return channels_; }
    uint32_t Rate() const { return rate_; }
    // Frames the file says it holds (0 when it does not know).
    uint64_t Frames() const { return frames_; }

    // Decodes up to `frames` frames into `out` (frames × channels samples);
    // returns the frames decoded, 0 at the end.
    uint32_t Read(int16_t* out, uint32_t frames);
    // Back to the first frame.
    bool Rewind();

private:
    struct Memory;
    AudioDecoder() = default;
    Result Take(void* file);

    void* file_ = nullptr;  // the library's handle
    std::unique_ptr<Memory> memory_;
    int channels_ = 0;
    uint32_t rate_ = 0;
    uint64_t frames_ = 0;
};

}  // namespace vimsa::media
