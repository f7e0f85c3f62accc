#include "io/lz_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "io/byte_order.h"

namespace vimsa {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

// Finds, for a position, the oldest window position with the longest run of
// equal bytes. Candidates with a count of k or more share their first k bytes
// with the position, so they all sit in one chain of a table keyed by k-byte
// prefixes. The chains are kept oldest first; the search asks the 8-byte chain,
// then the 4-, 3- and 2-byte chains, and the first chain holding a true
// candidate holds every candidate of the greatest count.
//
// Only window positions are kept: inserting a position removes the one that
// has just left the window, which is always the oldest entry of its chains, so
// the links fit a ring of window size and stay in cache.
class MatchFinder {
public:
    static constexpr int kLevels = 4;        // chains keyed by 8, 4, 3 and 2 bytes
    static constexpr uint32_t kRing = 4096;  // > LzCodec::kWindow

    MatchFinder(const uint8_t* input, uint32_t count) : in_(input) {
        bits_ = 8;
        while (bits_ < 14 && (1u << bits_) < count)
            ++bits_;
        for (std::vector<Ends>& level : ends_)
            level.assign(size_t{1} << bits_, Ends{});
        next_.assign(size_t{kRing} * kLevels, kNone);
    }

    // Makes every window position before `p` a candidate. Only positions that
    // lie at least kMaxMatch bytes before the input's end are ever inserted.
    void InsertUpTo(uint32_t p) {
        for (; inserted_ < p; ++inserted_) {
            const uint32_t i = inserted_;
            const bool expire = i >= LzCodec::kWindow;
            const uint32_t old = i - LzCodec::kWindow;
            for (int level = 0; level < kLevels; ++level) {
                if (expire) Remove(level, old);
                Append(level, i);
            }
        }
    }

    // For p with p + kMaxMatch <= count, after InsertUpTo(p): the greatest
    // count (0 when none reaches 2) and its oldest candidate.
    uint32_t Find(uint32_t p, uint32_t& candidate) {
        // 8 bytes or more: the greatest count decides; 17 ends the search.
        uint32_t best = Longest(0, p, LzCodec::kMaxMatch, candidate);
        if (best >= 8) return best;
        // 4 to 7 bytes.
        best = Longest(1, p, 7, candidate);
        if (best >= 4) return best;
        // Exactly 3 or 2: the oldest true entry of the chain.
        if (Oldest(2, p, 3, candidate)) return 3;
        if (Oldest(3, p, 2, candidate)) return 2;
        return 0;
    }

private:
    struct Ends {
        uint32_t head = kNone;
        uint32_t tail = kNone;
    };

    uint32_t Bucket(int level, uint32_t p) const {
        switch (level) {
            case 0:
                return static_cast<uint32_t>((Load64(in_ + p) * 0x9E3779B97F4A7C15ull) >>
                                             (64 - bits_));
            case 1:
                return (Load32(in_ + p) * 0x9E3779B1u) >> (32 - bits_);
            case 2:
                return ((Load32(in_ + p) & 0xFFFFFFu) * 0x9E3779B1u) >> (32 - bits_);
            default:
                return ((Load32(in_ + p) & 0xFFFFu) * 0x9E3779B1u) >> (32 - bits_);
        }
    }

    uint32_t& Next(int level, uint32_t p) { return next_[(p % kRing) * kLevels + level]; }

    void Append(int level, uint32_t p) {
        Ends& e = ends_[level][Bucket(level, p)];
        Next(level, p) = kNone;
        if (e.tail == kNone) {
            e.head = p;
        } else {
            Next(level, e.tail) = p;
        }
        e.tail = p;
    }

    void Remove(int level, uint32_t p) {
        Ends& e = ends_[level][Bucket(level, p)];
        if (e.head != p) return;
        e.head = Next(level, p);
        if (e.head == kNone) e.tail = kNone;
    }

    // Equal bytes at c and p, at most kMaxMatch (p + kMaxMatch <= count).
    uint32_t MatchLength(uint32_t c, uint32_t p) const {
        uint64_t diff = Load64(in_ + c) ^ Load64(in_ + p);
        if (diff) return static_cast<uint32_t>(std::countr_zero(diff)) / 8;
        diff = Load64(in_ + c + 8) ^ Load64(in_ + p + 8);
        if (diff) return 8 + static_cast<uint32_t>(std::countr_zero(diff)) / 8;
        return in_[c + 16] == in_[p + 16] ? 17 : 16;
    }

    // Oldest entry with the greatest count; stops at `enough`.
    uint32_t Longest(int level, uint32_t p, uint32_t enough, uint32_t& candidate) {
        uint32_t best = 0;
        for (uint32_t c = ends_[level][Bucket(level, p)].head; c != kNone; c = Next(level, c)) {
            const uint32_t length = MatchLength(c, p);
            if (length > best) {
                best = length;
                candidate = c;
                if (best >= enough) break;
            }
        }
        return best;
    }

    // Oldest entry whose count reaches `length` (2 or 3).
    bool Oldest(int level, uint32_t p, uint32_t length, uint32_t& candidate) {
        for (uint32_t c = ends_[level][Bucket(level, p)].head; c != kNone; c = Next(level, c)) {
            const uint32_t mask = length == 3 ? 0xFFFFFFu : 0xFFFFu;
            if (((Load32(in_ + c) ^ Load32(in_ + p)) & mask) == 0) {
                candidate = c;
                return true;
            }
        }
        return false;
    }

    const uint8_t* in_;
    uint32_t bits_;
    uint32_t inserted_ = 0;
    std::vector<Ends> ends_[kLevels];
    std::vector<uint32_t> next_;
};

// The plain search, used for the last positions where fewer than kMaxMatch
// bytes remain.
uint32_t SearchNearEnd(const uint8_t* in, uint32_t count, uint32_t p, uint32_t windowStart,
                       uint32_t& candidate) {
    const uint32_t limit = std::min(LzCodec::kMaxMatch, count - p);
    uint32_t best = 0;
    for (uint32_t c = windowStart; c < p; ++c) {
        uint32_t length = 0;
        while (length < limit && in[c + length] == in[p + length])
            ++length;
        if (length > best) {
            best = length;
            candidate = c;
            if (best == limit) break;
        }
    }
    return best;
}

// Collects items into groups of eight behind their flag byte.
class BlockWriter {
public:
    BlockWriter(std::vector<uint8_t>& block, uint32_t capacity) : block_(block) {
        block_.resize(static_cast<size_t>(capacity) + 3);
        out_ = block_.data();
    }

    void Literal(uint8_t value) {
        StartItem(false);
        out_[used_++] = value;
    }

    void Match(uint32_t distance, uint32_t length) {
        StartItem(true);
        StoreU16(out_ + used_, static_cast<uint16_t>(distance * 16 + (length - 2)));
        used_ += 2;
    }

    void Put32(uint32_t value) {
        StoreU32(out_ + used_, value);
        used_ += 4;
    }

    size_t Used() const { return used_; }
    void Finish() { block_.resize(used_); }

private:
    void StartItem(bool match) {
        if (items_ == 8) {
            flagAt_ = used_++;
            out_[flagAt_] = 0;
            items_ = 0;
        }
        if (match) out_[flagAt_] |= static_cast<uint8_t>(0x80u >> items_);
        ++items_;
    }

    std::vector<uint8_t>& block_;
    uint8_t* out_;
    size_t used_ = 0;
    size_t flagAt_ = 0;
    int items_ = 8;
};

// Copies a match byte by byte in effect; wider copies where they cannot read
// bytes the copy has not produced yet.
inline void CopyMatch(uint8_t* out, uint32_t at, uint32_t distance, uint32_t length,
                      uint32_t room) {
    uint8_t* dst = out + at;
    const uint8_t* src = dst - distance;
    if (distance >= 8 && room >= 24) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + 8, src + 8, 8);
        if (length > 16) dst[16] = src[16];
        return;
    }
    for (uint32_t i = 0; i < length; ++i)
        dst[i] = src[i];
}

// Expands a block; `output` may hold partial data on failure.
Result Expand(const uint8_t* block, uint32_t count, std::vector<uint8_t>& output) {
    output.clear();
    if (block == nullptr) return ERR_NULL_ARGUMENT;
    if (count < 6) return ERR_BAD_VERSION;
    const uint32_t declared = LoadU32(block);
    // Every input byte yields at most 8 output bytes (17 per 2-byte token and
    // its flag bit), so a larger claim cannot be met and is not allocated.
    if (declared > static_cast<uint64_t>(count - 4) * 8) return ERR_BAD_VERSION;
    try {
        output.resize(declared);
    } catch (const std::bad_alloc&) {
        return ERR_FAIL;
    }
    uint8_t* out = output.data();
    uint32_t produced = 0;
    uint32_t at = 4;
    for (;;) {
        if (at >= count) return ERR_BAD_VERSION;  // ended before the end item
        uint32_t flags = block[at++];
        for (int item = 0; item < 8; ++item, flags <<= 1) {
            if ((flags & 0x80u) == 0) {
                if (at >= count || produced >= declared) return ERR_BAD_VERSION;
                out[produced++] = block[at++];
                continue;
            }
            if (count - at < 2) return ERR_BAD_VERSION;
            const uint32_t token = LoadU16(block + at);
            at += 2;
            const uint32_t distance = token >> 4;
            if (distance == 0) {
                output.resize(produced);
                return RESULT_OK;
            }
            const uint32_t length = (token & 15u) + 2;
            if (distance > produced || length > declared - produced) return ERR_BAD_VERSION;
            CopyMatch(out, produced, distance, length, declared - produced);
            produced += length;
        }
    }
}

}  // namespace

Result LzCodec::Compress(const uint8_t* input, uint32_t count, std::vector<uint8_t>& block) const {
    block.clear();
    if (count <= 8) return ERR_SERIAL_NOT_SMALLER;
    if (input == nullptr) return ERR_NULL_ARGUMENT;
    try {
        BlockWriter out(block, count);
        MatchFinder finder(input, count);
        out.Put32(count);
        uint32_t p = 0;
        while (p < count) {
            const uint32_t windowStart = p > kWindow ? p - kWindow : 0;
            uint32_t candidate = 0;
            uint32_t length;
            if (count - p >= kMaxMatch) {
                finder.InsertUpTo(p);
                length = finder.Find(p, candidate);
            } else {
                length = SearchNearEnd(input, count, p, windowStart, candidate);
            }
            if (length >= kMinMatch) {
                out.Match(p - candidate, length);
                p += length;
            } else {
                out.Literal(input[p]);
                ++p;
            }
            if (out.Used() >= count) {
                block.clear();
                return ERR_SERIAL_NOT_SMALLER;
            }
        }
        out.Match(0, 2);  // the end item: token 0
        if (out.Used() >= count) {
            block.clear();
            return ERR_SERIAL_NOT_SMALLER;
        }
        out.Finish();
    } catch (const std::bad_alloc&) {
        block.clear();
        return ERR_FAIL;
    }
    return RESULT_OK;
}

Result LzCodec::Decompress(const uint8_t* block, uint32_t count,
                           std::vector<uint8_t>& output) const {
    const Result r = Expand(block, count, output);
    if (Failed(r)) output.clear();
    return r;
}

}  // namespace vimsa
