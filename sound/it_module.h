#pragma once

#include <cstdint>
#include <vector>

#include "sound/module.h"

namespace vimsa {

// Impulse Tracker module ("IMPM"). In sample mode notes play the sample named
// by the instrument column; in instrument mode (a header flag) the
// instruments' note tables, envelopes and new note actions are played.
class ItModule : public Module {
public:
    ModuleKind Kind() const override { return ModuleKind::It; }
    const char* DefaultExtension() const override { return nullptr; }
    void SkipRows(PatternCursor& cursor, int rows) const override;
    void UnpackRow(RowBuffer& row, PatternCursor& cursor) const override;
    std::string SongName() const override;

    // Note byte of an IT note number: 0..119 become octave and semitone; 254
    // is a note cut, 255 a note off and the other values note fades.
    static uint8_t ConvertNote(uint8_t itNote);

protected:
    bool CheckSignature() override;
    Result Load() override;

private:
    void LoadHeader();
    void LoadPatterns(uint64_t patternOffsets);
    void LoadSample(int index, uint64_t header);
    void LoadSampleSettings(SampleSlot& slot, uint64_t header) const;
    static void SetLoop(uint32_t& start, uint32_t& length, uint64_t bytes, uint64_t begin,
                        uint64_t end);
    void LoadInstrument(Instrument& instrument, uint64_t header, bool oldFormat);
    void LoadNewInstrument(Instrument& instrument, uint64_t header);
    void LoadOldInstrument(Instrument& instrument, uint64_t header);
    void LoadEnvelope(Envelope& e, uint64_t at, int low, int high);
    static void FinishEnvelope(Envelope& e, bool enabled, bool loop, bool sustain,
                               uint8_t loopStart, uint8_t loopEnd, uint8_t sustainStart,
                               uint8_t sustainEnd);
};

}  // namespace vimsa
