#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The sound device the music player writes to: a looping buffer that the
// device plays from its play cursor on, with a write cursor a fixed latency
// ahead of it (the earliest place where new data is still heard in time).
// The shape is that of the desktop sound interface the player was designed
// around; it runs on SDL2 audio, whose thread consumes the buffer.
namespace vimsa::dsound {

// Capability flag of a driver that emulates the device in software.
inline constexpr uint32_t kCapsEmulated = 0x20;

enum CooperativeLevel : uint32_t {
    kLevelNormal = 1,
    kLevelPriority = 2,
    kLevelExclusive = 3,
    kLevelWritePrimary = 4,
};

// Buffer description flags.
inline constexpr uint32_t kBufferPrimary = 0x1;
inline constexpr uint32_t kBufferControlFrequency = 0x20;
inline constexpr uint32_t kBufferControlPan = 0x40;
inline constexpr uint32_t kBufferControlVolume = 0x80;
inline constexpr uint32_t kBufferStickyFocus = 0x4000;
inline constexpr uint32_t kBufferPrecisePosition = 0x10000;

// Buffer status bits.
inline constexpr uint32_t kStatusPlaying = 0x1;
inline constexpr uint32_t kStatusLost = 0x2;
inline constexpr uint32_t kStatusLooping = 0x4;

// Size of the primary buffer.
inline constexpr uint32_t kPrimaryBytes = 64 * 1024;

struct PcmFormat {
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint16_t blockAlign = 4;  // bytes per frame
    uint32_t bytesPerSecond = 44100 * 4;
};

struct BufferDescription {
    uint32_t flags = 0;
    uint32_t bytes = 0;                 // secondary buffers only
    const PcmFormat* format = nullptr;  // secondary buffers only
};

enum class Status { kOk, kLost, kFailed };

// Up to two pieces of buffer memory: the second is used when a locked range
// wraps around the buffer's end.
struct LockedRegions {
    uint8_t* first = nullptr;
    uint32_t firstBytes = 0;
    uint8_t* second = nullptr;
    uint32_t secondBytes = 0;
};

class SoundBuffer {
public:
    SoundBuffer(uint32_t bytes, bool primary);
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // The format the buffer plays; a primary buffer takes it after creation.
    bool SetFormat(const PcmFormat& format);
    uint32_t Bytes() const { return static_cast<uint32_t>(data_.size()); }
    bool IsPrimary() const { return primary_; }
    uint32_t GetStatus();
    // Makes a lost buffer usable again; its contents are silence.
    bool Restore();
    bool GetCursors(uint32_t& play, uint32_t& write);
    // Locks `bytes` from `offset` (both within the buffer) for writing; the
    // device does not read the buffer until Unlock.
    Status Lock(uint32_t offset, uint32_t bytes, LockedRegions& regions);
    void Unlock();
    // Starts the device on the buffer, looping, from where it stopped.
    bool Play();
    bool Stop();

    // The bytes the device has consumed since the buffer was made.
    uint64_t BytesPlayed();
    // Makes the buffer report "lost" (and stop) until it is restored.
    void LoseForTesting();

private:
    bool OpenDevice();
    void Consume(uint8_t* out, int length);
    static void Callback(void* self, uint8_t* out, int length);

    const bool primary_;
    std::vector<uint8_t> data_;
    PcmFormat format_;
    bool hasFormat_ = false;
    uint32_t device_ = 0;   // SDL audio device id, 0 while closed
    uint32_t latency_ = 0;  // bytes between the play and the write cursor
    std::mutex mutex_;      // cursors, flags and the buffer's bytes
    uint32_t playCursor_ = 0;
    uint64_t played_ = 0;
    bool playing_ = false;
    bool lost_ = false;
    bool locked_ = false;
};

class SoundDevice {
public:
    // The default output device; null when no audio driver can be started.
    static std::unique_ptr<SoundDevice> Create();
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Capability flags: kCapsEmulated for drivers that only emulate a device
    // (SDL's "dummy" and "disk").
    uint32_t Caps() const;
    bool SetCooperativeLevel(CooperativeLevel level);
    std::unique_ptr<SoundBuffer> CreateBuffer(const BufferDescription& description);

private:
    SoundDevice() = default;
    CooperativeLevel level_ = kLevelNormal;
};

}  // namespace vimsa::dsound
