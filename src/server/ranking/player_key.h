// A player key: the secret a client makes once (32 random bytes, written as 64 lowercase hex
// digits) and keeps, which owns a ranked name. The server keeps only its SHA-256 hash, so a
// leaked database names no key; a key of 256 random bits needs no salt against guessing.
#pragma once

#include <cstdint>
#include <string>

namespace kokurin {
namespace ranking {

constexpr std::size_t playerKeyLength = 64;

// True for 64 lowercase hex digits.
bool validPlayerKey(const std::string& key);

// The hash the store keeps for a key: 64 lowercase hex digits.
std::string playerKeyHash(const std::string& key);

// SHA-256 of the bytes, as 64 lowercase hex digits.
std::string sha256Hex(const std::string& bytes);

} // namespace ranking
} // namespace kokurin
