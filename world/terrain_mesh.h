#pragma once

#include <cstdint>
#include <vector>

#include "world/mesh_base.h"

namespace vimsa {

// The grid mesh of one terrain block: (n + 1)² vertices, n cells per side,
// drawn with the colour texture on stage 0 and the detail texture on
// stage 1, as n triangle strips once its device buffer has them.
class TerrainMesh : public MeshBase {
public:
    ObjectType GetType() const override { return ObjectType::TerrainMesh; }
    Result Render() override;

    // Cells per side, set when the block builds the mesh.
    uint32_t Side() const { return side_; }
    void SetSide(uint32_t side) { side_ = side; }
    // Strip rows the device buffer draws; 0 while it has no strips.
    uint32_t StripRows() const { return stripRows_; }

    // Creates the device buffer and gives it one strip per row of cells.
    // ERR_STREAM_FAILED when the renderer makes no buffer or refuses the
    // strips; the mesh then draws as a triangle list.
    Result PrepareStrips();

private:
    uint32_t side_ = 0;
    uint32_t stripRows_ = 0;
    // The device buffer only points at the strip list, so the mesh keeps it.
    std::vector<uint16_t> strips_;
};

}  // namespace vimsa
