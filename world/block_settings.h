#pragma once

#include <cstdint>
#include <string>

#include "core/ref_object.h"
#include "core/result.h"
#include "render/texture.h"

namespace vimsa {

// A range of block columns or rows, first..last inclusive.
struct BlockRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint8_t set = 0;

    uint32_t Span() const { return last - first + 1; }
};

// What one BLOC section of a terrain description says about the blocks it
// covers. Blocks share it by handle, so keys read after the ranges still
// reach every block the section has claimed.
class BlockSettings : public RefObject {
public:
    BlockRange columns;  // BLOCX
    BlockRange rows;     // BLOCY
    std::string heightName;
    std::string colourName;
    std::string detailName;
    uint32_t tilingX = 1;
    uint32_t tilingY = 1;
    uint32_t resolution = 0;  // cells per block side
    float altitude = 0.0f;    // added to every sampled height
    float height = 0.0f;      // scale of the height picture's value
    // The height picture only ever lives in main memory; the other two are
    // uploaded when they load.
    Handle<Texture> heightTexture;
    Handle<Texture> colourTexture;
    Handle<Texture> detailTexture;
    uint8_t loaded = 0;
};

// Loads the three pictures once, with the current renderer. A picture that
// cannot be read is not an error: its block is flat, or drawn without that
// texture. No current renderer: ERR_NO_RENDERER; no texture object from the
// renderer: ERR_FAIL; a picture the device refuses: the upload's code.
Result LoadBlockTextures(BlockSettings& settings);

// The settings' ground height at (u, v) in 0..1 over the height picture
// (values outside are taken at the nearest edge): the picture's 24-bit
// colour read as a number in 0..1, filtered between the four nearest pixels,
// times the height scale, plus the altitude. Without a picture, the altitude.
float SampleHeight(const BlockSettings& settings, float u, float v);

}  // namespace vimsa
