#pragma once

#include "sound/module.h"

namespace vimsa {

// ProTracker-family module ("M.K.", "FLTn", "nCHN", "nnCH"): 31 samples of
// 8-bit signed data, patterns of 64 rows with 4 bytes per channel.
class ModModule : public Module {
public:
    ModuleKind Kind() const override { return ModuleKind::Mod; }
    const char* DefaultExtension() const override { return ".MOD"; }
    void SkipRows(PatternCursor& cursor, int rows) const override;
    void UnpackRow(RowBuffer& row, PatternCursor& cursor) const override;
    std::string SongName() const override;

    // Channel count named by a 4-byte signature; 0 when it names none (or a
    // count of 0 or above 64, which no voice table can hold).
    static int SignatureChannels(const uint8_t* signature);

    // Translates a ProTracker effect and parameter to the shared effect
    // numbering; the row's volume is set by effect 12.
    static void TranslateEffect(uint8_t command, uint8_t parameter, RowCell& cell);

protected:
    bool CheckSignature() override;
    Result Load() override;

private:
    static void TranslateExtended(uint8_t parameter, uint8_t& e, uint8_t& p);

    int signatureChannels_ = 0;
};

}  // namespace vimsa
