#pragma once

#include <cstdint>

namespace vimsa {

class Camera;
class GraphNode;

// When set (the default), every portal crossed narrows the camera's clip
// volume by the four planes through the eye and the opening's edges.
bool IsPortalClipping();
void SetPortalClipping(bool clipping);

// Renders `node`, what is visible through its portals, its children and its
// linked nodes; `stats` counts the nodes visited.
void RenderPortals(GraphNode* node, Camera* camera, int32_t stamp, int32_t& stats);

// The portal render pass: empties the camera's clip volume and renders from
// the room that holds the camera's node. Returns the number of nodes visited.
int32_t RenderFrom(Camera* camera, int32_t stamp, int32_t& stats);

}  // namespace vimsa
