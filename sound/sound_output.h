#pragma once

#include <cstdint>
#include <memory>

#include "core/result.h"
#include "platform/dsound/sound_device.h"

namespace vimsa {

// The sound device and the looping buffer the music player writes: opened
// step by step (each step answers 0 or its own code), in primary mode (the
// device's own buffer) or secondary mode (a buffer of `bufferKilobytes`).
class SoundOutput {
public:
    SoundOutput() = default;
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    Result Create();
    // An emulated driver has no hardware and is written in secondary mode.
    Result QueryCaps(bool& hardware);
    void SetFormat(uint32_t rate, bool sixteenBit, bool stereo);
    // Asks to write the primary buffer; where that is refused (or in
    // secondary mode) for exclusive use with a secondary buffer. `window`
    // is the application window the device is tied to (unused here).
    Result SetCooperation(void* window);
    Result CreateBuffer();
    // Primary mode: gives the primary buffer the PCM format. Both modes:
    // computes the block align.
    Result SetPrimaryFormat();
    Result QueryBufferSize(uint32_t& bytes);
    // Fills the whole buffer with silence.
    Result Clear();
    Result Play();
    Result Stop();

    void SetSecondaryMode(bool secondary) { secondary_ = secondary; }
    bool SecondaryMode() const { return secondary_; }
    void SetBufferKilobytes(uint32_t kilobytes) { bufferKilobytes_ = kilobytes; }
    uint32_t BlockAlign() const { return blockAlign_; }
    uint32_t Rate() const { return rate_; }
    bool Stereo() const { return stereo_; }
    bool SixteenBit() const { return sixteenBit_; }
    uint32_t BufferBytes() const { return bufferBytes_; }
    dsound::SoundBuffer* Buffer() const { return buffer_.get(); }

private:
    dsound::PcmFormat Format() const;

    std::unique_ptr<dsound::SoundDevice> device_;
    std::unique_ptr<dsound::SoundBuffer> buffer_;
    bool secondary_ = false;
    uint32_t bufferKilobytes_ = 64;
    bool stereo_ = true;
    bool sixteenBit_ = true;
    uint32_t rate_ = 44100;
    uint32_t blockAlign_ = 4;
    uint32_t bufferBytes_ = 0;
};

}  // namespace vimsa
