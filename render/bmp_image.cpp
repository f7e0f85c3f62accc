#include "render/bmp_image.h"

#include <cstdlib>

#include "render/image_bytes.h"
#include "render/texture.h"

namespace vimsa {
namespace {

constexpr std::size_t kFieldsEnd = 30;  // through the bits-per-pixel word at 28

}  // namespace

Result DecodeBmp(std::span<const uint8_t> file, Texture& texture) {
    if (file.size() < kBmpMinimumSize) return ERR_IMAGE_SHORT_HEADER;
    if (file[0] != 'B' || file[1] != 'M') return ERR_IMAGE_CORRUPT;
    if (file.size() < kFieldsEnd) return ERR_IMAGE_CORRUPT;
    const uint32_t offset = ReadLe32(file, 10);
    const uint32_t width = ReadLe32(file, 18);
    // A negative height marks a file stored top row first; its rows are
    // copied in file order all the same.
    const int64_t signedHeight = static_cast<int32_t>(ReadLe32(file, 22));
    const uint32_t height = static_cast<uint32_t>(std::llabs(signedHeight));
    const uint16_t bits = ReadLe16(file, 28);
    if (bits != 24) return ERR_IMAGE_DEPTH;

    const uint64_t rowBytes = uint64_t{width} * 3;
    const uint64_t stride = (rowBytes + 3) & ~uint64_t{3};
    const uint64_t needed = height == 0 ? 0 : stride * (height - 1) + rowBytes;
    if (!FitsIn(file.size(), offset, needed)) return ERR_IMAGE_CORRUPT;

    const Result created = texture.Create("", width, height, kFormat0888);
    if (Failed(created)) return created;
    if (rowBytes == 0) return RESULT_OK;
    uint8_t* out = texture.Pixels();
    for (uint32_t y = 0; y < height; ++y) {
        ConvertPixels(file.data() + offset + y * stride, kFormat0888, kOrderBgr, out + y * rowBytes,
                      kFormat0888, texture.ChannelOrder(), width);
    }
    return RESULT_OK;
}

}  // namespace vimsa
