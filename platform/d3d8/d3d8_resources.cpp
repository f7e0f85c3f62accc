#include "platform/d3d8/d3d8_resources.h"

#include <new>

#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

// Rows start on 4-byte boundaries, as a driver would lay them out.
uint32_t RowPitch(D3DFORMAT format, uint32_t width) {
    return (width * FormatBytes(format) + 3u) & ~3u;
}

std::unique_ptr<uint8_t[]> AllocateZeroed(std::size_t size) {
    if (size == 0) return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

}  // namespace

// --- IDirect3DSurface8 ---

IDirect3DSurface8::IDirect3DSurface8(D3DFORMAT format, uint32_t width, uint32_t height,
                                     D3DPOOL pool)
    : IDirect3DResource8(pool),
      format_(format),
      width_(width),
      height_(height),
      pitch_(RowPitch(format, width)),
      bits_(AllocateZeroed(std::size_t{RowPitch(format, width)} * height)) {}

HRESULT IDirect3DSurface8::GetDesc(D3DSURFACE_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = 0;
    desc->Pool = GetPool();
    desc->Size = pitch_ * height_;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

void IDirect3DSurface8::FinishPendingWork() {
    if (auto work = pending_.lock()) work->Flush();
}

HRESULT IDirect3DSurface8::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (!locked || locked_ || !Valid()) return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<INT>(width_), static_cast<INT>(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > area.right ||
            rect->bottom > area.bottom || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        area = *rect;
    }
    FinishPendingWork();
    locked_ = true;
    lockedForWriting_ = (flags & D3DLOCK_READONLY) == 0;
    locked->Pitch = static_cast<INT>(pitch_);
    locked->pBits = bits_.get() + std::size_t{static_cast<uint32_t>(area.top)} * pitch_ +
                    static_cast<uint32_t>(area.left) * FormatBytes(format_);
    return D3D_OK;
}

HRESULT IDirect3DSurface8::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (lockedForWriting_) Touch();
    return D3D_OK;
}

// --- IDirect3DTexture8 ---

IDirect3DTexture8::IDirect3DTexture8(uint32_t width, uint32_t height, D3DFORMAT format, DWORD usage,
                                     D3DPOOL pool)
    : IDirect3DResource8(pool),
      level0_(new (std::nothrow) IDirect3DSurface8(format, width, height, pool)),
      usage_(usage) {}

HRESULT IDirect3DTexture8::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (level != 0 || !Valid()) return D3DERR_INVALIDCALL;
    const HRESULT hr = level0_->GetDesc(desc);
    if (Succeeded(hr)) desc->Usage = usage_;
    return hr;
}

HRESULT IDirect3DTexture8::GetSurfaceLevel(UINT level, Handle<IDirect3DSurface8>* surface) const {
    if (level != 0 || !surface || !Valid()) return D3DERR_INVALIDCALL;
    *surface = level0_;
    return D3D_OK;
}

HRESULT IDirect3DTexture8::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                    DWORD flags) {
    if (level != 0 || !Valid()) return D3DERR_INVALIDCALL;
    return level0_->LockRect(locked, rect, flags);
}

HRESULT IDirect3DTexture8::UnlockRect(UINT level) {
    if (level != 0 || !Valid()) return D3DERR_INVALIDCALL;
    return level0_->UnlockRect();
}

std::shared_ptr<const TexelBlock> IDirect3DTexture8::Texels() const {
    if (!Valid()) return nullptr;
    // Version 0 is a surface never written: its block is made on first use too.
    if (!texels_ || texelsVersion_ != level0_->Version()) {
        texels_ = MakeTexelBlock(level0_->Bits(), level0_->Pitch(), level0_->Width(),
                                 level0_->Height(), level0_->Format());
        texelsVersion_ = level0_->Version();
    }
    return texels_;
}

// --- buffers ---

D3DBuffer::D3DBuffer(uint32_t size) : bytes_(AllocateZeroed(size)), size_(size) {}

HRESULT D3DBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD) {
    if (!data || locked_ || !Valid() || offset > size_) return D3DERR_INVALIDCALL;
    if (size > size_ - offset) return D3DERR_INVALIDCALL;
    locked_ = true;
    *data = bytes_.get() + offset;
    return D3D_OK;
}

HRESULT D3DBuffer::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

IDirect3DVertexBuffer8::IDirect3DVertexBuffer8(uint32_t size, DWORD usage, DWORD fvf, D3DPOOL pool)
    : IDirect3DResource8(pool), buffer_(size), usage_(usage), fvf_(fvf) {}

HRESULT IDirect3DVertexBuffer8::GetDesc(D3DVERTEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Usage = usage_;
    desc->Pool = GetPool();
    desc->Size = buffer_.Size();
    desc->FVF = fvf_;
    return D3D_OK;
}

IDirect3DIndexBuffer8::IDirect3DIndexBuffer8(uint32_t size, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
    : IDirect3DResource8(pool), buffer_(size), usage_(usage), format_(format) {}

HRESULT IDirect3DIndexBuffer8::GetDesc(D3DINDEXBUFFER_DESC* desc) const {
    if (!desc) return D3DERR_INVALIDCALL;
    desc->Format = format_;
    desc->Usage = usage_;
    desc->Pool = GetPool();
    desc->Size = buffer_.Size();
    return D3D_OK;
}

}  // namespace vimsa::d3d8
