// A ranked player's name: what may be claimed (1 to 16 visible characters of UTF-8, no control,
// direction or zero-width characters, no space at either end), and the key under which two
// names count as the same (letters of any case, full-width Latin as its ASCII).
#pragma once

#include <string>

namespace kokurin {
namespace ranking {

constexpr int maximumNameCharacters = 16;
// 16 characters of at most four bytes each.
constexpr std::size_t maximumNameBytes = 64;

// True when the name may be claimed; otherwise why not, in plain words.
bool validPlayerName(const std::string& name, std::string& why);
bool validPlayerName(const std::string& name);

// The name folded for comparison: two names with the same key are the same name. Only for
// names validPlayerName accepts.
std::string playerNameKey(const std::string& name);

// The code points of UTF-8 text; false for text that is not valid UTF-8 (overlong forms,
// surrogates and anything past U+10FFFF included).
bool decodeUtf8(const std::string& text, std::u32string& out);
void appendUtf8(std::u32string::value_type c, std::string& out);

} // namespace ranking
} // namespace kokurin
