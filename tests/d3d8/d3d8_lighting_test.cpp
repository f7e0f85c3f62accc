// Fixed-function vertex lighting of the software device against the
// formulas: a directional light's cosine, a point light's attenuation terms
// and range, a spot light's cones, ambient light and material colours.
// Each case lights one vertex and reads its colour from a flat-shaded
// triangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/d3d8/device_fixture.h"

namespace vimsa::d3d8 {
namespace {

using test::ScenePoint;

constexpr double kDegrees = 3.14159265358979 / 180.0;

int Byte(double level) {
    return int(std::lround(std::clamp(level, 0.0, 1.0) * 255.0));
}

class LightingTest : public test::DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        // One world unit is one pixel; world y points up the screen.
        D3DXMATRIX identity, projection;
        ASSERT_TRUE(D3DXMatrixOrthoLH(&projection, 64, 64, 0, 100));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_WORLD, &identity));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_VIEW, &identity));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_PROJECTION, &projection));
        ASSERT_D3D_OK(device_->SetVertexShader(test::kScenePointFvf));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE));
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2));
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE));
        D3DMATERIAL8 white;
        white.Diffuse = white.Ambient = {1, 1, 1, 1};
        ASSERT_D3D_OK(device_->SetMaterial(&white));
    }

    // The lit colour of a vertex at (0, 0, 10) facing the camera (normal
    // -z) with colour `colour`: 0xRRGGBB.
    uint32_t LitColour(D3DCOLOR colour = 0xFFFFFFFFu, float nz = -1.0f) {
        EXPECT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
        const ScenePoint a{0, 0, 10, 0, 0, nz, colour}, b{6, 0, 10, 0, 0, nz, colour},
            c{0, -6, 10, 0, 0, nz, colour};
        const ScenePoint points[3] = {a, b, c};
        EXPECT_D3D_OK(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, points, sizeof(ScenePoint)));
        return At(33, 33);
    }

    void Only(const D3DLIGHT8& light) {
        ASSERT_D3D_OK(device_->SetLight(0, &light));
        ASSERT_D3D_OK(device_->LightEnable(0, TRUE));
    }
};

uint32_t Grey(double level) {
    const auto v = static_cast<uint32_t>(Byte(level));
    return (v << 16) | (v << 8) | v;
}

::testing::AssertionResult Near(uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > 1)
            return ::testing::AssertionFailure() << std::hex << "got " << got << " want " << want;
    }
    return ::testing::AssertionSuccess();
}

TEST_F(LightingTest, DirectionalLightFollowsTheCosine) {
    for (double degrees : {0.0, 30.0, 60.0, 85.0, 120.0, 180.0}) {
        D3DLIGHT8 light;
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 1};
        const double a = degrees * kDegrees;
        light.Direction = {float(std::sin(a)), 0, float(std::cos(a))};
        Only(light);
        EXPECT_TRUE(Near(LitColour(), Grey(std::max(0.0, std::cos(a))))) << degrees << " degrees";
    }
    // The light's colour and the vertex colour multiply.
    D3DLIGHT8 light;
    light.Diffuse = {1, 0.5f, 0.25f, 1};
    Only(light);
    EXPECT_TRUE(Near(LitColour(0xFF80FF40u), (0x80u << 16) | (0x80u << 8) | 0x10u));
}

TEST_F(LightingTest, PointLightAttenuatesWithItsThreeTermsUpToItsRange) {
    struct Case {
        float a0, a1, a2, distance, range;
    };
    const Case cases[] = {
        {1, 0, 0, 3, 100},       {0, 1, 0, 4, 100},
        {0, 0, 1, 2, 100},       {0.5f, 0.25f, 0.125f, 2, 100},
        {0, 0.5f, 0.1f, 3, 100}, {1, 0, 0, 5, 4.9f},  // beyond the range: nothing
        {1, 0, 0, 5, 5.1f},
    };
    for (const Case& c : cases) {
        D3DLIGHT8 light;
        light.Type = D3DLIGHT_POINT;
        light.Diffuse = {1, 1, 1, 1};
        light.Position = {0, 0, 10 - c.distance};  // straight in front of the vertex
        light.Range = c.range;
        light.Attenuation0 = c.a0;
        light.Attenuation1 = c.a1;
        light.Attenuation2 = c.a2;
        Only(light);
        const double d = c.distance;
        const double want = d > c.range ? 0.0 : 1.0 / (c.a0 + c.a1 * d + c.a2 * d * d);
        EXPECT_TRUE(Near(LitColour(), Grey(want)))
            << c.a0 << ", " << c.a1 << ", " << c.a2 << " at " << d << " range " << c.range;
    }
    // A point light beside the vertex lights it by the cosine too.
    D3DLIGHT8 light;
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 1, 1, 1};
    light.Position = {4, 0, 7};  // 5 away, at cos = 3 / 5 to the normal
    light.Range = 100;
    Only(light);
    EXPECT_TRUE(Near(LitColour(), Grey(0.6)));
}

TEST_F(LightingTest, SpotLightIsFullInsideItsInnerConeAndFadesToItsOuterCone) {
    const double inner = 40 * kDegrees, outer = 80 * kDegrees;
    for (float falloff : {1.0f, 2.0f}) {
        for (double off : {0.0, 10.0, 25.0, 30.0, 39.0, 41.0, 60.0}) {
            D3DLIGHT8 light;
            light.Type = D3DLIGHT_SPOT;
            light.Diffuse = {1, 1, 1, 1};
            light.Position = {0, 0, 5};  // 5 in front of the vertex
            const double a = off * kDegrees;
            light.Direction = {float(std::sin(a)), 0, float(std::cos(a))};
            light.Range = 100;
            light.Theta = float(inner);
            light.Phi = float(outer);
            light.Falloff = falloff;
            Only(light);
            const double cosine = std::cos(a), ci = std::cos(inner / 2), co = std::cos(outer / 2);
            const double want = cosine > ci    ? 1.0
                                : cosine <= co ? 0.0
                                               : std::pow((cosine - co) / (ci - co), falloff);
            EXPECT_TRUE(Near(LitColour(), Grey(want))) << off << " degrees, falloff " << falloff;
        }
    }
}

TEST_F(LightingTest, AmbientLightMeetsTheAmbientMaterialColour) {
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_AMBIENT, 0xFF404040u));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_COLOR1));
    // No light on: the global ambient times the vertex colour.
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0x402000u));
    // A light's ambient part adds to the global one, whichever way it shines.
    D3DLIGHT8 light;
    light.Diffuse = {0, 0, 0, 1};
    light.Ambient = {0.25f, 0.25f, 0.25f, 1};
    light.Direction = {0, 0, -1};
    Only(light);
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0x804000u));
    // From the material instead of the vertex.
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL));
    D3DMATERIAL8 material;
    material.Ambient = {0, 0, 1, 1};
    material.Emissive = {0.5f, 0, 0, 1};
    ASSERT_D3D_OK(device_->SetMaterial(&material));
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0x800080u));  // plus the emissive red
}

TEST_F(LightingTest, DiffuseColourComesFromTheVertexOrTheMaterial) {
    D3DLIGHT8 light;
    light.Diffuse = {1, 1, 1, 1};
    Only(light);
    D3DMATERIAL8 material;
    material.Diffuse = {0, 1, 0, 1};
    ASSERT_D3D_OK(device_->SetMaterial(&material));
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0xFF8000u));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_COLORVERTEX, FALSE));
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0x00FF00u));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_COLORVERTEX, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL));
    EXPECT_TRUE(Near(LitColour(0xFFFF8000u), 0x00FF00u));
    // Lighting off: the vertex colour as it is.
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_LIGHTING, FALSE));
    EXPECT_TRUE(Near(LitColour(0xFF123456u), 0x123456u));
}

TEST_F(LightingTest, NormalsAreRescaledOnlyWhenAsked) {
    D3DLIGHT8 light;
    light.Diffuse = {0.5f, 0.5f, 0.5f, 1};
    Only(light);
    // A world scale of 2 leaves transformed normals half as long.
    D3DXMATRIX scale;
    scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 2;
    ASSERT_D3D_OK(device_->SetTransform(D3DTS_WORLD, &scale));
    const uint32_t shortNormal = LitColour(0xFFFFFFFFu, -1.0f);
    EXPECT_TRUE(Near(shortNormal, Grey(0.25))) << std::hex << shortNormal;
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE));
    EXPECT_TRUE(Near(LitColour(0xFFFFFFFFu, -1.0f), Grey(0.5)));
    EXPECT_TRUE(Near(LitColour(0xFFFFFFFFu, -7.0f), Grey(0.5)));
}

TEST_F(LightingTest, LightsAreGivenInWorldSpace) {
    // A camera turned a quarter round y (looking along world -x) and moved:
    // the light and the surface turn with the world, the shade stays.
    D3DLIGHT8 light;
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 1, 1, 1};
    light.Range = 100;
    light.Attenuation0 = 1;
    // The vertex sits at world (-10, 0, 0) facing +x, seen by the camera
    // below; the light stands 4 away at 60 degrees off its normal.
    light.Position = {-10 + 2.0f, 0, float(-4 * std::sin(60 * kDegrees))};
    Only(light);
    D3DXMATRIX view;  // world -x becomes camera +z
    view.m[0][0] = 0, view.m[0][2] = -1;
    view.m[2][0] = 1, view.m[2][2] = 0;
    ASSERT_D3D_OK(device_->SetTransform(D3DTS_VIEW, &view));
    EXPECT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
    const ScenePoint a{-10, 0, 0, 1, 0, 0}, b{-10, 0, 6, 1, 0, 0}, c{-10, -6, 0, 1, 0, 0};
    const ScenePoint points[3] = {a, b, c};
    ASSERT_D3D_OK(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, points, sizeof(ScenePoint)));
    EXPECT_TRUE(Near(At(33, 33), Grey(0.5)));
}

}  // namespace
}  // namespace vimsa::d3d8
