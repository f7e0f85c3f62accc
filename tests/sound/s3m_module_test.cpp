#include "sound/s3m_module.h"

#include <gtest/gtest.h>

#include "sound/play_state.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::S3mBuilder;
using test::S3mInstrument;
using test::TrackerEvent;

Handle<S3mModule> Parsed(const std::vector<uint8_t>& file) {
    return test::Parsed<S3mModule>(file);
}

TEST(S3mModuleTest, SignatureIsScrmAtOffset44) {
    std::vector<uint8_t> file = S3mBuilder().Build();
    Handle<S3mModule> m = MakeHandle<S3mModule>();
    ASSERT_EQ(m->SetData(file), RESULT_OK);
    EXPECT_EQ(m->Validate(), RESULT_OK);
    file[45] = 'X';
    ASSERT_EQ(m->SetData(file), RESULT_OK);
    EXPECT_EQ(m->Validate(), ERR_MODULE_SIGNATURE);
    ASSERT_EQ(m->SetData(std::vector<uint8_t>(47, 0)), RESULT_OK);
    EXPECT_EQ(m->Validate(), ERR_MODULE_SIGNATURE);
    EXPECT_STREQ(m->DefaultExtension(), ".S3M");
}

TEST(S3mModuleTest, HeaderFieldsAndChannelSettings) {
    S3mBuilder b;
    b.title = "Goose";
    b.speed = 3;
    b.tempo = 150;
    b.globalVolume = 70;  // above 64: clamped
    b.masterVolume = 0x80 | 0x30;
    b.channels.fill(255);
    b.channels[0] = 0;    // left 1
    b.channels[1] = 9;    // right 2
    b.channels[2] = 128;  // disabled, still counts
    b.channels[5] = 130;  // disabled
    Handle<S3mModule> m = Parsed(b.Build());
    EXPECT_EQ(m->SongName(), "Goose");
    EXPECT_EQ(m->InitialSpeed(), 3);
    EXPECT_EQ(m->InitialTempo(), 150);
    EXPECT_EQ(m->GlobalVolume(), 64);
    EXPECT_EQ(m->MixVolume(), 0x30);
    EXPECT_TRUE(m->Stereo());
    EXPECT_EQ(m->ChannelCount(), 6);
    EXPECT_TRUE(m->ChannelEnabled()[0]);
    EXPECT_TRUE(m->ChannelEnabled()[1]);
    EXPECT_FALSE(m->ChannelEnabled()[2]);
    EXPECT_FALSE(m->ChannelEnabled()[3]);   // 255
    EXPECT_EQ(m->ChannelPan()[0], 3 * 16);  // pans keep 16 steps per S3M step
    EXPECT_EQ(m->ChannelPan()[1], 12 * 16);
    EXPECT_EQ(m->SongLength(), 2);
    EXPECT_EQ(m->Orders()[0], 0);
    EXPECT_EQ(m->Orders()[1], 255);
}

TEST(S3mModuleTest, MonoCentresAndPanTableOverrides) {
    S3mBuilder b;
    b.masterVolume = 48;  // mono
    b.panTable = true;
    b.pans.fill(0x20 | 2);
    EXPECT_EQ(Parsed(b.Build())->ChannelPan()[1], kPanCentre);
    b.masterVolume = 0x80 | 48;
    b.pans[0] = 0x20 | 14;
    b.pans[1] = 0x05;  // bit 5 clear: the default stays
    Handle<S3mModule> m = Parsed(b.Build());
    EXPECT_EQ(m->ChannelPan()[0], 14 * 16);
    EXPECT_EQ(m->ChannelPan()[1], 12 * 16);
    EXPECT_EQ(m->ChannelPan()[2], 2 * 16);
}

TEST(S3mModuleTest, ZeroSpeedAndTempoKeepTheDefaults) {
    S3mBuilder b;
    b.speed = 0;
    b.tempo = 0;
    Handle<S3mModule> m = Parsed(b.Build());
    EXPECT_EQ(m->InitialSpeed(), 6);
    EXPECT_EQ(m->InitialTempo(), 125);
}

TEST(S3mModuleTest, InstrumentsWithLoopsSixteenBitAndMissingData) {
    S3mBuilder b;
    S3mInstrument looped;
    looped.data = {10, 20, 30, 40, 50, 60, 70, 80};
    looped.loop = true;
    looped.loopBegin = 2;
    looped.loopEnd = 100;  // clamped to the data
    looped.c2Speed = 22050;
    looped.volume = 40;
    S3mInstrument wide;
    wide.sixteenBit = true;
    wide.data = {0x00, 0x80, 0xFF, 0xFF, 0x34, 0x12};
    S3mInstrument empty;
    empty.noData = true;
    empty.volume = 99;
    S3mInstrument adlib;
    adlib.type = 2;
    adlib.data = {1, 2, 3};
    b.instruments = {looped, wide, empty, adlib};
    Handle<S3mModule> m = Parsed(b.Build());
    const SampleSlot& a = m->Samples()[0];
    ASSERT_NE(a.data, nullptr);
    EXPECT_EQ(a.length, 8u);
    EXPECT_EQ(a.loopStart, 2u);
    EXPECT_EQ(a.loopLength, 6u);
    EXPECT_EQ(a.c2Speed, 22050u);
    EXPECT_EQ(a.volume, 40);
    EXPECT_EQ(a.data[0], 10);  // unsigned data stays as stored
    const SampleSlot& w = m->Samples()[1];
    EXPECT_TRUE(w.sixteenBit);
    EXPECT_EQ(w.length, 6u);
    EXPECT_EQ(w.data[1], 0x80);
    const SampleSlot& e = m->Samples()[2];
    EXPECT_TRUE(e.present);
    EXPECT_EQ(e.data, nullptr);
    EXPECT_EQ(e.volume, 63);
    EXPECT_TRUE(m->Samples()[3].present);
    EXPECT_EQ(m->Samples()[3].data, nullptr);
    EXPECT_FALSE(m->Samples()[4].present);
}

TEST(S3mModuleTest, SignedFileFormatIsConverted) {
    S3mBuilder b;
    b.fileFormat = 1;
    S3mInstrument s;
    s.data = {0x00, 0x7F, 0x80, 0xFF};
    b.instruments = {s};
    Handle<S3mModule> m = Parsed(b.Build());
    const SampleSlot& a = m->Samples()[0];
    EXPECT_EQ(a.data[0], 0x80);
    EXPECT_EQ(a.data[1], 0xFF);
    EXPECT_EQ(a.data[2], 0x00);
    EXPECT_EQ(a.data[3], 0x7F);
}

TEST(S3mModuleTest, AdpcmSamplesAreExpanded) {
    // The delta table maps each nibble to itself as a signed 4-bit number;
    // nibbles 1, 2, 3, F (low first) give 1, 3, 6, 5.
    S3mBuilder b;
    S3mInstrument s;
    for (int n = 0; n < 16; ++n)
        s.data.push_back(static_cast<uint8_t>(n < 8 ? n : n - 16));
    s.data.insert(s.data.end(), {0x21, 0xF3});
    s.packing = 4;
    s.length = 4;
    S3mInstrument cut = s;
    cut.length = 100;  // more than the file holds
    b.instruments = {s, cut};
    Handle<S3mModule> m = Parsed(b.Build());
    const SampleSlot& a = m->Samples()[0];
    ASSERT_EQ(a.length, 4u);
    const uint8_t expected[] = {0x81, 0x83, 0x86, 0x85};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(a.data[i], expected[i]) << i;
    // The second sample's two bytes of nibbles end the file: it stops there.
    EXPECT_EQ(m->Samples()[1].length, 4u);
}

TEST(S3mModuleTest, PointersOutsideTheFileAreAbsent) {
    S3mBuilder b;
    S3mInstrument s;
    s.data = {1, 2, 3, 4};
    b.instruments = {s, s};
    b.patterns = {{}, {}};
    std::vector<uint8_t> file = b.Build();
    const size_t instrumentPointers = 0x60 + b.orders.size();
    test::PutU16(file, instrumentPointers + 2, 0xFFFF);      // header beyond the file
    test::PutU16(file, instrumentPointers + 4 + 2, 0xFFF0);  // pattern 1 beyond the file
    Handle<S3mModule> m = Parsed(file);
    EXPECT_TRUE(m->Samples()[0].present);
    EXPECT_FALSE(m->Samples()[1].present);
    EXPECT_TRUE(m->PatternStart(0).HasData());
    EXPECT_FALSE(m->PatternStart(1).HasData());
}

TEST(S3mModuleTest, SampleDataPointerPastTheEndIsAbsent) {
    S3mBuilder b;
    S3mInstrument s;
    s.data = {1, 2, 3, 4};
    b.instruments = {s};
    std::vector<uint8_t> file = b.Build();
    file.resize(file.size() - 4);  // the data itself is gone
    Handle<S3mModule> m = Parsed(file);
    const SampleSlot& a = m->Samples()[0];
    EXPECT_TRUE(a.present);
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.length, 0u);
}

TEST(S3mModuleTest, RowsUnpackAndSkipEvenWithZeroDataBytes) {
    S3mBuilder b;
    // Row 0 holds a note C-0 (byte 0), volume 0 and a parameter 0: bytes that
    // could be taken for row ends.
    b.patterns = {{
        TrackerEvent{0, 1, 0x00, 0, 0, 1, 0},
        TrackerEvent{1, 2, 0x45, 3, -1, 4, 0x0F},
        TrackerEvent{2, 31, 254, 0, 10, -1, 0},
    }};
    Handle<S3mModule> m = Parsed(b.Build());
    PatternCursor cursor = m->PatternStart(0);
    RowBuffer row;
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[1].note, 0x00);
    EXPECT_EQ(row[1].instrument, 255);  // instrument 0: none
    EXPECT_EQ(row[1].volume, 0);
    EXPECT_EQ(row[1].effect, 1);
    EXPECT_EQ(row[1].parameter, 0);
    PatternCursor skipped = m->PatternStart(0);
    m->SkipRows(skipped, 1);
    EXPECT_EQ(skipped.pos, cursor.pos);
    row.fill(RowCell{});
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[2].note, 0x45);
    EXPECT_EQ(row[2].instrument, 3);
    EXPECT_EQ(row[2].volume, 255);
    EXPECT_EQ(row[2].effect, 4);
    EXPECT_EQ(row[2].parameter, 0x0F);
    m->SkipRows(skipped, 1);
    EXPECT_EQ(skipped.pos, cursor.pos);
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[31].note, kNoteCut);
    EXPECT_EQ(row[31].volume, 10);
}

TEST(S3mModuleTest, TruncatedRowStopsAtTheEnd) {
    const uint8_t data[] = {0x80 | 0x20 | 1, 0x40};  // note, instrument and effect promised
    S3mModule m;
    PatternCursor cursor;
    cursor.pos = data;
    cursor.end = data + sizeof data;
    RowBuffer row;
    m.UnpackRow(row, cursor);
    EXPECT_EQ(cursor.pos, cursor.end);
    EXPECT_EQ(row[1].note, kNoNote);
}

}  // namespace
}  // namespace vimsa
