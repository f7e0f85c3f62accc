#pragma once

#include "core/result.h"
#include "tools/assets/node_meshes.h"

namespace vimsa::tool {

// The two characters the player can walk: a hierarchy of limb nodes with
// their meshes (hips, chest, head; upper arms, forearms; thighs, shins,
// feet), about 1.8 units tall, y down, facing +z, the origin 1 unit above
// the soles, and an animation set that runs: one cycle of a left and a
// right stride per pass, which loops seamlessly forwards and backwards.
class CharacterBuilder {
public:
    // Keys per pass of the run cycle.
    static constexpr uint32_t kKeys = 24;

    // "Kelmardo": red T-shirt, jeans, brown hair.
    static Result Kelmardo(Model& out);
    // "Vona": green top, indigo shorts, an auburn ponytail that swings.
    static Result Vona(Model& out);
};

}  // namespace vimsa::tool
