#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "sound/module.h"
#include "sound/play_state.h"

namespace vimsa {

// One song the mixer plays: the play state it is bound to and the output
// format it is mixed in. The state is named by its id, never held by pointer:
// the module frees states on a reload or StopSong, and the mixer must then find
// the song gone instead of reading freed memory.
struct MixerInstance {
    uint64_t stateId = 0;
    uint32_t rate = 44100;
    bool sixteenBit = true;
    bool stereo = true;
    uint32_t samplesPerTick = 0;
    uint32_t samplesLeft = 0;   // frames left in the current tick
    uint32_t samplesMixed = 0;  // frames of the current block done
    bool playing = false;
    uint64_t framesPlayed = 0;  // frames mixed while the song played
};

// Mixes the voices of a module's songs into blocks of 1024 frames of 16-bit
// or 8-bit PCM, stereo (interleaved, left first) or mono.
//
// Each block looks every song's play state up in the module afresh, so no
// pointer to a state outlives a block. Calls that free play states
// (Module::ReadFile, SetData, StopSong) must still not run during MixBlock:
// a mixing thread and the thread that reloads share one lock around both.
class ModuleMixer : public RefObject {
public:
    static constexpr int kBlockFrames = 1024;
    static constexpr size_t kBlockBytes = 4096;  // 1024 frames of 16-bit stereo
    static constexpr uint32_t kMinRate = 4000;
    static constexpr uint32_t kMaxRate = 192000;
    // Accumulator value of silence in 8-bit mixing, the centre of the
    // clipping table.
    static constexpr int32_t kRest8 = 1024;

    ModuleMixer();
    ~ModuleMixer() override;
    ModuleMixer(const ModuleMixer&) = delete;
    ModuleMixer& operator=(const ModuleMixer&) = delete;

    // Binds the mixer to a parsed module (null unbinds); the first mixer
    // instance follows the module's first play state.
    void SetModule(Module* module);
    Module* GetModule() const { return module_.Get(); }

    // Starts the module's song at `startOrder`/`startRow` and mixes it at
    // `rate` Hz. With `newInstance` a further play state and mixer instance
    // are made; otherwise the first ones are reused. The song becomes the
    // selected one.
    Result AddSong(int startOrder, int startRow, uint32_t rate, bool stereo, bool sixteenBit,
                   bool newInstance, bool loop);
    // Stops the selected song; instances after the first are removed.
    Result RemoveSong();
    Result SelectSong(size_t index);
    MixerInstance* Selected();
    // The selected song's play state; null when the module has freed it.
    PlayState* SelectedState() const;
    size_t InstanceCount() const { return instances_.size(); }

    // Zeroes the output block.
    Result ClearBlock();
    // Adds 1024 frames of every playing song to the output block. A song
    // whose play state the module has freed is stopped and left silent; the
    // block that finds it so returns ERR_MODULE_NO_PLAY_STATE (the other songs
    // are mixed all the same), later blocks pass over it. A song stopped on
    // the module is stopped here too.
    Result MixBlock();

    // The output block: 4096 bytes, of which BlockBytes() are used.
    const uint8_t* OutputBlock() const { return reinterpret_cast<const uint8_t*>(output_.data()); }
    // Bytes of one block in the selected song's format.
    size_t BlockBytes() const;

    // The 8-bit clipping table's output for an accumulator value.
    uint8_t Clip8(int32_t accumulator) const;

private:
    void BuildClipTable(uint8_t mixVolume);
    void MixSong(MixerInstance& instance, PlayState& state);
    void MixVoices(const MixerInstance& instance, PlayState& state, int frame, int count);
    void MixOne(const MixerInstance& instance, const PlayState& state, Voice& v, int frame,
                int count);
    void Flush(const MixerInstance& instance);

    Handle<Module> module_;
    std::vector<MixerInstance> instances_;
    size_t selected_ = 0;

    std::array<int32_t, 2 * kBlockFrames> accumulator_{};
    std::array<int16_t, kBlockBytes / 2> output_{};
    // 8-bit mixing clips the accumulator to a byte; the ramp depends on the
    // module's mix volume.
    std::array<uint8_t, 2048> clipTable_{};
    uint8_t clipVolume_ = 0;  // the mix volume clipTable_ was built for
};

}  // namespace vimsa
