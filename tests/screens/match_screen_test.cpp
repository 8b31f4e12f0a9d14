// The match screen read back from the headless front end: layout, colours, draw order, the
// hit-point bars, the timer's blink, the cell marks and the pause of a match.
#include <gtest/gtest.h>

#include "input/key_state.h"
#include "screens/match_screen.h"
#include "support/boards.h"
#include "support/screen_frames.h"

using namespace kokurin;

using namespace testing_support;

namespace {

using headless::DrawCall;

// The bar lines of one player, in drawing order, read from one-line line lists at y 32..40.
std::vector<const DrawCall*> barLines(const Frame& frame, int player) {
    std::vector<const DrawCall*> lines;
    for (const auto& d : frame) {
        if (d.kind != DrawKind::Primitive || d.primitive != PrimitiveKind::LineList) {
            continue;
        }
        bool left = d.vertices[0].x < 320.0f;
        if (left == (player == 0)) {
            lines.push_back(&d);
        }
    }
    return lines;
}

class MatchScreen : public ScreenTest {
  protected:
    const Frame& draw(const MatchState& state) {
        drawMatchScreen(state);
        return headless::currentFrame();
    }
};

} // namespace

TEST_F(MatchScreen, DrawsBackdropBoardQueuesCaptionBarsPortraitTimerInThatOrder) {
    MatchState s = boardFrom(quietBoard());
    s.queues[0] = queueFrom("12");
    s.queues[1] = queueFrom("3");
    s.turnTimer = 300;
    loadBackground("data/mira.bmp");
    const Frame& f = draw(s);

    // backdrop, 36 glyphs, 3 queue glyphs, caption, 240 + 240 lines, portrait, timer
    ASSERT_EQ(f.size(), 1u + 36 + 3 + 1 + 480 + 1 + 1);
    EXPECT_TRUE(isFullScreenRect(f[0], opaqueBlack));
    for (int i = 0; i < 36; ++i) {
        const DrawCall& g = f[1 + i];
        ASSERT_TRUE(isText(g));
        EXPECT_EQ(g.x, 176 + 48 * (i % 6));
        EXPECT_EQ(g.y, 96 + 48 * (i / 6));
        EXPECT_EQ(g.height, 40);
        EXPECT_EQ(g.text, elementLabel[s.cells[i]]);
        EXPECT_EQ(g.colour, elementColour[s.cells[i]]);
        EXPECT_EQ(g.face, "ＭＳ Ｐゴシック");
        EXPECT_EQ(g.format, 0u);
    }
    EXPECT_EQ(f[37].text, "火");
    EXPECT_EQ(f[38].text, "金");
    EXPECT_EQ(f[39].text, "木");
    const DrawCall& caption = f[40];
    EXPECT_EQ(caption.text, "1Pのターン");
    EXPECT_EQ(caption.x, 240);
    EXPECT_EQ(caption.y, 56);
    EXPECT_EQ(caption.height, 36);
    EXPECT_EQ(caption.colour, opaqueWhite);
    for (int i = 41; i < 41 + 480; ++i) {
        EXPECT_EQ(f[i].primitive, PrimitiveKind::LineList) << i;
    }
    // Player 1's bar entirely before player 2's.
    EXPECT_EQ(f[41].vertices[0].x, 8.0f);
    EXPECT_EQ(f[41 + 240].vertices[0].x, 632.0f);
    expectPortrait(f[521], 480, 176, "data/mira.bmp");
    const DrawCall& timer = f[522];
    EXPECT_EQ(timer.text, "じかん：5.00");
    EXPECT_EQ(timer.x, 280);
    EXPECT_EQ(timer.y, 24);
    EXPECT_EQ(timer.height, 18);
}

TEST_F(MatchScreen, CaptionNamesTheCurrentPlayerAndNoPortraitWithoutPicture) {
    MatchState s = boardFrom(quietBoard());
    s.currentPlayer = 1;
    s.opponentType = 7;
    const Frame& f = draw(s);
    EXPECT_EQ(countText(f, "2Pのターン"), 1);
    EXPECT_EQ(countText(f, "1Pのターン"), 0);
    for (const auto& d : f) {
        EXPECT_NE(d.kind, DrawKind::Background);
    }
}

TEST_F(MatchScreen, FullBarsRunFromRedAtTheEdgeToBlueInside) {
    MatchState s = boardFrom(quietBoard());
    const Frame& f = draw(s);
    auto one = barLines(f, 0);
    auto two = barLines(f, 1);
    ASSERT_EQ(one.size(), 240u);
    ASSERT_EQ(two.size(), 240u);
    for (int k = 0; k < 240; ++k) {
        for (const auto* bar : {one[k], two[k]}) {
            ASSERT_EQ(bar->primitiveCount, 1u);
            ASSERT_EQ(bar->vertices.size(), 2u);
            EXPECT_EQ(bar->vertices[0].y, 32.0f);
            EXPECT_EQ(bar->vertices[1].y, 40.0f);
            EXPECT_EQ(bar->vertices[0].z, 0.0f);
            EXPECT_EQ(bar->vertices[0].rhw, 1.0f);
            EXPECT_EQ(bar->vertices[0].x, bar->vertices[1].x);
            EXPECT_EQ(bar->vertices[0].colour, bar->vertices[1].colour);
            EXPECT_EQ(bar->vertices[0].colour >> 24, 0xFFu);
        }
        EXPECT_EQ(one[k]->vertices[0].x, static_cast<float>(8 + k));
        EXPECT_EQ(two[k]->vertices[0].x, static_cast<float>(632 - k));
        EXPECT_EQ(one[k]->vertices[0].colour, two[k]->vertices[0].colour);
    }
    EXPECT_EQ(one[0]->vertices[0].colour, 0xFFFF0000u);
    EXPECT_EQ(one[60]->vertices[0].colour, 0xFFFFFF00u);
    EXPECT_EQ(one[120]->vertices[0].colour, 0xFF00FF00u);
    EXPECT_EQ(one[180]->vertices[0].colour, 0xFF00FFFFu);
    std::uint32_t inner = one[239]->vertices[0].colour;
    EXPECT_EQ(inner & 0xFFu, 0xFFu);
    EXPECT_EQ((inner >> 16) & 0xFFu, 0u);
    EXPECT_LT((inner >> 8) & 0xFFu, 0x10u);
}

TEST_F(MatchScreen, BarLengthIsTheSmallestWholeNumberNotBelowTwelveTimesHitPoints) {
    struct Case {
        float hp;
        std::size_t lines;
    };
    for (Case c : {Case{0.05f, 1}, Case{0.0f, 0}, Case{-3.5f, 0}, Case{0.1f, 2}, Case{1.0f, 12},
                   Case{10.01f, 121}, Case{19.0f, 228}, Case{25.0f, 300}}) {
        restart();
        MatchState s = boardFrom(quietBoard());
        s.hp[0] = c.hp;
        s.hp[1] = c.hp;
        const Frame& f = draw(s);
        EXPECT_EQ(barLines(f, 0).size(), c.lines) << c.hp;
        EXPECT_EQ(barLines(f, 1).size(), c.lines) << c.hp;
    }
    restart();
    MatchState s = boardFrom(quietBoard());
    s.hp[0] = 0.05f;
    s.hp[1] = 0.05f;
    const Frame& f = draw(s);
    EXPECT_EQ(barLines(f, 0).at(0)->vertices[0].colour, 0xFFFF0000u);
    EXPECT_EQ(barLines(f, 0).at(0)->vertices[0].x, 8.0f);
    EXPECT_EQ(barLines(f, 1).at(0)->vertices[0].x, 632.0f);
}

TEST_F(MatchScreen, TimerReadsSecondsAndBlinksRedOnOddFramesBelowThreeHundred) {
    struct Case {
        int timer;
        const char* text;
        std::uint32_t colour;
    };
    for (Case c : {Case{300, "じかん：5.00", opaqueWhite}, Case{299, "じかん：4.98", opaqueRed},
                   Case{298, "じかん：4.97", opaqueWhite}, Case{-1, "じかん：-0.02", opaqueRed},
                   Case{301, "じかん：5.02", opaqueWhite}, Case{634, "じかん：10.57", opaqueWhite},
                   Case{1, "じかん：0.02", opaqueRed}, Case{0, "じかん：0.00", opaqueWhite}}) {
        restart();
        MatchState s = boardFrom(quietBoard());
        s.turnTimer = c.timer;
        const Frame& f = draw(s);
        auto timers = textsStartingWith(f, "じかん：");
        ASSERT_EQ(timers.size(), 1u) << c.timer;
        EXPECT_EQ(timers[0]->text, c.text) << c.timer;
        EXPECT_EQ(timers[0]->colour, c.colour) << c.timer;
    }
}

TEST_F(MatchScreen, QueuesGrowTowardTheMiddle) {
    MatchState s = boardFrom(quietBoard());
    const Frame& none = draw(s);
    for (const auto& d : none) {
        EXPECT_FALSE(isText(d) && d.height == 16) << "an empty queue draws nothing";
    }

    restart();
    s.queues[0] = queueFrom("125");
    const Frame& left = draw(s);
    // The listings follow the 36 board glyphs.
    const int base = 1 + 36;
    ASSERT_GT(static_cast<int>(left.size()), base + 3);
    const int xs[] = {16, 32, 48};
    const char* labels[] = {"火", "金", "水"};
    const std::uint32_t colours[] = {0xFFFF0000u, 0xFFFFFFFFu, 0xFF0000FFu};
    for (int k = 0; k < 3; ++k) {
        const DrawCall& g = left[base + k];
        EXPECT_EQ(g.text, labels[k]);
        EXPECT_EQ(g.x, xs[k]);
        EXPECT_EQ(g.y, 416);
        EXPECT_EQ(g.height, 16);
        EXPECT_EQ(g.colour, colours[k]);
    }

    restart();
    s.queues[0].clear();
    s.queues[1] = queueFrom("125");
    const Frame& right = draw(s);
    EXPECT_EQ(shownQueue(right, 1), "125");
    for (int k = 0; k < 3; ++k) {
        const DrawCall& g = right[base + k];
        EXPECT_EQ(g.text, labels[k]);
        EXPECT_EQ(g.x, 624 - 16 * k);
        EXPECT_EQ(g.y, 416);
        EXPECT_EQ(g.height, 16);
        EXPECT_EQ(g.colour, colours[k]);
    }
}

TEST_F(MatchScreen, EmptyYinAndYangCellsUseTheirOwnGlyphs) {
    MatchState s = boardFrom(quietBoard());
    s.cells[0] = None;
    s.cells[1] = Yin;
    s.cells[2] = Yang;
    const Frame& f = draw(s);
    EXPECT_EQ(f[1].text, "無");
    EXPECT_EQ(f[1].colour, 0xFF000000u);
    EXPECT_EQ(f[2].text, "陰");
    EXPECT_EQ(f[2].colour, 0xFF800080u);
    EXPECT_EQ(f[3].text, "陽");
    EXPECT_EQ(f[3].colour, 0xFFFFFFFFu);
}

TEST_F(MatchScreen, CellMarkIsASixteenPixelSquareInsideTheCell) {
    drawCellMark(0, 0, markOrange);
    drawCellMark(5, 4, markBlue);
    const Frame& f = headless::currentFrame();
    ASSERT_EQ(f.size(), 2u);
    const auto& v = f[0].vertices;
    ASSERT_EQ(v.size(), 4u);
    // Top-right, bottom-right, top-left, bottom-left.
    EXPECT_EQ(v[0].x, 204.0f);
    EXPECT_EQ(v[0].y, 108.0f);
    EXPECT_EQ(v[1].x, 204.0f);
    EXPECT_EQ(v[1].y, 124.0f);
    EXPECT_EQ(v[2].x, 188.0f);
    EXPECT_EQ(v[2].y, 108.0f);
    EXPECT_EQ(v[3].x, 188.0f);
    EXPECT_EQ(v[3].y, 124.0f);
    for (const auto& vertex : v) {
        EXPECT_EQ(vertex.colour, markOrange);
        EXPECT_EQ(vertex.z, 0.0f);
        EXPECT_EQ(vertex.rhw, 1.0f);
    }
    auto marks = cellMarks(f);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1].col, 5);
    EXPECT_EQ(marks[1].row, 4);
    EXPECT_EQ(marks[1].colour, markBlue);
    EXPECT_EQ(f[1].vertices[0].x, 204.0f + 240.0f);
    EXPECT_EQ(f[1].vertices[1].y, 124.0f + 192.0f);
}

TEST_F(MatchScreen, PauseShowsNFramesAndStopsOnQuitOrFirstPressOfEscape) {
    // Nothing of the mover's queue meets the other's three blocks: the 20 frames before the
    // strikes are plain match screens, then the first strike flashes.
    MatchState s = boardFrom(quietBoard());
    s.queues[1] = queueFrom("123");
    FrameLog log;
    keys.tap(25, keyEscape);
    EXPECT_FALSE(resolveClash(s));
    EXPECT_EQ(headless::pollCount(), 25);
    ASSERT_EQ(log.frames.size(), 25u);
    for (int poll = 1; poll <= 20; ++poll) {
        EXPECT_TRUE(log.at(poll).backdrop) << poll;
        EXPECT_EQ(log.at(poll).board, quietBoard()) << poll;
        EXPECT_EQ(log.at(poll).redFlashes, 0) << poll;
    }
    EXPECT_TRUE(log.at(21).redFlashOnTop) << "the first strike's frame";

    // ESC held from before the pause is not a press; a new press stops it in its frame.
    restart();
    keyState[keyEscape] = 5;
    headless::KeyScript held;
    held.hold(1, 3, keyEscape);
    held.tap(7, keyEscape);
    headless::setKeySource(&held);
    MatchState t = boardFrom(quietBoard());
    t.queues[1] = queueFrom("123");
    EXPECT_FALSE(resolveClash(t));
    EXPECT_EQ(headless::pollCount(), 7);
    EXPECT_EQ(queueDigits(t.queues[1]), "123") << "no block struck";

    restart();
    headless::setPollLimit(4);
    MatchState u = boardFrom(quietBoard());
    u.queues[1] = queueFrom("123");
    EXPECT_TRUE(resolveClash(u));
    EXPECT_EQ(headless::pollCount(), 4);
    EXPECT_EQ(headless::quitCount(), 1);
    // The frame that met the quit was drawn once and nothing after it.
    EXPECT_EQ(countFullScreenRects(headless::currentFrame(), opaqueBlack), 1);
}
