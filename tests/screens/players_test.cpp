// What makes the game playable without Japanese, a keyboard or steady eyes: the language's
// choice and tables, pointer picks on the title, the help overlay drawn over frames and gone
// again, and the reduced flashing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "headless/headless_settings.h"
#include "input/key_state.h"
#include "screens/flash_options.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
#include "screens/match_screen.h"
#include "screens/title_screen.h"
#include "support/screen_frames.h"

using namespace kokurin;
using namespace testing_support;

namespace {

class Players : public ScreenTest {};

// Every frame a run presents.
class AllFrames {
  public:
    AllFrames() {
        headless::setFrameHook([this](const Frame& frame, long) { frames.push_back(frame); });
    }
    ~AllFrames() { headless::setFrameHook(nullptr); }
    std::vector<Frame> frames;
};

bool sameDraw(const headless::DrawCall& a, const headless::DrawCall& b) {
    return a.kind == b.kind && a.x == b.x && a.y == b.y && a.text == b.text &&
           a.colour == b.colour && a.picture == b.picture && a.vertices.size() == b.vertices.size();
}

// The printf conversions of a format, in order ("%d", "%.2f").
std::string conversions(const char* format) {
    std::string found;
    for (const char* p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p + 1, '%')) {
        found += std::string(p, std::strcspn(p + 1, "dfs") + 2);
    }
    return found;
}

std::vector<Frame> titleRun(headless::KeyScript& keys) {
    AllFrames shown;
    headless::setKeySource(&keys);
    runGame([](PlaySession& session) { return kokurin::runTitleScreen(session); });
    return shown.frames;
}

} // namespace

TEST(Language, ARequestWinsThenTheSettingThenTheSystemWhichIsEnglishUnlessItSaysJapanese) {
    EXPECT_EQ(chooseLanguage("en", "ja", "ja_JP.UTF-8"), Language::English);
    EXPECT_EQ(chooseLanguage("ja", "en", "en_US"), Language::Japanese);
    EXPECT_EQ(chooseLanguage("", "en", "ja_JP"), Language::English);
    EXPECT_EQ(chooseLanguage("", "ja", "en-GB"), Language::Japanese);
    EXPECT_EQ(chooseLanguage("", "auto", "en_US.UTF-8"), Language::English);
    EXPECT_EQ(chooseLanguage("fr", "auto", "de-DE"), Language::English);
    EXPECT_EQ(chooseLanguage("", "auto", "ja-JP"), Language::Japanese);
    // A system that names no language is not a Japanese one.
    for (const char* silent : {"", "C", "C.UTF-8", "POSIX", "und"}) {
        EXPECT_EQ(chooseLanguage("", "auto", silent), Language::English) << silent;
    }
    for (const char* japanese : {"ja", "ja_JP.UTF-8", "ja_JP.eucJP@x", "ja-JP"}) {
        EXPECT_EQ(chooseLanguage("", "auto", japanese), Language::Japanese) << japanese;
    }
    EXPECT_EQ(chooseLanguage("", "auto", "jam"), Language::English);
}

TEST(Language, BothTablesFillEveryPlaceWithTheSameFormats) {
    const GameTexts& ja = japaneseTexts;
    const GameTexts& en = englishTexts;
    EXPECT_EQ(conversions(en.turnBanner), conversions(ja.turnBanner));
    EXPECT_EQ(conversions(en.timer), conversions(ja.timer));
    EXPECT_EQ(conversions(ja.turnBanner), "%d");
    EXPECT_EQ(conversions(ja.timer), "%.2f");
    for (int i = 0; i < rosterSize; ++i) {
        EXPECT_STREQ(ja.rosterNames[i], rosterNames[i]);
        // Readable without Japanese: plain ASCII.
        for (const char* c = en.rosterNames[i]; *c != '\0'; ++c) {
            EXPECT_LT(static_cast<unsigned char>(*c), 0x80u) << en.rosterNames[i];
        }
        for (int j = i + 1; j < rosterSize; ++j) {
            EXPECT_STRNE(en.rosterNames[i], en.rosterNames[j]);
        }
    }
    EXPECT_STREQ(ja.winnerBack, "") << "the Japanese winner screen stays as it was";
    EXPECT_STRNE(en.winnerBack, "");
}

TEST_F(Players, EnglishFromTheSettingsOrTheSystemAndTheSecondCopySaysSoInIt) {
    headless::setLanguages("", "en_US.UTF-8");
    headless::StartUp second;
    second.singleInstance = false;
    headless::setStartUp(second);
    runGame();
    EXPECT_EQ(headless::messages(), std::vector<std::string>{englishTexts.secondInstance});

    restart();
    headless::setStoredSettings(StoredText::Read, "language = en\n");
    keys.tap(2, keyEscape);
    headless::setKeySource(&keys);
    AllFrames shown;
    runGame();
    ASSERT_GE(shown.frames.size(), 2u);
    EXPECT_NE(findText(shown.frames[1], "Quillmarsh"), nullptr);
    EXPECT_NE(findText(shown.frames[1], englishTexts.titleHelp[4]), nullptr);
    EXPECT_EQ(findText(shown.frames[1], "クイルマーシュ"), nullptr);
}

TEST_F(Players, TheMatchScreenAndTheWinnerSayItInEnglish) {
    setGameLanguage(Language::English);
    MatchState state;
    state.turnTimer = 300;
    state.currentPlayer = 1;
    drawMatchScreen(state);
    EXPECT_NE(findText(headless::currentFrame(), "2P's turn"), nullptr);
    EXPECT_NE(findText(headless::currentFrame(), "Time: 5.00"), nullptr);
}

TEST_F(Players, APickChoosesARosterEntryAndASecondPickOnItStarts) {
    // Entry 3's line is y 80 .. 95; a press beside the list picks nothing.
    keys.click(2, 150, 85);
    keys.click(4, 600, 85);
    keys.click(6, 150, 85);
    keys.tap(12, keyEscape);
    keys.tap(14, keyEscape);
    AllFrames shown;
    EXPECT_FALSE(runTitleScreen());
    ASSERT_GT(shown.frames.size(), 10u);
    EXPECT_NE(findText(shown.frames[2], rosterNames[3]), nullptr);
    EXPECT_EQ(findText(shown.frames[2], rosterNames[3])->colour, 0xFFFFFFFFu);
    EXPECT_EQ(headless::loadedPictures().at(1), "data/palvine.bmp");
    // The second pick started a match against entry 3 (its extra frame, then the match).
    EXPECT_NE(findText(shown.frames[9], "1Pのターン"), nullptr);
}

TEST_F(Players, TheHelpOverlayIsDrawnOverHeldFramesOnlyAndLeavesTheRestAsTheyWere) {
    headless::KeyScript plain;
    plain.tap(8, keyEscape);
    const std::vector<Frame> without = titleRun(plain);

    restart();
    headless::KeyScript held;
    held.hold(3, 4, keyF1);
    held.tap(8, keyEscape);
    const std::vector<Frame> with = titleRun(held);

    ASSERT_EQ(with.size(), without.size());
    for (std::size_t i = 0; i < with.size(); ++i) {
        const Frame& a = without[i];
        const Frame& b = with[i];
        ASSERT_GE(b.size(), a.size());
        for (std::size_t k = 0; k < a.size(); ++k) {
            EXPECT_TRUE(sameDraw(a[k], b[k])) << "frame " << i << " draw " << k;
        }
        // F1 down at polls 3 and 4: the frames presented at the next two pumps carry it.
        const bool overlaid = i == 3 || i == 4;
        EXPECT_EQ(b.size() > a.size(), overlaid) << "frame " << i;
        EXPECT_EQ(findText(b, japaneseTexts.help.title[0]) != nullptr, overlaid) << "frame " << i;
    }
}

TEST_F(Players, TheMatchHelpNamesEveryPartInTheCurrentLanguage) {
    setGameLanguage(Language::English);
    drawHelpOverlay(HelpScene::Match);
    const Frame& frame = headless::currentFrame();
    const HelpTexts& t = englishTexts.help;
    for (const char* text : {t.hitPoints[0], t.hitPoints[1], t.queues[0], t.queues[1], t.timer,
                             t.cursor, t.mark, t.keys[0], t.keys[2]}) {
        EXPECT_NE(findText(frame, text), nullptr) << text;
    }
}

TEST(Flashing, ReducedTheTimerBlinksAtMostTwiceASecondAndTheStrikeIsFaint) {
    setReduceFlashing(false);
    int plainChanges = 0;
    for (int t = 299; t > 0; --t) {
        plainChanges += timerBlinksRed(t) != timerBlinksRed(t - 1);
    }
    EXPECT_EQ(plainChanges, 299) << "as always: every frame";
    EXPECT_EQ(strikeFlashColour(), 0xFFFF0000u);

    setReduceFlashing(true);
    for (int start = 299; start >= -120; --start) {
        int redStarts = 0;
        for (int t = start; t > start - 60; --t) {
            redStarts += timerBlinksRed(t - 1) && !timerBlinksRed(t);
        }
        EXPECT_LE(redStarts, 2) << "the second from " << start;
    }
    EXPECT_FALSE(timerBlinksRed(300));
    EXPECT_TRUE(timerBlinksRed(20)) << "it still blinks";
    EXPECT_LT(strikeFlashColour() >> 24, 0x80u);
    setReduceFlashing(false);
}
