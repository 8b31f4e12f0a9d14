// Key bindings: the default mapping is the identity for every key, a rebinding moves exactly
// the bound action, every reportable key has a name that reads back, and unplayable bindings
// are refused for their reason.
#include "input/key_bindings.h"

#include <gtest/gtest.h>

#include "input/key_state.h"

namespace kokurin {
namespace {

TEST(KeyBindings, DefaultBindingsMapEveryKeyToItself) {
    for (int key = 0; key < keyboardKeys; ++key) {
        bool physical[keyboardKeys] = {};
        bool game[keyboardKeys];
        physical[key] = true;
        mapBoundKeys(defaultKeyBindings(), physical, game);
        for (int other = 0; other < keyboardKeys; ++other) {
            ASSERT_EQ(game[other], other == key) << key << " " << other;
        }
    }
    // The seats' keys are the ones the screens read.
    const KeyBindings defaults = defaultKeyBindings();
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            EXPECT_EQ(defaults.keys[seat][action], playerKeys[seat][action]);
        }
    }
}

TEST(KeyBindings, ReboundKeysDriveTheCanonicalKeys) {
    KeyBindings b = defaultKeyBindings();
    // 1P: up and down swapped, select on J; 2P left on the keypad.
    b.keys[0][keyUpIndex] = keyS;
    b.keys[0][keyDownIndex] = keyW;
    b.keys[0][keySelectIndex] = keyJ;
    b.keys[1][keyLeftIndex] = keyPad4;
    ASSERT_TRUE(bindingsPlayable(b));
    bool physical[keyboardKeys] = {};
    bool game[keyboardKeys];
    physical[keyS] = true;
    physical[keyJ] = true;
    physical[keyPad4] = true;
    physical[keySpace] = true;
    mapBoundKeys(b, physical, game);
    EXPECT_TRUE(game[keyW]);
    EXPECT_FALSE(game[keyS]);
    EXPECT_TRUE(game[keySpace]);
    EXPECT_TRUE(game[keyLeft]);
    physical[keyJ] = false;
    mapBoundKeys(b, physical, game);
    // SPACE is no longer 1P's select: held alone it selects nothing.
    EXPECT_FALSE(game[keySpace]);
}

TEST(KeyBindings, NamesReadBackAndUnplayableBindingsAreRefused) {
    int named = 0;
    for (int key = 0; key < keyboardKeys; ++key) {
        if (const char* name = keyName(key)) {
            EXPECT_EQ(keyFromName(name), key) << name;
            ++named;
        }
    }
    EXPECT_GE(named, 100);
    EXPECT_EQ(keyFromName("pad5"), keyPad5);
    EXPECT_EQ(keyFromName("nope"), -1);

    const KeyBindings b = defaultKeyBindings();
    EXPECT_EQ(bindingProblem(b, 0, keyLeftIndex, keyJ), BindingProblem::None);
    EXPECT_EQ(bindingProblem(b, 0, keyLeftIndex, keyA), BindingProblem::None);
    EXPECT_EQ(bindingProblem(b, 0, keyLeftIndex, keyD), BindingProblem::SameSeat);
    EXPECT_EQ(bindingProblem(b, 0, keyLeftIndex, keyReturn), BindingProblem::OtherSeat);
    EXPECT_EQ(bindingProblem(b, 1, keySelectIndex, keySpace), BindingProblem::OtherSeat);
    for (int kept : {keyEscape, keyH, keyM, keyF1, keyF11}) {
        EXPECT_EQ(bindingProblem(b, 1, keyUpIndex, kept), BindingProblem::KeptKey);
    }
    EXPECT_EQ(bindingProblem(b, 0, keyUpIndex, 0), BindingProblem::UnknownKey);
    EXPECT_EQ(bindingProblem(b, 0, keyUpIndex, 84), BindingProblem::UnknownKey);
}

} // namespace
} // namespace kokurin
