// The music player on a sound device: SDL's "dummy" driver (or "disk",
// which writes what the device plays to a file) stands in for a sound card.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/mmtimer/multimedia_timer.h"
#include "sound/module_factory.h"
#include "sound/music_player.h"
#include "tests/sound/module_builder.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every test here plays on a device nobody hears, unless told otherwise.
const bool kQuietDevice = [] { return setenv("SDL_AUDIODRIVER", "dummy", 0) == 0; }();

// A four-channel MOD whose notes change every row over a sawtooth sample:
// every block of its output differs from its neighbours.
std::vector<uint8_t> BusySong() {
    test::ModBuilder b;
    test::ModSample saw;
    for (int i = 0; i < 64; ++i)
        saw.data.push_back(static_cast<int8_t>(i * 4 - 128));
    saw.loopStartWords = 0;
    saw.loopLengthWords = 32;
    b.samples = {saw};
    const uint16_t periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
    for (int row = 0; row < 64; ++row) {
        for (int channel = 0; channel < 4; ++channel) {
            test::ModCell& c = b.Cell(0, row, channel);
            c.period = periods[(row + channel * 3) % 8];
            c.instrument = 1;
        }
    }
    return b.Build();
}

// Waits until `done` holds, at most two seconds.
template <typename Condition>
bool WaitFor(Condition done) {
    for (int i = 0; i < 400 && !done(); ++i)
        std::this_thread::sleep_for(5ms);
    return done();
}

std::vector<int16_t> ReadSamples(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

size_t FirstSound(const std::vector<int16_t>& samples) {
    size_t i = 0;
    while (i < samples.size() && samples[i] == 0)
        ++i;
    return i;
}

class SoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kQuietDevice);
        song_ = fs::temp_directory_path() / ("vimsa_song_" + std::to_string(::getpid()) + ".mod");
        const std::vector<uint8_t> bytes = BusySong();
        std::ofstream(song_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override { fs::remove(song_); }

    fs::path song_;
};

TEST_F(SoundOutputTest, LoadRefusesOtherKindsBeforeTouchingTheFile) {
    Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
    EXPECT_EQ(player->Load("no such folder/song.xm"), ERR_MUSIC_UNSUPPORTED_KIND);
    EXPECT_EQ(player->Load("no such folder/song.mod"), ERR_FILE_OPEN);
    EXPECT_FALSE(player->IsLoaded());
    EXPECT_EQ(player->Start(nullptr, 0), ERR_MIXER_NO_MODULE);
    EXPECT_EQ(player->Pause(), -1);
    EXPECT_EQ(player->Stop(), -1);
    ASSERT_EQ(player->Load(song_.string()), RESULT_OK);
    EXPECT_TRUE(player->CanPlay());
    EXPECT_EQ(player->SongName(), "test song");
}

TEST_F(SoundOutputTest, StartsOnceAndKeepsAtMostHalfTheBufferAhead) {
    Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
    ASSERT_EQ(player->Load(song_.string()), RESULT_OK);
    ASSERT_EQ(player->Start(nullptr, 0), RESULT_OK);
    EXPECT_EQ(player->TimerPeriod(), 5u);  // 1024000 / (4 x 44100)
    EXPECT_EQ(player->Start(nullptr, 0), RESULT_OK);
    EXPECT_EQ(mmtimer::RunningCount(), 1);
    EXPECT_TRUE(player->IsSongPlaying());
    EXPECT_FALSE(player->CanPlay());

    // Half of 64 blocks of 1 KiB plus the 4 KiB block written last.
    EXPECT_TRUE(WaitFor([&] { return player->BlocksWritten() > 40; }));
    EXPECT_GT(player->MostBytesAhead(), 16u * 1024);
    EXPECT_LE(player->MostBytesAhead(), 36u * 1024);

    EXPECT_EQ(player->Pause(), 0);
    EXPECT_TRUE(player->IsPaused());
    EXPECT_EQ(player->Stop(), 0);
    EXPECT_EQ(mmtimer::RunningCount(), 0);
    EXPECT_TRUE(player->IsLoaded());
}

TEST_F(SoundOutputTest, PlaybackGoesOnAfterTheBufferIsLost) {
    Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
    ASSERT_EQ(player->Load(song_.string()), RESULT_OK);
    ASSERT_EQ(player->Start(nullptr, 0), RESULT_OK);
    uint64_t playedBefore = 0;
    player->WithBuffer([&](dsound::SoundBuffer* buffer) {
        ASSERT_NE(buffer, nullptr);
        buffer->LoseForTesting();
        playedBefore = buffer->BytesPlayed();
    });
    auto playedSince = [&] {
        uint64_t played = 0;
        uint32_t status = 0;
        player->WithBuffer([&](dsound::SoundBuffer* buffer) {
            played = buffer->BytesPlayed();
            status = buffer->GetStatus();
        });
        return (status & dsound::kStatusPlaying) && !(status & dsound::kStatusLost) &&
               played > playedBefore + 16 * 1024;
    };
    const uint32_t written = player->BlocksWritten();
    EXPECT_TRUE(WaitFor(playedSince));
    EXPECT_TRUE(WaitFor([&] { return player->BlocksWritten() > written + 4; }));
    player->Close();
    EXPECT_FALSE(player->IsLoaded());
}

TEST_F(SoundOutputTest, TheDeviceHearsTheMixSampleForSample) {
    // SDL's disk driver writes what the device plays to a file, in real time.
    const fs::path heard =
        fs::temp_directory_path() / ("vimsa_heard_" + std::to_string(::getpid()) + ".raw");
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "disk", 1), 0);
    ASSERT_EQ(setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1), 0);
    {
        Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
        ASSERT_EQ(player->Load(song_.string()), RESULT_OK);
        ASSERT_EQ(player->Start(nullptr, 0), RESULT_OK);
        std::this_thread::sleep_for(1500ms);
        player->Close();
    }
    ASSERT_EQ(setenv("SDL_AUDIODRIVER", "dummy", 1), 0);
    const std::vector<int16_t> device = ReadSamples(heard);
    fs::remove(heard);

    Handle<Module> module;
    ASSERT_EQ(LoadModule(song_.string(), module), RESULT_OK);
    ModuleMixer mixer;
    mixer.SetModule(module.Get());
    ASSERT_EQ(mixer.AddSong(0, 0, MusicPlayer::kRate, true, true, false, true), RESULT_OK);
    std::vector<int16_t> mixed;
    for (int block = 0; block < 80; ++block) {
        ASSERT_EQ(mixer.ClearBlock(), RESULT_OK);
        ASSERT_EQ(mixer.MixBlock(), RESULT_OK);
        const auto* out = reinterpret_cast<const int16_t*>(mixer.OutputBlock());
        mixed.insert(mixed.end(), out, out + ModuleMixer::kBlockBytes / 2);
    }
    // The device starts on a silent buffer; the song starts at once.
    const size_t start = FirstSound(device);
    ASSERT_EQ(FirstSound(mixed), 0u);
    ASSERT_LT(start, device.size());
    const size_t compared = std::min(device.size() - start, mixed.size());
    ASSERT_GT(compared, size_t{MusicPlayer::kRate});  // at least half a second of stereo
    size_t firstDifference = compared;
    for (size_t i = 0; i < compared && firstDifference == compared; ++i) {
        if (device[start + i] != mixed[i]) firstDifference = i;
    }
    // Closing may cut the last block the device was given short.
    EXPECT_GE(firstDifference, compared - ModuleMixer::kBlockBytes / 2)
        << "of " << compared << " samples";
}

TEST_F(SoundOutputTest, StopAndStartCyclesLeaveNoTimerBehind) {
    // Run under ThreadSanitizer in CI: the timer thread mixes while this
    // thread pauses, stops, starts and reloads.
    Handle<MusicPlayer> player = MakeHandle<MusicPlayer>();
    for (int cycle = 0; cycle < 6; ++cycle) {
        if (cycle % 3 == 0) {
            ASSERT_EQ(player->Load(song_.string()), RESULT_OK);
        }
        ASSERT_EQ(player->Start(nullptr, cycle % 2), RESULT_OK) << cycle;
        // Until the routine mixes: pausing and stopping then meet it at work.
        EXPECT_TRUE(WaitFor([&] { return player->BlocksWritten() > 2; })) << cycle;
        EXPECT_EQ(player->Pause(), 0);
        EXPECT_EQ(player->Stop(), 0);
        EXPECT_EQ(mmtimer::RunningCount(), 0);
    }
}

TEST(MultimediaTimerTest, KillWaitsForARunningRoutine) {
    struct Shared {
        std::atomic<int> calls{0};
        std::atomic<bool> inside{false};
    } shared;
    auto routine = [](uint32_t, void* argument) {
        auto* s = static_cast<Shared*>(argument);
        s->inside = true;
        ++s->calls;
        std::this_thread::sleep_for(30ms);
        s->inside = false;
    };
    EXPECT_EQ(mmtimer::StartPeriodic(0, 1, routine, &shared), 0u);
    EXPECT_FALSE(mmtimer::EndPeriod(7));  // never begun
    ASSERT_TRUE(mmtimer::BeginPeriod(5));
    const uint32_t id = mmtimer::StartPeriodic(5, 1, routine, &shared);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor([&] { return shared.inside.load(); }));
    EXPECT_TRUE(mmtimer::Kill(id));
    EXPECT_FALSE(shared.inside);  // the running call finished first
    const int calls = shared.calls;
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(shared.calls, calls);  // and no call came after
    EXPECT_FALSE(mmtimer::Kill(id));
    EXPECT_TRUE(mmtimer::EndPeriod(5));
}

}  // namespace
}  // namespace vimsa
