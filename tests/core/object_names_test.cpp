#include "core/object_names.h"

#include <gtest/gtest.h>

namespace vimsa {
namespace {

TEST(ObjectNamesTest, CountersStartAtZeroAndAreIndependent) {
    ResetObjectNumbersForTesting();
    EXPECT_EQ(TakeObjectNumber(NameCounter::Node), 0);
    EXPECT_EQ(TakeObjectNumber(NameCounter::Node), 1);
    EXPECT_EQ(TakeObjectNumber(NameCounter::Light), 0);
    EXPECT_EQ(TakeObjectNumber(NameCounter::Mesh), 0);
    EXPECT_EQ(PeekObjectNumber(NameCounter::Node), 2);
    EXPECT_EQ(PeekObjectNumber(NameCounter::ParticleSystem), 0);
}

TEST(ObjectNamesTest, PortalGivesItsNodeNumberBack) {
    // Three nodes, one portal (built on a node), then a fourth node.
    ResetObjectNumbersForTesting();
    for (int i = 0; i < 3; ++i)
        TakeObjectNumber(NameCounter::Node);
    TakeObjectNumber(NameCounter::Node);  // the portal's node part
    GiveBackObjectNumber(NameCounter::Node);
    EXPECT_EQ(TakeObjectNumber(NameCounter::Portal), 0);
    EXPECT_EQ(TakeObjectNumber(NameCounter::Node), 3);
}

}  // namespace
}  // namespace vimsa
