#pragma once

// The utility library that comes with the device: projection matrices, the
// matrix product, the text of a result code, and texture creation and
// loading from memory.

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_device.h"
#include "platform/d3d8/d3d8_resources.h"
#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// A left-handed perspective projection of a view `width` x `height` at the
// near plane: camera-space z from zn to zf maps to depth 0 to 1.
D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, float width, float height, float zn, float zf);
// A left-handed orthographic projection of `width` x `height` centred on
// the axis, z from zn to zf mapping to depth 0 to 1.
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float width, float height, float zn, float zf);
// out = m1 * m2 (m1 applies first); out may be one of the operands.
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2);
// The name of a device result code, "Unknown error" for others.
const char* DXGetErrorString8(HRESULT result);

// A texture of one level (mipLevels 0 or 1).
HRESULT D3DXCreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT mipLevels,
                          DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          Handle<IDirect3DTexture8>* texture);
// Copies pixels of `sourceFormat` into the surface, converting them to its
// format. Rectangles default to the whole surface and the whole source;
// when their sizes differ the source is point-sampled (D3DX_FILTER_NONE
// with different sizes is refused). Palettes and colour keys are not
// supported (null and 0).
HRESULT D3DXLoadSurfaceFromMemory(IDirect3DSurface8* destination, const void* destinationPalette,
                                  const RECT* destinationRect, const void* source,
                                  D3DFORMAT sourceFormat, UINT sourcePitch,
                                  const void* sourcePalette, const RECT* sourceRect, DWORD filter,
                                  D3DCOLOR colourKey);

}  // namespace vimsa::d3d8
