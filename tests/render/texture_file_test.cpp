// The engine's pre-converted texture files (".FTGA" and siblings): one "TEX "
// record in a chunk file, read first when a picture is loaded by extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/archive_builder.h"
#include "io/catalog.h"
#include "io/catalogs.h"
#include "io/serializer.h"
#include "render/image_file.h"
#include "render/texture.h"
#include "render/texture_serializer.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using test::Bytes;

void PutU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A chunk: tag, size (counting the whole chunk), version 1, payload.
Bytes Chunk(const char* tag, const Bytes& payload) {
    Bytes b(tag, tag + 4);
    PutU32(b, static_cast<uint32_t>(payload.size() + 10));
    b.push_back(1);
    b.push_back(0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes Header(uint32_t width, uint32_t height, uint32_t format, uint32_t order) {
    Bytes b;
    for (uint32_t v : {width, height, 24u, format, order})
        PutU32(b, v);
    for (char c : std::string("wall\0texture/wall.tga", 22))
        b.push_back(static_cast<uint8_t>(c));
    return b;
}

Bytes Data(uint32_t count, const Bytes& pixels) {
    Bytes b;
    PutU32(b, count);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A whole file: the "OGDB" header (version 2, stored) around a "TEX " record.
Bytes TextureFile(const Bytes& header, const Bytes& data, const char* tag = "TEX ") {
    Bytes children = Chunk("TXHE", header);
    const Bytes d = Chunk("TXDA", data);
    children.insert(children.end(), d.begin(), d.end());
    const Bytes record = Chunk(tag, children);
    Bytes payload;
    PutU32(payload, 0);  // id
    PutU32(payload, 0);  // compression mode
    payload.insert(payload.end(), record.begin(), record.end());
    Bytes file = Chunk("OGDB", payload);
    file[8] = 2;  // header version 2
    return file;
}

class TextureFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetCatalogsForTesting();
        std::filesystem::create_directories("data");  // where saves record their ids
    }
    void TearDown() override {
        SetCompressionMode(0);
        ResetCatalogsForTesting();
    }
    test::ScratchFolder folder_;
    Handle<Texture> texture_{new Texture};
};

TEST_F(TextureFileTest, ReadsTheRecordWithItsOrderNameAndPath) {
    test::WriteFile("wall.FTGA",
                    TextureFile(Header(2, 1, kFormat0888, kOrderRgb), Data(6, {1, 2, 3, 4, 5, 6})));
    ASSERT_EQ(LoadTexture(texture_.Get(), "wall.FTGA"), RESULT_OK);
    EXPECT_EQ(texture_->Width(), 2u);
    EXPECT_EQ(texture_->Format(), kFormat0888);
    EXPECT_EQ(texture_->ChannelOrder(), kOrderRgb);
    EXPECT_EQ(texture_->Name(), "wall");
    EXPECT_EQ(texture_->Path(), "texture/wall.tga");
    EXPECT_EQ(texture_->Pixels()[5], 6);
}

TEST_F(TextureFileTest, TwinIsReadFirstThenThePicture) {
    Bytes tga = test::TgaHeader(1, 1, 24, 0);
    test::Append(tga, {10, 20, 30});
    test::WriteFile("wall.tga", tga);
    test::WriteFile("WALL.FTGA",
                    TextureFile(Header(1, 1, kFormat0888, kOrderBgr), Data(3, {7, 8, 9})));
    ASSERT_EQ(LoadImage(texture_.Get(), "wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(texture_->Pixels()[0], 7);  // from the twin

    test::WriteFile("WALL.FTGA", Bytes(30, 0));  // a damaged twin: the picture is read
    ASSERT_EQ(LoadImage(texture_.Get(), "wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(texture_->Pixels()[0], 10);
    EXPECT_EQ(texture_->Path(), "wall.TGA");

    // A ".F" path is read by the chunk reader alone.
    EXPECT_EQ(LoadImage(texture_.Get(), "wall.FTGA", kImageByExtension), ERR_TEXTURE_NO_READER);
}

TEST_F(TextureFileTest, SavedTexturesLoadBackStoredOrCompressed) {
    ASSERT_EQ(texture_->Create("wall", 16, 16, kFormat8888), RESULT_OK);
    texture_->SetPath("texture/wall.tga");
    for (uint32_t i = 0; i < texture_->ByteSize(); ++i)
        texture_->Pixels()[i] = static_cast<uint8_t>(i / 64);  // compressible
    for (uint32_t mode : {0u, 1u}) {
        SetCompressionMode(mode);
        const std::string name = mode ? "packed.FTGA" : "stored.FTGA";
        ASSERT_EQ(SaveTexture(texture_.Get(), name, 32), RESULT_OK) << mode;
        Handle<Texture> back(new Texture);
        ASSERT_EQ(LoadImage(back.Get(), name, kImageByExtension), RESULT_OK) << mode;
        EXPECT_EQ(back->Format(), kFormat8888);
        EXPECT_EQ(back->Path(), "texture/wall.tga");
        ASSERT_EQ(back->ByteSize(), texture_->ByteSize());
        EXPECT_TRUE(std::equal(texture_->Pixels(), texture_->Pixels() + texture_->ByteSize(),
                               back->Pixels()));
    }
    EXPECT_LT(test::ReadFile("packed.FTGA").size(), test::ReadFile("stored.FTGA").size());
}

TEST_F(TextureFileTest, TextureWithoutPixelsStoresNoBytes) {
    ASSERT_EQ(SaveTexture(texture_.Get(), "empty.FTGA", 24), RESULT_OK);
    const Bytes file = test::ReadFile("empty.FTGA");
    const std::string text(file.begin(), file.end());
    const std::size_t data = text.find("TXDA");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(file[data + 4], 14);  // tag, size, version and a zero count
    EXPECT_EQ(file[data + 10], 0);
}

TEST_F(TextureFileTest, RefusesRecordsThatDoNotFitTheirTexture) {
    auto load = [&](const Bytes& file) {
        test::WriteFile("bad.FTGA", file);
        return LoadTexture(texture_.Get(), "bad.FTGA");
    };
    // More pixel bytes than the texture has.
    EXPECT_EQ(load(TextureFile(Header(1, 1, kFormat0888, 0), Data(6, {1, 2, 3, 4, 5, 6}))),
              ERR_OUT_OF_RANGE);
    // A header naming far more pixels than the file holds.
    EXPECT_EQ(load(TextureFile(Header(65536, 65536, kFormat8888, 0), Data(0, {}))),
              ERR_OUT_OF_RANGE);
    EXPECT_EQ(load(TextureFile(Header(1, 1, 9, 0), Data(0, {}))), ERR_TEXTURE_FORMAT);
    EXPECT_EQ(load(TextureFile(Header(1, 1, kFormat0888, 3), Data(3, {1, 2, 3}))),
              ERR_TEXTURE_FORMAT);
    EXPECT_EQ(load(TextureFile(Header(1, 1, kFormat0888, 0), Data(3, {1, 2, 3}), "TEXX")),
              ERR_BAD_TAG);
    Bytes cut = TextureFile(Header(1, 1, kFormat0888, 0), Data(3, {1, 2, 3}));
    cut.resize(cut.size() - 20);
    EXPECT_TRUE(Failed(load(cut)));
    EXPECT_EQ(LoadTexture(nullptr, "bad.FTGA"), ERR_NULL_ARGUMENT);
    EXPECT_EQ(LoadTexture(texture_.Get(), "missing.FTGA"), ERR_FILE_OPEN);
}

TEST_F(TextureFileTest, PicturesAndTwinsLoadFromArchives) {
    std::filesystem::create_directories("pack/texture");
    Bytes tga = test::TgaHeader(1, 1, 24, 0);
    test::Append(tga, {10, 20, 30});
    test::WriteFile("pack/texture/wall.tga", tga);
    ASSERT_EQ(texture_->Create("sky", 1, 1, kFormat0888), RESULT_OK);
    texture_->Pixels()[0] = 99;
    ASSERT_EQ(SaveTexture(texture_.Get(), "pack/texture/sky.FBMP", 24), RESULT_OK);
    ASSERT_EQ(BuildArchiveTree("pack", false), RESULT_OK);
    std::filesystem::remove("pack/texture/wall.tga");
    std::filesystem::remove("pack/texture/sky.FBMP");
    IdDatabase ids;
    ASSERT_EQ(ids.SaveFile("pack/Vimsa.cat"), RESULT_OK);
    ASSERT_EQ(LoadDatabase("pack/Vimsa.cat"), RESULT_OK);

    Handle<Texture> wall(new Texture);
    ASSERT_EQ(LoadImage(wall.Get(), "texture/wall.tga", kImageByExtension), RESULT_OK);
    EXPECT_EQ(wall->Pixels()[0], 10);
    Handle<Texture> sky(new Texture);
    ASSERT_EQ(LoadImage(sky.Get(), "texture\\sky.bmp", kImageByExtension), RESULT_OK);
    EXPECT_EQ(sky->Pixels()[0], 99);
}

}  // namespace
}  // namespace vimsa
