// vimsa-tool mod: module information and rendering to WAV.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "platform/files/file_system.h"
#include "sound/module_factory.h"
#include "sound/module_mixer.h"
#include "sound/module_survey.h"
#include "sound/music_player.h"
#include "sound/play_state.h"
#include "tools/play_loop.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

// Longest song `render` writes without --loop: a song that only ends after
// this long is cut here.
constexpr double kMaxRenderSeconds = 3 * 3600.0;

void PrintModUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool mod info [--unsupported] FILE\n"
                 "       vimsa-tool mod render FILE OUT.wav [--rate HZ] [--mono] [--8bit] "
                 "[--loop N]\n"
                 "       vimsa-tool mod play FILE [--seconds N]\n\n"
                 "info    kind, song name, channels, orders, patterns, samples and the\n"
                 "        playing time of one pass through the song; --unsupported adds\n"
                 "        what of the song is not played (effects, instrument and sample\n"
                 "        features), each with its count\n"
                 "render  mixes the song from order 0 into a PCM WAV file (44100 Hz 16-bit\n"
                 "        stereo unless told otherwise); --loop N plays N passes\n"
                 "play    plays the song, looping, on the sound device (SDL's audio driver,\n"
                 "        chosen with SDL_AUDIODRIVER) until N seconds have passed or Ctrl-C\n");
}

int Fail(const std::string& what, Result code) {
    return ReportFailure("mod", what, code);
}

const char* KindName(ModuleKind kind) {
    switch (kind) {
        case ModuleKind::Mod:
            return "MOD";
        case ModuleKind::S3m:
            return "S3M";
        case ModuleKind::It:
            return "IT";
    }
    return "?";
}

struct Pass {
    uint64_t frames = 0;
    double seconds = 0.0;
};

// Plays the song once, without mixing, on a play state of its own.
Result OnePass(Module& module, uint32_t rate, Pass& pass) {
    pass = Pass{};
    PlayState* state = nullptr;
    const Result started = module.StartSong(0, 0, true, false, true, &state);
    if (Failed(started)) return started;
    // Tick fails only at the song's end, which is where the pass stops.
    while (Succeeded(state->Tick(rate)) && pass.seconds < kMaxRenderSeconds) {
        pass.frames += state->FramesPerTick(rate);
        pass.seconds = state->playTime;
    }
    pass.seconds = static_cast<double>(pass.frames) / rate;
    return module.StopSong(state);
}

std::string Duration(double seconds) {
    const int minutes = static_cast<int>(seconds / 60);
    char text[64];
    std::snprintf(text, sizeof text, "%d:%06.3f", minutes, seconds - minutes * 60.0);
    return text;
}

void PrintUnsupported(const Module& module) {
    const std::vector<Unplayed> unplayed = SurveyUnplayed(module);
    if (unplayed.empty()) {
        std::printf("unsupported none: everything in the song is played\n");
        return;
    }
    std::printf("unsupported (not played)\n");
    for (const Unplayed& u : unplayed)
        std::printf("  %6d  %s\n", u.count, u.what.c_str());
}

int RunInfo(const std::string& path, bool unsupported) {
    Handle<Module> module;
    Result r = LoadModule(path, module);
    if (Failed(r)) return Fail(path, r);
    Pass pass;
    r = OnePass(*module, 44100, pass);
    if (Failed(r)) return Fail(path, r);
    int samples = 0, withData = 0;
    for (const SampleSlot& s : module->Samples()) {
        samples += s.present ? 1 : 0;
        withData += s.data ? 1 : 0;
    }
    std::printf("kind       %s\n", KindName(module->Kind()));
    std::printf("name       %s\n", module->SongName().c_str());
    std::printf("channels   %d\n", module->ChannelCount());
    std::printf("orders     %d\n", module->SongLength());
    std::printf("patterns   %d\n", module->PatternCount());
    std::printf("samples    %d (%d with data)\n", samples, withData);
    std::printf("duration   %s (%.3f s)\n", Duration(pass.seconds).c_str(), pass.seconds);
    if (module->Kind() == ModuleKind::It)
        std::printf("mode       %s\n", module->Rules().instruments ? "instruments" : "samples");
    if (unsupported) PrintUnsupported(*module);
    return 0;
}

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> WavHeader(uint32_t rate, int channels, int bits, uint64_t dataBytes) {
    const uint32_t data = static_cast<uint32_t>(std::min<uint64_t>(dataBytes, 0xFFFFFFFFu - 36));
    const uint32_t align = static_cast<uint32_t>(channels * bits / 8);
    std::vector<uint8_t> h;
    for (char c : std::string_view("RIFF"))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(h, 36 + data, 4);
    for (char c : std::string_view("WAVEfmt "))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(h, 16, 4);
    PutLE(h, 1, 2);  // PCM
    PutLE(h, static_cast<uint32_t>(channels), 2);
    PutLE(h, rate, 4);
    PutLE(h, rate * align, 4);
    PutLE(h, align, 2);
    PutLE(h, static_cast<uint32_t>(bits), 2);
    for (char c : std::string_view("data"))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(h, data, 4);
    return h;
}

struct RenderOptions {
    uint32_t rate = 44100;
    bool mono = false;
    bool eightBit = false;
    int loops = 0;
};

bool ParseNumber(std::string_view text, long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseRenderOptions(const std::vector<std::string_view>& args, RenderOptions& o) {
    for (size_t i = 3; i < args.size(); ++i) {
        const std::string_view a = args[i];
        long n = 0;
        if (a == "--mono") {
            o.mono = true;
        } else if (a == "--8bit") {
            o.eightBit = true;
        } else if ((a == "--rate" || a == "--loop") && i + 1 < args.size() &&
                   ParseNumber(args[i + 1], n)) {
            ++i;
            if (a == "--rate") {
                if (n < ModuleMixer::kMinRate || n > ModuleMixer::kMaxRate) return false;
                o.rate = static_cast<uint32_t>(n);
            } else {
                if (n < 1 || n > 1000) return false;
                o.loops = static_cast<int>(n);
            }
        } else {
            return false;
        }
    }
    return true;
}

// Mixes the selected song into `out` until it ends or `limit` frames are
// written; `written` counts the frames written.
Result MixInto(ModuleMixer& mixer, std::FILE* out, size_t frameBytes, uint64_t limit,
               uint64_t& written) {
    const MixerInstance* song = mixer.Selected();
    while (song->playing && written < limit) {
        Result r = mixer.ClearBlock();
        if (Succeeded(r)) r = mixer.MixBlock();
        if (Failed(r)) return r;
        // The block ends in silence after the song's end; that part is left out.
        const uint64_t frames = std::min<uint64_t>(song->framesPlayed, limit) - written;
        if (std::fwrite(mixer.OutputBlock(), frameBytes, frames, out) != frames)
            return ERR_FILE_WRITE;
        written += frames;
    }
    return RESULT_OK;
}

// The WAV header, the song, then the header again with the data size known.
Result WriteWav(ModuleMixer& mixer, std::FILE* out, const RenderOptions& o, uint64_t limit,
                uint64_t& written) {
    const int channels = o.mono ? 1 : 2;
    const int bits = o.eightBit ? 8 : 16;
    const size_t frameBytes = static_cast<size_t>(channels * bits / 8);
    std::vector<uint8_t> header = WavHeader(o.rate, channels, bits, 0);
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) return ERR_FILE_WRITE;
    const Result r = MixInto(mixer, out, frameBytes, limit, written);
    if (Failed(r)) return r;
    header = WavHeader(o.rate, channels, bits, written * frameBytes);
    if (std::fseek(out, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), out) != header.size())
        return ERR_FILE_WRITE;
    return RESULT_OK;
}

int RunRender(const std::string& path, const std::string& outPath, const RenderOptions& o) {
    Handle<Module> module;
    Result r = LoadModule(path, module);
    if (Failed(r)) return Fail(path, r);
    // With --loop the song repeats forever; N passes are N times one pass.
    uint64_t limit = static_cast<uint64_t>(kMaxRenderSeconds * o.rate);
    if (o.loops > 0) {
        Pass pass;
        r = OnePass(*module, o.rate, pass);
        if (Failed(r)) return Fail(path, r);
        limit = pass.frames * static_cast<uint64_t>(o.loops);
    }
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module.Get());
    r = mixer->AddSong(0, 0, o.rate, !o.mono, !o.eightBit, false, o.loops > 0);
    if (Failed(r)) return Fail(path, r);

    std::FILE* out = files::OpenFile(outPath, "wb");
    if (!out) return Fail(outPath, ERR_FILE_OPEN);
    uint64_t written = 0;
    const auto start = std::chrono::steady_clock::now();
    r = WriteWav(*mixer, out, o, limit, written);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Closing flushes the last buffered bytes, so a failed close is a failed write.
    if (std::fclose(out) != 0 && Succeeded(r)) r = ERR_FILE_WRITE;
    if (Failed(r)) return Fail(outPath, r);

    const double seconds = static_cast<double>(written) / o.rate;
    std::printf("rendered %s (%.3f s, %llu frames) in %.3f s: %.1fx real time\n",
                Duration(seconds).c_str(), seconds, static_cast<unsigned long long>(written),
                elapsed, elapsed > 0 ? seconds / elapsed : 0.0);
    return 0;
}

int RunPlay(const PlayArguments& play) {
    Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
    Result r = player->Load(play.path);
    if (Failed(r)) return Fail("cannot load " + play.path, r);
    std::printf("playing \"%s\" from %s\n", player->SongName().c_str(), play.path.c_str());
    r = player->Start(nullptr, 0);
    if (Failed(r)) return Fail("cannot start the sound device", r);
    const auto started = std::chrono::steady_clock::now();
    const bool interrupted = PlayUntilDone(
        play.seconds, [&] { return player->IsSongPlaying(); },
        [&] {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            return Duration(elapsed) + " played, " + std::to_string(player->BlocksWritten()) +
                   " blocks mixed";
        });
    player->Close();
    if (interrupted) std::printf("stopped\n");
    return 0;
}

int RunMod(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintModUsage(stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == "info") return RunInfo(std::string(args[1]), false);
    if (args.size() == 3 && args[0] == "info" && args[1] == "--unsupported")
        return RunInfo(std::string(args[2]), true);
    if (!args.empty() && args[0] == "play") {
        if (const auto play = ParsePlayArguments(args)) return RunPlay(*play);
    }
    RenderOptions options;
    if (args.size() >= 3 && args[0] == "render" && ParseRenderOptions(args, options))
        return RunRender(std::string(args[1]), std::string(args[2]), options);
    PrintModUsage(stderr);
    return 2;
}

const Registrar kMod{{"mod", "module information, rendering and playing (MOD, S3M, IT)", &RunMod}};

}  // namespace
}  // namespace vimsa::tool
