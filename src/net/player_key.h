// The player key: 256 random bits made on a player's first online visit and kept with the
// settings, which owns the player's ranked name (the server keeps only a hash of it). It is
// written two ways: 64 hex digits in the settings, and a code for a person to copy to another
// device: the bits in base32 (0-9 and the letters but I L O U), two check characters, in nine
// groups of six.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "net/protocol.h"

namespace kokurin::net {

struct PlayerKey {
    std::array<std::uint8_t, playerKeyBytes> bytes{};
    // A key of all zeros is none (never made).
    bool empty() const;
};

// 64 lowercase hex digits; a hex text back (false, key untouched, for anything else).
std::string playerKeyHex(const PlayerKey& key);
bool readPlayerKeyHex(const std::string& hex, PlayerKey& key);

// The code to copy: "ABCDEF-GHJKMN-…" (62 characters). Reading one takes either case, with or
// without the dashes and spaces, and I and L as 1, O as 0; false (key untouched) for a code of
// the wrong length or characters or whose check does not hold (a mistyped character, two
// neighbours swapped).
std::string playerKeyCode(const PlayerKey& key);
bool readPlayerKeyCode(const std::string& typed, PlayerKey& key);

// A fresh key from the system's cryptographic source; false when it has none.
bool makePlayerKey(PlayerKey& key);

} // namespace kokurin::net
