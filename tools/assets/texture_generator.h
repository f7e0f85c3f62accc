#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "tools/assets/picture.h"

namespace vimsa::tool {

// One texture file of the data folder.
struct TextureFile {
    std::string path;        // relative to the data folder, e.g. "texture/g06.tga"
    uint32_t bits = 24;      // 16, 24 or 32 bits per pixel (BMP: 24)
    bool chunkTwin = false;  // also written pre-converted, as the ".FTGA" twin
    Picture (*make)() = nullptr;
};

// The demo's pictures, made from noise: the scene's stone, brick, tiles, wood,
// metal and cobbles, the props' and characters' materials, the particle spot
// and the white default texture. Every picture tiles without a seam unless it
// is a map or a spot.
class TextureGenerator {
public:
    // Every texture file, in the order they are written.
    static const std::vector<TextureFile>& Files();
    // Writes them all, relative to the current folder.
    static Result WriteAll();
    // Writes one (its folder must exist).
    static Result Write(const TextureFile& file);
};

}  // namespace vimsa::tool
