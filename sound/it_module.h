#pragma once

#include <cstdint>
#include <vector>

#include "sound/module.h"

namespace vimsa {

// Impulse Tracker module ("IMPM") played in sample mode: the instruments are
// skipped and notes play the sample named by the instrument column.
class ItModule : public Module {
public:
    ModuleKind Kind() const override { return ModuleKind::It; }
    const char* DefaultExtension() const override { return nullptr; }
    void SkipRows(PatternCursor& cursor, int rows) const override;
    void UnpackRow(RowBuffer& row, PatternCursor& cursor) const override;
    std::string SongName() const override;

    // Note byte of an IT note number: 0..119 become octave and semitone, 254
    // (note cut) stays; note off and fades are not notes here.
    static uint8_t ConvertNote(uint8_t itNote);

protected:
    bool CheckSignature() override;
    Result Load() override;

private:
    void LoadSample(int index, uint64_t header);

    // Most memory all expanded samples of one module may take.
    static constexpr uint64_t kMaxDecodedBytes = 64u << 20;

    // Compressed samples are expanded here; their slots point into it.
    std::vector<std::vector<uint8_t>> decoded_;
    uint64_t decodedBytes_ = 0;
};

}  // namespace vimsa
