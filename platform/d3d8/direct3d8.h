#pragma once

#include <cstdint>

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_device.h"
#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// What the software adapter offers, chosen when the Direct3D object is
// made, so that code for smaller devices (one texture unit, a 16-bit
// display) can be run and tested.
struct SoftwareDeviceOptions {
    // Textures one pass can sample: 1 or 2.
    uint32_t maxSimultaneousTextures = 2;
    // The display mode's format, which windowed back buffers take:
    // D3DFMT_X8R8G8B8, D3DFMT_R8G8B8 or D3DFMT_R5G6B5.
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
    uint32_t displayWidth = 1024, displayHeight = 768;
    // Threads that rasterise, the caller included; 0 takes one per
    // processor core, at most 8.
    uint32_t rasterizerThreads = 0;
};

// The Direct3D object: one software adapter that reports its display mode
// and capabilities and creates devices.
class IDirect3D8 : public RefObject {
public:
    explicit IDirect3D8(const SoftwareDeviceOptions& options);

    UINT GetAdapterCount() const { return 1; }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) const;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) const;
    // The back buffer takes the window's client size where the parameters
    // give 0, and the display format where they give D3DFMT_UNKNOWN; the
    // parameters are updated to what the device got.
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, PresentTarget* focusWindow,
                         DWORD behaviourFlags, D3DPRESENT_PARAMETERS* parameters,
                         Handle<IDirect3DDevice8>* device) const;

private:
    HRESULT CompleteParameters(PresentTarget* focusWindow, D3DPRESENT_PARAMETERS& p) const;

    SoftwareDeviceOptions options_;
    D3DCAPS8 caps_;
};

// Null for an SDK version other than D3D_SDK_VERSION.
Handle<IDirect3D8> Direct3DCreate8(UINT sdkVersion, const SoftwareDeviceOptions& options = {});

}  // namespace vimsa::d3d8
