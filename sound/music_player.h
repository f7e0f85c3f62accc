#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/ref_object.h"
#include "core/result.h"
#include "sound/module.h"
#include "sound/module_mixer.h"
#include "sound/sound_output.h"

namespace vimsa {

// Plays a module on the sound device: the file is loaded into its module
// class, mixed by a ModuleMixer, and a periodic timer on a thread of its own
// keeps the device's looping buffer filled a little ahead of the device.
//
// The interface thread and the timer thread share one lock: the timer
// routine holds it while it mixes and writes, the interface operations while
// they change what the routine reads. Stop and Close take the buffer and the
// song away under the lock, then kill the timer outside it; killing waits for
// a routine that is running, so nothing the routine uses is freed under it.
class MusicPlayer : public RefObject {
public:
    // Buffer size asked for in secondary mode.
    static constexpr uint32_t kBufferKilobytes = 64;
    static constexpr uint32_t kRate = 44100;

    MusicPlayer() = default;
    ~MusicPlayer() override;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Closes what is open and loads a ".MOD", ".S3M" or ".IT" file (any
    // letter case); any other name is refused before the file is touched.
    Result Load(const std::string& path);
    // Opens the sound device and starts the song at `startOrder`, looping.
    // 0 at once when the device is already open.
    Result Start(void* window, int startOrder);
    // Silences the song; -1 without a song. Start does not resume it while
    // the device stays open.
    int32_t Pause();
    // Ends playback and closes the device, keeping the module; -1 without one.
    int32_t Stop();
    // Stops everything and forgets the module.
    void Close();

    // Menu queries.
    bool IsLoaded() const;
    bool IsSongPlaying() const;
    bool CanPlay() const;
    bool IsPaused() const;
    std::string SongName() const;
    // The file the loaded module came from; empty without one.
    std::string Path() const;

    // Write a secondary buffer even where the primary buffer could be written.
    void SetForceSecondary(bool force) { forceSecondary_ = force; }

    // Inspection for tests and tools.
    uint32_t CallbackCount() const { return callbackCount_.load(); }
    uint32_t TimerPeriod() const;
    // Blocks the timer routine has written since the device opened, and the
    // farthest its writing ran ahead of the device's write cursor.
    uint32_t BlocksWritten() const;
    uint32_t MostBytesAhead() const;
    // Runs `action` on the device buffer under the player's lock (null
    // buffer while none is open).
    template <typename Action>
    void WithBuffer(Action action) {
        const std::lock_guard<std::mutex> lock(mutex_);
        action(output_ ? output_->Buffer() : nullptr);
    }

private:
    static void TimerRoutine(uint32_t timerId, void* argument);
    void Refill();
    void RefillLocked();
    Result WriteBlock(dsound::SoundBuffer& buffer, uint32_t block);
    Result OpenOutput(void* window, std::unique_ptr<SoundOutput>& output);
    Result StartTimer();
    void StopTimer();
    void CloseLocked();

    mutable std::mutex mutex_;
    Handle<Module> module_;
    Handle<ModuleMixer> mixer_;
    std::string path_;
    std::unique_ptr<SoundOutput> output_;
    uint32_t blockAlign_ = 0;
    bool forceSecondary_ = false;
    uint32_t timerId_ = 0;
    uint32_t timerPeriod_ = 0;
    std::atomic<bool> inCallback_{false};
    std::atomic<uint32_t> callbackCount_{0};
    uint32_t bufferBlocks_ = 0;
    uint32_t nextBlock_ = 0;
    uint32_t blocksWritten_ = 0;
    uint32_t mostAhead_ = 0;
    bool paused_ = false;
};

}  // namespace vimsa
