// The hold counters of the key-state table and the seats' key codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "input/key_state.h"

using namespace kokurin;

namespace {

class KeyStateTest : public ::testing::Test {
  protected:
    void SetUp() override { std::memset(keyState, 0, sizeof keyState); }
    void TearDown() override { std::memset(keyState, 0, sizeof keyState); }

    void poll(std::initializer_list<int> down) {
        bool keys[keyboardKeys] = {};
        for (int code : down) {
            keys[code] = true;
        }
        updateKeyStates(keys);
    }
};

} // namespace

TEST_F(KeyStateTest, HeldKeyCountsUpReleasesToZeroAndPressesAgainAsOne) {
    poll({keyD});
    EXPECT_EQ(keyState[keyD], 1);
    EXPECT_TRUE(keyPressed(keyD));
    poll({keyD});
    EXPECT_EQ(keyState[keyD], 2);
    EXPECT_FALSE(keyPressed(keyD));
    poll({keyD});
    EXPECT_EQ(keyState[keyD], 3);
    poll({});
    EXPECT_EQ(keyState[keyD], 0);
    EXPECT_FALSE(keyPressed(keyD));
    poll({keyD});
    EXPECT_EQ(keyState[keyD], 1);
    EXPECT_TRUE(keyPressed(keyD));
}

TEST_F(KeyStateTest, TwoKeysPressedOnOneFrameBothReadOne) {
    poll({keySpace, keyReturn});
    EXPECT_EQ(keyState[keySpace], 1);
    EXPECT_EQ(keyState[keyReturn], 1);
    EXPECT_EQ(keyState[keyEscape], 0);
    // One of them held on, the other released and a third pressed.
    poll({keySpace, keyEscape});
    EXPECT_EQ(keyState[keySpace], 2);
    EXPECT_EQ(keyState[keyReturn], 0);
    EXPECT_EQ(keyState[keyEscape], 1);
}

TEST_F(KeyStateTest, KeyboardPollLeavesOtherInputCodesAlone) {
    keyState[256] = 4;
    keyState[300] = 2;
    poll({});
    EXPECT_EQ(keyState[256], 4);
    EXPECT_EQ(keyState[300], 2);
    // Every one of the 256 keyboard codes is updated.
    bool all[keyboardKeys];
    std::fill(all, all + keyboardKeys, true);
    updateKeyStates(all);
    updateKeyStates(all);
    for (int code = 0; code < 256; ++code) {
        ASSERT_EQ(keyState[code], 2) << code;
    }
}

TEST_F(KeyStateTest, EveryCodeOfTheTableFollowsTheSameRule) {
    updateKeyCounter(keyState[300], true);
    updateKeyCounter(keyState[301], false);
    updateKeyCounter(keyState[271], true);
    EXPECT_EQ(keyState[300], 1);
    EXPECT_EQ(keyState[301], 0);
    EXPECT_EQ(keyState[271], 1);
    updateKeyCounter(keyState[300], true);
    updateKeyCounter(keyState[271], false);
    EXPECT_EQ(keyState[300], 2);
    EXPECT_EQ(keyState[271], 0);
}
