// Test helpers for the screen loops on the headless front end: reading back what a frame drew
// (board glyphs, queue listings, caption, timer, cell marks, flashes), a per-frame log kept by
// the frame hook, an observer that records the match's events, and a fixture that resets it all.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "match/match_observer.h"
#include "rng/sfmt19937.h"
#include "rules/element.h"
#include "rules/match_state.h"
#include "support/match_driver.h"

using namespace kokurin;

namespace testing_support {

using Frame = std::vector<headless::DrawCall>;
using DrawKind = headless::DrawCall::Kind;

constexpr std::uint32_t opaqueBlack = 0xFF000000u;
constexpr std::uint32_t opaqueWhite = 0xFFFFFFFFu;
constexpr std::uint32_t opaqueRed = 0xFFFF0000u;
constexpr std::uint32_t markOrange = 0xFFFF8000u;
constexpr std::uint32_t markBlue = 0xFF0000FFu;

// The portrait quad as every screen draws it: corner (x, y), scale 1 (vertical 0), pivot at
// its centre, no rotation, depth 0.
inline void expectPortrait(const headless::DrawCall& d, int x, int y, const std::string& picture) {
    ASSERT_EQ(d.kind, DrawKind::Background);
    EXPECT_EQ(d.x, x);
    EXPECT_EQ(d.y, y);
    EXPECT_EQ(d.scaleX, 1.0f);
    EXPECT_EQ(d.scaleY, 0.0f);
    EXPECT_EQ(d.pivotX, 0.5f);
    EXPECT_EQ(d.pivotY, 0.5f);
    EXPECT_EQ(d.angle, 0.0f);
    EXPECT_EQ(d.depth, 0.0f);
    EXPECT_EQ(d.picture, picture);
}

inline bool isText(const headless::DrawCall& d) {
    return d.kind == DrawKind::Text;
}

// The element whose label is text, or -1.
inline int elementOfLabel(const std::string& text) {
    for (int e = 0; e < elementCount; ++e) {
        if (text == elementLabel[e]) {
            return e;
        }
    }
    return -1;
}

inline int countText(const Frame& frame, const std::string& text) {
    int n = 0;
    for (const auto& d : frame) {
        if (isText(d) && d.text == text) {
            ++n;
        }
    }
    return n;
}

inline const headless::DrawCall* findText(const Frame& frame, const std::string& text) {
    for (const auto& d : frame) {
        if (isText(d) && d.text == text) {
            return &d;
        }
    }
    return nullptr;
}

// Index of the first text draw of text, or -1.
inline int indexOfText(const Frame& frame, const std::string& text) {
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (isText(frame[i]) && frame[i].text == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The text draws starting with prefix, in drawing order.
inline std::vector<const headless::DrawCall*> textsStartingWith(const Frame& frame,
                                                                const std::string& prefix) {
    std::vector<const headless::DrawCall*> found;
    for (const auto& d : frame) {
        if (isText(d) && d.text.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(&d);
        }
    }
    return found;
}

// The board as the frame shows it: 36 digits row-major, '?' where no height-40 glyph stands
// at the cell's place. The last glyph drawn at a place wins.
inline std::string shownBoard(const Frame& frame) {
    std::string board(cellCount, '?');
    for (const auto& d : frame) {
        if (!isText(d) || d.height != 40) {
            continue;
        }
        int col = (d.x - 176) / 48;
        int row = (d.y - 96) / 48;
        if ((d.x - 176) % 48 != 0 || (d.y - 96) % 48 != 0 || col < 0 || col >= boardSize ||
            row < 0 || row >= boardSize) {
            continue;
        }
        int e = elementOfLabel(d.text);
        board[row * boardSize + col] = e < 0 ? '?' : static_cast<char>('0' + e);
    }
    return board;
}

// One player's queue listing as digits front to back, read from the height-16 glyphs at y 416
// on the player's side of the screen, ordered by their distance from the outer edge.
inline std::string shownQueue(const Frame& frame, int player) {
    std::vector<std::pair<int, char>> glyphs;
    for (const auto& d : frame) {
        if (!isText(d) || d.height != 16 || d.y != 416) {
            continue;
        }
        bool left = d.x < 320;
        if (left != (player == 0)) {
            continue;
        }
        int k = player == 0 ? (d.x - 16) / 16 : (624 - d.x) / 16;
        int e = elementOfLabel(d.text);
        glyphs.emplace_back(k, e < 0 ? '?' : static_cast<char>('0' + e));
    }
    std::string digits(glyphs.size(), '?');
    for (const auto& g : glyphs) {
        if (g.first >= 0 && g.first < static_cast<int>(digits.size())) {
            digits[g.first] = g.second;
        }
    }
    return digits;
}

// Corners of an axis-aligned rectangle drawn as a two-triangle strip.
struct Rect {
    float x0 = 0;
    float y0 = 0;
    float x1 = 0;
    float y1 = 0;
    std::uint32_t colour = 0;
};

inline bool asRect(const headless::DrawCall& d, Rect& out) {
    if (d.kind != DrawKind::Primitive || d.primitive != PrimitiveKind::TriangleStrip ||
        d.primitiveCount != 2 || d.vertices.size() != 4) {
        return false;
    }
    // Top-right, bottom-right, top-left, bottom-left.
    out.x1 = d.vertices[0].x;
    out.y0 = d.vertices[0].y;
    out.y1 = d.vertices[1].y;
    out.x0 = d.vertices[2].x;
    out.colour = d.vertices[0].colour;
    return true;
}

inline bool isFullScreenRect(const headless::DrawCall& d, std::uint32_t colour) {
    Rect r;
    return asRect(d, r) && r.x0 == 0.0f && r.y0 == 0.0f && r.x1 == 640.0f && r.y1 == 480.0f &&
           r.colour == colour;
}

inline int countFullScreenRects(const Frame& frame, std::uint32_t colour) {
    int n = 0;
    for (const auto& d : frame) {
        if (isFullScreenRect(d, colour)) {
            ++n;
        }
    }
    return n;
}

// A 16 x 16 cell mark read back as the cell it marks.
struct Mark {
    int col = -1;
    int row = -1;
    std::uint32_t colour = 0;
};

inline std::vector<Mark> cellMarks(const Frame& frame) {
    std::vector<Mark> marks;
    for (const auto& d : frame) {
        Rect r;
        if (!asRect(d, r) || r.x1 - r.x0 != 16.0f || r.y1 - r.y0 != 16.0f) {
            continue;
        }
        int x = static_cast<int>(r.x0) - 188;
        int y = static_cast<int>(r.y0) - 108;
        if (x % 48 != 0 || y % 48 != 0) {
            continue;
        }
        marks.push_back(Mark{x / 48, y / 48, r.colour});
    }
    return marks;
}

// What one presented frame showed, kept small so that long runs can be logged.
struct FrameSummary {
    long poll = 0;
    std::size_t draws = 0;
    bool backdrop = false;
    std::string board;
    std::string queue0;
    std::string queue1;
    std::string caption;
    std::string timer;
    std::uint32_t timerColour = 0;
    bool redFlashOnTop = false;
    int redFlashes = 0;
    std::vector<Mark> marks;
    std::string winner;
};

inline FrameSummary summarise(const Frame& frame, long poll) {
    FrameSummary s;
    s.poll = poll;
    s.draws = frame.size();
    s.backdrop = !frame.empty() && isFullScreenRect(frame.front(), opaqueBlack);
    s.board = shownBoard(frame);
    s.queue0 = shownQueue(frame, 0);
    s.queue1 = shownQueue(frame, 1);
    auto captions = textsStartingWith(frame, "");
    for (const auto* d : captions) {
        if (d->x == 240 && d->y == 56 && d->height == 36) {
            s.caption = d->text;
        }
        if (d->x == 240 && d->y == 400 && d->height == 36) {
            s.winner = d->text;
        }
    }
    auto timers = textsStartingWith(frame, "じかん：");
    if (!timers.empty()) {
        s.timer = timers.back()->text.substr(std::string("じかん：").size());
        s.timerColour = timers.back()->colour;
    }
    s.redFlashOnTop = !frame.empty() && isFullScreenRect(frame.back(), opaqueRed);
    s.redFlashes = countFullScreenRects(frame, opaqueRed);
    s.marks = cellMarks(frame);
    return s;
}

// Keeps a summary of every presented frame while it lives.
class FrameLog {
  public:
    FrameLog() {
        headless::setFrameHook(
            [this](const Frame& frame, long poll) { frames.push_back(summarise(frame, poll)); });
    }
    ~FrameLog() { headless::setFrameHook(nullptr); }
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // The frame presented by the given poll.
    const FrameSummary& at(long poll) const {
        return frames.at(static_cast<std::size_t>(poll - frames.at(0).poll));
    }

    std::vector<FrameSummary> frames;
};

// Records the match's observation points as short lines, with the poll count at each.
class EventLog : public MatchObserver {
  public:
    EventLog() { testObserver() = this; }
    ~EventLog() override { testObserver() = nullptr; }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    void turnStarted(const MatchState& state) override {
        add("turn " + std::to_string(state.currentPlayer + 1) + "P");
        started.push_back(snapshot(state));
    }
    void swapMade(const MatchState& state, int firstCell, int secondCell) override {
        add("swap " + std::to_string(firstCell) + " " + std::to_string(secondCell));
    }
    void turnEnded(const MatchState& state, bool computer) override {
        add(computer ? "end computer" : "end human");
        endedTimers.push_back(state.turnTimer);
    }
    void cascadeSettled(const MatchState&) override { add("settled"); }
    void clashEnded(const MatchState&) override { add("clash"); }
    void hintShown(const MatchState&, const char* text) override {
        add(std::string("hint ") + text);
    }
    void winnerScreen(const MatchState&) override { add("winner"); }

    // The record as it was when a turn started.
    struct Snapshot {
        std::string cells;
        std::string queue0;
        std::string queue1;
        int cursorCol = 0;
        int cursorRow = 0;
        int opponentType = 0;
        float hp0 = 0;
        float hp1 = 0;
        int currentPlayer = 0;
    };

    std::vector<std::string> events;
    std::vector<long> polls;
    std::vector<Snapshot> started;
    std::vector<int> endedTimers;

  private:
    void add(const std::string& event) {
        events.push_back(event);
        polls.push_back(headless::pollCount());
    }
    static Snapshot snapshot(const MatchState& state) {
        Snapshot s;
        for (Element e : state.cells) {
            s.cells += static_cast<char>('0' + e);
        }
        for (Element e : state.queues[0]) {
            s.queue0 += static_cast<char>('0' + e);
        }
        for (Element e : state.queues[1]) {
            s.queue1 += static_cast<char>('0' + e);
        }
        s.cursorCol = state.cursorCol;
        s.cursorRow = state.cursorRow;
        s.opponentType = state.opponentType;
        s.hp0 = state.hp[0];
        s.hp1 = state.hp[1];
        s.currentPlayer = state.currentPlayer;
        return s;
    }
};

// Every screen test starts from a clean front end, a known random stream and no observer.
// A generous poll limit makes a loop that misses its way out fail the test instead of hanging.
class ScreenTest : public ::testing::Test {
  protected:
    static constexpr long safetyPollLimit = 5000;

    void SetUp() override {
        restart(&keys);
        testRandom().seed(1);
        testRotation() = 0;
        testObserver() = nullptr;
    }
    void TearDown() override {
        testObserver() = nullptr;
        headless::reset();
    }

    // A clean front end with the given keys (none for null) and the safety limit.
    void restart(headless::KeySource* source = nullptr) {
        headless::reset();
        headless::setKeySource(source);
        headless::setPollLimit(safetyPollLimit);
    }

    headless::KeyScript keys;
};

} // namespace testing_support
