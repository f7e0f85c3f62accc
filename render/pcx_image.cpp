#include "render/pcx_image.h"

#include <algorithm>
#include <vector>

#include "render/image_bytes.h"
#include "render/texture.h"

namespace vimsa {
namespace {

constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kRunMarker = 192;
constexpr uint32_t kPaletteBytes = 256 * 3;
// A two-byte run yields at most 63 indices: no file can decode to more than
// this many indices per byte of data.
constexpr uint64_t kMaxIndicesPerByte = 32;

// Run-length decoding of `lineBytes` x `height` indices from `pos`, keeping
// the first `width` of each stored line. Returns the position after the data,
// or 0 when the data ends early.
std::size_t DecodeIndices(std::span<const uint8_t> file, std::size_t pos, uint32_t width,
                          uint32_t lineBytes, uint32_t height, std::vector<uint8_t>& indices) {
    const uint64_t total = uint64_t{lineBytes} * height;
    uint64_t produced = 0;
    while (produced < total) {
        if (pos >= file.size()) return 0;
        uint8_t value = file[pos++];
        uint64_t count = 1;
        if (value >= kRunMarker) {
            count = value - kRunMarker;
            if (pos >= file.size()) return 0;
            value = file[pos++];
        }
        count = std::min(count, total - produced);
        for (; count > 0; --count, ++produced) {
            const uint64_t x = produced % lineBytes;
            if (x < width) indices[(produced / lineBytes) * width + x] = value;
        }
    }
    return pos;
}

}  // namespace

Result DecodePcx(std::span<const uint8_t> file, Texture& texture) {
    if (file.size() < kPcxHeaderSize) return ERR_IMAGE_SHORT_HEADER;
    if (file[0] != kManufacturer) return ERR_IMAGE_CORRUPT;
    if (file[3] != 8 || file[65] != 1) return ERR_IMAGE_DEPTH;
    const uint16_t xMin = ReadLe16(file, 4);
    const uint16_t yMin = ReadLe16(file, 6);
    const uint16_t xMax = ReadLe16(file, 8);
    const uint16_t yMax = ReadLe16(file, 10);
    if (xMin > xMax || yMin > yMax) return ERR_IMAGE_CORRUPT;
    const uint32_t width = uint32_t{xMax} - xMin + 1;
    const uint32_t height = uint32_t{yMax} - yMin + 1;
    // Lines are stored padded to the header's byte count (at least the width).
    const uint32_t lineBytes = std::max<uint32_t>(width, ReadLe16(file, 66));
    const uint64_t data = file.size() - kPcxHeaderSize;
    if (uint64_t{lineBytes} * height > data * kMaxIndicesPerByte) return ERR_IMAGE_CORRUPT;

    std::vector<uint8_t> indices(uint64_t{width} * height);
    std::size_t pos = DecodeIndices(file, kPcxHeaderSize, width, lineBytes, height, indices);
    if (pos == 0) return ERR_IMAGE_CORRUPT;
    ++pos;  // the palette marker
    if (!FitsIn(file.size(), pos, kPaletteBytes)) return ERR_IMAGE_CORRUPT;
    const uint8_t* palette = file.data() + pos;

    const Result created = texture.Create("", width, height, kFormat0888);
    if (Failed(created)) return created;
    uint8_t* out = texture.Pixels();
    const int32_t order = texture.ChannelOrder();
    for (uint8_t index : indices) {
        const uint8_t* rgb = palette + index * 3u;
        EncodePixel(out, kFormat0888, order, Rgba8{rgb[0], rgb[1], rgb[2], 255});
        out += 3;
    }
    return RESULT_OK;
}

}  // namespace vimsa
