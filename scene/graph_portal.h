#pragma once

#include "scene/graph_node.h"

namespace vimsa {

// A node placed on an opening between two rooms, paired with the twin
// portal on the other side, or a mirror (no twin) that shows its own room
// reflected. Its local XY plane is the opening's plane, its +Z axis points
// into the room that holds it, and its bounds give the opening's extent.
class GraphPortal : public GraphNode {
public:
    enum Kind : int32_t { kOpening = 0, kMirror = 1 };

    GraphPortal();
    ~GraphPortal() override;

    ObjectType GetType() const override { return ObjectType::GraphPortal; }
    void SetActive(bool value) override { active = value ? 1 : 0; }

    // The twin list only stores handles: pairing does not re-parent the twin.
    bool AddPortal(GraphPortal* portal) override;
    bool RemovePortal(GraphPortal* portal) override;
    void RemoveAllPortals() override;

    // The portal on the other side of the opening, or null.
    GraphPortal* Twin() const { return portals.empty() ? nullptr : portals.front().Get(); }

    int32_t portalKind = kOpening;
    uint8_t active = 1;
    uint8_t portalFlag = 0;
    Matrix4 mirrorMatrix;
    uint8_t hasMirrorMatrix = 0;
    int32_t portalNumber = 0;

protected:
    void DetachFromParent() override;
};

}  // namespace vimsa
