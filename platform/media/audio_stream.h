#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/result.h"
#include "platform/media/audio_decoder.h"

namespace vimsa::media {

// Plays a decoder's frames on the default audio device. The device thread
// pulls frames as it needs them; after the last frame it plays silence.
class AudioStream {
public:
    // Takes the decoder; ERR_MEDIA_OUTPUT when no device can be opened for
    // its format.
    static Result Open(std::unique_ptr<AudioDecoder> decoder, std::unique_ptr<AudioStream>& out);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    void Run();
    // Run and Pause keep the position; Seek moves it to the first frame.
    void Pause();
    bool SeekToStart();
    bool Finished();
    uint64_t FramesPlayed();
    uint32_t Rate() const { return decoder_->Rate(); }

private:
    AudioStream() = default;
    void Fill(uint8_t* out, int length);
    static void Callback(void* self, uint8_t* out, int length);

    std::unique_ptr<AudioDecoder> decoder_;
    uint32_t device_ = 0;
    std::mutex mutex_;  // the decoder and the counters
    uint64_t played_ = 0;
    bool finished_ = false;
};

}  // namespace vimsa::media
