#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "sound/instrument.h"

namespace vimsa {

class PlayState;

// Pans run from 0 (left) to kPanRight (right). MOD and S3M pans (0..15) are
// kept as 16 times their value and IT pans (0..64) as 4 times theirs, so
// each format's steps fall on whole numbers.
inline constexpr uint16_t kPanRight = 256;
inline constexpr uint16_t kPanCentre = 128;

enum class ModuleKind { Mod, S3m, It };

// One instrument's sample. Lengths and positions are in bytes; the data is
// unsigned (8-bit biased by 128, 16-bit little-endian biased by 32768).
struct SampleSlot {
    bool present = false;           // the module defines this instrument
    uint32_t headerOffset = 0;      // where its header lies in the file
    const uint8_t* data = nullptr;  // null when the instrument has no sample data
    uint32_t c2Speed = 8363;        // Hz of the middle C
    uint32_t c5Speed = 0;           // IT: Hz of C-5, the exact tuning
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;  // 0: no loop
    bool sixteenBit = false;
    uint8_t volume = 0;  // 0..63; IT 0..64
    bool pingPong = false;

    // IT only. A sustain loop plays instead of the loop until the note is
    // released.
    uint32_t sustainStart = 0;
    uint32_t sustainLength = 0;  // 0: none
    bool sustainPingPong = false;
    uint8_t globalVolume = 64;  // 0..64
    bool hasPan = false;        // the sample sets the channel's pan
    uint8_t pan = 32;           // 0..64
    // Vibrato of the sample itself: speed, depth, the rate at which it
    // deepens (0..64 each) and waveform (0 sine, 1 ramp down, 2 square,
    // 3 random).
    uint8_t vibratoSpeed = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint8_t vibratoWave = 0;
};

// One channel's entry of an unpacked row; 255 marks an empty field.
struct RowCell {
    uint8_t note = 255;
    uint8_t instrument = 255;
    uint8_t volume = 255;
    uint8_t effect = 255;
    uint8_t parameter = 255;
    // IT's volume column beyond plain volumes: slides, pans, portamento
    // and vibrato as stored (65..212).
    uint8_t volumeCommand = 255;
};
using RowBuffer = std::array<RowCell, 64>;

// How a note's pitch is reckoned and slid.
enum class PitchModel : uint8_t {
    // Whole periods from the period table, scaled to the sample's C2 speed,
    // slid by adding to the period (MOD, S3M).
    PeriodTable,
    // The exact pitch of the sample's C5 speed, slid by adding to the
    // period (IT without linear slides).
    Amiga,
    // The exact pitch, slid in 1/64 semitone steps (IT, linear slides).
    Linear,
};

// Where the formats play the shared effects differently. Each loader sets
// the rules of its format; the defaults are those of Scream Tracker 3.
struct PlayRules {
    // Impulse Tracker's forms of the shared effects: volumes to 64, global
    // volume to 128, channel volumes, the volume column, vibrato on every
    // tick and Oxx past the end ignored.
    bool impulse = false;
    // Cxx names its row in hexadecimal (Impulse Tracker) instead of two
    // decimal digits.
    bool hexBreakRow = false;
    PitchModel pitch = PitchModel::PeriodTable;
    // Notes play through the instruments' note tables, envelopes and new
    // note actions (IT instrument mode).
    bool instruments = false;
    // IT's "old effects": vibrato as deep as other trackers' and skipping
    // the row tick, Oxx past the end plays the end.
    bool oldEffects = false;
    // Gxx shares its memory with Exx and Fxx.
    bool linkedPortamento = false;
    uint8_t panSeparation = 128;  // 0..128: how far the channels spread
};

// Read position inside one pattern's packed data. Reading stops at `end`, so
// a pattern cut short by the end of the file reads as empty rows. The IT
// packing remembers, per channel, the last mask and values; that memory
// belongs to the pattern being read and starts empty with each pattern.
struct PatternCursor {
    const uint8_t* pos = nullptr;
    const uint8_t* end = nullptr;
    std::array<uint8_t, 64> lastMask{};
    std::array<RowCell, 64> last{};

    bool HasData() const { return pos != nullptr && pos < end; }
};

// A tracker module loaded whole into memory. Samples and patterns point into
// the file data; signed sample data is converted to unsigned in place.
class Module : public RefObject {
public:
    static constexpr int kMaxChannels = 64;
    static constexpr int kMaxSamples = 99;
    static constexpr int kMaxInstruments = 99;
    static constexpr int kOrderCount = 256;
    // Rows of every MOD and S3M pattern, and of an IT pattern that is absent.
    static constexpr int kRowsPerPattern = 64;
    // Most rows an IT pattern may have.
    static constexpr int kMaxRows = 200;
    static constexpr uint8_t kOrderSkip = 254;
    static constexpr uint8_t kOrderEnd = 255;

    Module();
    ~Module() override;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    virtual ModuleKind Kind() const = 0;
    // ".MOD" or ".S3M"; nullptr for a format that keeps the name it is given.
    virtual const char* DefaultExtension() const = 0;
    // Advances the cursor by `rows` rows of the current pattern.
    virtual void SkipRows(PatternCursor& cursor, int rows) const = 0;
    // Unpacks one row into `row` (fields the row does not set are left alone).
    virtual void UnpackRow(RowBuffer& row, PatternCursor& cursor) const = 0;
    // The title stored in the file.
    virtual std::string SongName() const = 0;

    // Empties the module and reads the file whole. The file name's extension
    // is replaced by DefaultExtension() when the format has one. Emptying
    // frees every play state and makes a new, stopped first one.
    Result ReadFile(const std::string& path);
    // Empties the module and takes a file image already in memory.
    Result SetData(std::vector<uint8_t> data);

    Result Validate();
    Result Parse();

    // Starts the song from `startOrder`/`startRow` on the first play state, or
    // on a new one appended to the list when `newInstance` is set. The state
    // used is stored in `*started` when that is given.
    Result StartSong(int startOrder, int startRow, bool stereo, bool loop, bool newInstance,
                     PlayState** started = nullptr);
    // Stops a state; every state but the first is freed.
    Result StopSong(PlayState* state);

    // A pattern's packed data; an empty cursor for a missing pattern.
    PatternCursor PatternStart(int pattern) const;
    // Rows of a pattern as stored (1..kMaxRows); kRowsPerPattern for a
    // missing pattern.
    int PatternRows(int pattern) const;
    // The sample a note of an instrument (1..99) plays; null when none. In
    // IT instrument mode the instrument's note table picks it; otherwise the
    // instrument number names the sample.
    const SampleSlot* SampleFor(int instrument, uint8_t note) const;
    // The note that sounds for a note of an instrument: in IT instrument
    // mode the note table may transpose it; otherwise the note itself.
    uint8_t PlayedNote(int instrument, uint8_t note) const;
    // An IT instrument (1..99) in instrument mode; null when absent.
    const Instrument* InstrumentAt(int instrument) const;

    Result LastResult() const { return lastResult_; }
    bool Loaded() const { return loaded_; }
    bool Parsed() const { return parsed_; }
    bool Stereo() const { return stereo_; }
    const PlayRules& Rules() const { return rules_; }
    uint8_t GlobalVolume() const { return globalVolume_; }
    uint8_t InitialSpeed() const { return initialSpeed_; }
    uint8_t InitialTempo() const { return initialTempo_; }
    uint8_t MixVolume() const { return mixVolume_; }
    int SongLength() const { return songLength_; }
    const std::array<uint8_t, kOrderCount>& Orders() const { return orders_; }
    int PatternCount() const { return static_cast<int>(patterns_.size()); }
    const std::array<SampleSlot, kMaxSamples>& Samples() const { return samples_; }
    // Channel pans, 0..kPanRight.
    const std::array<uint16_t, kMaxChannels>& ChannelPan() const { return channelPan_; }
    const std::array<bool, kMaxChannels>& ChannelEnabled() const { return channelEnabled_; }
    // Channel volumes, 0..64 (IT; 64 in the other formats).
    const std::array<uint8_t, kMaxChannels>& ChannelVolume() const { return channelVolume_; }
    int InstrumentCount() const { return static_cast<int>(instruments_.size()); }
    int ChannelCount() const { return channelCount_; }
    const std::vector<uint8_t>& FileData() const { return data_; }

    // Play states belong to the module and are freed by ReadFile, SetData and
    // StopSong, so whoever keeps a song across those calls keeps its Id() and
    // looks the state up again each time it needs it.
    size_t PlayStateCount() const { return playStates_.size(); }
    PlayState* GetPlayState(size_t index) const;
    // The play state with that id; null once it has been freed.
    PlayState* FindPlayState(uint64_t id) const;

protected:
    struct PatternSpan {
        uint32_t begin = 0;
        uint32_t end = 0;  // begin == end: absent
        int rows = kRowsPerPattern;
    };

    // The format's signature test, on data that is known to be non-empty.
    virtual bool CheckSignature() = 0;
    // The format's loader, run once on validated data.
    virtual Result Load() = 0;

    // Bounds-checked little- and big-endian reads: bytes past the end of the
    // file read as 0, so a truncated header yields empty fields, never a read
    // outside the buffer.
    uint8_t U8(uint64_t offset) const;
    uint16_t U16(uint64_t offset) const;
    uint16_t U16BigEndian(uint64_t offset) const;
    uint32_t U32(uint64_t offset) const;

    // Bytes of the file from `offset` up to `wanted`, cut at the end of the file.
    uint32_t Available(uint64_t offset, uint64_t wanted) const;
    // Points a slot at `length` bytes of sample data at `offset` (cut at the
    // end of the file; absent when nothing is there) and fits its loop inside.
    void PlaceSampleData(SampleSlot& slot, uint64_t offset, uint64_t length);
    // Converts signed sample data of a slot to unsigned, in place.
    void ConvertSigned(SampleSlot& slot);
    // Points a slot at sample data expanded from a packed form; the module
    // keeps it.
    void PlaceDecoded(SampleSlot& slot, std::vector<uint8_t> decoded);
    // A pattern occupying [begin, begin + length) of the file, cut at its end.
    PatternSpan Span(uint64_t begin, uint64_t length) const;

    // Keeps a slot's loops inside its data (and whole samples for 16-bit).
    static void FitLoop(SampleSlot& slot);

    std::vector<uint8_t> data_;
    PlayRules rules_;
    bool stereo_ = true;
    uint8_t globalVolume_ = 64;
    uint8_t initialSpeed_ = 6;
    uint8_t initialTempo_ = 125;
    uint8_t mixVolume_ = 48;
    int songLength_ = 0;
    std::array<uint8_t, kOrderCount> orders_{};
    std::array<SampleSlot, kMaxSamples> samples_{};
    std::vector<PatternSpan> patterns_;
    std::array<uint16_t, kMaxChannels> channelPan_{};
    std::array<bool, kMaxChannels> channelEnabled_{};
    std::array<uint8_t, kMaxChannels> channelVolume_{};
    std::vector<Instrument> instruments_;
    // Most memory all expanded samples of one module may take.
    static constexpr uint64_t kMaxDecodedBytes = 64u << 20;
    // Packed samples are expanded here; their slots point into it.
    std::vector<std::vector<uint8_t>> decoded_;
    uint64_t decodedBytes_ = 0;
    int channelCount_ = 0;

private:
    // Empties the module; ERR_FAIL when no first play state could be made.
    Result Clear();
    Result Store(Result r) { return lastResult_ = r; }

    Result lastResult_ = RESULT_OK;
    bool loaded_ = false;
    bool parsed_ = false;
    std::vector<std::unique_ptr<PlayState>> playStates_;
};

// `path` with the extension of its last component replaced by `extension`
// (appended when there is none).
std::string ReplaceExtension(const std::string& path, const char* extension);

}  // namespace vimsa
