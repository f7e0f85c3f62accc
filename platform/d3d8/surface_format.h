#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// Bytes per pixel of a colour or depth format, 0 for formats without pixels.
uint32_t FormatBytes(D3DFORMAT format);
// Formats a texture may have.
bool IsTextureFormat(D3DFORMAT format);
// Formats a back buffer may have.
bool IsBackBufferFormat(D3DFORMAT format);

// One pixel of a colour format as 0xAARRGGBB. Narrow channels widen by
// repeating their bits, so that a full channel stays full; formats without
// alpha give 255.
uint32_t DecodeArgb(const uint8_t* pixel, D3DFORMAT format);
// Narrows 0xAARRGGBB into a colour format by dropping low bits.
void EncodeArgb(uint8_t* pixel, D3DFORMAT format, uint32_t argb);

// Converts `count` pixels between two colour formats.
void ConvertRow(const uint8_t* source, D3DFORMAT sourceFormat, uint8_t* destination,
                D3DFORMAT destinationFormat, uint32_t count);

}  // namespace vimsa::d3d8
