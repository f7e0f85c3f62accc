// Playing Impulse Tracker songs: what the IT rules change in the shared
// effect engine, on songs built in the tests.
#include <gtest/gtest.h>

#include <array>
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

using Frame = std::array<int16_t, 2>;  // left, right

// What the mixer puts out, as 16-bit stereo, in the middle of the song's
// tick `tick` (1: the row tick of the first row). The ticks' lengths come
// from a play state of its own, so tempo changes are allowed for.
Frame HeardOnTick(const ItBuilder& b, int tick) {
    ItSong timing(b);
    uint32_t frame = 0;
    for (int t = 1; t < tick; ++t) {
        timing.Play(1);
        frame += timing.state->FramesPerTick(kRate);
    }
    timing.Play(1);
    frame += timing.state->FramesPerTick(kRate) / 2;

    Handle<ItModule> m = test::Parsed<ItModule>(b.Build());
    ModuleMixer mixer;
    mixer.SetModule(m.Get());
    EXPECT_EQ(mixer.AddSong(0, 0, kRate, true, true, false, false), RESULT_OK);
    Frame heard{};
    for (uint32_t first = 0; first <= frame; first += ModuleMixer::kBlockFrames) {
        EXPECT_EQ(mixer.ClearBlock(), RESULT_OK);
        EXPECT_EQ(mixer.MixBlock(), RESULT_OK);
        if (frame - first < ModuleMixer::kBlockFrames)
            std::memcpy(heard.data(), mixer.OutputBlock() + 4 * (frame - first), sizeof heard);
    }
    return heard;
}

// The output of one channel playing LoopedSample() at full note and sample
// volume: IT scales it by the channel volume (of 64) and the global volume
// (of 128), and the pan (0..64, left to right) shares it between the sides.
// 16-bit stereo output carries a quarter of a voice's level.
Frame Loudness(int channelVolume, int globalVolume, int pan) {
    const int32_t level = kMixVolumeFull * channelVolume / 64 * globalVolume / 128;
    return {static_cast<int16_t>((kPanRight - 4 * pan) * level / kPanRight / 4),
            static_cast<int16_t>(4 * pan * level / kPanRight / 4)};
}

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

// An instrument song whose sample has a sustain loop over 100..200 and whose
// volume envelope falls from 64 to 32 over 4 ticks and is held there by a
// sustain loop over ticks 4..6, then falls to 0 at tick 10.
ItBuilder SustainedEnvelopeSong(ItInstrument& instrument) {
    ItBuilder b;
    b.flags = 0x01 | 0x04;
    ItSample s = LoopedSample();
    s.flags |= 0x20;
    s.sustainBegin = 100;
    s.sustainEnd = 200;
    b.samples = {s};
    instrument.volumeEnvelope = ItEnvelope{0x05, {{64, 0}, {32, 4}, {32, 6}, {0, 10}}, 0, 0, 1, 2};
    return b;
}

TEST(ItPlayTest, VolumeEnvelopeSustainsUntilNoteOff) {
    // 64 falling to 32 over 4 ticks, held by a sustain loop over ticks 4..6,
    // then after the note off down to 0 at tick 10, where the note ends. The
    // sample's own sustain loop gives way to its loop at the note off.
    ItInstrument i(1);
    ItBuilder b = SustainedEnvelopeSong(i);
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

TEST(ItPlayTest, ChannelVolumePanGlobalVolumeAndTempoCommands) {
    // Each command on the note's row, from a starting state; the state after
    // the given ticks (6: the whole row), and what the mixer makes of it.
    struct State {
        int channelVolume = 32;  // 0..64
        int pan = 32;            // 0..64
        int globalVolume = 64;   // 0..128
        int tempo = 125;
    };
    const State start;
    const struct {
        const char* what;
        int effect;
        int parameter;
        State from;
        int ticks;
        State after;
    } cases[] = {
        {"N02 lowers the channel volume 2 a tick after the first",
         14,
         0x02,
         start,
         6,
         {22, 32, 64, 125}},
        {"N20 raises it 2 a tick", 14, 0x20, start, 6, {42, 32, 64, 125}},
        {"NF3 lowers it 3 once", 14, 0xF3, start, 6, {29, 32, 64, 125}},
        {"N2F raises it 2 once", 14, 0x2F, start, 6, {34, 32, 64, 125}},
        {"N90 stops at 64", 14, 0x90, start, 6, {64, 32, 64, 125}},
        {"P02 pans right 2 a tick", 16, 0x02, start, 6, {32, 42, 64, 125}},
        {"P80 pans left, stopping at the left", 16, 0x80, start, 6, {32, 0, 64, 125}},
        {"PF4 pans right 4 once", 16, 0xF4, start, 6, {32, 36, 64, 125}},
        {"P4F pans left 4 once", 16, 0x4F, start, 6, {32, 28, 64, 125}},
        {"W04 lowers the global volume 4 a tick", 23, 0x04, start, 6, {32, 32, 44, 125}},
        {"WF0 raises it 15 a tick, up to 128", 23, 0xF0, start, 6, {32, 32, 128, 125}},
        {"W8F raises it 8 once", 23, 0x8F, start, 6, {32, 32, 72, 125}},
        {"T05 slows the tempo 5 a tick", 20, 0x05, start, 6, {32, 32, 64, 100}},
        {"T13 quickens it 3 a tick", 20, 0x13, start, 6, {32, 32, 64, 140}},
        {"T0F stops at 32", 20, 0x0F, {32, 32, 64, 40}, 6, {32, 32, 64, 32}},
        {"T1F stops at 255", 20, 0x1F, {32, 32, 64, 250}, 6, {32, 32, 64, 255}},
        {"X00 pans hard left", 24, 0x00, start, 1, {32, 0, 64, 125}},
        {"XFF pans hard right", 24, 0xFF, start, 1, {32, 64, 64, 125}},
        {"X40 pans a quarter of the way", 24, 0x40, {32, 0, 64, 125}, 1, {32, 16, 64, 125}},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.samples = {LoopedSample()};
        b.volumes[0] = static_cast<uint8_t>(c.from.channelVolume);
        b.pans[0] = static_cast<uint8_t>(c.from.pan);
        b.globalVolume = static_cast<uint8_t>(c.from.globalVolume);
        b.tempo = static_cast<uint8_t>(c.from.tempo);
        b.patterns = {ItBuilder::PackPattern({Note(0, 60, 1, c.effect, c.parameter)})};
        ItSong song(b);
        song.Play(c.ticks);
        EXPECT_EQ(song.V().channelVolume, c.after.channelVolume) << c.what;
        EXPECT_EQ(song.state->channelPan[0], 4 * c.after.pan) << c.what;
        EXPECT_EQ(song.state->globalVolume, c.after.globalVolume) << c.what;
        EXPECT_EQ(song.state->tempo, c.after.tempo) << c.what;
        EXPECT_EQ(HeardOnTick(b, c.ticks),
                  Loudness(c.after.channelVolume, c.after.globalVolume, c.after.pan))
            << c.what;
    }
}

TEST(ItPlayTest, InstrumentAndSampleGlobalVolumesScaleTheMix) {
    // A centred note at full volume is heard at 2048 on each side; the
    // instrument's global volume (of 128) and the sample's (of 64) scale it.
    const struct {
        int instrument, sample;
        int16_t heard;
    } cases[] = {
        {128, 64, 2048},
        {64, 64, 1024},
        {128, 32, 1024},
        {32, 16, 128},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.flags = 0x01 | 0x04;
        ItSample s = LoopedSample();
        s.globalVolume = static_cast<uint8_t>(c.sample);
        b.samples = {s};
        ItInstrument i(1);
        i.globalVolume = static_cast<uint8_t>(c.instrument);
        b.instruments = {i};
        b.patterns = {ItBuilder::PackPattern({Note(0, 60)})};
        EXPECT_EQ(HeardOnTick(b, 2), (Frame{c.heard, c.heard})) << c.instrument << " " << c.sample;
    }
}

TEST(ItPlayTest, PanAndPitchEnvelopesMoveTheNoteEachTick) {
    // A pan envelope from the left (-32) to the right (32) over 4 ticks.
    ItBuilder b;
    b.flags = 0x01 | 0x04 | 0x08;
    b.samples = {LoopedSample()};
    ItInstrument panned(1);
    panned.panEnvelope = ItEnvelope{0x01, {{-32, 0}, {32, 4}}};
    b.instruments = {panned};
    b.patterns = {ItBuilder::PackPattern({Note(0, 60)})};
    ItSong song(b);
    std::vector<int> pans;
    for (int tick = 0; tick < 6; ++tick) {
        song.Play(1);
        pans.push_back(song.V().mixPan);
    }
    EXPECT_EQ(pans, (std::vector<int>{0, 64, 128, 192, 256, 256}));
    EXPECT_EQ(HeardOnTick(b, 1), (Frame{4096, 0}));
    EXPECT_EQ(HeardOnTick(b, 5), (Frame{0, 4096}));

    // A pitch envelope rising an octave (24 half semitones) over 2 ticks,
    // then back to the note at tick 4.
    ItBuilder rising = b;
    rising.instruments[0] = ItInstrument(1);
    rising.instruments[0].pitchEnvelope = ItEnvelope{0x01, {{0, 0}, {24, 2}, {0, 4}}};
    ItSong bent(rising);
    std::vector<double> ratios;
    for (int tick = 0; tick < 6; ++tick) {
        bent.Play(1);
        ratios.push_back(Hertz(bent.V().step) / (2 * 8363));
    }
    const double expected[] = {1, std::sqrt(2.0), 2, std::sqrt(2.0), 1, 1};
    for (int tick = 0; tick < 6; ++tick)
        EXPECT_NEAR(ratios[tick], expected[tick], 1e-6) << "tick " << tick;
}

TEST(ItPlayTest, NoteFadeFadesWithoutLettingTheKeyGo) {
    // The sustained note of VolumeEnvelopeSustainsUntilNoteOff, faded (note
    // value 246) instead of released: the envelope stays in its sustain loop
    // at 32 and the fade takes 256 of 1024 a tick from the row it comes on;
    // the sample stays in its sustain loop too.
    ItInstrument i(1);
    ItBuilder b = SustainedEnvelopeSong(i);
    i.fadeOut = 256;
    b.instruments = {i};
    b.patterns = {ItBuilder::PackPattern({Note(0, 60), Note(2, 246, 0)})};
    ItSong song(b);
    std::vector<int32_t> heard;
    for (int tick = 0; tick < 18; ++tick) {
        song.Play(1);
        heard.push_back(EnvelopeOf(song.V()));
    }
    EXPECT_EQ(heard, (std::vector<int32_t>{64, 56, 48, 40, 32, 32, 32, 32, 32, 32, 32, 32,  //
                                           24, 16, 8, 0, 0, 0}));
    EXPECT_FALSE(song.V().keyOff);
    EXPECT_EQ(song.V().loopStart, 100u);
}

TEST(ItPlayTest, GlissandoHearsWholeSemitonesFromTheTargetNote) {
    // With linear slides G06 climbs 3/8 of a semitone a tick from C-5
    // towards C-6; S11 plays the nearest whole semitone of the target note.
    const struct {
        int parameter;
        double semitones[3];  // above C-5, heard on the ticks after the row's first
    } cases[] = {
        {0x10, {0.375, 0.75, 1.125}},
        {0x11, {0, 1, 1}},
    };
    for (const auto& c : cases) {
        ItBuilder b;
        b.flags = 0x01 | 0x08;
        b.samples = {LoopedSample()};
        b.patterns = {
            ItBuilder::PackPattern({Note(0, 60, 1, 19, c.parameter), Note(1, 72, 0, 7, 0x06)})};
        ItSong song(b);
        song.Play(7);
        for (int tick = 0; tick < 3; ++tick) {
            song.Play(1);
            EXPECT_NEAR(Hertz(song.V().step), 2 * 8363 * std::exp2(c.semitones[tick] / 12), 1e-3)
                << std::hex << c.parameter << " tick " << tick;
        }
    }
}

TEST(ItPlayTest, HighSampleOffsetReachesPastSixtyFourKilobytes) {
    // SA1 on one row, then O10 with a note: 0x11000 into a sample of 70000;
    // without the SA1, 0x1000.
    for (const int high : {0, 1}) {
        ItBuilder b;
        ItSample s = LoopedSample();
        s.data.assign(70000, 0x40);
        s.loopEnd = 70000;
        b.samples = {s};
        b.patterns = {
            ItBuilder::PackPattern({Note(0, -1, 0, 19, 0xA0 | high), Note(1, 60, 1, 15, 0x10)})};
        ItSong song(b);
        song.Play(7);
        EXPECT_EQ(song.V().position, (high ? 0x11000u : 0x1000u)) << "SA" << high;
    }
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
