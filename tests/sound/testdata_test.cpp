// The three modules made by other programs, from the shared test data.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>

#include "sound/module_factory.h"
#include "sound/module_mixer.h"
#include "sound/play_state.h"

namespace vimsa {
namespace {

std::string ModulePath(const char* name) {
    return std::string(VIMSA_TESTDATA_DIR) + "/modules/" + name;
}

// Seconds of one pass through the song, ticked without mixing.
double OnePass(Module& module) {
    PlayState* state = nullptr;
    EXPECT_EQ(module.StartSong(0, 0, true, false, true, &state), RESULT_OK);
    uint64_t frames = 0;
    for (int guard = 0; guard < 1000000 && Succeeded(state->Tick(44100)); ++guard)
        frames += state->FramesPerTick(44100);
    EXPECT_EQ(module.StopSong(state), RESULT_OK);
    return static_cast<double>(frames) / 44100.0;
}

struct Expected {
    const char* file;
    const char* name;
    int channels;
    double seconds;
};

// Loads a shared module before each test. Only a missing file skips the test:
// a file that is there must load, or a reader that breaks on real songs would
// pass unnoticed.
class SharedModuleTest : public ::testing::Test {
protected:
    void Load(const char* file) {
        const std::string path = ModulePath(file);
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data not found: " << path;
        ASSERT_EQ(LoadModule(path, module_), RESULT_OK) << path;
    }

    Handle<Module> module_;
};

class TestDataTest : public SharedModuleTest, public ::testing::WithParamInterface<Expected> {
protected:
    void SetUp() override { Load(GetParam().file); }
};

TEST_P(TestDataTest, ParsesWithNameChannelsAndDuration) {
    const Expected& e = GetParam();
    EXPECT_EQ(module_->SongName(), e.name);
    EXPECT_EQ(module_->ChannelCount(), e.channels);
    EXPECT_NEAR(OnePass(*module_), e.seconds, e.seconds * 0.005);
}

TEST_P(TestDataTest, MixesToTheEndWithSound) {
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module_.Get());
    ASSERT_EQ(mixer->AddSong(0, 0, 44100, true, true, false, false), RESULT_OK);
    const MixerInstance* song = mixer->Selected();
    double energy = 0;
    for (int blocks = 0; song->playing && blocks < 20000; ++blocks) {
        ASSERT_EQ(mixer->ClearBlock(), RESULT_OK);
        ASSERT_EQ(mixer->MixBlock(), RESULT_OK);
        const int16_t* pcm = reinterpret_cast<const int16_t*>(mixer->OutputBlock());
        for (int i = 0; i < 2048; i += 16)
            energy += static_cast<double>(pcm[i]) * pcm[i];
    }
    EXPECT_FALSE(song->playing);
    EXPECT_NEAR(static_cast<double>(song->framesPlayed) / 44100.0, GetParam().seconds,
                GetParam().seconds * 0.005);
    EXPECT_GT(energy, 0.0);
}

// Playing times of one pass as the README of the test data gives them. The
// IT headers enable all 64 channels except in sorcerer.it.
INSTANTIATE_TEST_SUITE_P(
    Modules, TestDataTest,
    ::testing::Values(Expected{"AnarchyMenu1.mod", "an1", 4, 147.839},
                      Expected{"gd-giirm.s3m", "Goose in Israel", 32, 51.839},
                      Expected{"gd-matth.it", "Matthias", 64, 61.439},
                      // Instrument mode: patterns longer than 64 rows, note-offs.
                      Expected{"pingus-2.it", "pingus - game over", 64, 92.440},
                      // 48-row patterns and a jump to the next order entry.
                      Expected{"pingus-7.it", "pingus - level", 64, 51.839},
                      Expected{"sorcerer.it", "The Sorcerer's Apprentice", 14, 69.119},
                      // Note delays and note-offs.
                      Expected{"gd-cancn.it", "pingus cancan", 64, 25.599}),
    [](const auto& info) {
        std::string name = info.param.file;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        return name;
    });

class ItTestDataTest : public SharedModuleTest {
protected:
    void SetUp() override { Load("gd-matth.it"); }
};

TEST_F(ItTestDataTest, SamplesAreExpandedToTheirFullLength) {
    // Sample 2 is stored compressed: 2501 samples in fewer bytes.
    const SampleSlot& s = module_->Samples()[1];
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(s.length, 2501u);
    EXPECT_EQ(s.loopStart, 1882u);
    EXPECT_EQ(s.loopLength, 2501u - 1882u);
}

}  // namespace
}  // namespace vimsa
