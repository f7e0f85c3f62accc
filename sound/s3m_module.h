#pragma once

#include <cstdint>
#include <vector>

#include "sound/module.h"

namespace vimsa {

// Scream Tracker 3 module ("SCRM"): up to 32 channels, instruments with
// unsigned sample data, packed patterns of 64 rows.
class S3mModule : public Module {
public:
    ModuleKind Kind() const override { return ModuleKind::S3m; }
    const char* DefaultExtension() const override { return ".S3M"; }
    void SkipRows(PatternCursor& cursor, int rows) const override;
    void UnpackRow(RowBuffer& row, PatternCursor& cursor) const override;
    std::string SongName() const override;

protected:
    bool CheckSignature() override;
    Result Load() override;

private:
    void LoadInstrument(int index, uint64_t header, bool signedData);
    std::vector<uint8_t> DecodeAdpcm(uint64_t at, uint64_t length) const;
};

}  // namespace vimsa
