#pragma once

#include <cstdint>
#include <vector>

namespace vimsa::test {

// The search exactly as the block format's compressor is defined, with no
// shortcuts: every window position, oldest first, the first with the strictly
// greatest count, stopping at 17. Returns an empty block when the result would
// not be smaller than the input.
inline std::vector<uint8_t> ReferenceCompress(const std::vector<uint8_t>& in) {
    const uint32_t n = static_cast<uint32_t>(in.size());
    if (n <= 8) return {};
    std::vector<uint8_t> out = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    size_t flagAt = 0;
    int items = 8;
    auto item = [&](bool match) {
        if (items == 8) {
            flagAt = out.size();
            out.push_back(0);
            items = 0;
        }
        if (match) out[flagAt] |= static_cast<uint8_t>(0x80 >> items);
        ++items;
    };
    uint32_t windowStart = 0;
    uint32_t p = 0;
    while (p < n) {
        uint32_t best = 0;
        uint32_t bestAt = 0;
        for (uint32_t c = windowStart; c < p; ++c) {
            uint32_t count = 0;
            while (count < 17 && p + count < n && in[c + count] == in[p + count])
                ++count;
            if (count > best) {
                best = count;
                bestAt = c;
            }
            if (best == 17) break;
        }
        if (best >= 2) {
            item(true);
            const uint32_t token = (p - bestAt) * 16 + (best - 2);
            out.push_back(static_cast<uint8_t>(token));
            out.push_back(static_cast<uint8_t>(token >> 8));
            p += best;
        } else {
            item(false);
            out.push_back(in[p]);
            ++p;
        }
        if (p - windowStart > 4095) windowStart = p - 4095;
    }
    item(true);
    out.push_back(0);
    out.push_back(0);
    if (out.size() >= n) return {};
    return out;
}

}  // namespace vimsa::test
