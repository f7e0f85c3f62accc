// The music menus against the real players: the enabled state and check
// mark of every item in each player state, what the commands do, and the
// rule that the menus start at most one player.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "app/commands.h"
#include "render/direct3d8/d3d8_renderer.h"
#include "render/opengl/gl_renderer.h"
#include "render/texture.h"
#include "sound/media_playback.h"
#include "sound/music_player.h"

namespace vimsa::app {
namespace {

const std::string kData = VIMSA_DATA_DIR;
const std::string kMp3 = kData + "/music/vimsa.mp3";
const std::string kWave = kData + "/music/chime.wav";
const std::string kModule = kData + "/music/vimsa.s3m";

// Whether the audio back-end lets a second device open beside a first.
// SDL's dummy driver does not, and the module player keeps its device while
// stopped, so there an MP3 cannot start after a module has played.
bool AudioOpensTwoDevices() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec spec{};
    spec.freq = 44100;
    spec.format = AUDIO_S16SYS;
    spec.channels = 2;
    spec.samples = 1024;
    const SDL_AudioDeviceID first = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    const SDL_AudioDeviceID second = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (second) SDL_CloseAudioDevice(second);
    if (first) SDL_CloseAudioDevice(first);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return first && second;
}

class MusicMenuTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0); }
    void TearDown() override { module_->Close(); }

    Handle<MusicPlayer> module_ = MakeHandle<MusicPlayer>();
    Handle<MediaPlayback> media_ = MakeHandle<MediaPlayback>();
    Players players_{module_.Get(), media_.Get()};
};

// Enabled and checked, item by item: Open, Play, Pause, Rewind, Stop.
struct MediaRow {
    const char* name;
    ItemState open, play, pause, rewind, stop;
};

void ExpectMediaItems(const Players& players, const MediaRow& row) {
    EXPECT_EQ(MusicItemState(kCommandMp3Open, players), row.open) << row.name << ": Open";
    EXPECT_EQ(MusicItemState(kCommandMp3Play, players), row.play) << row.name << ": Play";
    EXPECT_EQ(MusicItemState(kCommandMp3Pause, players), row.pause) << row.name << ": Pause";
    EXPECT_EQ(MusicItemState(kCommandMp3Rewind, players), row.rewind) << row.name << ": Rewind";
    EXPECT_EQ(MusicItemState(kCommandMp3Stop, players), row.stop) << row.name << ": Stop";
}

constexpr ItemState kOff{false, false}, kOn{true, false}, kOffChecked{false, true},
    kOnChecked{true, true};

TEST_F(MusicMenuTest, Mp3ItemsFollowTheMediaPlayerState) {
    ExpectMediaItems({}, {"no player", kOff, kOff, kOff, kOff, kOff});
    ExpectMediaItems(players_, {"no file", kOn, kOff, kOff, kOff, kOff});
    ASSERT_TRUE(OpenMediaFile(kMp3, players_));
    ASSERT_EQ(media_->GetState(), MediaPlayback::kPlaying);
    ExpectMediaItems(players_, {"playing", kOn, kOffChecked, kOn, kOn, kOn});
    RunMusicCommand(kCommandMp3Pause, players_, nullptr);
    ExpectMediaItems(players_, {"paused", kOn, kOn, kOffChecked, kOn, kOn});
    RunMusicCommand(kCommandMp3Stop, players_, nullptr);
    ExpectMediaItems(players_, {"stopped", kOn, kOn, kOn, kOn, kOffChecked});
    RunMusicCommand(kCommandMp3Play, players_, nullptr);
    EXPECT_EQ(media_->GetState(), MediaPlayback::kPlaying);
    RunMusicCommand(kCommandMp3Rewind, players_, nullptr);
    EXPECT_EQ(media_->GetState(), MediaPlayback::kStopped);
}

TEST_F(MusicMenuTest, SoundtrackItemsFollowTheModulePlayer) {
    struct Row {
        const char* name;
        ItemState open, play, stop;
    };
    auto expect = [](const Players& players, const Row& row) {
        EXPECT_EQ(MusicItemState(kCommandSoundtrackOpen, players), row.open) << row.name;
        EXPECT_EQ(MusicItemState(kCommandSoundtrackPlay, players), row.play) << row.name;
        EXPECT_EQ(MusicItemState(kCommandSoundtrackStop, players), row.stop) << row.name;
    };
    expect({}, {"no player", kOff, kOff, kOff});
    expect(players_, {"nothing loaded", kOn, kOff, kOffChecked});
    ASSERT_TRUE(OpenModuleFile(kModule, players_, nullptr));
    expect(players_, {"playing", kOn, kOffChecked, kOn});
    RunMusicCommand(kCommandSoundtrackStop, players_, nullptr);
    expect(players_, {"loaded, stopped", kOn, kOn, kOffChecked});
    RunMusicCommand(kCommandSoundtrackPlay, players_, nullptr);
    expect(players_, {"playing again", kOn, kOffChecked, kOn});
}

TEST_F(MusicMenuTest, OpeningAModuleWhileAnMp3PlaysStopsTheMp3AndPlaysTheModule) {
    ASSERT_TRUE(OpenMediaFile(kMp3, players_));
    ASSERT_TRUE(OpenModuleFile(kModule, players_, nullptr));
    EXPECT_EQ(media_->GetState(), MediaPlayback::kStopped);
    // The stopped MP3 has given its device back, even to a one-device driver.
    EXPECT_TRUE(module_->IsSongPlaying());
    if (!AudioOpensTwoDevices())
        GTEST_SKIP() << "the audio driver opens one device at a time; the stopped module keeps it";
    // And the other way round.
    ASSERT_TRUE(OpenMediaFile(kWave, players_));
    EXPECT_FALSE(module_->IsSongPlaying());
    EXPECT_EQ(media_->GetState(), MediaPlayback::kPlaying);
}

TEST_F(MusicMenuTest, AFileThatDoesNotOpenLeavesBothPlayersAsTheyWere) {
    ASSERT_TRUE(OpenMediaFile(kMp3, players_));
    EXPECT_FALSE(OpenModuleFile(kData + "/music/missing.s3m", players_, nullptr));
    EXPECT_FALSE(OpenModuleFile(kMp3, players_, nullptr));  // not a module kind
    EXPECT_EQ(media_->GetState(), MediaPlayback::kPlaying);
    EXPECT_FALSE(OpenMediaFile(kData + "/texture/white.bmp", players_));
    EXPECT_FALSE(module_->IsSongPlaying());
    EXPECT_FALSE(OpenMediaFile(kMp3, {module_.Get(), nullptr}));
    EXPECT_FALSE(OpenModuleFile(kModule, {nullptr, media_.Get()}, nullptr));
}

TEST_F(MusicMenuTest, WithoutASoundDeviceTheModuleMenusShowItNotPlaying) {
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "no-such-driver", 1), 0);
    // The file loads; the device does not open, and the player gives the
    // module up with it, so the menus show nothing to play or stop.
    EXPECT_TRUE(OpenModuleFile(kModule, players_, nullptr));
    EXPECT_FALSE(module_->IsSongPlaying());
    EXPECT_EQ(MusicItemState(kCommandSoundtrackPlay, players_), kOff);
    EXPECT_EQ(MusicItemState(kCommandSoundtrackStop, players_), kOffChecked);
    RunMusicCommand(kCommandSoundtrackPlay, players_, nullptr);
    EXPECT_EQ(SongLine(players_), "");
}

TEST_F(MusicMenuTest, TheSongLineNamesThePlayingFileWithoutItsFolderAndAModuleWins) {
    EXPECT_EQ(SongLine({}), "");
    EXPECT_EQ(SongLine(players_), "");
    ASSERT_TRUE(OpenMediaFile(kMp3, players_));
    EXPECT_EQ(SongLine(players_), "vimsa.mp3");
    RunMusicCommand(kCommandMp3Pause, players_, nullptr);
    EXPECT_EQ(SongLine(players_), "");
    // Both playing (started outside the menus): the module's name is shown.
    RunMusicCommand(kCommandMp3Play, players_, nullptr);
    if (!AudioOpensTwoDevices()) GTEST_SKIP() << "the audio driver opens one device at a time";
    ASSERT_EQ(module_->Load(kModule), RESULT_OK);
    RunMusicCommand(kCommandSoundtrackPlay, players_, nullptr);
    ASSERT_EQ(media_->GetState(), MediaPlayback::kPlaying);
    EXPECT_EQ(SongLine(players_), "vimsa.s3m");
}

TEST(FileNameAndExtension, DropsDriveAndFolder) {
    EXPECT_EQ(FileNameAndExtension("C:\\Music\\Tune.MP3"), "Tune.MP3");
    EXPECT_EQ(FileNameAndExtension("/home/user/music/vimsa.s3m"), "vimsa.s3m");
    EXPECT_EQ(FileNameAndExtension("a.b/song.tar.wav"), "song.tar.wav");
    EXPECT_EQ(FileNameAndExtension("music/README"), "README.");
}

TEST(RendererName, NamesTheRendererByItsKind) {
    EXPECT_EQ(RendererName(nullptr), "none");
    EXPECT_EQ(RendererName(MakeHandle<GLRenderer>().Get()), "OpenGL");
    EXPECT_EQ(RendererName(MakeHandle<D3D8Renderer>().Get()), "DirectX 8");
}

}  // namespace
}  // namespace vimsa::app
