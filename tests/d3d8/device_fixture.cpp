#include "tests/d3d8/device_fixture.h"

#include <cstring>

#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8::test {

void DeviceFixture::SetUp() {
    ASSERT_TRUE(MakeDevice(64, 64));
}

::testing::AssertionResult DeviceFixture::MakeDevice(uint32_t width, uint32_t height,
                                                     SoftwareDeviceOptions options) {
    device_.Reset();
    target_ = std::make_unique<ImageTarget>(width, height);
    d3d_ = Direct3DCreate8(D3D_SDK_VERSION, options);
    if (!d3d_) return ::testing::AssertionFailure() << "no Direct3D object";
    D3DPRESENT_PARAMETERS p;
    p.Windowed = TRUE;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = target_.get();
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    const HRESULT hr = d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, target_.get(),
                                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device_);
    if (Failed(hr)) return ::testing::AssertionFailure() << DXGetErrorString8(hr);
    width_ = width;
    height_ = height;
    return ::testing::AssertionSuccess();
}

void DeviceFixture::Plain2D() {
    EXPECT_D3D_OK(device_->SetRenderState(D3DRS_LIGHTING, FALSE));
    EXPECT_D3D_OK(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE));
    EXPECT_D3D_OK(device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE));
    EXPECT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2));
    EXPECT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE));
    EXPECT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2));
    EXPECT_D3D_OK(device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE));
    EXPECT_D3D_OK(device_->SetVertexShader(kScreenPointFvf));
}

std::vector<uint32_t> DeviceFixture::Frame() {
    std::vector<uint32_t> out(std::size_t{width_} * height_);
    Handle<IDirect3DSurface8> back;
    EXPECT_D3D_OK(device_->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    if (!back) return out;
    D3DSURFACE_DESC desc;
    EXPECT_D3D_OK(back->GetDesc(&desc));
    D3DLOCKED_RECT locked;
    if (Failed(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return out;
    const uint32_t bytes = FormatBytes(desc.Format);
    for (uint32_t y = 0; y < height_; ++y) {
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        for (uint32_t x = 0; x < width_; ++x)
            out[std::size_t{y} * width_ + x] = DecodeArgb(row + x * bytes, desc.Format);
    }
    EXPECT_D3D_OK(back->UnlockRect());
    return out;
}

uint32_t DeviceFixture::At(int x, int y) {
    return Rgb(Frame()[std::size_t(y) * width_ + std::size_t(x)]);
}

namespace {

uint32_t DepthWord(IDirect3DDevice8& device, int x, int y) {
    Handle<IDirect3DSurface8> depth;
    EXPECT_D3D_OK(device.GetDepthStencilSurface(&depth));
    if (!depth) return 0;
    D3DLOCKED_RECT locked;
    const RECT one{x, y, x + 1, y + 1};
    if (Failed(depth->LockRect(&locked, &one, D3DLOCK_READONLY))) return 0;
    uint32_t word = 0;
    std::memcpy(&word, locked.pBits, sizeof word);
    EXPECT_D3D_OK(depth->UnlockRect());
    return word;
}

}  // namespace

uint32_t DeviceFixture::DepthAt(int x, int y) {
    return DepthWord(*device_, x, y) >> 8;
}

uint32_t DeviceFixture::StencilAt(int x, int y) {
    return DepthWord(*device_, x, y) & 0xFFu;
}

void DeviceFixture::Draw(D3DPRIMITIVETYPE type, const std::vector<ScreenPoint>& points) {
    const auto count = static_cast<UINT>(points.size());
    UINT primitives = 0;
    switch (type) {
        case D3DPT_TRIANGLELIST:
            primitives = count / 3;
            break;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            primitives = count - 2;
            break;
        case D3DPT_LINELIST:
            primitives = count / 2;
            break;
        default:
            primitives = count - 1;
            break;
    }
    EXPECT_D3D_OK(device_->DrawPrimitiveUP(type, primitives, points.data(), sizeof(ScreenPoint)));
}

void DeviceFixture::Rect(float x0, float y0, float x1, float y1, D3DCOLOR colour, float z) {
    const ScreenPoint a{x0, y0, z, 1, colour, 0, 0}, b{x1, y0, z, 1, colour, 1, 0},
        c{x1, y1, z, 1, colour, 1, 1}, d{x0, y1, z, 1, colour, 0, 1};
    Draw(D3DPT_TRIANGLELIST, {a, b, c, a, c, d});
}

Handle<IDirect3DTexture8> DeviceFixture::MakeTexture(
    uint32_t width, uint32_t height, const std::function<uint32_t(uint32_t, uint32_t)>& colour,
    D3DFORMAT format) {
    Handle<IDirect3DTexture8> texture;
    EXPECT_D3D_OK(device_->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture));
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked;
    EXPECT_D3D_OK(texture->LockRect(0, &locked, nullptr, 0));
    const uint32_t bytes = FormatBytes(format);
    for (uint32_t y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(locked.pBits) + std::size_t{y} * locked.Pitch;
        for (uint32_t x = 0; x < width; ++x)
            EncodeArgb(row + x * bytes, format, colour(x, y));
    }
    EXPECT_D3D_OK(texture->UnlockRect(0));
    return texture;
}

}  // namespace vimsa::d3d8::test
