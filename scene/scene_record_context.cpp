#include "scene/scene_record_context.h"

#include <algorithm>

#include "scene/graph_portal.h"

namespace vimsa {
namespace {

bool ListsTwin(const GraphPortal& portal, const GraphPortal* twin) {
    return std::any_of(portal.portals.begin(), portal.portals.end(),
                       [twin](const Handle<GraphPortal>& p) { return p.Get() == twin; });
}

// True when `portal` gained `twin`.
bool Link(GraphPortal& portal, GraphPortal& twin) {
    if (ListsTwin(portal, &twin)) return false;
    return portal.AddPortal(&twin);
}

}  // namespace

SceneRecordContext::SceneRecordContext() = default;
SceneRecordContext::~SceneRecordContext() = default;

uint32_t SceneRecordContext::IdentityOf(const void* object) {
    if (!object) return 0;
    const auto [entry, added] = identities_.try_emplace(object, nextIdentity_);
    if (added) ++nextIdentity_;
    return entry->second;
}

void SceneRecordContext::PortalRead(GraphPortal* portal, uint32_t identity) {
    if (!portal || identity == 0) return;
    portalsByIdentity_.try_emplace(identity, portal);
}

void SceneRecordContext::TwinRead(GraphPortal* portal, uint32_t twinIdentity) {
    if (!portal || twinIdentity == 0) return;
    twinIdentities_.emplace_back(portal, twinIdentity);
}

void SceneRecordContext::TextureMissing(const std::string& path) {
    if (std::find(missingTextures_.begin(), missingTextures_.end(), path) == missingTextures_.end())
        missingTextures_.push_back(path);
}

int SceneRecordContext::PairPortals() {
    int paired = 0;
    for (const auto& [portal, twinIdentity] : twinIdentities_) {
        const auto found = portalsByIdentity_.find(twinIdentity);
        if (found == portalsByIdentity_.end()) continue;
        GraphPortal* twin = found->second.Get();
        if (twin == portal.Get()) continue;
        paired += Link(*portal, *twin) ? 1 : 0;
        paired += Link(*twin, *portal) ? 1 : 0;
    }
    return paired;
}

}  // namespace vimsa
