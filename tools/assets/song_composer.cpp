#include "tools/assets/song_composer.h"

#include <array>
#include <vector>

#include "tools/assets/instrument_synth.h"

namespace vimsa::tool {
namespace {

// Instruments, numbered as the patterns name them.
enum Instrument : uint8_t {
    kKick = 1,
    kSnare,
    kClosedHat,
    kOpenHat,
    kBass,
    kLead,
    kPad,
    kPluck,
    kBell,
};

// Channels, left to right in the pan table.
enum Channel : int {
    kKickChannel,
    kSnareChannel,
    kHatChannel,
    kBassChannel,
    kLeadChannel,
    kPadChannel,
    kArpChannel = kPadChannel + 3
};

constexpr uint8_t kVibrato = 'U' - 'A' + 1;  // fine vibrato
constexpr int kBar = 16;

// A pitch as a semitone count from C-0, written "A-4", "C#5".
int Pitch(const char* name) {
    static constexpr std::array<int, 7> kSemitones = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    const int semitone = kSemitones[static_cast<size_t>(name[0] - 'A')] + (name[1] == '#' ? 1 : 0);
    return (name[2] - '0') * 12 + semitone;
}

uint8_t NoteByte(int pitch) {
    return S3mNote(pitch / 12, pitch % 12);
}

void Play(S3mPattern& p, int row, int channel, int pitch, uint8_t instrument, int volume = -1) {
    S3mCell& c = p.At(row, channel);
    c.note = NoteByte(pitch);
    c.instrument = instrument;
    if (volume >= 0) c.volume = static_cast<uint8_t>(volume);
}

void Cut(S3mPattern& p, int row, int channel) {
    if (row < S3mPattern::kRows && p.At(row, channel).note == 255) p.At(row, channel).note = 254;
}

struct Chord {
    std::array<const char*, 3> pad;
    const char* root;
};
using Progression = std::array<Chord, 4>;

const Progression kVerse = {{{{"A-3", "C-4", "E-4"}, "A-1"},
                             {{"A-3", "C-4", "F-4"}, "F-1"},
                             {{"G-3", "C-4", "E-4"}, "C-2"},
                             {{"G-3", "B-3", "D-4"}, "G-1"}}};
const Progression kChorus = {{{{"A-3", "C-4", "F-4"}, "F-1"},
                              {{"G-3", "B-3", "D-4"}, "G-1"},
                              {{"G-3", "B-3", "E-4"}, "E-1"},
                              {{"A-3", "C-4", "E-4"}, "A-1"}}};
const Progression kCadence = {{{{"A-3", "C-4", "F-4"}, "F-1"},
                               {{"G-3", "B-3", "D-4"}, "G-1"},
                               {{"G#3", "B-3", "E-4"}, "E-1"},
                               {{"A-3", "C-4", "E-4"}, "A-1"}}};

struct Phrase {
    int row;
    const char* note;
    int length;
};

const std::vector<Phrase> kMelodyA = {
    {0, "E-5", 6},  {6, "D-5", 2},  {8, "C-5", 4},  {12, "E-5", 4}, {16, "F-5", 6},
    {22, "E-5", 2}, {24, "C-5", 4}, {28, "A-4", 4}, {32, "G-4", 6}, {38, "C-5", 2},
    {40, "E-5", 4}, {44, "G-5", 4}, {48, "D-5", 8}, {56, "B-4", 4}, {60, "G-4", 4}};
const std::vector<Phrase> kMelodyA2 = {
    {0, "A-5", 4},  {4, "G-5", 2},  {6, "E-5", 2},  {8, "C-5", 4},  {12, "E-5", 2},
    {14, "D-5", 2}, {16, "C-5", 4}, {20, "A-4", 4}, {24, "F-4", 4}, {28, "A-4", 4},
    {32, "G-4", 4}, {36, "C-5", 4}, {40, "E-5", 4}, {44, "G-5", 2}, {46, "F-5", 2},
    {48, "E-5", 6}, {54, "D-5", 2}, {56, "B-4", 4}, {60, "A-4", 4}};
const std::vector<Phrase> kMelodyB = {
    {0, "A-4", 2},  {2, "C-5", 2},  {4, "F-5", 6},  {10, "E-5", 2}, {12, "F-5", 4},
    {16, "G-5", 6}, {22, "F-5", 2}, {24, "D-5", 8}, {32, "E-5", 2}, {34, "G-5", 2},
    {36, "B-5", 6}, {42, "A-5", 2}, {44, "G-5", 4}, {48, "A-5", 12}};
const std::vector<Phrase> kMelodyB2 = {
    {0, "C-6", 6},  {6, "A-5", 2},  {8, "F-5", 4},  {12, "A-5", 4}, {16, "B-5", 6},
    {22, "G-5", 2}, {24, "D-5", 4}, {28, "G-5", 4}, {32, "G#5", 6}, {38, "B-5", 2},
    {40, "E-5", 4}, {44, "D-5", 4}, {48, "C-5", 4}, {52, "B-4", 4}, {56, "A-4", 8}};

// A tune: long notes swell into a gentle vibrato; each note ends where it
// was written to end.
void Melody(S3mPattern& p, const std::vector<Phrase>& tune, int channel, uint8_t instrument,
            int transpose, int volume) {
    for (const Phrase& n : tune) {
        const int accent = n.row % 8 == 0 ? 6 : 0;
        Play(p, n.row, channel, Pitch(n.note) + transpose, instrument, volume + accent);
        for (int row = n.row + 3; n.length >= 6 && row < n.row + n.length; ++row) {
            p.At(row, channel).effect = kVibrato;
            p.At(row, channel).parameter = 0x42;
        }
    }
    for (const Phrase& n : tune)
        Cut(p, n.row + n.length, channel);
}

void Pads(S3mPattern& p, const Progression& chords, int fromBar = 0) {
    for (int bar = fromBar; bar < 4; ++bar) {
        for (int voice = 0; voice < 3; ++voice)
            Play(p, bar * kBar, kPadChannel + voice,
                 Pitch(chords[static_cast<size_t>(bar)].pad[static_cast<size_t>(voice)]), kPad);
    }
}

// Driving eighths: root, root, octave, root, root, root, octave, fifth.
void Bass(S3mPattern& p, const Progression& chords, int fromBar = 0) {
    static constexpr std::array<int, 8> kSteps = {0, 0, 12, 0, 0, 0, 12, 7};
    for (int bar = fromBar; bar < 4; ++bar) {
        const int root = Pitch(chords[static_cast<size_t>(bar)].root);
        for (int step = 0; step < 8; ++step) {
            const int volume = step % 2 == 0 ? 64 : 48;
            Play(p, bar * kBar + 2 * step, kBassChannel, root + kSteps[static_cast<size_t>(step)],
                 kBass, volume);
        }
    }
}

// Sixteenths up and down the chord, an octave above the pad.
void Arpeggio(S3mPattern& p, const Progression& chords, uint8_t instrument, int volume) {
    static constexpr std::array<int, 8> kOrder = {0, 1, 2, 3, 2, 1, 2, 3};
    for (int bar = 0; bar < 4; ++bar) {
        const Chord& chord = chords[static_cast<size_t>(bar)];
        for (int step = 0; step < kBar; ++step) {
            const int index = kOrder[static_cast<size_t>(step % 8)];
            const int pitch = index < 3 ? Pitch(chord.pad[static_cast<size_t>(index)]) + 12
                                        : Pitch(chord.pad[0]) + 24;
            Play(p, bar * kBar + step, kArpChannel, pitch, instrument, volume - (step % 2) * 10);
        }
    }
}

enum class Beat { Intro, Main, Fill, Breakdown };

void Hats(S3mPattern& p, bool openOnLastBar) {
    for (int row = 0; row < S3mPattern::kRows; row += 2)
        Play(p, row, kHatChannel, Pitch("C-4"), kClosedHat, row % 4 == 0 ? 40 : 26);
    if (openOnLastBar) Play(p, 3 * kBar + 14, kHatChannel, Pitch("C-4"), kOpenHat);
}

void SnareRoll(S3mPattern& p, int bar) {
    const std::array<int, 6> rows = {8, 10, 12, 13, 14, 15};
    for (size_t i = 0; i < rows.size(); ++i)
        Play(p, bar * kBar + rows[i], kSnareChannel, Pitch("C-4"), kSnare,
             30 + static_cast<int>(i) * 6);
}

void Drums(S3mPattern& p, Beat beat) {
    const int c4 = Pitch("C-4");
    Hats(p, beat != Beat::Intro);
    for (int bar = 0; bar < 4; ++bar) {
        const int at = bar * kBar;
        if (beat == Beat::Intro || beat == Beat::Breakdown) {
            if (bar < 3) Play(p, at, kKickChannel, c4, kKick, beat == Beat::Intro ? 48 : 40);
            continue;
        }
        Play(p, at, kKickChannel, c4, kKick);
        Play(p, at + 8, kKickChannel, c4, kKick);
        if (bar % 2) Play(p, at + 10, kKickChannel, c4, kKick, 48);
        Play(p, at + 4, kSnareChannel, c4, kSnare);
        if (!(beat == Beat::Fill && bar == 3)) Play(p, at + 12, kSnareChannel, c4, kSnare);
    }
    if (beat != Beat::Main) SnareRoll(p, 3);
    if (beat == Beat::Breakdown) {
        Play(p, 3 * kBar, kKickChannel, c4, kKick, 40);
        Play(p, 3 * kBar + 8, kKickChannel, c4, kKick, 52);
    }
}

std::vector<S3mPattern> Patterns() {
    std::vector<S3mPattern> patterns(6);
    S3mPattern& intro = patterns[0];
    Drums(intro, Beat::Intro);
    Pads(intro, kVerse);
    Bass(intro, kVerse, 2);

    for (int i : {1, 2}) {
        Drums(patterns[static_cast<size_t>(i)], i == 1 ? Beat::Main : Beat::Fill);
        Bass(patterns[static_cast<size_t>(i)], kVerse);
        Pads(patterns[static_cast<size_t>(i)], kVerse);
        Melody(patterns[static_cast<size_t>(i)], i == 1 ? kMelodyA : kMelodyA2, kLeadChannel, kLead,
               0, 48);
    }
    for (int i : {3, 4}) {
        const Progression& chords = i == 3 ? kChorus : kCadence;
        Drums(patterns[static_cast<size_t>(i)], i == 3 ? Beat::Main : Beat::Fill);
        Bass(patterns[static_cast<size_t>(i)], chords);
        Pads(patterns[static_cast<size_t>(i)], chords);
        Arpeggio(patterns[static_cast<size_t>(i)], chords, kPluck, 40);
        Melody(patterns[static_cast<size_t>(i)], i == 3 ? kMelodyB : kMelodyB2, kLeadChannel, kLead,
               0, 50);
    }
    S3mPattern& breakdown = patterns[5];
    Drums(breakdown, Beat::Breakdown);
    Pads(breakdown, kVerse);
    Bass(breakdown, kVerse, 2);
    Melody(breakdown, kMelodyA, kArpChannel, kBell, 12, 44);
    return patterns;
}

}  // namespace

S3mWriter SongComposer::Compose() {
    S3mWriter song;
    song.title = kTitle;
    song.speed = 6;
    song.tempo = 125;
    song.globalVolume = 64;
    song.pans = {8, 7, 11, 8, 6, 3, 12, 9, 10};
    for (const SynthSample& s :
         {InstrumentSynth::Kick(), InstrumentSynth::Snare(), InstrumentSynth::ClosedHat(),
          InstrumentSynth::OpenHat(), InstrumentSynth::Bass(), InstrumentSynth::Lead(),
          InstrumentSynth::Pad(), InstrumentSynth::Pluck(), InstrumentSynth::Bell()})
        song.instruments.push_back(s.ToS3m());
    song.patterns = Patterns();
    song.orders = {0, 1, 2, 3, 4, 5, 1, 2};
    return song;
}

}  // namespace vimsa::tool
