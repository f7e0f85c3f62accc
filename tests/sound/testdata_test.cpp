// The three modules made by other programs, from the shared test data.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sound/it_module.h"
#include "sound/mod_module.h"
#include "sound/module_mixer.h"
#include "sound/s3m_module.h"

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
    module.StopSong(state);
    return static_cast<double>(frames) / 44100.0;
}

struct Expected {
    const char* file;
    const char* name;
    int channels;
    double seconds;
};

class TestDataTest : public ::testing::TestWithParam<Expected> {};

Handle<Module> Load(const char* file) {
    const std::string path = ModulePath(file);
    Handle<Module> m;
    const std::string name = file;
    if (name.ends_with(".mod"))
        m = MakeHandle<ModModule>();
    else if (name.ends_with(".s3m"))
        m = MakeHandle<S3mModule>();
    else
        m = MakeHandle<ItModule>();
    if (Failed(m->ReadFile(path))) return {};
    EXPECT_EQ(m->Validate(), RESULT_OK);
    EXPECT_EQ(m->Parse(), RESULT_OK);
    return m;
}

TEST_P(TestDataTest, ParsesWithNameChannelsAndDuration) {
    const Expected& e = GetParam();
    Handle<Module> m = Load(e.file);
    if (!m) GTEST_SKIP() << "test data not found: " << ModulePath(e.file);
    EXPECT_EQ(m->SongName(), e.name);
    EXPECT_EQ(m->ChannelCount(), e.channels);
    EXPECT_NEAR(OnePass(*m), e.seconds, e.seconds * 0.01);
}

TEST_P(TestDataTest, MixesToTheEndWithSound) {
    Handle<Module> m = Load(GetParam().file);
    if (!m) GTEST_SKIP() << "test data not found";
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(m.Get());
    ASSERT_EQ(mixer->AddSong(0, 0, 44100, true, true, false, false), RESULT_OK);
    const MixerInstance* song = mixer->Selected();
    double energy = 0;
    for (int blocks = 0; song->playing && blocks < 20000; ++blocks) {
        mixer->ClearBlock();
        mixer->MixBlock();
        const int16_t* pcm = reinterpret_cast<const int16_t*>(mixer->OutputBlock());
        for (int i = 0; i < 2048; i += 16)
            energy += static_cast<double>(pcm[i]) * pcm[i];
    }
    EXPECT_FALSE(song->playing);
    EXPECT_NEAR(static_cast<double>(song->framesPlayed) / 44100.0, GetParam().seconds,
                GetParam().seconds * 0.01);
    EXPECT_GT(energy, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Modules, TestDataTest,
                         ::testing::Values(Expected{"AnarchyMenu1.mod", "an1", 4, 147.839},
                                           Expected{"gd-giirm.s3m", "Goose in Israel", 32, 51.839},
                                           // The header enables all 64 channels; the song uses 4.
                                           Expected{"gd-matth.it", "Matthias", 64, 61.439}),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             return n.substr(0, n.find('.')) == "AnarchyMenu1" ? std::string("Mod")
                                    : n.ends_with(".s3m")                      ? std::string("S3m")
                                                                               : std::string("It");
                         });

TEST(TestDataTest, ItSamplesAreExpandedToTheirFullLength) {
    Handle<Module> m = Load("gd-matth.it");
    if (!m) GTEST_SKIP() << "test data not found";
    // Sample 2 is stored compressed: 2501 samples in fewer bytes.
    const SampleSlot& s = m->Samples()[1];
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(s.length, 2501u);
    EXPECT_EQ(s.loopStart, 1882u);
    EXPECT_EQ(s.loopLength, 2501u - 1882u);
}

}  // namespace
}  // namespace vimsa
