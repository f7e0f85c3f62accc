#include "tools/assets/animal_builder.h"

#include <cmath>
#include <vector>

namespace vimsa::tool {
namespace {

const char* const kFur = "texture/fur.tga";
const char* const kPigSkin = "texture/pigskin.tga";
const char* const kPlain = "";

constexpr Vector4 kCream{0.96f, 0.92f, 0.84f, 1};
constexpr Vector4 kBlack{0.05f, 0.05f, 0.05f, 1};

// ---- cat ----

constexpr float kCatScale = 1.2f;

void CatBody(MeshBuilder& fur) {
    fur.Ellipsoid({0, -0.115f, -0.045f}, {0.13f, 0.115f, 0.145f}, 14, 20, 2, 1);  // haunches
    fur.Ellipsoid({0, -0.245f, 0.035f}, {0.092f, 0.135f, 0.088f}, 14, 18, 2, 1);  // chest
    fur.Ellipsoid({0, -0.405f, 0.075f}, {0.088f, 0.076f, 0.078f}, 12, 18, 1, 1);  // head
    for (const float side : {-1.0f, 1.0f}) {
        // Ears: four-sided cones leaning out.
        fur.Tube({{side * 0.048f, -0.455f, 0.07f}, {side * 0.068f, -0.545f, 0.058f}},
                 {0.032f, 0.0f}, 4);
        fur.Tube({{side * 0.055f, -0.24f, 0.085f},
                  {side * 0.052f, -0.1f, 0.1f},
                  {side * 0.05f, -0.02f, 0.105f}},
                 {0.03f, 0.027f, 0.024f}, 10, 1, 1);
    }
    // The tail, curled round the front paws.
    fur.Tube({{0, -0.04f, -0.17f},
              {0.09f, -0.025f, -0.175f},
              {0.165f, -0.02f, -0.08f},
              {0.16f, -0.018f, 0.04f},
              {0.105f, -0.018f, 0.125f},
              {0.05f, -0.02f, 0.16f}},
             {0.03f, 0.028f, 0.026f, 0.024f, 0.021f, 0.0f}, 10, 1, 2);
}

void CatDetails(MeshBuilder& white, MeshBuilder& features) {
    white.SetColour(kCream);
    white.Ellipsoid({0, -0.38f, 0.138f}, {0.042f, 0.032f, 0.032f}, 8, 12);  // muzzle
    white.Ellipsoid({0, -0.26f, 0.095f}, {0.05f, 0.08f, 0.04f}, 8, 12);     // bib
    for (const float side : {-1.0f, 1.0f}) {
        white.Ellipsoid({side * 0.052f, -0.016f, 0.12f}, {0.03f, 0.016f, 0.036f}, 6, 10);
        white.Ellipsoid({side * 0.1f, -0.016f, 0.02f}, {0.034f, 0.016f, 0.058f}, 6, 10);
        features.SetColour({0.62f, 0.82f, 0.22f, 1});
        features.Ellipsoid({side * 0.033f, -0.418f, 0.136f}, {0.017f, 0.013f, 0.012f}, 6, 10);
        features.SetColour(kBlack);
        features.Ellipsoid({side * 0.033f, -0.418f, 0.146f}, {0.005f, 0.012f, 0.004f}, 4, 8);
        features.SetColour({0.8f, 0.45f, 0.5f, 1});
        features.Ellipsoid({side * 0.058f, -0.5f, 0.078f}, {0.014f, 0.03f, 0.008f}, 4,
                           6);  // inner ear
    }
    features.SetColour({0.9f, 0.5f, 0.55f, 1});
    features.Ellipsoid({0, -0.395f, 0.168f}, {0.012f, 0.008f, 0.008f}, 4, 8);  // nose
}

// ---- pig ----

void PigBody(MeshBuilder& skin) {
    skin.Ellipsoid({0, -0.42f, -0.02f}, {0.25f, 0.23f, 0.43f}, 16, 24, 2, 1);
    skin.Ellipsoid({0, -0.47f, 0.4f}, {0.17f, 0.16f, 0.16f}, 14, 20);
    // The snout: a short cylinder closed by a flat disc.
    skin.Tube({{0, -0.44f, 0.5f}, {0, -0.44f, 0.6f}, {0, -0.44f, 0.615f}, {0, -0.44f, 0.616f}},
              {0.07f, 0.078f, 0.078f, 0.0f}, 16);
    for (const float side : {-1.0f, 1.0f}) {
        // Floppy ears: flattened, tipped forward.
        skin.SetPlacement(TranslationMatrix({side * 0.1f, -0.61f, 0.38f}) *
                          RotationDegrees({1, 0, 0}, -35) * RotationDegrees({0, 0, 1}, side * 25));
        skin.Ellipsoid({0, 0, 0}, {0.065f, 0.018f, 0.085f}, 6, 10);
        skin.ResetPlacement();
        for (const float end : {-1.0f, 1.0f}) {
            const Vector3 top{side * 0.14f, -0.3f, end * 0.26f};
            skin.Tube({top, top + Vector3{0, 0.24f, 0.0f}, top + Vector3{0, 0.27f, 0}},
                      {0.065f, 0.055f, 0.052f}, 12);
        }
    }
    // The curly tail.
    std::vector<Vector3> curl;
    std::vector<float> radii;
    for (int i = 0; i <= 16; ++i) {
        const float a = static_cast<float>(i) * 0.75f;
        curl.push_back({0.04f * std::sin(a),
                        -0.5f - 0.04f * std::cos(a) + 0.003f * static_cast<float>(i),
                        -0.43f - 0.008f * static_cast<float>(i)});
        radii.push_back(i == 16 ? 0.0f : 0.014f);
    }
    skin.Tube(curl, radii, 6);
}

void PigDetails(MeshBuilder& dark) {
    dark.SetColour({0.2f, 0.12f, 0.1f, 1});
    for (const float side : {-1.0f, 1.0f}) {
        dark.Ellipsoid({side * 0.027f, -0.44f, 0.617f}, {0.014f, 0.02f, 0.006f}, 4, 8);  // nostril
        dark.Ellipsoid({side * 0.085f, -0.53f, 0.52f}, {0.017f, 0.019f, 0.012f}, 6, 8);  // eye
        for (const float end : {-1.0f, 1.0f}) {
            const Vector3 foot{side * 0.14f, -0.035f, end * 0.26f};
            dark.Tube({foot, foot + Vector3{0, 0.035f, 0}}, {0.053f, 0.056f}, 12);
        }
    }
}

}  // namespace

Result AnimalBuilder::Cat(Model& out) {
    NodeMeshes parts;
    MeshBuilder& fur = parts.Add(kFur);
    MeshBuilder& white = parts.Add(kPlain);
    MeshBuilder& features = parts.Add(kPlain, false);
    for (MeshBuilder* b : {&fur, &white, &features})
        b->SetPlacement(ScaleMatrix(kCatScale, kCatScale, kCatScale));
    CatBody(fur);
    CatDetails(white, features);
    return parts.Finish(out);
}

Result AnimalBuilder::Pig(Model& out) {
    NodeMeshes parts;
    PigBody(parts.Add(kPigSkin));
    PigDetails(parts.Add(kPlain, false));
    return parts.Finish(out);
}

}  // namespace vimsa::tool
