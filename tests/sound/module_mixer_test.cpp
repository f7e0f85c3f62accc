#include "sound/module_mixer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "sound/it_module.h"
#include "sound/s3m_module.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::ItBuilder;
using test::ItSample;
using test::S3mBuilder;
using test::S3mInstrument;
using test::TrackerEvent;

constexpr uint32_t kRate = 44100;

Handle<Module> ParsedS3m(const S3mBuilder& b) {
    return test::Parsed<S3mModule>(b.Build());
}

Handle<Module> ParsedIt(const ItBuilder& b) {
    return test::Parsed<ItModule>(b.Build());
}

// An S3M with one instrument of constant sample value `level` (unsigned).
S3mBuilder ConstantSong(uint8_t level, std::vector<TrackerEvent> events) {
    S3mBuilder b;
    S3mInstrument s;
    s.data.assign(4000, level);
    s.loop = true;
    s.loopBegin = 0;
    s.loopEnd = 4000;
    b.instruments = {s};
    b.patterns = {std::move(events)};
    return b;
}

std::vector<int16_t> Output16(const ModuleMixer& mixer) {
    std::vector<int16_t> out(ModuleMixer::kBlockBytes / 2);
    std::memcpy(out.data(), mixer.OutputBlock(), ModuleMixer::kBlockBytes);
    return out;
}

Handle<ModuleMixer> MixerFor(Module* module, bool stereo = true, bool sixteenBit = true) {
    Handle<ModuleMixer> mixer = MakeHandle<ModuleMixer>();
    mixer->SetModule(module);
    EXPECT_EQ(mixer->AddSong(0, 0, kRate, stereo, sixteenBit, false, false), RESULT_OK);
    return mixer;
}

// Clears the output block and mixes the next block into it.
Result NextBlock(ModuleMixer& mixer) {
    const Result cleared = mixer.ClearBlock();
    return Failed(cleared) ? cleared : mixer.MixBlock();
}

Handle<ModuleMixer> MixOneBlock(Module* module, bool stereo = true, bool sixteenBit = true) {
    Handle<ModuleMixer> mixer = MixerFor(module, stereo, sixteenBit);
    EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    return mixer;
}

TEST(ModuleMixerTest, EveryOperationNeedsAModule) {
    ModuleMixer mixer;
    EXPECT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), ERR_MIXER_NO_MODULE);
    EXPECT_EQ(mixer.RemoveSong(), ERR_MIXER_NO_MODULE);
    EXPECT_EQ(mixer.SelectSong(0), ERR_MIXER_NO_MODULE);
    EXPECT_EQ(mixer.ClearBlock(), ERR_MIXER_NO_MODULE);
    EXPECT_EQ(mixer.MixBlock(), ERR_MIXER_NO_MODULE);
}

TEST(ModuleMixerTest, AddSongRefusesUnparsedModulesAndOddRates) {
    Handle<Module> unparsed(new S3mModule);
    ModuleMixer mixer;
    mixer.SetModule(unparsed.Get());
    EXPECT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), ERR_MIXER_START);
    Handle<Module> m = ParsedS3m(ConstantSong(0x80, {}));
    mixer.SetModule(m.Get());
    EXPECT_EQ(mixer.AddSong(0, 0, 0, true, true, false, false), ERR_MIXER_START);
    EXPECT_EQ(mixer.AddSong(0, 0, 1000000, true, true, false, false), ERR_MIXER_START);
    EXPECT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), RESULT_OK);
    EXPECT_EQ(mixer.Selected()->samplesPerTick, 882u);
}

TEST(ModuleMixerTest, HandComputedSixteenBitStereoFrame) {
    // Sample 0xFF -> 0xFF00; volume 63, global 64:
    // value = (63 * 64 / 64) * (0xFF00 - 32768) / 64 = 32004. Channel 0 has
    // pan 3: left 13 * 32004 / 16 = 26003, right 3 * 32004 / 16 = 6000; the
    // block holds a quarter of each.
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}));
    Handle<ModuleMixer> mixer = MixOneBlock(m.Get());
    const std::vector<int16_t> out = Output16(*mixer);
    EXPECT_EQ(out[0], 6500);
    EXPECT_EQ(out[1], 1500);
    EXPECT_EQ(out[2046], 6500);
    EXPECT_EQ(out[2047], 1500);
}

TEST(ModuleMixerTest, GlobalVolumeAndCentrePan) {
    // Global volume 32: (63 * 32 / 64) = 31; 31 * 32512 / 64 = 15748; pan 8
    // gives 8 * 15748 / 16 = 7874 to each side; 7874 / 4 = 1968.
    S3mBuilder b = ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, 22, 32}});
    b.panTable = true;
    b.pans.fill(0x20 | 8);
    Handle<Module> m = ParsedS3m(b);
    const std::vector<int16_t> out = Output16(*MixOneBlock(m.Get()));
    EXPECT_EQ(out[0], 1968);
    EXPECT_EQ(out[1], 1968);
}

TEST(ModuleMixerTest, InterpolatesWithTheTopBitsOfTheFraction) {
    S3mBuilder b = ConstantSong(0x80, {});
    b.instruments[0].data = {0x80, 0xFF, 0xFF, 0xFF};
    b.instruments[0].loop = false;
    b.panTable = true;
    b.pans.fill(0x20 | 8);
    Handle<Module> m = ParsedS3m(b);
    Handle<ModuleMixer> mixer = MixerFor(m.Get());
    Voice& v = mixer->SelectedState()->voices[0];
    v.data = m->Samples()[0].data;
    v.length = 4;
    v.volume = 63;
    v.positionFraction = 0x80000000u;
    v.step = Step{0, 1};
    EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    // Halfway between 0x8000 and 0xFF00: 32768 + 32512 * 128 / 256 = 49024;
    // 63 * 16256 / 64 = 16002; 8 * 16002 / 16 = 8001; / 4 = 2000.
    const std::vector<int16_t> out = Output16(*mixer);
    EXPECT_EQ(out[0], 2000);
    EXPECT_EQ(out[1], 2000);
}

TEST(ModuleMixerTest, ManyLoudVoicesSaturateInsteadOfWrapping) {
    for (uint8_t level : {uint8_t{0xFF}, uint8_t{0x00}}) {
        std::vector<TrackerEvent> row;
        for (int c = 0; c < 32; ++c)
            row.push_back(TrackerEvent{0, c, 0x40, 1, -1, -1, 0});
        S3mBuilder b = ConstantSong(level, row);
        for (int c = 0; c < 32; ++c)
            b.channels[c] = static_cast<uint8_t>(c);
        Handle<Module> m = ParsedS3m(b);
        const std::vector<int16_t> out = Output16(*MixOneBlock(m.Get()));
        const int16_t expected = level ? 32767 : -32768;
        EXPECT_EQ(out[0], expected);
        EXPECT_EQ(out[2047], expected);
    }
}

TEST(ModuleMixerTest, PanRightFavoursTheSecondSampleOfAFrame) {
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, 19, 0x8F}}));
    const std::vector<int16_t> out = Output16(*MixOneBlock(m.Get()));
    // Pan 15: left 1 * 32004 / 16 = 2000, right 15 * 32004 / 16 = 30003.
    EXPECT_EQ(out[0], 500);
    EXPECT_EQ(out[1], 7500);
}

TEST(ModuleMixerTest, MonoSixteenBitTakesAnEighth) {
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}));
    Handle<ModuleMixer> mixer = MixOneBlock(m.Get(), /*stereo=*/false);
    EXPECT_EQ(mixer->BlockBytes(), 2048u);
    const std::vector<int16_t> out = Output16(*mixer);
    EXPECT_EQ(out[0], 32004 / 8);
    EXPECT_EQ(out[1023], 32004 / 8);
    EXPECT_EQ(out[1024], 0);  // past a mono block
}

TEST(ModuleMixerTest, EightBitOutputRestsAtTheMiddleAndUsesTheTables) {
    Handle<Module> quiet = ParsedS3m(ConstantSong(0x80, {}));
    Handle<ModuleMixer> silent = MixOneBlock(quiet.Get(), true, false);
    EXPECT_EQ(silent->BlockBytes(), 2048u);
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(silent->OutputBlock()[i], 128) << i;
    // Byte 0xFF at volume 63: (255 - 128) * 63 / 64 = 125; pan 3 gives
    // 12 * 125 / 15 = 100 and 3 * 125 / 15 = 25. Mix volume 48 makes the
    // ramp 128 * 64 / 48 = 170 wide each side: 128 + 100 * 128 / 170 = 203,
    // 128 + 25 * 128 / 170 = 146.
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}));
    Handle<ModuleMixer> mixer = MixOneBlock(m.Get(), true, false);
    EXPECT_EQ(mixer->OutputBlock()[0], 203);
    EXPECT_EQ(mixer->OutputBlock()[1], 146);
    EXPECT_EQ(mixer->Clip8(ModuleMixer::kRest8), 128);
    EXPECT_EQ(mixer->Clip8(-100000), 0);
    EXPECT_EQ(mixer->Clip8(100000), 255);
    Handle<ModuleMixer> mono = MixOneBlock(m.Get(), false, false);
    EXPECT_EQ(mono->BlockBytes(), 1024u);
    EXPECT_EQ(mono->OutputBlock()[0], 128 + 125 * 128 / 170);

    // The same module reloaded with mix volume 64: a ramp 128 wide.
    S3mBuilder louder = ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}});
    louder.masterVolume = 0x80 | 64;
    ASSERT_EQ(m->SetData(louder.Build()), RESULT_OK);
    ASSERT_EQ(m->Validate(), RESULT_OK);
    ASSERT_EQ(m->Parse(), RESULT_OK);
    ASSERT_EQ(mono->AddSong(0, 0, kRate, false, false, false, false), RESULT_OK);
    ASSERT_EQ(NextBlock(*mono), RESULT_OK);
    EXPECT_EQ(mono->OutputBlock()[0], 128 + 125);
}

TEST(ModuleMixerTest, SixteenBitSamples) {
    // Signed 0x4000 -> unsigned 0xC000: 16384 at IT's full volume (note,
    // sample, channel and global volumes all at their top). IT pan 32 is the
    // centre: 8192 each side.
    ItBuilder b;
    ItSample s;
    s.flags = 0x01 | 0x02 | 0x10;
    for (int i = 0; i < 500; ++i)
        s.data.insert(s.data.end(), {0x00, 0x40});
    s.loopBegin = 0;
    s.loopEnd = 500;
    b.samples = {s};
    b.patterns = {ItBuilder::PackPattern({TrackerEvent{0, 0, 60, 1, -1, -1, 0}})};
    Handle<Module> m = ParsedIt(b);
    Handle<ModuleMixer> mixer = MixOneBlock(m.Get());
    const std::vector<int16_t> out = Output16(*mixer);
    EXPECT_EQ(out[0], 8192 / 4);
    EXPECT_EQ(out[1], 8192 / 4);
    EXPECT_EQ(out[2046], 8192 / 4);
    const Voice& v = mixer->SelectedState()->voices[0];
    EXPECT_EQ(v.position % 2, 0u);  // whole samples only
    EXPECT_LT(v.position, 1000u);
}

TEST(ModuleMixerTest, PingPongLoopTurnsAtBothEnds) {
    S3mBuilder b = ConstantSong(0x80, {});
    b.instruments[0].data.assign(300, 0x00);
    for (int i = 0; i < 100; ++i)
        b.instruments[0].data[100 + i] = static_cast<uint8_t>(0x80 + i);
    Handle<Module> m = ParsedS3m(b);
    Handle<ModuleMixer> mixer = MixerFor(m.Get());
    Voice& v = mixer->SelectedState()->voices[0];
    const SampleSlot& slot = m->Samples()[0];
    v.data = slot.data;
    v.length = 300;
    v.loopStart = 100;
    v.loopLength = 100;
    v.pingPong = true;
    v.position = 100;
    v.volume = 63;
    v.step = Step{1, 0};
    EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    // 100 frames up, 100 down: the 1024th frame is the 24th of the sixth
    // upward run.
    EXPECT_FALSE(v.backwards);
    EXPECT_EQ(v.position, 124u);
    // Nothing outside the loop (data 0x00 there) was read.
    const std::vector<int16_t> out = Output16(*mixer);
    for (int i = 0; i < 2048; ++i)
        ASSERT_GE(out[i], 0) << i;
    EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    EXPECT_FALSE(v.backwards);  // 2048 = 10 * 200 + 48
    EXPECT_EQ(v.position, 148u);
    for (int block = 3; block <= 5; ++block) {
        EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    }
    EXPECT_TRUE(v.backwards);  // 5120 = 25 * 200 + 120: 20 samples down from 199
    EXPECT_EQ(v.position, 179u);
}

TEST(ModuleMixerTest, ForwardLoopShorterThanAStepStaysInside) {
    S3mBuilder b = ConstantSong(0x80, {});
    Handle<Module> m = ParsedS3m(b);
    Handle<ModuleMixer> mixer = MixerFor(m.Get());
    Voice& v = mixer->SelectedState()->voices[0];
    v.data = m->Samples()[0].data;
    v.length = 4000;
    v.loopStart = 10;
    v.loopLength = 1;
    v.volume = 63;
    v.step = Step{7, 0x80000000u};
    EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
    EXPECT_EQ(v.position, 10u);
}

TEST(ModuleMixerTest, SampleWithoutLoopEndsAndFallsSilent) {
    S3mBuilder b = ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}});
    b.instruments[0].loop = false;
    b.instruments[0].data.assign(100, 0xFF);
    Handle<Module> m = ParsedS3m(b);
    const std::vector<int16_t> out = Output16(*MixOneBlock(m.Get()));
    // C-4 at 8363 Hz plays about 0.19 samples per frame: 99 samples last
    // about 522 frames.
    EXPECT_EQ(out[0], 6500);
    EXPECT_EQ(out[2 * 500], 6500);
    EXPECT_EQ(out[2 * 600], 0);
    EXPECT_EQ(out[2047], 0);
}

TEST(ModuleMixerTest, NoteCutFallsSilent) {
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, 19, 0xC1}}));
    const std::vector<int16_t> out = Output16(*MixOneBlock(m.Get()));
    EXPECT_EQ(out[2 * 881], 6500);  // the row tick plays
    EXPECT_EQ(out[2 * 882], 0);     // cut on tick 1
}

TEST(ModuleMixerTest, SongEndStopsMixingAndCountsItsFrames) {
    Handle<Module> m = ParsedS3m(ConstantSong(0x80, {}));
    Handle<ModuleMixer> mixer = MixerFor(m.Get());
    const MixerInstance* song = mixer->Selected();
    int blocks = 0;
    while (song->playing && blocks < 1000) {
        EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
        ++blocks;
    }
    EXPECT_EQ(song->framesPlayed, 64u * 6u * 882u);
    EXPECT_EQ(blocks, static_cast<int>((64 * 6 * 882 + 1023) / 1024));
    EXPECT_FALSE(mixer->SelectedState()->playing);
}

TEST(ModuleMixerTest, TempoChangeShortensTicks) {
    Handle<Module> m = ParsedS3m(ConstantSong(0x80, {TrackerEvent{0, 0, -1, 0, -1, 20, 250}}));
    Handle<ModuleMixer> mixer = MixOneBlock(m.Get());
    EXPECT_EQ(mixer->Selected()->samplesPerTick, 441u);
    EXPECT_EQ(mixer->Selected()->samplesLeft, 441u - (1024u - 441u * 2u));
}

TEST(ModuleMixerTest, SeveralSongsAddUpAndRemoveCleanly) {
    Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}));
    ModuleMixer mixer;
    mixer.SetModule(m.Get());
    ASSERT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), RESULT_OK);
    ASSERT_EQ(mixer.AddSong(0, 0, kRate, true, true, true, false), RESULT_OK);
    EXPECT_EQ(mixer.InstanceCount(), 2u);
    EXPECT_EQ(m->PlayStateCount(), 2u);
    EXPECT_EQ(NextBlock(mixer), RESULT_OK);
    const std::vector<int16_t> both = Output16(mixer);
    EXPECT_EQ(both[0], 13000);
    EXPECT_EQ(mixer.SelectSong(2), ERR_MODULE_NO_PLAY_STATE);
    ASSERT_EQ(mixer.SelectSong(1), RESULT_OK);
    ASSERT_EQ(mixer.RemoveSong(), RESULT_OK);
    EXPECT_EQ(mixer.InstanceCount(), 1u);
    EXPECT_EQ(m->PlayStateCount(), 1u);
    ASSERT_EQ(mixer.RemoveSong(), RESULT_OK);  // the first stays, stopped
    EXPECT_EQ(mixer.InstanceCount(), 1u);
    EXPECT_EQ(NextBlock(mixer), RESULT_OK);
    EXPECT_EQ(Output16(mixer)[0], 0);
}

// A song freed under the mixer, by a reload or by stopping it on the module,
// leaves the mix: the block that finds it gone reports so, later blocks are
// silent for it, and a new AddSong plays again.
TEST(ModuleMixerTest, ASongFreedBetweenBlocksLeavesTheMix) {
    const std::vector<uint8_t> file =
        ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}).Build();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("vimsa_mixer_reload_" + std::to_string(::getpid()) + ".s3m");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    const struct {
        const char* what;
        bool reload;
        int16_t leftAfter;  // what the first song still gives
    } cases[] = {{"reloaded", true, 0}, {"second song stopped", false, 6500}};
    for (const auto& c : cases) {
        Handle<Module> m = ParsedS3m(ConstantSong(0xFF, {TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}}));
        Handle<ModuleMixer> mixer = MixerFor(m.Get());
        ASSERT_EQ(mixer->AddSong(0, 0, kRate, true, true, true, false), RESULT_OK);
        ASSERT_EQ(NextBlock(*mixer), RESULT_OK);
        EXPECT_EQ(Output16(*mixer)[0], 13000) << c.what;
        if (c.reload) {
            ASSERT_EQ(m->ReadFile(path.string()), RESULT_OK);
            ASSERT_EQ(m->Validate(), RESULT_OK);
            ASSERT_EQ(m->Parse(), RESULT_OK);
        } else {
            ASSERT_EQ(m->StopSong(m->GetPlayState(1)), RESULT_OK);
        }
        EXPECT_EQ(NextBlock(*mixer), ERR_MODULE_NO_PLAY_STATE) << c.what;
        EXPECT_EQ(Output16(*mixer)[0], c.leftAfter) << c.what;
        EXPECT_FALSE(mixer->Selected()->playing) << c.what;
        EXPECT_EQ(NextBlock(*mixer), RESULT_OK) << c.what;
        EXPECT_EQ(Output16(*mixer)[0], c.leftAfter) << c.what;

        ASSERT_EQ(mixer->AddSong(0, 0, kRate, true, true, false, false), RESULT_OK);
        ASSERT_EQ(NextBlock(*mixer), RESULT_OK);
        EXPECT_EQ(Output16(*mixer)[0], 6500) << c.what;
    }
    std::filesystem::remove(path);
}

// FNV-1a over the rendered bytes.
uint64_t Checksum(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<uint8_t> Render(Module* module, bool stereo, bool sixteenBit) {
    Handle<ModuleMixer> mixer = MixerFor(module, stereo, sixteenBit);
    std::vector<uint8_t> pcm;
    const MixerInstance* song = mixer->Selected();
    for (int blocks = 0; song->playing && blocks < 2000; ++blocks) {
        EXPECT_EQ(NextBlock(*mixer), RESULT_OK);
        pcm.insert(pcm.end(), mixer->OutputBlock(), mixer->OutputBlock() + mixer->BlockBytes());
    }
    return pcm;
}

// A short song with two instruments and a handful of effects; its rendering
// is pinned so that any change to the engine or the mixer shows.
Handle<Module> GoldenSong() {
    S3mBuilder b;
    S3mInstrument saw;
    for (int i = 0; i < 64; ++i)
        saw.data.push_back(static_cast<uint8_t>(i * 4));
    saw.loop = true;
    saw.loopEnd = 64;
    S3mInstrument blip;
    for (int i = 0; i < 300; ++i)
        blip.data.push_back(static_cast<uint8_t>(128 + (i % 20) * 5));
    blip.volume = 48;
    blip.c2Speed = 16726;
    b.instruments = {saw, blip};
    b.patterns = {{
        TrackerEvent{0, 0, 0x40, 1, -1, 10, 0x47},  // arpeggio
        TrackerEvent{0, 1, 0x32, 2, -1, -1, 0},
        TrackerEvent{2, 1, 0x37, 2, 50, 4, 0x03},   // volume slide down
        TrackerEvent{4, 0, 0x45, 1, -1, 8, 0x46},   // vibrato
        TrackerEvent{6, 1, 0x40, 2, -1, 17, 0x82},  // retrigger
        TrackerEvent{8, 0, 0x50, 1, -1, 7, 0x20},   // tone portamento
        TrackerEvent{9, 2, 0x30, 1, 40, 19, 0x8C},  // pan right
        TrackerEvent{11, 0, 254, 0, -1, 3, 0},      // note cut, then break
    }};
    b.speed = 3;
    return ParsedS3m(b);
}

TEST(ModuleMixerTest, GoldenRenderings) {
    Handle<Module> m = GoldenSong();
    const std::vector<uint8_t> stereo16 = Render(m.Get(), true, true);
    EXPECT_EQ(stereo16.size(), 32u * 4096u);  // 36 ticks of 882 frames
    int loud = 0;
    for (size_t i = 0; i + 1 < stereo16.size(); i += 2)
        loud += std::abs(static_cast<int16_t>(stereo16[i] | (stereo16[i + 1] << 8))) > 1000;
    EXPECT_GT(loud, 10000);  // the pinned rendering is not silence
    EXPECT_EQ(Checksum(stereo16), 4510248166530906568ull);
    EXPECT_EQ(Checksum(Render(m.Get(), false, true)), 9896593891194275530ull);
    EXPECT_EQ(Checksum(Render(m.Get(), true, false)), 17338216840998735916ull);
}

}  // namespace
}  // namespace vimsa
