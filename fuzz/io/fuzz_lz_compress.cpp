// Compresses arbitrary bytes and compares the block with the plain search of
// the block format, then expands it back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/lz_codec.h"
#include "tests/io/lz_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    // Stretch the input so that long matches and the window's edge are reached.
    std::vector<uint8_t> input(data, data + size);
    if (size > 0 && size < 64) {
        while (input.size() < 6000)
            input.insert(input.end(), data, data + size);
    }
    const vimsa::LzCodec codec;
    std::vector<uint8_t> block;
    const vimsa::Result r =
        codec.Compress(input.data(), static_cast<uint32_t>(input.size()), block);
    if (block != vimsa::test::ReferenceCompress(input)) __builtin_trap();
    if (vimsa::Failed(r)) return 0;
    std::vector<uint8_t> back;
    if (vimsa::Failed(codec.Decompress(block.data(), static_cast<uint32_t>(block.size()), back)) ||
        back != input)
        __builtin_trap();
    return 0;
}
