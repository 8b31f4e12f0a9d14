// The player key's two written forms: the settings' hex and the code a person copies, read back
// in any case and with or without its dashes; the code's check refuses every single mistyped
// character and every two neighbours swapped; a fresh key comes from the system's source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "net/player_key.h"

namespace kokurin::net {
namespace {

PlayerKey sampleKey() {
    PlayerKey key;
    for (std::size_t i = 0; i < playerKeyBytes; ++i) {
        key.bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return key;
}

TEST(PlayerKey, HexAndCodeRoundTrip) {
    const PlayerKey key = sampleKey();
    const std::string hex = playerKeyHex(key);
    EXPECT_EQ(hex.substr(0, 8), "0b30557a");
    PlayerKey back;
    ASSERT_TRUE(readPlayerKeyHex(hex, back));
    EXPECT_EQ(back.bytes, key.bytes);
    EXPECT_FALSE(readPlayerKeyHex(hex.substr(1), back));
    EXPECT_FALSE(readPlayerKeyHex("0B" + hex.substr(2), back)) << "the settings' own lower case";

    const std::string code = playerKeyCode(key);
    ASSERT_EQ(code.size(), 62u);
    for (std::size_t i = 6; i < code.size(); i += 7) {
        EXPECT_EQ(code[i], '-') << "nine groups of six";
    }
    EXPECT_EQ(code.find_first_of("ILOU"), std::string::npos);
    PlayerKey read;
    ASSERT_TRUE(readPlayerKeyCode(code, read));
    EXPECT_EQ(read.bytes, key.bytes);

    // Lower case, no dashes, spaces, and the letters a reader takes for digits.
    std::string loose;
    for (char c : code) {
        if (c == '-') {
            loose += ' ';
        } else if (c == '1') {
            loose += 'l';
        } else if (c == '0') {
            loose += 'O';
        } else {
            loose += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    PlayerKey fromLoose;
    ASSERT_TRUE(readPlayerKeyCode(loose, fromLoose)) << loose;
    EXPECT_EQ(fromLoose.bytes, key.bytes);
}

TEST(PlayerKey, EveryMistypedCharacterAndSwappedPairIsRefused) {
    const std::string code = playerKeyCode(sampleKey());
    const std::string alphabet = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
    int tried = 0;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '-') {
            continue;
        }
        for (char c : alphabet) {
            if (c == code[i]) {
                continue;
            }
            std::string typo = code;
            typo[i] = c;
            PlayerKey key;
            EXPECT_FALSE(readPlayerKeyCode(typo, key)) << typo;
            ++tried;
        }
    }
    EXPECT_EQ(tried, 54 * 31);
    std::string bare = code;
    bare.erase(std::remove(bare.begin(), bare.end(), '-'), bare.end());
    for (std::size_t i = 0; i + 1 < bare.size(); ++i) {
        std::string swapped = bare;
        std::swap(swapped[i], swapped[i + 1]);
        PlayerKey key;
        if (swapped != bare) {
            EXPECT_FALSE(readPlayerKeyCode(swapped, key)) << "swapped at " << i;
        }
    }
    PlayerKey key;
    EXPECT_FALSE(readPlayerKeyCode(code.substr(0, 61), key));
    EXPECT_FALSE(readPlayerKeyCode(code + "0", key));
    EXPECT_FALSE(readPlayerKeyCode(code.substr(0, 10) + "U" + code.substr(11), key));
    EXPECT_FALSE(readPlayerKeyCode(playerKeyCode(PlayerKey()), key)) << "no key is none";
}

TEST(PlayerKey, AFreshKeyIsRandomAndNeverNone) {
    PlayerKey first;
    PlayerKey second;
    ASSERT_TRUE(makePlayerKey(first));
    ASSERT_TRUE(makePlayerKey(second));
    EXPECT_FALSE(first.empty());
    EXPECT_NE(first.bytes, second.bytes);
}

} // namespace
} // namespace kokurin::net
