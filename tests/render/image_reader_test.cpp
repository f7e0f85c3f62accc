// The TGA, BMP and PCX readers, fed with files built byte by byte.
#include <gtest/gtest.h>

#include "render/bmp_image.h"
#include "render/pcx_image.h"
#include "render/texture.h"
#include "render/tga_image.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using test::Bytes;

// Pixel (x, y) of an "0888" or "8888" texture as red, green, blue.
std::array<int, 3> Rgb(Texture& t, uint32_t x, uint32_t y) {
    const Rgba8 c = DecodePixel(t.Pixels() + (y * t.Width() + x) * BytesPerPixel(t.Format()),
                                t.Format(), t.ChannelOrder());
    return {c.r, c.g, c.b};
}

// A 2x2 24-bit TGA whose stored rows are red/green then blue/white.
Bytes TwoRowTga(uint8_t descriptor) {
    Bytes b = test::TgaHeader(2, 2, 24, descriptor);
    const Bytes pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(TgaReaderTest, DescriptorBitFiveSetKeepsStoredOrder) {
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodeTga(TwoRowTga(0x20), *t), RESULT_OK);
    EXPECT_EQ(t->Format(), kFormat0888);
    EXPECT_EQ(Rgb(*t, 0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(Rgb(*t, 1, 0), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(Rgb(*t, 0, 1), (std::array<int, 3>{0, 0, 255}));
}

TEST(TgaReaderTest, DescriptorBitFiveClearIsFlippedUpright) {
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodeTga(TwoRowTga(0), *t), RESULT_OK);
    EXPECT_EQ(Rgb(*t, 0, 0), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(Rgb(*t, 1, 0), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(Rgb(*t, 0, 1), (std::array<int, 3>{255, 0, 0}));
}

TEST(TgaReaderTest, PixelsArriveInTheTexturesChannelOrder) {
    Handle<Texture> t(new Texture);
    t->SetChannelOrder(kOrderRgb);
    ASSERT_EQ(DecodeTga(TwoRowTga(0x20), *t), RESULT_OK);
    const uint8_t* p = t->Pixels();
    EXPECT_EQ(p[0], 255);  // red first
    EXPECT_EQ(p[2], 0);
    EXPECT_EQ(Rgb(*t, 0, 0), (std::array<int, 3>{255, 0, 0}));
}

TEST(TgaReaderTest, SixteenBitLoadsAs0565AndLosesAlpha) {
    Bytes b = test::TgaHeader(2, 1, 16, 0x20);
    // 1-5-5-5: alpha set, red 31, green 16, blue 1; then alpha clear, red 0, green 31, blue 0.
    const uint16_t w0 = 0x8000 | (31 << 10) | (16 << 5) | 1;
    const uint16_t w1 = 31 << 5;
    test::Append(b, {uint8_t(w0), uint8_t(w0 >> 8), uint8_t(w1), uint8_t(w1 >> 8)});
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodeTga(b, *t), RESULT_OK);
    EXPECT_EQ(t->Format(), kFormat0565);
    EXPECT_EQ(t->BitsPerPixel(), 16u);
    const uint16_t p0 = t->Pixels()[0] | (t->Pixels()[1] << 8);
    const uint16_t p1 = t->Pixels()[2] | (t->Pixels()[3] << 8);
    EXPECT_EQ(p0, (31 << 11) | (32 << 5) | 1);  // green 16 -> 128 -> 32 in 6 bits
    EXPECT_EQ(p1, 62 << 5);
}

TEST(TgaReaderTest, ThirtyTwoBitKeepsAlpha) {
    Bytes b = test::TgaHeader(1, 1, 32, 0x28);
    test::Append(b, {10, 20, 30, 40});
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodeTga(b, *t), RESULT_OK);
    EXPECT_EQ(t->Format(), kFormat8888);
    EXPECT_EQ(DecodePixel(t->Pixels(), kFormat8888, kOrderBgr).a, 40);
}

TEST(TgaReaderTest, SkipsIdentificationFieldAndColourMap) {
    Bytes b = test::TgaHeader(1, 1, 24, 0x20);
    b[0] = 3;  // three identification bytes
    b[1] = 1;  // a colour map of two 24-bit entries
    test::PutLe16(b, 5, 2);
    b[7] = 24;
    test::Append(b, {'a', 'b', 'c', 1, 1, 1, 2, 2, 2, 7, 8, 9});
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodeTga(b, *t), RESULT_OK);
    EXPECT_EQ(Rgb(*t, 0, 0), (std::array<int, 3>{9, 8, 7}));
}

TEST(TgaReaderTest, RejectsBadInputWithItsCode) {
    Handle<Texture> t(new Texture);
    EXPECT_EQ(DecodeTga(Bytes(17, 0), *t), ERR_IMAGE_SHORT_HEADER);
    EXPECT_EQ(DecodeTga(test::TgaHeader(1, 1, 8, 0), *t), ERR_IMAGE_DEPTH);
    EXPECT_EQ(DecodeTga(test::TgaHeader(1, 1, 15, 0), *t), ERR_IMAGE_DEPTH);
    Bytes truncated = TwoRowTga(0);
    truncated.pop_back();
    EXPECT_EQ(DecodeTga(truncated, *t), ERR_IMAGE_CORRUPT);
    // The largest picture the header can name, with no pixels behind it.
    EXPECT_EQ(DecodeTga(test::TgaHeader(65535, 65535, 32, 0), *t), ERR_IMAGE_CORRUPT);
    Bytes rle = TwoRowTga(0);
    rle[2] = 10;
    EXPECT_EQ(DecodeTga(rle, *t), ERR_IMAGE_CORRUPT);
    Bytes hugeId = test::TgaHeader(1, 1, 24, 0);
    hugeId[0] = 255;
    test::Append(hugeId, {1, 2, 3});
    EXPECT_EQ(DecodeTga(hugeId, *t), ERR_IMAGE_CORRUPT);
}

TEST(BmpReaderTest, OddWidthsSkipRowPaddingAndKeepFileRowOrder) {
    for (uint32_t width : {1u, 2u, 3u, 5u, 7u}) {
        std::vector<Bytes> rows;
        for (uint32_t y = 0; y < 3; ++y) {
            Bytes row;
            for (uint32_t x = 0; x < width; ++x)
                test::Append(row, {uint8_t(x), uint8_t(y), uint8_t(10 * x + y)});
            rows.push_back(row);
        }
        Handle<Texture> t(new Texture);
        ASSERT_EQ(DecodeBmp(test::Bmp24(width, rows), *t), RESULT_OK) << width;
        EXPECT_EQ(t->Format(), kFormat0888);
        ASSERT_EQ(t->Width(), width);
        ASSERT_EQ(t->Height(), 3u);
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                EXPECT_EQ(Rgb(*t, x, y), (std::array<int, 3>{int(10 * x + y), int(y), int(x)}))
                    << "width " << width << " at " << x << "," << y;
            }
        }
    }
}

TEST(BmpReaderTest, RejectsBadInputWithItsCode) {
    Handle<Texture> t(new Texture);
    const Bytes good = test::Bmp24(3, {Bytes(9, 1), Bytes(9, 2)});
    ASSERT_EQ(DecodeBmp(good, *t), RESULT_OK);
    EXPECT_EQ(DecodeBmp(Bytes(13, 'B'), *t), ERR_IMAGE_SHORT_HEADER);
    Bytes wrongSignature = good;
    wrongSignature[1] = 'A';
    EXPECT_EQ(DecodeBmp(wrongSignature, *t), ERR_IMAGE_CORRUPT);
    Bytes thirtyTwo = good;
    test::PutLe16(thirtyTwo, 28, 32);
    EXPECT_EQ(DecodeBmp(thirtyTwo, *t), ERR_IMAGE_DEPTH);
    Bytes truncated = good;
    truncated.resize(truncated.size() - 4);  // the padding of the last row may go, not more
    EXPECT_EQ(DecodeBmp(truncated, *t), ERR_IMAGE_CORRUPT);
    Bytes wide = good;
    test::PutLe32(wide, 18, 0x7FFFFFFF);
    EXPECT_EQ(DecodeBmp(wide, *t), ERR_IMAGE_CORRUPT);
    Bytes offset = good;
    test::PutLe32(offset, 10, 0xFFFFFFF0);
    EXPECT_EQ(DecodeBmp(offset, *t), ERR_IMAGE_CORRUPT);
    EXPECT_EQ(DecodeBmp(Bytes{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, *t),
              ERR_IMAGE_CORRUPT);
}

TEST(PcxReaderTest, RunLengthsLiteralsAndCountZero) {
    // 4x2 picture: a run of 3 x index 7, a run of count 0 (produces nothing),
    // a literal 5, a run of 4 x index 200 (crossing into the second line).
    const Bytes data = {0xC3, 7, 0xC0, 99, 5, 0xC4, 200};
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodePcx(test::Pcx8(4, 2, data), *t), RESULT_OK);
    EXPECT_EQ(t->Format(), kFormat0888);
    ASSERT_EQ(t->Width(), 4u);
    ASSERT_EQ(t->Height(), 2u);
    const std::array<int, 3> seven{7, 248, 3}, five{5, 250, 2}, twoHundred{200, 55, 100};
    EXPECT_EQ(Rgb(*t, 0, 0), seven);
    EXPECT_EQ(Rgb(*t, 2, 0), seven);
    EXPECT_EQ(Rgb(*t, 3, 0), five);
    for (uint32_t x = 0; x < 4; ++x)
        EXPECT_EQ(Rgb(*t, x, 1), twoHundred);
}

TEST(PcxReaderTest, LiteralBytesBelow192AndTheirOrder) {
    const Bytes data = {1, 2, 191, 0xC1, 192};  // 192 itself must be written as a run
    Handle<Texture> t(new Texture);
    t->SetChannelOrder(kOrderRgb);
    ASSERT_EQ(DecodePcx(test::Pcx8(2, 2, data), *t), RESULT_OK);
    EXPECT_EQ(Rgb(*t, 0, 0), (std::array<int, 3>{1, 254, 0}));
    EXPECT_EQ(Rgb(*t, 1, 0), (std::array<int, 3>{2, 253, 1}));
    EXPECT_EQ(Rgb(*t, 0, 1), (std::array<int, 3>{191, 64, 95}));
    EXPECT_EQ(Rgb(*t, 1, 1), (std::array<int, 3>{192, 63, 96}));
    EXPECT_EQ(t->Pixels()[0], 1);  // red first in order 1
}

TEST(PcxReaderTest, PaddedLinesAreSkipped) {
    // Width 3 stored in lines of 4 bytes: the fourth index of each line is padding.
    const Bytes data = {1, 2, 3, 9, 4, 5, 6, 9};
    Handle<Texture> t(new Texture);
    ASSERT_EQ(DecodePcx(test::Pcx8(3, 2, data, 4), *t), RESULT_OK);
    EXPECT_EQ(Rgb(*t, 2, 0)[0], 3);
    EXPECT_EQ(Rgb(*t, 0, 1)[0], 4);
    EXPECT_EQ(Rgb(*t, 2, 1)[0], 6);
}

TEST(PcxReaderTest, RejectsBadInputWithItsCode) {
    Handle<Texture> t(new Texture);
    EXPECT_EQ(DecodePcx(Bytes(127, 10), *t), ERR_IMAGE_SHORT_HEADER);
    Bytes noPalette = test::Pcx8(2, 1, {1, 2});
    noPalette.resize(noPalette.size() - 1);
    EXPECT_EQ(DecodePcx(noPalette, *t), ERR_IMAGE_CORRUPT);
    Bytes shortData = test::Pcx8(2, 2, {0xC3, 1});
    shortData.resize(128 + 2);  // the run stops one index short and nothing follows
    EXPECT_EQ(DecodePcx(shortData, *t), ERR_IMAGE_CORRUPT);
    Bytes runWithoutValue = test::Pcx8(2, 1, {});
    runWithoutValue.resize(128);
    runWithoutValue.push_back(0xC2);
    EXPECT_EQ(DecodePcx(runWithoutValue, *t), ERR_IMAGE_CORRUPT);
    Bytes huge = test::Pcx8(2, 1, {1, 2});
    test::PutLe16(huge, 8, 65535);
    test::PutLe16(huge, 10, 65535);
    EXPECT_EQ(DecodePcx(huge, *t), ERR_IMAGE_CORRUPT);
    Bytes notPcx = test::Pcx8(2, 1, {1, 2});
    notPcx[0] = 0x42;
    EXPECT_EQ(DecodePcx(notPcx, *t), ERR_IMAGE_CORRUPT);
    Bytes trueColour = test::Pcx8(2, 1, {1, 2});
    trueColour[65] = 3;
    EXPECT_EQ(DecodePcx(trueColour, *t), ERR_IMAGE_DEPTH);
}

}  // namespace
}  // namespace vimsa
