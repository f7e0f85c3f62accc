#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/ref_object.h"

namespace vimsa {

class GraphPortal;

// What the records of one save, or of one load, share. A save numbers the
// objects it refers to (a parent in "FATH", a portal and its twin in
// "GPOR"), so that the numbers are unique within the file; a load collects
// the portals it reads with the identities they were saved under and pairs
// twins once the whole file is in. It lives for that one operation only,
// so nothing of a load lingers into the next.
class SceneRecordContext {
public:
    SceneRecordContext();
    ~SceneRecordContext();
    SceneRecordContext(const SceneRecordContext&) = delete;
    SceneRecordContext& operator=(const SceneRecordContext&) = delete;

    // --- saving ---

    // The identity `object` has in this save: 0 for none, otherwise the
    // same number every time it is asked, numbered from 1 in asking order.
    uint32_t IdentityOf(const void* object);

    // --- loading ---

    // A portal was read under `identity` (0: none). When two portals claim
    // one identity the first keeps it.
    void PortalRead(GraphPortal* portal, uint32_t identity);
    // A portal's stored twin identity (0: no twin).
    void TwinRead(GraphPortal* portal, uint32_t twinIdentity);
    // Makes each portal whose twin identity names another portal read in
    // this load that portal's twin, and that portal its twin in turn (a pair
    // is listed once on each side). Returns the number of portals that
    // gained a twin. A portal never becomes its own twin: the pair would
    // hold itself alive.
    int PairPortals();

    // A texture path a record named that no texture could be found for;
    // each path is listed once, in the order first met.
    void TextureMissing(const std::string& path);
    const std::vector<std::string>& MissingTextures() const { return missingTextures_; }

private:
    std::unordered_map<const void*, uint32_t> identities_;
    uint32_t nextIdentity_ = 1;
    std::unordered_map<uint32_t, Handle<GraphPortal>> portalsByIdentity_;
    std::vector<std::pair<Handle<GraphPortal>, uint32_t>> twinIdentities_;
    std::vector<std::string> missingTextures_;
};

}  // namespace vimsa
