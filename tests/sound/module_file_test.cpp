#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sound/it_module.h"
#include "sound/mod_module.h"
#include "sound/play_state.h"
#include "sound/s3m_module.h"
#include "tests/sound/module_builder.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;

class ModuleFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vimsa_sound_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

    fs::path dir_;
};

TEST(ReplaceExtensionTest, ReplacesOnlyTheLastComponentsExtension) {
    EXPECT_EQ(ReplaceExtension("song.mod", ".MOD"), "song.MOD");
    EXPECT_EQ(ReplaceExtension("dir.v2/song", ".S3M"), "dir.v2/song.S3M");
    EXPECT_EQ(ReplaceExtension("dir\\song.x.y", ".MOD"), "dir\\song.x.MOD");
    EXPECT_EQ(ReplaceExtension("song", ".MOD"), "song.MOD");
}

TEST_F(ModuleFileTest, ModReadsUnderItsOwnExtensionInAnyCaseAndWithEitherSeparator) {
    const std::vector<uint8_t> file = test::ModBuilder().Build();
    fs::create_directories(dir_ / "Music");
    Write("Music/SONG.MOD", file);
    for (const char* asked : {"/Music/SONG.xm", "/music/song.mod", "\\Music\\Song.mod"}) {
        ModModule m;
        EXPECT_EQ(m.ReadFile(dir_.string() + asked), RESULT_OK) << asked;
        EXPECT_EQ(m.FileData(), file) << asked;
    }
}

TEST_F(ModuleFileTest, S3mUsesS3mAndItKeepsTheGivenName) {
    const std::vector<uint8_t> s3m = test::S3mBuilder().Build();
    Write("Tune.S3m", s3m);
    S3mModule s;
    EXPECT_EQ(s.ReadFile((dir_ / "tune").string()), RESULT_OK);
    EXPECT_EQ(s.FileData().size(), s3m.size());
    const std::vector<uint8_t> it = test::ItBuilder().Build();
    Write("song.bin", it);
    ItModule i;
    EXPECT_EQ(i.ReadFile((dir_ / "song.bin").string()), RESULT_OK);
    EXPECT_EQ(i.Validate(), RESULT_OK);
    EXPECT_EQ(i.ReadFile((dir_ / "song.it").string()), ERR_FILE_OPEN);
}

TEST_F(ModuleFileTest, ReadingEmptiesTheModuleFirst) {
    Write("tune.mod", test::ModBuilder().Build());
    ModModule m;
    ASSERT_EQ(m.ReadFile((dir_ / "tune.mod").string()), RESULT_OK);
    ASSERT_EQ(m.Validate(), RESULT_OK);
    ASSERT_EQ(m.Parse(), RESULT_OK);
    EXPECT_EQ(m.ReadFile((dir_ / "missing.mod").string()), ERR_FILE_OPEN);
    EXPECT_EQ(m.LastResult(), ERR_FILE_OPEN);
    EXPECT_TRUE(m.FileData().empty());
    EXPECT_FALSE(m.Parsed());
    EXPECT_FALSE(m.Loaded());
    EXPECT_EQ(m.Validate(), ERR_MODULE_NO_DATA);
}

TEST(ModuleDataTest, ReloadingFreesEveryPlayState) {
    ModModule m;
    ASSERT_EQ(m.SetData(test::ModBuilder().Build()), RESULT_OK);
    ASSERT_EQ(m.Validate(), RESULT_OK);
    ASSERT_EQ(m.Parse(), RESULT_OK);
    PlayState* second = nullptr;
    ASSERT_EQ(m.StartSong(0, 0, true, false, false), RESULT_OK);
    ASSERT_EQ(m.StartSong(0, 0, true, false, true, &second), RESULT_OK);
    const uint64_t ids[] = {m.GetPlayState(0)->Id(), second->Id()};
    ASSERT_EQ(m.SetData(test::ModBuilder().Build()), RESULT_OK);
    for (const uint64_t id : ids)
        EXPECT_EQ(m.FindPlayState(id), nullptr);
    ASSERT_EQ(m.PlayStateCount(), 1u);
    EXPECT_FALSE(m.GetPlayState(0)->playing);
    EXPECT_EQ(m.FindPlayState(m.GetPlayState(0)->Id()), m.GetPlayState(0));
}

TEST_F(ModuleFileTest, EmptyFileHasNoData) {
    Write("empty.it", {});
    ItModule m;
    EXPECT_EQ(m.ReadFile((dir_ / "empty.it").string()), RESULT_OK);
    EXPECT_EQ(m.Validate(), ERR_MODULE_NO_DATA);
}

}  // namespace
}  // namespace vimsa
