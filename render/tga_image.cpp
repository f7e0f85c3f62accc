#include "render/tga_image.h"

#include "render/image_bytes.h"
#include "render/texture.h"

namespace vimsa {
namespace {

constexpr uint8_t kTypeTrueColour = 2;
constexpr uint8_t kDescriptorTopFirst = 0x20;

// The format a file of this depth is read into, with the layout of its
// pixels in the file (blue in the low bits).
bool FormatsForDepth(uint8_t depth, int32_t& fileFormat, int32_t& textureFormat) {
    switch (depth) {
        case 16:
            fileFormat = kFormat0555;
            textureFormat = kFormat0565;
            return true;
        case 24:
            fileFormat = textureFormat = kFormat0888;
            return true;
        case 32:
            fileFormat = textureFormat = kFormat8888;
            return true;
        default:
            return false;
    }
}

}  // namespace

Result DecodeTga(std::span<const uint8_t> file, Texture& texture) {
    if (file.size() < kTgaHeaderSize) return ERR_IMAGE_SHORT_HEADER;
    const uint8_t idLength = file[0];
    const uint8_t colourMapType = file[1];
    const uint8_t imageType = file[2];
    const uint16_t colourMapLength = ReadLe16(file, 5);
    const uint8_t colourMapEntryBits = file[7];
    const uint32_t width = ReadLe16(file, 12);
    const uint32_t height = ReadLe16(file, 14);
    const uint8_t depth = file[16];
    const uint8_t descriptor = file[17];

    int32_t fileFormat = kFormat0000;
    int32_t format = kFormat0000;
    if (!FormatsForDepth(depth, fileFormat, format)) return ERR_IMAGE_DEPTH;
    // Compressed and colour-mapped pictures would be read as garbage.
    if (imageType != kTypeTrueColour) return ERR_IMAGE_CORRUPT;

    uint64_t offset = kTgaHeaderSize + idLength;
    if (colourMapType != 0) offset += uint64_t{colourMapLength} * ((colourMapEntryBits + 7u) / 8u);
    const uint32_t fileStep = BytesPerPixel(fileFormat);
    const uint64_t rowBytes = uint64_t{width} * fileStep;
    if (!FitsIn(file.size(), offset, rowBytes * height)) return ERR_IMAGE_CORRUPT;

    const Result created = texture.Create("", width, height, format);
    if (Failed(created)) return created;

    const bool topFirst = (descriptor & kDescriptorTopFirst) != 0;
    const uint32_t outStep = BytesPerPixel(format);
    uint8_t* out = texture.Pixels();
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t stored = topFirst ? y : height - 1 - y;
        ConvertPixels(file.data() + offset + stored * rowBytes, fileFormat, kOrderBgr,
                      out + uint64_t{y} * width * outStep, format, texture.ChannelOrder(), width);
    }
    return RESULT_OK;
}

Result EncodeTga(const Texture& texture, uint32_t bits, std::vector<uint8_t>& out) {
    int32_t fileFormat = kFormat0000;
    switch (bits) {
        case 16:
            fileFormat = kFormat1555;
            break;
        case 24:
            fileFormat = kFormat0888;
            break;
        case 32:
            fileFormat = kFormat8888;
            break;
        default:
            return ERR_TEXTURE_SAVE_BITS;
    }
    const uint8_t* pixels = texture.Pixels();
    if (!pixels) return ERR_IMAGE_NO_PIXELS;
    const uint32_t width = texture.Width();
    const uint32_t height = texture.Height();
    if (width > 0xFFFF || height > 0xFFFF) return ERR_IMAGE_WRITE_FAILED;

    const uint32_t inStep = BytesPerPixel(texture.Format());
    const uint32_t outStep = bits / 8;
    out.assign(kTgaHeaderSize + uint64_t{width} * height * outStep, 0);
    out[2] = kTypeTrueColour;
    WriteLe16(&out[12], width);
    WriteLe16(&out[14], height);
    out[16] = static_cast<uint8_t>(bits);
    uint8_t* row = out.data() + kTgaHeaderSize;
    for (uint32_t y = height; y-- > 0;) {
        ConvertPixels(pixels + uint64_t{y} * width * inStep, texture.Format(),
                      texture.ChannelOrder(), row, fileFormat, kOrderBgr, width);
        row += uint64_t{width} * outStep;
    }
    return RESULT_OK;
}

}  // namespace vimsa
