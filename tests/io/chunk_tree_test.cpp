#include "io/chunk_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/file_stream.h"
#include "io/lz_codec.h"
#include "tests/io/io_test_util.h"

namespace vimsa {
namespace {

// Little builders for hand-made chunk files.
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> Chunk(const char* tag, uint16_t version, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(tag, tag + 4);
    Put32(out, static_cast<uint32_t>(10 + body.size()));
    out.push_back(static_cast<uint8_t>(version));
    out.push_back(static_cast<uint8_t>(version >> 8));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<uint8_t> Text(const std::string& s) {
    std::vector<uint8_t> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

// A node record shaped like the scene files: placement, object part with its
// children, counts, flag and an empty animation chunk.
std::vector<uint8_t> NodeRecord() {
    const std::vector<uint8_t> gobj =
        Chunk("GOBJ", 1,
              Cat({Chunk("NAME", 1, Text("GraphNode 0")), Chunk("FATH", 1, {0, 0, 0, 0}),
                   Chunk("BV  ", 2, {0, 0})}));
    return Chunk("GNOD", 2,
                 Cat({Chunk("REPE", 1, std::vector<uint8_t>(36, 0)),
                      gobj,
                      std::vector<uint8_t>(20, 0),
                      {1},
                      Chunk("UNKN", 1, {})}));
}

std::vector<uint8_t> ObjectFile(uint32_t mode, const std::vector<uint8_t>& record) {
    std::vector<uint8_t> body = record;
    if (mode == 1) {
        std::vector<uint8_t> block;
        EXPECT_EQ(LzCodec().Compress(record.data(), static_cast<uint32_t>(record.size()), block),
                  RESULT_OK);
        body = block;
    }
    std::vector<uint8_t> out = {'O', 'G', 'D', 'B'};
    Put32(out, static_cast<uint32_t>(18 + record.size()));
    out.push_back(2);
    out.push_back(0);
    Put32(out, 42);
    Put32(out, mode);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct Walked {
    std::vector<std::string> lines;
    Result result = RESULT_OK;
};

Walked Walk(ChunkStream& stream) {
    Walked w;
    w.result = WalkChunkTree(stream, [&](const ChunkTreeItem& item) {
        std::string line(static_cast<size_t>(item.depth) * 2, ' ');
        line += std::string(item.header.tag.View());
        line += " " + std::to_string(item.header.size);
        if (item.hasVersion) line += " v" + std::to_string(item.version);
        if (item.isObjectHeader)
            line += " id" + std::to_string(item.objectId) + " c" + std::to_string(item.compression);
        w.lines.push_back(line);
    });
    return w;
}

Walked WalkBytes(const std::vector<uint8_t>& bytes) {
    ChunkStream s(bytes);
    return Walk(s);
}

const std::vector<std::string> kNodeTree = {
    "  GNOD 145 v2",    "    REPE 46 v1",   "    GOBJ 58 v1", "      NAME 22 v1",
    "      FATH 14 v1", "      BV   12 v2", "    UNKN 10 v1",
};

TEST(ChunkTreeTest, WalksAStoredObjectFile) {
    const Walked w = WalkBytes(ObjectFile(0, NodeRecord()));
    EXPECT_EQ(w.result, RESULT_OK);
    std::vector<std::string> expected = {"OGDB 163 v2 id42 c0"};
    expected.insert(expected.end(), kNodeTree.begin(), kNodeTree.end());
    EXPECT_EQ(w.lines, expected);
}

TEST(ChunkTreeTest, ExpandsACompressedObjectFile) {
    const std::vector<uint8_t> record = Cat({NodeRecord(), NodeRecord(), NodeRecord()});
    test::TempDir dir;
    test::WriteBytes(dir / "packed.f3ds", ObjectFile(1, record));
    FileStream s;
    ASSERT_EQ(s.OpenRead((dir / "packed.f3ds").c_str()), RESULT_OK);
    const Walked w = Walk(s);
    EXPECT_EQ(w.result, RESULT_OK);
    ASSERT_EQ(w.lines.size(), 1 + 3 * kNodeTree.size());
    EXPECT_EQ(w.lines[0], "OGDB 453 v2 id42 c1");
    EXPECT_EQ(w.lines[1 + 2 * kNodeTree.size()], kNodeTree[0]);
    EXPECT_EQ(w.lines.back(), kNodeTree.back());
}

TEST(ChunkTreeTest, DatabasesAndTopLevelSequencesAreWalked) {
    std::vector<uint8_t> elem = {3, 0, 0, 0};
    const std::vector<uint8_t> name = Text("mesh/x.f3ds");
    elem.insert(elem.end(), name.begin(), name.end());
    elem.insert(elem.end(), 8, 0);
    const std::vector<uint8_t> ids = Chunk("ID  ", 1, Cat({{1, 0, 0, 0}, Chunk("ELEM", 1, elem)}));
    const Walked w = WalkBytes(Cat({ids, Chunk("UNKN", 1, {})}));
    EXPECT_EQ(w.result, RESULT_OK);
    EXPECT_EQ(w.lines, (std::vector<std::string>{"ID   48 v1", "  ELEM 34 v1", "UNKN 10 v1"}));
}

TEST(ChunkTreeTest, RawRecordsAreNotSearchedForChildren) {
    // A name that happens to look like a chunk header is still just a name.
    std::vector<uint8_t> fake = {'A', 'B', 'C', 'D', 12, 0, 0, 0, 1, 0, 0, 0};
    const Walked w = WalkBytes(Chunk("NAME", 1, fake));
    EXPECT_EQ(w.lines, (std::vector<std::string>{"NAME 22 v1"}));
    const Walked other = WalkBytes(Chunk("XXXX", 1, fake));
    EXPECT_EQ(other.lines, (std::vector<std::string>{"XXXX 22 v1", "  ABCD 12 v1"}));
}

TEST(ChunkTreeTest, ADamagedFileShowsWhatItHoldsThenTheError) {
    std::vector<uint8_t> file = ObjectFile(0, NodeRecord());
    file.resize(60);  // inside REPE
    const Walked w = WalkBytes(file);
    EXPECT_EQ(w.result, ERR_OUT_OF_RANGE);
    EXPECT_EQ(w.lines,
              (std::vector<std::string>{"OGDB 163 v2 id42 c0", "  GNOD 145 v2", "    REPE 46 v1"}));

    const Walked noise = WalkBytes(test::NoiseBytes(100, 3));
    EXPECT_EQ(noise.result, ERR_BAD_TAG);
    EXPECT_TRUE(noise.lines.empty());

    std::vector<uint8_t> packed = ObjectFile(1, Cat({NodeRecord(), NodeRecord()}));
    packed.erase(packed.end() - 2, packed.end());
    EXPECT_EQ(WalkBytes(packed).result, ERR_BAD_VERSION);
}

TEST(ChunkTreeTest, DeepNestingStopsAtTheDepthLimit) {
    std::vector<uint8_t> nested = Chunk("LEAF", 1, {});
    for (int i = 0; i < 500; ++i)
        nested = Chunk("NEST", 1, nested);
    const Walked w = WalkBytes(nested);
    EXPECT_EQ(w.result, RESULT_OK);
    EXPECT_EQ(w.lines.size(), static_cast<size_t>(kMaxChunkTreeDepth));
}

}  // namespace
}  // namespace vimsa
