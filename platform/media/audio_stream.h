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

    // Run and Pause keep the position; Seek moves it to the first frame.
    // Run opens the device again after CloseDevice; false when it cannot.
    bool Run();
    void Pause();
    // Gives the device back (a stopped file): some drivers offer only one,
    // and another player may want it. The position is kept.
    void CloseDevice();
    bool HasDevice() const { return device_ != 0; }
    bool SeekToStart();
    bool Finished();
    uint64_t FramesPlayed();
    uint32_t Rate() const { return decoder_->Rate(); }

private:
    AudioStream() = default;
    bool OpenDevice();
    void Fill(uint8_t* out, int length);
    static void Callback(void* self, uint8_t* out, int length);

    std::unique_ptr<AudioDecoder> decoder_;
    uint32_t device_ = 0;
    std::mutex mutex_;  // the decoder and the counters
    uint64_t played_ = 0;
    bool finished_ = false;
};

}  // namespace vimsa::media
