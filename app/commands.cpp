#include "app/commands.h"

#include "render/renderer.h"
#include "render/texture.h"
#include "sound/media_playback.h"
#include "sound/music_player.h"

namespace vimsa::app {

const char* const kMediaFilter = "Music Files (*.MP3; *.WAV)|*.MP3; *.WAV||";
const char* const kMediaDefaultExtension = "MP3/WAV";
const char* const kModuleFilter = "Soundtrack Files (*.S3M; *.MOD; *.IT)|*.S3M; *.MOD; *.IT||";
const char* const kModuleDefaultExtension = "S3M/MOD/IT";

namespace {

ItemState MediaItemState(int command, const MediaPlayback& media) {
    const MediaPlayback::State s = media.GetState();
    using M = MediaPlayback;
    switch (command) {
        case kCommandMp3Open:
            return {true, false};
        case kCommandMp3Play:
            return {s == M::kStopped || s == M::kPaused, s == M::kPlaying};
        case kCommandMp3Pause:
            return {s == M::kPlaying || s == M::kStopped, s == M::kPaused};
        case kCommandMp3Rewind:
            return {s != M::kClosed, false};
        case kCommandMp3Stop:
            return {s == M::kPlaying || s == M::kPaused, s == M::kStopped};
        default:
            return {};
    }
}

ItemState ModuleItemState(int command, const MusicPlayer& module) {
    const bool playing = module.IsSongPlaying();
    switch (command) {
        case kCommandSoundtrackOpen:
            return {true, false};
        case kCommandSoundtrackPlay:
            return {module.IsLoaded() && !playing, playing};
        case kCommandSoundtrackStop:
            return {playing, !playing};
        default:
            return {};
    }
}

bool IsMediaCommand(int command) {
    return command >= kCommandMp3Open && command <= kCommandMp3Stop;
}

bool IsModuleCommand(int command) {
    return command == kCommandSoundtrackOpen || command == kCommandSoundtrackPlay ||
           command == kCommandSoundtrackStop;
}

}  // namespace

ItemState MusicItemState(int command, const Players& players) {
    if (IsMediaCommand(command))
        return players.media ? MediaItemState(command, *players.media) : ItemState{};
    if (IsModuleCommand(command))
        return players.module ? ModuleItemState(command, *players.module) : ItemState{};
    return {};
}

void RunMusicCommand(int command, const Players& players, void* window) {
    MediaPlayback* media = players.media;
    MusicPlayer* module = players.module;
    switch (command) {
        case kCommandMp3Play:
            if (media) (void)media->Play();
            break;
        case kCommandMp3Pause:
            if (media) (void)media->Pause();
            break;
        case kCommandMp3Rewind:
            if (media) (void)media->Rewind();
            break;
        case kCommandMp3Stop:
            if (media) (void)media->Stop();
            break;
        case kCommandSoundtrackPlay:
            if (module) (void)module->Start(window, 0);
            break;
        case kCommandSoundtrackStop:
            if (module) (void)module->Stop();
            break;
        default:
            break;
    }
}

bool OpenMediaFile(const std::string& path, const Players& players) {
    if (!players.media || Failed(players.media->Open(path))) return false;
    if (players.module) (void)players.module->Stop();
    (void)players.media->Play();
    return true;
}

bool OpenModuleFile(const std::string& path, const Players& players, void* window) {
    if (!players.module || Failed(players.module->Load(path))) return false;
    if (players.media) (void)players.media->Stop();
    (void)players.module->Start(window, 0);
    return true;
}

std::string RendererName(const Renderer* renderer) {
    if (!renderer) return "none";
    switch (static_cast<int>(renderer->Kind())) {
        case 0:
            return "none";
        case 1:
            return "OpenGL";
        case 2:
            return "DirectX 7";
        case 4:
            return "DirectX 8";
        default:
            return "unknown";
    }
}

std::string FileNameAndExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\:");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    return base + "." + extension;
}

std::string SongLine(const Players& players) {
    std::string song;
    if (players.media && players.media->GetState() == MediaPlayback::kPlaying)
        song = FileNameAndExtension(players.media->Path());
    if (players.module && players.module->IsSongPlaying())
        song = FileNameAndExtension(players.module->Path());
    return song;
}

}  // namespace vimsa::app
