#include "tools/assets/prop_builder.h"

#include <cmath>
#include <vector>

namespace vimsa::tool {
namespace {

const char* const kMarble = "texture/marble.tga";
const char* const kWater = "texture/water.tga";
const char* const kStone = "texture/g06.tga";
const char* const kCopper = "texture/verdigris.tga";
const char* const kGlobeMap = "texture/globe.tga";
const char* const kPlain = "";  // the renderer's white: vertex colours alone

constexpr float kDegree = 0.017453292f;

// Linear interpolation through (s, value) pairs, s increasing.
float Profile(const std::vector<Vector2>& points, float s) {
    for (size_t i = 1; i < points.size(); ++i) {
        if (s <= points[i].x) {
            const float f = (s - points[i - 1].x) / (points[i].x - points[i - 1].x);
            return points[i - 1].y + (points[i].y - points[i - 1].y) * f;
        }
    }
    return points.back().y;
}

// ---- fountain ----

void FountainStone(MeshBuilder& stone) {
    // The basin: its inner wall from the water up, over the rim, down the
    // outside to the foot.
    stone.Lathe({{0.95f, -0.36f},
                 {0.95f, -0.50f},
                 {0.98f, -0.54f},
                 {1.08f, -0.545f},
                 {1.13f, -0.51f},
                 {1.13f, -0.46f},
                 {1.07f, -0.43f},
                 {1.06f, -0.12f},
                 {1.11f, -0.08f},
                 {1.15f, -0.03f},
                 {1.15f, 0.0f}},
                56, 8, 1);
    // The pedestal, from under the upper bowl into the water.
    stone.Lathe({{0.09f, -1.03f},
                 {0.12f, -0.99f},
                 {0.11f, -0.92f},
                 {0.08f, -0.78f},
                 {0.085f, -0.62f},
                 {0.12f, -0.52f},
                 {0.18f, -0.44f},
                 {0.24f, -0.36f}},
                24, 2, 1);
    // The upper bowl: inner wall, rim, and its underside back to the pedestal.
    stone.Lathe({{0.40f, -1.28f},
                 {0.40f, -1.33f},
                 {0.43f, -1.365f},
                 {0.48f, -1.355f},
                 {0.50f, -1.31f},
                 {0.44f, -1.19f},
                 {0.28f, -1.08f},
                 {0.13f, -1.03f},
                 {0.09f, -1.03f}},
                40, 4, 1);
    // The spout rising from the upper water.
    stone.Lathe({{0.0f, -1.75f},
                 {0.03f, -1.735f},
                 {0.05f, -1.68f},
                 {0.038f, -1.61f},
                 {0.06f, -1.52f},
                 {0.045f, -1.42f},
                 {0.07f, -1.33f},
                 {0.09f, -1.28f}},
                20, 1, 1);
}

}  // namespace

Result PropBuilder::Fountain(Model& out) {
    NodeMeshes parts;
    FountainStone(parts.Add(kMarble));
    MeshBuilder& water = parts.Add(kWater, false);
    water.SetColour({0.85f, 0.95f, 1.0f, 1.0f});
    water.Disc({0, -0.36f, 0}, 0.96f, 56, 0.7f);
    water.Disc({0, -1.28f, 0}, 0.41f, 32, 0.7f);
    return parts.Finish(out);
}

Result PropBuilder::Column(Model& out) {
    NodeMeshes parts;
    MeshBuilder& blocks = parts.Add(kMarble, false);
    blocks.Box({-0.38f, -0.14f, -0.38f}, {0.38f, 0.0f, 0.38f}, 0.8f);
    blocks.Box({-0.38f, -3.0f, -0.38f}, {0.38f, -2.86f, 0.38f}, 0.8f);
    MeshBuilder& turned = parts.Add(kMarble);
    // Base mouldings: a torus, a hollow, a wider torus.
    turned.Lathe({{0.25f, -0.37f},
                  {0.28f, -0.355f},
                  {0.29f, -0.33f},
                  {0.275f, -0.30f},
                  {0.26f, -0.27f},
                  {0.29f, -0.235f},
                  {0.325f, -0.205f},
                  {0.335f, -0.175f},
                  {0.32f, -0.15f},
                  {0.30f, -0.14f}},
                 48, 3, 0.3f);
    // The capital's cushion, from under the abacus down to the shaft.
    turned.Lathe({{0.35f, -2.86f},
                  {0.335f, -2.82f},
                  {0.29f, -2.765f},
                  {0.25f, -2.72f},
                  {0.23f, -2.69f},
                  {0.24f, -2.67f},
                  {0.225f, -2.65f}},
                 48, 3, 0.3f);
    // The shaft: twenty flutes, tapering and swelling a little on the way up.
    turned.Grid(
        16, 120,
        [](float s, float t) {
            const float y = -2.65f + s * 2.28f;
            const float radius = 0.225f + 0.025f * s + 0.008f * std::sin(kPi * s);
            const float angle = t * kTwoPi;
            const float flute = 0.5f - 0.5f * std::cos(20 * angle);
            const Vector3 radial{std::cos(angle), 0, std::sin(angle)};
            const float r = radius * (1 - 0.07f * flute * flute);
            return MeshBuilder::SurfacePoint{{radial.x * r, y, radial.z * r}, radial};
        },
        4, 2.5f);
    return parts.Finish(out);
}

namespace {

// The globe's tilted frame: its centre, the axis leaning 23.5 degrees.
Matrix4 GlobeFrame() {
    return TranslationMatrix({0, -1.05f, 0}) * RotationDegrees({0, 0, 1}, 23.5f);
}

void GlobeStand(MeshBuilder& wood) {
    wood.SetColour({0.46f, 0.28f, 0.15f, 1});
    wood.Lathe({{0.0f, -0.08f},
                {0.22f, -0.08f},
                {0.27f, -0.065f},
                {0.295f, -0.035f},
                {0.30f, 0.0f},
                {0.0f, 0.0f}},
               40);
    wood.Lathe({{0.025f, -0.60f},
                {0.04f, -0.585f},
                {0.034f, -0.5f},
                {0.05f, -0.36f},
                {0.04f, -0.22f},
                {0.065f, -0.13f},
                {0.09f, -0.08f}},
               20);
}

void GlobeBrass(MeshBuilder& brass) {
    brass.SetColour({0.88f, 0.68f, 0.3f, 1});
    const Matrix4 frame = GlobeFrame();
    // The meridian ring round the globe, open at the bottom where the stand
    // holds it, and the axle's ends at the poles.
    std::vector<Vector3> ring;
    std::vector<float> radii;
    for (int i = 0; i <= 40; ++i) {
        const float angle = (-165.0f + 330.0f * static_cast<float>(i) / 40.0f) * kDegree;
        ring.push_back(
            TransformPoint3(frame, {0.44f * std::sin(angle), -0.44f * std::cos(angle), 0}));
        radii.push_back(0.016f);
    }
    brass.Tube(ring, radii, 8);
    brass.Tube({TransformPoint3(frame, {0, -0.47f, 0}), TransformPoint3(frame, {0, -0.36f, 0})},
               {0.012f, 0.012f}, 8);
    brass.Tube({TransformPoint3(frame, {0, 0.36f, 0}),
                TransformPoint3(frame, {0, 0.47f, 0}),
                {0, -0.58f, 0}},
               {0.012f, 0.016f, 0.025f}, 8);
}

void GlobeSphere(MeshBuilder& globe) {
    globe.SetPlacement(GlobeFrame());
    // North at -y; longitude grows eastwards as seen from outside.
    globe.Grid(28, 56, [](float s, float t) {
        const float polar = s * kPi, angle = -t * kTwoPi;
        const Vector3 unit{std::sin(polar) * std::cos(angle), -std::cos(polar),
                           std::sin(polar) * std::sin(angle)};
        return MeshBuilder::SurfacePoint{unit * 0.38f, unit};
    });
}

}  // namespace

Result PropBuilder::Globe(Model& out) {
    NodeMeshes parts;
    GlobeStand(parts.Add(kPlain));
    GlobeBrass(parts.Add(kPlain));
    GlobeSphere(parts.Add(kGlobeMap));
    return parts.Finish(out);
}

namespace {

constexpr float kPlinthTop = -0.82f;

void Pedestal(MeshBuilder& stone) {
    stone.Box({-0.5f, -0.28f, -0.5f}, {0.5f, 0.0f, 0.5f}, 0.7f);
    stone.Box({-0.41f, -0.74f, -0.41f}, {0.41f, -0.28f, 0.41f}, 0.7f);
    stone.Box({-0.47f, kPlinthTop, -0.47f}, {0.47f, -0.74f, 0.47f}, 0.7f);
}

// The robe from the neck to the feet, hanging in folds, flatter front to back.
void Robe(MeshBuilder& copper) {
    const std::vector<Vector2> width = {{0.0f, 0.06f},   {0.05f, 0.17f}, {0.12f, 0.2f},
                                        {0.25f, 0.185f}, {0.42f, 0.16f}, {0.7f, 0.22f},
                                        {1.0f, 0.3f}};
    copper.Grid(
        24, 64,
        [&](float s, float t) {
            const float y = -2.28f + s * (2.28f + kPlinthTop);
            const float angle = t * kTwoPi;
            const float folds = 1 + 0.08f * s * std::sin(9 * angle + 5 * s);
            const float r = Profile(width, s) * folds;
            const Vector3 radial{std::cos(angle), 0, std::sin(angle)};
            return MeshBuilder::SurfacePoint{{radial.x * r, y, radial.z * r * 0.8f}, radial};
        },
        3, 3);
}

void HeadAndCrown(MeshBuilder& copper) {
    const Vector3 head{0, -2.41f, 0};
    copper.Tube({{0, -2.25f, 0}, {0, -2.34f, 0.005f}}, {0.05f, 0.045f}, 12);
    copper.Ellipsoid(head, {0.078f, 0.1f, 0.088f}, 12, 16);
    copper.Ellipsoid(head + Vector3{0, 0.005f, 0.085f}, {0.016f, 0.03f, 0.02f}, 6, 8);  // nose
    copper.Lathe({{0.086f, -0.03f}, {0.092f, -0.015f}, {0.092f, 0.0f}, {0.086f, 0.01f}}, 20);
    // Seven rays fanned round the front, rising a little.
    const Vector3 band = head + Vector3{0, -0.045f, 0};
    for (int i = 0; i < 7; ++i) {
        const float spread = (-72.0f + 24.0f * static_cast<float>(i)) * kDegree;
        const float rise = 22.0f * kDegree;
        const Vector3 ray{std::sin(spread) * std::cos(rise), -std::sin(rise),
                          std::cos(spread) * std::cos(rise)};
        copper.Tube({band + ray * 0.08f, band + ray * 0.22f}, {0.02f, 0.0f}, 6);
    }
}

void Arms(MeshBuilder& copper) {
    // The right arm raised with the torch's handle, the left holding the tablet.
    copper.Tube(
        {{0.17f, -2.2f, 0}, {0.23f, -2.46f, 0.02f}, {0.26f, -2.7f, 0.03f}, {0.27f, -2.76f, 0.03f}},
        {0.055f, 0.045f, 0.038f, 0.034f}, 12);
    copper.Tube({{0.27f, -2.72f, 0.03f}, {0.28f, -2.86f, 0.035f}}, {0.026f, 0.03f}, 10);
    copper.Tube({{-0.17f, -2.18f, 0},
                 {-0.25f, -1.93f, 0.04f},
                 {-0.18f, -1.86f, 0.17f},
                 {-0.15f, -1.86f, 0.2f}},
                {0.055f, 0.046f, 0.036f, 0.0f}, 12);
    copper.SetPlacement(TranslationMatrix({0.28f, -2.86f, 0.035f}));
    copper.Lathe({{0.06f, -0.06f}, {0.062f, -0.045f}, {0.04f, -0.02f}, {0.027f, 0.0f}}, 16);
    copper.SetPlacement(TranslationMatrix({-0.2f, -1.97f, 0.12f}) *
                        RotationDegrees({0, 1, 0}, -35) * RotationDegrees({1, 0, 0}, 12));
    copper.Box({-0.035f, -0.18f, -0.12f}, {0.035f, 0.18f, 0.12f}, 0.4f);
    copper.ResetPlacement();
}

}  // namespace

Result PropBuilder::Liberty(Model& out) {
    NodeMeshes parts;
    Pedestal(parts.Add(kStone, false));
    MeshBuilder& copper = parts.Add(kCopper);
    Robe(copper);
    HeadAndCrown(copper);
    Arms(copper);
    MeshBuilder& flame = parts.Add(kPlain, false);
    flame.SetColour({1.0f, 0.8f, 0.3f, 1});
    flame.Ellipsoid({0.28f, -2.91f, 0.035f}, {0.045f, 0.07f, 0.045f}, 8, 12);
    return parts.Finish(out);
}

}  // namespace vimsa::tool
