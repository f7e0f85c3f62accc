#include "core/format_string.h"

#include <gtest/gtest.h>

namespace vimsa {
namespace {

TEST(FormatStringTest, ReplacesPreviousContent) {
    std::string s = "something long that was there before";
    FormatString(s, "GraphNode %d", 7);
    EXPECT_EQ(s, "GraphNode 7");
}

TEST(FormatStringTest, LongResultsAreStoredWhole) {
    // Across each buffer boundary the small buffers would cut at: 255, 511 and beyond.
    for (size_t n : {254u, 255u, 256u, 511u, 512u, 3000u, 100000u}) {
        const std::string filler(n, 'x');
        std::string s;
        FormatString(s, "<%s|%d>", filler.c_str(), 42);
        ASSERT_EQ(s.size(), n + 5) << n;
        EXPECT_EQ(s.front(), '<');
        EXPECT_EQ(s.substr(s.size() - 4), "|42>");
    }
}

TEST(FormatStringTest, EmptyFormatGivesEmptyString) {
    std::string s = "old";
    FormatString(s, "%s", "");
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(Format("%05.1f", 3.14159), "003.1");
}

}  // namespace
}  // namespace vimsa
