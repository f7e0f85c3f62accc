// The software Direct3D 8 device: creation, resources, the utility library,
// clearing and presenting, and the checks every draw goes through.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d8/d3d8_matrix.h"
#include "platform/d3d8/surface_format.h"
#include "tests/d3d8/device_fixture.h"

namespace vimsa::d3d8 {
namespace {

using test::DeviceFixture;
using test::Rgb;
using test::ScreenPoint;

D3DPRESENT_PARAMETERS Windowed(PresentTarget* target) {
    D3DPRESENT_PARAMETERS p;
    p.Windowed = TRUE;
    p.hDeviceWindow = target;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    return p;
}

TEST(Direct3D8Test, CreationChecksItsParameters) {
    EXPECT_FALSE(Direct3DCreate8(D3D_SDK_VERSION + 1));
    Handle<IDirect3D8> d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_TRUE(d3d);
    ImageTarget target(40, 30);
    struct Case {
        const char* what;
        std::function<void(D3DPRESENT_PARAMETERS&)> change;
        DWORD flags;
        HRESULT expected;
    };
    const Case cases[] = {
        {"no window", [](auto& p) { p.hDeviceWindow = nullptr; },
         D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DERR_INVALIDCALL},
        {"no vertex processing", [](auto&) {}, 0, D3DERR_INVALIDCALL},
        {"a texture format as back buffer", [](auto& p) { p.BackBufferFormat = D3DFMT_A4R4G4B4; },
         D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DERR_NOTAVAILABLE},
        {"another depth format", [](auto& p) { p.AutoDepthStencilFormat = D3DFMT_X8R8G8B8; },
         D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DERR_NOTAVAILABLE},
        {"too wide", [](auto& p) { p.BackBufferWidth = 9000; }, D3DCREATE_HARDWARE_VERTEXPROCESSING,
         D3DERR_INVALIDCALL},
        {"two back buffers", [](auto& p) { p.BackBufferCount = 2; },
         D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DERR_INVALIDCALL},
    };
    for (const Case& c : cases) {
        D3DPRESENT_PARAMETERS p = Windowed(&target);
        c.change(p);
        Handle<IDirect3DDevice8> device;
        EXPECT_EQ(
            d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, c.flags, &p, &device),
            c.expected)
            << c.what;
        EXPECT_FALSE(device) << c.what;
    }

    // Size and format left open take the window's client size and the
    // display format, and the parameters say so.
    D3DPRESENT_PARAMETERS p = Windowed(&target);
    Handle<IDirect3DDevice8> device;
    ASSERT_D3D_OK(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    EXPECT_EQ(p.BackBufferWidth, 40u);
    EXPECT_EQ(p.BackBufferHeight, 30u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
}

TEST(Direct3D8Test, CapabilitiesAndDisplayFormatFollowTheOptions) {
    SoftwareDeviceOptions options;
    options.maxSimultaneousTextures = 1;
    options.displayFormat = D3DFMT_R5G6B5;
    Handle<IDirect3D8> d3d = Direct3DCreate8(D3D_SDK_VERSION, options);
    ASSERT_TRUE(d3d);
    D3DDISPLAYMODE mode;
    ASSERT_D3D_OK(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode));
    EXPECT_EQ(mode.Format, D3DFMT_R5G6B5);
    ImageTarget target(16, 16);
    D3DPRESENT_PARAMETERS p = Windowed(&target);
    p.BackBufferFormat = mode.Format;
    Handle<IDirect3DDevice8> device;
    ASSERT_D3D_OK(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                    D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    D3DCAPS8 caps;
    ASSERT_D3D_OK(device->GetDeviceCaps(&caps));
    EXPECT_EQ(caps.MaxSimultaneousTextures, 1u);
    Handle<IDirect3DSurface8> back;
    ASSERT_D3D_OK(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    D3DSURFACE_DESC desc;
    ASSERT_D3D_OK(back->GetDesc(&desc));
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(desc.Width, 16u);
}

Float4 Project(const D3DXMATRIX& m, float x, float y, float z) {
    const Float4 p = TransformPoint(m, x, y, z);
    return {p.x / p.w, p.y / p.w, p.z / p.w, p.w};
}

TEST(D3DX8Test, ProjectionsMapTheirVolumeOntoTheUnitCube) {
    D3DXMATRIX perspective;
    ASSERT_EQ(D3DXMatrixPerspectiveLH(&perspective, 4, 3, 2, 50), &perspective);
    Float4 p = Project(perspective, 0, 0, 2);
    EXPECT_NEAR(p.z, 0.0f, 1e-6);
    p = Project(perspective, 0, 0, 50);
    EXPECT_NEAR(p.z, 1.0f, 1e-6);
    p = Project(perspective, 2, 1.5f, 2);  // the corner of the view at the near plane
    EXPECT_NEAR(p.x, 1.0f, 1e-6);
    EXPECT_NEAR(p.y, 1.0f, 1e-6);
    p = Project(perspective, 20, 0, 40);  // farther away, closer to the axis
    EXPECT_NEAR(p.x, 20 * 2 * 2 / 4.0f / 40, 1e-6);

    D3DXMATRIX ortho;
    ASSERT_EQ(D3DXMatrixOrthoLH(&ortho, 640, 480, 0, 1), &ortho);
    p = Project(ortho, 320, -240, 0.25f);
    EXPECT_NEAR(p.x, 1.0f, 1e-6);
    EXPECT_NEAR(p.y, -1.0f, 1e-6);
    EXPECT_NEAR(p.z, 0.25f, 1e-6);
}

TEST(D3DX8Test, MultiplyAppliesTheFirstMatrixFirst) {
    D3DXMATRIX scale, move, both;
    scale.m[0][0] = 2;
    move.m[3][0] = 5;
    ASSERT_EQ(D3DXMatrixMultiply(&both, &scale, &move), &both);
    EXPECT_FLOAT_EQ(TransformPoint(both, 1, 0, 0).x, 7);  // scaled, then moved
    ASSERT_EQ(D3DXMatrixMultiply(&both, &move, &scale), &both);
    EXPECT_FLOAT_EQ(TransformPoint(both, 1, 0, 0).x, 12);
    ASSERT_EQ(D3DXMatrixMultiply(&move, &move, &move), &move);  // in place
    EXPECT_FLOAT_EQ(move.m[3][0], 10);
    EXPECT_STREQ(DXGetErrorString8(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
    EXPECT_STREQ(DXGetErrorString8(D3D_OK), "D3D_OK");
    EXPECT_STREQ(DXGetErrorString8(MakeResult(0x80001234u)), "Unknown error");
}

using DeviceTest = DeviceFixture;

TEST_F(DeviceTest, ClearFillsTheViewportOrTheGivenRectanglesWithinIt) {
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                                 0xFF102030u, 0.25f, 7));
    EXPECT_EQ(At(0, 0), 0x102030u);
    EXPECT_EQ(DepthAt(63, 63), 0x400000u);  // a quarter of 24 bits, rounded
    EXPECT_EQ(StencilAt(10, 10), 7u);

    const D3DVIEWPORT8 viewport{8, 4, 16, 8, 0, 1};
    ASSERT_D3D_OK(device_->SetViewport(&viewport));
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1, 0));
    EXPECT_EQ(At(8, 4), 0xFF0000u);
    EXPECT_EQ(At(23, 11), 0xFF0000u);
    EXPECT_EQ(At(7, 4), 0x102030u);
    EXPECT_EQ(At(24, 11), 0x102030u);
    EXPECT_EQ(At(8, 12), 0x102030u);
    EXPECT_EQ(DepthAt(10, 6), 0x400000u);  // only the colour was asked for

    // Rectangles are cut to the viewport.
    const D3DRECT rects[] = {{0, 0, 10, 6}, {22, 10, 30, 20}};
    ASSERT_D3D_OK(device_->Clear(2, rects, D3DCLEAR_TARGET, 0xFF00FF00u, 1, 0));
    EXPECT_EQ(At(9, 5), 0x00FF00u);
    EXPECT_EQ(At(10, 5), 0xFF0000u);
    EXPECT_EQ(At(5, 5), 0x102030u);
    EXPECT_EQ(At(23, 11), 0x00FF00u);
    EXPECT_EQ(At(25, 12), 0x102030u);
    EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->Clear(0, nullptr, 0x80, 0, 1, 0), D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, WithoutADepthBufferOnlyTheColourClears) {
    D3DPRESENT_PARAMETERS p = Windowed(target_.get());
    p.EnableAutoDepthStencil = FALSE;
    Handle<IDirect3DDevice8> device;
    ASSERT_D3D_OK(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    Handle<IDirect3DSurface8> depth;
    EXPECT_EQ(device->GetDepthStencilSurface(&depth), D3DERR_NOTFOUND);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1, 0), D3DERR_INVALIDCALL);
    EXPECT_D3D_OK(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0));
}

TEST_F(DeviceTest, PresentShowsTheBackBufferInItsTarget) {
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699u, 1, 0));
    EXPECT_EQ(target_->FrameCount(), 0u);
    ASSERT_D3D_OK(device_->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(target_->FrameCount(), 1u);
    EXPECT_EQ(target_->FrameWidth(), 64u);
    EXPECT_EQ(target_->Pixel(63, 63), 0xFF336699u);

    // Another target given to Present takes the frame instead.
    ImageTarget other(8, 8);
    ASSERT_D3D_OK(device_->Present(nullptr, nullptr, &other, nullptr));
    EXPECT_EQ(other.Pixel(0, 0), 0xFF336699u);
    EXPECT_EQ(target_->FrameCount(), 1u);

    // A 16-bit back buffer presents its narrowed colours.
    SoftwareDeviceOptions options;
    options.displayFormat = D3DFMT_R5G6B5;
    ASSERT_TRUE(MakeDevice(8, 8, options));
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF8040u, 1, 0));
    ASSERT_D3D_OK(device_->Present(nullptr, nullptr, nullptr, nullptr));
    // 0xFF -> 31 -> 0xFF, 0x80 -> 32 -> 0x82, 0x40 -> 8 -> 0x42.
    EXPECT_EQ(target_->Pixel(3, 3), 0xFFFF8242u);
}

TEST_F(DeviceTest, SurfacesAndBuffersLockOnceAtATime) {
    Handle<IDirect3DTexture8> texture;
    ASSERT_D3D_OK(device_->CreateTexture(8, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture));
    D3DLOCKED_RECT whole, part;
    ASSERT_D3D_OK(texture->LockRect(0, &whole, nullptr, 0));
    EXPECT_EQ(texture->LockRect(0, &part, nullptr, 0), D3DERR_INVALIDCALL);
    ASSERT_D3D_OK(texture->UnlockRect(0));
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    const RECT rect{2, 1, 4, 3};
    ASSERT_D3D_OK(texture->LockRect(0, &part, &rect, 0));
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits) - static_cast<uint8_t*>(whole.pBits),
              1 * whole.Pitch + 2 * 2);
    ASSERT_D3D_OK(texture->UnlockRect(0));
    const RECT outside{6, 0, 9, 1};
    EXPECT_EQ(texture->LockRect(0, &part, &outside, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->LockRect(1, &part, nullptr, 0), D3DERR_INVALIDCALL);

    Handle<IDirect3DVertexBuffer8> vertices;
    ASSERT_D3D_OK(device_->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, test::kScreenPointFvf,
                                              D3DPOOL_MANAGED, &vertices));
    BYTE* bytes = nullptr;
    EXPECT_EQ(vertices->Lock(60, 8, &bytes, 0), D3DERR_INVALIDCALL);  // past the end
    ASSERT_D3D_OK(vertices->Lock(32, 0, &bytes, 0));                  // 0: to the end
    EXPECT_EQ(vertices->Lock(0, 4, &bytes, 0), D3DERR_INVALIDCALL);
    ASSERT_D3D_OK(vertices->Unlock());
}

TEST_F(DeviceTest, TexturesComeInTheFiveFormatsOfOneLevel) {
    for (D3DFORMAT format :
         {D3DFMT_R5G6B5, D3DFMT_R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8R8G8B8}) {
        Handle<IDirect3DTexture8> texture;
        ASSERT_D3D_OK(device_->CreateTexture(4, 2, 0, 0, format, D3DPOOL_MANAGED, &texture));
        D3DSURFACE_DESC desc;
        ASSERT_D3D_OK(texture->GetLevelDesc(0, &desc));
        EXPECT_EQ(desc.Format, format);
        EXPECT_EQ(texture->GetLevelCount(), 1u);
    }
    Handle<IDirect3DTexture8> texture;
    EXPECT_EQ(device_->CreateTexture(4, 4, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(4, 4, 3, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->CreateTexture(0, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_FALSE(texture);
}

TEST_F(DeviceTest, LoadingASurfaceFromMemoryConvertsItsPixels) {
    const uint32_t source[2 * 3] = {0xFFFF0000u, 0xFF00FF00u, 0x800000FFu,
                                    0x00FFFFFFu, 0xFF808080u, 0xFF123456u};
    for (D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5, D3DFMT_R8G8B8}) {
        Handle<IDirect3DTexture8> texture;
        ASSERT_D3D_OK(
            D3DXCreateTexture(device_.Get(), 3, 2, 1, 0, format, D3DPOOL_MANAGED, &texture));
        Handle<IDirect3DSurface8> level;
        ASSERT_D3D_OK(texture->GetSurfaceLevel(0, &level));
        ASSERT_D3D_OK(D3DXLoadSurfaceFromMemory(level.Get(), nullptr, nullptr, source,
                                                D3DFMT_A8R8G8B8, 3 * 4, nullptr, nullptr,
                                                D3DX_FILTER_NONE, 0));
        D3DLOCKED_RECT locked;
        ASSERT_D3D_OK(level->LockRect(&locked, nullptr, D3DLOCK_READONLY));
        const uint32_t bytes = FormatBytes(format);
        for (int i = 0; i < 6; ++i) {
            uint8_t expected[4] = {};
            EncodeArgb(expected, format, source[i]);
            const uint8_t* got =
                static_cast<uint8_t*>(locked.pBits) + (i / 3) * locked.Pitch + (i % 3) * bytes;
            EXPECT_EQ(std::memcmp(got, expected, bytes), 0)
                << "format " << format << " pixel " << i;
        }
        ASSERT_D3D_OK(level->UnlockRect());
    }
    Handle<IDirect3DTexture8> small;
    ASSERT_D3D_OK(device_->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &small));
    Handle<IDirect3DSurface8> level;
    ASSERT_D3D_OK(small->GetSurfaceLevel(0, &level));
    const RECT all{0, 0, 3, 2};
    EXPECT_EQ(D3DXLoadSurfaceFromMemory(level.Get(), nullptr, nullptr, source, D3DFMT_A8R8G8B8, 12,
                                        nullptr, &all, D3DX_FILTER_NONE, 0),
              D3DERR_INVALIDCALL);  // sizes differ and no filter may resample
}

TEST_F(DeviceTest, DrawsWithIndicesOutsideTheirRangeAreRefusedAndDrawNothing) {
    Plain2D();
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
    const ScreenPoint points[4] = {{0, 0, 0, 1, 0xFFFFFFFFu},
                                   {64, 0, 0, 1, 0xFFFFFFFFu},
                                   {64, 64, 0, 1, 0xFFFFFFFFu},
                                   {0, 64, 0, 1, 0xFFFFFFFFu}};
    const uint16_t past[6] = {0, 1, 2, 0, 2, 4};
    EXPECT_EQ(device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, past, D3DFMT_INDEX16,
                                              points, sizeof(ScreenPoint)),
              D3DERR_INVALIDCALL);
    const uint16_t below[6] = {1, 2, 3, 1, 3, 0};  // 0 lies below the minimum index 1
    EXPECT_EQ(device_->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 1, 3, 2, below, D3DFMT_INDEX16,
                                              points, sizeof(ScreenPoint)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, points, 8), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_POINTLIST, 1, points, sizeof(ScreenPoint)),
              D3DERR_INVALIDCALL);

    // Buffers: the range a draw names must lie inside them.
    Handle<IDirect3DVertexBuffer8> vb;
    Handle<IDirect3DIndexBuffer8> ib;
    ASSERT_D3D_OK(
        device_->CreateVertexBuffer(sizeof points, 0, test::kScreenPointFvf, D3DPOOL_MANAGED, &vb));
    ASSERT_D3D_OK(device_->CreateIndexBuffer(sizeof past, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib));
    ASSERT_D3D_OK(device_->SetStreamSource(0, vb.Get(), sizeof(ScreenPoint)));
    ASSERT_D3D_OK(device_->SetIndices(ib.Get(), 0));
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 5, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 2, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLESTRIP, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device_->GetDrawStatistics().drawCalls, 0u);
    EXPECT_EQ(At(32, 32), 0x000000u);
}

TEST_F(DeviceTest, BufferDrawsReadTheirVerticesAndIndices) {
    Plain2D();
    ASSERT_D3D_OK(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0));
    const ScreenPoint points[5] = {{0, 0, 0, 1, 0xFFFF0000u},  // never drawn
                                   {0, 0, 0, 1, 0xFF00FF00u},
                                   {32, 0, 0, 1, 0xFF00FF00u},
                                   {32, 32, 0, 1, 0xFF00FF00u},
                                   {0, 32, 0, 1, 0xFF00FF00u}};
    const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    Handle<IDirect3DVertexBuffer8> vb;
    Handle<IDirect3DIndexBuffer8> ib;
    ASSERT_D3D_OK(
        device_->CreateVertexBuffer(sizeof points, 0, test::kScreenPointFvf, D3DPOOL_MANAGED, &vb));
    ASSERT_D3D_OK(
        device_->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib));
    BYTE* bytes = nullptr;
    ASSERT_D3D_OK(vb->Lock(0, 0, &bytes, 0));
    std::memcpy(bytes, points, sizeof points);
    ASSERT_D3D_OK(vb->Unlock());
    ASSERT_D3D_OK(ib->Lock(0, 0, &bytes, 0));
    std::memcpy(bytes, indices, sizeof indices);
    ASSERT_D3D_OK(ib->Unlock());
    ASSERT_D3D_OK(device_->SetStreamSource(0, vb.Get(), sizeof(ScreenPoint)));
    ASSERT_D3D_OK(device_->SetIndices(ib.Get(), 1));  // index 0 is vertex 1
    ASSERT_D3D_OK(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_EQ(At(16, 16), 0x00FF00u);
    EXPECT_EQ(At(40, 16), 0x000000u);

    ASSERT_D3D_OK(device_->SetVertexShader(test::kScreenPointFvf));
    device_->ResetDrawStatistics();
    ASSERT_D3D_OK(device_->DrawPrimitive(D3DPT_TRIANGLEFAN, 1, 2));
    const DrawStatistics stats = device_->GetDrawStatistics();
    EXPECT_EQ(stats.drawCalls, 1u);
    EXPECT_EQ(stats.primitives, 2u);
}

TEST_F(DeviceTest, ATextureWrittenAfterADrawDoesNotChangeThatDraw) {
    Plain2D();
    ASSERT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1));
    Handle<IDirect3DTexture8> texture =
        MakeTexture(2, 2, [](uint32_t, uint32_t) { return 0xFFFF0000u; });
    ASSERT_D3D_OK(device_->SetTexture(0, texture.Get()));
    Rect(0, 0, 32, 64, 0xFFFFFFFFu);
    D3DLOCKED_RECT locked;
    ASSERT_D3D_OK(texture->LockRect(0, &locked, nullptr, 0));
    for (int y = 0; y < 2; ++y) {
        auto* row =
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        row[0] = row[1] = 0xFF0000FFu;
    }
    ASSERT_D3D_OK(texture->UnlockRect(0));
    Rect(32, 0, 64, 64, 0xFFFFFFFFu);
    EXPECT_EQ(At(10, 10), 0xFF0000u);
    EXPECT_EQ(At(50, 10), 0x0000FFu);
}

}  // namespace
}  // namespace vimsa::d3d8
