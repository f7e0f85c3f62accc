// The polled keyboard: what a frame sees of presses and holds between two
// queries.
#include <gtest/gtest.h>

#include "platform/input/key_table.h"

namespace vimsa::input {
namespace {

TEST(KeyTableTest, QueriesSeePressesOnceAndHoldsEveryFrame) {
    KeyTable keys;
    EXPECT_FALSE(keys.Held(Key::Up));
    // Down across two queries: pressed once, held both times.
    keys.KeyDown(Key::Up);
    keys.KeyDown(Key::Up);  // auto-repeat is no new press
    EXPECT_TRUE(keys.Pressed(Key::Up));
    EXPECT_FALSE(keys.Pressed(Key::Up));
    EXPECT_TRUE(keys.Held(Key::Up));
    keys.KeyUp(Key::Up);
    EXPECT_FALSE(keys.Held(Key::Up));
    // A tap between two frames: not down, but pressed, and held for one frame.
    keys.KeyDown(Key::F12);
    keys.KeyUp(Key::F12);
    const KeyState tap = keys.Query(Key::F12);
    EXPECT_FALSE(tap.down);
    EXPECT_TRUE(tap.pressed);
    EXPECT_FALSE(keys.Held(Key::F12));
    // Each key has its own mark; a reset drops them all.
    keys.KeyDown(Key::Left);
    keys.KeyDown(Key::Right);
    EXPECT_TRUE(keys.Pressed(Key::Left));
    keys.Reset();
    EXPECT_FALSE(keys.Held(Key::Right));
    EXPECT_FALSE(keys.Held(Key::Count));
}

TEST(KeyTableTest, NamesReadBackInAnyCase) {
    for (int i = 0; i < static_cast<int>(Key::Count); ++i) {
        Key key = Key::Count;
        ASSERT_TRUE(KeyFromName(KeyName(static_cast<Key>(i)), key)) << i;
        EXPECT_EQ(key, static_cast<Key>(i));
    }
    Key key = Key::Count;
    EXPECT_TRUE(KeyFromName("numpad8", key));
    EXPECT_EQ(key, Key::Numpad8);
    EXPECT_FALSE(KeyFromName("F13", key));
    EXPECT_FALSE(KeyFromName(nullptr, key));
}

}  // namespace
}  // namespace vimsa::input
