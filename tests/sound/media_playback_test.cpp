// MP3 and wave playback: decoding through the platform's media layer and the
// player's state machine, on SDL's "dummy" audio driver.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/media/audio_decoder.h"
#include "sound/media_playback.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;

const bool kQuietDevice = [] { return setenv("SDL_AUDIODRIVER", "dummy", 0) == 0; }();

// A stereo 22050 Hz tone, a different one on each side.
std::vector<int16_t> Tone(int frames) {
    std::vector<int16_t> samples;
    for (int i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int16_t>(8000 * std::sin(i * 0.05)));
        samples.push_back(static_cast<int16_t>((i * 37) % 20000 - 10000));
    }
    return samples;
}

// Writes the samples in the given container format; false when the library
// cannot write it.
bool WriteAudio(const fs::path& path, int format, const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size() / 2);
    const bool written = sf_writef_short(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

class MediaPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kQuietDevice);
        folder_ = fs::temp_directory_path() / ("vimsa_media_" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        samples_ = Tone(6000);
        ASSERT_TRUE(WriteAudio(folder_ / "Tone.WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_16, samples_));
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
    std::vector<int16_t> samples_;
};

TEST_F(MediaPlaybackTest, WaveFilesDecodeToTheirSamplesAndMp3ToItsLength) {
    std::unique_ptr<media::AudioDecoder> wave;
    // Found whatever the letter case and separators of the name.
    ASSERT_EQ(media::AudioDecoder::OpenFile((folder_ / "tone.wav").string(), wave), RESULT_OK);
    EXPECT_EQ(wave->Channels(), 2);
    EXPECT_EQ(wave->Rate(), 22050u);
    std::vector<int16_t> decoded(samples_.size() + 64);
    EXPECT_EQ(wave->Read(decoded.data(), 6032), 6000u);
    decoded.resize(samples_.size());
    EXPECT_EQ(decoded, samples_);
    EXPECT_EQ(wave->Read(decoded.data(), 10), 0u);
    ASSERT_TRUE(wave->Rewind());
    EXPECT_EQ(wave->Read(decoded.data(), 10), 10u);

    const fs::path mp3 = folder_ / "tone.mp3";
    if (!WriteAudio(mp3, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, samples_))
        GTEST_SKIP() << "this libsndfile cannot write MP3";
    std::unique_ptr<media::AudioDecoder> coded;
    ASSERT_EQ(media::AudioDecoder::OpenFile(mp3.string(), coded), RESULT_OK);
    std::vector<int16_t> frames(2 * 4096);
    uint64_t total = 0;
    while (const uint32_t n = coded->Read(frames.data(), 4096))
        total += n;
    // An MP3 encoder pads to whole frames of 1152 samples; the tone survives.
    EXPECT_GE(total, 6000u);
    EXPECT_LE(total, 6000u + 2 * 1152);
}

TEST_F(MediaPlaybackTest, StateMachine) {
    Handle<MediaPlayback> player = MakeHandle<MediaPlayback>();
    EXPECT_EQ(player->Play(), ERR_MEDIA_PLAY_STATE);
    EXPECT_EQ(player->Rewind(), ERR_MEDIA_NOTHING_OPEN);
    ASSERT_EQ(player->Open((folder_ / "tone.wav").string()), RESULT_OK);
    EXPECT_EQ(player->GetState(), MediaPlayback::kStopped);
    // Pause straight after opening: paused without having played.
    EXPECT_EQ(player->Pause(), RESULT_OK);
    EXPECT_EQ(player->GetState(), MediaPlayback::kPaused);
    EXPECT_EQ(player->Stream()->FramesPlayed(), 0u);
    EXPECT_EQ(player->Play(), RESULT_OK);
    EXPECT_EQ(player->Play(), ERR_MEDIA_PLAY_STATE);
    EXPECT_EQ(player->Pause(), RESULT_OK);
    // Rewinding a paused file: stopped, at the start.
    EXPECT_EQ(player->Rewind(), RESULT_OK);
    EXPECT_EQ(player->GetState(), MediaPlayback::kStopped);
    EXPECT_EQ(player->Stream()->FramesPlayed(), 0u);
    EXPECT_EQ(player->Stop(), ERR_MEDIA_STOP_STATE);
    player->Close();
    EXPECT_EQ(player->GetState(), MediaPlayback::kClosed);
}

// The dummy driver has one device: a stopped file must leave it free for
// another player, and take it back when it plays again.
TEST_F(MediaPlaybackTest, AStoppedFileGivesTheSoundDeviceBack) {
    Handle<MediaPlayback> first = MakeHandle<MediaPlayback>();
    Handle<MediaPlayback> second = MakeHandle<MediaPlayback>();
    const std::string tone = (folder_ / "tone.wav").string();
    ASSERT_EQ(first->Open(tone), RESULT_OK);
    ASSERT_EQ(first->Play(), RESULT_OK);
    EXPECT_EQ(first->Stop(), RESULT_OK);
    EXPECT_FALSE(first->Stream()->HasDevice());
    ASSERT_EQ(second->Open(tone), RESULT_OK);
    EXPECT_EQ(second->Play(), RESULT_OK);
    EXPECT_EQ(second->Stop(), RESULT_OK);
    second->Close();
    EXPECT_EQ(first->Play(), RESULT_OK);
    EXPECT_TRUE(first->Stream()->HasDevice());
    EXPECT_EQ(first->GetState(), MediaPlayback::kPlaying);
}

TEST_F(MediaPlaybackTest, FilesThatDoNotDecodeLeaveThePlayerClosed) {
    Handle<MediaPlayback> player = MakeHandle<MediaPlayback>();
    ASSERT_EQ(player->Open((folder_ / "tone.wav").string()), RESULT_OK);
    const fs::path noise = folder_ / "noise.mp3";
    std::FILE* f = std::fopen(noise.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 4000; ++i)
        std::fputc((i * 7919) & 0xFF, f);
    std::fclose(f);
    EXPECT_EQ(player->Open(noise.string()), ERR_MEDIA_DECODE);
    EXPECT_EQ(player->GetState(), MediaPlayback::kClosed);
    EXPECT_EQ(player->Open((folder_ / "missing.wav").string()), ERR_FILE_OPEN);
    EXPECT_TRUE(player->Path().empty());
}

}  // namespace
}  // namespace vimsa
