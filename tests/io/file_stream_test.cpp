#include "io/file_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/lz_codec.h"
#include "tests/io/io_test_util.h"

namespace vimsa {
namespace {

using test::TempDir;
using test::U32At;

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return bytes;
}

TEST(FileStreamTest, OpeningAnEmptyFileFailsOutOfRange) {
    TempDir dir;
    test::WriteBytes(dir / "empty.bin", {});
    FileStream s;
    uint32_t size = 99;
    EXPECT_EQ(s.OpenRead((dir / "empty.bin").c_str(), &size), ERR_OUT_OF_RANGE);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(s.IsBad());
    EXPECT_FALSE(s.IsOpen());
}

TEST(FileStreamTest, OpeningAMissingFileOrAFolderFails) {
    TempDir dir;
    FileStream s;
    EXPECT_EQ(s.OpenRead((dir / "missing.bin").c_str()), ERR_FILE_OPEN);
    EXPECT_EQ(s.Error(), ERR_FILE_OPEN);
    EXPECT_EQ(s.OpenRead(dir.Path().c_str()), ERR_FILE_OPEN);
    EXPECT_EQ(s.OpenRead(nullptr), ERR_NULL_ARGUMENT);
    EXPECT_EQ(s.OpenWrite((dir / "no/folder/x.bin").c_str()), ERR_FILE_OPEN);
}

TEST(FileStreamTest, ReadsAcrossManyRefillsAndSeeksBack) {
    TempDir dir;
    const std::vector<uint8_t> data = Counting(1000);
    test::WriteBytes(dir / "data.bin", data);
    FileStream s;
    uint32_t size = 0;
    ASSERT_EQ(s.OpenRead((dir / "data.bin").c_str(), &size), RESULT_OK);
    EXPECT_EQ(size, 1000u);
    EXPECT_EQ(s.Capacity(), FileStream::kBufferSize);
    std::vector<uint8_t> back(1000);
    for (uint32_t at = 0; at < 1000; at += 7) {
        const uint32_t n = std::min<uint32_t>(7, 1000 - at);
        ASSERT_EQ(s.Read(back.data() + at, n), n);
    }
    EXPECT_EQ(back, data);
    EXPECT_FALSE(s.IsBad());

    ASSERT_TRUE(s.Seek(3));
    EXPECT_EQ(s.ReadU8(), data[3]);
    ASSERT_TRUE(s.Seek(700));
    EXPECT_EQ(s.ReadU8(), data[700]);
    ASSERT_TRUE(s.Seek(255));
    uint8_t two[2];
    ASSERT_EQ(s.Read(two, 2), 2u);
    EXPECT_EQ(two[0], data[255]);
    EXPECT_EQ(two[1], data[256]);
}

TEST(FileStreamTest, ReadAcrossTheEndCopiesTheRestAndTurnsBad) {
    TempDir dir;
    const std::vector<uint8_t> data = Counting(300);
    test::WriteBytes(dir / "data.bin", data);
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "data.bin").c_str()), RESULT_OK);
    ASSERT_TRUE(s.Seek(290));
    uint8_t out[32];
    EXPECT_EQ(s.Read(out, 32), 10u);
    EXPECT_EQ(out[9], data[299]);
    EXPECT_TRUE(s.IsBad());
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);
    EXPECT_EQ(s.Refill(0), ERR_STREAM_FAILED);
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);
}

TEST(FileStreamTest, CloseChunkAtTheEndOfTheFileSucceedsOneBeyondFails) {
    TempDir dir;
    // A 300-byte chunk: its end lies past the first buffer.
    std::vector<uint8_t> chunk = {'D', 'A', 'T', 'A', 44, 1, 0, 0, 1, 0};
    chunk.resize(300, 0xAB);
    test::WriteBytes(dir / "one.bin", chunk);
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "one.bin").c_str()), RESULT_OK);
    ChunkHeader h;
    ASSERT_TRUE(s.OpenChunk(h));
    EXPECT_EQ(h.end, 300u);
    EXPECT_TRUE(s.CloseChunk(h));
    EXPECT_EQ(s.Tell(), 300u);
    EXPECT_FALSE(s.IsBad());

    chunk[4] = 45;  // one byte more than the file holds
    test::WriteBytes(dir / "two.bin", chunk);
    ASSERT_EQ(s.OpenRead((dir / "two.bin").c_str()), RESULT_OK);
    ASSERT_TRUE(s.OpenChunk(h));
    EXPECT_FALSE(s.CloseChunk(h));
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);
}

// Writes an outer chunk larger than the buffer holding an inner one that
// starts inside the last buffer; `before` bytes precede the outer chunk.
void WriteNested(const std::string& path, uint32_t before, uint32_t outerFill, uint32_t innerFill) {
    FileStream s;
    ASSERT_EQ(s.OpenWrite(path.c_str()), RESULT_OK);
    const std::vector<uint8_t> pad = Counting(before + outerFill + innerFill);
    s.Write(pad.data(), before);
    const uint32_t outer = s.Tell();
    s.BeginChunk("OUTR");
    s.WriteU16(1);
    s.Write(pad.data(), outerFill);
    const uint32_t inner = s.Tell();
    s.BeginChunk("INNR");
    s.WriteU16(2);
    s.Write(pad.data(), innerFill);
    EXPECT_TRUE(s.EndChunk(inner));
    EXPECT_TRUE(s.EndChunk(outer));
    EXPECT_EQ(s.CloseWrite(), RESULT_OK);
}

TEST(FileStreamTest, NestedChunksPatchTheOuterSizeOnDiskAndTheInnerInTheBuffer) {
    TempDir dir;
    const std::string path = dir / "nested.bin";
    WriteNested(path, 0, 600, 20);
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 10u + 600 + 10 + 20);
    EXPECT_EQ(U32At(bytes, 4), 640u);
    EXPECT_EQ(U32At(bytes, 610 + 4), 30u);

    FileStream s;
    ASSERT_EQ(s.OpenRead(path.c_str()), RESULT_OK);
    ChunkHeader outer;
    ASSERT_TRUE(s.OpenChunk(outer));
    EXPECT_EQ(outer.size, 640u);
    EXPECT_EQ(s.ReadU16(), 1u);
    ASSERT_TRUE(s.Seek(610));
    ChunkHeader inner;
    ASSERT_TRUE(s.OpenChunk(inner));
    EXPECT_EQ(inner.tag, ChunkTag("INNR"));
    EXPECT_EQ(inner.size, 30u);
    EXPECT_EQ(s.ReadU16(), 2u);
    EXPECT_TRUE(s.CloseChunk(inner));
    EXPECT_TRUE(s.CloseChunk(outer));
    EXPECT_EQ(s.Tell(), s.End());
}

TEST(FileStreamTest, SizeFieldStraddlingTheBufferStartIsWrittenCorrectly) {
    TempDir dir;
    // The outer chunk starts at 250, so its size field spans bytes 254..257
    // and the buffer was flushed at 256 in between.
    const std::string path = dir / "straddle.bin";
    WriteNested(path, 250, 100, 5);
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 250u + 10 + 100 + 10 + 5);
    EXPECT_EQ(U32At(bytes, 254), 125u);
    EXPECT_EQ(U32At(bytes, 360 + 4), 15u);
    // The bytes before the chunk are untouched.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 250),
              std::vector<uint8_t>(Counting(250)));
}

TEST(FileStreamTest, AWindowReadsExactlyItsBytes) {
    TempDir dir;
    const std::vector<uint8_t> data = Counting(1000);
    test::WriteBytes(dir / "data.bin", data);
    FileStream s;
    ASSERT_EQ(s.OpenReadWindow((dir / "data.bin").c_str(), 600, 300), RESULT_OK);
    EXPECT_EQ(s.Tell(), 600u);
    EXPECT_EQ(s.End(), 900u);
    std::vector<uint8_t> out(301);
    EXPECT_EQ(s.Read(out.data(), 300), 300u);
    EXPECT_EQ(out[0], data[600]);
    EXPECT_EQ(out[299], data[899]);
    EXPECT_FALSE(s.IsBad());
    EXPECT_EQ(s.Read(out.data(), 1), 0u);
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);

    EXPECT_EQ(s.OpenReadWindow((dir / "data.bin").c_str(), 900, 101), ERR_OUT_OF_RANGE);
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(s.OpenReadWindow((dir / "data.bin").c_str(), 0xFFFFFFF0u, 0x20), ERR_OUT_OF_RANGE);
}

TEST(FileStreamTest, WritingAStreamOpenedForReadingFails) {
    TempDir dir;
    test::WriteBytes(dir / "data.bin", Counting(20));
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "data.bin").c_str()), RESULT_OK);
    EXPECT_EQ(s.Write("x", 1), 0u);
    EXPECT_EQ(s.Error(), ERR_STREAM_FAILED);
    EXPECT_EQ(s.CloseWrite(), ERR_STREAM_FAILED);
}

// A file of `header` plain bytes followed by the LZ block of `body`.
std::vector<uint8_t> CompressedFile(const std::vector<uint8_t>& header,
                                    const std::vector<uint8_t>& body) {
    std::vector<uint8_t> block;
    EXPECT_EQ(LzCodec().Compress(body.data(), static_cast<uint32_t>(body.size()), block),
              RESULT_OK);
    std::vector<uint8_t> file = header;
    file.insert(file.end(), block.begin(), block.end());
    return file;
}

TEST(FileStreamTest, CompressionExpandsTheRestAtTheSamePositions) {
    TempDir dir;
    std::vector<uint8_t> body(2000);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<uint8_t>((i / 10) % 7);
    test::WriteBytes(dir / "packed.bin", CompressedFile({9, 8, 7}, body));
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "packed.bin").c_str()), RESULT_OK);
    ASSERT_TRUE(s.Seek(3));
    EXPECT_EQ(s.SetCompression(0), RESULT_OK);
    ASSERT_EQ(s.SetCompression(1), RESULT_OK);
    s.EndCompression();
    EXPECT_EQ(s.Tell(), 3u);
    EXPECT_EQ(s.End(), 2003u);
    std::vector<uint8_t> out(2000);
    ASSERT_EQ(s.Read(out.data(), 1000), 1000u);
    ASSERT_TRUE(s.Seek(1503));
    ASSERT_EQ(s.Read(out.data() + 1500, 500), 500u);
    ASSERT_TRUE(s.Seek(1003));
    ASSERT_EQ(s.Read(out.data() + 1000, 500), 500u);
    EXPECT_EQ(out, body);
    // The plain bytes before the expanded data are behind us for good.
    EXPECT_FALSE(s.Seek(1));
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);

    // The larger buffer is kept; the next file is read through it as usual.
    test::WriteBytes(dir / "plain.bin", Counting(5000));
    ASSERT_EQ(s.OpenRead((dir / "plain.bin").c_str()), RESULT_OK);
    std::vector<uint8_t> plain(5000);
    ASSERT_EQ(s.Read(plain.data(), 5000), 5000u);
    EXPECT_EQ(plain, Counting(5000));
}

TEST(FileStreamTest, UnknownModesAndDamagedDataFailWithBadVersion) {
    TempDir dir;
    std::vector<uint8_t> body(500, 'q');
    std::vector<uint8_t> file = CompressedFile({}, body);
    test::WriteBytes(dir / "packed.bin", file);
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "packed.bin").c_str()), RESULT_OK);
    EXPECT_EQ(s.SetCompression(2), ERR_BAD_VERSION);
    EXPECT_TRUE(s.IsBad());

    file.erase(file.end() - 2, file.end());  // cuts the end item
    test::WriteBytes(dir / "cut.bin", file);
    ASSERT_EQ(s.OpenRead((dir / "cut.bin").c_str()), RESULT_OK);
    EXPECT_EQ(s.SetCompression(1), ERR_BAD_VERSION);
    EXPECT_EQ(s.Error(), ERR_BAD_VERSION);
}

TEST(FileStreamTest, PathsInAnyCaseAndWithBackslashesFindTheFile) {
    TempDir dir;
    test::WriteBytes(dir / "Mesh/Sub/Level.F3DS", {1, 2, 3});
    FileStream s;
    const std::string upper = dir.Path() + "\\MESH\\SUB\\LEVEL.F3DS";
    uint32_t size = 0;
    ASSERT_EQ(s.OpenRead(upper.c_str(), &size), RESULT_OK);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(s.ReadU8(), 1u);
    const std::string lower = dir.Path() + "/mesh/sub/level.f3ds";
    EXPECT_EQ(s.OpenRead(lower.c_str(), &size), RESULT_OK);
    // Writing through another spelling replaces the same file.
    ASSERT_EQ(s.OpenWrite(lower.c_str()), RESULT_OK);
    s.WriteU8(9);
    ASSERT_EQ(s.CloseWrite(), RESULT_OK);
    EXPECT_EQ(test::ReadBytes(dir / "Mesh/Sub/Level.F3DS"), std::vector<uint8_t>{9});
}

}  // namespace
}  // namespace vimsa
