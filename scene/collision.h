#pragma once

#include <cstdint>

namespace vimsa {

class GraphNode;
class GraphObj;
class GraphPortal;

// Results of a collision test of a moving node against its room.
enum CollisionResult : int32_t {
    kNoCollision = 0,
    kHitObject = 1,      // the mover hits a scene object
    kTouchPortal = 2,    // the mover touches a portal from its facing side
    kCrossedPortal = 3,  // the mover passed a portal and now belongs to the room behind it
};

// Precision 0 is coarse (volumes against exact geometry); anything else is
// fine (the mover's own objects against exact geometry).
int32_t Collide(GraphNode* mover, int32_t precision);
int32_t CollideNode(GraphNode* node, GraphNode* mover, int32_t precision);

bool HitsObjectCoarse(GraphNode* mover, GraphObj* object);
bool HitsObjectFine(GraphNode* mover, GraphObj* object);
bool TouchesPortalContents(GraphNode* mover, GraphPortal* portal);

// The portal of the most recent touch or crossing (not counted).
GraphPortal*& LastPortal();

}  // namespace vimsa
