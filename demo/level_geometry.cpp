#include "demo/level_geometry.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "scene/bounding_volume.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

// Texture coordinates of a point on a surface facing `normal`: the picture
// repeats every two units in the surface's own plane.
Vector2 PlanarUv(Vector3 p, Vector3 normal) {
    const float ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    if (ay >= ax && ay >= az) return {p.x * 0.5f, p.z * 0.5f};
    if (ax >= az) return {p.z * 0.5f, p.y * 0.5f};
    return {p.x * 0.5f, p.y * 0.5f};
}

int Cells(float length, float cell) {
    return std::max(1, static_cast<int>(std::ceil(std::fabs(length) / cell - 0.001f)));
}

Vector3 Lerp(Vector3 a, Vector3 b, float t) {
    return a + (b - a) * t;
}

}  // namespace

void LevelGeometry::Cell(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards) {
    if (Dot(Cross(b - a, c - b), towards) < 0) std::swap(b, d);
    const auto base = static_cast<int32_t>(positions_.size());
    for (const Vector3& p : {a, b, c, d}) {
        positions_.push_back(p);
        uvs_.push_back(PlanarUv(p, towards));
        for (float f : {colour.x, colour.y, colour.z, colour.w})
            colours_.push_back(f);
    }
    for (int32_t k = 0; k < 4; ++k)
        faces_.push_back(base + k);
}

void LevelGeometry::Quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards) {
    const int nu = Cells(Length(b - a), cell), nv = Cells(Length(d - a), cell);
    for (int i = 0; i < nu; ++i) {
        for (int j = 0; j < nv; ++j) {
            const float u0 = float(i) / nu, u1 = float(i + 1) / nu;
            const float v0 = float(j) / nv, v1 = float(j + 1) / nv;
            auto at = [&](float u, float v) { return Lerp(Lerp(a, b, u), Lerp(d, c, u), v); };
            Cell(at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1), towards);
        }
    }
}

void LevelGeometry::Floor(float x0, float z0, float x1, float z1, float y) {
    Quad({x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}, {0, -1, 0});
}

void LevelGeometry::Ceiling(float x0, float z0, float x1, float z1, float y) {
    Quad({x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}, {0, 1, 0});
}

void LevelGeometry::WallAlongX(float z, float x0, float x1, Vector3 facing,
                               const std::vector<std::pair<float, float>>& openings) {
    float from = std::min(x0, x1);
    const float end = std::max(x0, x1);
    auto panel = [&](float a, float b) {
        if (b - a > 0.001f) Quad({a, 0, z}, {b, 0, z}, {b, -height, z}, {a, -height, z}, facing);
    };
    for (const auto& [a, b] : openings) {
        panel(from, a);
        from = b;
    }
    panel(from, end);
}

void LevelGeometry::WallAlongZ(float x, float z0, float z1, Vector3 facing,
                               const std::vector<std::pair<float, float>>& openings) {
    float from = std::min(z0, z1);
    const float end = std::max(z0, z1);
    auto panel = [&](float a, float b) {
        if (b - a > 0.001f) Quad({x, 0, a}, {x, 0, b}, {x, -height, b}, {x, -height, a}, facing);
    };
    for (const auto& [a, b] : openings) {
        panel(from, a);
        from = b;
    }
    panel(from, end);
}

void LevelGeometry::Box(Vector3 lo, Vector3 hi, bool open) {
    const Vector3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                          {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                          {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    Quad(c[0], c[1], c[2], c[3], {0, 0, -1});
    Quad(c[4], c[5], c[6], c[7], {0, 0, 1});
    Quad(c[0], c[1], c[5], c[4], {0, -1, 0});  // the top: y points down
    if (!open) Quad(c[3], c[2], c[6], c[7], {0, 1, 0});
    Quad(c[0], c[3], c[7], c[4], {-1, 0, 0});
    Quad(c[1], c[2], c[6], c[5], {1, 0, 0});
}

Handle<MeshBase> LevelGeometry::Build(GraphNode* node) const {
    if (positions_.empty()) return nullptr;
    std::vector<Vector3> local = positions_;
    if (node) {
        for (Vector3& p : local) {
            Vector3 q;
            if (!node->WorldToLocal(q, p)) return nullptr;
            p = q;
        }
    }
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const auto vertices = static_cast<int32_t>(local.size());
    if (Failed(mesh->Build(vertices, vertices / 4, 1, 1, local.data(), faces_.data(), uvs_.data(),
                           colours_.data()))) {
        return nullptr;
    }
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

}  // namespace vimsa
