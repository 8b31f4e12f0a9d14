// Names are decoded to code points once; each is judged on its own (a forbidden character
// anywhere refuses the name), then spaces at either end are dropped and the rest counted.
#include "replay/player_name.h"

#include <cstdint>
#include <vector>

#include "replay/replay_file.h"

namespace kokurin {

namespace {

struct CodePoint {
    std::uint32_t value;
    std::size_t at;
    std::size_t size;
};

// False for anything but shortest-form UTF-8 of scalar values.
bool decodeUtf8(const std::string& s, std::vector<CodePoint>& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t follow = 0;
        std::uint32_t value = 0;
        if (c < 0x80) {
            value = c;
        } else if (c >= 0xc2 && c <= 0xdf) {
            follow = 1;
            value = c & 0x1fu;
        } else if ((c & 0xf0) == 0xe0) {
            follow = 2;
            value = c & 0x0fu;
        } else if (c >= 0xf0 && c <= 0xf4) {
            follow = 3;
            value = c & 0x07u;
        } else {
            return false;
        }
        for (std::size_t k = 1; k <= follow; ++k) {
            if (i + k >= s.size()) {
                return false;
            }
            const auto n = static_cast<unsigned char>(s[i + k]);
            if ((n & 0xc0) != 0x80) {
                return false;
            }
            value = (value << 6) | (n & 0x3fu);
        }
        if ((follow == 2 && (value < 0x800 || (value >= 0xd800 && value <= 0xdfff))) ||
            (follow == 3 && (value < 0x10000 || value > 0x10ffff))) {
            return false;
        }
        out.push_back({value, i, follow + 1});
        i += follow + 1;
    }
    return true;
}

// Characters that draw nothing or change how the text around them is drawn: controls, the
// direction marks, overrides and isolates, zero-width ones, line separators, and the
// interlinear annotation marks and non-characters at the end of the basic plane.
bool forbidden(std::uint32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0xad || c == 0x34f || c == 0x61c ||
           c == 0x115f || c == 0x1160 || c == 0x17b4 || c == 0x17b5 || c == 0x180e ||
           (c >= 0x200b && c <= 0x200f) || (c >= 0x2028 && c <= 0x202e) ||
           (c >= 0x2060 && c <= 0x206f) || c == 0x3164 || (c >= 0xfe00 && c <= 0xfe0f) ||
           c == 0xfeff || c == 0xffa0 || (c >= 0xfff0 && c <= 0xfffb) || c == 0xfffe ||
           c == 0xffff || (c >= 0x1d173 && c <= 0x1d17a) || (c >= 0xe0000 && c <= 0xe0fff);
}

bool space(std::uint32_t c) {
    return c == 0x20 || c == 0xa0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a) ||
           c == 0x202f || c == 0x205f || c == 0x3000;
}

} // namespace

bool normalizePlayerName(const std::string& typed, std::string& name) {
    std::vector<CodePoint> points;
    if (typed.size() > 4 * replayMaxNameBytes || !decodeUtf8(typed, points)) {
        return false;
    }
    for (const CodePoint& p : points) {
        if (forbidden(p.value)) {
            return false;
        }
    }
    std::size_t first = 0;
    std::size_t last = points.size();
    while (first < last && space(points[first].value)) {
        ++first;
    }
    while (last > first && space(points[last - 1].value)) {
        --last;
    }
    if (first == last || last - first > maxNameCharacters) {
        return false;
    }
    const std::size_t begin = points[first].at;
    const std::size_t end = points[last - 1].at + points[last - 1].size;
    if (end - begin > replayMaxNameBytes) {
        return false;
    }
    name = typed.substr(begin, end - begin);
    return true;
}

} // namespace kokurin
