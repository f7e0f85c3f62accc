#include "tools/assets/tree_builder.h"

#include <cmath>
#include <vector>

#include "tools/assets/noise.h"

namespace vimsa::tool {
namespace {

const char* const kBark = "texture/bark.tga";
const char* const kLeaves = "texture/leaves.tga";

// A clump of foliage: a sphere whose surface heaves by noise, so that it
// reads as many smaller bunches of leaves.
void Clump(MeshBuilder& leaves, Vector3 centre, Vector3 radii, uint32_t seed, int rings,
           int segments, float lumpiness) {
    const TileNoise noise(seed);
    leaves.Grid(
        rings, segments,
        [&](float s, float t) {
            const float polar = s * kPi, angle = t * kTwoPi;
            const Vector3 unit{std::sin(polar) * std::cos(angle), -std::cos(polar),
                               std::sin(polar) * std::sin(angle)};
            // The noise wraps round the sphere; its poles take one value.
            const float bump = noise.Fractal(t, s * 0.5f, 4, 3) - 0.5f;
            const float lump = 1 + lumpiness * bump * std::sin(polar);
            return MeshBuilder::SurfacePoint{
                centre + Vector3{unit.x * radii.x, unit.y * radii.y, unit.z * radii.z} * lump,
                unit};
        },
        3, 2);
}

// A bough from `from` towards `direction`, bending upwards, thinning out.
std::vector<Vector3> Bough(Vector3 from, Vector3 direction, float length, float rise) {
    std::vector<Vector3> path;
    for (int i = 0; i <= 4; ++i) {
        const float f = static_cast<float>(i) / 4.0f;
        path.push_back(from + direction * (length * f) + Vector3{0, -rise * f * f, 0});
    }
    return path;
}

struct Branch {
    float height, angle, length, rise;
};

// The broad-leaved tree's boughs: where they leave the trunk, which way,
// how far.
constexpr Branch kLeafyBranches[] = {
    {-1.9f, 0.3f, 1.5f, 0.9f}, {-2.2f, 2.4f, 1.4f, 1.0f}, {-2.5f, 4.3f, 1.5f, 0.9f},
    {-2.8f, 1.3f, 1.2f, 1.0f}, {-3.0f, 3.4f, 1.1f, 1.1f}, {-3.1f, 5.4f, 1.1f, 1.0f},
};

void LeafyWood(MeshBuilder& bark) {
    bark.SetColour({0.75f, 0.68f, 0.6f, 1});
    bark.Tube({{0, 0.05f, 0},
               {0, -0.3f, 0},
               {0.04f, -1.2f, 0.02f},
               {0.02f, -2.2f, -0.03f},
               {0.05f, -3.2f, 0.0f},
               {0.03f, -3.6f, 0.02f}},
              {0.34f, 0.24f, 0.2f, 0.17f, 0.11f, 0.0f}, 14, 2, 3);
    for (const Branch& b : kLeafyBranches) {
        const Vector3 direction{std::cos(b.angle), 0, std::sin(b.angle)};
        bark.Tube(Bough({0.02f, b.height, 0}, direction, b.length, b.rise),
                  {0.1f, 0.08f, 0.06f, 0.045f, 0.0f}, 8, 1, 1);
    }
}

void LeafyCrown(MeshBuilder& leaves) {
    Clump(leaves, {0, -4.3f, 0}, {1.5f, 1.3f, 1.5f}, 601, 14, 22, 0.45f);
    uint32_t seed = 610;
    for (const Branch& b : kLeafyBranches) {
        const Vector3 direction{std::cos(b.angle), 0, std::sin(b.angle)};
        const Vector3 tip =
            Vector3{0.02f, b.height, 0} + direction * b.length + Vector3{0, -b.rise - 0.35f, 0};
        const float size = 0.8f + 0.1f * static_cast<float>(seed % 3);
        leaves.SetColour({0.85f + 0.05f * static_cast<float>(seed % 3), 1, 0.85f, 1});
        Clump(leaves, tip, {size, size * 0.8f, size}, seed++, 10, 16, 0.5f);
    }
    leaves.SetColour({1, 1, 1, 1});
    Clump(leaves, {0.3f, -5.2f, -0.2f}, {0.9f, 0.75f, 0.9f}, 620, 10, 16, 0.5f);
}

// ---- baobab ----

constexpr int kBaobabBoughs = 6;

Vector3 BaobabBoughDirection(int i) {
    const float angle = kTwoPi * static_cast<float>(i) / kBaobabBoughs + 0.4f;
    return {std::cos(angle), -0.55f, std::sin(angle)};
}

constexpr Vector3 kBaobabTop{0, -3.25f, 0};

}  // namespace

Result TreeBuilder::LeafyTree(Model& out) {
    NodeMeshes parts;
    LeafyWood(parts.Add(kBark));
    LeafyCrown(parts.Add(kLeaves));
    return parts.Finish(out);
}

Result TreeBuilder::Baobab(Model& out) {
    NodeMeshes parts;
    MeshBuilder& bark = parts.Add(kBark);
    bark.SetColour({0.86f, 0.78f, 0.72f, 1});
    // The bottle: swelling above the ground, narrowing to the crown.
    bark.Lathe({{0.0f, -3.3f},
                {0.3f, -3.25f},
                {0.42f, -2.7f},
                {0.68f, -1.8f},
                {0.82f, -1.0f},
                {0.78f, -0.35f},
                {0.9f, 0.0f}},
               10, 3, 2);
    MeshBuilder& tufts = parts.Add(kLeaves);
    tufts.SetColour({0.8f, 0.9f, 0.7f, 1});
    for (int i = 0; i < kBaobabBoughs; ++i) {
        const Vector3 d = BaobabBoughDirection(i);
        const Vector3 end = kBaobabTop + d * 1.3f;
        bark.Tube({kBaobabTop + Vector3{0, 0.1f, 0}, kBaobabTop + d * 0.7f, end},
                  {0.17f, 0.11f, 0.05f}, 6, 1, 1);
        Clump(tufts, end + Vector3{0, -0.2f, 0}, {0.75f, 0.32f, 0.75f},
              700 + static_cast<uint32_t>(i), 6, 10, 0.3f);
    }
    return parts.Finish(out);
}

}  // namespace vimsa::tool
