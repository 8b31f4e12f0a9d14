// Names are decoded to code points once and each is judged on its own (a forbidden character
// anywhere refuses the name). Names are compared by a folded key rather than by collation, so
// that SQLite, PostgreSQL and every client agree on what is taken.
#include "replay/player_name.h"

#include "replay/replay_file.h"

namespace kokurin {

namespace {

// Characters that draw nothing, draw as nothing anyone else can read, or change how the text
// around them is drawn.
bool forbidden(char32_t c) {
    // C0, DEL and C1 controls.
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        return true;
    }
    // Soft hyphen, combining grapheme joiner, Arabic letter mark, Hangul fillers, Khmer inherent
    // vowels, Mongolian vowel separator.
    if (c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F || c == 0x1160 || c == 0x17B4 ||
        c == 0x17B5 || c == 0x180E || c == 0x3164 || c == 0xFFA0) {
        return true;
    }
    // Zero-width space, joiners, direction marks, line and paragraph separators, embeddings and
    // overrides, word joiner, invisible operators and isolates.
    if ((c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
        (c >= 0x2060 && c <= 0x206F)) {
        return true;
    }
    // Variation selectors, the byte order mark, specials and interlinear annotations, musical
    // formatting controls, tags.
    if ((c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFB) ||
        (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF)) {
        return true;
    }
    // Private use and non-characters.
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000 || (c >= 0xFDD0 && c <= 0xFDEF) ||
           (c & 0xFFFE) == 0xFFFE;
}

// Spaces other than the plain one: trimmed from the ends of what is typed, refused inside.
bool otherSpace(char32_t c) {
    return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

char32_t fold(char32_t c) {
    // Full-width Latin letters and digits are their ASCII selves.
    if (c >= 0xFF01 && c <= 0xFF5E) {
        c -= 0xFEE0;
    }
    if (c >= 'A' && c <= 'Z') {
        return c + 32;
    }
    // Latin-1 capitals (not the multiplication sign).
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return c + 32;
    }
    // Latin Extended-A pairs capital/small, but for the few that break the pattern.
    if (c == 0x178) {
        return 0xFF;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddCapital) {
            return (c % 2 == 1) ? c + 1 : c;
        }
        return (c % 2 == 0) ? c + 1 : c;
    }
    // Greek and Cyrillic capitals.
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) {
        return c + 32;
    }
    if (c >= 0x410 && c <= 0x42F) {
        return c + 32;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    return c;
}

} // namespace

bool decodeUtf8(const std::string& text, std::u32string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            c = b & 0x1F;
            least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            c = b & 0x0F;
            least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            c = b & 0x07;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0) {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next =
                static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool validPlayerName(const std::string& name, std::string& why) {
    std::u32string chars;
    if (!decodeUtf8(name, chars)) {
        why = "a name is 1 to 16 characters of UTF-8";
        return false;
    }
    if (chars.empty() || chars.size() > maxNameCharacters) {
        why = "a name is 1 to 16 characters";
        return false;
    }
    if (name.size() > replayMaxNameBytes) {
        why = "a name is at most 32 bytes of UTF-8";
        return false;
    }
    for (char32_t c : chars) {
        if (forbidden(c)) {
            why = "a name may not hold control, direction or invisible characters";
            return false;
        }
        if (otherSpace(c)) {
            why = "a name may hold only plain spaces";
            return false;
        }
    }
    if (chars.front() == U' ' || chars.back() == U' ') {
        why = "a name may not start or end with a space";
        return false;
    }
    for (std::size_t i = 1; i < chars.size(); ++i) {
        if (chars[i] == U' ' && chars[i - 1] == U' ') {
            why = "a name may not hold two spaces together";
            return false;
        }
    }
    return true;
}

bool validPlayerName(const std::string& name) {
    std::string why;
    return validPlayerName(name, why);
}

bool normalizePlayerName(const std::string& typed, std::string& name) {
    std::u32string chars;
    if (typed.size() > 4 * replayMaxNameBytes || !decodeUtf8(typed, chars)) {
        return false;
    }
    std::size_t first = 0;
    std::size_t last = chars.size();
    while (first < last && (chars[first] == U' ' || otherSpace(chars[first]))) {
        ++first;
    }
    while (last > first && (chars[last - 1] == U' ' || otherSpace(chars[last - 1]))) {
        --last;
    }
    std::string trimmed;
    for (std::size_t i = first; i < last; ++i) {
        appendUtf8(chars[i], trimmed);
    }
    if (!validPlayerName(trimmed)) {
        return false;
    }
    name = trimmed;
    return true;
}

std::string playerNameKey(const std::string& name) {
    std::u32string chars;
    decodeUtf8(name, chars);
    std::string key;
    for (char32_t c : chars) {
        appendUtf8(fold(c), key);
    }
    return key;
}

} // namespace kokurin
