// Loading by file kind and extension, the TGA writer, FindOrLoadTexture and
// screenshot numbering, on real files in a scratch folder.
#include "render/image_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "render/screenshot.h"
#include "render/testing/recording_renderer.h"
#include "render/texture.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes OnePixelTga(uint8_t blue, uint8_t green, uint8_t red) {
    Bytes b = test::TgaHeader(1, 1, 24, 0);
    test::Append(b, {blue, green, red});
    return b;
}

class ImageFileTest : public ::testing::Test {
protected:
    test::ScratchFolder folder_;
    Handle<Texture> texture_{new Texture};
};

TEST_F(ImageFileTest, LoadsByExtensionAndNamesTheTexture) {
    fs::create_directory("texture");
    test::WriteFile("texture/wall.tga", OnePixelTga(1, 2, 3));
    ASSERT_EQ(LoadImage(texture_.Get(), "texture/wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(texture_->Name(), "wall");
    EXPECT_EQ(texture_->Path(), "texture/wall.TGA");
    EXPECT_EQ(texture_->Pixels()[2], 3);
}

TEST_F(ImageFileTest, PathsIgnoreLetterCaseAndAcceptBackslashes) {
    fs::create_directory("Texture");
    test::WriteFile("Texture/WALL.TGA", OnePixelTga(1, 2, 3));
    EXPECT_EQ(LoadImage(texture_.Get(), "texture\\wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(LoadImage(texture_.Get(), "TEXTURE/Wall.Tga", kImageTga), RESULT_OK);
}

TEST_F(ImageFileTest, ChunkTwinIsTriedFirstThenThePictureItself) {
    // An unreadable WALL.FTGA does not stop the TGA from loading.
    test::WriteFile("WALL.FTGA", Bytes(40, 0x55));
    test::WriteFile("wall.tga", OnePixelTga(9, 9, 9));
    ASSERT_EQ(LoadImage(texture_.Get(), "wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(texture_->Format(), kFormat0888);
}

TEST_F(ImageFileTest, ExtensionDecidesTheReaderAndFallsBackInOrder) {
    // A BMP named .pcx: the PCX reader fails, then the chunk reader; nothing
    // else is tried after PCX, so the load fails as a whole.
    test::WriteFile("pic.pcx", test::Bmp24(1, {Bytes{1, 2, 3}}));
    EXPECT_EQ(LoadImage(texture_.Get(), "pic.pcx", kImageByExtension), ERR_TEXTURE_NO_READER);
    // A BMP whose path names no known extension: TGA (pic.TGA missing), then BMP.
    test::WriteFile("pic.bmp", test::Bmp24(1, {Bytes{1, 2, 3}}));
    ASSERT_EQ(LoadImage(texture_.Get(), "pic.jpg", kImageByExtension), RESULT_OK);
    EXPECT_EQ(texture_->Path(), "pic.BMP");
    // With a given kind only that reader is tried.
    EXPECT_EQ(LoadImage(texture_.Get(), "pic.bmp", kImageTga), ERR_TEXTURE_NO_READER);
    EXPECT_EQ(LoadImage(texture_.Get(), "pic.tga", kImageBmp), RESULT_OK);
}

TEST_F(ImageFileTest, UnknownPictureAndBadKind) {
    EXPECT_EQ(LoadImage(texture_.Get(), "wall.jpg", kImageByExtension), MakeResult(0x81050403u));
    EXPECT_EQ(LoadImage(texture_.Get(), "wall.tga", 5), ERR_TEXTURE_FILE_KIND);
    EXPECT_EQ(LastTextureError(), ERR_TEXTURE_FILE_KIND);
    EXPECT_EQ(LoadImage(nullptr, "wall.tga", 0), ERR_NULL_ARGUMENT);
}

TEST_F(ImageFileTest, ReadersReportTheirOwnCodes) {
    EXPECT_EQ(ReadImageFile(*texture_, "none.tga", kImageTga), ERR_IMAGE_UNREADABLE);
    test::WriteFile("short.pcx", Bytes(100, 10));
    EXPECT_EQ(ReadImageFile(*texture_, "short.pcx", kImagePcx), ERR_IMAGE_SHORT_HEADER);
    EXPECT_EQ(ReadImageFile(*texture_, "short.pcx", 9), ERR_TEXTURE_FILE_KIND);
}

TEST_F(ImageFileTest, TgaWriterRoundTripsAndWritesBottomRowFirst) {
    ASSERT_EQ(texture_->Create("shot", 2, 2, kFormat8888), RESULT_OK);
    const uint8_t rgba[16] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 9, 8, 7, 6};
    texture_->SetChannelOrder(kOrderRgb);
    std::copy(rgba, rgba + 16, texture_->Pixels());

    ASSERT_EQ(SaveImage(texture_.Get(), "out.png", kImageTga, 32), RESULT_OK);
    const Bytes file = test::ReadFile("out.TGA");
    ASSERT_EQ(file.size(), 18u + 16u);
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[12], 2);
    EXPECT_EQ(file[14], 2);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 0);
    // The first stored pixel is the bottom-left one (blue), as blue, green, red, alpha.
    EXPECT_EQ(file[18], 255);
    EXPECT_EQ(file[21], 0);

    Handle<Texture> back(new Texture);
    back->SetChannelOrder(kOrderRgb);
    ASSERT_EQ(LoadImage(back.Get(), "out.tga", kImageTga), RESULT_OK);
    ASSERT_EQ(back->Format(), kFormat8888);
    EXPECT_TRUE(std::equal(rgba, rgba + 16, back->Pixels()));
}

TEST_F(ImageFileTest, SixteenBitTgaRoundTripsThroughOurReader) {
    ASSERT_EQ(texture_->Create("x", 1, 1, kFormat0888), RESULT_OK);
    texture_->Pixels()[0] = 0x08;  // blue
    texture_->Pixels()[1] = 0x80;  // green
    texture_->Pixels()[2] = 0xF8;  // red
    ASSERT_EQ(SaveImage(texture_.Get(), "s.tga", kImageByExtension, 16), RESULT_OK);
    Handle<Texture> back(new Texture);
    ASSERT_EQ(LoadImage(back.Get(), "s.tga", kImageTga), RESULT_OK);
    ASSERT_EQ(back->Convert(kFormat0888, kOrderBgr), RESULT_OK);
    EXPECT_EQ(back->Pixels()[0], 0x08);
    EXPECT_EQ(back->Pixels()[1], 0x80);
    EXPECT_EQ(back->Pixels()[2], 0xF8);
}

TEST_F(ImageFileTest, SaveImageCodes) {
    EXPECT_EQ(SaveImage(texture_.Get(), "a.tga", 5, 24), ERR_TEXTURE_FILE_KIND);
    EXPECT_EQ(SaveImage(texture_.Get(), "a.tga", 1, 8), ERR_TEXTURE_SAVE_BITS);
    EXPECT_EQ(LastTextureError(), ERR_TEXTURE_SAVE_BITS);
    EXPECT_EQ(SaveImage(texture_.Get(), "a.bmp", kImageBmp, 24), ERR_IMAGE_WRITE_TYPE);
    EXPECT_EQ(SaveImage(texture_.Get(), "a.pcx", kImagePcx, 24), ERR_IMAGE_WRITE_TYPE);
    EXPECT_EQ(SaveImage(texture_.Get(), "a.f", kImageChunk, 24), ERR_FAIL);
    EXPECT_EQ(SaveImage(nullptr, "a.tga", 1, 24), ERR_IMAGE_WRITE_NO_TEXTURE);
    EXPECT_EQ(SaveImage(texture_.Get(), "a.tga", 1, 24), ERR_IMAGE_NO_PIXELS);
    ASSERT_EQ(texture_->Create("x", 1, 1, kFormat0888), RESULT_OK);
    EXPECT_EQ(SaveImage(texture_.Get(), "", 1, 24), ERR_IMAGE_WRITE_NO_PATH);
    EXPECT_EQ(SaveImage(texture_.Get(), "missing/folder/a.tga", 1, 24), ERR_IMAGE_WRITE_FAILED);
    EXPECT_FALSE(fs::exists("a.TGA"));
}

TEST_F(ImageFileTest, FindOrLoadReusesRegisteredTexturesAndReleasesFailures) {
    test::WriteFile("wall.tga", OnePixelTga(1, 2, 3));
    testing::RecordingRenderer renderer;
    Handle<Texture> first = FindOrLoadTexture(&renderer, "wall.tga");
    ASSERT_TRUE(first);
    EXPECT_EQ(renderer.Count("NewTexture"), 1u);
    Handle<Texture> again = FindOrLoadTexture(&renderer, "WALL.TGA");
    EXPECT_EQ(again.Get(), first.Get());
    EXPECT_EQ(renderer.Count("NewTexture"), 1u);

    const uint32_t live = TextureCount();
    EXPECT_FALSE(FindOrLoadTexture(&renderer, "nothing.tga"));
    EXPECT_EQ(TextureCount(), live);  // the failed texture was released
    EXPECT_FALSE(FindOrLoadTexture(nullptr, "other.tga"));
}

class ScreenShotTest : public ImageFileTest {
protected:
    void SetUp() override { ASSERT_EQ(texture_->Create("screen shot", 4, 3, kFormat8888), 0); }
    static void Touch(const char* name) {
        fs::create_directories("Texture/Shot");
        test::WriteFile(fs::path("Texture/Shot") / name, Bytes{1});
    }
};

TEST_F(ScreenShotTest, FirstShotCreatesTheFolderAndIsNumberZero) {
    ASSERT_FALSE(fs::exists("Texture"));
    ASSERT_EQ(texture_->SaveScreenShot(), RESULT_OK);
    const Bytes file = test::ReadFile("Texture/Shot/Vimsa000.TGA");
    ASSERT_EQ(file.size(), 18u + 4 * 3 * 3);  // 24 bits per pixel
    EXPECT_EQ(file[16], 24);
    ASSERT_EQ(texture_->SaveScreenShot(), RESULT_OK);
    EXPECT_TRUE(fs::exists("Texture/Shot/Vimsa001.TGA"));
}

TEST_F(ScreenShotTest, NextNumberFollowsTheLargestDespiteGaps) {
    Touch("Vimsa007.TGA");
    Touch("Vimsa012.TGA");
    Touch("VimsaABC.TGA");  // not a number: ignored
    Touch("Vimsa500.BMP");
    EXPECT_EQ(NextScreenShotNumber(), 13);
    ASSERT_EQ(texture_->SaveScreenShot(), RESULT_OK);
    EXPECT_TRUE(fs::exists("Texture/Shot/Vimsa013.TGA"));
    EXPECT_EQ(ScreenShotPath(5), "Texture\\Shot\\Vimsa005.TGA");
    EXPECT_EQ(ScreenShotPath(42), "Texture\\Shot\\Vimsa042.TGA");
    EXPECT_EQ(ScreenShotPath(420), "Texture\\Shot\\Vimsa420.TGA");
}

TEST_F(ScreenShotTest, ThousandShotsIsTheEnd) {
    Touch("Vimsa998.TGA");
    ASSERT_EQ(texture_->SaveScreenShot(), RESULT_OK);
    EXPECT_TRUE(fs::exists("Texture/Shot/Vimsa999.TGA"));
    EXPECT_EQ(texture_->SaveScreenShot(), ERR_TEXTURE_SHOTS_FULL);
    EXPECT_EQ(LastTextureError(), ERR_TEXTURE_SHOTS_FULL);
}

TEST_F(ScreenShotTest, NeedsPixels) {
    texture_->Free();
    EXPECT_EQ(texture_->SaveScreenShot(), ERR_TEXTURE_NO_PIXELS);
    EXPECT_FALSE(fs::exists("Texture"));
}

}  // namespace
}  // namespace vimsa
