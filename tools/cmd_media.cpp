// vimsa-tool media: plays an MP3 or wave file as the demo's media player does.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "sound/media_playback.h"
#include "tools/play_loop.h"
#include "tools/tool_command.h"

namespace vimsa::tool {
namespace {

void PrintMediaUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: vimsa-tool media play FILE [--seconds N]\n\n"
                 "Plays an MP3 or wave file on the sound device (SDL's audio driver, chosen\n"
                 "with SDL_AUDIODRIVER) to its end, for N seconds, or until Ctrl-C.\n");
}

int RunMediaPlay(const PlayArguments& play) {
    Handle<MediaPlayback> player = MakeHandle<MediaPlayback>();
    Result r = player->Open(play.path);
    if (Failed(r)) return ReportFailure("media", "cannot open " + play.path, r);
    media::AudioStream* stream = player->Stream();
    std::printf("playing %s\n", play.path.c_str());
    r = player->Play();
    if (Failed(r)) return ReportFailure("media", "cannot play " + play.path, r);
    const bool interrupted = PlayUntilDone(
        play.seconds, [&] { return !stream->Finished(); },
        [&] {
            char line[64];
            std::snprintf(line, sizeof line, "%.1f s played",
                          static_cast<double>(stream->FramesPlayed()) / stream->Rate());
            return std::string(line);
        });
    player->Close();
    if (interrupted) std::printf("stopped\n");
    return 0;
}

int RunMedia(const std::vector<std::string_view>& args) {
    if (WantsHelp(args)) {
        PrintMediaUsage(stdout);
        return 0;
    }
    if (!args.empty() && args[0] == "play") {
        if (const auto play = ParsePlayArguments(args)) return RunMediaPlay(*play);
    }
    PrintMediaUsage(stderr);
    return 2;
}

const Registrar kMedia{{"media", "play an MP3 or wave file on the sound device", &RunMedia}};

}  // namespace
}  // namespace vimsa::tool
