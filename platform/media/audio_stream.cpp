#include "platform/media/audio_stream.h"

#include <SDL.h>

#include <cstring>

#include "platform/dsound/sdl_audio.h"

namespace vimsa::media {

Result AudioStream::Open(std::unique_ptr<AudioDecoder> decoder, std::unique_ptr<AudioStream>& out) {
    out.reset();
    if (!decoder) return ERR_NULL_ARGUMENT;
    std::unique_ptr<AudioStream> stream(new AudioStream);
    stream->decoder_ = std::move(decoder);
    if (!stream->OpenDevice()) return ERR_MEDIA_OUTPUT;
    out = std::move(stream);
    return RESULT_OK;
}

AudioStream::~AudioStream() {
    CloseDevice();
}

bool AudioStream::OpenDevice() {
    if (device_ != 0) return true;
    if (!sdl_audio::Acquire()) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(decoder_->Rate());
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<uint8_t>(decoder_->Channels());
    wanted.samples = 2048;
    wanted.callback = &AudioStream::Callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) sdl_audio::Release();
    return device_ != 0;
}

void AudioStream::CloseDevice() {
    if (device_ == 0) return;
    SDL_CloseAudioDevice(device_);  // waits for a callback that is running
    device_ = 0;
    sdl_audio::Release();
}

bool AudioStream::Run() {
    if (!OpenDevice()) return false;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void AudioStream::Pause() {
    if (device_ != 0) SDL_PauseAudioDevice(device_, 1);
}

bool AudioStream::SeekToStart() {
    const std::lock_guard<std::mutex> lock(mutex_);
    finished_ = false;
    played_ = 0;
    return decoder_->Rewind();
}

bool AudioStream::Finished() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

uint64_t AudioStream::FramesPlayed() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return played_;
}

void AudioStream::Callback(void* self, uint8_t* out, int length) {
    static_cast<AudioStream*>(self)->Fill(out, length);
}

// SDL's audio thread: decoded frames, then silence.
void AudioStream::Fill(uint8_t* out, int length) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const uint32_t frameBytes = static_cast<uint32_t>(decoder_->Channels()) * 2;
    const uint32_t frames = static_cast<uint32_t>(length) / frameBytes;
    uint32_t got = 0;
    while (!finished_ && got < frames) {
        const uint32_t n =
            decoder_->Read(reinterpret_cast<int16_t*>(out) + got * (frameBytes / 2), frames - got);
        if (n == 0) finished_ = true;
        got += n;
    }
    played_ += got;
    std::memset(out + got * frameBytes, 0, static_cast<size_t>(length) - got * frameBytes);
}

}  // namespace vimsa::media
