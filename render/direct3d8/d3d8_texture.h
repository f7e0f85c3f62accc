#pragma once

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_resources.h"
#include "render/texture.h"

namespace vimsa {

class D3D8Renderer;

// A texture of the Direct3D back-end: pixels in blue-first channel order
// (the device's own) and a managed device texture of one level. The
// renderer that made it provides the device; when that renderer shuts down
// first, its textures lose their device copies with it.
class D3D8Texture : public Texture {
public:
    explicit D3D8Texture(D3D8Renderer* owner);
    ~D3D8Texture() override;

    // Makes the device texture from the pixels: "0565", "0888", "1555",
    // "4444" and "8888" become R5G6B5, R8G8B8, A1R5G5B5, A4R4G4B4 and
    // A8R8G8B8; other formats are refused.
    Result CreateOnDevice() override;
    Result DeleteOnDevice() override;
    // Copies the pixels into the existing device texture again.
    Result ReloadOnDevice() override;

    d3d8::IDirect3DTexture8* DeviceTexture() const { return texture_.Get(); }
    D3D8Renderer* Owner() const { return owner_; }
    // The owner is going away, and the device copy with it.
    void Detach();
    // A texture without owner joins a renderer.
    void Attach(D3D8Renderer* owner);

private:
    Result LoadLevel(d3d8::IDirect3DTexture8& texture, d3d8::DWORD filter);

    D3D8Renderer* owner_;
    Handle<d3d8::IDirect3DTexture8> texture_;
};

}  // namespace vimsa
