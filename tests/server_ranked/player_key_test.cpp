// The player key's hash as the store keeps it.
#include <gtest/gtest.h>

#include "ranking/player_key.h"

namespace kokurin {
namespace ranking {

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
