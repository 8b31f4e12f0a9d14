// The names and room codes every lobby takes: each rule at its limit and one past it.
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
    };
    for (const Case& c : cases) {
        std::string name = "untouched";
        EXPECT_EQ(normalizePlayerName(c.typed, name), c.ok) << c.typed;
        EXPECT_EQ(name, c.ok ? c.name : "untouched") << c.typed;
    }
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
