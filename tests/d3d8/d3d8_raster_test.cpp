// Pixels of the software Direct3D 8 device, checked exactly: coverage,
// depth, stencil, alpha test, blending, texture filtering and stages,
// clipping, perspective, lines and threads.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "tests/d3d8/device_fixture.h"

namespace vimsa::d3d8 {
namespace {

using test::Rgb;
using test::ScenePoint;
using test::ScreenPoint;

class RasterTest : public test::DeviceFixture {
protected:
    void SetUp() override {
        DeviceFixture::SetUp();
        Plain2D();
        ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
    }

    // Every draw from here on adds its colour: each pixel shows how often
    // it was covered.
    void Additive() {
        EXPECT_D3D_OK(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
        EXPECT_D3D_OK(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE));
        EXPECT_D3D_OK(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE));
    }

    // A camera at the origin looking along +z with a 90 degree view both
    // ways; y points up in camera space.
    void Camera(float nearPlane, float farPlane) {
        D3DXMATRIX identity, projection;
        ASSERT_TRUE(D3DXMatrixPerspectiveLH(&projection, 2 * nearPlane, 2 * nearPlane, nearPlane,
                                            farPlane));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_WORLD, &identity));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_VIEW, &identity));
        ASSERT_D3D_OK(device_->SetTransform(D3DTS_PROJECTION, &projection));
        ASSERT_D3D_OK(device_->SetVertexShader(test::kScenePointFvf));
    }

    void DrawScene(D3DPRIMITIVETYPE type, UINT count, const std::vector<ScenePoint>& points) {
        EXPECT_D3D_OK(device_->DrawPrimitiveUP(type, count, points.data(), sizeof(ScenePoint)));
    }
};

// Triangles that tile the rectangle (4.25, 5.75) - (50.25, 40.75) exactly,
// with interior vertices from `interior`, in both windings.
std::vector<ScreenPoint> TiledRectangle(const std::function<std::pair<float, float>(int, int)>& at,
                                        int columns, int rows, uint32_t seed) {
    std::mt19937 random(seed);
    const float x0 = 4.25f, y0 = 5.75f, x1 = 50.25f, y1 = 40.75f;
    auto vertex = [&](int i, int j) {
        float x = x0 + (x1 - x0) * float(i) / float(columns);
        float y = y0 + (y1 - y0) * float(j) / float(rows);
        if (i > 0 && i < columns && j > 0 && j < rows) std::tie(x, y) = at(i, j);
        return ScreenPoint{x, y, 0, 1, 0xFF202020u};
    };
    std::vector<ScreenPoint> out;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const ScreenPoint a = vertex(i, j), b = vertex(i + 1, j), c = vertex(i + 1, j + 1),
                              d = vertex(i, j + 1);
            const bool other = (i + j) % 2 == 1;
            const ScreenPoint t[2][3] = {{a, b, other ? d : c}, {other ? b : a, c, d}};
            for (const auto& tri : t) {
                const bool flip = random() % 2 == 1;
                out.push_back(tri[0]);
                out.push_back(flip ? tri[2] : tri[1]);
                out.push_back(flip ? tri[1] : tri[2]);
            }
        }
    }
    return out;
}

TEST_F(RasterTest, TrianglesSharingEdgesCoverEveryPixelOnce) {
    Additive();
    // Each interior vertex moves by up to 0.2 cells each way, the same for
    // every triangle that shares it: too little for any triangle to fold
    // over a neighbour.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> jitter(-0.2f, 0.2f);
    std::vector<std::pair<float, float>> moved(10 * 8);
    for (auto& m : moved)
        m = {jitter(random), jitter(random)};
    const float cellW = 46.0f / 9, cellH = 35.0f / 7;
    struct Mesh {
        const char* what;
        std::function<std::pair<float, float>(int, int)> interior;
    };
    const Mesh meshes[] = {
        {"regular grid",
         [&](int i, int j) { return std::make_pair(4.25f + cellW * i, 5.75f + cellH * j); }},
        {"jittered grid",
         [&](int i, int j) {
             const auto [dx, dy] = moved[j * 10 + i];
             return std::make_pair(4.25f + cellW * (i + dx), 5.75f + cellH * (j + dy));
         }},
        {"vertices on pixel centres",
         [&](int i, int j) {
             return std::make_pair(std::floor(4.25f + cellW * i) + 0.5f,
                                   std::floor(5.75f + cellH * j) + 0.5f);
         }},
        {"vertices on pixel corners",
         [&](int i, int j) {
             return std::make_pair(std::round(4.25f + cellW * i), std::round(5.75f + cellH * j));
         }},
    };
    for (const Mesh& mesh : meshes) {
        ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
        Draw(D3DPT_TRIANGLELIST, TiledRectangle(mesh.interior, 9, 7, 11));
        const std::vector<uint32_t> frame = Frame();
        int wrong = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                // Pixel centres inside the rectangle are covered once.
                const bool inside =
                    x + 0.5f > 4.25f && x + 0.5f < 50.25f && y + 0.5f > 5.75f && y + 0.5f < 40.75f;
                wrong += Rgb(frame[y * 64 + x]) != (inside ? 0x202020u : 0u) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << mesh.what;
    }
}

TEST_F(RasterTest, EdgesThroughPixelCentresFollowTheTopLeftRule) {
    Additive();
    // A square whose sides run through pixel centres, cut along a diagonal
    // that runs through pixel centres too: the top and left sides draw their
    // pixels, the bottom and right sides do not, the diagonal draws once.
    Rect(2.5f, 2.5f, 6.5f, 6.5f, 0xFF202020u);
    // A triangle pointing down with a horizontal top edge: the top edge is
    // covered, and so is the left edge but not the right.
    Draw(D3DPT_TRIANGLELIST, {{10.5f, 2.5f, 0, 1, 0xFF202020u},
                              {18.5f, 2.5f, 0, 1, 0xFF202020u},
                              {14.5f, 6.5f, 0, 1, 0xFF202020u}});
    const std::vector<uint32_t> frame = Frame();
    std::set<std::pair<int, int>> expected;
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x)
            expected.insert({x, y});
    // Rows 2..5 of the down-pointing triangle: centres x + 0.5 within
    // [10.5 + (y - 2), 18.5 - (y - 2)).
    for (int y = 2; y < 6; ++y)
        for (int x = 10 + (y - 2); x < 18 - (y - 2); ++x)
            expected.insert({x, y});
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 24; ++x) {
            const uint32_t want = expected.count({x, y}) ? 0x202020u : 0u;
            EXPECT_EQ(Rgb(frame[y * 64 + x]), want) << "pixel " << x << ", " << y;
        }
    }
}

TEST_F(RasterTest, DepthTestCompares) {
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE));
    struct Case {
        D3DCMPFUNC func;
        bool nearer, same, farther;  // drawn at depth 0.25, 0.5, 0.75 over 0.5
    };
    const Case cases[] = {
        {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true},
    };
    for (const Case& c : cases) {
        ASSERT_D3D_OK(
            device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 0.5f, 0));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZFUNC, c.func));
        Rect(0, 0, 16, 16, 0xFF00FF00u, 0.25f);
        Rect(16, 0, 32, 16, 0xFF00FF00u, 0.5f);
        Rect(32, 0, 48, 16, 0xFF00FF00u, 0.75f);
        EXPECT_EQ(At(8, 8), c.nearer ? 0x00FF00u : 0u) << "func " << c.func;
        EXPECT_EQ(At(24, 8), c.same ? 0x00FF00u : 0u) << "func " << c.func;
        EXPECT_EQ(At(40, 8), c.farther ? 0x00FF00u : 0u) << "func " << c.func;
        // Drawn pixels wrote their depth.
        EXPECT_EQ(DepthAt(40, 8), c.farther ? 0xBFFFFFu : 0x800000u) << "func " << c.func;
    }
    // Without depth writes the buffer keeps its value; without the test
    // everything draws and nothing is written.
    ASSERT_D3D_OK(
        device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 0.5f, 0));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZWRITEENABLE, FALSE));
    Rect(0, 0, 16, 16, 0xFF00FF00u, 0.25f);
    EXPECT_EQ(At(8, 8), 0x00FF00u);
    EXPECT_EQ(DepthAt(8, 8), 0x800000u);
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE));
    Rect(16, 0, 32, 16, 0xFF0000FFu, 0.75f);
    EXPECT_EQ(At(24, 8), 0x0000FFu);
    EXPECT_EQ(DepthAt(24, 8), 0x800000u);
}

TEST_F(RasterTest, StencilWrittenInOnePassMasksTheNext) {
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1, 0));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILENABLE, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILREF, 1));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_REPLACE));
    // Marks without colour: blending keeps the destination.
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE));
    Rect(16, 16, 48, 48, 0xFFFF0000u);
    EXPECT_EQ(At(20, 20), 0u);
    EXPECT_EQ(StencilAt(20, 20), 1u);
    EXPECT_EQ(StencilAt(10, 20), 0u);

    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_EQUAL));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP));
    Rect(0, 0, 64, 64, 0xFF0000FFu);
    EXPECT_EQ(At(16, 16), 0x0000FFu);
    EXPECT_EQ(At(47, 47), 0x0000FFu);
    EXPECT_EQ(At(15, 30), 0u);
    EXPECT_EQ(At(48, 30), 0u);
}

TEST_F(RasterTest, StencilOperationsAndMasks) {
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILENABLE, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE));
    struct Case {
        const char* what;
        D3DCMPFUNC func;
        DWORD ref, mask, writeMask;
        D3DSTENCILOP fail, depthFail, pass;
        float depth;  // drawn over a depth of 0.5
        uint32_t stored, expected;
    };
    const auto K = D3DSTENCILOP_KEEP;
    const Case cases[] = {
        {"keep", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, K, 0.25f, 200, 200},
        {"zero", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_ZERO, 0.25f, 200, 0},
        {"replace", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_REPLACE, 0.25f, 200, 7},
        {"incrsat", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_INCRSAT, 0.25f, 255, 255},
        {"decrsat", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_DECRSAT, 0.25f, 0, 0},
        {"invert", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_INVERT, 0.25f, 200, 55},
        {"incr wraps", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_INCR, 0.25f, 255, 0},
        {"decr wraps", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, K, D3DSTENCILOP_DECR, 0.25f, 0, 255},
        {"write mask", D3DCMP_ALWAYS, 0x07, 0xFF, 0x0F, K, K, D3DSTENCILOP_REPLACE, 0.25f, 0xC8,
         0xC7},
        {"fail", D3DCMP_NEVER, 7, 0xFF, 0xFF, D3DSTENCILOP_INCR, K, K, 0.25f, 10, 11},
        {"depth fail", D3DCMP_ALWAYS, 7, 0xFF, 0xFF, K, D3DSTENCILOP_DECR, K, 0.75f, 10, 9},
        {"read mask passes", D3DCMP_EQUAL, 0x18, 0x0F, 0xFF, K, K, D3DSTENCILOP_ZERO, 0.25f, 0x28,
         0},
        {"read mask fails", D3DCMP_EQUAL, 0x18, 0x1F, 0xFF, D3DSTENCILOP_INVERT, K, K, 0.25f, 0x28,
         0xD7},
        {"less: ref below stored", D3DCMP_LESS, 3, 0xFF, 0xFF, K, K, D3DSTENCILOP_ZERO, 0.25f, 4,
         0},
    };
    for (const Case& c : cases) {
        ASSERT_D3D_OK(
            device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 0.5f, c.stored));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILFUNC, c.func));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILREF, c.ref));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILMASK, c.mask));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILWRITEMASK, c.writeMask));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILFAIL, c.fail));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILZFAIL, c.depthFail));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_STENCILPASS, c.pass));
        Rect(0, 0, 8, 8, 0xFFFFFFFFu, c.depth);
        EXPECT_EQ(StencilAt(4, 4), c.expected) << c.what;
        EXPECT_EQ(StencilAt(12, 4), c.stored) << c.what << ": outside the rectangle";
    }
}

TEST_F(RasterTest, AlphaTestAgainstTheReference) {
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE));
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHAREF, 128));
    struct Case {
        D3DCMPFUNC func;
        bool below, at, above;  // alpha 127, 128, 129
    };
    const Case cases[] = {
        {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
        {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
        {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
        {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true},
    };
    for (const Case& c : cases) {
        ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHAFUNC, c.func));
        Rect(0, 0, 8, 8, 0x7F00FF00u);
        Rect(8, 0, 16, 8, 0x8000FF00u);
        Rect(16, 0, 24, 8, 0x8100FF00u);
        EXPECT_EQ(At(4, 4), c.below ? 0x00FF00u : 0u) << "func " << c.func;
        EXPECT_EQ(At(12, 4), c.at ? 0x00FF00u : 0u) << "func " << c.func;
        EXPECT_EQ(At(20, 4), c.above ? 0x00FF00u : 0u) << "func " << c.func;
    }
}

TEST_F(RasterTest, EachBlendFactorWeighsItsSide) {
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
    const uint32_t destination = 0xFF1080F0u, source = 0x80C04020u;
    const D3DBLEND factors[] = {D3DBLEND_ZERO,        D3DBLEND_ONE,      D3DBLEND_SRCCOLOR,
                                D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA};
    // The factor of one channel (0..1) as the blend modes define it.
    auto weight = [&](D3DBLEND f, int shift) {
        const double channel = ((source >> shift) & 0xFF) / 255.0, alpha = (source >> 24) / 255.0;
        switch (f) {
            case D3DBLEND_ZERO:
                return 0.0;
            case D3DBLEND_ONE:
                return 1.0;
            case D3DBLEND_SRCCOLOR:
                return channel;
            case D3DBLEND_INVSRCCOLOR:
                return 1.0 - channel;
            case D3DBLEND_SRCALPHA:
                return alpha;
            default:
                return 1.0 - alpha;
        }
    };
    for (D3DBLEND s : factors) {
        for (D3DBLEND d : factors) {
            ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, destination, 1, 0));
            ASSERT_D3D_OK(device_->SetRenderState(D3DRS_SRCBLEND, s));
            ASSERT_D3D_OK(device_->SetRenderState(D3DRS_DESTBLEND, d));
            Rect(0, 0, 4, 4, source);
            const uint32_t got = At(1, 1);
            for (int shift = 0; shift < 24; shift += 8) {
                const double want =
                    std::min(255.0, ((source >> shift) & 0xFF) * weight(s, shift) +
                                        ((destination >> shift) & 0xFF) * weight(d, shift));
                EXPECT_NEAR(double((got >> shift) & 0xFF), want, 1.0)
                    << "factors " << s << ", " << d << " channel " << shift;
            }
        }
    }
}

TEST_F(RasterTest, BilinearFilterGivesTexelsAtTheirCentresAndMixesBetween) {
    const uint32_t texels[4] = {0xFF000000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u};
    Handle<IDirect3DTexture8> texture =
        MakeTexture(4, 4, [&](uint32_t x, uint32_t) { return texels[x]; });
    ASSERT_D3D_OK(device_->SetTexture(0, texture.Get()));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR));
    // Three pixels per texel: pixel centres 1, 4, 7, 10 fall on texel centres.
    Rect(0, 0, 12, 12, 0xFFFFFFFFu);
    for (int i = 0; i < 12; ++i) {
        const double s = (i + 0.5) / 3.0 - 0.5;  // in texels
        const int t0 = int(std::floor(s));
        const double f = s - t0;
        const uint32_t a = texels[(t0 + 4) % 4], b = texels[(t0 + 5) % 4];  // wrapped
        const uint32_t got = At(i, 5);
        for (int shift = 0; shift < 24; shift += 8) {
            const double want = ((a >> shift) & 0xFF) * (1 - f) + ((b >> shift) & 0xFF) * f;
            EXPECT_NEAR(double((got >> shift) & 0xFF), want, 1.0) << "pixel " << i;
        }
        if (i % 3 == 1) {
            EXPECT_EQ(got, Rgb(texels[i / 3])) << "texel centre " << i;
        }
    }
    // Clamped, the first pixel sees texel 0 alone; point sampling takes the
    // texel the centre falls in.
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP));
    Rect(0, 20, 12, 32, 0xFFFFFFFFu);
    EXPECT_EQ(At(0, 25), Rgb(texels[0]));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT));
    Rect(0, 40, 12, 52, 0xFFFFFFFFu);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(At(i, 45), Rgb(texels[i / 3])) << "pixel " << i;
}

TEST_F(RasterTest, TextureStageOperations) {
    // 5-bit and 4-bit texels widen so that full channels stay full.
    Handle<IDirect3DTexture8> texture = MakeTexture(
        2, 2, [](uint32_t, uint32_t) { return 0xFFFF8000u; }, D3DFMT_A4R4G4B4);
    ASSERT_D3D_OK(device_->SetTexture(0, texture.Get()));
    const uint32_t diffuse = 0x80406080u;  // texel reads as 0xFFFF8800
    struct Case {
        D3DTEXTUREOP op;
        uint32_t expected;
    };
    const Case cases[] = {
        {D3DTOP_SELECTARG1, 0xFF8800u}, {D3DTOP_SELECTARG2, 0x406080u},
        {D3DTOP_MODULATE, 0x403300u},  // 0x40 * 0xFF, 0x60 * 0x88, 0x80 * 0x00, over 255
        {D3DTOP_ADD, 0xFFE880u},        {D3DTOP_ADDSIGNED, 0xBF6800u},  // a + b - 128, clamped
        {D3DTOP_DISABLE, 0x406080u},  // the diffuse colour passes through
    };
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE));
    for (const Case& c : cases) {
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, c.op));
        Rect(0, 0, 8, 8, diffuse);
        EXPECT_EQ(At(4, 4), c.expected) << "op " << c.op;
    }
    // A second stage multiplies the first stage's result by its texture,
    // reading its own coordinates.
    Handle<IDirect3DTexture8> half =
        MakeTexture(2, 2, [](uint32_t x, uint32_t) { return x == 0 ? 0xFF808080u : 0xFFFFFFFFu; });
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1));
    ASSERT_D3D_OK(device_->SetTexture(1, half.Get()));
    ASSERT_D3D_OK(device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE));
    ASSERT_D3D_OK(device_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE));
    ASSERT_D3D_OK(device_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT));
    ASSERT_D3D_OK(device_->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0));
    Rect(0, 0, 8, 8, diffuse);
    EXPECT_EQ(At(1, 4), 0x804400u);  // left half of the stage-1 texture
    EXPECT_EQ(At(6, 4), 0xFF8800u);
}

TEST_F(RasterTest, TrianglesCrossingTheNearPlaneAreClipped) {
    Camera(1.0f, 100.0f);
    ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE));
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0));
    // A floor one below the eye, reaching from behind the camera (z = -10)
    // to z = 90: on a 64-row target, depth z lands on row 32 (1 + 1 / z).
    const D3DCOLOR green = 0xFF00FF00u;
    const ScenePoint a{-50, -1, -10, 0, 1, 0, green}, b{50, -1, -10, 0, 1, 0, green},
        c{50, -1, 90, 0, 1, 0, green}, d{-50, -1, 90, 0, 1, 0, green};
    DrawScene(D3DPT_TRIANGLELIST, 2, {a, c, b, a, d, c});
    // A triangle wholly behind the camera draws nothing.
    DrawScene(D3DPT_TRIANGLELIST, 1,
              {{-5, -5, -2, 0, 0, -1, 0xFFFF0000u},
               {5, -5, -2, 0, 0, -1, 0xFFFF0000u},
               {0, 5, -3, 0, 0, -1, 0xFFFF0000u}});
    const std::vector<uint32_t> frame = Frame();
    for (int y = 0; y < 64; ++y) {
        if (y == 32) continue;  // the far edge of the floor crosses this row
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(Rgb(frame[y * 64 + x]), y > 32 ? 0x00FF00u : 0u)
                << "pixel " << x << ", " << y;
        }
    }
    // The depth of the nearest row: z = 1 / ((63.5 / 32) - 1), mapped by
    // f / (f - n) * (1 - n / z).
    const double z = 1.0 / (63.5 / 32.0 - 1.0);
    const double depth = 100.0 / 99.0 * (1.0 - 1.0 / z);
    EXPECT_NEAR(double(DepthAt(10, 63)), depth * 16777215.0, 16.0);
}

TEST_F(RasterTest, TexturesRecedeInPerspective) {
    Camera(1.0f, 100.0f);
    // A floor from z = 1 to z = 9 whose texture has one row per unit of
    // depth, alternately black and white.
    Handle<IDirect3DTexture8> rows =
        MakeTexture(1, 8, [](uint32_t, uint32_t y) { return y % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    ASSERT_D3D_OK(device_->SetTexture(0, rows.Get()));
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1));
    const ScenePoint a{-50, -1, 1, 0, 1, 0, 0xFFFFFFFFu, 0, 0},
        b{50, -1, 1, 0, 1, 0, 0xFFFFFFFFu, 1, 0}, c{50, -1, 9, 0, 1, 0, 0xFFFFFFFFu, 1, 1},
        d{-50, -1, 9, 0, 1, 0, 0xFFFFFFFFu, 0, 1};
    DrawScene(D3DPT_TRIANGLELIST, 2, {a, c, b, a, d, c});
    const std::vector<uint32_t> frame = Frame();
    int affineWouldDiffer = 0;
    // Row r shows depth z = 1 / ((r + 0.5) / 32 - 1); the floor's near edge
    // lies at row 64, its far edge (z = 9) at row 35.6.
    for (int r = 36; r < 64; ++r) {
        const double z = 1.0 / ((r + 0.5) / 32.0 - 1.0);
        const int texel = int(std::floor(z - 1.0));
        const int affine = int(std::floor((64.0 - (r + 0.5)) / (64.0 - 32.0 * (1 + 1 / 9.0)) * 8));
        affineWouldDiffer += (affine % 2) != (texel % 2) ? 1 : 0;
        EXPECT_EQ(Rgb(frame[r * 64 + 32]), texel % 2 ? 0xFFFFFFu : 0u) << "row " << r;
    }
    EXPECT_GT(affineWouldDiffer, 4);  // the check tells perspective from affine
}

using Pixels = std::vector<std::pair<int, int>>;

Pixels Lit(const std::vector<uint32_t>& frame, int width) {
    Pixels lit;
    for (std::size_t i = 0; i < frame.size(); ++i)
        if (Rgb(frame[i]) != 0) lit.push_back({int(i) % width, int(i) / width});
    return lit;
}

TEST_F(RasterTest, LinesLightOnePixelPerColumnOrRowFromStartToEnd) {
    struct Case {
        const char* what;
        float x0, y0, x1, y1;
        Pixels expected;  // in row order
    };
    const Case cases[] = {
        {"to the right", 1.5f, 1.5f, 6.5f, 1.5f, {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}},
        {"to the left", 6.5f, 1.5f, 1.5f, 1.5f, {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}},
        {"diagonal", 1.0f, 1.0f, 5.0f, 5.0f, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"steep", 2.5f, 0.5f, 3.5f, 6.5f, {{2, 0}, {2, 1}, {2, 2}, {3, 3}, {3, 4}, {3, 5}}},
        {"shallow upwards",
         0.5f,
         4.0f,
         8.5f,
         2.0f,
         {{5, 2}, {6, 2}, {7, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {0, 4}}},
    };
    for (const Case& c : cases) {
        ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
        Draw(D3DPT_LINELIST, {{c.x0, c.y0, 0, 1, 0xFFFFFFFFu}, {c.x1, c.y1, 0, 1, 0xFFFFFFFFu}});
        EXPECT_EQ(Lit(Frame(), 64), c.expected) << c.what;
    }
}

TEST_F(RasterTest, AClosedLineStripDrawsEachOutlinePixelOnce) {
    Additive();
    const D3DCOLOR c = 0xFF404040u;
    Draw(D3DPT_LINESTRIP, {{8.5f, 8.5f, 0, 1, c},
                           {55.5f, 8.5f, 0, 1, c},
                           {55.5f, 55.5f, 0, 1, c},
                           {8.5f, 55.5f, 0, 1, c},
                           {8.5f, 8.5f, 0, 1, c}});
    const std::vector<uint32_t> frame = Frame();
    int once = 0, more = 0;
    for (uint32_t p : frame) {
        once += Rgb(p) == 0x404040u ? 1 : 0;
        more += Rgb(p) > 0x404040u ? 1 : 0;
    }
    EXPECT_EQ(once, 4 * 47);
    EXPECT_EQ(more, 0);
    EXPECT_EQ(Rgb(frame[8 * 64 + 8]), 0x404040u);    // every corner is drawn
    EXPECT_EQ(Rgb(frame[55 * 64 + 55]), 0x404040u);  // by one side
    EXPECT_EQ(Rgb(frame[32 * 64 + 32]), 0u);
}

TEST_F(RasterTest, LineColoursRunFromEndToEnd) {
    Draw(D3DPT_LINELIST, {{0, 2.5f, 0, 1, 0xFF000000u}, {16, 2.5f, 0, 1, 0xFFFFFFFFu}});
    for (int x = 0; x < 16; ++x) {
        const double want = 255.0 * (x + 0.5) / 16.0;
        EXPECT_NEAR(double(At(x, 2) & 0xFF), want, 1.0) << "pixel " << x;
    }
}

TEST_F(RasterTest, PicturesDoNotDependOnTheNumberOfThreads) {
    std::vector<uint32_t> frames[2];
    for (uint32_t threads : {1u, 2u}) {
        SoftwareDeviceOptions options;
        options.rasterizerThreads = threads;
        ASSERT_TRUE(MakeDevice(200, 150, options));
        ASSERT_EQ(device_->RasterizerThreads(), threads);
        Plain2D();
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
        ASSERT_D3D_OK(device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));
        ASSERT_D3D_OK(
            device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1, 0));
        // Overlapping, blended, depth-tested triangles and lines of every
        // size, many across tile borders.
        std::mt19937 random(3);
        std::uniform_real_distribution<float> coordinate(-30.0f, 230.0f), unit(0.0f, 1.0f);
        std::vector<ScreenPoint> points;
        for (int i = 0; i < 900; ++i) {
            const D3DCOLOR colour = static_cast<D3DCOLOR>(random()) | 0x40000000u;
            points.push_back({coordinate(random), coordinate(random), unit(random), 1, colour});
        }
        Draw(D3DPT_TRIANGLELIST, points);
        Draw(D3DPT_LINESTRIP, points);
        // Textured and filtered, as most frames are: the loops made for it.
        Handle<IDirect3DTexture8> texture =
            MakeTexture(8, 8, [](uint32_t x, uint32_t y) { return 0x80402010u * (x + 3 * y + 1); });
        ASSERT_D3D_OK(device_->SetTexture(0, texture.Get()));
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE));
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE));
        ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR));
        for (ScreenPoint& point : points) {
            point.u = point.x / 40.0f;
            point.v = point.y / 30.0f;
        }
        Draw(D3DPT_TRIANGLELIST, points);
        frames[threads - 1] = Frame();
    }
    std::set<uint32_t> colours(frames[0].begin(), frames[0].end());
    EXPECT_GT(colours.size(), 1000u);  // a picture worth comparing
    EXPECT_TRUE(frames[0] == frames[1]);
}

}  // namespace
}  // namespace vimsa::d3d8
