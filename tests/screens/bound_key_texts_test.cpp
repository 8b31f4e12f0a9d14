// The keys the texts name are the keys bound: the defaults leave every text as it was, other
// bindings put their keys' names in place, and the title says (and takes) the key that starts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless_settings.h"
#include "input/key_bindings.h"
#include "input/key_state.h"
#include "screens/bound_key_texts.h"
#include "screens/game_texts.h"
#include "screens/online_texts.h"
#include "screens/replay_texts.h"
#include "support/allocation_counter.h"
#include "support/screen_frames.h"

using namespace kokurin;
using namespace testing_support;

namespace {

class BoundKeyTexts : public ScreenTest {};

bool anyTextHas(const std::vector<Frame>& frames, const std::string& part) {
    for (const Frame& frame : frames) {
        for (const auto& d : frame) {
            if (isText(d) && d.text.find(part) != std::string::npos) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST_F(BoundKeyTexts, DefaultsKeepEveryTextOtherBindingsNameTheirKeys) {
    for (const GameTexts* t : {&japaneseTexts, &englishTexts}) {
        for (const char* text : {t->titleHelp[4], t->titleHelp[5], t->help.keys[0],
                                 t->help.title[0], t->winnerBack}) {
            EXPECT_EQ(withBoundKeys(text), text) << text;
        }
    }
    KeyBindings keys = defaultKeyBindings();
    keys.keys[0][2] = keyPad8;  // 1P up; 2P left, right, up, down, select
    keys.keys[1][0] = keyJ;
    keys.keys[1][1] = keyL;
    keys.keys[1][2] = keyI;
    keys.keys[1][3] = keyK;
    keys.keys[1][4] = keyRightShift;
    setActiveKeyBindings(keys);
    EXPECT_STREQ(withBoundKeys(japaneseTexts.titleHelp[5]), "2P操作： IJKLで移動 RSHIFTで決定");
    EXPECT_STREQ(withBoundKeys(japaneseTexts.help.title[0]),
                 "PAD8 S・クリック：相手を選ぶ　SPACE・もう一度クリック：開始");
    EXPECT_STREQ(withBoundKeys(englishTexts.help.keys[0]),
                 "1P: PAD8/A/S/D move, SPACE select   2P: IJKL move, RSHIFT select");
    // The replay watch's buttons name the keys each presses, the arrows one at a time.
    const char* const* en = englishReplayTexts().buttons;
    const char* const* ja = japaneseReplayTexts().buttons;
    EXPECT_STREQ(withBoundKeys(en[buttonFrameBack]), "J: frame back");
    EXPECT_STREQ(withBoundKeys(en[buttonFrameOn]), "L: frame on");
    EXPECT_STREQ(withBoundKeys(en[buttonSlower]), "K: slower");
    EXPECT_STREQ(withBoundKeys(en[buttonFaster]), "I: faster");
    EXPECT_STREQ(withBoundKeys(en[buttonEarlier]), "PGUP: -10 s") << "PGUP holds no UP";
    EXPECT_STREQ(withBoundKeys(ja[buttonFrameBack]), "J：コマ戻し");
    EXPECT_STREQ(withBoundKeys(ja[buttonSlower]), "K：おそく");
    EXPECT_STREQ(withBoundKeys(ja[buttonFaster]), "I：はやく");
    EXPECT_STREQ(withBoundKeys(englishOnlineTexts().lobbyHelp),
                 "I/K: choose  RSHIFT: select  ESC: back");

    const char* first = withBoundKeys(englishReplayTexts().help);
    startCountingAllocations();
    EXPECT_EQ(withBoundKeys(englishReplayTexts().help), first) << "made once";
    EXPECT_EQ(stopCountingAllocations(), 0);
    EXPECT_STREQ(first, "PAD8/S or click: choose  SPACE or click again: watch");
}

TEST_F(BoundKeyTexts, TheTitleAndItsHelpNameTheBoundSelectKeyWhichStartsTheMatch) {
    std::vector<Frame> frames;
    for (int key : {keySpace, keyJ}) {
        restart(&keys);
        keys = headless::KeyScript();
        keys.hold(2, 3, keyF1);
        keys.tap(6, key);
        keys.tap(40, keyEscape);
        keys.tap(60, keyEscape);
        headless::setStoredSettings(StoredText::Read, "1p_select = J\n");
        frames.clear();
        headless::setFrameHook([&frames](const Frame& frame, long) { frames.push_back(frame); });
        runGame();
        ASSERT_GT(frames.size(), 4u);
        EXPECT_NE(findText(frames[1], "1P操作： WASDで移動 Jで決定"), nullptr);
        EXPECT_NE(findText(frames[3], "W S・クリック：相手を選ぶ　J・もう一度クリック：開始"),
                  nullptr);
        EXPECT_FALSE(anyTextHas(frames, "SPACE"));
        EXPECT_EQ(anyTextHas(frames, "1Pのターン"), key == keyJ) << "J, not SPACE, starts";
    }
}
