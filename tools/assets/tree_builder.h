#pragma once

#include "core/result.h"
#include "tools/assets/node_meshes.h"

namespace vimsa::tool {

// Trees for the terrain, rooted at their origin (y = 0; up is -y).
class TreeBuilder {
public:
    // A broad-leaved tree about 6 high, its crown in leafy clumps.
    static Result LeafyTree(Model& out);
    // A baobab in few polygons: a bottle trunk, stubby boughs and flat
    // tufts, about 4.6 high.
    static Result Baobab(Model& out);
};

}  // namespace vimsa::tool
