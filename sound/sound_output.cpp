#include "sound/sound_output.h"

#include <cstring>

namespace vimsa {

SoundOutput::~SoundOutput() {
    if (buffer_) (void)Stop();  // nothing to tell: the output is going away
}

Result SoundOutput::Create() {
    device_ = dsound::SoundDevice::Create();
    return device_ ? RESULT_OK : ERR_SOUND_NO_DEVICE;
}

Result SoundOutput::QueryCaps(bool& hardware) {
    if (!device_) return ERR_SOUND_CAPS;
    hardware = (device_->Caps() & dsound::kCapsEmulated) == 0;
    if (!hardware) secondary_ = true;
    return RESULT_OK;
}

void SoundOutput::SetFormat(uint32_t rate, bool sixteenBit, bool stereo) {
    rate_ = rate;
    sixteenBit_ = sixteenBit;
    stereo_ = stereo;
}

Result SoundOutput::SetCooperation(void*) {
    if (!device_) return ERR_SOUND_NO_DEVICE;
    if (!secondary_ && device_->SetCooperativeLevel(dsound::kLevelWritePrimary)) return RESULT_OK;
    secondary_ = true;
    return device_->SetCooperativeLevel(dsound::kLevelExclusive) ? RESULT_OK
                                                                 : ERR_SOUND_COOPERATIVE;
}

dsound::PcmFormat SoundOutput::Format() const {
    dsound::PcmFormat format;
    format.channels = stereo_ ? 2 : 1;
    format.rate = rate_;
    format.bits = sixteenBit_ ? 16 : 8;
    format.blockAlign = static_cast<uint16_t>(format.channels * format.bits / 8);
    format.bytesPerSecond = rate_ * format.blockAlign;
    return format;
}

Result SoundOutput::CreateBuffer() {
    if (!device_) return ERR_SOUND_BUFFER_CREATE;
    const dsound::PcmFormat format = Format();
    dsound::BufferDescription description;
    if (secondary_) {
        description.flags = dsound::kBufferControlFrequency | dsound::kBufferControlPan |
                            dsound::kBufferControlVolume | dsound::kBufferStickyFocus |
                            dsound::kBufferPrecisePosition;
        description.bytes = bufferKilobytes_ * 1024;
        description.format = &format;
    } else {
        description.flags = dsound::kBufferPrimary | dsound::kBufferPrecisePosition;
    }
    buffer_ = device_->CreateBuffer(description);
    return buffer_ ? RESULT_OK : ERR_SOUND_BUFFER_CREATE;
}

Result SoundOutput::SetPrimaryFormat() {
    if (!buffer_) return ERR_SOUND_NO_BUFFER;
    const dsound::PcmFormat format = Format();
    blockAlign_ = format.blockAlign;
    if (secondary_) return RESULT_OK;
    return buffer_->SetFormat(format) ? RESULT_OK : ERR_SOUND_BUFFER_FORMAT;
}

Result SoundOutput::QueryBufferSize(uint32_t& bytes) {
    if (!buffer_) return ERR_SOUND_BUFFER_FORMAT;
    bufferBytes_ = bytes = buffer_->Bytes();
    return RESULT_OK;
}

Result SoundOutput::Clear() {
    if (!buffer_) return ERR_SOUND_BUFFER_LOCK;
    dsound::LockedRegions regions;
    dsound::Status locked = buffer_->Lock(0, buffer_->Bytes(), regions);
    if (locked == dsound::Status::kLost && buffer_->Restore())
        locked = buffer_->Lock(0, buffer_->Bytes(), regions);
    if (locked != dsound::Status::kOk) return ERR_SOUND_BUFFER_LOCK;
    const int silence = sixteenBit_ ? 0 : 0x80;
    std::memset(regions.first, silence, regions.firstBytes);
    if (regions.second) std::memset(regions.second, silence, regions.secondBytes);
    buffer_->Unlock();
    return RESULT_OK;
}

Result SoundOutput::Play() {
    return buffer_ && buffer_->Play() ? RESULT_OK : ERR_SOUND_PLAY;
}

Result SoundOutput::Stop() {
    return buffer_ && buffer_->Stop() ? RESULT_OK : ERR_SOUND_STOP;
}

}  // namespace vimsa
