// vimsa-timedemo run as a user runs it, on a copy of the built data folder:
// the tour through the whole level with each renderer, and a start-up that
// fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/tools/tool_run.h"

namespace vimsa {
namespace {

namespace fs = std::filesystem;

class Timedemo : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::temp_directory_path() /
                ("vimsa-timedemo-test-" + std::to_string(::getpid()) + "-" + Name());
        fs::remove_all(base_);
        fs::create_directories(base_);
        fs::copy(VIMSA_DATA_DIR, base_ / "data", fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(base_); }

    static std::string Name() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return name;
    }
    test::ToolRun Run(const std::string& arguments) const {
        return test::RunProgram(VIMSA_TIMEDEMO_PATH, "--data '" + (base_ / "data").string() +
                                                         "' --step-ms 40 " + arguments);
    }

    fs::path base_;
};

class TimedemoTour : public Timedemo, public ::testing::WithParamInterface<const char*> {};

// Width and height of an uncompressed true-colour TGA, or 0 x 0.
std::pair<int, int> TgaSize(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[18] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[2] != 2) return {0, 0};
    return {header[12] | header[13] << 8, header[14] | header[15] << 8};
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_P(TimedemoTour, TourVisitsTheLevelOpensBothDoorsAndIsStoppedOnlyByTheHighStep) {
    const fs::path report = base_ / "tour.json";
    const test::ToolRun run =
        Run(std::string("--renderer ") + GetParam() + " --shots '" + (base_ / "shots").string() +
            "' --report '" + report.string() + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    const nlohmann::json j = nlohmann::json::parse(ReadAll(report), nullptr, false);
    ASSERT_FALSE(j.is_discarded()) << ReadAll(report);
    EXPECT_EQ(j["setup"]["renderer"], GetParam());

    const std::vector<int> rooms = j["rooms_entered"].get<std::vector<int>>();
    for (int room : {11, 19, 18, 43, 5, 6})
        EXPECT_NE(std::find(rooms.begin(), rooms.end(), room), rooms.end()) << "room " << room;
    // Some doorway is crossed one way and later the other way.
    std::set<std::pair<int, int>> crossings;
    for (size_t i = 1; i < rooms.size(); ++i)
        crossings.insert({rooms[i - 1], rooms[i]});
    const bool bothWays = std::any_of(crossings.begin(), crossings.end(), [&](const auto& c) {
        return crossings.count({c.second, c.first}) > 0;
    });
    EXPECT_TRUE(bothWays);
    EXPECT_GE(j["portal_crossings"].get<int>(), static_cast<int>(rooms.size()) - 1);
    EXPECT_EQ(j["door_openings"], 2);
    EXPECT_GT(j["collisions"].get<int>(), 0);
    // Every place is reached (the low step climbed) but the top of the high step.
    EXPECT_EQ(j["places_given_up"], nlohmann::json::array({"against the high step"}));

    const std::vector<std::string> shots = j["screenshots"].get<std::vector<std::string>>();
    ASSERT_GE(shots.size(), 8u);
    std::set<std::string> pictures;
    for (const std::string& shot : shots) {
        EXPECT_EQ(TgaSize(shot), std::make_pair(640, 480)) << shot;
        pictures.insert(ReadAll(shot));
    }
    EXPECT_EQ(pictures.size(), shots.size()) << "two screenshots show the same picture";
    EXPECT_GT(j["frames"].get<int>(), 500);
    EXPECT_GT(j["fps"]["median"].get<double>(), 0);
    EXPECT_GT(j["triangles_per_second"].get<double>(), 0);
    EXPECT_TRUE(fs::exists(base_ / "tour.svg"));
}

INSTANTIATE_TEST_SUITE_P(Renderers, TimedemoTour, ::testing::Values("opengl", "direct3d"));

TEST_F(Timedemo, StartUpFailureNamesWhatIsMissingAndExitsWithOne) {
    fs::remove_all(base_ / "data");
    fs::create_directories(base_ / "data");
    const test::ToolRun run = Run("--renderer direct3d --frames 10");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("FATAL ERROR"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("font fnt8.tga not found"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("0x810B0104"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace vimsa
