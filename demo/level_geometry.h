#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/ref_object.h"
#include "core/vector.h"
#include "world/mesh_base.h"

namespace vimsa {

class GraphNode;

// Gathers the level's surfaces in world coordinates, as quads cut into
// cells no larger than a metre or so (the lighting is computed per vertex),
// with texture coordinates that tile one picture every two units. Built into
// a mesh relative to the node that will hold it.
class LevelGeometry {
public:
    // A quad a, b, c, d (round its edge), seen from the side `towards` points to.
    void Quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards);
    // A floor (seen from above) or ceiling (seen from below) rectangle.
    void Floor(float x0, float z0, float x1, float z1, float y);
    void Ceiling(float x0, float z0, float x1, float z1, float y);
    // A wall from floor to ceiling along x (at z) or along z (at x), seen
    // from `facing`, with full-height openings [from, to] left out.
    void WallAlongX(float z, float x0, float x1, Vector3 facing,
                    const std::vector<std::pair<float, float>>& openings = {});
    void WallAlongZ(float x, float z0, float z1, Vector3 facing,
                    const std::vector<std::pair<float, float>>& openings = {});
    // An axis-aligned box seen from outside (no bottom when `open` is set).
    void Box(Vector3 low, Vector3 high, bool open = false);
    // The collected surfaces as a mesh placed at `node` (null: world), with
    // its bounding box. Null when there is nothing or the mesh fails.
    Handle<MeshBase> Build(GraphNode* node) const;
    bool Empty() const { return positions_.empty(); }

    float height = 3.0f;  // floor to ceiling
    float cell = 1.25f;   // largest cell side
    Vector4 colour{1, 1, 1, 1};

private:
    void Cell(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards);

    std::vector<Vector3> positions_;
    std::vector<Vector2> uvs_;
    std::vector<float> colours_;
    std::vector<int32_t> faces_;
};

}  // namespace vimsa
