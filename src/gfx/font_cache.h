// The 32-slot font cache of the text drawing: fonts are made on first use, keyed by height and
// face name, and kept until the process ends. Making and releasing a font is left to a
// FontMaker, which the Direct3D front end implements with D3DX.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int fontCacheSlots = 32;
// The face-name field of a slot, NUL included: names of 32 bytes or more never fit.
constexpr std::size_t fontFaceNameSize = 32;

constexpr int ansiCharSet = 0;
constexpr int shiftJisCharSet = 128;

// E_FAIL, the result of a font that could not be made.
constexpr std::int32_t fontCreateFailed = static_cast<std::int32_t>(0x80004005u);

// A font object of the platform (an ID3DXFont in the Direct3D front end).
using FontHandle = void*;

class FontMaker {
public:
    virtual ~FontMaker() = default;
    // Makes a font of the given height, UTF-8 face name and character set; null on failure.
    virtual FontHandle makeFont(int height, const char* faceName, int charSet) = 0;
    virtual void releaseFont(FontHandle font) = 0;
};

// The two Japanese system faces ask for the Shift-JIS character set, every other face for ANSI.
int fontCharSet(const char* faceName);

struct FontCacheEntry {
    FontHandle font = nullptr;
    // 0 marks an empty slot.
    std::int32_t height = 0;
    char faceName[fontFaceNameSize] = {};

    // (Re)makes the slot's font. On failure returns fontCreateFailed and the slot keeps its
    // key (an empty slot stays empty); on success stores the key and returns 0.
    std::int32_t createFont(FontMaker& maker, int height, const char* faceName);
};

class FontCache {
public:
    // The font for height and face, made in the first empty slot on first use; null when it
    // cannot be made, when 32 other pairs fill the cache, or for a key the cache cannot hold
    // (height 0, no face, a face of 32 bytes or more).
    FontHandle findFont(FontMaker& maker, int height, const char* faceName);
    // Releases every font; the slots become empty.
    void releaseAll(FontMaker& maker);
    const FontCacheEntry& slot(int index) const { return slots_[index]; }

private:
    FontCacheEntry slots_[fontCacheSlots];
};
