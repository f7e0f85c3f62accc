#include "sound/play_state.h"

#include <gtest/gtest.h>

#include "sound/s3m_module.h"
#include "tests/sound/module_builder.h"

namespace vimsa {
namespace {

using test::S3mBuilder;
using test::S3mInstrument;
using test::TrackerEvent;
using Patterns = std::vector<std::vector<TrackerEvent>>;

constexpr uint32_t kRate = 44100;
constexpr uint8_t kC4 = 0x40;  // period 1712 at 8363 Hz
constexpr uint8_t kC5 = 0x50;  // period 856

// A song on an S3M built for the test: one 8-bit instrument of 1000 samples
// (loop 200..600 when asked) and the given patterns.
struct Song {
    Handle<S3mModule> module;
    PlayState* state = nullptr;

    explicit Song(std::vector<std::vector<TrackerEvent>> patterns, std::vector<uint8_t> orders = {},
                  bool loop = false, bool loopedSample = false) {
        S3mBuilder b;
        b.patterns = std::move(patterns);
        if (orders.empty()) {
            for (size_t p = 0; p < b.patterns.size(); ++p)
                orders.push_back(static_cast<uint8_t>(p));
            orders.push_back(255);
        }
        b.orders = orders;
        S3mInstrument s;
        s.data.assign(1000, 128);
        s.loop = loopedSample;
        s.loopBegin = 200;
        s.loopEnd = 600;
        b.instruments = {s};
        module = MakeHandle<S3mModule>();
        EXPECT_EQ(module->SetData(b.Build()), RESULT_OK);
        EXPECT_EQ(module->Validate(), RESULT_OK);
        EXPECT_EQ(module->Parse(), RESULT_OK);
        EXPECT_EQ(module->StartSong(0, 0, true, loop, false, &state), RESULT_OK);
    }

    // Runs n ticks; returns the last result.
    Result Ticks(int n) {
        Result r = RESULT_OK;
        for (int i = 0; i < n; ++i)
            r = state->Tick(kRate);
        return r;
    }
    // Runs n ticks that must all succeed.
    void Play(int n) {
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(state->Tick(kRate), RESULT_OK) << "tick " << i + 1 << " of " << n;
    }
    Voice& V(int channel = 0) { return state->voices[channel]; }
};

TrackerEvent Note(int row, uint8_t note, int effect = -1, int parameter = 0, int volume = -1) {
    return TrackerEvent{row, 0, note, 1, volume, effect, parameter};
}

TrackerEvent Effect(int row, int effect, int parameter) {
    return TrackerEvent{row, 0, -1, 0, -1, effect, parameter};
}

TEST(PlayStateTest, Tempo125At44100GivesFramesPerTick882) {
    Song song(Patterns(1));
    EXPECT_EQ(song.state->tempo, 125);
    EXPECT_EQ(song.state->FramesPerTick(44100), 882u);
    song.state->tempo = 150;
    EXPECT_EQ(song.state->FramesPerTick(44100), 735u);
    EXPECT_EQ(song.state->FramesPerTick(22050), 367u);
}

TEST(PlayStateTest, StartSetsUpTheFirstRowTick) {
    Song song({{Note(0, kC4)}});
    PlayState& s = *song.state;
    EXPECT_TRUE(s.playing);
    EXPECT_TRUE(s.active);
    EXPECT_EQ(s.pattern, -1);
    EXPECT_EQ(s.tickCountdown, 1);
    EXPECT_EQ(song.Ticks(1), RESULT_OK);
    EXPECT_EQ(s.row, 1);
    EXPECT_EQ(s.orderPosition, 1);
    EXPECT_EQ(s.tickCountdown, 6);
    EXPECT_EQ(song.V().period, 1712);
    EXPECT_EQ(song.V().volume, 63);
    EXPECT_NE(song.V().data, nullptr);
    EXPECT_DOUBLE_EQ(s.playTime, 0.02);
    song.Play(6);
    EXPECT_EQ(s.row, 2);
    EXPECT_EQ(s.tickCount, 7u);
}

TEST(PlayStateTest, SongEndsAfterTheLastOrder) {
    Song song(Patterns(1));
    EXPECT_EQ(song.Ticks(64 * 6), RESULT_OK);
    EXPECT_EQ(song.state->Tick(kRate), ERR_MODULE_SONG_END);
    EXPECT_FALSE(song.state->playing);
    EXPECT_EQ(song.state->Tick(kRate), ERR_MODULE_SONG_END);
    EXPECT_NEAR(song.state->playTime, 64 * 6 * 0.02 + 0.02, 1e-9);
}

TEST(PlayStateTest, EndOfOrdersWrapsWhenLooping) {
    Song song({{}}, {}, /*loop=*/true);
    EXPECT_EQ(song.Ticks(64 * 6 + 1), RESULT_OK);
    EXPECT_EQ(song.state->orderPosition, 1);
    EXPECT_EQ(song.state->row, 1);
}

TEST(PlayStateTest, PositionJumpEndsTheSongOnlyWhenItGoesBackWithoutLooping) {
    const TrackerEvent c5 = Note(0, kC5);
    const struct {
        const char* what;
        Patterns patterns;
        bool loop;
        int ticks;       // the last of them loads the jump's target
        int orderAfter;  // 0: the song has ended instead
    } cases[] = {
        {"B01 on order 0 plays order 1", {{Effect(0, 2, 1)}, {c5}}, false, 7, 2},
        {"B02 on order 0 skips order 1", {{Effect(0, 2, 2)}, {}, {c5}}, false, 7, 3},
        {"B00 on order 0 would repeat it", {{Effect(0, 2, 0)}, {c5}}, false, 7, 0},
        {"B00 on order 1 goes back", {{c5}, {Effect(0, 2, 0)}}, false, 64 * 6 + 7, 0},
        {"B00 on order 1, looping", {{c5}, {Effect(0, 2, 0)}}, true, 64 * 6 + 7, 1},
    };
    for (const auto& c : cases) {
        Song song(c.patterns, {}, c.loop);
        ASSERT_EQ(song.Ticks(c.ticks - 1), RESULT_OK) << c.what;
        if (c.orderAfter == 0) {
            EXPECT_EQ(song.state->Tick(kRate), ERR_MODULE_SONG_END) << c.what;
            continue;
        }
        EXPECT_EQ(song.state->Tick(kRate), RESULT_OK) << c.what;
        EXPECT_EQ(song.state->orderPosition, c.orderAfter) << c.what;
        EXPECT_EQ(song.state->row, 1) << c.what;
        EXPECT_EQ(song.V().period, 856) << c.what;
    }
}

TEST(PlayStateTest, PatternBreakStartsTheNextPatternAtItsRow) {
    Song song({{Effect(0, 3, 0x12)}, {Note(12, kC5)}});
    song.Play(7);
    EXPECT_EQ(song.state->orderPosition, 2);
    EXPECT_EQ(song.state->row, 13);
    EXPECT_EQ(song.V().period, 856);
    // A parameter whose low nibble is above 9 is no break.
    Song ignored({{Effect(0, 3, 0x1A)}, {}});
    ignored.Play(7);
    EXPECT_EQ(ignored.state->row, 2);
}

TEST(PlayStateTest, OrderListsThatNeverReachAPatternEnd) {
    // Only skip entries, looping: the scan gives up instead of spinning.
    Song skips({{}}, {254, 254, 254, 255}, /*loop=*/true);
    EXPECT_EQ(skips.state->Tick(kRate), ERR_MODULE_SONG_END);
    Song empty({{}}, {255}, /*loop=*/true);
    EXPECT_EQ(empty.state->Tick(kRate), ERR_MODULE_SONG_END);
    // Skip entries are passed over; a missing pattern plays as empty rows.
    Song gaps({{}}, {254, 9, 255});
    EXPECT_EQ(gaps.Ticks(64 * 6), RESULT_OK);
    EXPECT_EQ(gaps.state->Tick(kRate), ERR_MODULE_SONG_END);
}

// Every row of channel 0 carries a note of its own, so the notes that start
// show which row plays on which tick.
std::vector<std::pair<int, int>> NoteStarts(const std::vector<TrackerEvent>& extra, int ticks) {
    std::vector<TrackerEvent> events = extra;
    for (int r = 0; r < 8; ++r)
        events.push_back(Note(r, static_cast<uint8_t>(0x40 + r)));
    Song song({events});
    song.state->speed = 2;
    std::vector<std::pair<int, int>> starts;
    for (int tick = 1; tick <= ticks; ++tick) {
        song.V().position = 1;
        if (Failed(song.state->Tick(kRate))) break;
        if (song.V().position == 0) starts.emplace_back(tick, song.V().note & 0x0F);
    }
    return starts;
}

TEST(PlayStateTest, PatternLoopDelayAndNoteDelayPlayTheirRowsInOrder) {
    using Starts = std::vector<std::pair<int, int>>;
    const TrackerEvent loopStart{1, 1, -1, 0, -1, 19, 0xB0};
    const TrackerEvent loopTwice{3, 1, -1, 0, -1, 19, 0xB2};
    // Rows 1..3 play three times, then the song goes on at row 4.
    EXPECT_EQ(NoteStarts({loopStart, loopTwice}, 26), (Starts{{1, 0},
                                                              {3, 1},
                                                              {5, 2},
                                                              {7, 3},
                                                              {9, 1},
                                                              {11, 2},
                                                              {13, 3},
                                                              {15, 1},
                                                              {17, 2},
                                                              {19, 3},
                                                              {21, 4},
                                                              {23, 5},
                                                              {25, 6}}));
    // SE2 on row 2 holds it for two more rows without playing it again.
    EXPECT_EQ(NoteStarts({TrackerEvent{2, 1, -1, 0, -1, 19, 0xE2}}, 14),
              (Starts{{1, 0}, {3, 1}, {5, 2}, {11, 3}, {13, 4}}));
    // SD1 on row 1 plays its note a tick late; SD2 at speed 2 never plays it.
    EXPECT_EQ(NoteStarts({Note(1, 0x41, 19, 0xD1), Note(2, 0x42, 19, 0xD2)}, 8),
              (Starts{{1, 0}, {4, 1}, {7, 3}}));
}

TEST(PlayStateTest, FinetuneWaveformTremorAndPanning) {
    // S20 tunes the note on its row to 7895 Hz.
    Song tuned({{Note(0, kC4, 19, 0x20)}});
    tuned.Play(1);
    EXPECT_EQ(tuned.V().period, 1712 * 8363 / 7895);
    // A square vibrato (S32) is at full depth where the sine is not:
    // (15 * 255 / 128) * 4 = 116 instead of the sine's 84.
    Song square({{Note(0, kC4, 19, 0x32), Effect(1, 8, 0x8F)}});
    square.Play(8);
    EXPECT_EQ(square.V().step.fraction, StepFromPeriod(1712 + 116, kRate).fraction);
    // I21: three ticks heard, two silent, and again.
    Song tremor({{Note(0, kC4, 9, 0x21, 40)}});
    std::vector<int32_t> heard;
    for (int tick = 0; tick < 6; ++tick) {
        tremor.Play(1);
        heard.push_back(tremor.V().mixVolume / kMixVolumeStep);
    }
    EXPECT_EQ(heard, (std::vector<int32_t>{40, 40, 40, 0, 0, 40}));
    // Xxx pans from 0x00 (left) to 0x80 (right); 0xA4, surround, centres.
    Song panned({{Effect(0, 24, 0x80), Effect(1, 24, 0x20), Effect(2, 24, 0xA4)}});
    panned.Play(1);
    EXPECT_EQ(panned.state->channelPan[0], kPanRight);
    panned.Play(6);
    EXPECT_EQ(panned.state->channelPan[0], 0x40);
    panned.Play(6);
    EXPECT_EQ(panned.V().mixPan, kPanCentre);
}

TEST(PlayStateTest, VolumeSlideCases) {
    const struct {
        uint8_t parameter;
        int afterRowTick, afterTick1, afterTick2, afterTick5;
    } cases[] = {
        {0x0F, 32, 17, 2, 0},    // D0F: down 15 on each later tick
        {0xF0, 32, 47, 62, 63},  // DF0: up 15
        {0xF1, 31, 31, 31, 31},  // DF1: down 1 once
        {0x1F, 33, 33, 33, 33},  // D1F: up 1 once
        {0x20, 32, 34, 36, 42},  // D20: up 2 each tick
    };
    for (const auto& c : cases) {
        Song song({{Note(0, kC4, 4, c.parameter, 32)}});
        song.Play(1);
        EXPECT_EQ(song.V().volume, c.afterRowTick) << std::hex << int(c.parameter);
        song.Play(1);
        EXPECT_EQ(song.V().volume, c.afterTick1) << std::hex << int(c.parameter);
        song.Play(1);
        EXPECT_EQ(song.V().volume, c.afterTick2) << std::hex << int(c.parameter);
        song.Play(3);
        EXPECT_EQ(song.V().volume, c.afterTick5) << std::hex << int(c.parameter);
    }
}

TEST(PlayStateTest, VolumeSlideZeroUsesItsMemory) {
    Song song({{Note(0, kC4, 4, 0x02, 40), Effect(1, 4, 0)}});
    song.Play(6);
    EXPECT_EQ(song.V().volume, 30);
    song.Play(6);
    EXPECT_EQ(song.V().volume, 20);
}

TEST(PlayStateTest, ArpeggioCyclesThroughThreePeriods) {
    Song song({{Note(0, kC4, 10, 0x37), Effect(1, -1, 0)}});
    const int32_t expected[] = {1712, 1440, 1140, 1712, 1440, 1140};
    for (int tick = 0; tick < 6; ++tick) {
        song.Play(1);
        EXPECT_EQ(song.V().period, expected[tick]) << "tick " << tick;
    }
    song.Play(1);  // the next row has no arpeggio: back to the note
    EXPECT_EQ(song.V().period, 1712);
    EXPECT_EQ(song.V().step.fraction, StepFromPeriod(1712, kRate).fraction);
}

TEST(PlayStateTest, TonePortamentoStopsAtItsTarget) {
    Song song({{Note(0, kC4), Note(1, kC5, 7, 0x40)}});
    song.Play(6);
    song.V().position = 321;  // as if mixed for a while
    const int32_t expected[] = {1712, 1456, 1200, 944, 856, 856};
    for (int tick = 0; tick < 6; ++tick) {
        song.Play(1);
        EXPECT_EQ(song.V().period, expected[tick]) << "tick " << tick;
    }
    EXPECT_EQ(song.V().notePeriod, 856);
    EXPECT_EQ(song.V().position, 321u);  // the sample was not restarted
    EXPECT_EQ(song.V().step.fraction, StepFromPeriod(856, kRate).fraction);
}

TEST(PlayStateTest, GlissandoHearsTheSlideInSemitones) {
    // G10 slides C-4 (1712) towards C-5 by 64 a tick. With S11 the period
    // slides as before, but the pitch heard is the nearest table note's:
    // C#4 (1616), C#4, D-4 (1524), D#4 (1440).
    const struct {
        int parameter;
        int32_t heard[4];
    } cases[] = {
        {0x10, {1648, 1584, 1520, 1456}},
        {0x11, {1616, 1616, 1524, 1440}},
    };
    for (const auto& c : cases) {
        Song song({{Note(0, kC4, 19, c.parameter), Note(1, kC5, 7, 0x10)}});
        song.Play(7);
        for (int tick = 0; tick < 4; ++tick) {
            song.Play(1);
            EXPECT_EQ(song.V().period, 1712 - 64 * (tick + 1)) << c.parameter << " " << tick;
            const Step heard = StepFromPeriod(c.heard[tick], kRate);
            EXPECT_EQ(song.V().step.integer, heard.integer) << c.parameter << " " << tick;
            EXPECT_EQ(song.V().step.fraction, heard.fraction) << c.parameter << " " << tick;
        }
    }
}

TEST(PlayStateTest, PortamentoFineExtraFineAndLimits) {
    Song fine({{Note(0, kC4, 6, 0xF2)}});
    fine.Play(6);
    EXPECT_EQ(fine.V().period, 1712 - 8);
    EXPECT_EQ(fine.V().effect, effect::kNone);
    Song extra({{Note(0, kC4, 5, 0xE3)}});
    extra.Play(6);
    EXPECT_EQ(extra.V().period, 1712 + 3);
    Song down({{Note(0, kC4, 5, 0x10)}});
    down.Play(3);
    EXPECT_EQ(down.V().period, 1712 + 2 * 64);
    Song floor({{Note(0, 0x90, 6, 0xDF)}});  // octave 9: period 53
    floor.Play(2);
    EXPECT_EQ(floor.V().period, 0);
    EXPECT_EQ(floor.V().step.integer | floor.V().step.fraction, 0u);
    Song ceiling({{Note(0, 0x00, 5, 0xDF)}});  // period 27392 already
    ceiling.Play(3);
    EXPECT_EQ(ceiling.V().period, PeriodTable::kMaxPeriod);
}

TEST(PlayStateTest, VibratoMovesTheStepNotThePeriod) {
    Song song({{Note(0, kC4, 8, 0x8F), Effect(1, -1, 0)}});
    song.Play(1);
    const Step base = song.V().step;
    song.Play(1);  // position 32: table entry 8 (180); delta (15 * 180 / 128) * 4 = 84
    EXPECT_EQ(song.V().period, 1712);
    EXPECT_EQ(song.V().step.fraction, StepFromPeriod(1712 + 84, kRate).fraction);
    song.Play(5);  // the next row has no vibrato: the step returns
    EXPECT_EQ(song.V().step.fraction, base.fraction);
}

TEST(PlayStateTest, FineVibratoKeepsTheSmallDelta) {
    Song song({{Note(0, kC4, 21, 0x8F)}});
    song.Play(2);
    EXPECT_EQ(song.V().step.fraction, StepFromPeriod(1712 + 21, kRate).fraction);
}

TEST(PlayStateTest, TremoloOffsetsTheVolumeWhileItRuns) {
    Song song({{Note(0, kC4, 18, 0x8F, 30), Effect(1, -1, 0)}});
    song.Play(2);
    EXPECT_EQ(song.V().tremoloOffset, 15 * 180 / 128);
    EXPECT_EQ(song.V().volume, 30);
    song.Play(5);
    EXPECT_EQ(song.V().tremoloOffset, 0);
}

TEST(PlayStateTest, SampleOffsetWrapsIntoTheLoopOrStopsAtTheEnd) {
    Song looped({{Note(0, kC4, 15, 5)}}, {}, false, /*loopedSample=*/true);
    looped.Play(1);
    EXPECT_EQ(looped.V().position, 200u + (1280u - 1000u) % 400u);
    Song plain({{Note(0, kC4, 15, 5)}});
    plain.Play(1);
    EXPECT_EQ(plain.V().position, 999u);
    Song inside({{Note(0, kC4, 15, 2), Note(1, kC4, 15, 0)}});
    inside.Play(1);
    EXPECT_EQ(inside.V().position, 512u);
    inside.Play(6);  // parameter 0 takes the memory
    EXPECT_EQ(inside.V().position, 512u);
}

TEST(PlayStateTest, RetriggerRestartsAndChangesTheVolume) {
    Song song({{Note(0, kC4, 17, 0x23, 40), Effect(1, 17, 0x23)}});
    song.Play(3);
    song.V().position = 500;
    song.Play(1);  // tick 3: retrigger
    EXPECT_EQ(song.V().position, 0u);
    EXPECT_EQ(song.V().volume, 38);
    song.V().position = 500;
    song.Play(2);
    EXPECT_EQ(song.V().position, 500u);
    song.Play(1);  // next row: the count goes on across the row
    EXPECT_EQ(song.V().position, 0u);
    EXPECT_EQ(song.V().volume, 36);
}

TEST(PlayStateTest, RetriggerVolumeTable) {
    const int expected[16] = {32, 31, 30, 28, 24, 16, 21, 16, 32, 33, 34, 36, 40, 48, 48, 63};
    for (int h = 0; h < 16; ++h)
        EXPECT_EQ(RetriggerVolume(32, h), expected[h]) << h;
    EXPECT_EQ(RetriggerVolume(3, 5), 0);
    EXPECT_EQ(RetriggerVolume(60, 13), 63);
}

TEST(PlayStateTest, NoteCutStopsTheVoiceOnItsTick) {
    Song song({{Note(0, kC4, 19, 0xC2)}});
    song.Play(2);
    EXPECT_NE(song.V().step.fraction, 0u);
    song.Play(1);
    EXPECT_EQ(song.V().step.integer | song.V().step.fraction, 0u);
    EXPECT_EQ(song.V().effect, effect::kNone);
    // SC0 and a count at or past the speed do nothing.
    for (int parameter : {0xC0, 0xC6}) {
        Song uncut({{Note(0, kC4, 19, parameter)}});
        uncut.Play(6);
        EXPECT_NE(uncut.V().step.fraction, 0u) << parameter;
    }
    Song byNote({{Note(0, kC4), Note(1, kNoteCut)}});
    byNote.Play(7);
    EXPECT_EQ(byNote.V().step.integer | byNote.V().step.fraction, 0u);
}

TEST(PlayStateTest, SpeedTempoGlobalVolumeAndSync) {
    Song song({{Effect(0, 1, 3), TrackerEvent{0, 1, -1, 0, -1, 20, 0x21},
                TrackerEvent{0, 2, -1, 0, -1, 22, 0x20}, TrackerEvent{0, 3, -1, 0, -1, 26, 7},
                Effect(1, 20, 0x20), TrackerEvent{1, 1, -1, 0, -1, 22, 0x41}}});
    song.Play(1);
    EXPECT_EQ(song.state->speed, 3);
    EXPECT_EQ(song.state->tickCountdown, 3);
    EXPECT_EQ(song.state->tempo, 0x21);
    EXPECT_EQ(song.state->globalVolume, 0x20);
    EXPECT_EQ(song.state->syncValue, 7);
    song.Play(3);  // row 1: T20 and V41 are out of range
    EXPECT_EQ(song.state->tempo, 0x21);
    EXPECT_EQ(song.state->globalVolume, 0x20);
}

TEST(PlayStateTest, PanCommandOnlyInStereo) {
    Song song({{Effect(0, 19, 0x8E)}});
    song.Play(1);
    EXPECT_EQ(song.state->channelPan[0], 14 * 16);
    EXPECT_EQ(song.V().effect, effect::kNone);
    Handle<S3mModule> m = song.module;
    PlayState* mono = nullptr;
    ASSERT_EQ(m->StartSong(0, 0, false, false, true, &mono), RESULT_OK);
    ASSERT_EQ(mono->Tick(kRate), RESULT_OK);
    EXPECT_EQ(mono->channelPan[0], 3 * 16);
}

TEST(PlayStateTest, InstrumentAloneResetsTheVolume) {
    Song song({{Note(0, kC4, -1, 0, 20), TrackerEvent{1, 0, kNoNote, 1, -1, -1, 0}}});
    song.Play(1);
    EXPECT_EQ(song.V().volume, 20);
    song.V().position = 77;
    song.Play(6);
    EXPECT_EQ(song.V().volume, 63);
    EXPECT_EQ(song.V().position, 77u);
}

TEST(PlayStateTest, StopSongRemovesAllButTheFirstState) {
    Song song(Patterns(1));
    Module& m = *song.module;
    PlayState* second = nullptr;
    ASSERT_EQ(m.StartSong(0, 0, true, false, true, &second), RESULT_OK);
    EXPECT_EQ(m.PlayStateCount(), 2u);
    EXPECT_NE(second->instanceNumber, song.state->instanceNumber);
    EXPECT_EQ(m.StopSong(second), RESULT_OK);
    EXPECT_EQ(m.PlayStateCount(), 1u);
    EXPECT_EQ(m.StopSong(song.state), RESULT_OK);
    EXPECT_EQ(m.PlayStateCount(), 1u);
    EXPECT_FALSE(song.state->playing);
    EXPECT_EQ(m.StopSong(nullptr), ERR_MODULE_NO_PLAY_STATE);
    EXPECT_EQ(m.StopSong(second), ERR_MODULE_NO_PLAY_STATE);
}

TEST(PlayStateTest, StartPositionIsClamped) {
    Song song({{Note(63, kC4)}, {}});
    ASSERT_EQ(song.module->StartSong(0, 200, true, false, false, &song.state), RESULT_OK);
    song.Play(1);
    EXPECT_EQ(song.state->row, 64);
    EXPECT_EQ(song.V().period, 1712);
    ASSERT_EQ(song.module->StartSong(999, 0, true, false, false, &song.state), RESULT_OK);
    EXPECT_EQ(song.state->Tick(kRate), ERR_MODULE_SONG_END);
}

}  // namespace
}  // namespace vimsa
