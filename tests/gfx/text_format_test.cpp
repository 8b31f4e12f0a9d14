// formatText's one shared buffer and the 511-byte cut of both formatting calls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gfx/text_format.h"
#include "headless/headless.h"
#include "platform/platform.h"

using namespace kokurin;

TEST(FormatText, ReturnsTheSameBufferAndTheSecondCallOverwritesTheFirst) {
    const char* first = formatText("data/%s", "long_portrait_name.png");
    const std::string copy = first;
    const char* second = formatText("%d", 7);
    EXPECT_EQ(first, second);
    EXPECT_EQ(copy, "data/long_portrait_name.png");
    EXPECT_STREQ(first, "7");
    // The shorter text leaves nothing of the longer one behind the NUL.
    EXPECT_EQ(first[2], '\0');
    EXPECT_EQ(first[10], '\0');
}

TEST(FormatText, AText511BytesLongIsKeptWhole) {
    const std::string text(511, 'x');
    EXPECT_EQ(std::string(formatText("%s", text.c_str())), text);
}

TEST(FormatText, LongerTextsAreCutAt511Bytes) {
    const std::string text(700, 'y');
    const char* result = formatText("%s!", text.c_str());
    EXPECT_EQ(std::strlen(result), 511u);
    EXPECT_EQ(std::string(result), text.substr(0, 511));
}

TEST(FormatText, ACharacterSplitByTheCutIsDroppedWhole) {
    // 509 bytes and a three-byte character would need 512.
    const std::string text = std::string(509, 'a') + "剋" + "b";
    const char* result = formatText("%s", text.c_str());
    EXPECT_EQ(std::strlen(result), 509u);
    // Exactly fitting, the character stays.
    const std::string fits = std::string(508, 'a') + "剋" + "b";
    EXPECT_EQ(std::string(formatText("%s", fits.c_str())), std::string(508, 'a') + "剋");
}

TEST(DrawTextFormat, DrawsTheFormattedTextCutAt511Bytes) {
    headless::reset();
    const std::string text(600, 'z');
    drawTextFormat(10, 20, 0xFFFFFFFFu, 16, gameFace, 0, "%s%d", text.c_str(), 5);
    drawTextFormat(30, 40, 0xFF00FF00u, 36, gameFace, textCentre, "残り%d秒", 12);
    const auto& frame = headless::currentFrame();
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_EQ(frame[0].text, text.substr(0, 511));
    EXPECT_EQ(frame[0].x, 10);
    EXPECT_EQ(frame[0].y, 20);
    EXPECT_EQ(frame[0].height, 16);
    EXPECT_EQ(frame[1].text, "残り12秒");
    EXPECT_EQ(frame[1].colour, 0xFF00FF00u);
    EXPECT_EQ(frame[1].format, textCentre);
    headless::reset();
}
