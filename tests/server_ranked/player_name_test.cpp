// Which names may be claimed, which count as the same, and the key's hash.
#include <gtest/gtest.h>

#include "ranking/player_key.h"
#include "ranking/player_name.h"

namespace kokurin {
namespace ranking {

TEST(PlayerName, VisibleNamesOfOneToSixteenCharactersOnly) {
    for (const char* good : {"a", "Ann Lee", "剋輪闘の達人", "ÀÉÎõü", "1234567890123456",
                             "あいうえおかきくけこさしすせそた", "<b>&\"'\\"}) {
        std::string why;
        EXPECT_TRUE(validPlayerName(good, why)) << good << ": " << why;
    }
    for (const char* bad : {"",
                            "12345678901234567",
                            " lead",
                            "trail ",
                            "two  spaces",
                            "tab\there",
                            "nl\n",
                            "del\x7f",
                            "c1\xc2\x85",
                            "rlo\xe2\x80\xae",
                            "zw\xe2\x80\x8b",
                            "bom\xef\xbb\xbf",
                            "lrm\xe2\x80\x8e",
                            "iso\xe2\x81\xa6",
                            "nbsp\xc2\xa0x",
                            "ideo\xe3\x80\x80x",
                            "tag\xf3\xa0\x80\x81",
                            "pua\xee\x80\x80",
                            "\xe3\x85\xa4",
                            "bad\xff",
                            "over\xc0\xaf",
                            "sur\xed\xa0\x80",
                            "cut\xe3\x81"}) {
        EXPECT_FALSE(validPlayerName(bad)) << bad;
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

TEST(PlayerKey, OnlyHexKeysAndTheirSha256) {
    // FIPS 180-2's examples.
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    const std::string key(64, 'a');
    EXPECT_TRUE(validPlayerKey(key));
    EXPECT_FALSE(validPlayerKey(std::string(63, 'a')));
    EXPECT_FALSE(validPlayerKey(std::string(64, 'A')));
    EXPECT_FALSE(validPlayerKey(std::string(63, 'a') + "g"));
    EXPECT_EQ(playerKeyHash(key).size(), 64u);
    EXPECT_NE(playerKeyHash(key), sha256Hex(key));
    EXPECT_NE(playerKeyHash(key), playerKeyHash(std::string(63, 'a') + "b"));
}

} // namespace ranking
} // namespace kokurin
