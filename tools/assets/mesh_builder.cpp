#include "tools/assets/mesh_builder.h"

#include <algorithm>
#include <cmath>

#include "render/texture.h"
#include "scene/bounding_volume.h"
#include "world/mesh_base.h"

namespace vimsa::tool {
namespace {

Vector3 Unit(Vector3 v) {
    Normalize(v);
    return v;
}

// Any direction square to `v`.
Vector3 Perpendicular(Vector3 v) {
    const Vector3 helper = std::fabs(v.y) < 0.9f ? Vector3{0, 1, 0} : Vector3{1, 0, 0};
    return Unit(Cross(v, helper));
}

struct TubeFrame {
    Vector3 normal, binormal, tangent;
};

// Frames carried along the path without twisting.
std::vector<TubeFrame> TubeFrames(const std::vector<Vector3>& path) {
    std::vector<TubeFrame> frames(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        const Vector3 before = path[i > 0 ? i - 1 : i],
                      after = path[i + 1 < path.size() ? i + 1 : i];
        frames[i].tangent = Unit(after - before);
    }
    Vector3 normal = Perpendicular(frames[0].tangent);
    for (TubeFrame& f : frames) {
        normal = Unit(normal - f.tangent * Dot(normal, f.tangent));
        f.normal = normal;
        f.binormal = Cross(f.tangent, normal);
    }
    return frames;
}

}  // namespace

Matrix4 RotationDegrees(Vector3 axis, float degrees) {
    return RotationAxisAngle(axis, degrees * 0.017453292f);
}

int32_t MeshBuilder::AddVertex(Vector3 position, Vector2 uv) {
    positions_.push_back(TransformPoint3(placement_, position));
    uvs_.push_back(uv);
    colours_.insert(colours_.end(), {colour_.x, colour_.y, colour_.z, colour_.w});
    return static_cast<int32_t>(positions_.size()) - 1;
}

void MeshBuilder::AddTriangle(int32_t a, int32_t b, int32_t c, Vector3 outward) {
    const Vector3 pa = positions_[static_cast<size_t>(a)];
    const Vector3 normal =
        Cross(positions_[static_cast<size_t>(b)] - pa, positions_[static_cast<size_t>(c)] - pa);
    const bool flip = Dot(normal, RotateVector(placement_, outward)) < 0;
    faces_.insert(faces_.end(), {a, flip ? c : b, flip ? b : c, -1});
}

void MeshBuilder::AddQuad(int32_t a, int32_t b, int32_t c, int32_t d, Vector3 outward) {
    // The diagonals' cross product keeps its direction when one edge of the
    // quad has shrunk to a point, as at the poles of a sphere.
    const Vector3 normal =
        Cross(positions_[static_cast<size_t>(c)] - positions_[static_cast<size_t>(a)],
              positions_[static_cast<size_t>(d)] - positions_[static_cast<size_t>(b)]);
    const bool flip = Dot(normal, RotateVector(placement_, outward)) < 0;
    faces_.insert(faces_.end(), {a, flip ? d : b, c, flip ? b : d});
}

void MeshBuilder::Grid(int rows, int columns, const Surface& surface, float uRepeat,
                       float vRepeat) {
    const int32_t first = VertexCount();
    std::vector<Vector3> outward;
    for (int i = 0; i <= rows; ++i) {
        for (int j = 0; j <= columns; ++j) {
            const float s = static_cast<float>(i) / static_cast<float>(rows);
            const float t = static_cast<float>(j) / static_cast<float>(columns);
            const SurfacePoint p = surface(s, t);
            AddVertex(p.position, {t * uRepeat, s * vRepeat});
            outward.push_back(p.outward);
        }
    }
    auto at = [&](int i, int j) { return first + i * (columns + 1) + j; };
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const size_t k = static_cast<size_t>(i * (columns + 1) + j);
            const Vector3 facing =
                outward[k] + outward[k + 1] + outward[k + columns + 1] + outward[k + columns + 2];
            AddQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), facing);
        }
    }
}

void MeshBuilder::Lathe(const std::vector<Vector2>& profile, int segments, float uRepeat,
                        float vRepeat, bool inside) {
    if (profile.size() < 2) return;
    // Texture v follows the profile's length, so bands are not stretched.
    std::vector<float> along(profile.size(), 0.0f);
    for (size_t i = 1; i < profile.size(); ++i) {
        const Vector2 d = profile[i] - profile[i - 1];
        along[i] = along[i - 1] + std::hypot(d.x, d.y);
    }
    const float total = std::max(along.back(), 1e-6f);
    const int rows = static_cast<int>(profile.size()) - 1;
    Grid(
        rows, segments,
        [&](float s, float t) {
            const size_t i = static_cast<size_t>(std::lround(s * static_cast<float>(rows)));
            // The profile's own normal: the side to its right as it runs.
            const Vector2 tangent =
                profile[std::min(i + 1, profile.size() - 1)] - profile[i > 0 ? i - 1 : 0];
            const float side = inside ? -1.0f : 1.0f;
            const float angle = t * kTwoPi;
            const Vector3 radial{std::cos(angle), 0, std::sin(angle)};
            const Vector3 normal = radial * (tangent.y * side) + Vector3{0, -tangent.x * side, 0};
            const Vector2 p = profile[i];
            return SurfacePoint{{radial.x * p.x, p.y, radial.z * p.x}, normal};
        },
        uRepeat, vRepeat);
    // Grid spaced v evenly by row; spread it by length instead.
    const size_t columns = static_cast<size_t>(segments) + 1;
    const size_t first = positions_.size() - columns * profile.size();
    for (size_t i = 0; i < profile.size(); ++i) {
        for (size_t j = 0; j < columns; ++j)
            uvs_[first + i * columns + j].y = along[i] / total * vRepeat;
    }
}

void MeshBuilder::Disc(Vector3 centre, float radius, int segments, float textureUnit) {
    const int32_t middle = AddVertex(centre, {centre.x / textureUnit, centre.z / textureUnit});
    std::vector<int32_t> rim;
    for (int j = 0; j <= segments; ++j) {
        const float angle = kTwoPi * static_cast<float>(j) / static_cast<float>(segments);
        const Vector3 p = centre + Vector3{radius * std::cos(angle), 0, radius * std::sin(angle)};
        rim.push_back(AddVertex(p, {p.x / textureUnit, p.z / textureUnit}));
    }
    for (int j = 0; j < segments; ++j)
        AddTriangle(middle, rim[static_cast<size_t>(j)], rim[static_cast<size_t>(j) + 1],
                    {0, -1, 0});
}

void MeshBuilder::Ellipsoid(Vector3 centre, Vector3 radii, int rings, int segments, float uRepeat,
                            float vRepeat) {
    Grid(
        rings, segments,
        [&](float s, float t) {
            // From the top (-y) to the bottom.
            const float polar = s * kPi, angle = t * kTwoPi;
            const Vector3 unit{std::sin(polar) * std::cos(angle), -std::cos(polar),
                               std::sin(polar) * std::sin(angle)};
            return SurfacePoint{
                centre + Vector3{unit.x * radii.x, unit.y * radii.y, unit.z * radii.z}, unit};
        },
        uRepeat, vRepeat);
}

void MeshBuilder::Tube(const std::vector<Vector3>& path, const std::vector<float>& radii,
                       int segments, float uRepeat, float vRepeat) {
    if (path.size() < 2 || radii.size() != path.size()) return;
    const std::vector<TubeFrame> frames = TubeFrames(path);
    const int rows = static_cast<int>(path.size()) - 1;
    Grid(
        rows, segments,
        [&](float s, float t) {
            const size_t i = static_cast<size_t>(std::lround(s * static_cast<float>(rows)));
            const float angle = t * kTwoPi;
            const TubeFrame& f = frames[i];
            Vector3 around = f.normal * std::cos(angle) + f.binormal * std::sin(angle);
            // A closed end faces along the path.
            if (radii[i] <= 0) around = i == 0 ? -f.tangent : f.tangent;
            return SurfacePoint{path[i] + around * std::max(radii[i], 0.0f), around};
        },
        uRepeat, vRepeat);
}

void MeshBuilder::Box(Vector3 low, Vector3 high, float textureUnit) {
    const Vector3 size = high - low;
    // Each face: its normal axis and sign, and the two axes that span it.
    struct Side {
        int axis;
        float sign;
        int u, v;
    };
    static constexpr Side kSides[6] = {{0, -1, 2, 1}, {0, 1, 2, 1},  {1, -1, 0, 2},
                                       {1, 1, 0, 2},  {2, -1, 0, 1}, {2, 1, 0, 1}};
    auto component = [](Vector3& v, int axis) -> float& {
        return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
    };
    for (const Side& side : kSides) {
        int32_t corner[4];
        for (int k = 0; k < 4; ++k) {
            Vector3 p = low;
            component(p, side.axis) =
                side.sign > 0 ? component(high, side.axis) : component(low, side.axis);
            const bool atU = k == 1 || k == 2, atV = k >= 2;
            if (atU) component(p, side.u) = component(high, side.u);
            if (atV) component(p, side.v) = component(high, side.v);
            Vector3 extent = size;
            const float u = atU ? component(extent, side.u) / textureUnit : 0.0f;
            const float v = atV ? component(extent, side.v) / textureUnit : 0.0f;
            corner[k] = AddVertex(p, {u, v});
        }
        Vector3 outward{0, 0, 0};
        component(outward, side.axis) = side.sign;
        AddQuad(corner[0], corner[1], corner[2], corner[3], outward);
    }
}

Result MeshBuilder::Build(const std::string& texturePath, Handle<MeshBase>& out) const {
    if (positions_.empty() || positions_.size() > 65535) return ERR_OUT_OF_RANGE;
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const Result r = mesh->Build(VertexCount(), FaceCount(), 1, 1, positions_.data(), faces_.data(),
                                 uvs_.data(), colours_.data());
    if (Failed(r)) return r;
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    if (!texturePath.empty()) {
        Handle<Texture> texture(new Texture);
        texture->SetPath(texturePath);
        mesh->textures[0] = texture;
    }
    out = mesh;
    return RESULT_OK;
}

}  // namespace vimsa::tool
