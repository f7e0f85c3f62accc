#pragma once

#include "scene/bounding_volume.h"

namespace vimsa {

// A pair test takes two volumes, the one of lower kind index first, and
// returns 0 (disjoint), 1 (the second lies inside the first, or the answer is
// undecided and taken as visible), 2 (overlapping) or a failure code.
using PairTest = Result (*)(const BoundingVolume& first, const BoundingVolume& second);

// The process-wide table of pair tests indexed by two volume kinds. It is
// built on first use; registration assigns the kinds their indices.
class PairTests {
public:
    static constexpr int kMaxKinds = 8;

    static PairTests& Instance();

    // Assigns the next free index to an unassigned kind and stores the test
    // for the pair. False when an index lies outside the table.
    bool RegisterPair(int& kindA, int& kindB, PairTest test);

    Result Intersects(const BoundingVolume* a, const BoundingVolume* b) const;

private:
    PairTests();
    int AssignIndex(int& kind);

    PairTest tests_[kMaxKinds][kMaxKinds] = {};
    int nextIndex_ = 0;
};

// What the last sphere-against-geometry hit touched, for callers that slide
// along walls.
struct GeometryHit {
    const BoundingVolume* sphere = nullptr;
    const BoundingVolume* geometry = nullptr;
    int face = -1;
};
GeometryHit& LastGeometryHit();

// World-space normal of the last triangle hit by a sphere against an
// object's exact geometry (zero until the first hit).
Vector3& LastHitNormal();

// Individual pair tests, exposed for tests and benchmarks.
namespace pair_test {
Result BoxBox(const BoundingVolume& a, const BoundingVolume& b);
Result BoxSphere(const BoundingVolume& a, const BoundingVolume& b);
Result BoxGeometry(const BoundingVolume& a, const BoundingVolume& b);
Result BoxFrustum(const BoundingVolume& a, const BoundingVolume& b);
Result BoxPlaneSet(const BoundingVolume& a, const BoundingVolume& b);
Result SphereSphere(const BoundingVolume& a, const BoundingVolume& b);
Result SphereGeometry(const BoundingVolume& a, const BoundingVolume& b);
Result SphereFrustum(const BoundingVolume& a, const BoundingVolume& b);
Result SpherePlaneSet(const BoundingVolume& a, const BoundingVolume& b);
}  // namespace pair_test

}  // namespace vimsa
