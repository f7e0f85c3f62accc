#pragma once

#include "core/result.h"
#include "tools/assets/node_meshes.h"

namespace vimsa::tool {

// The furniture of the level's rooms. Each stands on its origin (the floor,
// y = 0; up is -y) and faces +z, sized for rooms 3 units high.
class PropBuilder {
public:
    // A marble basin 2.3 across with a pedestal and an upper bowl; the spout
    // tops out at y = -1.75.
    static Result Fountain(Model& out);
    // A fluted marble column on a plinth, exactly 3 units: floor to ceiling.
    static Result Column(Model& out);
    // A terrestrial globe on a turned wooden stand, 1.5 high.
    static Result Globe(Model& out);
    // The copper lady with torch, crown and tablet on a stone pedestal,
    // 2.95 high.
    static Result Liberty(Model& out);
};

}  // namespace vimsa::tool
