#include "platform/d3d8/d3dx8.h"

#include "platform/d3d8/d3d8_matrix.h"
#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

D3DXMATRIX Zero() {
    D3DXMATRIX m;
    for (auto& row : m.m)
        for (float& e : row)
            e = 0.0f;
    return m;
}

struct Area {
    uint32_t left = 0, top = 0, width = 0, height = 0;
};

// The rectangle, or the whole `width` x `height` when null; false when it
// does not lie within it.
bool AreaOf(const RECT* rect, uint32_t width, uint32_t height, Area& out) {
    if (!rect) {
        out = {0, 0, width, height};
        return width > 0 && height > 0;
    }
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        uint32_t(rect->right) > width || uint32_t(rect->bottom) > height)
        return false;
    out = {uint32_t(rect->left), uint32_t(rect->top), uint32_t(rect->right - rect->left),
           uint32_t(rect->bottom - rect->top)};
    return true;
}

}  // namespace

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, float width, float height, float zn,
                                    float zf) {
    if (!out) return nullptr;
    D3DXMATRIX m = Zero();
    m.m[0][0] = 2.0f * zn / width;
    m.m[1][1] = 2.0f * zn / height;
    m.m[2][2] = zf / (zf - zn);
    m.m[2][3] = 1.0f;
    m.m[3][2] = zn * zf / (zn - zf);
    *out = m;
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zn, float zf) {
    if (!out) return nullptr;
    D3DXMATRIX m = Zero();
    m.m[0][0] = 2.0f / width;
    m.m[1][1] = 2.0f / height;
    m.m[2][2] = 1.0f / (zf - zn);
    m.m[3][2] = zn / (zn - zf);
    m.m[3][3] = 1.0f;
    *out = m;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2) {
    if (!out || !m1 || !m2) return nullptr;
    *out = Multiply(*m1, *m2);
    return out;
}

const char* DXGetErrorString8(HRESULT result) {
    switch (result) {
        case D3D_OK:
            return "D3D_OK";
        case D3DERR_INVALIDCALL:
            return "D3DERR_INVALIDCALL";
        case D3DERR_NOTAVAILABLE:
            return "D3DERR_NOTAVAILABLE";
        case D3DERR_OUTOFVIDEOMEMORY:
            return "D3DERR_OUTOFVIDEOMEMORY";
        case D3DERR_INVALIDDEVICE:
            return "D3DERR_INVALIDDEVICE";
        case D3DERR_WRONGTEXTUREFORMAT:
            return "D3DERR_WRONGTEXTUREFORMAT";
        case D3DERR_NOTFOUND:
            return "D3DERR_NOTFOUND";
        case E_OUTOFMEMORY:
            return "E_OUTOFMEMORY";
        default:
            return "Unknown error";
    }
}

HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          Handle<IDirect3DTexture8>* texture) {
    if (!device) return D3DERR_INVALIDCALL;
    return device->CreateTexture(width, height, mipLevels == 0 ? 1 : mipLevels, usage, format, pool,
                                 texture);
}

HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* destination, const void*,
                                  const RECT* destinationRect, const void* source,
                                  D3DFORMAT sourceFormat, UINT sourcePitch, const void*,
                                  const RECT* sourceRect, DWORD filter, D3DCOLOR colourKey) {
    if (!destination || !source || colourKey != 0) return D3DERR_INVALIDCALL;
    const uint32_t sourceBytes = FormatBytes(sourceFormat);
    if (!IsTextureFormat(sourceFormat) || sourceBytes == 0) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc;
    if (Failed(destination->GetDesc(&desc))) return D3DERR_INVALIDCALL;
    Area to, from;
    if (!AreaOf(destinationRect, desc.Width, desc.Height, to)) return D3DERR_INVALIDCALL;
    if (!sourceRect) {
        from = {0, 0, to.width, to.height};
    } else if (sourceRect->left < 0 || sourceRect->top < 0 ||
               sourceRect->left >= sourceRect->right || sourceRect->top >= sourceRect->bottom) {
        return D3DERR_INVALIDCALL;
    } else {
        from = {uint32_t(sourceRect->left), uint32_t(sourceRect->top),
                uint32_t(sourceRect->right - sourceRect->left),
                uint32_t(sourceRect->bottom - sourceRect->top)};
    }
    const bool sameSize = from.width == to.width && from.height == to.height;
    if (!sameSize && filter == D3DX_FILTER_NONE) return D3DERR_INVALIDCALL;
    if (uint64_t{from.left + from.width} * sourceBytes > sourcePitch) return D3DERR_INVALIDCALL;

    D3DLOCKED_RECT locked;
    const RECT whole{0, 0, INT(desc.Width), INT(desc.Height)};
    if (Failed(destination->LockRect(&locked, &whole, 0))) return D3DERR_INVALIDCALL;
    const uint32_t destinationBytes = FormatBytes(desc.Format);
    const auto* bytes = static_cast<const uint8_t*>(source);
    for (uint32_t y = 0; y < to.height; ++y) {
        const uint32_t sy = from.top + y * from.height / to.height;
        const uint8_t* sourceRow = bytes + std::size_t{sy} * sourcePitch;
        auto* out = static_cast<uint8_t*>(locked.pBits) + std::size_t{to.top + y} * locked.Pitch;
        for (uint32_t x = 0; x < to.width; ++x) {
            const uint32_t sx = from.left + x * from.width / to.width;
            EncodeArgb(out + (to.left + x) * destinationBytes, desc.Format,
                       DecodeArgb(sourceRow + sx * sourceBytes, sourceFormat));
        }
    }
    return destination->UnlockRect();
}

}  // namespace vimsa::d3d8
