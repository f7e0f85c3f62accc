#include "render/texture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "render/render_state.h"
#include "render/texture_registry.h"

namespace vimsa {
namespace {

// Bit widths of each format's channels (alpha, red, green, blue), written
// down independently of the codec so the conversion is checked against the
// table rather than against itself.
struct Layout {
    int a, r, g, b;
};
Layout LayoutOf(int32_t format) {
    switch (format) {
        case kFormat0555:
            return {0, 5, 5, 5};
        case kFormat0565:
            return {0, 5, 6, 5};
        case kFormat0888:
            return {0, 8, 8, 8};
        case kFormat1555:
            return {1, 5, 5, 5};
        case kFormat4444:
            return {4, 4, 4, 4};
        default:
            return {8, 8, 8, 8};
    }
}

// The 8-bit value a channel of `bits` bits holds after narrowing and widening.
int Quantise(int value, int bits) {
    switch (bits) {
        case 0:
            return 255;  // no alpha channel: opaque
        case 1:
            return value >= 128 ? 255 : 0;
        case 4:
            return (value >> 4) * 17;
        case 8:
            return value;
        default:
            return (value >> (8 - bits)) << (8 - bits);
    }
}

TEST(TextureTest, CreateSetsSizesAndCountsMemory) {
    const uint32_t before = TextureMemory();
    Handle<Texture> t(new Texture);
    ASSERT_EQ(t->Create("a", 3, 2, kFormat0888), RESULT_OK);
    EXPECT_EQ(t->Name(), "a");
    EXPECT_EQ(t->BitsPerPixel(), 24u);
    EXPECT_EQ(t->ByteSize(), 18u);
    EXPECT_TRUE(t->InMemory());
    EXPECT_NE(t->Pixels(), nullptr);
    EXPECT_EQ(TextureMemory(), before + 18);

    // A second Create frees the first picture before counting the new one.
    ASSERT_EQ(t->Create("b", 4, 4, kFormat8888), RESULT_OK);
    EXPECT_EQ(t->BitsPerPixel(), 32u);
    EXPECT_EQ(TextureMemory(), before + 64);
    ASSERT_EQ(t->Create("c", 4, 4, kFormat4444), RESULT_OK);
    EXPECT_EQ(t->BitsPerPixel(), 16u);

    t->Free();
    EXPECT_EQ(TextureMemory(), before);
    EXPECT_FALSE(t->InMemory());
    EXPECT_EQ(t->Pixels(), nullptr);
    EXPECT_EQ(t->Width(), 0u);
    EXPECT_TRUE(t->Name().empty());
}

TEST(TextureTest, CreateRejectsFormatsOutsideOneToSix) {
    Handle<Texture> t(new Texture);
    for (int32_t f : {0, 7, -1}) {
        EXPECT_EQ(t->Create("x", 1, 1, f), ERR_TEXTURE_FORMAT);
        EXPECT_EQ(LastTextureError(), ERR_TEXTURE_FORMAT);
    }
    ASSERT_EQ(t->Create("x", 1, 1, kFormat0555), RESULT_OK);
    EXPECT_EQ(LastTextureError(), RESULT_OK);  // cleared when an operation starts
}

TEST(TextureTest, DeviceCounterFollowsUploadFlag) {
    const uint32_t before = DeviceTextureMemory();
    Handle<Texture> t(new Texture);
    ASSERT_EQ(t->Create("x", 2, 2, kFormat8888), RESULT_OK);
    t->MarkUploaded(true);
    t->MarkUploaded(true);  // counted once
    EXPECT_EQ(DeviceTextureMemory(), before + 16);
    ASSERT_EQ(t->Convert(kFormat0888, kOrderKeep), RESULT_OK);
    EXPECT_EQ(DeviceTextureMemory(), before + 12);
    t.Reset();  // destruction gives both counters back
    EXPECT_EQ(DeviceTextureMemory(), before);
}

TEST(TextureTest, ConvertWithoutPixelsOrWithBadFormat) {
    Handle<Texture> t(new Texture);
    EXPECT_EQ(t->Convert(kFormat8888, kOrderBgr), ERR_TEXTURE_NO_PIXELS);
    EXPECT_EQ(LastTextureError(), ERR_TEXTURE_NO_PIXELS);
    ASSERT_EQ(t->Create("x", 1, 1, kFormat0888), RESULT_OK);
    const uint8_t before[3] = {1, 2, 3};
    std::memcpy(t->Pixels(), before, 3);
    EXPECT_EQ(t->Convert(9, kOrderBgr), ERR_TEXTURE_FORMAT);
    EXPECT_EQ(t->Convert(kFormat8888, 2), ERR_TEXTURE_FORMAT);
    // A failed conversion keeps the previous pixels.
    EXPECT_EQ(t->Format(), kFormat0888);
    EXPECT_EQ(std::memcmp(t->Pixels(), before, 3), 0);
}

TEST(TextureTest, ConvertsEveryFormatToEveryFormatAndOrder) {
    const Rgba8 samples[] = {{255, 0, 0, 255},  {0, 255, 0, 0},     {0, 0, 255, 128},
                             {18, 99, 200, 77}, {250, 130, 5, 240}, {255, 255, 255, 255}};
    const uint32_t count = sizeof(samples) / sizeof(samples[0]);
    for (int32_t from = kFormat0555; from <= kFormat8888; ++from) {
        for (int32_t fromOrder : {kOrderBgr, kOrderRgb}) {
            for (int32_t to = kFormat0555; to <= kFormat8888; ++to) {
                for (int32_t toOrder : {kOrderBgr, kOrderRgb}) {
                    Handle<Texture> t(new Texture);
                    ASSERT_EQ(t->Create("x", count, 1, from), RESULT_OK);
                    t->SetChannelOrder(fromOrder);
                    for (uint32_t i = 0; i < count; ++i)
                        EncodePixel(t->Pixels() + i * BytesPerPixel(from), from, fromOrder,
                                    samples[i]);
                    ASSERT_EQ(t->Convert(to, toOrder), RESULT_OK);
                    ASSERT_EQ(t->Format(), to);
                    ASSERT_EQ(t->ChannelOrder(), toOrder);
                    ASSERT_EQ(t->ByteSize(), count * BytesPerPixel(to));
                    const Layout a = LayoutOf(from), b = LayoutOf(to);
                    for (uint32_t i = 0; i < count; ++i) {
                        const Rgba8 got =
                            DecodePixel(t->Pixels() + i * BytesPerPixel(to), to, toOrder);
                        const Rgba8& s = samples[i];
                        SCOPED_TRACE(testing::Message()
                                     << FormatName(from) << "/" << fromOrder << " -> "
                                     << FormatName(to) << "/" << toOrder << " sample " << i);
                        EXPECT_EQ(got.r, Quantise(Quantise(s.r, a.r), b.r));
                        EXPECT_EQ(got.g, Quantise(Quantise(s.g, a.g), b.g));
                        EXPECT_EQ(got.b, Quantise(Quantise(s.b, a.b), b.b));
                        EXPECT_EQ(got.a, Quantise(a.a ? Quantise(s.a, a.a) : 255, b.a));
                    }
                }
            }
        }
    }
}

TEST(TextureTest, WideningRulesAndBitLayouts) {
    Handle<Texture> t(new Texture);
    // "4444" to "8888": each 4-bit channel times 17. Word 0x5A3C: alpha 5,
    // red 0xA, green 3, blue 0xC.
    ASSERT_EQ(t->Create("x", 1, 1, kFormat4444), RESULT_OK);
    t->Pixels()[0] = 0x3C;
    t->Pixels()[1] = 0x5A;
    ASSERT_EQ(t->Convert(kFormat8888, kOrderBgr), RESULT_OK);
    EXPECT_EQ(t->Pixels()[0], 0xC * 17);
    EXPECT_EQ(t->Pixels()[1], 3 * 17);
    EXPECT_EQ(t->Pixels()[2], 0xA * 17);
    EXPECT_EQ(t->Pixels()[3], 5 * 17);

    // "0565": green widens by a shift of 2, red and blue by 3. All ones.
    ASSERT_EQ(t->Create("x", 1, 1, kFormat0565), RESULT_OK);
    t->Pixels()[0] = 0xFF;
    t->Pixels()[1] = 0xFF;
    ASSERT_EQ(t->Convert(kFormat0888, kOrderBgr), RESULT_OK);
    EXPECT_EQ(t->Pixels()[0], 0xF8);
    EXPECT_EQ(t->Pixels()[1], 0xFC);
    EXPECT_EQ(t->Pixels()[2], 0xF8);

    // Pure red in "0565", order 0 (bits 11-15) and order 1 (bits 0-4).
    ASSERT_EQ(t->Create("x", 1, 1, kFormat0888), RESULT_OK);
    t->Pixels()[0] = 0;
    t->Pixels()[1] = 0;
    t->Pixels()[2] = 255;  // blue, green, red
    ASSERT_EQ(t->Convert(kFormat0565, kOrderBgr), RESULT_OK);
    EXPECT_EQ(t->Pixels()[0] | (t->Pixels()[1] << 8), 0xF800);
    ASSERT_EQ(t->Convert(kFormat0565, kOrderRgb), RESULT_OK);
    EXPECT_EQ(t->Pixels()[0] | (t->Pixels()[1] << 8), 0x001F);
    // Order 1 "8888" is red, green, blue, alpha bytes.
    ASSERT_EQ(t->Convert(kFormat8888, kOrderKeep), RESULT_OK);
    EXPECT_EQ(t->ChannelOrder(), kOrderRgb);
    EXPECT_EQ(t->Pixels()[0], 0xF8);
    EXPECT_EQ(t->Pixels()[2], 0);
    EXPECT_EQ(t->Pixels()[3], 255);
}

TEST(TextureTest, FormatNames) {
    EXPECT_STREQ(FormatName(kFormat0565), "0565");
    EXPECT_STREQ(FormatName(42), "0000");
    EXPECT_EQ(FormatFromName("4444"), kFormat4444);
    EXPECT_EQ(FormatFromName("0777"), kFormat0000);
}

TEST(TextureRegistryTest, TracksLiveTexturesAndFindsByPathIgnoringCase) {
    const uint32_t before = TextureCount();
    Handle<Texture> a(new Texture);
    Handle<Texture> b(new Texture);
    EXPECT_EQ(TextureCount(), before + 2);
    a->SetPath("texture/Wall.TGA");
    EXPECT_EQ(texture_registry::FindByPath("TEXTURE/wall.tga"), a.Get());
    EXPECT_EQ(texture_registry::FindByPath("texture/wall.tg"), nullptr);
    b.Reset();
    EXPECT_EQ(TextureCount(), before + 1);
}

TEST(TextureRegistryTest, ReleaseAllFreesPixelsAndEmptiesTheRegistry) {
    Handle<Texture> a(new Texture);
    ASSERT_EQ(a->Create("a", 8, 8, kFormat8888), RESULT_OK);
    a->SetPath("a.tga");
    texture_registry::ReleaseAll();
    EXPECT_EQ(TextureCount(), 0u);
    EXPECT_EQ(TextureMemory(), 0u);
    EXPECT_FALSE(a->InMemory());
    EXPECT_EQ(texture_registry::FindByPath("a.tga"), nullptr);
    // The object itself still belongs to its handle and dies with it.
}

TEST(TextureRegistryTest, DestroyedTextureLeavesItsStage) {
    Handle<Texture> a(new Texture);
    render_state::SetBoundTexture(1, a.Get());
    a.Reset();
    EXPECT_EQ(render_state::BoundTexture(1), nullptr);
}

}  // namespace
}  // namespace vimsa
