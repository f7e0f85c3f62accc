#include "platform/dsound/sound_device.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/dsound/sdl_audio.h"

namespace vimsa::dsound {
namespace {

// Frames SDL asks for at a time: the device's own latency.
constexpr uint16_t kDeviceFrames = 1024;

uint8_t SilenceOf(const PcmFormat& format) {
    return format.bits == 8 ? 0x80 : 0x00;
}

bool ValidFormat(const PcmFormat& f) {
    return (f.channels == 1 || f.channels == 2) && (f.bits == 8 || f.bits == 16) &&
           f.rate >= 1000 && f.rate <= 192000 && f.blockAlign == f.channels * f.bits / 8;
}

}  // namespace

// --- buffer ---

SoundBuffer::SoundBuffer(uint32_t bytes, bool primary) : primary_(primary), data_(bytes, 0) {}

SoundBuffer::~SoundBuffer() {
    if (device_ == 0) return;
    // Closing waits for a callback that is running.
    SDL_CloseAudioDevice(device_);
    sdl_audio::Release();
}

bool SoundBuffer::SetFormat(const PcmFormat& format) {
    if (!ValidFormat(format)) return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (device_ != 0) return false;  // a playing device keeps its format
    format_ = format;
    hasFormat_ = true;
    std::fill(data_.begin(), data_.end(), SilenceOf(format_));
    return true;
}

uint32_t SoundBuffer::GetStatus() {
    const std::lock_guard<std::mutex> lock(mutex_);
    uint32_t status = 0;
    if (playing_) status |= kStatusPlaying | kStatusLooping;
    if (lost_) status |= kStatusLost;
    return status;
}

bool SoundBuffer::Restore() {
    const std::lock_guard<std::mutex> lock(mutex_);
    lost_ = false;
    std::fill(data_.begin(), data_.end(), SilenceOf(format_));
    return true;
}

bool SoundBuffer::GetCursors(uint32_t& play, uint32_t& write) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (data_.empty()) return false;
    play = playCursor_;
    write = static_cast<uint32_t>((uint64_t{playCursor_} + latency_) % data_.size());
    return true;
}

Status SoundBuffer::Lock(uint32_t offset, uint32_t bytes, LockedRegions& regions) {
    mutex_.lock();
    const uint32_t size = static_cast<uint32_t>(data_.size());
    if (locked_ || offset >= size || bytes > size) {
        mutex_.unlock();
        return Status::kFailed;
    }
    if (lost_) {
        mutex_.unlock();
        return Status::kLost;
    }
    // The device waits while the caller writes: it must never play a half-written block.
    locked_ = true;
    regions.first = data_.data() + offset;
    regions.firstBytes = std::min(bytes, size - offset);
    regions.secondBytes = bytes - regions.firstBytes;
    regions.second = regions.secondBytes ? data_.data() : nullptr;
    return Status::kOk;
}

void SoundBuffer::Unlock() {
    if (!locked_) return;
    locked_ = false;
    mutex_.unlock();
}

bool SoundBuffer::OpenDevice() {
    if (!hasFormat_ || !sdl_audio::Acquire()) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(format_.rate);
    wanted.format = format_.bits == 16 ? AUDIO_S16SYS : AUDIO_U8;
    wanted.channels = static_cast<uint8_t>(format_.channels);
    wanted.samples = kDeviceFrames;
    wanted.callback = &SoundBuffer::Callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
        sdl_audio::Release();
        return false;
    }
    latency_ = std::min<uint32_t>(uint32_t{obtained.samples} * format_.blockAlign,
                                  static_cast<uint32_t>(data_.size()) / 2);
    return true;
}

bool SoundBuffer::Play() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (lost_ || data_.empty()) return false;
        playing_ = true;
    }
    if (device_ == 0 && !OpenDevice()) {
        const std::lock_guard<std::mutex> lock(mutex_);
        playing_ = false;
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

bool SoundBuffer::Stop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    playing_ = false;
    return true;
}

uint64_t SoundBuffer::BytesPlayed() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return played_;
}

void SoundBuffer::LoseForTesting() {
    const std::lock_guard<std::mutex> lock(mutex_);
    lost_ = true;
    playing_ = false;
}

void SoundBuffer::Callback(void* self, uint8_t* out, int length) {
    static_cast<SoundBuffer*>(self)->Consume(out, length);
}

// SDL's audio thread: the bytes at the play cursor, or silence while the
// buffer is stopped or lost.
void SoundBuffer::Consume(uint8_t* out, int length) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto wanted = static_cast<uint32_t>(length);
    if (!playing_ || lost_) {
        std::memset(out, SilenceOf(format_), wanted);
        return;
    }
    const uint32_t size = static_cast<uint32_t>(data_.size());
    for (uint32_t done = 0; done < wanted;) {
        const uint32_t piece = std::min(wanted - done, size - playCursor_);
        std::memcpy(out + done, data_.data() + playCursor_, piece);
        done += piece;
        playCursor_ = (playCursor_ + piece) % size;
    }
    played_ += wanted;
}

// --- device ---

std::unique_ptr<SoundDevice> SoundDevice::Create() {
    if (!sdl_audio::Acquire()) return nullptr;
    return std::unique_ptr<SoundDevice>(new SoundDevice);
}

SoundDevice::~SoundDevice() {
    sdl_audio::Release();
}

uint32_t SoundDevice::Caps() const {
    const std::string_view driver = sdl_audio::DriverName();
    return driver == "dummy" || driver == "disk" ? kCapsEmulated : 0;
}

bool SoundDevice::SetCooperativeLevel(CooperativeLevel level) {
    if (level < kLevelNormal || level > kLevelWritePrimary) return false;
    level_ = level;
    return true;
}

std::unique_ptr<SoundBuffer> SoundDevice::CreateBuffer(const BufferDescription& description) {
    if (description.flags & kBufferPrimary) {
        // Only a process that may write the primary buffer gets it.
        if (level_ != kLevelWritePrimary) return nullptr;
        return std::make_unique<SoundBuffer>(kPrimaryBytes, true);
    }
    if (!description.format || description.bytes == 0 ||
        description.bytes % description.format->blockAlign != 0) {
        return nullptr;
    }
    auto buffer = std::make_unique<SoundBuffer>(description.bytes, false);
    if (!buffer->SetFormat(*description.format)) return nullptr;
    return buffer;
}

}  // namespace vimsa::dsound
