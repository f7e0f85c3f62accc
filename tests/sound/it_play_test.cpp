// Playing Impulse Tracker songs: what the IT rules change in the shared
// effect engine, on songs built in the tests.
#include <gtest/gtest.h>

#include "sound/it_module.h"
#include "sound/play_state.h"
#include "tests/sound/module_builder.h"
#include "tests/sound/parsed_module.h"

namespace vimsa {
namespace {

using test::ItBuilder;
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

}  // namespace
}  // namespace vimsa
