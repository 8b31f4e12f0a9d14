// The font cache: a linear search over 32 slots that fill from the first in order of first use.
#include "gfx/font_cache.h"

#include <cstring>

namespace kokurin {

namespace {

// "ＭＳ Ｐゴシック" and "ＭＳ 明朝", the faces that carry the Japanese glyphs.
const char* const japaneseFaces[] = {"ＭＳ Ｐゴシック", "ＭＳ 明朝"};

bool faceFits(const char* faceName) {
    return std::memchr(faceName, '\0', fontFaceNameSize) != nullptr;
}

} // namespace

FontScript fontScript(const char* faceName) {
    if (faceName == nullptr) {
        return FontScript::Latin;
    }
    for (const char* face : japaneseFaces) {
        if (std::strcmp(faceName, face) == 0) {
            return FontScript::Japanese;
        }
    }
    return FontScript::Latin;
}

ResultCode FontCacheEntry::createFont(FontMaker& maker, int newHeight, const char* newFaceName) {
    if (font != nullptr) {
        maker.releaseFont(font);
        font = nullptr;
    }
    font = maker.makeFont(FontRequest{newHeight, newFaceName, fontScript(newFaceName)});
    if (font == nullptr) {
        return resultFailed;
    }
    height = newHeight;
    std::memset(faceName, 0, sizeof faceName);
    std::strncpy(faceName, newFaceName, sizeof faceName - 1);
    return resultOk;
}

FontHandle FontCache::findFont(FontMaker& maker, int height, const char* faceName) {
    // Height 0 is the empty-slot mark, and a face the slot field cannot hold would never match
    // its own slot: either would fill a new slot on every call (kept: long-face).
    if (height == 0 || faceName == nullptr || !faceFits(faceName)) {
        return nullptr;
    }
    for (FontCacheEntry& entry : slots_) {
        if (entry.height == 0) {
            // A failed creation leaves the slot empty, so every later empty slot tries again.
            entry.createFont(maker, height, faceName);
        }
        if (entry.height == height && std::strcmp(entry.faceName, faceName) == 0) {
            return entry.font;
        }
    }
    return nullptr;
}

void FontCache::releaseAll(FontMaker& maker) {
    for (FontCacheEntry& entry : slots_) {
        if (entry.font != nullptr) {
            maker.releaseFont(entry.font);
            entry.font = nullptr;
        }
        entry.height = 0;
        entry.faceName[0] = '\0';
    }
}

} // namespace kokurin
