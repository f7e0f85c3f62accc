#include "platform/files/file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/io/io_test_util.h"

namespace vimsa::files {
namespace {

using test::TempDir;

TEST(FileSystemTest, MixedCasePathsWithEitherSeparatorFindTheFile) {
    TempDir dir;
    test::WriteText(dir / "Data/Mesh/Level000.F3DS", "x");
    std::string real;
    ASSERT_TRUE(FindPath(dir.Path() + "\\DATA\\mesh\\level000.f3ds", real));
    EXPECT_EQ(real, dir / "Data/Mesh/Level000.F3DS");
    EXPECT_TRUE(IsFile(dir.Path() + "/data/MESH/LEVEL000.F3DS"));
    EXPECT_TRUE(IsDirectory(dir.Path() + "/DATA/MESH"));
    EXPECT_FALSE(IsFile(dir.Path() + "/DATA/MESH"));
    EXPECT_FALSE(FindPath(dir.Path() + "/data/mesh/level001.f3ds", real));
    EXPECT_FALSE(FindPath("", real));

    std::FILE* f = OpenFile(dir.Path() + "\\data\\MESH\\level000.F3DS", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(FileSize(f), 1);
    EXPECT_EQ(std::fgetc(f), 'x');
    CloseFile(f);

    std::vector<uint8_t> bytes;
    EXPECT_EQ(ReadWholeFile(dir.Path() + "\\data\\MESH\\level000.F3DS", bytes), RESULT_OK);
    EXPECT_EQ(bytes, std::vector<uint8_t>{'x'});
    EXPECT_EQ(ReadWholeFile(dir.Path() + "/data/mesh", bytes), ERR_FILE_OPEN);
    EXPECT_TRUE(bytes.empty());
}

TEST(FileSystemTest, AnExactMatchWinsOverOtherSpellings) {
    TempDir dir;
    test::WriteText(dir / "a/File.txt", "upper");
    test::WriteText(dir / "a/file.txt", "lower");
    std::string real;
    ASSERT_TRUE(FindPath(dir / "a/file.txt", real));
    EXPECT_EQ(real, dir / "a/file.txt");
    ASSERT_TRUE(FindPath(dir / "a/File.txt", real));
    EXPECT_EQ(real, dir / "a/File.txt");
    // Neither exact: the first in name order.
    ASSERT_TRUE(FindPath(dir / "A/FILE.TXT", real));
    EXPECT_EQ(real, dir / "a/File.txt");
}

TEST(FileSystemTest, CreatingUsesExistingFoldersInAnyCase) {
    TempDir dir;
    ASSERT_TRUE(MakeDirectory(dir / "Texture"));
    EXPECT_TRUE(MakeDirectory(dir / "TEXTURE"));  // already there
    const std::string path = ResolveForCreate(dir.Path() + "\\TEXTURE\\Shot\\new.tga");
    EXPECT_EQ(path, dir / "Texture/Shot/new.tga");
    std::FILE* f = OpenFile(dir.Path() + "\\texture\\made.bin", "wb");
    ASSERT_NE(f, nullptr);
    CloseFile(f);
    EXPECT_TRUE(std::filesystem::exists(dir / "Texture/made.bin"));
    EXPECT_EQ(OpenFile(dir.Path() + "/missing/x.bin", "wb"), nullptr);
    EXPECT_TRUE(RenameFile(dir / "TEXTURE/MADE.BIN", dir / "texture/moved.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Texture/moved.bin"));
    EXPECT_TRUE(RemoveFile(dir / "TEXTURE/MOVED.BIN"));
    EXPECT_FALSE(RemoveFile(dir / "TEXTURE/MOVED.BIN"));
}

TEST(FileSystemTest, ListingIsSortedAndSkipsDotEntries) {
    TempDir dir;
    test::WriteText(dir / "b.txt", "");
    test::WriteText(dir / "A.txt", "");
    test::WriteText(dir / "sub/c.txt", "");
    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(ListDirectory(dir.Path(), entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "A.txt");
    EXPECT_EQ(entries[1].name, "b.txt");
    EXPECT_EQ(entries[2].name, "sub");
    EXPECT_TRUE(entries[2].isDirectory);
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_FALSE(ListDirectory(dir / "none", entries));
    // A folder is listed under any spelling of its name.
    ASSERT_TRUE(ListDirectory(dir.Path() + "\\SUB", entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "c.txt");
    EXPECT_TRUE(CanEnterDirectory(dir / "SUB"));
    EXPECT_FALSE(CanEnterDirectory(dir / "b.txt"));
}

TEST(FileSystemTest, CurrentFolderChangesThroughAnySpelling) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Work/Here");
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(ChangeDirectory(dir.Path() + "\\WORK\\here"));
    EXPECT_EQ(CurrentDirectory(), std::filesystem::canonical(dir / "Work/Here").string());
    EXPECT_EQ(AbsolutePath("x.bin"), CurrentDirectory() + "/x.bin");
    ASSERT_TRUE(ChangeDirectory(before));
    EXPECT_FALSE(ChangeDirectory(dir / "nope"));
}

TEST(FileSystemTest, SplitPathLikeTheRuntime) {
    PathParts p = SplitPath("C:\\data\\mesh\\level000.f3ds");
    EXPECT_EQ(p.drive, "C:");
    EXPECT_EQ(p.directory, "\\data\\mesh\\");
    EXPECT_EQ(p.name, "level000");
    EXPECT_EQ(p.extension, ".f3ds");
    p = SplitPath("mesh/x.tar.gz");
    EXPECT_EQ(p.directory, "mesh/");
    EXPECT_EQ(p.name, "x.tar");
    EXPECT_EQ(p.extension, ".gz");
    p = SplitPath("folder.d/name");
    EXPECT_EQ(p.directory, "folder.d/");
    EXPECT_EQ(p.name, "name");
    EXPECT_EQ(p.extension, "");
    EXPECT_EQ(DirectoryOf("Vimsa.cat"), ".");
    EXPECT_EQ(DirectoryOf("data\\main.cat"), "data");
    EXPECT_EQ(DirectoryOf("/x"), "/");
    EXPECT_EQ(JoinPath("a", "b"), "a/b");
    EXPECT_EQ(JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(JoinPath("a", "/b"), "/b");
}

}  // namespace
}  // namespace vimsa::files
