#include "platform/d3d8/direct3d8.h"

#include <algorithm>
#include <new>
#include <thread>

#include "platform/d3d8/present_target.h"
#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

constexpr uint32_t kMaxBackBufferSide = 8192;
constexpr uint32_t kMaxThreads = 8;

uint32_t ThreadCount(uint32_t asked) {
    if (asked != 0) return std::min(asked, kMaxThreads);
    const uint32_t cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, kMaxThreads);
}

}  // namespace

IDirect3D8::IDirect3D8(const SoftwareDeviceOptions& options) : options_(options) {
    options_.maxSimultaneousTextures = std::clamp(options.maxSimultaneousTextures, 1u, 2u);
    caps_.DeviceType = D3DDEVTYPE_HAL;
    caps_.MaxTextureWidth = caps_.MaxTextureHeight = 4096;
    caps_.MaxTextureBlendStages = options_.maxSimultaneousTextures;
    caps_.MaxSimultaneousTextures = options_.maxSimultaneousTextures;
    caps_.MaxActiveLights = kMaxActiveLights;
    caps_.MaxPrimitiveCount = 0xFFFFF;
    caps_.MaxVertexIndex = 0xFFFF;
}

HRESULT IDirect3D8::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    mode->Width = options_.displayWidth;
    mode->Height = options_.displayHeight;
    mode->RefreshRate = 60;
    mode->Format = options_.displayFormat;
    return D3D_OK;
}

HRESULT IDirect3D8::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) const {
    if (adapter != D3DADAPTER_DEFAULT || !caps) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
    *caps = caps_;
    caps->DeviceType = type;
    return D3D_OK;
}

HRESULT IDirect3D8::CompleteParameters(PresentTarget* focusWindow, D3DPRESENT_PARAMETERS& p) const {
    if (!p.hDeviceWindow) p.hDeviceWindow = focusWindow;
    if (!p.hDeviceWindow) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
        uint32_t width = 0, height = 0;
        if (!p.hDeviceWindow->ClientSize(width, height)) return D3DERR_INVALIDCALL;
        if (p.BackBufferWidth == 0) p.BackBufferWidth = width;
        if (p.BackBufferHeight == 0) p.BackBufferHeight = height;
    }
    if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed)
        p.BackBufferFormat = options_.displayFormat;
    if (p.BackBufferCount == 0) p.BackBufferCount = 1;
    return D3D_OK;
}

HRESULT IDirect3D8::CreateDevice(UINT adapter, D3DDEVTYPE type, PresentTarget* focusWindow,
                                 DWORD behaviourFlags, D3DPRESENT_PARAMETERS* parameters,
                                 Handle<IDirect3DDevice8>* device) const {
    if (adapter != D3DADAPTER_DEFAULT || !parameters || !device) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
    constexpr DWORD kProcessing =
        D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if ((behaviourFlags & kProcessing) == 0) return D3DERR_INVALIDCALL;
    D3DPRESENT_PARAMETERS p = *parameters;
    const HRESULT completed = CompleteParameters(focusWindow, p);
    if (Failed(completed)) return completed;
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 ||
        p.BackBufferWidth > kMaxBackBufferSide || p.BackBufferHeight > kMaxBackBufferSide ||
        p.BackBufferCount > 1)
        return D3DERR_INVALIDCALL;
    if (!IsBackBufferFormat(p.BackBufferFormat)) return D3DERR_NOTAVAILABLE;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_NOTAVAILABLE;
    DeviceSettings settings;
    settings.caps = caps_;
    settings.caps.DeviceType = type;
    settings.threads = ThreadCount(options_.rasterizerThreads);
    Handle<IDirect3DDevice8> made(new (std::nothrow) IDirect3DDevice8(p, settings));
    if (!made || !made->Valid()) return D3DERR_OUTOFVIDEOMEMORY;
    *parameters = p;
    *device = made;
    return D3D_OK;
}

Handle<IDirect3D8> Direct3DCreate8(UINT sdkVersion, const SoftwareDeviceOptions& options) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return Handle<IDirect3D8>(new (std::nothrow) IDirect3D8(options));
}

}  // namespace vimsa::d3d8
