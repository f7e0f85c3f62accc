#pragma once

#include <array>
#include <cstdint>

namespace vimsa {

// An envelope of an IT instrument: up to 25 nodes, each a value at a tick,
// joined by straight lines, with an optional loop and sustain loop between
// two nodes. Values are 0..64 for volume and -32..32 for pan and pitch (a
// pitch step is half a semitone). Loaders keep the ticks rising and the loop
// nodes inside the envelope.
struct Envelope {
    static constexpr int kMaxNodes = 25;

    bool enabled = false;
    bool loop = false;
    bool sustain = false;
    uint8_t count = 0;  // nodes; an enabled envelope has at least one
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t sustainStart = 0;
    uint8_t sustainEnd = 0;
    std::array<int8_t, kMaxNodes> value{};
    std::array<uint16_t, kMaxNodes> tick{};
};

// Where a voice is in one of its envelopes.
struct EnvelopePosition {
    uint16_t tick = 0;
    bool ended = false;  // past the last node, with no loop to return by
};

// An envelope's value at a tick, in 1/256 steps of its scale, between nodes
// on the straight line that joins them; past the last node, its value.
int32_t EnvelopeValue(const Envelope& e, uint16_t tick);

// Moves one tick on. While the key is held, the sustain loop returns from its
// end node to its start node; otherwise the loop does. Without a loop the
// position stays on the last node and is marked ended.
void AdvanceEnvelope(const Envelope& e, bool keyHeld, EnvelopePosition& p);

// What becomes of a note when the next one starts in its channel.
enum class NewNoteAction : uint8_t { Cut, Continue, Off, Fade };
// Which earlier notes of the channel a new note replaces, and how.
enum class DuplicateCheck : uint8_t { Off, Note, Sample, Instrument };
enum class DuplicateAction : uint8_t { Cut, Off, Fade };

// An IT instrument: which sample, at which note, each note plays, and how it
// sounds over time.
struct Instrument {
    static constexpr int kNotes = 120;
    // A fade lowers the note's fade volume from kFadeStart by the
    // instrument's fadeOut each tick.
    static constexpr int32_t kFadeStart = 1024;

    bool present = false;
    NewNoteAction newNoteAction = NewNoteAction::Cut;
    DuplicateCheck duplicateCheck = DuplicateCheck::Off;
    DuplicateAction duplicateAction = DuplicateAction::Cut;
    uint16_t fadeOut = 0;
    uint8_t globalVolume = 128;     // 0..128
    bool hasPan = false;            // the instrument sets the channel's pan
    uint8_t pan = 32;               // 0..64
    int8_t pitchPanSeparation = 0;  // pan moves by (note - centre) * separation / 8
    uint8_t pitchPanCentre = 60;
    // Read but not played; `mod info --unsupported` names them.
    uint8_t randomVolume = 0;
    uint8_t randomPan = 0;
    bool filter = false;                   // an initial filter cutoff or resonance
    std::array<uint8_t, kNotes> note{};    // the note each note plays
    std::array<uint8_t, kNotes> sample{};  // and its sample, 1..99; 0: none
    Envelope volumeEnvelope;
    Envelope panEnvelope;
    Envelope pitchEnvelope;
    bool pitchEnvelopeIsFilter = false;  // unplayed: the filter envelope
};

}  // namespace vimsa
