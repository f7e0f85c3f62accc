// Playing Impulse Tracker songs: what the IT rules change in the shared
// effect engine, on songs built in the tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sound/it_module.h"
#include "sound/module_mixer.h"
#include "sound/play_state.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::ItBuilder;
using test::ItEnvelope;
using test::ItInstrument;
using test::ItSample;
using test::TrackerEvent;

constexpr uint32_t kRate = 44100;

// A looped 8-bit sample of 1000 samples.
ItSample LoopedSample() {
    ItSample s;
    s.data.assign(1000, 0x40);
    s.flags = 0x01 | 0x10;
    s.loopBegin = 0;
    s.loopEnd = 1000;
    return s;
}

TrackerEvent Note(int row, int note, int instrument = 1, int effect = -1, int parameter = 0) {
    return TrackerEvent{row, 0, note, instrument, -1, effect, parameter};
}

// Frequency a step plays at, in Hz of the output rate.
double Hertz(Step step) {
    return (step.integer + step.fraction / 4294967296.0) * kRate;
}

// Full IT volume on the mixer's scale is the envelope's value (x 256): note,
// sample, instrument, channel and global volumes and the fade all at their top.
int32_t EnvelopeOf(const Voice& v) {
    return v.data ? v.mixVolume / kMixVolumeStep : -1;
}

// A song of an IT module built for the test, played from its first order.
struct ItSong {
    Handle<ItModule> module;
    PlayState* state = nullptr;

    explicit ItSong(const ItBuilder& b) {
        module = test::Parsed<ItModule>(b.Build());
        EXPECT_EQ(module->StartSong(0, 0, true, false, false, &state), RESULT_OK);
    }

    // Runs n ticks that must all succeed.
    void Play(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(state->Tick(kRate), RESULT_OK) << "tick " << i + 1 << " of " << n;
    }
    // Ticks until the song ends; the number of ticks it played.
    int PlayToEnd() {
        int ticks = 0;
        while (ticks < 100000 && Succeeded(state->Tick(kRate)))
            ++ticks;
        return ticks;
    }
    Voice& V(int channel = 0) { return state->voices[channel]; }
};

TEST(ItPlayTest, PatternsKeepTheirStoredRowCounts) {
    // A 48-row and a 96-row pattern, each with a note on its last row; the
    // first breaks into the second at row 0x10 (IT counts in hexadecimal).
    ItBuilder b;
    b.samples = {LoopedSample()};
    b.orders = {0, 1, 2, 255};
    b.patterns = {ItBuilder::PackPattern({Note(47, 60)}, 48),
                  ItBuilder::PackPattern({Note(95, 72)}, 96),
                  ItBuilder::PackPattern({Note(10, 48, 1, 3, 0x10)}, 96)};
    b.rows = {48, 96, 96};
    ItSong song(b);
    song.Play(47 * 6 + 1);
    EXPECT_EQ(song.state->pattern, 0);
    EXPECT_EQ(song.V().note, 0x50);  // the last row of the 48
    song.Play(6 + 95 * 6);
    EXPECT_EQ(song.state->pattern, 1);
    EXPECT_EQ(song.V().note, 0x60);  // the last row of the 96
    // Pattern 2 breaks on row 10 into nothing: the song ends there.
    EXPECT_EQ(song.PlayToEnd(), 5 + 11 * 6);

    ItBuilder breaks = b;
    breaks.orders = {2, 1, 255};
    ItSong broken(breaks);
    broken.Play(11 * 6 + 1);
    EXPECT_EQ(broken.state->pattern, 1);
    EXPECT_EQ(broken.state->row, 0x10 + 1);
    EXPECT_EQ(broken.PlayToEnd(), 5 + (96 - 0x10 - 1) * 6);
}

TEST(ItPlayTest, InstrumentNoteTablePicksSampleAndNote) {
    // Notes below C-5 play sample 1 (C-5 at 8000 Hz) as written; from C-5
    // up, sample 2 (C-5 at 22050 Hz) an octave lower.
    ItBuilder b;
    b.flags = 0x01 | 0x04;
    ItSample low = LoopedSample(), high = LoopedSample();
    low.c5Speed = 8000;
    high.c5Speed = 22050;
    b.samples = {low, high};
    ItInstrument split(1);
    for (int n = 60; n < 120; ++n)
        split.keyboard[n] = {static_cast<uint8_t>(n - 12), 2};
    b.instruments = {split};
    b.patterns = {ItBuilder::PackPattern({Note(0, 48), Note(1, 72), Note(2, 79)})};
    ItSong song(b);
    song.Play(1);  // C-4: sample 1, an octave below its C-5
    EXPECT_EQ(song.V().data, song.module->Samples()[0].data);
    EXPECT_NEAR(Hertz(song.V().step), 4000.0, 1e-3);
    song.Play(6);  // C-6: sample 2 at its C-5
    EXPECT_EQ(song.V().data, song.module->Samples()[1].data);
    EXPECT_NEAR(Hertz(song.V().step), 22050.0, 1e-3);
    song.Play(6);  // G-6: a fifth above, exactly (no period table)
    EXPECT_NEAR(Hertz(song.V().step), 22050.0 * std::exp2(7 / 12.0), 1e-3);
}

TEST(ItPlayTest, VolumeEnvelopeSustainsUntilNoteOff) {
    // 64 falling to 32 over 4 ticks, held by a sustain loop over ticks 4..6,
    // then after the note off down to 0 at tick 10, where the note ends. The
    // sample's own sustain loop gives way to its loop at the note off.
    ItBuilder b;
    b.flags = 0x01 | 0x04;
    ItSample s = LoopedSample();
    s.flags |= 0x20;
    s.sustainBegin = 100;
    s.sustainEnd = 200;
    b.samples = {s};
    ItInstrument i(1);
    i.volumeEnvelope = ItEnvelope{0x05, {{64, 0}, {32, 4}, {32, 6}, {0, 10}}, 0, 0, 1, 2};
    b.instruments = {i};
    b.patterns = {ItBuilder::PackPattern({Note(0, 60), Note(2, 255, 0)})};
    ItSong song(b);
    std::vector<int32_t> heard;
    for (int tick = 0; tick < 18; ++tick) {
        song.Play(1);
        heard.push_back(EnvelopeOf(song.V()));
        if (tick == 11) {
            EXPECT_EQ(song.V().loopStart, 100u);
        }
    }
    EXPECT_EQ(heard, (std::vector<int32_t>{64, 56, 48, 40, 32, 32, 32, 32, 32, 32, 32, 32,  //
                                           32, 24, 16, 8, -1, -1}));
    EXPECT_TRUE(song.V().keyOff);

    // Without a volume envelope a note off fades: 1024 less 256 each tick.
    ItBuilder fades = b;
    fades.instruments[0].volumeEnvelope = ItEnvelope{};
    fades.instruments[0].fadeOut = 256;
    ItSong faded(fades);
    heard.clear();
    for (int tick = 0; tick < 18; ++tick) {
        faded.Play(1);
        heard.push_back(EnvelopeOf(faded.V()));
        if (tick == 12) {
            EXPECT_EQ(faded.V().loopStart, 0u);
        }
    }
    EXPECT_EQ(heard, (std::vector<int32_t>{64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64,  //
                                           48, 32, 16, 0, 0, 0}));
}

TEST(ItPlayTest, NewNoteActionsAndDuplicateChecks) {
    const struct {
        const char* what;
        uint8_t action, check, duplicateAction;
        int secondNote;
        bool behind;    // the first note goes on in the background
        bool released;  // and has had a note off
    } cases[] = {
        {"cut", 0, 0, 0, 64, false, false},
        {"continue", 1, 0, 0, 64, true, false},
        {"note off", 2, 0, 0, 64, true, true},
        {"continue, same note cut as a duplicate", 1, 1, 0, 60, false, false},
        {"continue, other note no duplicate", 1, 1, 0, 64, true, false},
        {"continue, same note released as a duplicate", 1, 1, 1, 60, true, true},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.flags = 0x01 | 0x04;
        b.samples = {LoopedSample()};
        ItInstrument i(1);
        i.newNoteAction = c.action;
        i.duplicateCheck = c.check;
        i.duplicateAction = c.duplicateAction;
        b.instruments = {i};
        b.patterns = {ItBuilder::PackPattern({Note(0, 60), Note(1, c.secondNote)})};
        ItSong song(b);
        song.Play(7);
        const Voice& behind = song.state->background[0];
        EXPECT_EQ(behind.data != nullptr, c.behind) << c.what;
        EXPECT_EQ(behind.keyOff, c.released) << c.what;
        EXPECT_EQ(song.V().playedNote & 0x0F, c.secondNote % 12) << c.what;
        if (c.behind) {
            EXPECT_NEAR(Hertz(behind.step), 2 * 8363, 1e-3) << c.what;
        }
    }
    // S70 cuts what the channel left behind.
    ItBuilder b;
    b.flags = 0x01 | 0x04;
    b.samples = {LoopedSample()};
    ItInstrument i(1);
    i.newNoteAction = 1;
    b.instruments = {i};
    b.patterns = {ItBuilder::PackPattern({Note(0, 60), Note(1, 64), Note(2, -1, 0, 19, 0x70)})};
    ItSong song(b);
    song.Play(7);
    EXPECT_NE(song.state->background[0].data, nullptr);
    song.Play(6);
    EXPECT_EQ(song.state->background[0].data, nullptr);
    EXPECT_NE(song.V().data, nullptr);
}

TEST(ItPlayTest, ChannelVolumeMxxLeavesTheOtherChannelsAlone) {
    // The same note on a channel at the left and one at the right; M20 on
    // the left one halves what it adds to the mix, and only there.
    ItBuilder b;
    b.pans[0] = 0;
    b.pans[1] = 64;
    ItSample s = LoopedSample();
    s.data.assign(1000, 0x40);  // signed 64: 16384 at full volume
    b.samples = {s};
    b.patterns = {ItBuilder::PackPattern(
        {TrackerEvent{0, 0, 60, 1, -1, 13, 0x20}, TrackerEvent{0, 1, 60, 1, -1, -1, 0}})};
    Handle<ItModule> m = test::Parsed<ItModule>(b.Build());
    ModuleMixer mixer;
    mixer.SetModule(m.Get());
    ASSERT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), RESULT_OK);
    ASSERT_EQ(mixer.ClearBlock(), RESULT_OK);
    ASSERT_EQ(mixer.MixBlock(), RESULT_OK);
    int16_t out[2];
    std::memcpy(out, mixer.OutputBlock() + 400, sizeof out);
    EXPECT_EQ(out[0], 16384 / 2 / 4);
    EXPECT_EQ(out[1], 16384 / 4);
    EXPECT_EQ(mixer.SelectedState()->voices[0].channelVolume, 0x20);
    EXPECT_EQ(mixer.SelectedState()->voices[1].channelVolume, 64);
}

TEST(ItPlayTest, VolumeColumnCommands) {
    // Row 0: C-5 at volume 40 (period 856, Amiga slides); row 1: the column
    // command; row 2: nothing.
    // Where the mixer has taken the sample by the end of row 0; a note that
    // starts again goes back to 0.
    constexpr uint32_t kMixedTo = 600;
    const struct {
        const char* what;
        int command;
        int note;   // with the command; -1: none
        int ticks;  // played from the start, 7 or more
        int volume;
        double period;
        uint16_t pan;
        bool restarts;
    } cases[] = {
        {"fine volume up 5", 70, -1, 7, 45, 856, kPanCentre, false},
        {"volume slide down 2 a tick", 97, -1, 12, 30, 856, kPanCentre, false},
        {"pan 48", 176, -1, 7, 40, 856, 192, false},
        {"portamento at speed 4 to C-6", 195, 72, 9, 40, 856 - 2 * 16, kPanCentre, false},
        {"pitch slide down 1 (E04)", 106, -1, 9, 40, 856 + 2 * 16, kPanCentre, false},
        {"C-6 with a fine volume up starts anew", 70, 72, 7, 45, 428, kPanCentre, true},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.samples = {LoopedSample()};
        b.patterns = {ItBuilder::PackPattern({TrackerEvent{0, 0, 60, 1, 40, -1, 0},
                                              TrackerEvent{1, 0, c.note, 0, c.command, -1, 0}})};
        ItSong song(b);
        song.Play(6);
        song.V().position = kMixedTo;
        song.Play(c.ticks - 6);
        EXPECT_EQ(song.V().volume, c.volume) << c.what;
        EXPECT_DOUBLE_EQ(song.V().period, c.period) << c.what;
        EXPECT_EQ(song.V().pan, c.pan) << c.what;
        EXPECT_EQ(song.V().position, c.restarts ? 0u : kMixedTo) << c.what;
    }
    // Vibrato of depth 2 bends the step on its row and lets go after it.
    ItBuilder b;
    b.samples = {LoopedSample()};
    b.patterns = {ItBuilder::PackPattern(
        {TrackerEvent{0, 0, 60, 1, -1, 8, 0x80}, TrackerEvent{1, 0, -1, 0, 205, -1, 0}})};
    ItSong song(b);
    song.Play(6);
    const double plain = Hertz(song.V().step);
    song.Play(3);
    EXPECT_GT(std::abs(Hertz(song.V().step) - plain), 1.0);
    song.Play(4);
    EXPECT_DOUBLE_EQ(Hertz(song.V().step), plain);
}

TEST(ItPlayTest, LinearFineSlidesMoveBySixteenthsOfASemitone) {
    // EF1 lowers the pitch by 4/768 of an octave, EE1 by 1/768, FF2 raises
    // it by 8/768; with Amiga slides EF1 adds 4 to the period instead.
    const struct {
        uint16_t flags;
        int parameter;
        double ratio;
    } cases[] = {
        {0x01 | 0x08, 0xF1, std::exp2(-4 / 768.0)},
        {0x01 | 0x08, 0xE1, std::exp2(-1 / 768.0)},
        {0x01 | 0x08, 0xF2 + 0x100, std::exp2(8 / 768.0)},
        {0x01, 0xF1, 856.0 / (856.0 + 4)},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.flags = c.flags;
        b.samples = {LoopedSample()};  // C-5 at 16726 Hz: period 856
        const int effect = c.parameter > 0xFF ? 6 : 5;
        b.patterns = {
            ItBuilder::PackPattern({Note(0, 60), Note(1, -1, 0, effect, c.parameter & 0xFF)})};
        ItSong song(b);
        song.Play(6);
        const double before = Hertz(song.V().step);
        song.Play(6);
        EXPECT_NEAR(Hertz(song.V().step) / before, c.ratio, 1e-9) << std::hex << c.parameter;
    }
}

}  // namespace
}  // namespace vimsa
