#include "scene/pair_tests.h"

#include <cmath>

#include "scene/renderable_obj.h"

namespace vimsa {
namespace {

// Outcode bits against an axis-aligned box.
int BoxOutcode(Vector4 p, Vector3 minimum, Vector3 maximum) {
    int code = 0;
    if (p.x < minimum.x) code |= 1;
    if (p.x > maximum.x) code |= 2;
    if (p.y < minimum.y) code |= 4;
    if (p.y > maximum.y) code |= 8;
    if (p.z < minimum.z) code |= 16;
    if (p.z > maximum.z) code |= 32;
    return code;
}

// Outcode bits against the clip volume 0 <= x, y, z <= w.
int ClipOutcode(Vector4 p) {
    int code = 0;
    if (p.x < 0) code |= 1;
    if (p.x > p.w) code |= 2;
    if (p.y < 0) code |= 4;
    if (p.y > p.w) code |= 8;
    if (p.z < 0) code |= 16;
    if (p.z > p.w) code |= 32;
    return code;
}

struct Outcodes {
    int all = 255;  // AND of the corner codes
    int any = 0;    // OR of the corner codes
};

Outcodes CornersAgainstBox(const BoundingBox& box, const BoundingBox& other, const Matrix4& toBox) {
    Outcodes codes;
    for (const Vector4& corner : other.corners) {
        const int code = BoxOutcode(TransformVector4(toBox, corner), box.minimum, box.maximum);
        codes.all &= code;
        codes.any |= code;
    }
    return codes;
}

// Matrix bringing `inner`'s local space into `outer`'s local space.
Matrix4 Relative(const Matrix4& outer, const Matrix4& inner) {
    return Inverse(outer) * inner;
}

float PlaneDot(Vector4 plane, Vector4 p) {
    return plane.x * p.x + plane.y * p.y + plane.z * p.z + plane.w * p.w;
}

// Row vector times matrix: maps a plane through the inverse of a point transform.
Vector4 PlaneTimes(Vector4 plane, const Matrix4& m) {
    return {plane.x * m(0, 0) + plane.y * m(1, 0) + plane.z * m(2, 0) + plane.w * m(3, 0),
            plane.x * m(0, 1) + plane.y * m(1, 1) + plane.z * m(2, 1) + plane.w * m(3, 1),
            plane.x * m(0, 2) + plane.y * m(1, 2) + plane.z * m(2, 2) + plane.w * m(3, 2),
            plane.x * m(0, 3) + plane.y * m(1, 3) + plane.z * m(2, 3) + plane.w * m(3, 3)};
}

// Does the whole box lie on the outer side of some edge of the face? The
// edge normal m = e × n points away from the face's inside.
bool BoxBeyondAnEdge(const Vector3 face[3], Vector3 normal, const Vector4 corners[8]) {
    for (int i = 0; i < 3; ++i) {
        const Vector3 p = face[i];
        const Vector3 m = Cross(face[(i + 1) % 3] - p, normal);
        bool anyInside = false;
        for (int k = 0; k < 8 && !anyInside; ++k)
            anyInside = Dot(m, XYZ(corners[k]) - p) < 0;
        if (!anyInside) return true;
    }
    return false;
}

bool FaceTouchesBox(const Vector3 face[3], Vector4 plane, const Vector4 boxPlanes[6],
                    const Vector4 corners[8]) {
    int all = 63, any = 0;
    for (int v = 0; v < 3; ++v) {
        int code = 0;
        for (int j = 0; j < 6; ++j) {
            if (PlaneDot(boxPlanes[j], Point4(face[v])) > 0) code |= 1 << j;
        }
        all &= code;
        any |= code;
    }
    if (any == 0) return true;   // the face lies inside the box
    if (all != 0) return false;  // every vertex beyond the same box face
    bool above = false, below = false;
    for (int k = 0; k < 8; ++k) {
        const float h = PlaneDot(plane, corners[k]);
        (h >= 0 ? above : below) = true;
    }
    if (!above || !below) return false;  // the face's plane misses the box
    return !BoxBeyondAnEdge(face, XYZ(plane), corners);
}

}  // namespace

PairTests& PairTests::Instance() {
    static PairTests table;
    return table;
}

PairTests::PairTests() {
    using namespace pair_test;
    // Registration order fixes the kind indices: box 0, sphere 1,
    // geometry 2, frustum 3, plane set 4.
    RegisterPair(BoundingBox::kindIndex, BoundingBox::kindIndex, BoxBox);
    RegisterPair(BoundingBox::kindIndex, BoundingSphere::kindIndex, BoxSphere);
    RegisterPair(BoundingBox::kindIndex, GeometryVolume::kindIndex, BoxGeometry);
    RegisterPair(BoundingBox::kindIndex, FrustumVolume::kindIndex, BoxFrustum);
    RegisterPair(BoundingBox::kindIndex, PlaneSetVolume::kindIndex, BoxPlaneSet);
    RegisterPair(BoundingSphere::kindIndex, BoundingSphere::kindIndex, SphereSphere);
    RegisterPair(BoundingSphere::kindIndex, GeometryVolume::kindIndex, SphereGeometry);
    RegisterPair(BoundingSphere::kindIndex, FrustumVolume::kindIndex, SphereFrustum);
    RegisterPair(BoundingSphere::kindIndex, PlaneSetVolume::kindIndex, SpherePlaneSet);
}

int PairTests::AssignIndex(int& kind) {
    if (kind < 0) kind = nextIndex_++;
    return kind;
}

bool PairTests::RegisterPair(int& kindA, int& kindB, PairTest test) {
    const int a = AssignIndex(kindA);
    const int b = AssignIndex(kindB);
    if (a >= kMaxKinds || b >= kMaxKinds) return false;
    tests_[std::min(a, b)][std::max(a, b)] = test;
    return true;
}

Result PairTests::Intersects(const BoundingVolume* a, const BoundingVolume* b) const {
    if (!a || !b) return ERR_VOLUME_NO_TABLE;
    int ka = a->GetKind(), kb = b->GetKind();
    if (ka < 0 || kb < 0 || ka >= kMaxKinds || kb >= kMaxKinds) return ERR_VOLUME_NO_TEST;
    if (kb < ka) {
        std::swap(a, b);
        std::swap(ka, kb);
    }
    const PairTest test = tests_[ka][kb];
    return test ? test(*a, *b) : ERR_VOLUME_NO_TEST;
}

GeometryHit& LastGeometryHit() {
    static GeometryHit hit;
    return hit;
}

Vector3& LastHitNormal() {
    static Vector3 normal{0, 0, 0};
    return normal;
}

namespace pair_test {

Result BoxBox(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& first = static_cast<const BoundingBox&>(a);
    const auto& second = static_cast<const BoundingBox&>(b);
    if (!first.placement || !second.placement) return 1;
    const Outcodes inFirst =
        CornersAgainstBox(first, second, Relative(*first.placement, *second.placement));
    if (inFirst.all) return 0;
    if (!inFirst.any) return 1;
    const Outcodes inSecond =
        CornersAgainstBox(second, first, Relative(*second.placement, *first.placement));
    if (inSecond.all) return 0;
    return inSecond.any ? 2 : 1;
}

Result BoxSphere(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& box = static_cast<const BoundingBox&>(a);
    const auto& sphere = static_cast<const BoundingSphere&>(b);
    if (!box.placement || !sphere.placement) return 1;
    const Vector3 c = TransformPoint3(Relative(*box.placement, *sphere.placement), sphere.centre);
    const Vector3 m = box.minimum, M = box.maximum;
    float d = 0;
    const float coords[3] = {c.x, c.y, c.z}, lows[3] = {m.x, m.y, m.z}, highs[3] = {M.x, M.y, M.z};
    for (int i = 0; i < 3; ++i) {
        if (coords[i] < lows[i]) d += (coords[i] - lows[i]) * (coords[i] - lows[i]);
        if (coords[i] > highs[i]) d += (coords[i] - highs[i]) * (coords[i] - highs[i]);
    }
    const float r = sphere.radius, r2 = r * r;
    if (d >= r2) return 0;
    if (d == 0) {
        bool inside = true;
        for (int i = 0; i < 3; ++i)
            inside = inside && r <= coords[i] - lows[i] && r <= highs[i] - coords[i];
        if (inside) return 1;
    }
    for (const Vector4& corner : box.corners) {
        if (LengthSquared(XYZ(corner) - c) > r2) return 2;
    }
    return 1;
}

Result BoxGeometry(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& box = static_cast<const BoundingBox&>(a);
    const auto& geometry = static_cast<const GeometryVolume&>(b);
    const RenderableObj* object = geometry.geometryObject;
    if (!box.placement || !geometry.placement || !object || object->FaceCount() <= 0) return 1;
    const Matrix4 toObject = Relative(*geometry.placement, *box.placement);
    const Matrix4 toBox = Relative(*box.placement, *geometry.placement);
    Vector4 corners[8];
    for (int k = 0; k < 8; ++k)
        corners[k] = TransformVector4(toObject, box.corners[k]);
    const Vector3 m = box.minimum, M = box.maximum;
    const Vector4 localPlanes[6] = {{-1, 0, 0, m.x}, {1, 0, 0, -M.x}, {0, -1, 0, m.y},
                                    {0, 1, 0, -M.y}, {0, 0, -1, m.z}, {0, 0, 1, -M.z}};
    Vector4 boxPlanes[6];
    for (int j = 0; j < 6; ++j)
        boxPlanes[j] = PlaneTimes(localPlanes[j], toBox);
    const int faces = object->FaceCount();
    for (int f = 0; f < faces; ++f) {
        Vector3 face[3];
        if (!object->FaceVertexPositions(f, face)) continue;
        if (FaceTouchesBox(face, object->FacePlane(f), boxPlanes, corners)) return 2;
    }
    return 0;
}

Result BoxFrustum(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& box = static_cast<const BoundingBox&>(a);
    const auto& frustum = static_cast<const FrustumVolume&>(b);
    if (!frustum.placement || !frustum.clipMatrix || !box.placement) return 1;
    const Matrix4 toClip = *frustum.clipMatrix * *box.placement;
    Outcodes codes;
    for (const Vector4& corner : box.corners) {
        const int code = ClipOutcode(TransformVector4(toClip, corner));
        codes.all &= code;
        codes.any |= code;
    }
    if (codes.all) return 0;
    return codes.any ? 2 : 1;
}

Result BoxPlaneSet(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& box = static_cast<const BoundingBox&>(a);
    const auto& set = static_cast<const PlaneSetVolume&>(b);
    if (!box.placement || !set.placement || set.planeCount == 0) return 1;
    const Matrix4 toSet = Relative(*set.placement, *box.placement);
    Vector4 corners[8];
    for (int k = 0; k < 8; ++k)
        corners[k] = TransformVector4(toSet, box.corners[k]);
    bool straddles = false;
    for (int slot = 0; slot < set.planeCapacity; ++slot) {
        if (!set.inUse[slot]) continue;
        int outside = 0;
        for (const Vector4& corner : corners)
            outside += PlaneDot(set.planes[slot], corner) > 0;
        if (outside == 8) return 0;
        if (outside > 0) straddles = true;
    }
    return straddles ? 2 : 1;
}

Result SphereSphere(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& first = static_cast<const BoundingSphere&>(a);
    const auto& second = static_cast<const BoundingSphere&>(b);
    if (!first.placement || !second.placement) return 1;
    const Vector3 c2 =
        TransformPoint3(Relative(*first.placement, *second.placement), second.centre);
    const float c = Length(c2 - first.centre), ra = first.radius, rb = second.radius;
    if (c >= ra + rb) return 0;
    if (c > ra - rb && c > rb - ra) return 2;
    return 1;
}

Result SphereGeometry(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& sphere = static_cast<const BoundingSphere&>(a);
    const auto& geometry = static_cast<const GeometryVolume&>(b);
    const RenderableObj* object = geometry.geometryObject;
    if (!sphere.placement || !geometry.placement || !object || object->FaceCount() <= 0) return 1;
    const Vector3 c =
        TransformPoint3(Relative(*geometry.placement, *sphere.placement), sphere.centre);
    const float r = sphere.radius;
    const int faces = object->FaceCount();
    for (int f = 0; f < faces; ++f) {
        const Vector4 plane = object->FacePlane(f);
        const Vector3 n = XYZ(plane);
        const float h = Dot(n, c) + plane.w;
        if (h >= r || h <= -r) continue;
        Vector3 face[3];
        if (!object->FaceVertexPositions(f, face)) continue;
        float s = h * h;
        for (int i = 0; i < 3; ++i) {
            const Vector3 m = Cross(face[(i + 1) % 3] - face[i], n);
            const float e = Dot(m, c - face[i]);
            if (e > 0) s += e * e;
        }
        if (r * r > s) {
            LastGeometryHit() = {&a, &b, f};
            LastHitNormal() = RotateVector(*geometry.placement, n);
            return 2;
        }
    }
    return 0;
}

Result SphereFrustum(const BoundingVolume&, const BoundingVolume&) {
    return ERR_NOT_IMPLEMENTED;
}

Result SpherePlaneSet(const BoundingVolume& a, const BoundingVolume& b) {
    const auto& sphere = static_cast<const BoundingSphere&>(a);
    const auto& set = static_cast<const PlaneSetVolume&>(b);
    if (!sphere.placement || !set.placement || set.planeCount == 0) return 1;
    const Vector3 c = TransformPoint3(Relative(*set.placement, *sphere.placement), sphere.centre);
    bool straddles = false;
    for (int slot = 0; slot < set.planeCapacity; ++slot) {
        if (!set.inUse[slot]) continue;
        const float o = PlaneDot(set.planes[slot], Point4(c));
        if (o >= sphere.radius) return 0;
        if (o >= -sphere.radius) straddles = true;
    }
    return straddles ? 2 : 1;
}

}  // namespace pair_test
}  // namespace vimsa
