#include "io/lz_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/io/io_test_util.h"
#include "tests/io/lz_reference.h"

namespace vimsa {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& in, Result* result = nullptr) {
    std::vector<uint8_t> block;
    const Result r = LzCodec().Compress(in.data(), static_cast<uint32_t>(in.size()), block);
    if (result) *result = r;
    return block;
}

Result Expand(const std::vector<uint8_t>& block, std::vector<uint8_t>& out) {
    return LzCodec().Decompress(block.data(), static_cast<uint32_t>(block.size()), out);
}

// Inputs that exercise the search: text, runs, float arrays, image-like
// rows, long-distance repeats just inside and outside the window, and mixes.
std::vector<std::vector<uint8_t>> VariedInputs() {
    std::vector<std::vector<uint8_t>> inputs;
    std::string text;
    const char* words[] = {"the ",     "mesh ", "portal ", "node ", "light ",
                           "texture ", "a ",    "camera ", "of ",   "render "};
    for (uint32_t i = 0; i < 3000; ++i)
        text += words[(i * 7 + i / 13) % 10];
    inputs.push_back(Bytes(text));

    std::vector<uint8_t> floats;
    for (int i = 0; i < 2500; ++i) {
        const float v[3] = {std::sin(i * 0.01f) * 10, static_cast<float>(i % 17), 1.0f};
        const auto* b = reinterpret_cast<const uint8_t*>(v);
        floats.insert(floats.end(), b, b + sizeof v);
    }
    inputs.push_back(floats);

    std::vector<uint8_t> image;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            image.push_back(static_cast<uint8_t>(x * 2));
            image.push_back(static_cast<uint8_t>(y * 4));
            image.push_back(static_cast<uint8_t>((x ^ y) & 0xF0));
        }
    }
    inputs.push_back(image);

    // The same 40 bytes again at distances 4095 and 4096.
    std::vector<uint8_t> far = test::NoiseBytes(10000, 5);
    std::memcpy(far.data() + 4095 + 100, far.data() + 100, 40);
    std::memcpy(far.data() + 4096 + 5000, far.data() + 5000, 40);
    for (int i = 0; i < 2000; ++i)
        far.push_back(static_cast<uint8_t>(i % 3));
    inputs.push_back(far);

    // Few symbols: many equal prefixes of every length.
    std::vector<uint8_t> binary = test::NoiseBytes(12000, 9);
    for (uint8_t& b : binary)
        b &= 1;
    inputs.push_back(binary);

    std::vector<uint8_t> runs;
    for (int i = 0; i < 300; ++i)
        runs.insert(runs.end(), static_cast<size_t>(i % 40 + 1), 'a' + i % 5);
    inputs.push_back(runs);

    std::vector<uint8_t> mixed = inputs[0];
    mixed.insert(mixed.end(), floats.begin(), floats.begin() + 3000);
    mixed.insert(mixed.end(), 777, 0);
    mixed.insert(mixed.end(), image.begin(), image.begin() + 5000);
    inputs.push_back(mixed);

    for (size_t n : {9, 10, 17, 18, 19, 33, 100})
        inputs.push_back(std::vector<uint8_t>(n, 'z'));
    inputs.push_back(Bytes("abcabcabcabcabcabcabcabcabcab"));
    return inputs;
}

TEST(LzCodecTest, ShortInputsAreNeverCompressed) {
    for (size_t n = 0; n <= 8; ++n) {
        Result r = RESULT_OK;
        EXPECT_TRUE(Compress(std::vector<uint8_t>(n, 'a'), &r).empty());
        EXPECT_EQ(r, ERR_SERIAL_NOT_SMALLER) << n;
    }
}

TEST(LzCodecTest, IncompressibleInputFails) {
    Result r = RESULT_OK;
    EXPECT_TRUE(Compress(test::NoiseBytes(5000, 1), &r).empty());
    EXPECT_EQ(r, ERR_SERIAL_NOT_SMALLER);
    // Nine distinct bytes: 4 + 2 flag bytes + 9 literals + end item is larger.
    EXPECT_TRUE(Compress(Bytes("abcdefghi"), &r).empty());
    EXPECT_EQ(r, ERR_SERIAL_NOT_SMALLER);
}

TEST(LzCodecTest, ARunIsOneLiteralThenMatchesOf17) {
    const std::vector<uint8_t> run(1 + 17 * 4, 'x');
    const std::vector<uint8_t> block = Compress(run);
    // length, flags 0b01111100 (literal, four matches, end), 'x', four tokens
    // of length 17, the end item. The first match copies from distance 1; the
    // later ones from the oldest window position that still gives 17 equal
    // bytes, the run's first byte.
    const std::vector<uint8_t> expected = {69,   0,    0,    0,    0x7C, 'x',  0x1F, 0x00,
                                           0x2F, 0x01, 0x3F, 0x02, 0x4F, 0x03, 0x00, 0x00};
    EXPECT_EQ(block, expected);

    // Past the window the oldest candidate is 4095 bytes back.
    const std::vector<uint8_t> longRun(10000, 'y');
    const std::vector<uint8_t> longBlock = Compress(longRun);
    ASSERT_EQ(longBlock, test::ReferenceCompress(longRun));
    const size_t lastToken = longBlock.size() - 4;
    EXPECT_EQ((longBlock[lastToken] | (longBlock[lastToken + 1] << 8)) >> 4, 4095);
    std::vector<uint8_t> out;
    ASSERT_EQ(Expand(longBlock, out), RESULT_OK);
    EXPECT_EQ(out, longRun);
}

TEST(LzCodecTest, MatchesTheReferenceSearchByteForByte) {
    for (const std::vector<uint8_t>& in : VariedInputs()) {
        const std::vector<uint8_t> reference = test::ReferenceCompress(in);
        Result r = RESULT_OK;
        const std::vector<uint8_t> block = Compress(in, &r);
        EXPECT_EQ(block, reference) << "input of " << in.size() << " bytes";
        EXPECT_EQ(Succeeded(r), !reference.empty());
    }
}

TEST(LzCodecTest, ExpandingACompressedBlockGivesTheInputBack) {
    for (const std::vector<uint8_t>& in : VariedInputs()) {
        const std::vector<uint8_t> block = Compress(in);
        if (block.empty()) continue;
        std::vector<uint8_t> out;
        ASSERT_EQ(Expand(block, out), RESULT_OK);
        EXPECT_EQ(out, in);
    }
}

TEST(LzCodecTest, OldestCandidateWinsAmongEqualCounts) {
    // "abXab" then "ab": both earlier "ab" give a count of 2; the oldest (at
    // 0, distance 5) must be taken, not the nearest.
    const std::vector<uint8_t> in = Bytes("abXabYab" + std::string(40, '.'));
    const std::vector<uint8_t> block = Compress(in);
    ASSERT_EQ(block, test::ReferenceCompress(in));
    // Items: a b X (ab @3) Y (ab @6): the token of the second match holds
    // distance 6.
    ASSERT_GE(block.size(), 12u);
    const uint16_t second = static_cast<uint16_t>(block[11] | (block[12] << 8));
    EXPECT_EQ(second >> 4, 6);
}

// A valid block for "aaaa" + "abab": literal a, match(1,3), literal b... built
// by hand so that each corruption below is the only defect.
std::vector<uint8_t> HandBlock() {
    // Expanded: a a a a b a b a (8 bytes).
    // Items: lit 'a', match d1 l3, lit 'b', match d2 l3, end.
    return {8,    0,    0,    0, 0x58,  // flags 0 1 0 1 1 -> 0b01011000
            'a',  0x11, 0x00,           // distance 1, length 3
            'b',  0x21, 0x00,           // distance 2, length 3
            0x00, 0x00};
}

TEST(LzCodecTest, HandBuiltBlockExpands) {
    const std::vector<uint8_t> block = HandBlock();
    std::vector<uint8_t> out;
    ASSERT_EQ(Expand(block, out), RESULT_OK);
    EXPECT_EQ(std::string(out.begin(), out.end()), "aaaababa");
}

TEST(LzCodecTest, EveryClassOfDamagedBlockIsRejected) {
    const std::vector<uint8_t> good = HandBlock();
    std::vector<uint8_t> out;

    // Too short to hold a length and an end item.
    EXPECT_EQ(LzCodec().Decompress(good.data(), 5, out), ERR_BAD_VERSION);
    EXPECT_EQ(LzCodec().Decompress(nullptr, 20, out), ERR_NULL_ARGUMENT);

    // Output longer than declared: declare 7.
    std::vector<uint8_t> longer = good;
    longer[0] = 7;
    EXPECT_EQ(Expand(longer, out), ERR_BAD_VERSION);

    // A literal beyond the declared length: declare 4, the 'b' literal follows.
    std::vector<uint8_t> literal = good;
    literal[0] = 4;
    EXPECT_EQ(Expand(literal, out), ERR_BAD_VERSION);

    // A distance reaching before the start: the first match with distance 2
    // when only one byte exists.
    std::vector<uint8_t> before = good;
    before[6] = 0x21;
    EXPECT_EQ(Expand(before, out), ERR_BAD_VERSION);

    // Ends early: without the end item, inside a token.
    for (size_t cut : {2u, 1u, 3u}) {
        std::vector<uint8_t> shortBlock(good.begin(), good.end() - static_cast<long>(cut));
        EXPECT_EQ(Expand(shortBlock, out), ERR_BAD_VERSION) << cut;
        EXPECT_TRUE(out.empty()) << "no partial output is handed out";
    }
    // Ends where the next literal should be.
    const std::vector<uint8_t> literalMissing = {2, 0, 0, 0, 0x00, 'a'};
    EXPECT_EQ(Expand(literalMissing, out), ERR_BAD_VERSION);

    // A claimed length no block of this size can produce is refused before
    // anything is allocated for it.
    std::vector<uint8_t> huge = good;
    huge[3] = 0xFF;
    EXPECT_EQ(Expand(huge, out), ERR_BAD_VERSION);
    EXPECT_TRUE(out.empty());
}

TEST(LzCodecTest, AnEarlyEndItemGivesWhatWasProduced) {
    // Declared 8 but ends after the first literal.
    const std::vector<uint8_t> block = {8, 0, 0, 0, 0x40, 'a', 0x00, 0x00};
    std::vector<uint8_t> out;
    ASSERT_EQ(Expand(block, out), RESULT_OK);
    EXPECT_EQ(out, std::vector<uint8_t>{'a'});
}

}  // namespace
}  // namespace vimsa
