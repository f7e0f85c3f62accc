#include "io/chunk_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/io/io_test_util.h"

namespace vimsa {
namespace {

using test::U16At;
using test::U32At;

// Writes a record the way every writer does: start, tag, version, fields, end.
std::vector<uint8_t> WriteSample(void (*fields)(ChunkStream&), uint32_t capacity = 4096) {
    ChunkStream counter;
    counter.SetCounting();
    const uint32_t start = counter.Tell();
    counter.BeginChunk("TEST");
    counter.WriteU16(1);
    fields(counter);
    counter.EndChunk(start);
    EXPECT_FALSE(counter.IsBad());

    ChunkStream out(std::vector<uint8_t>(capacity ? counter.Tell() : 0));
    out.BeginChunk("TEST");
    out.WriteU16(1);
    fields(out);
    out.EndChunk(0);
    EXPECT_FALSE(out.IsBad());
    return out.TakeBlock();
}

TEST(ChunkStreamTest, HeaderOnlyChunkIsEightBytesAndTenWithVersion) {
    ChunkStream counter;
    counter.SetCounting();
    counter.BeginChunk("BV  ");
    EXPECT_TRUE(counter.EndChunk(0));
    EXPECT_EQ(counter.Tell(), 8u);

    ChunkStream out(std::vector<uint8_t>(18));
    out.BeginChunk("BV  ");
    out.EndChunk(0);
    out.BeginChunk("UNKN");
    out.WriteU16(1);
    out.EndChunk(8);
    ASSERT_FALSE(out.IsBad());
    const std::vector<uint8_t>& b = out.Block();
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "BV  ");
    EXPECT_EQ(U32At(b, 4), 8u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "UNKN");
    EXPECT_EQ(U32At(b, 12), 10u);
    EXPECT_EQ(U16At(b, 16), 1u);
}

TEST(ChunkStreamTest, CountingPassMeasuresWhatTheWritingPassWrites) {
    const std::vector<uint8_t> block = WriteSample([](ChunkStream& s) {
        s.WriteU8(7);
        s.WriteU32(0xDEADBEEF);
        s.WriteFloat(1.5f);
        s.WriteString("mesh/level000.f3ds");
        s.WriteVector3({1, 2, 3});
        s.WriteVector4({4, 5, 6, 7});
    });
    // 8 header + 2 version + 1 + 4 + 4 + 19 + 12 + 16
    ASSERT_EQ(block.size(), 66u);
    EXPECT_EQ(U32At(block, 4), 66u);

    ChunkStream in(block);
    ChunkHeader h;
    ASSERT_TRUE(in.OpenChunk(h));
    EXPECT_EQ(h.tag, ChunkTag("TEST"));
    EXPECT_EQ(h.start, 0u);
    EXPECT_EQ(h.size, 66u);
    EXPECT_EQ(h.end, 66u);
    EXPECT_EQ(in.ReadU16(), 1u);
    EXPECT_EQ(in.ReadU8(), 7u);
    EXPECT_EQ(in.ReadU32(), 0xDEADBEEFu);
    EXPECT_EQ(in.ReadFloat(), 1.5f);
    std::string text;
    EXPECT_TRUE(in.ReadString(text));
    EXPECT_EQ(text, "mesh/level000.f3ds");
    const Vector3 v3 = in.ReadVector3();
    EXPECT_EQ(v3.z, 3.0f);
    const Vector4 v4 = in.ReadVector4();
    EXPECT_EQ(v4.x, 4.0f);
    EXPECT_EQ(v4.w, 7.0f);
    ASSERT_TRUE(in.CloseChunk(h));
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.consumed, 66u);
    EXPECT_FALSE(in.IsBad());
}

TEST(ChunkStreamTest, CloseChunkReportsFewerAndMoreBytesConsumed) {
    const std::vector<uint8_t> block = WriteSample([](ChunkStream& s) { s.WriteU32(1); }, 4096);
    ChunkStream in(block);
    ChunkHeader h;
    in.OpenChunk(h);
    in.ReadU16();
    ASSERT_TRUE(in.CloseChunk(h));
    EXPECT_EQ(h.status, 1);
    EXPECT_EQ(h.consumed, 10u);
    EXPECT_EQ(in.Tell(), 14u);

    // Reading past the record's end (but not the stream's) moves back to it.
    std::vector<uint8_t> twice = block;
    twice.insert(twice.end(), block.begin(), block.end());
    ChunkStream again(twice);
    again.OpenChunk(h);
    again.ReadU16();
    again.ReadU32();
    again.ReadU32();
    ASSERT_TRUE(again.CloseChunk(h));
    EXPECT_EQ(h.status, 2);
    EXPECT_EQ(again.Tell(), 14u);
}

TEST(ChunkStreamTest, CloseChunkAtTheEndSucceedsOneBeyondFails) {
    std::vector<uint8_t> block = WriteSample([](ChunkStream& s) { s.WriteU32(5); });
    ChunkStream in(block);
    ChunkHeader h;
    ASSERT_TRUE(in.OpenChunk(h));
    ASSERT_EQ(h.end, in.End());
    EXPECT_TRUE(in.CloseChunk(h));
    EXPECT_EQ(in.Tell(), in.End());
    EXPECT_FALSE(in.IsBad());

    block[4] += 1;  // the size now claims one byte more than there is
    ChunkStream longer(block);
    ASSERT_TRUE(longer.OpenChunk(h));
    EXPECT_FALSE(longer.CloseChunk(h));
    EXPECT_TRUE(longer.IsBad());
    EXPECT_EQ(longer.Error(), ERR_OUT_OF_RANGE);
}

TEST(ChunkStreamTest, ReadAcrossTheEndCopiesTheRestAndTurnsBad) {
    ChunkStream in(std::vector<uint8_t>{1, 2, 3, 4, 5});
    uint8_t out[8] = {};
    EXPECT_EQ(in.Read(out, 3), 3u);
    EXPECT_EQ(in.Read(out, 8), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_TRUE(in.IsBad());
    EXPECT_EQ(in.Error(), ERR_OUT_OF_RANGE);
    // Sticky: later operations do nothing and the first error stays.
    EXPECT_EQ(in.Read(out, 1), 0u);
    EXPECT_EQ(in.ReadU32(), kUnreadValue);
    EXPECT_FALSE(in.Seek(0));
    EXPECT_EQ(in.Error(), ERR_OUT_OF_RANGE);
    in.ResetError();
    EXPECT_FALSE(in.IsBad());
    EXPECT_EQ(in.Error(), RESULT_OK);
}

TEST(ChunkStreamTest, HeaderThatCannotBeReadHoldsTheUnreadValue) {
    ChunkStream in(std::vector<uint8_t>{'G', 'N', 'O', 'D', 1, 0});
    ChunkHeader h;
    EXPECT_FALSE(in.OpenChunk(h));
    EXPECT_EQ(h.size, kUnreadValue);
    EXPECT_EQ(in.Error(), ERR_OUT_OF_RANGE);
}

TEST(ChunkStreamTest, SizesThatCannotAdvanceAWalkAreRejected) {
    // A size below the header's own 8 bytes would make a child loop stand
    // still; one that wraps past 4 GiB would move it backwards.
    for (uint32_t size : {0u, 7u, 0xFFFFFFFCu}) {
        std::vector<uint8_t> block = {0, 0, 0, 0, 'A', 'B', 'C', 'D', 0, 0, 0, 0, 0, 0, 0, 0};
        block[8] = static_cast<uint8_t>(size);
        block[9] = static_cast<uint8_t>(size >> 8);
        block[10] = static_cast<uint8_t>(size >> 16);
        block[11] = static_cast<uint8_t>(size >> 24);
        ChunkStream in(block);
        in.Seek(4);
        ChunkHeader h;
        EXPECT_FALSE(in.OpenChunk(h)) << size;
        EXPECT_EQ(in.Error(), ERR_OUT_OF_RANGE) << size;
    }
}

TEST(ChunkStreamTest, WritingPastTheBlockTakesWhatFitsAndFails) {
    ChunkStream out(std::vector<uint8_t>(6));
    EXPECT_TRUE(out.WriteU32(0x01020304));
    EXPECT_FALSE(out.WriteU32(0x05060708));
    EXPECT_TRUE(out.IsBad());
    EXPECT_EQ(out.Error(), ERR_OUT_OF_RANGE);
    EXPECT_EQ(out.Block()[4], 0x08);
    EXPECT_EQ(out.Block()[5], 0x07);
    EXPECT_FALSE(out.EndChunk(0));
}

TEST(ChunkStreamTest, EndChunkNeedsAStartBeforeAWholeHeader) {
    ChunkStream out(std::vector<uint8_t>(16));
    out.WriteU32(1);
    EXPECT_FALSE(out.EndChunk(0));  // only 4 bytes since the start
    EXPECT_EQ(out.Error(), ERR_OUT_OF_RANGE);
    ChunkStream later(std::vector<uint8_t>(16));
    later.WriteU32(1);
    EXPECT_FALSE(later.EndChunk(12));  // a start after the position
}

TEST(ChunkStreamTest, StringsHoldAtMost79CharactersAndFailCleanlyBeyond) {
    const std::string longest(79, 'x');
    ChunkStream out(std::vector<uint8_t>(200));
    EXPECT_TRUE(out.WriteString(longest));
    EXPECT_EQ(out.Tell(), 80u);
    EXPECT_FALSE(out.WriteString(std::string(80, 'y')));
    EXPECT_EQ(out.Error(), ERR_OUT_OF_RANGE);
    EXPECT_EQ(out.Tell(), 80u);  // nothing of the long text was written

    ChunkStream in(out.TakeBlock());
    std::string text;
    EXPECT_TRUE(in.ReadString(text));
    EXPECT_EQ(text, longest);

    // 80 bytes without their NUL: the reader stops there and fails.
    ChunkStream unterminated(std::vector<uint8_t>(120, 'z'));
    EXPECT_FALSE(unterminated.ReadString(text));
    EXPECT_EQ(unterminated.Error(), ERR_OUT_OF_RANGE);
    EXPECT_EQ(unterminated.Tell(), 80u);
    EXPECT_EQ(text.size(), 79u);

    // A text cut by the end of the stream fails without running further.
    ChunkStream cut(std::vector<uint8_t>{'a', 'b'});
    EXPECT_FALSE(cut.ReadString(text));
    EXPECT_EQ(cut.Error(), ERR_OUT_OF_RANGE);
}

TEST(ChunkStreamTest, ChildLoopVisitsChildrenInsideTheParentOnly) {
    ChunkStream counter;
    counter.SetCounting();
    auto write = [](ChunkStream& s) {
        s.BeginChunk("PRNT");
        s.WriteU16(1);
        s.WriteU32(42);
        for (const char* tag : {"AAAA", "BBBB", "CCCC"}) {
            const uint32_t start = s.Tell();
            s.BeginChunk(ChunkTag::FromBytes(tag));
            s.WriteU16(3);
            s.WriteU8(static_cast<uint8_t>(tag[0]));
            s.EndChunk(start);
        }
        s.EndChunk(0);
    };
    write(counter);
    ChunkStream out(std::vector<uint8_t>(counter.Tell()));
    write(out);

    ChunkStream in(out.TakeBlock());
    ChunkHeader parent;
    in.OpenChunk(parent);
    in.ReadU16();
    EXPECT_EQ(in.ReadU32(), 42u);
    std::string seen;
    EXPECT_TRUE(ForEachChild(in, parent, [&](const ChunkHeader& child, uint16_t version) {
        EXPECT_EQ(version, 3u);
        seen.push_back(static_cast<char>(in.ReadU8()));
        EXPECT_EQ(child.size, 11u);
    }));
    EXPECT_EQ(seen, "ABC");
    EXPECT_EQ(in.Tell(), parent.end);
    EXPECT_FALSE(in.IsBad());
}

TEST(ChunkStreamTest, ChildLoopStopsWhenAChildHeaderIsCutShort) {
    // Parent claims 30 bytes, its first child is cut by the stream's end.
    std::vector<uint8_t> block = {'P', 'R', 'N', 'T', 30, 0, 0, 0, 1, 0, 'K', 'I', 'D', ' ', 20, 0};
    ChunkStream in(block);
    ChunkHeader parent;
    in.OpenChunk(parent);
    in.ReadU16();
    int visits = 0;
    EXPECT_FALSE(ForEachChild(in, parent, [&](const ChunkHeader&, uint16_t) { ++visits; }));
    EXPECT_EQ(visits, 0);
    EXPECT_EQ(in.Error(), ERR_OUT_OF_RANGE);
}

TEST(ChunkStreamTest, WriteWholeFileWritesOneBlockAndSkipsEmptyOnes) {
    test::TempDir dir;
    ChunkStream s;
    const std::vector<uint8_t> bytes = {1, 2, 3, 4};
    EXPECT_EQ(s.WriteWholeFile((dir / "a.bin").c_str(), bytes.data(), 4), RESULT_OK);
    EXPECT_EQ(test::ReadBytes(dir / "a.bin"), bytes);
    EXPECT_EQ(s.WriteWholeFile((dir / "empty.bin").c_str(), bytes.data(), 0), RESULT_OK);
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.bin"));
    EXPECT_EQ(s.WriteWholeFile(nullptr, bytes.data(), 4), ERR_NULL_ARGUMENT);
    EXPECT_TRUE(s.IsBad());
    EXPECT_EQ(s.WriteWholeFile((dir / "b.bin").c_str(), nullptr, 4), ERR_NULL_ARGUMENT);
    EXPECT_EQ(s.WriteWholeFile((dir / "no/such/folder/c.bin").c_str(), bytes.data(), 4),
              ERR_FILE_OPEN);
}

}  // namespace
}  // namespace vimsa
