// Expands arbitrary bytes as an LZ block; whatever expands must compress and
// expand back to itself.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/lz_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    const vimsa::LzCodec codec;
    std::vector<uint8_t> out;
    const vimsa::Result r = codec.Decompress(data, static_cast<uint32_t>(size), out);
    if (vimsa::Failed(r)) {
        if (!out.empty()) __builtin_trap();
        return 0;
    }
    if (out.size() > static_cast<size_t>(size) * 8) __builtin_trap();
    std::vector<uint8_t> block;
    if (vimsa::Failed(codec.Compress(out.data(), static_cast<uint32_t>(out.size()), block)))
        return 0;
    if (block.size() >= out.size()) __builtin_trap();
    std::vector<uint8_t> back;
    if (vimsa::Failed(codec.Decompress(block.data(), static_cast<uint32_t>(block.size()), back)) ||
        back != out)
        __builtin_trap();
    return 0;
}
