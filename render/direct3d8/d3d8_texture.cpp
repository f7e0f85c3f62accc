#include "render/direct3d8/d3d8_texture.h"

#include "platform/d3d8/d3dx8.h"
#include "render/direct3d8/d3d8_renderer.h"

namespace vimsa {

using namespace d3d8;

namespace {

D3DFORMAT DeviceFormat(int32_t format) {
    switch (format) {
        case kFormat0565:
            return D3DFMT_R5G6B5;
        case kFormat0888:
            return D3DFMT_R8G8B8;
        case kFormat1555:
            return D3DFMT_A1R5G5B5;
        case kFormat4444:
            return D3DFMT_A4R4G4B4;
        case kFormat8888:
            return D3DFMT_A8R8G8B8;
        default:
            return D3DFMT_UNKNOWN;
    }
}

}  // namespace

D3D8Texture::D3D8Texture(D3D8Renderer* owner) : owner_(owner) {
    SetChannelOrder(kOrderBgr);
    if (owner_) owner_->Adopt(this);
}

D3D8Texture::~D3D8Texture() {
    texture_.Reset();
    MarkUploaded(false);
    if (owner_) owner_->Forget(this);
}

Result D3D8Texture::LoadLevel(IDirect3DTexture8& texture, DWORD filter) {
    Handle<IDirect3DSurface8> level;
    const HRESULT got = texture.GetSurfaceLevel(0, &level);
    if (Failed(got)) return got;
    const UINT pitch = Height() > 0 ? ByteSize() / Height() : 0;
    return D3DXLoadSurfaceFromMemory(level.Get(), nullptr, nullptr, Pixels(),
                                     DeviceFormat(Format()), pitch, nullptr, nullptr, filter, 0);
}

Result D3D8Texture::CreateOnDevice() {
    IDirect3DDevice8* device = owner_ ? owner_->Device() : nullptr;
    if (!device) return ERR_TEXTURE_NO_DEVICE;
    if (!Pixels()) return ERR_D3D_TEXTURE_NO_PIXELS;
    if (ChannelOrder() != kOrderBgr) {
        const Result converted = Convert(Format(), kOrderBgr);
        if (Failed(converted)) return converted;
    }
    const D3DFORMAT format = DeviceFormat(Format());
    if (format == D3DFMT_UNKNOWN) return ERR_TEXTURE_FORMAT;
    Handle<IDirect3DTexture8> made;
    const HRESULT created =
        D3DXCreateTexture(device, Width(), Height(), 1, 0, format, D3DPOOL_MANAGED, &made);
    if (Failed(created)) return created;
    const Result loaded = LoadLevel(*made, D3DX_FILTER_NONE);
    if (Failed(loaded)) return loaded;
    texture_ = made;
    return RESULT_OK;
}

Result D3D8Texture::DeleteOnDevice() {
    texture_.Reset();
    return RESULT_OK;
}

Result D3D8Texture::ReloadOnDevice() {
    if (!texture_) return ERR_TEXTURE_NO_PIXELS;
    if (!Pixels()) return ERR_D3D_TEXTURE_NO_PIXELS;
    if (DeviceFormat(Format()) == D3DFMT_UNKNOWN) return ERR_TEXTURE_FORMAT;
    return LoadLevel(*texture_, D3DX_FILTER_POINT);
}

void D3D8Texture::Detach() {
    texture_.Reset();
    MarkUploaded(false);
    owner_ = nullptr;
}

void D3D8Texture::Attach(D3D8Renderer* owner) {
    if (owner_ || !owner) return;
    owner_ = owner;
    owner_->Adopt(this);
}

}  // namespace vimsa
