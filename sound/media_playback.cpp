#include "sound/media_playback.h"

namespace vimsa {

MediaPlayback::~MediaPlayback() {
    Close();
}

Result MediaPlayback::Open(const std::string& path) {
    Close();
    std::unique_ptr<media::AudioDecoder> decoder;
    Result r = media::AudioDecoder::OpenFile(path, decoder);
    if (Succeeded(r)) r = media::AudioStream::Open(std::move(decoder), stream_);
    if (Failed(r)) return r;
    path_ = path;
    state_ = kStopped;
    return RESULT_OK;
}

Result MediaPlayback::Play() {
    if (state_ != kStopped && state_ != kPaused) return ERR_MEDIA_PLAY_STATE;
    if (!stream_->Run()) return ERR_MEDIA_OUTPUT;
    state_ = kPlaying;
    return RESULT_OK;
}

Result MediaPlayback::Pause() {
    if (state_ != kPlaying && state_ != kStopped) return ERR_MEDIA_PAUSE_STATE;
    stream_->Pause();
    state_ = kPaused;
    return RESULT_OK;
}

Result MediaPlayback::Stop() {
    if (state_ != kPlaying && state_ != kPaused) return ERR_MEDIA_STOP_STATE;
    stream_->CloseDevice();  // a stopped file leaves the sound device to the music
    state_ = kStopped;
    return RESULT_OK;
}

Result MediaPlayback::Rewind() {
    if (state_ == kClosed) return ERR_MEDIA_NOTHING_OPEN;
    (void)Stop();  // a stopped file only moves to its start
    return stream_->SeekToStart() ? RESULT_OK : ERR_MEDIA_DECODE;
}

void MediaPlayback::Close() {
    stream_.reset();
    path_.clear();
    state_ = kClosed;
}

}  // namespace vimsa
