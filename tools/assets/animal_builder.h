#pragma once

#include "core/result.h"
#include "tools/assets/node_meshes.h"

namespace vimsa::tool {

// The level's animals, standing on their origin (y = 0; up is -y) and
// facing +z.
class AnimalBuilder {
public:
    // A tabby cat sitting with its tail round its paws, 0.6 high.
    static Result Cat(Model& out);
    // A pink pig, 1.2 long and 0.75 high at the ears.
    static Result Pig(Model& out);
};

}  // namespace vimsa::tool
