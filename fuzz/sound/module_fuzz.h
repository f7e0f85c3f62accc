#pragma once

// Shared body of the module fuzz targets: arbitrary bytes go through Validate
// and Parse, then the song is stepped through tick by tick and mixed for a
// couple of blocks.
//
// The work one input may cause is capped here, not by the song: a song may
// legally last for hours, and at a few hundred inputs a second the fuzzer
// would spend its time mixing silence instead of trying new bytes. Stepping
// without mixing is cheap and reaches the effect engine and the order list;
// the few mixed blocks reach every mixing path.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "sound/module.h"
#include "sound/module_mixer.h"
#include "sound/play_state.h"

namespace vimsa::fuzz {

// About 40 rows at the default speed, 256 rows at speed 1.
constexpr int kMaxTicks = 256;
// Two blocks, so that a tick carried over from one block to the next is mixed
// too: about 26 ticks at the default tempo.
constexpr int kMaxBlocks = 2;
// The lowest rate the mixer takes keeps each tick short in frames.
constexpr uint32_t kRate = ModuleMixer::kMinRate;

inline void StepSong(Module& module) {
    PlayState* state = nullptr;
    if (Failed(module.StartSong(0, 0, true, true, true, &state))) return;
    // Tick fails only when the song ends.
    for (int tick = 0; tick < kMaxTicks && Succeeded(state->Tick(kRate)); ++tick) {
    }
    // Only crashes and hangs matter here; the result of stopping does not.
    (void)module.StopSong(state);
}

inline void MixSong(ModuleMixer& mixer, bool stereo, bool sixteenBit) {
    if (Failed(mixer.AddSong(0, 0, kRate, stereo, sixteenBit, false, true))) return;
    const MixerInstance* song = mixer.Selected();
    for (int block = 0; block < kMaxBlocks && song->playing; ++block) {
        if (Failed(mixer.ClearBlock()) || Failed(mixer.MixBlock())) return;
    }
}

inline void FuzzModule(Handle<Module> module, const uint8_t* data, size_t size) {
    if (Failed(module->SetData(std::vector<uint8_t>(data, data + size)))) return;
    if (Failed(module->Validate()) || Failed(module->Parse())) return;
    (void)module->SongName();
    StepSong(*module);
    // One mixer serves every input: SetModule starts it afresh, and building
    // a new one each time cost more than the mixing.
    static const Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module.Get());
    // The input's size picks the output format, so every mixing path is fuzzed.
    MixSong(*mixer, (size & 1) == 0, (size & 2) == 0);
    mixer->SetModule(nullptr);
}

}  // namespace vimsa::fuzz
