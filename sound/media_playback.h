#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/ref_object.h"
#include "core/result.h"
#include "platform/media/audio_stream.h"

namespace vimsa {

// Plays an MP3 or wave file: the platform decodes and outputs it; this
// object keeps the file name and a small state machine.
class MediaPlayback : public RefObject {
public:
    enum State : int32_t { kClosed = 0, kStopped = 1, kPaused = 2, kPlaying = 3 };

    MediaPlayback() = default;
    ~MediaPlayback() override;
    MediaPlayback(const MediaPlayback&) = delete;
    MediaPlayback& operator=(const MediaPlayback&) = delete;

    // Closes what is open, then opens the file: stopped at its start. A file
    // that does not decode leaves the player closed.
    Result Open(const std::string& path);
    Result Play();    // from stopped or paused
    Result Pause();   // from playing or stopped
    Result Stop();    // from playing or paused; keeps the position
    Result Rewind();  // stops and goes back to the start
    void Close();

    State GetState() const { return state_; }
    const std::string& Path() const { return path_; }
    // The open file's stream (null while closed), for progress and tests.
    media::AudioStream* Stream() const { return stream_.get(); }

private:
    std::unique_ptr<media::AudioStream> stream_;
    std::string path_;
    State state_ = kClosed;
};

}  // namespace vimsa
