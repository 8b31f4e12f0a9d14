// The 32-slot font cache of the text drawing: fonts are made on first use, keyed by height and
// face name, and kept until the process ends. Making and releasing a font is left to a
// FontMaker, which each front end implements with its platform's fonts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace kokurin {

constexpr int fontCacheSlots = 32;
// The face-name field of a slot, NUL included: names of 32 bytes or more never fit.
constexpr std::size_t fontFaceNameSize = 32;

// The characters a font is asked for: the Japanese faces for Japanese text, any other face for
// Latin text. A front end turns this into its platform's character set.
enum class FontScript { Latin, Japanese };

// What a front end is asked to make: a font of this pixel height, UTF-8 face name and script.
struct FontRequest {
    int height;
    const char* faceName;
    FontScript script;
};

// A font object of the front end's platform, opaque to the cache.
using FontHandle = void*;

class FontMaker {
  public:
    virtual ~FontMaker() = default;
    // Makes the font asked for; null on failure.
    virtual FontHandle makeFont(const FontRequest& request) = 0;
    virtual void releaseFont(FontHandle font) = 0;
};

// The two Japanese system faces ask for Japanese, every other face for Latin.
FontScript fontScript(const char* faceName);

struct FontCacheEntry {
    FontHandle font = nullptr;
    // 0 marks an empty slot.
    std::int32_t height = 0;
    char faceName[fontFaceNameSize] = {};

    // (Re)makes the slot's font. On failure returns resultFailed and the slot keeps its key (an
    // empty slot stays empty); on success stores the key and returns resultOk.
    ResultCode createFont(FontMaker& maker, int height, const char* faceName);
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

} // namespace kokurin
