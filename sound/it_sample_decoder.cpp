#include "sound/it_sample_decoder.h"

#include <algorithm>

namespace vimsa {
namespace {

// Little-endian bit reader over one compressed block.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // False when the block has fewer than `bits` bits left.
    bool Read(int bits, uint32_t& value) {
        if (bits > 32 || static_cast<uint64_t>(bits) > BitsLeft()) return false;
        value = 0;
        for (int i = 0; i < bits; ++i) {
            const uint32_t bit = (data_[bitPos_ >> 3] >> (bitPos_ & 7)) & 1u;
            value |= bit << i;
            ++bitPos_;
        }
        return true;
    }

private:
    uint64_t BitsLeft() const { return static_cast<uint64_t>(size_) * 8 - bitPos_; }

    const uint8_t* data_;
    size_t size_;
    size_t bitPos_ = 0;
};

struct Format {
    int fullWidth;   // 9 or 17: one more than the sample size
    int widthBits;   // bits read for a new width in the narrow range (3 or 4)
    int sampleBits;  // 8 or 16
};

// Decodes one block into `dest` (`count` samples); returns the samples decoded.
size_t DecodeBlock(BitReader& bits, const Format& f, bool it215, size_t count, uint32_t* dest) {
    int width = f.fullWidth;
    // Sums wrap at the sample size; only their low bits are kept.
    uint32_t d1 = 0, d2 = 0;
    size_t n = 0;
    while (n < count) {
        uint32_t value;
        if (!bits.Read(width, value)) break;
        if (width < 7) {
            // Narrow widths: the top bit alone announces a new width.
            if (value == 1u << (width - 1)) {
                uint32_t v;
                if (!bits.Read(f.widthBits, v)) break;
                ++v;
                width = static_cast<int>(v < static_cast<uint32_t>(width) ? v : v + 1);
                continue;
            }
        } else if (width < f.fullWidth) {
            // Middle widths: a band of values around the top announces it.
            const uint32_t half = static_cast<uint32_t>(f.sampleBits) / 2;  // 4 or 8
            const uint32_t top = (1u << f.sampleBits) - 1;
            const uint32_t border = (top >> (f.fullWidth - width)) - half;
            if (value > border && value <= border + 2 * half) {
                const uint32_t v = value - border;
                width = static_cast<int>(v < static_cast<uint32_t>(width) ? v : v + 1);
                continue;
            }
        } else if (width == f.fullWidth) {
            // Full width: the extra top bit marks a new width in the low byte.
            if (value & (1u << f.sampleBits)) {
                width = static_cast<int>((value + 1) & 0xFF);
                if (width < 1 || width > f.fullWidth) break;
                continue;
            }
        } else {
            break;
        }
        // Sign-extend a narrow value to the sample size.
        const int shift = 32 - std::min(width, f.sampleBits);
        const int32_t sample = static_cast<int32_t>(value << shift) >> shift;
        d1 += static_cast<uint32_t>(sample);
        d2 += d1;
        dest[n++] = it215 ? d2 : d1;
    }
    return n;
}

}  // namespace

size_t DecodeItSample(const uint8_t* input, size_t inputSize, size_t frames, bool sixteenBit,
                      bool it215, std::vector<uint8_t>& out) {
    const Format f = sixteenBit ? Format{17, 4, 16} : Format{9, 3, 8};
    const size_t bytesPerFrame = sixteenBit ? 2 : 1;
    const size_t blockFrames = 0x8000 / bytesPerFrame;
    out.clear();
    std::vector<uint32_t> block(std::min(blockFrames, frames));
    size_t pos = 0;
    size_t done = 0;
    while (done < frames && inputSize - pos >= 2) {
        const size_t length = input[pos] | (input[pos + 1] << 8);
        pos += 2;
        const size_t available = std::min(length, inputSize - pos);
        BitReader bits(input + pos, available);
        pos += available;
        const size_t want = std::min(blockFrames, frames - done);
        const size_t got = DecodeBlock(bits, f, it215, want, block.data());
        for (size_t i = 0; i < got; ++i) {
            out.push_back(static_cast<uint8_t>(block[i]));
            if (sixteenBit) out.push_back(static_cast<uint8_t>(block[i] >> 8));
        }
        done += got;
        if (got < want) break;
    }
    return done;
}

}  // namespace vimsa
