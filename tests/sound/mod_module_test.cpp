#include "sound/mod_module.h"

#include <gtest/gtest.h>

#include "sound/play_state.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::ModBuilder;
using test::ModSample;

Handle<ModModule> Parsed(const std::vector<uint8_t>& file) {
    return test::Parsed<ModModule>(file);
}

TEST(ModModuleTest, SignaturesGiveChannelCounts) {
    const struct {
        const char* signature;
        int channels;
    } cases[] = {{"M.K.", 4},  {"8CHN", 8}, {"FLT8", 8}, {"FLT4", 4},
                 {"12CH", 12}, {"6CHN", 6}, {"32CH", 32}};
    for (const auto& c : cases) {
        ModBuilder b;
        b.signature = c.signature;
        b.channels = c.channels;
        Handle<ModModule> m = Parsed(b.Build());
        EXPECT_EQ(m->ChannelCount(), c.channels) << c.signature;
        for (int ch = 0; ch < c.channels; ++ch) {
            EXPECT_TRUE(m->ChannelEnabled()[ch]);
            EXPECT_EQ(m->ChannelPan()[ch], kPanCentre);
        }
        EXPECT_FALSE(m->Stereo());
    }
}

TEST(ModModuleTest, UnknownOrImpossibleSignaturesAreRefused) {
    for (const char* bad : {"M!K!", "0CHN", "99CH", "FLTx", "xCHN"}) {
        ModBuilder b;
        b.signature = bad;
        Handle<ModModule> m = MakeHandle<ModModule>();
        ASSERT_EQ(m->SetData(b.Build()), RESULT_OK);
        EXPECT_EQ(m->Validate(), ERR_MODULE_SIGNATURE) << bad;
        EXPECT_EQ(m->LastResult(), ERR_MODULE_SIGNATURE);
        EXPECT_EQ(m->Parse(), ERR_MODULE_NOT_VALIDATED);
    }
    Handle<ModModule> m = MakeHandle<ModModule>();
    ASSERT_EQ(m->SetData(std::vector<uint8_t>(1083, 0)),
              RESULT_OK);  // too short to hold a signature
    EXPECT_EQ(m->Validate(), ERR_MODULE_SIGNATURE);
}

TEST(ModModuleTest, ParseChecksItsState) {
    Handle<ModModule> m = MakeHandle<ModModule>();
    EXPECT_EQ(m->Validate(), ERR_MODULE_NO_DATA);
    EXPECT_EQ(m->Parse(), ERR_MODULE_NO_DATA);
    ASSERT_EQ(m->SetData(ModBuilder().Build()), RESULT_OK);
    EXPECT_EQ(m->Parse(), ERR_MODULE_NOT_VALIDATED);
    EXPECT_EQ(m->StartSong(0, 0, true, false, false), ERR_MODULE_NOT_PARSED);
    EXPECT_EQ(m->Validate(), RESULT_OK);
    EXPECT_TRUE(m->Loaded());
    EXPECT_EQ(m->Parse(), RESULT_OK);
    EXPECT_EQ(m->Parse(), ERR_MODULE_ALREADY_PARSED);
    EXPECT_STREQ(m->DefaultExtension(), ".MOD");
}

TEST(ModModuleTest, TrailingPattern0OrdersAreDropped) {
    ModBuilder b;
    b.orders = {1, 0, 2, 0, 0, 0};
    Handle<ModModule> m = Parsed(b.Build());
    EXPECT_EQ(m->SongLength(), 3);
    EXPECT_EQ(m->Orders()[0], 1);
    EXPECT_EQ(m->Orders()[1], 0);  // a 0 inside the song stays
    EXPECT_EQ(m->Orders()[2], 2);
    EXPECT_EQ(m->Orders()[3], Module::kOrderEnd);
    EXPECT_EQ(m->Orders()[127], Module::kOrderEnd);
    EXPECT_EQ(m->PatternCount(), 3);
}

TEST(ModModuleTest, AllOrdersZeroPlayPattern0Once) {
    ModBuilder b;
    b.orders = {0, 0, 0};
    Handle<ModModule> m = Parsed(b.Build());
    EXPECT_EQ(m->SongLength(), 1);
    EXPECT_EQ(m->Orders()[0], 0);
    EXPECT_EQ(m->Orders()[1], Module::kOrderEnd);
}

TEST(ModModuleTest, SampleHeadersAreReadAndDataMadeUnsigned) {
    ModBuilder b;
    b.orders = {1};  // two patterns before the sample data
    ModSample s1;
    s1.data = {0, 1, -1, 127, -128, 5, 6, 7};
    s1.finetune = 0x0F;
    s1.volume = 64;  // above 63: clamped
    s1.loopStartWords = 1;
    s1.loopLengthWords = 2;
    ModSample s2;
    s2.data = {10, 20, 30, 40};
    s2.loopLengthWords = 1;  // one word: no loop
    b.samples = {s1, s2};
    Handle<ModModule> m = Parsed(b.Build());
    const SampleSlot& a = m->Samples()[0];
    ASSERT_NE(a.data, nullptr);
    EXPECT_EQ(a.data, m->FileData().data() + 1084 + 2 * 1024);
    EXPECT_EQ(a.length, 8u);
    EXPECT_EQ(a.c2Speed, 8280u);
    EXPECT_EQ(a.volume, 63);
    EXPECT_EQ(a.loopStart, 2u);
    EXPECT_EQ(a.loopLength, 4u);
    EXPECT_FALSE(a.sixteenBit);
    const uint8_t expected[] = {128, 129, 127, 255, 0, 133, 134, 135};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(a.data[i], expected[i]) << i;
    const SampleSlot& c = m->Samples()[1];
    EXPECT_EQ(c.data, a.data + 8);
    EXPECT_EQ(c.loopLength, 0u);
    EXPECT_EQ(c.data[0], 138);
    EXPECT_TRUE(m->Samples()[2].present);
    EXPECT_EQ(m->Samples()[2].data, nullptr);
    EXPECT_EQ(m->SampleFor(1, 0x40), &a);
    EXPECT_EQ(m->SampleFor(0, 0x40), nullptr);
    EXPECT_EQ(m->SampleFor(100, 0x40), nullptr);
}

TEST(ModModuleTest, SampleRunningPastTheFileIsCutAndItsLoopClamped) {
    ModBuilder b;
    ModSample s;
    s.data = {1, 2, 3, 4, 5, 6};
    s.declaredWords = 100;   // claims 200 bytes
    s.loopStartWords = 2;    // byte 4
    s.loopLengthWords = 50;  // far past the data
    ModSample beyond;
    beyond.declaredWords = 10;  // nothing left in the file
    b.samples = {s, beyond};
    Handle<ModModule> m = Parsed(b.Build());
    const SampleSlot& a = m->Samples()[0];
    EXPECT_EQ(a.length, 6u);
    EXPECT_EQ(a.loopStart, 4u);
    EXPECT_EQ(a.loopLength, 2u);
    EXPECT_EQ(m->Samples()[1].data, nullptr);
    EXPECT_EQ(m->Samples()[1].length, 0u);
}

TEST(ModModuleTest, LoopStartingPastTheSampleIsDropped) {
    ModBuilder b;
    ModSample s;
    s.data = {1, 2, 3, 4};
    s.loopStartWords = 8;
    s.loopLengthWords = 4;
    b.samples = {s};
    Handle<ModModule> m = Parsed(b.Build());
    EXPECT_EQ(m->Samples()[0].loopLength, 0u);
    EXPECT_EQ(m->Samples()[0].loopStart, 0u);
}

TEST(ModModuleTest, PatternsOutsideTheFileAreAbsent) {
    ModBuilder b;
    b.orders = {0, 5};
    std::vector<uint8_t> file = b.Build();
    file.resize(1084 + 1024 + 100);  // pattern 0 whole, pattern 1 in part, 2..5 missing
    Handle<ModModule> m = Parsed(file);
    EXPECT_TRUE(m->PatternStart(0).HasData());
    PatternCursor partial = m->PatternStart(1);
    EXPECT_EQ(partial.end - partial.pos, 100);
    EXPECT_FALSE(m->PatternStart(2).HasData());
    EXPECT_FALSE(m->PatternStart(6).HasData());
    EXPECT_FALSE(m->PatternStart(-1).HasData());
    // Reading the cut pattern stops at the end of the file.
    RowBuffer row;
    for (int r = 0; r < 64; ++r)
        m->UnpackRow(row, partial);
    EXPECT_EQ(partial.pos, partial.end);
}

TEST(ModModuleTest, RowUnpackSplitsInstrumentAndFindsNotes) {
    ModBuilder b;
    b.Cell(0, 0, 0) = {856, 0x1F, 0xC, 40};
    b.Cell(0, 0, 1) = {428, 0x02, 0x0, 0x00};
    b.Cell(0, 0, 2) = {0, 0, 0, 0};
    b.Cell(0, 1, 3) = {113, 0x10, 0xF, 0x1F};
    Handle<ModModule> m = Parsed(b.Build());
    PatternCursor cursor = m->PatternStart(0);
    RowBuffer row;
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[0].note, 0x30);
    EXPECT_EQ(row[0].instrument, 0x1F);
    EXPECT_EQ(row[0].volume, 40);
    EXPECT_EQ(row[0].effect, effect::kNone);
    EXPECT_EQ(row[1].note, 0x40);
    EXPECT_EQ(row[1].instrument, 2);
    EXPECT_EQ(row[1].effect, effect::kNone);
    EXPECT_EQ(row[1].parameter, 255);
    EXPECT_EQ(row[2].note, kNoNote);
    EXPECT_EQ(row[2].instrument, 255);
    EXPECT_EQ(row[2].volume, 255);
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[3].note, 0x5B);
    EXPECT_EQ(row[3].instrument, 0x10);
    EXPECT_EQ(row[3].effect, effect::kSetSpeed);
    EXPECT_EQ(row[3].parameter, 0x1F);
    // SkipRows moves 16 bytes per row for 4 channels.
    PatternCursor skip = m->PatternStart(0);
    m->SkipRows(skip, 2);
    EXPECT_EQ(skip.pos, cursor.pos);
    m->SkipRows(skip, 1000);
    EXPECT_EQ(skip.pos, skip.end);
}

TEST(ModModuleTest, EffectsTranslateToTheSharedNumbering) {
    // The commands whose number or parameter changes on the way.
    const struct {
        uint8_t command, parameter, effect, translated;
    } cases[] = {
        {0x0, 0x37, effect::kArpeggio, 0x37},
        {0x0, 0x00, effect::kNone, 255},
        {0x1, 0x05, effect::kPortamentoUp, 0x05},
        {0x2, 0x05, effect::kPortamentoDown, 0x05},
        {0x5, 0x02, effect::kPortamentoVolumeSlide, 0x02},
        {0x6, 0x20, effect::kVibratoVolumeSlide, 0x20},
        {0x8, 0x80, effect::kIgnoredPan, 0x80},
        {0xA, 0x0F, effect::kVolumeSlide, 0x0F},
        {0xE, 0x13, effect::kPortamentoUp, 0xF3},
        {0xE, 0x24, effect::kPortamentoDown, 0xF4},
        {0xE, 0xC3, effect::kSpecial, 0xC3},
        {0xE, 0x93, effect::kRetrigger, 0x03},
        {0xE, 0xA2, effect::kVolumeSlide, 0x2F},
        {0xE, 0xB2, effect::kVolumeSlide, 0xF2},
        {0xE, 0xA0, effect::kNone, 255},  // fine slide by 0
        {0xE, 0xB0, effect::kNone, 255},
        {0xE, 0x31, effect::kSpecial, 0x11},  // glissando
        {0xE, 0x46, effect::kSpecial, 0x36},  // vibrato waveform
        {0xE, 0x53, effect::kSpecial, 0x2B},  // finetune 3 is Scream Tracker's B
        {0xE, 0x5D, effect::kSpecial, 0x25},  // and -3 its 5
        {0xE, 0x61, effect::kSpecial, 0xB1},  // pattern loop
        {0xE, 0x72, effect::kSpecial, 0x42},  // tremolo waveform
        {0xE, 0xD3, effect::kSpecial, 0xD3},  // note delay
        {0xE, 0xE2, effect::kSpecial, 0xE2},  // pattern delay
        {0xE, 0x01, effect::kIgnored, 0x01},  // filter
        {0xE, 0xF1, effect::kIgnored, 0xF1},  // invert loop
        {0xF, 0x1F, effect::kSetSpeed, 0x1F},
        {0xF, 0x20, effect::kSetTempo, 0x20},
    };
    for (const auto& c : cases) {
        RowCell cell;
        ModModule::TranslateEffect(c.command, c.parameter, cell);
        EXPECT_EQ(cell.effect, c.effect) << int(c.command) << "/" << int(c.parameter);
        EXPECT_EQ(cell.parameter, c.translated) << int(c.command) << "/" << int(c.parameter);
        EXPECT_EQ(cell.volume, 255);
    }
}

TEST(ModModuleTest, SongNameIsTheFirst20Bytes) {
    ModBuilder b;
    b.title = "abcdefghijklmnopqrstuvwxyz";
    std::vector<uint8_t> file = b.Build();
    file[20] = 'X';  // the first sample's name follows without a terminator
    EXPECT_EQ(Parsed(file)->SongName(), "abcdefghijklmnopqrst");
    b.title = "short";
    EXPECT_EQ(Parsed(b.Build())->SongName(), "short");
}

}  // namespace
}  // namespace vimsa
