#pragma once

#include <string>

namespace vimsa {
class MediaPlayback;
class MusicPlayer;
class Renderer;
}  // namespace vimsa

// The menu commands and what they do to the two music players. The rules
// are plain functions of the players' states, so the menus can ask them
// each time they open and tests can ask them without a window.
namespace vimsa::app {

enum Command : int {
    kCommandMp3Open = 0x8005,
    kCommandMp3Play = 0x8006,
    kCommandMp3Pause = 0x8007,
    kCommandMp3Rewind = 0x8008,
    kCommandMp3Stop = 0x8009,
    kCommandSoundtrackOpen = 0x800A,
    kCommandSoundtrackPlay = 0x800B,
    kCommandSoundtrackStop = 0x800E,
    kCommandFileNew = 0xE100,
    kCommandFileOpen = 0xE101,
    kCommandPrintSetup = 0xE106,
    kCommandRecentFile = 0xE110,
    kCommandAbout = 0xE140,
    kCommandExit = 0xE141,
    kCommandToolBar = 0xE800,
    kCommandStatusBar = 0xE801,
};

struct ItemState {
    bool enabled = false;
    bool checked = false;
    bool operator==(const ItemState&) const = default;
};

// The players the music commands act on; either may be missing.
struct Players {
    MusicPlayer* module = nullptr;
    MediaPlayback* media = nullptr;
};

// Enabled state and check mark of a music command (disabled and unchecked
// for any other command, and whenever its player is missing).
ItemState MusicItemState(int command, const Players& players);

// Play, Pause, Rewind and Stop of either player; results are ignored, a
// refused transition does nothing. `window` is what the module player's
// device cooperates with.
void RunMusicCommand(int command, const Players& players, void* window);

// After the file dialogs: open the file and, when it opened, stop the other
// player and start this one. False when the file did not open.
bool OpenMediaFile(const std::string& path, const Players& players);
bool OpenModuleFile(const std::string& path, const Players& players, void* window);

// The file dialogs' filters, as stored, and their default extensions.
extern const char* const kMediaFilter;
extern const char* const kMediaDefaultExtension;
extern const char* const kModuleFilter;
extern const char* const kModuleDefaultExtension;

// The about box's renderer name for a renderer (null: "none").
std::string RendererName(const Renderer* renderer);
// The about box's song line: the playing file's name and extension, without
// drive and folder; a playing module wins over a playing media file; empty
// when nothing plays.
std::string SongLine(const Players& players);
// "name.ext" of a path, without drive and folder.
std::string FileNameAndExtension(const std::string& path);

}  // namespace vimsa::app
