#include "sound/period_table.h"

#include <gtest/gtest.h>

namespace vimsa {
namespace {

TEST(PeriodTableTest, OctavesDoubleBelowFourAndFollowTheListAbove) {
    EXPECT_EQ(PeriodTable::Entry(4 * 12), 1712);
    EXPECT_EQ(PeriodTable::Entry(4 * 12 + 11), 906);
    EXPECT_EQ(PeriodTable::Entry(0), 27392);  // 1712 * 16, the highest period
    EXPECT_EQ(PeriodTable::Entry(3 * 12), 3424);
    EXPECT_EQ(PeriodTable::Entry(3 * 12 + 11), 1812);
    EXPECT_EQ(PeriodTable::Entry(5 * 12), 856);
    EXPECT_EQ(PeriodTable::Entry(7 * 12 + 11), 113);
    EXPECT_EQ(PeriodTable::Entry(9 * 12 + 11), 28);
    EXPECT_EQ(PeriodTable::Entry(120), 0);
    EXPECT_EQ(PeriodTable::Entry(-1), 0);
    for (int i = 1; i < PeriodTable::kNotes; ++i)
        EXPECT_LT(PeriodTable::Entry(i), PeriodTable::Entry(i - 1)) << "entry " << i;
}

TEST(PeriodTableTest, NoteBytesOutsideTheTableAreNotNotes) {
    EXPECT_EQ(PeriodTable::NoteIndex(0x00), 0);
    EXPECT_EQ(PeriodTable::NoteIndex(0x4B), 4 * 12 + 11);
    EXPECT_EQ(PeriodTable::NoteIndex(0x9B), 119);
    EXPECT_EQ(PeriodTable::NoteIndex(0x4C), -1);  // semitone 12
    EXPECT_EQ(PeriodTable::NoteIndex(0xA0), -1);  // octave 10
    EXPECT_EQ(PeriodTable::NoteIndex(kNoteCut), -1);
    EXPECT_EQ(PeriodTable::NoteIndex(kNoNote), -1);
    EXPECT_EQ(PeriodTable::NotePeriod(0xA0, 8363), 0);
}

TEST(PeriodTableTest, NotePeriodIsScaledByTheSampleTuning) {
    EXPECT_EQ(PeriodTable::NotePeriod(0x40, 8363), 1712);
    EXPECT_EQ(PeriodTable::NotePeriod(0x40, 16726), 856);
    EXPECT_EQ(PeriodTable::NotePeriod(0x40, 0), 0);
    EXPECT_EQ(PeriodTable::Scale(1712, 8363 / 2), 3424);
    EXPECT_EQ(PeriodTable::Scale(27392, 1), 27392 * 8363);
    // Periods beyond the table would overflow 32 bits; they are held at the top.
    EXPECT_EQ(PeriodTable::Scale(1 << 30, 1), INT32_MAX);
}

TEST(PeriodTableTest, AmigaPeriod856IsOctaveThreeSemitoneZero) {
    const int k = PeriodTable::ScanAmigaPeriod(856);
    EXPECT_EQ(k / 12, 3);
    EXPECT_EQ(k % 12, 0);
    EXPECT_EQ(PeriodTable::NotePeriod(static_cast<uint8_t>((k / 12) << 4 | (k % 12)), 8363), 3424);
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(6848), 0);
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(9000), 0);  // above the scan: its first note
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(855), 37);  // first value not above 855 is 808
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(113), 71);
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(112), -1);
    EXPECT_EQ(PeriodTable::ScanAmigaPeriod(0), -1);
}

TEST(PeriodTableTest, WaveformCountsNegativeInTheSecondHalf) {
    EXPECT_EQ(WaveformValue(64), 255);
    EXPECT_EQ(WaveformValue(127), 25);
    EXPECT_EQ(WaveformValue(132), -25);
    EXPECT_EQ(WaveformValue(192), -255);
    EXPECT_EQ(FinetuneSpeed(0xF8), 7895u);  // only the low nibble counts
}

TEST(PeriodTableTest, StepMatchesHandComputedFixedPoint) {
    // 3665268736 / 1712 = 2140928, below 44100 * 256 = 11289600: no integer
    // part; fraction = 2140928 * (4294967295 / 11289600 = 380).
    Step s = StepFromPeriod(1712, 44100);
    EXPECT_EQ(s.integer, 0u);
    EXPECT_EQ(s.fraction, 2140928u * 380u);
    // Period 214 at 22050 Hz: 3665268736 / 214 = 17127424; / 5644800 = 3 rem
    // 193024; fraction = 193024 * 760.
    s = StepFromPeriod(214, 22050);
    EXPECT_EQ(s.integer, 3u);
    EXPECT_EQ(s.fraction, 193024u * 760u);
    s = StepFromPeriod(0, 44100);
    EXPECT_EQ(s.integer, 0u);
    EXPECT_EQ(s.fraction, 0u);
    s = StepFromPeriod(1712, 0);
    EXPECT_EQ(s.integer | s.fraction, 0u);
    // The smallest period still fits: about 324 samples per output frame.
    s = StepFromPeriod(1, 44100);
    EXPECT_EQ(s.integer, 3665268736u / 11289600u);
}

}  // namespace
}  // namespace vimsa
