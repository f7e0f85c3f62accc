#pragma once

#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa::tool {

// The demo's terrain: a square of rolling hills around a flat clearing,
// centred on the node that carries it. The description "terrain/terrain.txt"
// splits it into two BLOC sections (the +z half and the -z half), each with
// its own height and colour pictures; both pictures of a section are TGA
// files, so their rows line up, and the two halves are cut from one height
// function, so they meet without a step.
class TerrainGenerator {
public:
    // The contract the level is built around (world units, y down).
    static constexpr float kSize = 64.0f;         // SIZE: x and z from -32 to +32
    static constexpr int kBlocks = 4;             // BLOCS: 4 x 4 blocks of 16 units
    static constexpr int kResolution = 24;        // RESOL: cells per block side
    static constexpr float kAltitude = 0.0f;      // ALTI of the TERRAIN section
    static constexpr float kHeightScale = 12.0f;  // HEIGHT: a full height pixel
    static constexpr float kClearing = 6.0f;      // radius of the flat ground at y = 0
    static constexpr float kHighest = 9.0f;       // the highest hill tops, about

    // Height of the ground above the terrain's origin (towards -y) at (x, z)
    // of its node's frame.
    static float GroundHeight(float x, float z);

    // Writes the description and its pictures below "terrain/"; `written`
    // receives their paths.
    static Result WriteAll(std::vector<std::string>& written);
};

}  // namespace vimsa::tool
