// Writes the seed modules of the module fuzz targets into FOLDER/mod,
// FOLDER/s3m and FOLDER/it:
//
//   make_module_seeds fuzz/corpus
//
// Each seed is a small song that parses and plays, with every effect, each
// kind of sample and each kind of order entry in it, so that mutations start
// from inputs that reach the effect engine and the mixer rather than the
// signature checks. The songs are built with the tests' module builder.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/sound/module_builder.h"

namespace vimsa::test {
namespace {

using Bytes = std::vector<uint8_t>;

struct EffectCell {
    int effect;
    int parameter;
};

// Every effect of the shared engine with a typical parameter, its memory form
// (parameter 0) and the fine forms; S commands of every kind. Pattern break and position jump come last
// in a pattern, where they are written by hand.
const std::vector<EffectCell> kEffects = {
    {1, 3},     {4, 0x0F},  {4, 0xF2},  {4, 0x20},  {4, 0},     {5, 0x08},  {5, 0xE4},  {5, 0xF2},
    {6, 0x08},  {6, 0xE4},  {6, 0},     {7, 0x10},  {8, 0x46},  {8, 0},     {10, 0x37}, {10, 0},
    {11, 0x0F}, {12, 0xF0}, {15, 0x02}, {17, 0x83}, {17, 0},    {18, 0x46}, {19, 0x8C}, {19, 0xC2},
    {19, 0x30}, {20, 0x90}, {21, 0x44}, {22, 0x30}, {26, 0x07}, {14, 0x00}, {9, 0x11},
    {19, 0x11}, {19, 0x24}, {19, 0x32}, {19, 0x43}, {19, 0x62}, {19, 0xA1}, {19, 0xB0},
    {19, 0xB2}, {19, 0xD1}, {19, 0xE1}, {24, 0x40},
};

// MOD commands for the same ground: every ProTracker command, the E commands
// the engine knows and those it ignores.
const std::vector<EffectCell> kModCommands = {
    {0x0, 0x37}, {0x1, 0x04}, {0x2, 0x04}, {0x3, 0x08}, {0x4, 0x46}, {0x5, 0x02},
    {0x6, 0x20}, {0x7, 0x34}, {0x8, 0x40}, {0x9, 0x01}, {0xA, 0x0F}, {0xA, 0xF0},
    {0xC, 0x20}, {0xE, 0x12}, {0xE, 0x22}, {0xE, 0x84}, {0xE, 0x93}, {0xE, 0xA2},
    {0xE, 0xB2}, {0xE, 0xC3}, {0xE, 0x50}, {0xF, 0x03}, {0xF, 0x80}, {0xE, 0x31},
    {0xE, 0x42}, {0xE, 0x72}, {0xE, 0x61}, {0xE, 0xD2}, {0xE, 0xE1}, {0xE, 0x01},
};

std::vector<int8_t> SignedRamp(int n, int step) {
    std::vector<int8_t> data;
    for (int i = 0; i < n; ++i)
        data.push_back(static_cast<int8_t>(i * step));
    return data;
}

Bytes UnsignedRamp(int n, int step) {
    Bytes data;
    for (int i = 0; i < n; ++i)
        data.push_back(static_cast<uint8_t>(128 + i * step));
    return data;
}

// Two patterns of four channels: notes and every command in pattern 0, a
// break into pattern 1, whose jump leads past a repeated order entry.
Bytes ModEffects() {
    ModBuilder b;
    b.orders = {0, 1, 0, 1};
    ModSample looped{SignedRamp(64, 4), 3, 48, 8, 16, -1};
    ModSample oneShot{SignedRamp(32, -8), 9, 70, 0, 1, -1};
    b.samples = {looped, oneShot};
    const uint16_t periods[] = {856, 428, 214, 113};
    for (size_t i = 0; i < kModCommands.size(); ++i) {
        ModCell& c = b.Cell(0, static_cast<int>(i), static_cast<int>(i % 4));
        c.period = periods[i % 4];
        c.instrument = static_cast<uint8_t>(1 + i % 2);
        c.command = static_cast<uint8_t>(kModCommands[i].effect);
        c.parameter = static_cast<uint8_t>(kModCommands[i].parameter);
    }
    b.Cell(0, 30, 0) = ModCell{0, 0, 0xD, 0x16};  // break to row 16
    b.Cell(1, 16, 1) = ModCell{428, 2, 0, 0};
    b.Cell(1, 20, 2) = ModCell{0, 0, 0xB, 0x03};  // forward past order 2
    return b.Build();
}

// Eight channels under an "8CHN" signature, one note in each.
Bytes ModEightChannels() {
    ModBuilder b;
    b.signature = "8CHN";
    b.channels = 8;
    b.samples = {ModSample{SignedRamp(16, 16), 0, 64, 0, 8, -1}};
    for (int c = 0; c < 8; ++c)
        b.Cell(0, c * 2, c) = ModCell{static_cast<uint16_t>(214 + 40 * c), 1, 0, 0};
    return b.Build();
}

// Effects spread over four channels, one per row, with notes on every other row.
std::vector<TrackerEvent> EffectRows(int instruments, int firstNote) {
    std::vector<TrackerEvent> events;
    for (size_t i = 0; i < kEffects.size(); ++i) {
        const int row = static_cast<int>(i);
        const bool note = i % 2 == 0;
        events.push_back(TrackerEvent{row, row % 4, note ? firstNote + row % 12 : -1,
                                      note ? 1 + row % instruments : 0, row % 3 ? -1 : 40,
                                      kEffects[i].effect, kEffects[i].parameter});
    }
    return events;
}

// Three instruments (8-bit looped, 16-bit, header only), a pan table, a skip
// entry in the orders, every effect, a note cut, tone portamento onto a note,
// a pattern break and a backward jump.
Bytes S3mEffects() {
    S3mBuilder b;
    b.speed = 3;
    b.orders = {0, 254, 1, 255};
    S3mInstrument looped;
    looped.data = UnsignedRamp(200, 3);
    looped.loop = true;
    looped.loopBegin = 50;
    looped.loopEnd = 200;
    looped.volume = 48;
    S3mInstrument wide;
    wide.sixteenBit = true;
    for (int i = 0; i < 100; ++i)
        wide.data.insert(wide.data.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i * 2)});
    wide.volume = 99;
    wide.c2Speed = 22050;
    S3mInstrument empty;
    empty.noData = true;
    b.instruments = {looped, wide, empty};
    b.panTable = true;
    for (int c = 0; c < 32; ++c)
        b.pans[c] = static_cast<uint8_t>(0x20 | (c * 5) % 16);
    std::vector<TrackerEvent> first = EffectRows(3, 0x40);
    first.push_back(TrackerEvent{40, 0, 0x50, 1, -1, 3, 0x08});  // break to row 8
    const std::vector<TrackerEvent> second = {
        TrackerEvent{8, 0, 0x30, 2, -1, -1, 0},     TrackerEvent{9, 0, 0x37, 2, -1, 7, 0x20},
        TrackerEvent{10, 1, 0x42, 1, 20, 12, 0x04}, TrackerEvent{11, 0, 254, 0, -1, -1, 0},
        TrackerEvent{12, 2, 0x44, 3, -1, -1, 0},    TrackerEvent{13, 1, -1, 0, -1, 2, 0x00},
    };
    b.patterns = {first, second};
    return b.Build();
}

// Signed samples (file format 1), mono output, channels on both sides.
Bytes S3mSignedMono() {
    S3mBuilder b;
    b.fileFormat = 1;
    b.masterVolume = 0x30;
    for (int c = 0; c < 8; ++c)
        b.channels[c] = static_cast<uint8_t>(c < 4 ? c : 8 + c);
    S3mInstrument s;
    for (int i = 0; i < 64; ++i)
        s.data.push_back(static_cast<uint8_t>(i * 4 - 128));
    b.instruments = {s};
    std::vector<TrackerEvent> events;
    for (int c = 0; c < 8; ++c)
        events.push_back(TrackerEvent{c, c, 0x40 + c, 1, 10 + c * 6, -1, 0});
    b.patterns = {events};
    return b.Build();
}

// 64 deltas of one at the full width of 8-bit samples.
Bytes CompressedRamp8() {
    BitWriter w;
    for (int i = 0; i < 64; ++i)
        w.Put(1, 9);
    return w.Block();
}

// 16-bit samples: a few full-width deltas, then a switch to width 5.
Bytes CompressedWave16() {
    BitWriter w;
    w.Put(1000, 17);
    w.Put(0xFC18, 17);       // -1000
    w.Put(0x10000 | 4, 17);  // width 5
    for (int i = 0; i < 16; ++i)
        w.Put(i % 2 ? 3 : 0x1D, 5);
    return w.Block();
}

// A pattern packed by hand to use what the builder never writes: masks reused
// from earlier rows, the "repeat last value" bits and a remembered volume.
Bytes ItRepeatPattern() {
    return {
        0x81, 0x0F, 60,   1,    32,   8,    0x44, 0x00,  // row 0: channel 0, everything new
        0x81, 0xF0, 0x00,                                // row 1: channel 0 repeats it all
        0x01, 0x00,                                      // row 2: the same mask again
        0x82, 0x07, 62,   2,    200,  0x00,              // row 3: a volume only remembered
        0x82, 0x01, 254,  0x00,                          // row 4: note cut
        0x83, 0x03, 121,  3,    0x00,                    // row 5: note above the range
    };
}

// Samples of every kind (8-bit looped, 16-bit ping-pong, none, compressed
// 8-bit, compressed 16-bit in the 2.15 form), every effect, a pattern of
// repeated masks and an empty pattern (offset 0).
Bytes ItEffects() {
    ItBuilder b;
    b.speed = 2;
    b.orders = {0, 254, 1, 2, 255};
    ItSample looped;
    const std::vector<int8_t> ramp = SignedRamp(120, 2);
    looped.data.assign(ramp.begin(), ramp.end());
    looped.flags = 0x01 | 0x10;
    looped.loopBegin = 20;
    looped.loopEnd = 120;
    ItSample pingPong;
    for (int i = 0; i < 80; ++i)
        pingPong.data.insert(pingPong.data.end(), {static_cast<uint8_t>(i * 3), 0x20});
    pingPong.flags = 0x01 | 0x02 | 0x10 | 0x40;
    pingPong.loopBegin = 10;
    pingPong.loopEnd = 70;
    ItSample none;
    none.flags = 0;
    ItSample packed8;
    packed8.flags = 0x01 | 0x08;
    packed8.data = CompressedRamp8();
    packed8.length = 64;
    ItSample packed16;
    packed16.flags = 0x01 | 0x02 | 0x08;
    packed16.convert = 0x01 | 0x04;
    packed16.data = CompressedWave16();
    packed16.length = 18;
    b.samples = {looped, pingPong, none, packed8, packed16};
    std::vector<TrackerEvent> first = EffectRows(5, 48);
    first.push_back(TrackerEvent{40, 1, -1, 0, -1, 3, 0x02});  // break to row 2
    b.patterns = {ItBuilder::PackPattern(first), ItRepeatPattern(), {}};
    return b.Build();
}

// Mono, one compressed sample, one note.
Bytes ItMonoCompressed() {
    ItBuilder b;
    b.flags = 0;
    ItSample packed;
    packed.flags = 0x01 | 0x08 | 0x10;
    packed.data = CompressedRamp8();
    packed.length = 64;
    packed.loopBegin = 0;
    packed.loopEnd = 64;
    b.samples = {packed};
    b.patterns = {ItBuilder::PackPattern({TrackerEvent{0, 0, 60, 1, -1, -1, 0}})};
    return b.Build();
}

// IT's own commands in the effect column (M, N, P, W, T slides, X, S7x, S91)
// and every kind of volume column command.
std::vector<TrackerEvent> ImpulseRows() {
    const std::vector<EffectCell> effects = {
        {13, 0x20}, {14, 0x02}, {14, 0x20}, {14, 0xF1}, {16, 0x04}, {16, 0x40}, {16, 0},
        {23, 0x01}, {23, 0x10}, {20, 0x03}, {20, 0x12}, {24, 0xC0}, {19, 0x91}, {19, 0x71},
        {19, 0x74}, {19, 0x77}, {19, 0x78}, {19, 0x00}, {22, 0x80}, {25, 0x44}, {26, 0x10},
    };
    const int columns[] = {40, 67, 78, 88, 98, 107, 117, 160, 195, 205, 193, 203};
    std::vector<TrackerEvent> events;
    for (size_t i = 0; i < effects.size(); ++i) {
        const int row = static_cast<int>(i);
        events.push_back(TrackerEvent{row, row % 4, row % 3 ? -1 : 48 + row % 24, 1 + row % 2,
                                      columns[i % 12], effects[i].effect, effects[i].parameter});
    }
    return events;
}

// Notes that end and restart: note off, note fade, note cut, and notes on
// one channel that the new note actions push into the background.
std::vector<TrackerEvent> NoteActionRows() {
    std::vector<TrackerEvent> events;
    const int notes[] = {60, 64, 255, 67, 246, 72, 254, 60, 60, 79};
    for (int row = 0; row < 10; ++row)
        events.push_back(TrackerEvent{row, 0, notes[row], notes[row] < 120 ? 1 + row % 2 : 0,
                                      -1, row == 8 ? 19 : -1, row == 8 ? 0x70 : 0});
    events.push_back(TrackerEvent{11, 1, 62, 2, -1, 19, 0xD2});  // a note delay
    events.push_back(TrackerEvent{12, 1, 255, 0, -1, -1, 0});
    return events;
}

// Instrument mode with linear slides: two instruments (one with volume, pan
// and pitch envelopes with loops and sustain loops and new note action
// "note off", one fading with a duplicate check), samples with sustain
// loops and their own vibrato, a 48-row pattern and a 100-row one.
Bytes ItInstruments(uint16_t compatible) {
    ItBuilder b;
    b.flags = 0x01 | 0x04 | 0x08;
    b.compatible = compatible;
    b.speed = 3;
    b.orders = {0, 1, 2, 255};
    ItSample sustained;
    const std::vector<int8_t> ramp = SignedRamp(200, 3);
    sustained.data.assign(ramp.begin(), ramp.end());
    sustained.flags = 0x01 | 0x10 | 0x20 | 0x80;
    sustained.loopBegin = 0;
    sustained.loopEnd = 200;
    sustained.sustainBegin = 50;
    sustained.sustainEnd = 90;
    sustained.globalVolume = 48;
    sustained.pan = 0x80 | 10;
    sustained.vibratoSpeed = 8;
    sustained.vibratoDepth = 20;
    sustained.vibratoRate = 64;
    ItSample plain;
    plain.data.assign(ramp.rbegin(), ramp.rend());
    plain.c5Speed = 22050;
    b.samples = {sustained, plain};
    ItInstrument enveloped(1);
    for (int n = 60; n < 120; ++n)
        enveloped.keyboard[n] = {static_cast<uint8_t>(n - 12), 2};
    enveloped.newNoteAction = 2;
    enveloped.fadeOut = 128;
    enveloped.globalVolume = 100;
    enveloped.defaultPan = 40;
    enveloped.pitchPanSeparation = 4;
    enveloped.volumeEnvelope = {0x07, {{0, 0}, {64, 3}, {40, 8}, {40, 12}, {0, 20}}, 2, 3, 1, 2};
    enveloped.panEnvelope = {0x03, {{-32, 0}, {32, 6}, {0, 9}}, 0, 2};
    enveloped.pitchEnvelope = {0x05, {{0, 0}, {12, 4}, {-8, 10}}, 0, 0, 1, 2};
    ItInstrument fading(2);
    fading.newNoteAction = 3;
    fading.duplicateCheck = 1;
    fading.duplicateAction = 2;
    fading.fadeOut = 512;
    fading.filterCutoff = 0x80 | 60;
    fading.pitchEnvelope = {0x81, {{10, 0}, {-10, 5}}};
    b.instruments = {enveloped, fading};
    b.patterns = {ItBuilder::PackPattern(ImpulseRows(), 48),
                  ItBuilder::PackPattern(NoteActionRows(), 100),
                  ItBuilder::PackPattern(EffectRows(2, 48), 64)};
    b.rows = {48, 100, 64};
    return b.Build();
}

// An 8-bit ADPCM sample.
Bytes S3mAdpcm() {
    S3mBuilder b;
    S3mInstrument packed;
    for (int n = 0; n < 16; ++n)
        packed.data.push_back(static_cast<uint8_t>(n < 8 ? 3 * n : 3 * (n - 16)));
    for (int i = 0; i < 32; ++i)
        packed.data.push_back(static_cast<uint8_t>(i * 37));
    packed.packing = 4;
    packed.length = 64;
    packed.loop = true;
    packed.loopEnd = 64;
    b.instruments = {packed};
    b.patterns = {{TrackerEvent{0, 0, 0x40, 1, -1, -1, 0}, TrackerEvent{4, 1, 0x47, 1, -1, 24, 0x60}}};
    return b.Build();
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) std::fprintf(stderr, "make_module_seeds: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace
}  // namespace vimsa::test

int main(int argc, char** argv) {
    using vimsa::test::Bytes;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_module_seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const struct {
        const char* name;
        Bytes bytes;
    } seeds[] = {
        {"mod/effects.mod", vimsa::test::ModEffects()},
        {"mod/eight_channels.mod", vimsa::test::ModEightChannels()},
        {"s3m/effects.s3m", vimsa::test::S3mEffects()},
        {"s3m/signed_mono.s3m", vimsa::test::S3mSignedMono()},
        {"s3m/adpcm.s3m", vimsa::test::S3mAdpcm()},
        {"it/effects.it", vimsa::test::ItEffects()},
        {"it/mono_compressed.it", vimsa::test::ItMonoCompressed()},
        {"it/instruments.it", vimsa::test::ItInstruments(0x0214)},
        {"it/old_instruments.it", vimsa::test::ItInstruments(0x0100)},
    };
    bool ok = true;
    for (const auto& seed : seeds) {
        const std::filesystem::path path = folder / seed.name;
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        ok = vimsa::test::Write(path, seed.bytes) && ok;
    }
    return ok ? 0 : 1;
}
