// The title screen on the headless front end: the roster and help lines, moving the selection
// with its portraits, starting matches on fresh records, and leaving by ESC or quit.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "rng/sfmt19937.h"
#include "rules/board.h"
#include "screens/title_screen.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

using headless::DrawCall;

// The roster entry drawn in white in a frame, or -1; checks the list's layout on the way.
int highlightedEntry(const Frame& frame) {
    int white = -1;
    int listed = 0;
    for (const auto& d : frame) {
        if (!isText(d) || d.x != 128) {
            continue;
        }
        int i = (d.y - 32) / 16;
        EXPECT_EQ(d.y, 32 + 16 * i);
        EXPECT_EQ(d.text, rosterNames[i]);
        EXPECT_EQ(d.height, 14);
        EXPECT_EQ(d.face, "ＭＳ Ｐゴシック");
        EXPECT_EQ(d.format, 0u);
        if (d.colour == opaqueWhite) {
            EXPECT_EQ(white, -1) << "one entry is highlighted";
            white = i;
        } else {
            EXPECT_EQ(d.colour, 0xFF808080u);
        }
        ++listed;
    }
    EXPECT_EQ(listed, 16);
    return white;
}

// Frames presented by the title screen, kept whole (they are small).
class TitleFrames {
  public:
    TitleFrames() {
        headless::setFrameHook([this](const Frame& frame, long) { frames.push_back(frame); });
    }
    ~TitleFrames() { headless::setFrameHook(nullptr); }
    const Frame& at(long poll) const { return frames.at(static_cast<std::size_t>(poll - 1)); }
    std::vector<Frame> frames;
};

class TitleScreen : public ScreenTest {};

} // namespace

TEST_F(TitleScreen, RosterTablesHoldSixteenEntries) {
    // The roster's one source is screens/roster.def; these are the entries the game is known by.
    EXPECT_STREQ(rosterNames[0], "2P");
    EXPECT_STREQ(rosterNames[5], "ミラ");
    EXPECT_STREQ(rosterNames[15], "ピーカス");
    // The second human borrows ミラ's picture; file names keep their case.
    EXPECT_STREQ(rosterPortraits[0], "mira.bmp");
    EXPECT_STREQ(rosterPortraits[5], "mira.bmp");
    EXPECT_STREQ(rosterPortraits[12], "KEF.bmp");
    EXPECT_STREQ(rosterPortraits[15], "peekus.bmp");
    for (int i = 0; i < rosterSize; ++i) {
        for (int j = i + 1; j < rosterSize; ++j) {
            EXPECT_STRNE(rosterNames[i], rosterNames[j]) << i << " " << j;
        }
    }
}

TEST_F(TitleScreen, FramesHoldPortraitHelpLinesAndRosterInThatOrder) {
    keys.tap(3, keyEscape);
    TitleFrames shown;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(headless::pollCount(), 3);
    EXPECT_EQ(headless::loadedPictures(), (std::vector<std::string>{"data/mira.bmp"}));

    // The first frame has only the roster: the portrait and help come after the pump.
    const Frame& first = shown.at(1);
    ASSERT_EQ(first.size(), 16u);
    EXPECT_EQ(highlightedEntry(first), 0);

    const Frame& second = shown.at(2);
    ASSERT_EQ(second.size(), 1u + 6 + 16);
    expectPortrait(second[0], 300, 100, "data/mira.bmp");
    const char* help[6] = {"せつめい",
                           "どれか２つのブロックを入れ替えて縦横に３つそろえよう",
                           "おたがい消したブロックで攻撃するぞ！",
                           "五行思想の相関があるらしいぞ！",
                           "1P操作： WASDで移動 SPACEで決定",
                           "2P操作： 矢印で移動 ENTERで決定"};
    for (int i = 0; i < 6; ++i) {
        const DrawCall& line = second[1 + i];
        EXPECT_EQ(line.text, help[i]);
        EXPECT_EQ(line.x, 8);
        EXPECT_EQ(line.y, 328 + 16 * i);
        EXPECT_EQ(line.colour, opaqueWhite);
        EXPECT_EQ(line.height, 14);
        EXPECT_EQ(line.face, "ＭＳ Ｐゴシック");
    }
    EXPECT_EQ(highlightedEntry(Frame(second.begin() + 7, second.end())), 0);
}

TEST_F(TitleScreen, WAndSMoveTheSelectionAroundTheRingAndLoadItsPicture) {
    keys.tap(1, keyW);     // 0 -> 15
    keys.tap(3, keyS);     // 15 -> 0
    keys.hold(5, 9, keyS); // held: 0 -> 1 only
    keys.tap(11, keyS);    // 1 -> 2
    keys.tap(13, keyS);    // 2 -> 3
    keys.tap(15, keyS);    // 3 -> 4
    keys.tap(17, keyS);    // 4 -> 5, the same file as entry 0
    keys.press(19, keyW);  // both on one frame: 5 -> 4 -> 5, two loads
    keys.press(19, keyS);
    keys.tap(21, keyEscape);
    TitleFrames shown;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(highlightedEntry(shown.at(2)), 15);
    EXPECT_EQ(shown.at(2)[0].picture, "data/mira.bmp") << "the new picture shows next frame";
    EXPECT_EQ(shown.at(3)[0].picture, "data/peekus.bmp");
    EXPECT_EQ(highlightedEntry(shown.at(4)), 0);
    EXPECT_EQ(highlightedEntry(shown.at(10)), 1);
    EXPECT_EQ(highlightedEntry(shown.at(18)), 5);
    EXPECT_EQ(highlightedEntry(shown.at(20)), 5);
    const std::vector<std::string> loads = {
        "data/mira.bmp",    "data/peekus.bmp", "data/mira.bmp", "data/eee.bmp",   "data/muka.bmp",
        "data/palvine.bmp", "data/kabon.bmp",  "data/mira.bmp", "data/kabon.bmp", "data/mira.bmp"};
    EXPECT_EQ(headless::loadedPictures(), loads);
    EXPECT_EQ(headless::currentPicture(), "data/mira.bmp");
}

TEST_F(TitleScreen, MissingPictureShowsNoPortraitAndTheScreenGoesOn) {
    headless::setMissingPictures({"data/peekus.bmp"});
    keys.tap(1, keyW);
    keys.tap(4, keyS);
    keys.tap(7, keyEscape);
    TitleFrames shown;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(shown.at(4).size(), 6u + 16) << "no portrait, help and roster as usual";
    EXPECT_EQ(highlightedEntry(Frame(shown.at(4).begin() + 6, shown.at(4).end())), 15);
    EXPECT_EQ(shown.at(7)[0].kind, DrawKind::Background);
    EXPECT_EQ(shown.at(7)[0].picture, "data/mira.bmp");
}

TEST_F(TitleScreen, EscapeEndsTheGameEvenWithSpaceOrOnTheExtraFrame) {
    keys.press(2, keyEscape);
    keys.press(2, keySpace);
    EventLog events;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(headless::pollCount(), 2);
    EXPECT_TRUE(events.events.empty()) << "no match started";

    restart();
    headless::KeyScript extra;
    extra.tap(3, keySpace);
    extra.tap(4, keyEscape);
    headless::setKeySource(&extra);
    TitleFrames shown;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(headless::pollCount(), 4);
    EXPECT_TRUE(events.events.empty()) << "no match started";
    // The extra frame presents the portrait drawn so far, without help lines.
    ASSERT_EQ(shown.at(4).size(), 1u);
    EXPECT_EQ(shown.at(4)[0].kind, DrawKind::Background);
}

TEST_F(TitleScreen, SpaceHeldIntoTheMatchDoesNotSelect) {
    // SPACE seen at poll 3 starts the match after one more poll; still held, it reads 2 in the
    // match's first frame.
    keys.hold(3, 6, keySpace);
    keys.tap(12, keyEscape); // leaves the match
    keys.tap(15, keyEscape); // leaves the title
    FrameLog log;
    EventLog events;
    EXPECT_FALSE(runTitleScreen());
    ASSERT_EQ(events.events, (std::vector<std::string>{"turn 1P", "end human"}));
    EXPECT_EQ(events.polls[0], 4);
    for (long poll = 5; poll <= 12; ++poll) {
        EXPECT_EQ(log.at(poll).marks.size(), 1u) << poll << ": nothing selected";
        EXPECT_EQ(log.at(poll).caption, "1Pのターン");
    }

    // A new press after release does select.
    restart();
    headless::KeyScript fresh;
    fresh.tap(3, keySpace);
    fresh.tap(6, keySpace);
    fresh.tap(12, keyEscape);
    fresh.tap(15, keyEscape);
    headless::setKeySource(&fresh);
    FrameLog log2;
    EXPECT_FALSE(runTitleScreen());
    EXPECT_EQ(log2.at(6).marks.size(), 1u);
    EXPECT_EQ(log2.at(7).marks.size(), 2u);
}

TEST_F(TitleScreen, EachMatchStartsFromAFreshRecordAndTheTitleComesBackUnchanged) {
    keys.tap(1, keyW);       // entry 15
    keys.tap(3, keySpace);   // match against entry 15 from poll 4
    keys.tap(5, keyD);       // player 1 moves the cursor
    keys.tap(7, keyEscape);  // and abandons
    keys.tap(9, keySpace);   // a second match from poll 10
    keys.tap(12, keyEscape); // abandoned too
    keys.tap(15, keyEscape); // leaves the title
    Sfmt19937 stream = testRandom();
    TitleFrames shown;
    EventLog events;
    EXPECT_FALSE(runTitleScreen());
    ASSERT_EQ(events.started.size(), 2u);

    testRandom() = stream;
    MatchState first;
    fillBoard(first);
    MatchState second;
    fillBoard(second);
    const MatchState* expected[2] = {&first, &second};
    for (int m = 0; m < 2; ++m) {
        const auto& s = events.started[m];
        EXPECT_EQ(s.cells, boardDigits(*expected[m])) << m;
        EXPECT_EQ(s.opponentType, 15);
        EXPECT_EQ(s.cursorCol, 0) << "the cursor of the last match is forgotten";
        EXPECT_EQ(s.cursorRow, 0);
        EXPECT_EQ(s.currentPlayer, 0);
        EXPECT_EQ(s.hp0, 20.0f);
        EXPECT_EQ(s.hp1, 20.0f);
        EXPECT_EQ(s.queue0, "");
        EXPECT_EQ(s.queue1, "");
    }
    EXPECT_NE(events.started[0].cells, events.started[1].cells);
    EXPECT_EQ(events.polls[0], 4);

    // Back on the title: the same selection and picture, nothing loaded again.
    EXPECT_EQ(highlightedEntry(shown.at(8)), 15);
    EXPECT_EQ(headless::loadedPictures(),
              (std::vector<std::string>{"data/mira.bmp", "data/peekus.bmp"}));
    // The match screen showed the chosen portrait.
    bool portraitInMatch = false;
    for (const auto& d : shown.at(5)) {
        if (d.kind == DrawKind::Background && d.x == 480 && d.y == 176 &&
            d.picture == "data/peekus.bmp") {
            portraitInMatch = true;
        }
    }
    EXPECT_TRUE(portraitInMatch);
    const DrawCall& back = shown.at(15)[0];
    EXPECT_EQ(back.kind, DrawKind::Background);
    EXPECT_EQ(back.picture, "data/peekus.bmp");
}

TEST_F(TitleScreen, QuitEndsTheTitleFromItsOwnFramesAndFromInsideAMatch) {
    headless::setPollLimit(3);
    EXPECT_TRUE(runTitleScreen());
    EXPECT_EQ(headless::pollCount(), 3);
    EXPECT_EQ(headless::quitCount(), 1);
    EXPECT_EQ(headless::currentFrame().size(), 1u + 6 + 16) << "nothing drawn after the quit";

    // On the extra frame after SPACE.
    restart();
    headless::KeyScript space;
    space.tap(2, keySpace);
    headless::setKeySource(&space);
    headless::setPollLimit(2);
    EventLog events;
    EXPECT_TRUE(runTitleScreen());
    EXPECT_EQ(headless::quitCount(), 1);
    ASSERT_EQ(headless::currentFrame().size(), 1u);
    EXPECT_EQ(headless::currentFrame()[0].kind, DrawKind::Background);
    EXPECT_TRUE(events.events.empty());

    // Inside the match's human turn: nothing of the title is drawn afterwards.
    restart();
    headless::setKeySource(&space);
    headless::setPollLimit(10);
    EXPECT_TRUE(runTitleScreen());
    EXPECT_EQ(headless::pollCount(), 10);
    EXPECT_EQ(headless::quitCount(), 1);
    const Frame& unfinished = headless::currentFrame();
    EXPECT_EQ(countFullScreenRects(unfinished, opaqueBlack), 1);
    EXPECT_EQ(countText(unfinished, "せつめい"), 0);
    EXPECT_EQ(countText(unfinished, "2P"), 0);
    EXPECT_EQ(events.events, (std::vector<std::string>{"turn 1P"}));
}
