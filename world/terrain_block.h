#pragma once

#include <cstdint>

#include "core/ref_object.h"
#include "core/result.h"
#include "core/vector.h"
#include "world/block_settings.h"
#include "world/terrain_mesh.h"

namespace vimsa {

class Terrain;

// Cells per block side a block can be built with: (n + 1)² vertices must be
// reachable by 16-bit indices.
inline constexpr uint32_t kMaxBlockResolution = 255;

// One square of a terrain's grid: its place in the grid, the settings of the
// BLOC section that covers it and, once built, its mesh.
class TerrainBlock : public RefObject {
public:
    TerrainBlock(Terrain* owner, uint32_t rowIndex, uint32_t columnIndex)
        : terrain(owner), row(rowIndex), column(columnIndex) {}

    Terrain* terrain;  // not counted; cleared when the terrain lets the block go
    Handle<BlockSettings> settings;
    uint32_t row;
    uint32_t column;
    Handle<TerrainMesh> mesh;
};

// Builds the block's mesh from its settings and its terrain's size: a grid of
// resolution² cells whose heights are sampled from the height picture, with
// the colour texture spread over the settings' whole range of blocks and the
// detail texture tiled over it, and a bounding box. The previous mesh is
// released first. No settings: ERR_NO_RENDERER; no terrain: ERR_NULL_ARGUMENT;
// a resolution of 0 or above kMaxBlockResolution: ERR_TERRAIN_RESOLUTION;
// the mesh could not be built: ERR_FAIL; otherwise LoadBlockTextures' code.
Result BuildBlock(TerrainBlock& block);

// Gives the mesh its device buffer and strips. No settings or no mesh:
// ERR_NO_RENDERER; otherwise TerrainMesh::PrepareStrips' code.
Result PrepareStrips(TerrainBlock& block);

// Detail texture on stage 1 of the mesh, or none.
void SetDetailTexture(TerrainBlock& block, bool on);

// Draws the mesh with its terrain's world placement. No mesh: 0.
Result RenderBlock(TerrainBlock& block);

// Replaces the y of a point (terrain space, inside the block's square) by
// the height of the block's surface under it. False without a built mesh or
// for a point that is not a number.
bool BlockHeightAt(const TerrainBlock& block, Vector3& point);

}  // namespace vimsa
