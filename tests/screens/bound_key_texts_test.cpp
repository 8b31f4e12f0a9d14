// The keys the texts name are the keys bound: the default bindings leave every text as it was,
// other bindings put their keys' names in place of the defaults', and the title says (and
// takes) the key that starts a match.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless_settings.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "screens/bound_key_texts.h"
#include "screens/game_texts.h"
#include "screens/replay_texts.h"
#include "support/allocation_counter.h"
#include "support/screen_frames.h"

using namespace kokurin;
using namespace testing_support;

namespace {

class BoundKeyTexts : public ScreenTest {};

// Every text of both languages that names a seat's key.
std::vector<const char*> keyTexts() {
    std::vector<const char*> texts;
    for (const GameTexts* t : {&japaneseTexts, &englishTexts}) {
        texts.insert(texts.end(), std::begin(t->titleHelp), std::end(t->titleHelp));
        texts.insert(texts.end(), std::begin(t->help.keys), std::end(t->help.keys));
        texts.insert(texts.end(), std::begin(t->help.title), std::end(t->help.title));
        texts.push_back(t->winnerBack);
    }
    for (const ReplayTexts* t : {&japaneseReplayTexts(), &englishReplayTexts()}) {
        texts.push_back(t->help);
        texts.push_back(t->watchHelp);
    }
    return texts;
}

bool anyTextHas(const Frame& frame, const std::string& part) {
    for (const auto& d : frame) {
        if (isText(d) && d.text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The title with 1P's select on J, keys tapped at polls 4 and on; the frames presented.
std::vector<Frame> titleWithSelectOnJ(headless::KeyScript& keys) {
    std::vector<Frame> frames;
    headless::setStoredSettings(StoredText::Read, "1p_select = J\n");
    headless::setKeySource(&keys);
    headless::setFrameHook([&frames](const Frame& frame, long) { frames.push_back(frame); });
    runGame();
    headless::setFrameHook(nullptr);
    return frames;
}

} // namespace

TEST_F(BoundKeyTexts, TheDefaultBindingsLeaveEveryTextAsItIs) {
    for (const char* text : keyTexts()) {
        EXPECT_EQ(withBoundKeys(text), text) << text;
    }
}

TEST_F(BoundKeyTexts, OtherBindingsNameTheirKeysInPlaceOfTheDefaults) {
    KeyBindings keys = defaultKeyBindings();
    keys.keys[0][2] = keyPad8;  // 1P up
    keys.keys[1][0] = keyJ;     // 2P left, right, up, down, select
    keys.keys[1][1] = keyL;
    keys.keys[1][2] = keyI;
    keys.keys[1][3] = keyK;
    keys.keys[1][4] = keyRightShift;
    setActiveKeyBindings(keys);
    EXPECT_STREQ(withBoundKeys(japaneseTexts.titleHelp[5]), "2P操作： IJKLで移動 RSHIFTで決定");
    EXPECT_STREQ(withBoundKeys(japaneseTexts.titleHelp[4]), "1P操作： PAD8/A/S/Dで移動 SPACEで決定");
    EXPECT_STREQ(withBoundKeys(japaneseTexts.help.title[0]),
                 "PAD8 S・クリック：相手を選ぶ　SPACE・もう一度クリック：開始");
    EXPECT_STREQ(withBoundKeys(englishTexts.help.keys[0]),
                 "1P: PAD8/A/S/D move, SPACE select   2P: IJKL move, RSHIFT select");
    EXPECT_STREQ(withBoundKeys(englishReplayTexts().watchHelp),
                 "SPACE: pause  L: step  I/K: speed  RSHIFT: restart  ESC: back");
    EXPECT_STREQ(withBoundKeys(japaneseReplayTexts().watchHelp),
                 "SPACE：一時停止 L：コマ送り I/K：速さ RSHIFT：最初から ESC：もどる");
    EXPECT_STREQ(withBoundKeys(englishReplayTexts().help), "PAD8/S: choose  SPACE: watch  ESC: back");

    // Asked again: the same text, made once.
    const char* first = withBoundKeys(englishTexts.help.title[0]);
    startCountingAllocations();
    const char* again = withBoundKeys(englishTexts.help.title[0]);
    EXPECT_EQ(stopCountingAllocations(), 0);
    EXPECT_EQ(again, first);
    setActiveKeyBindings(defaultKeyBindings());
    EXPECT_EQ(withBoundKeys(englishTexts.help.title[0]), englishTexts.help.title[0]);
}

TEST_F(BoundKeyTexts, TheTitleAndItsHelpSayTheBoundSelectKeyWhichStartsTheMatch) {
    headless::KeyScript space;
    space.tap(4, keySpace);
    space.hold(6, 7, keyF1);
    space.tap(10, keyEscape);
    const std::vector<Frame> spaced = titleWithSelectOnJ(space);
    ASSERT_GT(spaced.size(), 9u);
    EXPECT_NE(findText(spaced[3], "1P操作： WASDで移動 Jで決定"), nullptr);
    EXPECT_NE(findText(spaced[7], "W S・クリック：相手を選ぶ　J・もう一度クリック：開始"), nullptr)
        << "the help overlay over the title";
    for (std::size_t i = 0; i < spaced.size(); ++i) {
        EXPECT_FALSE(anyTextHas(spaced[i], "SPACE")) << "frame " << i;
        EXPECT_FALSE(anyTextHas(spaced[i], "1Pのターン")) << "SPACE started a match, frame " << i;
    }

    restart(&keys);
    keys.tap(4, keyJ);
    keys.tap(40, keyEscape);
    keys.tap(60, keyEscape);
    const std::vector<Frame> started = titleWithSelectOnJ(keys);
    bool matchShown = false;
    for (const Frame& frame : started) {
        matchShown = matchShown || findText(frame, "1Pのターン") != nullptr;
    }
    EXPECT_TRUE(matchShown) << "J starts the match the title says it starts";
}
