#include "scene/graph_portal.h"

#include <algorithm>

#include "core/format_string.h"

namespace vimsa {

GraphPortal::GraphPortal() : GraphNode() {
    // The node part took a node number; portals are numbered on their own.
    GiveBackObjectNumber(NameCounter::Node);
    portalNumber = TakeObjectNumber(NameCounter::Portal);
    FormatString(name, kPortalNameFormat, portalNumber);
}

GraphPortal::~GraphPortal() {
    GraphPortal::RemoveAllPortals();
}

void GraphPortal::DetachFromParent() {
    parent->RemovePortal(this);
}

bool GraphPortal::AddPortal(GraphPortal* portal) {
    if (!portal) return false;
    portals.emplace_back(portal);
    return true;
}

bool GraphPortal::RemovePortal(GraphPortal* portal) {
    const auto newEnd =
        std::remove_if(portals.begin(), portals.end(),
                       [portal](const Handle<GraphPortal>& h) { return h.Get() == portal; });
    portals.erase(newEnd, portals.end());
    return true;
}

void GraphPortal::RemoveAllPortals() {
    portals.clear();
}

}  // namespace vimsa
