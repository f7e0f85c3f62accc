#include "io/catalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/archive_builder.h"
#include "io/catalogs.h"
#include "tests/io/io_test_util.h"

namespace vimsa {
namespace {

using test::TempDir;

// Every test starts from fresh process-wide databases in its own folder.
class CatalogTest : public ::testing::Test {
protected:
    CatalogTest() : dir_(true) { ResetCatalogsForTesting(); }
    ~CatalogTest() override { ResetCatalogsForTesting(); }

    std::string Path(const std::string& name) const { return dir_ / name; }

    TempDir dir_;
};

// A directory chunk written by hand: tag, size, version, count, then ELEMs.
std::vector<uint8_t> Directory(const char* tag, uint32_t count,
                               const std::vector<std::pair<uint32_t, std::string>>& elements) {
    ChunkStream counter;
    counter.SetCounting();
    auto write = [&](ChunkStream& s) {
        s.BeginChunk(ChunkTag::FromBytes(tag));
        s.WriteU16(1);
        s.WriteU32(count);
        for (const auto& [id, name] : elements) {
            const uint32_t start = s.Tell();
            s.BeginChunk("ELEM");
            s.WriteU16(1);
            s.WriteU32(id);
            s.WriteString(name);
            s.WriteU32(0);
            s.WriteU32(0);
            s.EndChunk(start);
        }
        s.EndChunk(0);
    };
    write(counter);
    ChunkStream out(std::vector<uint8_t>(counter.Tell()));
    write(out);
    return out.TakeBlock();
}

TEST_F(CatalogTest, IdDatabaseRoundTripsThroughItsFile) {
    IdDatabase ids("ids.cat");
    ids.Register(7, "mesh/KelmaRun.f3ds");
    ids.Register(3, "mesh/Fountain.f3ds");
    ASSERT_EQ(ids.SaveFile("ids.cat"), RESULT_OK);

    IdDatabase back("ids.cat");
    ASSERT_EQ(back.LoadFile("ids.cat"), RESULT_OK);
    ASSERT_EQ(back.Count(), 2u);
    std::string name;
    EXPECT_TRUE(back.LookupName(7, name));
    EXPECT_EQ(name, "mesh/KelmaRun.f3ds");
    uint32_t id = 0;
    EXPECT_TRUE(back.LookupId("mesh/Fountain.f3ds", id));
    EXPECT_EQ(id, 3u);
    // Entries are stored in id order.
    EXPECT_EQ(back.Entries().begin()->first, 3u);
}

TEST_F(CatalogTest, RegisterNameReplacesAndLookupIdFindsTheSmallestId) {
    RegisterName(9, "a.f3ds");
    RegisterName(4, "b.f3ds");
    RegisterName(9, "b.f3ds");
    std::string name;
    ASSERT_TRUE(LookupName(9, name));
    EXPECT_EQ(name, "b.f3ds");
    uint32_t id = 0;
    ASSERT_TRUE(LookupId("b.f3ds", id));
    EXPECT_EQ(id, 4u);
    EXPECT_FALSE(LookupId("a.f3ds", id));
    EXPECT_EQ(id, 0u);
    // Exact bytes only: no case folding, no prefixes.
    EXPECT_FALSE(LookupId("B.F3DS", id));
    EXPECT_FALSE(LookupId("b.f3d", id));
}

TEST_F(CatalogTest, CountZeroGivesAnEmptyDatabaseEvenWithElementsAfterIt) {
    test::WriteBytes(Path("zero.cat"), Directory("ID  ", 0, {{1, "x"}, {2, "y"}}));
    IdDatabase ids("zero.cat");
    EXPECT_EQ(ids.LoadFile("zero.cat"), RESULT_OK);
    EXPECT_EQ(ids.Count(), 0u);

    test::WriteBytes(Path("two.cat"), Directory("ID  ", 2, {{1, "x"}, {2, "y"}, {1, "z"}}));
    EXPECT_EQ(ids.LoadFile("two.cat"), RESULT_OK);
    ASSERT_EQ(ids.Count(), 2u);
    std::string name;
    ids.LookupName(1, name);
    EXPECT_EQ(name, "z");  // a key read twice keeps the later entry
}

TEST_F(CatalogTest, WrongDirectoryTagIsABadRecord) {
    test::WriteBytes(Path("users.cat"), Directory("USER", 1, {{1, "x"}}));
    IdDatabase ids("users.cat");
    EXPECT_EQ(ids.LoadFile("users.cat"), ERR_CATALOG_BAD_RECORD);
    EXPECT_EQ(ids.Count(), 0u);
}

TEST_F(CatalogTest, TruncatedDatabaseKeepsWhatWasCompleteAndReportsTheError) {
    std::vector<uint8_t> bytes = Directory("ID  ", 2, {{1, "first"}, {2, "second"}});
    bytes.erase(bytes.end() - 3, bytes.end());
    test::WriteBytes(Path("cut.cat"), bytes);
    IdDatabase ids("cut.cat");
    EXPECT_EQ(ids.LoadFile("cut.cat"), ERR_OUT_OF_RANGE);
    EXPECT_EQ(ids.Count(), 1u);
}

TEST_F(CatalogTest, RuntimeIdsStartAtOneAndAreSavedAsTheyAreHandedOut) {
    EXPECT_EQ(AllocateId(), 1u);
    EXPECT_EQ(AllocateId(), 2u);
    ResetCatalogsForTesting();  // reads runtime.cat back
    EXPECT_EQ(AllocateId(), 3u);

    UserDatabase users("other.cat");
    users.Set("Tools", CatalogEntry("Tools", 1000, 0));
    EXPECT_EQ(users.AllocateId("Tools"), 1000u);
    EXPECT_EQ(users.AllocateId("Tools"), 1001u);
    EXPECT_EQ(users.AllocateId("Nobody"), 0u);
}

TEST_F(CatalogTest, DatabasesAreSavedWhereTheyCameFrom) {
    std::filesystem::create_directories(Path("game"));
    IdDatabase start;
    start.Register(2, "two.f3ds");
    ASSERT_EQ(start.SaveFile(Path("game/Vimsa.cat").c_str()), RESULT_OK);
    ASSERT_EQ(LoadDatabase(Path("game/Vimsa.cat").c_str()), RESULT_OK);
    RegisterName(5, "five.f3ds");
    ASSERT_EQ(SaveDatabase(), RESULT_OK);
    IdDatabase back;
    ASSERT_EQ(back.LoadFile(Path("game/Vimsa.cat").c_str()), RESULT_OK);
    EXPECT_EQ(back.Count(), 2u);

    // LoadDatabase replaces the id entries; a missing file is reported and
    // leaves the database empty.
    EXPECT_EQ(LoadDatabase(Path("game/none.cat").c_str()), ERR_FILE_OPEN);
    std::string name;
    EXPECT_FALSE(LookupName(2, name));
    EXPECT_EQ(LoadDatabase(nullptr), ERR_NULL_ARGUMENT);

    AllocateId();
    ASSERT_EQ(SaveUsers(), RESULT_OK);
    UserDatabase users;
    ASSERT_EQ(users.LoadFile("runtime.cat"), RESULT_OK);
    ASSERT_NE(users.Find("Runtime"), nullptr);
    EXPECT_EQ(users.Find("Runtime")->first, 1u);
    EXPECT_EQ(users.Find("Runtime")->second, 2u);
}

TEST_F(CatalogTest, EntryCreatedWithSecondValueZeroStartsAtTheFirst) {
    const CatalogEntry user("Runtime", 5, 0);
    EXPECT_EQ(user.second, 5u);
    const CatalogEntry other("x", 5, 9);
    EXPECT_EQ(other.second, 9u);
}

// A data folder with a root archive and a MESH archive, built by the archive
// builder (directory at the end, or separate .CAT files).
class ArchiveTest : public CatalogTest {
protected:
    void Build(bool separateCatalogs) {
        test::WriteText(Path("data/root.txt"), "root file");
        test::WriteText(Path("data/mesh/x.f3ds"), "mesh x");
        test::WriteText(Path("data/mesh/only.txt"), "0123456789");
        test::WriteText(Path("data/mesh/sub/deep.bin"), "deep");
        // Only in the root archive, under the name of a MESH entry.
        ASSERT_EQ(WriteArchive(Path("data/VimsaData.PAK"),
                               {{"ROOT.TXT", Path("data/root.txt")},
                                {"MESH\\FALLBACK.F3DS", Path("data/root.txt")}},
                               separateCatalogs ? Path("data/VimsaData.CAT") : ""),
                  RESULT_OK);
        ASSERT_EQ(WriteArchive(Path("data/mesh/MESH.PAK"),
                               {{"MESH\\X.F3DS", Path("data/mesh/x.f3ds")},
                                {"MESH\\ONLY.TXT", Path("data/mesh/only.txt")}},
                               separateCatalogs ? Path("data/mesh/MESH.CAT") : ""),
                  RESULT_OK);
        // Take the files off the disk so that only the archives hold them.
        std::filesystem::remove(Path("data/root.txt"));
        std::filesystem::remove(Path("data/mesh/x.f3ds"));
        std::filesystem::remove(Path("data/mesh/only.txt"));
        IdDatabase ids;
        ids.Register(1, "mesh/x.f3ds");
        ASSERT_EQ(ids.SaveFile(Path("data/Vimsa.cat").c_str()), RESULT_OK);
        ASSERT_EQ(LoadDatabase(Path("data/Vimsa.cat").c_str()), RESULT_OK);
    }

    // Opens through the catalogs and reads everything.
    Result ReadAll(const std::string& path, std::string& text) {
        std::vector<uint8_t> bytes;
        const Result r = ReadWholeFile(path.c_str(), bytes);
        text.assign(bytes.begin(), bytes.end());
        return r;
    }
};

TEST_F(ArchiveTest, TheTreeMirrorsTheFoldersWithTheirArchives) {
    Build(false);
    const CatalogDirectory& root = ArchiveRoot();
    EXPECT_EQ(root.name, "VimsaData");
    EXPECT_EQ(root.path, "");
    ASSERT_TRUE(root.catalog);
    ASSERT_EQ(root.children.size(), 1u);
    const CatalogDirectory& mesh = *root.children[0];
    EXPECT_EQ(mesh.name, "MESH");
    EXPECT_EQ(mesh.path, "MESH");
    ASSERT_TRUE(mesh.catalog);
    EXPECT_EQ(mesh.catalog->Count(), 2u);
    ASSERT_EQ(mesh.children.size(), 1u);
    EXPECT_EQ(mesh.children[0]->path, "MESH\\SUB");
    EXPECT_FALSE(mesh.children[0]->catalog);
    uint32_t id = 0;
    EXPECT_TRUE(LookupId("mesh/x.f3ds", id));
}

TEST_F(ArchiveTest, AnyCaseAndEitherSeparatorFindTheSameEntry) {
    Build(false);
    // Archive paths resolve against the database's folder, not the current one.
    std::string text;
    EXPECT_EQ(ReadAll("mesh/x.f3ds", text), RESULT_OK);
    EXPECT_EQ(text, "mesh x");
    EXPECT_EQ(ReadAll("MESH\\X.F3DS", text), RESULT_OK);
    EXPECT_EQ(text, "mesh x");
    EXPECT_EQ(ReadAll("Mesh/X.f3ds", text), RESULT_OK);
    EXPECT_EQ(text, "mesh x");
}

TEST_F(ArchiveTest, AnEntryMissingFromTheFolderArchiveIsFoundInTheRootArchive) {
    Build(false);
    std::string text;
    EXPECT_EQ(ReadAll("mesh/fallback.f3ds", text), RESULT_OK);
    EXPECT_EQ(text, "root file");
    EXPECT_EQ(ReadAll("root.txt", text), RESULT_OK);
    // A folder part that matches no folder ends the descent at the root.
    EXPECT_EQ(ReadAll("nowhere/root.txt", text), ERR_FILE_OPEN);
    // MESH\SUB has no archive; MESH's and the root's do not hold the name.
    EXPECT_EQ(ReadAll("mesh/sub/x.f3ds", text), ERR_FILE_OPEN);
}

TEST_F(ArchiveTest, AFileOnDiskBeatsTheArchive) {
    Build(false);
    std::filesystem::create_directories(Path("mesh"));
    test::WriteText(Path("mesh/x.f3ds"), "from disk");
    std::string text;
    EXPECT_EQ(ReadAll("mesh/x.f3ds", text), RESULT_OK);
    EXPECT_EQ(text, "from disk");
    EXPECT_EQ(ReadAll("MESH\\X.F3DS", text), RESULT_OK);
    EXPECT_EQ(text, "from disk");
}

TEST_F(ArchiveTest, SeparateCatalogFilesWork) {
    Build(true);
    std::string text;
    EXPECT_EQ(ReadAll("mesh/only.txt", text), RESULT_OK);
    EXPECT_EQ(text, "0123456789");
    EXPECT_EQ(ReadAll("root.txt", text), RESULT_OK);
    EXPECT_NE(ArchiveRoot().catalog->GetFileName().find("VimsaData.CAT"), std::string::npos);
}

TEST_F(ArchiveTest, WithACatFileTheArchiveTailIsNotRead) {
    Build(true);
    // Damage the archive's last bytes: only the .CAT matters.
    std::vector<uint8_t> pak = test::ReadBytes(Path("data/mesh/MESH.PAK"));
    pak.insert(pak.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    test::WriteBytes(Path("data/mesh/MESH.PAK"), pak);
    ASSERT_EQ(LoadDatabase(Path("data/Vimsa.cat").c_str()), RESULT_OK);
    ASSERT_TRUE(ArchiveRoot().children[0]->catalog);
    EXPECT_NE(ArchiveRoot().children[0]->catalog->GetFileName().find("MESH.CAT"),
              std::string::npos);
    std::string text;
    EXPECT_EQ(ReadAll("mesh/x.f3ds", text), RESULT_OK);
}

TEST_F(ArchiveTest, DamagedArchiveTailsLeaveTheFolderWithoutCatalog) {
    Build(false);
    const std::vector<uint8_t> good = test::ReadBytes(Path("data/mesh/MESH.PAK"));
    const size_t n = good.size();
    auto withTail = [&](uint32_t position) {
        std::vector<uint8_t> pak = good;
        pak[n - 4] = static_cast<uint8_t>(position);
        pak[n - 3] = static_cast<uint8_t>(position >> 8);
        pak[n - 2] = static_cast<uint8_t>(position >> 16);
        pak[n - 1] = static_cast<uint8_t>(position >> 24);
        return pak;
    };
    for (uint32_t position :
         {0u, static_cast<uint32_t>(n), static_cast<uint32_t>(n - 4), 0xFFFFFFFFu}) {
        test::WriteBytes(Path("data/mesh/MESH.PAK"), withTail(position));
        ASSERT_EQ(LoadDatabase(Path("data/Vimsa.cat").c_str()), RESULT_OK);
        EXPECT_FALSE(ArchiveRoot().children[0]->catalog) << position;
        std::string text;
        EXPECT_EQ(ReadAll("mesh/x.f3ds", text), ERR_FILE_OPEN) << position;
        // The root archive still answers.
        EXPECT_EQ(ReadAll("mesh/fallback.f3ds", text), RESULT_OK);
    }
}

TEST_F(ArchiveTest, AnEntryReadsToItsLastByteAndNotOneBeyond) {
    Build(false);
    FileStream s;
    uint32_t size = 0;
    ASSERT_EQ(OpenReadCatalog(s, "mesh/only.txt", &size), RESULT_OK);
    EXPECT_EQ(size, 10u);
    char bytes[11] = {};
    EXPECT_EQ(s.Read(bytes, 10), 10u);
    EXPECT_STREQ(bytes, "0123456789");
    EXPECT_FALSE(s.IsBad());
    EXPECT_EQ(s.Read(bytes, 1), 0u);
    EXPECT_EQ(s.Error(), ERR_OUT_OF_RANGE);
}

TEST_F(ArchiveTest, AFolderNameIsNotFound) {
    Build(false);
    FileStream s;
    EXPECT_EQ(OpenReadCatalog(s, "mesh"), ERR_NOT_FOUND);
    EXPECT_EQ(OpenReadCatalog(s, "MESH\\SUB"), ERR_NOT_FOUND);
    EXPECT_EQ(OpenReadCatalog(s, "mesh/"), ERR_NOT_FOUND);
    // Without extension and naming no folder: still a folder query.
    EXPECT_EQ(OpenReadCatalog(s, "nothing"), ERR_NOT_FOUND);
    EXPECT_EQ(OpenReadCatalog(s, nullptr), ERR_NULL_ARGUMENT);
}

TEST_F(ArchiveTest, EntriesPassingTheArchiveEndAreRefused) {
    Build(false);
    // Write a catalog whose entry claims more bytes than the archive has.
    PakCatalog cat;
    cat.Set("MESH\\X.F3DS", CatalogEntry("MESH\\X.F3DS", 1000, 4));
    ASSERT_EQ(cat.SaveFile(Path("data/mesh/MESH.CAT").c_str()), RESULT_OK);
    ASSERT_EQ(LoadDatabase(Path("data/Vimsa.cat").c_str()), RESULT_OK);
    FileStream s;
    EXPECT_EQ(OpenReadCatalog(s, "mesh/x.f3ds"), ERR_OUT_OF_RANGE);
    EXPECT_FALSE(s.IsOpen());
}

TEST_F(ArchiveTest, ArchiveTreeBuilderPacksEveryFolder) {
    test::WriteText(Path("tree/a.txt"), "A");
    test::WriteText(Path("tree/Mesh/b.f3ds"), "BB");
    test::WriteText(Path("tree/Mesh/Deep/c.bin"), "CCC");
    test::WriteText(Path("tree/empty/.hidden"), "x");
    std::vector<ArchiveReport> reports;
    ASSERT_EQ(BuildArchiveTree(Path("tree"), false,
                               [&](const ArchiveReport& r) { reports.push_back(r); }),
              RESULT_OK);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(Path("tree/VimsaData.PAK")));
    EXPECT_TRUE(std::filesystem::exists(Path("tree/Mesh/MESH.PAK")));
    EXPECT_TRUE(std::filesystem::exists(Path("tree/Mesh/Deep/DEEP.PAK")));
    // Rebuilding skips the archives themselves.
    ASSERT_EQ(BuildArchiveTree(Path("tree"), true), RESULT_OK);
    PakCatalog root;
    ASSERT_EQ(LoadArchiveCatalog(Path("tree/VimsaData.PAK"), root), RESULT_OK);
    EXPECT_EQ(root.Count(), 1u);
    PakCatalog deep;
    ASSERT_EQ(LoadArchiveCatalog(Path("tree/Mesh/Deep/DEEP.PAK"), deep), RESULT_OK);
    ASSERT_NE(deep.Find("MESH\\DEEP\\C.BIN"), nullptr);
    EXPECT_EQ(deep.Find("MESH\\DEEP\\C.BIN")->first, 3u);
    EXPECT_EQ(deep.Find("MESH\\DEEP\\C.BIN")->second, 0u);  // offset 0 stays 0

    // Remove the originals: the archives serve them.
    std::filesystem::remove(Path("tree/Mesh/Deep/c.bin"));
    IdDatabase ids;
    ASSERT_EQ(ids.SaveFile(Path("tree/Vimsa.cat").c_str()), RESULT_OK);
    ASSERT_EQ(LoadDatabase(Path("tree/Vimsa.cat").c_str()), RESULT_OK);
    std::string text;
    EXPECT_EQ(ReadAll("mesh/deep/c.bin", text), RESULT_OK);
    EXPECT_EQ(text, "CCC");
}

TEST_F(ArchiveTest, OverlongEntryNamesAreRefusedBeforeWriting) {
    test::WriteText(Path("f.txt"), "f");
    EXPECT_EQ(WriteArchive(Path("X.PAK"), {{std::string(80, 'A'), Path("f.txt")}}),
              ERR_OUT_OF_RANGE);
    EXPECT_FALSE(std::filesystem::exists(Path("X.PAK")));
}

}  // namespace
}  // namespace vimsa
