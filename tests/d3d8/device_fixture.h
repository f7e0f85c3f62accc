#pragma once

// A software Direct3D 8 device on a small image target, with helpers to
// draw screen-space and camera-space geometry and to read the buffers back.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/d3d8/d3dx8.h"
#include "platform/d3d8/direct3d8.h"
#include "platform/d3d8/present_target.h"

namespace vimsa::d3d8::test {

// A pre-transformed vertex with a colour and one coordinate pair.
struct ScreenPoint {
    float x = 0, y = 0, z = 0, rhw = 1;
    D3DCOLOR colour = 0xFFFFFFFFu;
    float u = 0, v = 0;
};
inline constexpr DWORD kScreenPointFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A vertex in object space with a normal, a colour and one coordinate pair.
struct ScenePoint {
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = -1;
    D3DCOLOR colour = 0xFFFFFFFFu;
    float u = 0, v = 0;
};
inline constexpr DWORD kScenePointFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// 0xRRGGBB of a colour, alpha dropped.
inline uint32_t Rgb(uint32_t argb) {
    return argb & 0xFFFFFFu;
}

class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // A new device on a new target; the previous one goes.
    ::testing::AssertionResult MakeDevice(uint32_t width, uint32_t height,
                                          SoftwareDeviceOptions options = {});
    // Flat 2-D drawing: no lighting, culling or depth test, no texture,
    // vertex colours as they are.
    void Plain2D();

    // The back buffer as 0xAARRGGBB words, top row first.
    std::vector<uint32_t> Frame();
    // One pixel of the back buffer (alpha dropped), the depth (24 bits) and
    // the stencil of the depth-stencil buffer.
    uint32_t At(int x, int y);
    uint32_t DepthAt(int x, int y);
    uint32_t StencilAt(int x, int y);

    void Draw(D3DPRIMITIVETYPE type, const std::vector<ScreenPoint>& points);
    // An axis-aligned rectangle of screen pixels as two triangles, the
    // texture's corners on its corners.
    void Rect(float x0, float y0, float x1, float y1, D3DCOLOR colour, float z = 0.0f);
    // A texture of `format` filled from colour(x, y) as 0xAARRGGBB.
    Handle<IDirect3DTexture8> MakeTexture(uint32_t width, uint32_t height,
                                          const std::function<uint32_t(uint32_t, uint32_t)>& colour,
                                          D3DFORMAT format = D3DFMT_A8R8G8B8);

    uint32_t width_ = 0, height_ = 0;
    std::unique_ptr<ImageTarget> target_;
    Handle<IDirect3D8> d3d_;
    Handle<IDirect3DDevice8> device_;
};

// Fails the test (without stopping it) when a call did not succeed.
#define EXPECT_D3D_OK(call) EXPECT_EQ((call), ::vimsa::d3d8::D3D_OK)
#define ASSERT_D3D_OK(call) ASSERT_EQ((call), ::vimsa::d3d8::D3D_OK)

}  // namespace vimsa::d3d8::test
