// D3D8Renderer on the software device: its state, textures, light maps with
// one and two texture units, screenshots of every back-buffer format, the
// pooled 2-D vertex path, mesh buffers, stencil passes and lights.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/d3d8/d3d8_device.h"
#include "render/direct3d8/d3d8_texture.h"
#include "render/image_file.h"
#include "render/render_state.h"
#include "tests/d3d8/d3d8_fixture.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using namespace d3d8;
using test::D3D8Fixture;
using test::FacingQuad;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::NearColour;
using test::Quadrants;
using test::Rgba;

constexpr Rgba kBackground{192, 192, 192, 0};

// Screen centres of the quad's four quadrants on a 64 x 64 target.
constexpr int kLeft = 24, kRight = 40, kTop = 21, kBottom = 43;

LightSet Directional(Vector3 direction, float level) {
    DeviceLight l;
    l.kind = kLightDirectional;
    l.direction = direction;
    l.colour = {level, level, level, 1};
    LightSet set;
    set.Add(l);
    return set;
}

DWORD RenderState(D3D8Renderer& r, D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    EXPECT_EQ(r.Device()->GetRenderState(state, &value), D3D_OK);
    return value;
}

DWORD StageState(D3D8Renderer& r, DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
    DWORD value = 0;
    EXPECT_EQ(r.Device()->GetTextureStageState(stage, type, &value), D3D_OK);
    return value;
}

using D3D8RendererTest = D3D8Fixture;

TEST_F(D3D8RendererTest, InitSetsTheDocumentedState) {
    D3D8Renderer& r = *renderer_;
    EXPECT_EQ(r.Width(), kSize);  // 0 x 0 asked: the window's size
    EXPECT_EQ(r.Height(), kSize);
    EXPECT_EQ(r.ColourBits(), 0);
    EXPECT_EQ(r.DepthBits(), 0);
    EXPECT_EQ(r.Kind(), kRendererDirect3D8);
    EXPECT_FALSE(RendererIsOpenGL());
    EXPECT_TRUE(r.Windowed());
    EXPECT_TRUE(r.UsesStencil());
    EXPECT_TRUE(r.Multitexture());
    EXPECT_EQ(r.TextureUnits(), 2);
    EXPECT_EQ(RenderState(r, D3DRS_CULLMODE), DWORD{D3DCULL_CW});
    EXPECT_EQ(RenderState(r, D3DRS_ZFUNC), DWORD{D3DCMP_LESSEQUAL});
    EXPECT_EQ(RenderState(r, D3DRS_ZWRITEENABLE), DWORD{TRUE});
    EXPECT_EQ(RenderState(r, D3DRS_ALPHATESTENABLE), DWORD{FALSE});
    EXPECT_EQ(RenderState(r, D3DRS_ALPHAFUNC), DWORD{D3DCMP_LESS});
    EXPECT_EQ(RenderState(r, D3DRS_ALPHAREF), 128u);
    EXPECT_EQ(RenderState(r, D3DRS_ALPHABLENDENABLE), DWORD{TRUE});
    EXPECT_EQ(RenderState(r, D3DRS_SRCBLEND), DWORD{D3DBLEND_SRCALPHA});
    EXPECT_EQ(RenderState(r, D3DRS_DESTBLEND), DWORD{D3DBLEND_INVSRCALPHA});
    EXPECT_EQ(RenderState(r, D3DRS_LIGHTING), DWORD{TRUE});
    EXPECT_EQ(RenderState(r, D3DRS_DIFFUSEMATERIALSOURCE), DWORD{D3DMCS_COLOR1});
    EXPECT_EQ(StageState(r, 0, D3DTSS_COLOROP), DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(StageState(r, 0, D3DTSS_MAGFILTER), DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(StageState(r, 1, D3DTSS_TEXCOORDINDEX), 1u);
    EXPECT_EQ(StageState(r, 2, D3DTSS_COLOROP), DWORD{D3DTOP_DISABLE});
    for (DWORD i = 0; i < 8; ++i) {
        BOOL on = TRUE;
        const HRESULT hr = r.Device()->GetLightEnable(i, &on);
        EXPECT_TRUE(Failed(hr) || on == FALSE) << "light " << i;
    }
    // One cleared frame was presented.
    EXPECT_EQ(windows_[0]->FrameCount(), 1u);
    EXPECT_EQ(windows_[0]->Pixel(10, 10), 0xFFC0C0C0u);

    Handle<D3D8Renderer> single = MakeRenderer(kSize, kSize, OneUnit());
    ASSERT_TRUE(single);
    EXPECT_FALSE(single->Multitexture());
    EXPECT_EQ(single->TextureUnits(), 1);
    EXPECT_EQ(StageState(*single, 1, D3DTSS_COLOROP), DWORD{D3DTOP_DISABLE});
}

TEST_F(D3D8RendererTest, WithoutADeviceEverythingAnswersNoDevice) {
    D3D8Renderer r;
    EXPECT_FALSE(r.Init(nullptr, kDisplayWindow, 64, 64));
    struct PlainWindow : RenderWindow {
        bool ClientSize(uint32_t& w, uint32_t& h) const override {
            w = h = 64;
            return true;
        }
    } plain;
    EXPECT_FALSE(r.Init(&plain, kDisplayWindow, 0, 0));
    EXPECT_FALSE(r.BeginFrame());
    EXPECT_FALSE(r.Clear(kClearAll));
    EXPECT_FALSE(r.SetDepth(true, true));
    EXPECT_EQ(r.ScreenShot(), ERR_D3D_NO_DEVICE);
    Handle<Texture> t = r.NewTexture();
    ASSERT_EQ(t->Create("t", 2, 2, kFormat8888), RESULT_OK);
    EXPECT_EQ(r.UploadTexture(t.Get()), ERR_D3D_NO_DEVICE);
    r.Shutdown();  // twice is fine
}

TEST_F(D3D8RendererTest, TextureCodesAndFormats) {
    EXPECT_EQ(renderer_->UploadTexture(nullptr), ERR_D3D_NULL_TEXTURE);
    Handle<Texture> empty = renderer_->NewTexture();
    EXPECT_EQ(renderer_->UploadTexture(empty.Get()), ERR_D3D_TEXTURE_NO_PIXELS);
    Handle<Texture> notUploaded = renderer_->NewTexture();
    ASSERT_EQ(notUploaded->Create("n", 2, 2, kFormat8888), RESULT_OK);
    EXPECT_EQ(renderer_->BindTexture(0, notUploaded.Get()), ERR_D3D_TEXTURE_NOT_LOADED);

    // Every format draws its texels in their places: red, green, blue, white.
    // The device widens narrow channels so that full ones stay full, except
    // for "0555", which travels as "0888" widened by the engine's shift.
    for (int32_t format :
         {kFormat0555, kFormat0565, kFormat0888, kFormat1555, kFormat4444, kFormat8888}) {
        const int full = format == kFormat0555 ? 248 : 255;
        const Rgba red{full, 0, 0, 0}, green{0, full, 0, 0}, blue{0, 0, full, 0},
            white{full, full, full, 0};
        Handle<Texture> t = renderer_->NewTexture();
        ASSERT_EQ(t->Create("q", 4, 4, format), RESULT_OK);
        for (uint32_t y = 0; y < 4; ++y) {
            for (uint32_t x = 0; x < 4; ++x) {
                const Rgba c = Quadrants(x, y);
                EncodePixel(t->Pixels() + (y * 4 + x) * BytesPerPixel(format), format,
                            t->ChannelOrder(),
                            Rgba8{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), 255});
            }
        }
        ASSERT_EQ(renderer_->UploadTexture(t.Get()), RESULT_OK) << FormatName(format);
        EXPECT_EQ(renderer_->UploadTexture(t.Get()), RESULT_OK);  // once is enough
        Begin2DFrame(*renderer_);
        renderer_->SetTextureFilter(0, kFilterPoint, kFilterPoint, 0);
        ASSERT_EQ(renderer_->BindTexture(0, t.Get()), RESULT_OK);
        test::DrawRect(*renderer_, 0, 0, 64, 64, kWhite);
        renderer_->EndFrame();
        ReadBack();
        EXPECT_TRUE(NearColour(At(10, 10), red, 0)) << FormatName(format);
        EXPECT_TRUE(NearColour(At(50, 10), green, 0)) << FormatName(format);
        EXPECT_TRUE(NearColour(At(10, 50), blue, 0)) << FormatName(format);
        EXPECT_TRUE(NearColour(At(50, 50), white, 0)) << FormatName(format);
    }
}

TEST_F(D3D8RendererTest, ChangedPixelsReachTheDeviceByReloading) {
    Handle<Texture> texture = test::SolidTexture(*renderer_, kRed);
    auto paint = [&](Rgba c) {
        for (uint32_t i = 0; i < 4; ++i)
            EncodePixel(texture->Pixels() + i * 4, kFormat8888, texture->ChannelOrder(),
                        Rgba8{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), 255});
    };
    auto drawn = [&] {
        Begin2DFrame(*renderer_);
        EXPECT_EQ(renderer_->BindTexture(0, texture.Get()), RESULT_OK);
        test::DrawRect(*renderer_, 0, 0, 64, 64, kWhite);
        renderer_->EndFrame();
        ReadBack();
        return At(32, 32);
    };
    paint(kBlue);
    EXPECT_TRUE(NearColour(drawn(), kRed, 0));  // the device still has the old pixels
    ASSERT_EQ(renderer_->ReloadTexture(texture.Get()), RESULT_OK);
    EXPECT_TRUE(NearColour(drawn(), kBlue, 0));
    paint(kGreen);
    ASSERT_EQ(texture->ReloadOnDevice(), RESULT_OK);  // into the same device texture
    EXPECT_TRUE(NearColour(drawn(), kGreen, 0));

    Handle<Texture> never = renderer_->NewTexture();
    ASSERT_EQ(never->Create("n", 2, 2, kFormat8888), RESULT_OK);
    EXPECT_EQ(never->ReloadOnDevice(), ERR_TEXTURE_NO_PIXELS);  // no device texture yet
    Handle<Texture> orphan(new D3D8Texture(nullptr));
    ASSERT_EQ(orphan->Create("o", 2, 2, kFormat8888), RESULT_OK);
    EXPECT_EQ(orphan->CreateOnDevice(), ERR_TEXTURE_NO_DEVICE);
    ASSERT_EQ(orphan->Convert(kFormat0555, kOrderKeep), RESULT_OK);
    EXPECT_EQ(renderer_->UploadTexture(orphan.Get()), RESULT_OK);  // "0555" travels as "0888"
    EXPECT_EQ(orphan->Format(), kFormat0888);
}

TEST_F(D3D8RendererTest, TexturedLitQuadAndCulling) {
    Handle<Texture> texture = test::MakeTexture(*renderer_, 4, 4, Quadrants);
    FacingQuad quad;
    Begin3DFrame(*renderer_);
    renderer_->LoadLights(Directional({0, 0, 1}, 0.5f));  // shining at the quad
    ASSERT_EQ(renderer_->BindTexture(0, texture.Get()), RESULT_OK);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(kLeft, kTop), {128, 0, 0, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kTop), {0, 128, 0, 0}));
    EXPECT_TRUE(NearColour(At(kLeft, kBottom), {0, 0, 128, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kBottom), {128, 128, 128, 0}));
    EXPECT_TRUE(NearColour(At(2, 2), kBackground));

    // Turned round, the quad shows its back: culled, until front faces are.
    std::swap(quad.indices[1], quad.indices[2]);
    std::swap(quad.indices[4], quad.indices[5]);
    Begin3DFrame(*renderer_);
    renderer_->EnableLighting(false);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));
    Begin3DFrame(*renderer_);
    renderer_->EnableLighting(false);
    renderer_->SetCullFront(true);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->SetCullFront(false);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(kRight, kBottom), kWhite));
}

// The same light-mapped quad with two texture units (one pass) and with one
// (two passes), and the same quad without a light map.
TEST_F(D3D8RendererTest, LightMapLooksTheSameWithOneTextureUnitAsWithTwo) {
    Handle<D3D8Renderer> single = MakeRenderer(kSize, kSize, OneUnit());
    ASSERT_TRUE(single);
    FacingQuad quad;
    auto draw = [&](D3D8Renderer& r, bool withLightMap, std::vector<uint8_t>& out) {
        render_state::ClearBoundTextures();
        Handle<Texture> base = test::MakeTexture(r, 4, 4, Quadrants);
        // Light map: full light on its left half, half light on its right half.
        Handle<Texture> lightMap = test::MakeTexture(r, 4, 4, [](uint32_t x, uint32_t) {
            return x < 2 ? kWhite : Rgba{128, 128, 128, 255};
        });
        Begin3DFrame(r);
        r.LoadLights(Directional({0, 0, 1}, 1.0f));
        ASSERT_EQ(r.BindTexture(0, base.Get()), RESULT_OK);
        ASSERT_EQ(r.BindTexture(1, withLightMap ? lightMap.Get() : nullptr), RESULT_OK);
        r.Device()->ResetDrawStatistics();
        r.DrawIndexed(quad.vertices, 4, quad.indices, 2);
        EXPECT_EQ(r.Device()->GetDrawStatistics().drawCalls,
                  withLightMap && r.TextureUnits() == 1 ? 2u : 1u);
        ASSERT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
        r.EndFrame();
        ReadBack(r, out);
    };
    std::vector<uint8_t> multi, twoPass, plain;
    draw(*renderer_, true, multi);
    draw(*single, true, twoPass);
    draw(*single, false, plain);

    int differing = 0, lightMapped = 0;
    for (std::size_t i = 0; i < multi.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(multi[i + c] - twoPass[i + c]) > 1) {
                ++differing;
                break;
            }
        }
        lightMapped += multi[i] != plain[i] || multi[i + 1] != plain[i + 1] ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lightMapped, 200);  // the light map does darken part of the quad
    // The light map's coordinates are transposed: its right half (u >= 0.5)
    // falls on the bottom of the quad.
    pixels_ = twoPass;
    pixelsWidth_ = kSize;
    EXPECT_TRUE(NearColour(At(kLeft, kTop), kRed));
    EXPECT_TRUE(NearColour(At(kRight, kTop), kGreen));
    EXPECT_TRUE(NearColour(At(kLeft, kBottom), {0, 0, 128, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kBottom), {128, 128, 128, 0}));
}

TEST_F(D3D8RendererTest, LightMapPassAlsoCoversScreenBatches) {
    Handle<D3D8Renderer> single = MakeRenderer(kSize, kSize, OneUnit());
    ASSERT_TRUE(single);
    auto draw = [&](D3D8Renderer& r, std::vector<uint8_t>& out) {
        render_state::ClearBoundTextures();
        Handle<Texture> base = test::SolidTexture(r, {200, 100, 50, 255});
        // Eight texels across, so that the sampled columns hit texel centres.
        Handle<Texture> lightMap = test::MakeTexture(r, 8, 2, [](uint32_t x, uint32_t) {
            return x < 4 ? kWhite : Rgba{64, 64, 64, 255};
        });
        Begin2DFrame(r);
        ASSERT_EQ(r.BindTexture(0, base.Get()), RESULT_OK);
        ASSERT_EQ(r.BindTexture(1, lightMap.Get()), RESULT_OK);
        test::DrawRect(r, 0, 0, 64, 64, kWhite);
        ASSERT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
        r.EndFrame();
        ReadBack(r, out);
    };
    std::vector<uint8_t> multi, twoPass;
    draw(*renderer_, multi);
    draw(*single, twoPass);
    pixels_ = twoPass;
    pixelsWidth_ = kSize;
    EXPECT_TRUE(NearColour(At(4, 32), {200, 100, 50, 0}));
    EXPECT_TRUE(NearColour(At(59, 32), {50, 25, 13, 0}));
    for (std::size_t i = 0; i < multi.size(); ++i)
        ASSERT_LE(std::abs(multi[i] - twoPass[i]), 1) << "byte " << i;
}

TEST_F(D3D8RendererTest, ScreenShotsConvertEachBackBufferFormat) {
    struct Case {
        D3DFORMAT display;
        // What the file holds for (200, 100, 50), (30, 60, 250) and green.
        Rgba red, blue, green;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, {200, 100, 50, 0}, {30, 60, 250, 0}, kGreen},
        {D3DFMT_R8G8B8, {200, 100, 50, 0}, {30, 60, 250, 0}, kGreen},
        // Through "0565": 5, 6 and 5 bits, widened again by shifting.
        {D3DFMT_R5G6B5, {200, 100, 48, 0}, {24, 60, 248, 0}, {0, 252, 0, 0}},
    };
    for (const Case& c : cases) {
        test::ScratchFolder folder;
        D3D8RendererOptions options;
        options.adapter.displayFormat = c.display;
        Handle<D3D8Renderer> r = MakeRenderer(320, 240, options);
        ASSERT_TRUE(r);
        Begin2DFrame(*r);
        test::DrawRect(*r, 0, 0, 320, 120, {200, 100, 50, 255});
        test::DrawRect(*r, 0, 120, 320, 240, {30, 60, 250, 255});
        test::DrawRect(*r, 0, 0, 10, 10, kGreen);  // marks the top-left corner
        r->EndFrame();
        ASSERT_EQ(r->ScreenShot(), RESULT_OK);
        Handle<Texture> shot(new Texture);
        ASSERT_EQ(LoadImage(shot.Get(), "Texture/Shot/Vimsa000.TGA", kImageTga), RESULT_OK);
        ASSERT_EQ(shot->Width(), 320u);
        ASSERT_EQ(shot->Height(), 240u);
        auto at = [&](uint32_t x, uint32_t y) {
            const Rgba8 p =
                DecodePixel(shot->Pixels() + (y * 320 + x) * 3, kFormat0888, shot->ChannelOrder());
            return Rgba{p.r, p.g, p.b, 255};
        };
        EXPECT_TRUE(NearColour(at(5, 5), c.green, 0)) << c.display;
        EXPECT_TRUE(NearColour(at(100, 60), c.red, 0)) << c.display;
        EXPECT_TRUE(NearColour(at(300, 200), c.blue, 0)) << c.display;
        ASSERT_EQ(r->ScreenShot(), RESULT_OK);  // the next number
        EXPECT_TRUE(std::filesystem::exists("Texture/Shot/Vimsa001.TGA"));
    }
}

TEST_F(D3D8RendererTest, WireFramePolygonOfFourVerticesDrawsFourSegments) {
    Begin2DFrame(*renderer_);
    ASSERT_TRUE(renderer_->SetSolid(false));
    renderer_->Device()->ResetDrawStatistics();
    test::DrawRect(*renderer_, 8.5f, 8.5f, 55.5f, 55.5f, kRed);
    const DrawStatistics stats = renderer_->Device()->GetDrawStatistics();
    renderer_->SetSolid(true);
    renderer_->EndFrame();
    EXPECT_EQ(stats.drawCalls, 1u);
    EXPECT_EQ(stats.primitives, 4u);
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));
    // All four sides, the closing one too, and each corner.
    for (const auto& [x, y] :
         {std::pair{8, 32}, {32, 8}, {55, 32}, {32, 55}, {8, 8}, {55, 55}, {8, 55}, {55, 8}})
        EXPECT_TRUE(NearColour(At(x, y), kRed)) << x << ", " << y;
    int red = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            red += NearColour(At(x, y), kRed) ? 1 : 0;
    EXPECT_EQ(red, 4 * 47);
}

TEST_F(D3D8RendererTest, WireFrameStripDrawsItsSidesAndEveryOtherDiagonal) {
    Begin2DFrame(*renderer_);
    ASSERT_TRUE(renderer_->SetSolid(false));
    const float strip[4][2] = {{4.5f, 8.5f}, {4.5f, 40.5f}, {59.5f, 8.5f}, {59.5f, 40.5f}};
    ScreenVertex* v = renderer_->FirstVertex();
    for (int k = 0; k < 4; ++k) {
        v->position = {strip[k][0], strip[k][1], 0, 1};
        v->colours[0] = {0, 1, 0, 1};
        if (k < 3) v = renderer_->NextVertex();
    }
    renderer_->Device()->ResetDrawStatistics();
    renderer_->DrawVertexBatch(kPrimitiveStrip, 4, 1, 1);
    const DrawStatistics stats = renderer_->Device()->GetDrawStatistics();
    renderer_->SetSolid(true);
    renderer_->EndFrame();
    EXPECT_EQ(stats.drawCalls, 2u);
    EXPECT_EQ(stats.primitives, 3u + 2u);  // the strip's path, then 0-2 and 1-3
    ReadBack();
    EXPECT_TRUE(NearColour(At(30, 8), kGreen));   // 0 to 2
    EXPECT_TRUE(NearColour(At(30, 40), kGreen));  // 1 to 3
    EXPECT_TRUE(NearColour(At(4, 20), kGreen));   // 0 to 1
    EXPECT_TRUE(NearColour(At(30, 24), kBackground));
}

// A grid of 8 x 8 cells over the whole target, as terrain builds it: a
// triangle list and one strip per row.
struct Grid {
    static constexpr uint32_t kCells = 8;
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> triangles, strips;

    explicit Grid(uint8_t blue) {
        const uint32_t n = kCells;
        for (uint32_t r = 0; r <= n; ++r) {
            for (uint32_t c = 0; c <= n; ++c) {
                MeshVertex v;
                v.position = {float(c * 8), float(r * 8), 0.5f};
                v.colour[0] = blue;  // blue, green, red, alpha for this renderer
                v.colour[1] = 0;
                v.colour[2] = 0;
                vertices.push_back(v);
            }
        }
        const auto at = [](uint32_t row, uint32_t col) {
            return static_cast<uint16_t>(row * (kCells + 1) + col);
        };
        for (uint32_t r = 0; r < n; ++r) {
            for (uint32_t c = 0; c < n; ++c)
                triangles.insert(triangles.end(), {at(r, c), at(r + 1, c), at(r, c + 1),
                                                   at(r, c + 1), at(r + 1, c), at(r + 1, c + 1)});
            for (uint32_t c = 0; c <= n; ++c)
                strips.insert(strips.end(), {at(r, c), at(r + 1, c)});
        }
    }
};

TEST_F(D3D8RendererTest, DrawMeshBufferDrawsOneStripOfTwiceTheColumnsPerRow) {
    Grid grid(255);
    Handle<MeshBuffer> buffer =
        renderer_->NewMeshBuffer(grid.vertices.data(), uint32_t(grid.vertices.size()),
                                 grid.triangles.data(), uint32_t(grid.triangles.size() / 3));
    ASSERT_TRUE(
        renderer_->SetStripIndices(buffer.Get(), grid.strips.data(), uint32_t(grid.strips.size())));
    Begin2DFrame(*renderer_);
    renderer_->Device()->ResetDrawStatistics();
    renderer_->DrawMeshBuffer(buffer.Get(), 8, 8);
    const DrawStatistics stats = renderer_->Device()->GetDrawStatistics();
    renderer_->EndFrame();
    EXPECT_EQ(stats.drawCalls, 8u);
    EXPECT_EQ(stats.primitives, 8u * 16u);
    ReadBack();
    int blue = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            blue += NearColour(At(x, y), kBlue, 0) ? 1 : 0;
    EXPECT_EQ(blue, 64 * 64);  // every cell of every row, no gaps

    // The triangle list draws the same grid; changed vertices need an update.
    for (MeshVertex& v : grid.vertices)
        v.colour[0] = 0, v.colour[1] = 255;
    Begin2DFrame(*renderer_);
    renderer_->DrawMeshBufferPart(buffer.Get(), grid.triangles.data(), 128);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(30, 30), kBlue, 0));
    ASSERT_EQ(renderer_->UpdateMeshBuffer(buffer.Get()), RESULT_OK);
    Begin2DFrame(*renderer_);
    renderer_->DrawMeshBufferPart(buffer.Get(), grid.triangles.data(), 128);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(30, 30), kGreen, 0));
    EXPECT_EQ(renderer_->UpdateMeshBuffer(nullptr), ERR_NULL_ARGUMENT);
}

TEST_F(D3D8RendererTest, StencilMasksTheSecondPassAndIsClearedWithTheFrame) {
    Begin2DFrame(*renderer_);
    renderer_->BeginStencilWrite();
    test::DrawRect(*renderer_, 16, 16, 48, 48, kRed, 0.2f);  // marks, draws no colour or depth
    renderer_->BeginStencilTest();
    test::DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.5f);
    renderer_->EndStencil();
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBlue));
    EXPECT_TRUE(NearColour(At(16, 16), kBlue));
    EXPECT_TRUE(NearColour(At(4, 4), kBackground));
    EXPECT_TRUE(NearColour(At(60, 32), kBackground));

    // The next frame starts with a clear stencil: nothing passes the test.
    Begin2DFrame(*renderer_);
    renderer_->BeginStencilTest();
    test::DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.5f);
    renderer_->EndStencil();
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));

    // Without stencil mirrors the passes are skipped: both rectangles draw.
    renderer_->SetUseStencil(false);
    Begin2DFrame(*renderer_);
    renderer_->BeginStencilWrite();
    test::DrawRect(*renderer_, 16, 16, 48, 48, kRed, 0.2f);
    renderer_->BeginStencilTest();
    test::DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.1f);
    renderer_->EndStencil();
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(4, 4), kBlue));
    EXPECT_TRUE(NearColour(At(32, 32), kBlue));
}

TEST_F(D3D8RendererTest, DepthCanBeWrittenWithoutBeingTested) {
    Begin2DFrame(*renderer_);
    test::DrawRect(*renderer_, 0, 0, 64, 64, kRed, 0.2f);
    ASSERT_TRUE(renderer_->SetDepth(true, false));
    test::DrawRect(*renderer_, 0, 0, 32, 64, kGreen, 0.8f);  // drawn, and its depth kept
    ASSERT_TRUE(renderer_->SetDepth(true, true));
    test::DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.5f);  // only over the green half
    ASSERT_TRUE(renderer_->SetDepth(false, false));
    test::DrawRect(*renderer_, 0, 56, 64, 64, kWhite, 0.9f);  // neither tested nor written
    ASSERT_TRUE(renderer_->SetDepth(true, true));
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(16, 32), kBlue));
    EXPECT_TRUE(NearColour(At(48, 32), kRed));
    EXPECT_TRUE(NearColour(At(48, 60), kWhite));
}

TEST_F(D3D8RendererTest, MeshesInTheTwoDimensionalPassUsePixelCoordinates) {
    MeshVertex quad[4];
    const float corners[4][2] = {{10, 10}, {30, 10}, {30, 20}, {10, 20}};
    for (int i = 0; i < 4; ++i) {
        quad[i].position = {corners[i][0], corners[i][1], 0.5f};
        quad[i].colour[1] = 255, quad[i].colour[0] = quad[i].colour[2] = 0;
    }
    const uint16_t indices[6] = {0, 2, 1, 0, 3, 2};
    Begin2DFrame(*renderer_);
    renderer_->SetCullFront(true);  // either winding will do here
    renderer_->DrawIndexed(quad, 4, indices, 2);
    renderer_->SetCullFront(false);
    renderer_->DrawIndexed(quad, 4, indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(10, 10), kGreen, 0));
    EXPECT_TRUE(NearColour(At(29, 19), kGreen, 0));
    EXPECT_TRUE(NearColour(At(30, 15), kBackground));
    EXPECT_TRUE(NearColour(At(20, 20), kBackground));
}

TEST_F(D3D8RendererTest, LightsReachTheDeviceInWorldSpaceWithLongerRanges) {
    LightSet set;
    DeviceLight ambient, point, spot, off;
    ambient.kind = kLightAmbient;
    set.ambient = {0.25f, 0.5f, 1.0f, 1};
    point.kind = kLightPoint;
    point.position = {1, 2, 3};
    point.range = 40;
    point.attenuation0 = 0.5f;
    point.colour = {0.5f, 0.5f, 0.5f, 1};
    spot.kind = kLightSpot;
    spot.direction = {0, 1, 0};
    spot.innerAngle = 0.3f;
    spot.outerAngle = 0.9f;
    off.on = false;
    for (const DeviceLight& l : {ambient, point, spot, off})
        set.Add(l);
    renderer_->LoadLights(set);
    IDirect3DDevice8& d = *renderer_->Device();
    EXPECT_EQ(RenderState(*renderer_, D3DRS_AMBIENT), 0xFF4080FFu);
    D3DLIGHT8 got;
    ASSERT_EQ(d.GetLight(0, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(got.Range, 40000.0f);
    EXPECT_FLOAT_EQ(got.Attenuation0, 0.5f);
    EXPECT_FLOAT_EQ(got.Position.z, 3.0f);
    EXPECT_FLOAT_EQ(got.Diffuse.r, 0.5f);
    ASSERT_EQ(d.GetLight(1, &got), D3D_OK);
    EXPECT_EQ(got.Type, D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(got.Theta, 0.3f);
    EXPECT_FLOAT_EQ(got.Phi, 0.9f);
    EXPECT_FLOAT_EQ(got.Falloff, 1.0f);
    EXPECT_FLOAT_EQ(got.Direction.y, 1.0f);
    BOOL on = FALSE;
    ASSERT_EQ(d.GetLightEnable(1, &on), D3D_OK);
    EXPECT_EQ(on, TRUE);
    ASSERT_EQ(d.GetLightEnable(2, &on), D3D_OK);  // the light that is off
    EXPECT_EQ(on, FALSE);
    EXPECT_EQ(RenderState(*renderer_, D3DRS_LIGHTING), DWORD{TRUE});
}

TEST_F(D3D8RendererTest, TexturesOutliveTheirRenderer) {
    Handle<Texture> texture = test::SolidTexture(*renderer_, kRed);
    EXPECT_TRUE(texture->Uploaded());
    renderer_->Shutdown();
    EXPECT_FALSE(texture->Uploaded());
    renderer_.Reset();
    // The texture joins a new renderer.
    Handle<D3D8Renderer> next = MakeRenderer(kSize, kSize);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->UploadTexture(texture.Get()), RESULT_OK);
}

}  // namespace
}  // namespace vimsa
