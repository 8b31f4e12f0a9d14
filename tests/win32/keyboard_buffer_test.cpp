// DirectInput's keyboard buffer read into the game's keys: only bit 7 of a byte means down.
#include <gtest/gtest.h>

#include "win32/keyboard_input.h"

using namespace kokurin;

TEST(KeyboardBuffer, OnlyBitSevenMeansDown) {
    std::uint8_t buffer[256] = {};
    buffer[keyW] = 0x7F;
    buffer[keyS] = 0x80;
    buffer[keyA] = 0xFF;
    buffer[255] = 0x80;
    bool down[keyboardKeys];
    keysDownInBuffer(buffer, down);
    EXPECT_FALSE(down[keyW]);
    EXPECT_TRUE(down[keyS]);
    EXPECT_TRUE(down[keyA]);
    EXPECT_TRUE(down[255]);
    EXPECT_FALSE(down[keyEscape]);
}
