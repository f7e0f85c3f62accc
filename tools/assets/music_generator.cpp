#include "tools/assets/music_generator.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/ref_object.h"
#include "sound/module_factory.h"
#include "sound/module_mixer.h"
#include "tools/assets/instrument_synth.h"
#include "tools/assets/song_composer.h"
#include "tools/assets/sound_clip_writer.h"

namespace vimsa::tool {
namespace {

constexpr uint32_t kMixRate = 44100;
constexpr uint32_t kChimeRate = 22050;
constexpr double kOpeningSeconds = 15.36;  // the intro and the first verse

int16_t ToPcm(double value) {
    return static_cast<int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
}

}  // namespace

Result MusicGenerator::MixOpening(const std::string& module, double seconds,
                                  std::vector<int16_t>& out) {
    Handle<Module> song;
    Result r = LoadModule(module, song);
    if (Failed(r)) return r;
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(song.Get());
    r = mixer->AddSong(0, 0, kMixRate, true, true, false, true);
    if (Failed(r)) return r;
    const auto frames = static_cast<size_t>(seconds * kMixRate);
    out.clear();
    while (out.size() < 2 * frames) {
        r = mixer->ClearBlock();
        if (Succeeded(r)) r = mixer->MixBlock();
        if (Failed(r)) return r;
        const auto* block = reinterpret_cast<const int16_t*>(mixer->OutputBlock());
        out.insert(out.end(), block, block + 2 * ModuleMixer::kBlockFrames);
    }
    out.resize(2 * frames);
    const size_t fade = static_cast<size_t>(1.5 * kMixRate);
    for (size_t f = frames - fade; f < frames; ++f) {
        const double gain = static_cast<double>(frames - f) / static_cast<double>(fade);
        for (size_t c = 0; c < 2; ++c)
            out[2 * f + c] = static_cast<int16_t>(std::lround(out[2 * f + c] * gain));
    }
    return RESULT_OK;
}

std::vector<int16_t> MusicGenerator::Chime() {
    // A, C, E, A, then the chord again together.
    constexpr double kNotes[] = {440.0, 523.251, 659.255, 880.0};
    std::vector<int16_t> out(static_cast<size_t>(2.4 * kChimeRate));
    for (size_t n = 0; n < out.size(); ++n) {
        const double t = static_cast<double>(n) / kChimeRate;
        double sum = 0;
        for (size_t i = 0; i < 4; ++i) {
            sum += InstrumentSynth::BellTone(kNotes[i], t - 0.14 * static_cast<double>(i));
            sum += 0.6 * InstrumentSynth::BellTone(kNotes[i] / 2, t - 0.7);
        }
        out[n] = ToPcm(0.22 * sum);
    }
    return out;
}

Result MusicGenerator::WriteAll(std::vector<std::string>& written) {
    std::error_code error;
    std::filesystem::create_directories("music", error);
    if (error) return ERR_FILE_WRITE;
    Result r = SongComposer::Compose().Save(kModule);
    if (Failed(r)) return r;
    written.push_back(kModule);
    std::vector<int16_t> opening;
    r = MixOpening(kModule, kOpeningSeconds, opening);
    if (Succeeded(r)) r = SoundClipWriter::WriteMp3(kOpening, opening, kMixRate, 2);
    if (Failed(r)) return r;
    written.push_back(kOpening);
    r = SoundClipWriter::WriteWav(kChime, Chime(), kChimeRate, 1);
    if (Succeeded(r)) written.push_back(kChime);
    return r;
}

}  // namespace vimsa::tool
