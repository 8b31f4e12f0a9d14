// The font cache: one font per height/face pair made on first use, 32 slots, retries of failed
// creations, the script rule and the keys it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/font_cache.h"
#include "gfx/text_format.h"
#include "platform/platform.h"

using namespace kokurin;

namespace {

class FakeFontMaker : public FontMaker {
  public:
    FontHandle makeFont(const FontRequest& request) override {
        ++attempts;
        requests.push_back({request.height, request.faceName, request.script});
        if (failing) {
            return nullptr;
        }
        return &fonts[made++];
    }
    void releaseFont(FontHandle font) override { released.push_back(font); }

    struct Request {
        int height;
        std::string face;
        FontScript script;
    };
    bool failing = false;
    int attempts = 0;
    int made = 0;
    int fonts[64] = {};
    std::vector<Request> requests;
    std::vector<FontHandle> released;
};

const char* const mincho = "ＭＳ 明朝";

} // namespace

TEST(FontCache, FirstUseMakesOneFontAndTheSecondNone) {
    FakeFontMaker maker;
    FontCache cache;
    FontHandle first = cache.findFont(maker, 16, gameFace);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(maker.made, 1);
    EXPECT_EQ(cache.findFont(maker, 16, gameFace), first);
    EXPECT_EQ(maker.attempts, 1);
    EXPECT_EQ(cache.slot(0).height, 16);
    EXPECT_STREQ(cache.slot(0).faceName, gameFace);
    EXPECT_EQ(cache.slot(1).height, 0);
}

TEST(FontCache, SameFaceAtTwoHeightsFillsTwoSlotsInOrderOfFirstUse) {
    FakeFontMaker maker;
    FontCache cache;
    FontHandle big = cache.findFont(maker, 36, gameFace);
    FontHandle small = cache.findFont(maker, 14, gameFace);
    FontHandle other = cache.findFont(maker, 14, mincho);
    EXPECT_NE(big, small);
    EXPECT_NE(small, other);
    EXPECT_EQ(cache.slot(0).height, 36);
    EXPECT_EQ(cache.slot(1).height, 14);
    EXPECT_STREQ(cache.slot(2).faceName, mincho);
    EXPECT_EQ(cache.findFont(maker, 14, gameFace), small);
    EXPECT_EQ(cache.findFont(maker, 36, gameFace), big);
    EXPECT_EQ(cache.findFont(maker, 14, mincho), other);
    EXPECT_EQ(maker.made, 3);
}

TEST(FontCache, FaceNamesMatchByteForByteNotByPrefix) {
    FakeFontMaker maker;
    FontCache cache;
    FontHandle arial = cache.findFont(maker, 18, "Arial");
    FontHandle black = cache.findFont(maker, 18, "Arial Black");
    EXPECT_NE(arial, black);
    EXPECT_EQ(cache.findFont(maker, 18, "Arial"), arial);
    EXPECT_EQ(maker.made, 2);
}

TEST(FontCache, ThirtyThirdPairDrawsNothingWhileTheThirtyTwoKeepWorking) {
    FakeFontMaker maker;
    FontCache cache;
    std::vector<FontHandle> fonts;
    for (int height = 1; height <= fontCacheSlots; ++height) {
        fonts.push_back(cache.findFont(maker, height, gameFace));
        ASSERT_NE(fonts.back(), nullptr);
    }
    EXPECT_EQ(cache.findFont(maker, 33, gameFace), nullptr);
    EXPECT_EQ(cache.findFont(maker, 1, mincho), nullptr);
    EXPECT_EQ(maker.attempts, fontCacheSlots);
    for (int height = 1; height <= fontCacheSlots; ++height) {
        EXPECT_EQ(cache.findFont(maker, height, gameFace), fonts[height - 1]);
    }
    EXPECT_EQ(maker.attempts, fontCacheSlots);
}

TEST(FontCache, FailedCreationIsRetriedByEachEmptySlotOncePerCall) {
    FakeFontMaker maker;
    FontCache cache;
    cache.findFont(maker, 14, gameFace);
    cache.findFont(maker, 16, gameFace);
    cache.findFont(maker, 18, gameFace);
    maker.failing = true;
    maker.attempts = 0;
    EXPECT_EQ(cache.findFont(maker, 40, gameFace), nullptr);
    EXPECT_EQ(maker.attempts, fontCacheSlots - 3);
    EXPECT_EQ(cache.findFont(maker, 40, gameFace), nullptr);
    EXPECT_EQ(maker.attempts, 2 * (fontCacheSlots - 3));
    for (int index = 3; index < fontCacheSlots; ++index) {
        EXPECT_EQ(cache.slot(index).height, 0);
    }
    // Once creation works again the font lands in the first empty slot.
    maker.failing = false;
    FontHandle font = cache.findFont(maker, 40, gameFace);
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(cache.slot(3).height, 40);
    EXPECT_EQ(cache.slot(3).font, font);
}

TEST(FontCache, JapaneseSystemFacesAskForJapaneseAndOthersForLatin) {
    EXPECT_EQ(fontScript("ＭＳ Ｐゴシック"), FontScript::Japanese);
    EXPECT_EQ(fontScript(mincho), FontScript::Japanese);
    EXPECT_EQ(fontScript("ＭＳ ゴシック"), FontScript::Latin);
    EXPECT_EQ(fontScript("ＭＳ Ｐゴシック "), FontScript::Latin);
    EXPECT_EQ(fontScript("MS PGothic"), FontScript::Latin);
    EXPECT_EQ(fontScript(""), FontScript::Latin);

    FakeFontMaker maker;
    FontCache cache;
    cache.findFont(maker, 16, gameFace);
    cache.findFont(maker, 16, mincho);
    cache.findFont(maker, 16, "Tahoma");
    ASSERT_EQ(maker.requests.size(), 3u);
    EXPECT_EQ(maker.requests[0].script, FontScript::Japanese);
    EXPECT_EQ(maker.requests[1].script, FontScript::Japanese);
    EXPECT_EQ(maker.requests[2].script, FontScript::Latin);
    EXPECT_EQ(maker.requests[2].height, 16);
    EXPECT_EQ(maker.requests[2].face, "Tahoma");
}

TEST(FontCache, KeysTheSlotsCannotHoldDrawNothingAndFillNoSlot) {
    FakeFontMaker maker;
    FontCache cache;
    const std::string longest(fontFaceNameSize - 1, 'F');
    const std::string tooLong(fontFaceNameSize, 'F');
    EXPECT_EQ(cache.findFont(maker, 0, gameFace), nullptr);
    EXPECT_EQ(cache.findFont(maker, 16, nullptr), nullptr);
    EXPECT_EQ(cache.findFont(maker, 16, tooLong.c_str()), nullptr);
    EXPECT_EQ(maker.attempts, 0);
    // 31 bytes still fit, and the slot is found again rather than filled anew.
    FontHandle font = cache.findFont(maker, 16, longest.c_str());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(cache.findFont(maker, 16, longest.c_str()), font);
    EXPECT_EQ(maker.made, 1);
    EXPECT_EQ(cache.slot(1).height, 0);
}

TEST(FontCache, ReleaseAllReleasesEveryFontOnce) {
    FakeFontMaker maker;
    FontCache cache;
    FontHandle a = cache.findFont(maker, 14, gameFace);
    FontHandle b = cache.findFont(maker, 40, gameFace);
    cache.releaseAll(maker);
    EXPECT_EQ(maker.released, std::vector<FontHandle>({a, b}));
    for (int index = 0; index < fontCacheSlots; ++index) {
        EXPECT_EQ(cache.slot(index).font, nullptr);
    }
    cache.releaseAll(maker);
    EXPECT_EQ(maker.released.size(), 2u);
}
