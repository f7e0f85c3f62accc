#include "sound/music_player.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/mmtimer/multimedia_timer.h"
#include "sound/module_factory.h"

namespace vimsa {
namespace {

constexpr uint32_t kBlockBytes = 1024;  // buffer positions count in these

}  // namespace

MusicPlayer::~MusicPlayer() {
    Close();
}

Result MusicPlayer::Load(const std::string& path) {
    Close();
    ModuleKind kind;
    if (!ModuleKindOfPath(path, kind)) return ERR_MUSIC_UNSUPPORTED_KIND;
    Handle<Module> module = NewModule(kind);
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    Result r = module->ReadFile(path);
    if (Succeeded(r)) r = module->Validate();
    if (Succeeded(r)) r = module->Parse();
    if (Failed(r)) return r;
    mixer->SetModule(module.Get());
    const std::lock_guard<std::mutex> lock(mutex_);
    module_ = module;
    mixer_ = mixer;
    path_ = path;
    return RESULT_OK;
}

Result MusicPlayer::OpenOutput(void* window, std::unique_ptr<SoundOutput>& output) {
    output = std::make_unique<SoundOutput>();
    output->SetBufferKilobytes(kBufferKilobytes);
    // Each step is tried only after the one before it succeeded: the first
    // failure is the one that says what went wrong.
    bool hardware = false;
    Result r = output->Create();
    if (Succeeded(r)) r = output->QueryCaps(hardware);
    if (Succeeded(r) && forceSecondary_) output->SetSecondaryMode(true);
    output->SetFormat(kRate, true, true);
    if (Succeeded(r)) r = output->SetCooperation(window);
    if (Succeeded(r)) r = output->CreateBuffer();
    uint32_t bytes = 0;
    if (Succeeded(r)) r = output->QueryBufferSize(bytes);
    if (Succeeded(r)) r = output->SetPrimaryFormat();
    if (Succeeded(r)) r = output->Clear();
    return r;
}

Result MusicPlayer::Start(void* window, int startOrder) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (output_) return RESULT_OK;
        if (!module_ || !mixer_) return ERR_MIXER_NO_MODULE;
        std::unique_ptr<SoundOutput> output;
        const Result opened = OpenOutput(window, output);
        if (Failed(opened)) {
            CloseLocked();
            return opened;
        }
        output_ = std::move(output);
        blockAlign_ = output_->BlockAlign();
        bufferBlocks_ = output_->BufferBytes() / kBlockBytes;
        nextBlock_ = 0;
        blocksWritten_ = 0;
        mostAhead_ = 0;
        timerPeriod_ = 1024000 / (blockAlign_ * kRate);
    }
    Result r = StartTimer();
    if (Succeeded(r)) {
        const std::lock_guard<std::mutex> lock(mutex_);
        r = output_->Play();
        if (Succeeded(r)) {
            r = mixer_->AddSong(startOrder, 0, kRate, output_->Stereo(), output_->SixteenBit(),
                                false, true);
        }
    }
    if (Failed(r)) {
        // The device is given up; the module stays loaded for another try.
        StopTimer();
        const std::lock_guard<std::mutex> lock(mutex_);
        output_.reset();
    }
    return r;
}

Result MusicPlayer::StartTimer() {
    uint32_t period = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        period = timerPeriod_;
    }
    if (!mmtimer::BeginPeriod(period)) return ERR_MUSIC_TIMER_RESOLUTION;
    const uint32_t id = mmtimer::StartPeriodic(period, 1, &MusicPlayer::TimerRoutine, this);
    if (id == 0) {
        (void)mmtimer::EndPeriod(period);
        return ERR_MUSIC_TIMER_START;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    timerId_ = id;
    return RESULT_OK;
}

void MusicPlayer::StopTimer() {
    uint32_t id = 0, period = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        id = std::exchange(timerId_, 0);
        period = timerPeriod_;
    }
    if (id == 0) return;
    // Outside the lock: a routine that is running waits for it, and killing
    // waits for the routine.
    (void)mmtimer::Kill(id);
    (void)mmtimer::EndPeriod(period);
}

int32_t MusicPlayer::Pause() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!mixer_ || Failed(mixer_->SelectSong(0)) || !mixer_->Selected()) return -1;
    mixer_->Selected()->playing = false;
    paused_ = true;
    return 0;
}

int32_t MusicPlayer::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!mixer_) return -1;
        // A song that is already gone is stopped all the same.
        (void)mixer_->RemoveSong();
        if (output_) (void)output_->Stop();  // the device goes next in any case
    }
    StopTimer();
    const std::lock_guard<std::mutex> lock(mutex_);
    output_.reset();
    return 0;
}

void MusicPlayer::Close() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (output_) (void)output_->Stop();  // the device goes next in any case
    }
    StopTimer();
    const std::lock_guard<std::mutex> lock(mutex_);
    CloseLocked();
}

// With the timer stopped (or never started).
void MusicPlayer::CloseLocked() {
    output_.reset();
    mixer_ = nullptr;
    module_ = nullptr;
    path_.clear();
    blockAlign_ = 0;
    bufferBlocks_ = 0;
    nextBlock_ = 0;
    paused_ = false;
}

bool MusicPlayer::IsLoaded() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return module_ && mixer_;
}

bool MusicPlayer::IsSongPlaying() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const PlayState* state = module_ ? module_->GetPlayState(0) : nullptr;
    return state && state->playing;
}

bool MusicPlayer::CanPlay() const {
    return IsLoaded() && !IsSongPlaying();
}

bool MusicPlayer::IsPaused() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return paused_;
}

std::string MusicPlayer::SongName() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return module_ ? module_->SongName() : std::string();
}

std::string MusicPlayer::Path() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return path_;
}

uint32_t MusicPlayer::TimerPeriod() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return timerPeriod_;
}

uint32_t MusicPlayer::BlocksWritten() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return blocksWritten_;
}

uint32_t MusicPlayer::MostBytesAhead() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return mostAhead_;
}

void MusicPlayer::TimerRoutine(uint32_t, void* argument) {
    if (auto* player = static_cast<MusicPlayer*>(argument)) player->Refill();
}

void MusicPlayer::Refill() {
    // A call that overlaps one still running returns at once.
    if (inCallback_.exchange(true)) return;
    ++callbackCount_;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (output_ && output_->Buffer() && mixer_ && bufferBlocks_ > 0) RefillLocked();
    }
    inCallback_ = false;
}

// Keeps up to half the buffer written ahead of the device's write cursor,
// one mixed block (1024 frames, block-align kilobytes) at a time.
void MusicPlayer::RefillLocked() {
    dsound::SoundBuffer& buffer = *output_->Buffer();
    if (buffer.GetStatus() & dsound::kStatusLost) {
        if (!buffer.Restore()) return;
        if (!buffer.Play()) return;
    }
    uint32_t play = 0, write = 0;
    if (!buffer.GetCursors(play, write)) return;
    const uint32_t n = bufferBlocks_;
    const uint32_t w = write / kBlockBytes;
    uint32_t a = nextBlock_;
    bool wrote = false;
    while ((a + n - w) % n <= n / 2) {
        if (Failed(WriteBlock(buffer, a))) break;
        a = (a + blockAlign_) % n;
        ++blocksWritten_;
        wrote = true;
    }
    nextBlock_ = a;
    if (wrote) {
        const uint32_t size = n * kBlockBytes;
        mostAhead_ = std::max(mostAhead_, (a * kBlockBytes + size - write) % size);
    }
}

Result MusicPlayer::WriteBlock(dsound::SoundBuffer& buffer, uint32_t block) {
    Result r = mixer_->ClearBlock();
    // A song the module no longer has mixes as silence: the block is still written.
    if (Succeeded(r)) (void)mixer_->MixBlock();
    if (Failed(r)) return r;
    const uint32_t bytes = blockAlign_ * kBlockBytes;
    dsound::LockedRegions regions;
    dsound::Status locked = buffer.Lock(block * kBlockBytes, bytes, regions);
    if (locked == dsound::Status::kLost && buffer.Restore())
        locked = buffer.Lock(block * kBlockBytes, bytes, regions);
    if (locked != dsound::Status::kOk) return ERR_SOUND_BUFFER_LOCK;
    const uint8_t* mixed = mixer_->OutputBlock();
    std::memcpy(regions.first, mixed, regions.firstBytes);
    if (regions.second)
        std::memcpy(regions.second, mixed + regions.firstBytes, regions.secondBytes);
    buffer.Unlock();
    return RESULT_OK;
}

}  // namespace vimsa
