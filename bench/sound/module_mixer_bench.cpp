// MixBlock on shared test modules: seconds of music mixed per
// second (x real time) at 44100 Hz, 16-bit stereo.
#include <benchmark/benchmark.h>

#include <string>

#include "sound/module_factory.h"
#include "sound/module_mixer.h"

namespace vimsa {
namespace {

void BM_MixBlock(benchmark::State& state, ModuleKind kind, const char* file) {
    Handle<Module> module = NewModule(kind);
    const std::string path = std::string(VIMSA_TESTDATA_DIR) + "/modules/" + file;
    if (Failed(module->ReadFile(path)) || Failed(module->Validate()) || Failed(module->Parse())) {
        state.SkipWithError(("cannot load " + path).c_str());
        return;
    }
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module.Get());
    // Looping keeps the song going for as long as the benchmark runs.
    if (Failed(mixer->AddSong(0, 0, 44100, true, true, false, true))) {
        state.SkipWithError("cannot start the song");
        return;
    }
    for (auto _ : state) {
        if (Failed(mixer->ClearBlock()) || Failed(mixer->MixBlock())) {
            state.SkipWithError("mixing failed");
            break;
        }
        benchmark::DoNotOptimize(mixer->OutputBlock()[0]);
    }
    const double seconds =
        static_cast<double>(state.iterations()) * ModuleMixer::kBlockFrames / 44100.0;
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_MixBlock, AnarchyMenu1_mod, ModuleKind::Mod, "AnarchyMenu1.mod");
BENCHMARK_CAPTURE(BM_MixBlock, gd_giirm_s3m, ModuleKind::S3m, "gd-giirm.s3m");
BENCHMARK_CAPTURE(BM_MixBlock, gd_matth_it, ModuleKind::It, "gd-matth.it");
// Instrument mode: envelopes, fades and notes left playing by new note actions.
BENCHMARK_CAPTURE(BM_MixBlock, pingus_2_it, ModuleKind::It, "pingus-2.it");
BENCHMARK_CAPTURE(BM_MixBlock, sorcerer_it, ModuleKind::It, "sorcerer.it");

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
