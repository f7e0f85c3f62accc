#pragma once

// Shared body of the module fuzz targets: arbitrary bytes go through
// Validate and Parse, then the song is mixed for 200 ticks (or until it ends).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ref_object.h"
#include "sound/module.h"
#include "sound/module_mixer.h"

namespace vimsa::fuzz {

inline void FuzzModule(Handle<Module> module, const uint8_t* data, size_t size) {
    module->SetData(std::vector<uint8_t>(data, data + size));
    if (Failed(module->Validate()) || Failed(module->Parse())) return;
    (void)module->SongName();
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module.Get());
    // The input's size picks the output format, so every mixing path is fuzzed.
    const bool stereo = (size & 1) == 0;
    const bool sixteenBit = (size & 2) == 0;
    // A low rate keeps slow songs (tempo 1 lasts 20000 frames a tick here) quick.
    if (Failed(mixer->AddSong(0, 0, 8000, stereo, sixteenBit, false, true))) return;
    const MixerInstance* song = mixer->Selected();
    for (int block = 0; block < 200 && song->playing && mixer->SelectedState()->tickCount < 200;
         ++block) {
        mixer->ClearBlock();
        mixer->MixBlock();
    }
}

}  // namespace vimsa::fuzz
