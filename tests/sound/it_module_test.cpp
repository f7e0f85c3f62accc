#include "sound/it_module.h"

#include <gtest/gtest.h>

#include "sound/it_sample_decoder.h"
#include "sound/play_state.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::BitWriter;
using test::ItBuilder;
using test::ItSample;
using test::TrackerEvent;

Handle<ItModule> Parsed(const std::vector<uint8_t>& file) {
    return test::Parsed<ItModule>(file);
}

// Deltas 5, -3 at width 9; to width 3 (wide form); +1, -1; to width 7 (narrow
// form); +10, -1; to width 2 (middle form); +1, -1.
BitWriter EightBitStream() {
    BitWriter w;
    w.Put(5, 9);
    w.Put(0x0FD, 9);
    w.Put(0x100 | 2, 9);  // new width 3
    w.Put(1, 3);
    w.Put(7, 3);
    w.Put(4, 3);  // announce a new width...
    w.Put(5, 3);  // ...5 + 1 = 6, not below 3: width 7
    w.Put(10, 7);
    w.Put(0x7F, 7);
    w.Put(59 + 2, 7);  // border 59: width 2
    w.Put(1, 2);
    w.Put(3, 2);
    return w;
}

TEST(ItSampleDecoderTest, EightBitWidthChangesOfAllThreeKinds) {
    const std::vector<uint8_t> in = EightBitStream().Block();
    std::vector<uint8_t> out;
    EXPECT_EQ(DecodeItSample(in.data(), in.size(), 8, false, false, out), 8u);
    const std::vector<uint8_t> expected = {5, 2, 3, 2, 12, 11, 12, 11};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(DecodeItSample(in.data(), in.size(), 8, false, true, out), 8u);
    const std::vector<uint8_t> twice = {5, 7, 10, 12, 24, 35, 47, 58};
    EXPECT_EQ(out, twice);
}

TEST(ItSampleDecoderTest, SixteenBitValuesAreLittleEndian) {
    BitWriter w;
    w.Put(1000, 17);
    w.Put(0x10000 | 4, 17);  // width 5
    w.Put(3, 5);
    w.Put(0x1F, 5);
    const std::vector<uint8_t> in = w.Block();
    std::vector<uint8_t> out;
    EXPECT_EQ(DecodeItSample(in.data(), in.size(), 3, true, false, out), 3u);
    const std::vector<uint8_t> expected = {0xE8, 0x03, 0xEB, 0x03, 0xEA, 0x03};
    EXPECT_EQ(out, expected);
}

TEST(ItSampleDecoderTest, DamagedStreamsEndTheSample) {
    std::vector<uint8_t> out;
    // An invalid width ends the sample after what was decoded.
    BitWriter w;
    w.Put(9, 9);
    w.Put(0x1FE, 9);  // width 255
    w.Put(9, 9);
    std::vector<uint8_t> in = w.Block();
    EXPECT_EQ(DecodeItSample(in.data(), in.size(), 3, false, false, out), 1u);
    EXPECT_EQ(out, (std::vector<uint8_t>{9}));
    // A block length beyond the input: what is there is decoded, then it ends.
    in = EightBitStream().Block();
    in[0] = 200;
    EXPECT_EQ(DecodeItSample(in.data(), in.size(), 100000, false, false, out), 8u);
    EXPECT_EQ(out[1], 2);
    // Empty blocks give nothing, however many samples are asked for.
    const std::vector<uint8_t> empty(64, 0);
    EXPECT_EQ(DecodeItSample(empty.data(), empty.size(), 1u << 20, true, false, out), 0u);
    EXPECT_TRUE(out.empty());
    // No room for a block header.
    EXPECT_EQ(DecodeItSample(in.data(), 1, 10, false, false, out), 0u);
}

TEST(ItModuleTest, HeaderAndChannelPans) {
    ItBuilder b;
    b.title = "Matthias";
    b.globalVolume = 100;
    b.mixVolume = 80;
    b.speed = 4;
    b.tempo = 140;
    b.pans.fill(128);
    b.pans[0] = 0;
    b.pans[1] = 32;
    b.pans[2] = 64;
    b.pans[3] = 100;  // surround
    b.pans[9] = 20;
    b.volumes[9] = 30;
    b.volumes[1] = 99;  // past 64
    b.flags = 0x01 | 0x08 | 0x10;
    Handle<ItModule> m = Parsed(b.Build());
    EXPECT_EQ(m->SongName(), "Matthias");
    EXPECT_EQ(m->GlobalVolume(), 100);  // IT's own scale, 0..128
    EXPECT_EQ(m->MixVolume(), 80);
    EXPECT_EQ(m->InitialSpeed(), 4);
    EXPECT_EQ(m->InitialTempo(), 140);
    EXPECT_TRUE(m->Stereo());
    EXPECT_EQ(m->ChannelCount(), 10);
    // IT pans keep 4 steps per IT step: 32 is the centre, 64 the right.
    EXPECT_EQ(m->ChannelPan()[0], 0);
    EXPECT_EQ(m->ChannelPan()[1], kPanCentre);
    EXPECT_EQ(m->ChannelPan()[2], kPanRight);
    EXPECT_EQ(m->ChannelPan()[3], kPanCentre);
    EXPECT_EQ(m->ChannelPan()[9], 80);
    EXPECT_FALSE(m->ChannelEnabled()[4]);
    EXPECT_TRUE(m->ChannelEnabled()[9]);
    EXPECT_EQ(m->ChannelVolume()[9], 30);
    EXPECT_EQ(m->ChannelVolume()[1], 64);
    EXPECT_EQ(m->DefaultExtension(), nullptr);
    EXPECT_EQ(m->Rules().pitch, PitchModel::Linear);
    EXPECT_TRUE(m->Rules().oldEffects);
    EXPECT_FALSE(m->Rules().instruments);
    b.flags = 0;  // mono, Amiga slides
    Handle<ItModule> mono = Parsed(b.Build());
    EXPECT_EQ(mono->ChannelPan()[0], kPanCentre);
    EXPECT_EQ(mono->Rules().pitch, PitchModel::Amiga);
}

TEST(ItModuleTest, SampleHeadersSixteenBitAndPingPong) {
    ItBuilder b;
    ItSample wide;
    wide.flags = 0x01 | 0x02 | 0x10 | 0x40;
    wide.data = {0x00, 0x00, 0xFF, 0x7F, 0x00, 0x80, 0x34, 0x12};
    wide.loopBegin = 1;
    wide.loopEnd = 4;
    wide.c5Speed = 44101;
    wide.volume = 64;
    wide.globalVolume = 40;
    wide.pan = 0x80 | 20;
    wide.flags |= 0x20 | 0x80;  // a ping-pong sustain loop too
    wide.sustainBegin = 2;
    wide.sustainEnd = 9;  // past the end: kept inside
    ItSample none;
    none.flags = 0;
    ItSample narrow;
    narrow.data = {0x00, 0x7F, 0x80};
    narrow.convert = 0;  // unsigned already
    b.samples = {wide, none, narrow};
    Handle<ItModule> m = Parsed(b.Build());
    const SampleSlot& w = m->Samples()[0];
    ASSERT_NE(w.data, nullptr);
    EXPECT_TRUE(w.sixteenBit);
    EXPECT_TRUE(w.pingPong);
    EXPECT_EQ(w.length, 8u);
    EXPECT_EQ(w.loopStart, 2u);
    EXPECT_EQ(w.loopLength, 6u);
    EXPECT_EQ(w.c5Speed, 44101u);
    EXPECT_EQ(w.c2Speed, 22050u);
    EXPECT_EQ(w.volume, 64);  // IT volumes reach 64
    EXPECT_EQ(w.globalVolume, 40);
    EXPECT_TRUE(w.hasPan);
    EXPECT_EQ(w.pan, 20);
    EXPECT_EQ(w.sustainStart, 4u);
    EXPECT_EQ(w.sustainLength, 4u);
    EXPECT_TRUE(w.sustainPingPong);
    const uint8_t unsignedData[] = {0x00, 0x80, 0xFF, 0xFF, 0x00, 0x00, 0x34, 0x92};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(w.data[i], unsignedData[i]) << i;
    EXPECT_TRUE(m->Samples()[1].present);
    EXPECT_EQ(m->Samples()[1].data, nullptr);
    EXPECT_EQ(m->Samples()[2].data[1], 0x7F);
}

TEST(ItModuleTest, InstrumentsNoteTablesAndEnvelopes) {
    ItBuilder b;
    b.flags = 0x01 | 0x04;
    b.samples = {ItSample{}, ItSample{}};
    test::ItInstrument split(1);
    for (int n = 60; n < 120; ++n)
        split.keyboard[n] = {static_cast<uint8_t>(n - 12),
                             2};     // upper half: sample 2, an octave down
    split.keyboard[0] = {200, 150};  // out of range: the note itself, no sample
    split.newNoteAction = 2;
    split.duplicateCheck = 1;
    split.duplicateAction = 2;
    split.fadeOut = 96;
    split.globalVolume = 100;
    split.defaultPan = 48;  // bit 7 clear: used
    split.volumeEnvelope = {0x07, {{64, 0}, {80, 10}, {20, 5}, {0, 30}}, 1, 2, 3, 9};
    split.panEnvelope = {0x01, {{-40, 0}, {10, 4}}};
    split.pitchEnvelope = {0x81, {{8, 0}}, 0, 0, 0, 0, 30};  // a filter envelope, 30 nodes claimed
    test::ItInstrument truncated;
    b.instruments = {split, truncated};
    std::vector<uint8_t> file = b.Build();
    test::PutU32(file, 0xC0 + b.orders.size() + 4, static_cast<uint32_t>(file.size() - 100));
    Handle<ItModule> m = Parsed(file);
    ASSERT_TRUE(m->Rules().instruments);
    EXPECT_EQ(m->SampleFor(1, 0x40), &m->Samples()[0]);
    EXPECT_EQ(m->PlayedNote(1, 0x40), 0x40);
    EXPECT_EQ(m->SampleFor(1, 0x53), &m->Samples()[1]);  // note 63
    EXPECT_EQ(m->PlayedNote(1, 0x53), 0x43);
    EXPECT_EQ(m->SampleFor(1, 0x00), nullptr);
    EXPECT_EQ(m->PlayedNote(1, 0x00), 0x00);
    EXPECT_EQ(m->InstrumentAt(2), nullptr);  // its header runs past the file
    EXPECT_EQ(m->SampleFor(2, 0x40), nullptr);
    const Instrument& i = *m->InstrumentAt(1);
    EXPECT_EQ(i.newNoteAction, NewNoteAction::Off);
    EXPECT_EQ(i.duplicateCheck, DuplicateCheck::Note);
    EXPECT_EQ(i.duplicateAction, DuplicateAction::Fade);
    EXPECT_EQ(i.fadeOut, 96);
    EXPECT_EQ(i.globalVolume, 100);
    EXPECT_TRUE(i.hasPan);
    EXPECT_EQ(i.pan, 48);
    // Values are held to their range, falling ticks raised, a sustain loop
    // ending past the last node dropped.
    const Envelope& v = i.volumeEnvelope;
    EXPECT_TRUE(v.enabled);
    EXPECT_EQ(v.count, 4);
    EXPECT_EQ(v.value[1], 64);
    EXPECT_EQ(v.tick[2], 10);
    EXPECT_TRUE(v.loop);
    EXPECT_EQ(v.loopEnd, 2);
    EXPECT_FALSE(v.sustain);
    EXPECT_EQ(i.panEnvelope.value[0], -32);
    EXPECT_FALSE(i.pitchEnvelope.enabled);  // a filter envelope bends no pitch
    EXPECT_TRUE(i.pitchEnvelopeIsFilter);
    EXPECT_EQ(i.pitchEnvelope.count, Envelope::kMaxNodes);
    // Sample mode ignores the instruments.
    b.flags = 0x01;
    Handle<ItModule> samples = Parsed(b.Build());
    EXPECT_EQ(samples->InstrumentAt(1), nullptr);
    EXPECT_EQ(samples->SampleFor(2, 0x53), &samples->Samples()[1]);
}

TEST(ItModuleTest, CompressedSamplesAreExpanded) {
    ItBuilder b;
    ItSample packed;
    packed.flags = 0x01 | 0x08;
    packed.data = EightBitStream().Block();
    packed.length = 8;
    b.samples = {packed};
    Handle<ItModule> m = Parsed(b.Build());
    const SampleSlot& s = m->Samples()[0];
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(s.length, 8u);
    const uint8_t expected[] = {0x85, 0x82, 0x83, 0x82, 0x8C, 0x8B, 0x8C, 0x8B};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(s.data[i], expected[i]) << i;
}

TEST(ItModuleTest, HeadersAndDataOutsideTheFile) {
    ItBuilder b;
    ItSample s;
    s.data = {1, 2, 3, 4};
    s.length = 1000;  // more than the file holds
    s.loopBegin = 2;
    s.loopEnd = 900;
    s.flags = 0x11;
    ItSample second;
    second.flags = 0;
    b.samples = {s, second};
    std::vector<uint8_t> file = b.Build();
    test::PutU32(file, 0xC0 + b.orders.size() + 4, 0x7FFFFFF0);  // second header
    Handle<ItModule> m = Parsed(file);
    const SampleSlot& a = m->Samples()[0];
    EXPECT_EQ(a.length, 4u);
    EXPECT_EQ(a.loopStart, 2u);
    EXPECT_EQ(a.loopLength, 2u);
    EXPECT_FALSE(m->Samples()[1].present);
}

TEST(ItModuleTest, NotesConvertToOctaveAndSemitone) {
    EXPECT_EQ(ItModule::ConvertNote(0), 0x00);
    EXPECT_EQ(ItModule::ConvertNote(60), 0x50);
    EXPECT_EQ(ItModule::ConvertNote(119), 0x9B);
    EXPECT_EQ(ItModule::ConvertNote(254), kNoteCut);
    EXPECT_EQ(ItModule::ConvertNote(255), kNoteOff);
    EXPECT_EQ(ItModule::ConvertNote(120), kNoteFade);
    EXPECT_EQ(ItModule::ConvertNote(246), kNoteFade);
}

TEST(ItModuleTest, PatternOffsetZeroIsEmpty) {
    ItBuilder b;
    b.patterns = {{}, ItBuilder::PackPattern({TrackerEvent{0, 0, 60, 1, -1, -1, 0}})};
    Handle<ItModule> m = Parsed(b.Build());
    EXPECT_EQ(m->PatternCount(), 2);
    EXPECT_FALSE(m->PatternStart(0).HasData());
    EXPECT_TRUE(m->PatternStart(1).HasData());
}

TEST(ItModuleTest, MasksAndRepeatBits) {
    const uint8_t data[] = {
        // row 0: channel 1 (marker 2) with a new mask: note, instrument, volume, effect
        0x82,
        0x0F,
        60,
        3,
        40,
        7,
        0x20,
        // channel 5: volume 200 (a pan command)
        0x86,
        0x04,
        200,
        0,
        // row 1: channel 1 reuses its mask (marker without bit 7)
        0x02,
        61,
        4,
        50,
        8,
        0x30,
        0,
        // row 2: channel 1 repeats last note, instrument, volume, effect
        0x82,
        0xF0,
        0,
        // row 3: channel 5 sets volume 70 then channel 0 a note cut
        0x86,
        0x04,
        70,
        0x81,
        0x01,
        254,
        0,
    };
    ItModule m;
    PatternCursor cursor;
    cursor.pos = data;
    cursor.end = data + sizeof data;
    RowBuffer row;
    m.UnpackRow(row, cursor);
    EXPECT_EQ(row[1].note, 0x50);
    EXPECT_EQ(row[1].instrument, 3);
    EXPECT_EQ(row[1].volume, 40);
    EXPECT_EQ(row[1].effect, 7);
    EXPECT_EQ(row[1].parameter, 0x20);
    EXPECT_EQ(row[5].volume, 255);  // remembered, not placed
    row.fill(RowCell{});
    m.UnpackRow(row, cursor);
    EXPECT_EQ(row[1].note, 0x51);
    EXPECT_EQ(row[1].instrument, 4);
    EXPECT_EQ(row[1].volume, 50);
    EXPECT_EQ(row[1].effect, 8);
    EXPECT_EQ(row[1].parameter, 0x30);
    row.fill(RowCell{});
    m.UnpackRow(row, cursor);
    EXPECT_EQ(row[1].note, 0x51);
    EXPECT_EQ(row[1].instrument, 4);
    EXPECT_EQ(row[1].volume, 50);
    EXPECT_EQ(row[1].effect, 8);
    row.fill(RowCell{});
    m.UnpackRow(row, cursor);
    EXPECT_EQ(row[5].volume, 255);
    EXPECT_EQ(row[0].note, kNoteCut);
    EXPECT_EQ(cursor.pos, cursor.end);
    // A fresh cursor has no memory of the channels.
    PatternCursor again;
    again.pos = data + 18;  // row 2 would need channel 1's last values
    again.end = data + sizeof data;
    row.fill(RowCell{});
    m.UnpackRow(row, again);
    EXPECT_EQ(row[1].note, kNoNote);
}

TEST(ItModuleTest, SkipRowsFollowsMasks) {
    ItBuilder b;
    b.patterns = {ItBuilder::PackPattern({TrackerEvent{0, 0, 0, 1, 0, 1, 0},
                                          TrackerEvent{1, 0, 12, 1, -1, -1, 0},
                                          TrackerEvent{2, 2, 24, 2, -1, -1, 0}})};
    Handle<ItModule> m = Parsed(b.Build());
    PatternCursor cursor = m->PatternStart(0);
    m->SkipRows(cursor, 2);
    RowBuffer row;
    m->UnpackRow(row, cursor);
    EXPECT_EQ(row[2].note, 0x20);
    EXPECT_EQ(row[0].note, kNoNote);
}

TEST(ItModuleTest, TruncatedRowsStopAtTheEnd) {
    const uint8_t data[] = {0x81, 0x0F, 60};
    ItModule m;
    PatternCursor cursor;
    cursor.pos = data;
    cursor.end = data + sizeof data;
    RowBuffer row;
    m.UnpackRow(row, cursor);
    EXPECT_EQ(cursor.pos, cursor.end);
    const uint8_t marker[] = {0x81};
    cursor.pos = marker;
    cursor.end = marker + 1;
    m.UnpackRow(row, cursor);
    EXPECT_EQ(cursor.pos, cursor.end);
}

}  // namespace
}  // namespace vimsa
