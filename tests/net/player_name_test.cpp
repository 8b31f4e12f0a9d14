// The one set of name rules every lobby, the ranked store and the API take, and the room codes:
// each rule at its limit and one past it, what is trimmed, and which names count as one.
#include <gtest/gtest.h>

#include "net/player_name.h"
#include "net/room_code.h"

namespace kokurin::net {
namespace {

TEST(PlayerName, LengthsTrimmingAndHiddenCharacters) {
    struct Case {
        std::string typed;
        bool ok;
        std::string name;
    };
    const std::string kana = "\xe3\x81\x82";  // あ, three bytes
    const Case cases[] = {
        {"alice", true, "alice"},
        {"  alice bob \xe3\x80\x80", true, "alice bob"},
        {std::string(16, 'a'), true, std::string(16, 'a')},
        {std::string(17, 'a'), false, ""},
        {" " + std::string(16, 'a') + " ", true, std::string(16, 'a')},
        // Ten kana are 30 bytes, eleven 33: the message's 32 bytes bound them first.
        {std::string() + kana + kana + kana + kana + kana + kana + kana + kana + kana + kana, true,
         std::string() + kana + kana + kana + kana + kana + kana + kana + kana + kana + kana},
        {std::string() + kana + kana + kana + kana + kana + kana + kana + kana + kana + kana + kana,
         false, ""},
        {"", false, ""},
        {"   ", false, ""},
        {"a\tb", false, ""},
        {"a\x7f", false, ""},
        {"a\xc2\x85", false, ""},          // C1 next line
        {"a\xe2\x80\xae" "cba", false, ""}, // right-to-left override
        {"a\xe2\x81\xa6" "b", false, ""},   // left-to-right isolate
        {"a\xe2\x80\x8b" "b", false, ""},   // zero-width space
        {"a\xe2\x80\x8d" "b", false, ""},   // zero-width joiner
        {"\xef\xbb\xbf" "a", false, ""},    // byte order mark
        {"a\xe2\x80\x8f", false, ""},       // right-to-left mark
        {"\xc0\xaf", false, ""},            // an overlong '/'
        {"a\xe3\x81", false, ""},           // cut short
        // Spaces inside: one plain space between words, nothing else.
        {"Ann  Lee", false, ""},
        {"Ann\xc2\xa0Lee", false, ""},      // no-break space
        {"Ann\xe3\x80\x80Lee", false, ""},  // ideographic space
    };
    for (const Case& c : cases) {
        std::string name = "untouched";
        EXPECT_EQ(normalizePlayerName(c.typed, name), c.ok) << c.typed;
        EXPECT_EQ(name, c.ok ? c.name : "untouched") << c.typed;
    }
}

TEST(PlayerName, TheNameAsItStandsWithTheReasonForARefusal) {
    for (const char* good : {"a", "Ann Lee", "剋輪闘の達人", "ÀÉÎõü", "1234567890123456",
                             "<b>&\"'\\"}) {
        std::string why;
        EXPECT_TRUE(validPlayerName(good, why)) << good << ": " << why;
    }
    for (const char* bad : {"", "12345678901234567", " lead", "trail ", "two  spaces", "tab\there",
                            "nl\n", "c1\xc2\x85", "rlo\xe2\x80\xae", "lrm\xe2\x80\x8e",
                            "nbsp\xc2\xa0x", "ideo\xe3\x80\x80x", "tag\xf3\xa0\x80\x81",
                            "pua\xee\x80\x80", "\xe3\x85\xa4", "nonchar\xef\xbf\xbe",
                            "khmer\xe1\x9e\xb4", "bad\xff", "sur\xed\xa0\x80",
                            // Sixteen kana are sixteen characters but 48 bytes.
                            "あいうえおかきくけこさしすせそた"}) {
        std::string why;
        EXPECT_FALSE(validPlayerName(bad, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    EXPECT_FALSE(validPlayerName(std::string("nul\0x", 5)));
}

TEST(PlayerName, CaseAndWidthFoldToOneKey) {
    EXPECT_EQ(playerNameKey("Ann"), playerNameKey("aNN"));
    EXPECT_EQ(playerNameKey("Ann"), playerNameKey("\xef\xbc\xa1nn")); // full-width A
    EXPECT_EQ(playerNameKey("ÉLAN"), playerNameKey("élan"));
    EXPECT_EQ(playerNameKey("ŁÓDŹ"), playerNameKey("łódź"));
    EXPECT_EQ(playerNameKey("ΣΩ"), playerNameKey("σω"));
    EXPECT_EQ(playerNameKey("ЖЁ"), playerNameKey("жё"));
    EXPECT_NE(playerNameKey("Ann"), playerNameKey("Anne"));
    EXPECT_NE(playerNameKey("剋"), playerNameKey("輪"));
    EXPECT_EQ(playerNameKey("×"), "×");
}

TEST(RoomCode, FourToEightLettersAndDigitsInUpperCase) {
    struct Case {
        const char* typed;
        const char* code;
    };
    const Case cases[] = {
        {"abcd", "ABCD"},   {"Ab12Cd34", "AB12CD34"}, {"ABC", nullptr},  {"ABCDEFGHI", nullptr},
        {"../web/x", nullptr}, {"AB-CD", nullptr},    {"ABCD ", nullptr}, {"", nullptr},
        {"\xc3\x84" "BCD", nullptr},
    };
    for (const Case& c : cases) {
        std::string code = "untouched";
        EXPECT_EQ(normalizeRoomCode(c.typed, code), c.code != nullptr) << c.typed;
        EXPECT_EQ(code, c.code != nullptr ? c.code : "untouched") << c.typed;
    }
}

} // namespace
} // namespace kokurin::net
