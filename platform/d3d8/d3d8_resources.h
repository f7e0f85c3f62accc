#pragma once

#include <cstdint>
#include <memory>

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/texel_block.h"

namespace vimsa::d3d8 {

// Work the device has queued but not yet rasterised. Surfaces the device
// draws into finish it before they let anyone read or write their pixels.
class PendingWork {
public:
    virtual void Flush() = 0;

protected:
    ~PendingWork() = default;
};

// What every device resource has: its kind and its pool. Resources are
// counted (Handle) and live on their own: they never call back into the
// device that made them, so either may go first.
class IDirect3DResource8 : public RefObject {
public:
    virtual D3DRESOURCETYPE GetType() const = 0;
    D3DPOOL GetPool() const { return pool_; }

protected:
    explicit IDirect3DResource8(D3DPOOL pool) : pool_(pool) {}

private:
    D3DPOOL pool_;
};

// A rectangle of pixels in one format: a back buffer, a depth-stencil
// buffer or a texture level.
class IDirect3DSurface8 : public IDirect3DResource8 {
public:
    IDirect3DSurface8(D3DFORMAT format, uint32_t width, uint32_t height, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) const;
    // The whole surface or the part `rect` names; one lock at a time.
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect();

    // --- for the device and the utility library ---
    // False when the pixels could not be allocated.
    bool Valid() const { return bits_ != nullptr; }
    D3DFORMAT Format() const { return format_; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Pitch() const { return pitch_; }
    uint8_t* Bits() { return bits_.get(); }
    const uint8_t* Bits() const { return bits_.get(); }
    // Grows by one whenever the pixels may have changed through a lock.
    uint64_t Version() const { return version_; }
    void Touch() { ++version_; }
    // Queued work that draws into this surface, finished before a lock.
    void SetPendingWork(std::weak_ptr<PendingWork> work) { pending_ = std::move(work); }
    void FinishPendingWork();

private:
    D3DFORMAT format_;
    uint32_t width_, height_, pitch_;
    std::unique_ptr<uint8_t[]> bits_;
    bool locked_ = false;
    bool lockedForWriting_ = false;
    uint64_t version_ = 0;
    std::weak_ptr<PendingWork> pending_;
};

// A texture of one level. Its pixels are kept in the format it was made
// with; draws sample a widened copy made when they first need it after a
// change.
class IDirect3DTexture8 : public IDirect3DResource8 {
public:
    IDirect3DTexture8(uint32_t width, uint32_t height, D3DFORMAT format, DWORD usage, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() const { return 1; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT GetSurfaceLevel(UINT level, Handle<IDirect3DSurface8>* surface) const;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(UINT level);

    // --- for the device ---
    bool Valid() const { return level0_ && level0_->Valid(); }
    // The picture as it is now; null when it cannot be made.
    std::shared_ptr<const TexelBlock> Texels() const;

private:
    Handle<IDirect3DSurface8> level0_;
    DWORD usage_;
    mutable std::shared_ptr<const TexelBlock> texels_;
    mutable uint64_t texelsVersion_ = 0;
};

// Bytes the device reads vertices or indices from.
class D3DBuffer {
public:
    // Valid() tells whether the bytes could be allocated.
    explicit D3DBuffer(uint32_t size);
    bool Valid() const { return bytes_ != nullptr; }
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();
    const uint8_t* Data() const { return bytes_.get(); }
    uint32_t Size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t size_;
    bool locked_ = false;
};

class IDirect3DVertexBuffer8 : public IDirect3DResource8 {
public:
    IDirect3DVertexBuffer8(uint32_t size, DWORD usage, DWORD fvf, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) const;
    // `size` 0 locks from `offset` to the end.
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
        return buffer_.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() { return buffer_.Unlock(); }

    const D3DBuffer& Buffer() const { return buffer_; }

private:
    D3DBuffer buffer_;
    DWORD usage_;
    DWORD fvf_;
};

class IDirect3DIndexBuffer8 : public IDirect3DResource8 {
public:
    IDirect3DIndexBuffer8(uint32_t size, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) const;
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
        return buffer_.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() { return buffer_.Unlock(); }

    const D3DBuffer& Buffer() const { return buffer_; }

private:
    D3DBuffer buffer_;
    DWORD usage_;
    D3DFORMAT format_;
};

}  // namespace vimsa::d3d8
