// Replays made by the game itself: every match of a process saved from the title screen, each
// watched back exactly (the third as exactly as the first), the saved list pruned, and a file
// that parts from the game stopped at the frame where it does.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cpu/turn_setup.h"
#include "headless/headless.h"
#include "headless/headless_settings.h"
#include "input/key_state.h"
#include "replay/match_recording.h"
#include "replay/replay_library.h"
#include "match/state_hash.h"
#include "rng/sfmt19937.h"
#include "screens/game_texts.h"
#include "screens/replay_screens.h"
#include "screens/replay_texts.h"
#include "screens/title_screen.h"
#include "support/match_driver.h"

using namespace kokurin;
using namespace testing_support;

namespace {

// On the title: S eight times (entry 8, whose rotation counts across matches), then SPACE every
// 97 polls and D every 13: matches start, cells are exchanged, winner screens are left.
class BusyKeys : public headless::KeySource {
  public:
    void keysDown(long poll, bool down[256]) override {
        if (poll <= 16) {
            down[keyS] = poll % 2 == 1;
            return;
        }
        down[keySpace] = poll % 97 == 0;
        down[keyD] = poll % 13 == 0;
        down[keyH] = poll % 1201 == 0;
    }
};

std::vector<Replay> savedReplays() {
    std::vector<Replay> replays;
    for (const auto& entry : headless::storedReplays()) {
        Replay replay;
        std::string error;
        EXPECT_TRUE(decodeReplay(reinterpret_cast<const std::uint8_t*>(entry.second.data()),
                                 entry.second.size(), replay, error))
            << entry.first << ": " << error;
        replays.push_back(replay);
    }
    return replays;
}

class GameReplays : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        headless::setRecording(false);
        headless::setMessageHandler([](const char*) {});
        testRotation() = 0;
        testRandom().seed(4242);
    }
    void TearDown() override { headless::reset(); }
};

TEST_F(GameReplays, EveryMatchOfAProcessIsSavedAndEachWatchesBackExactly) {
    BusyKeys keys;
    headless::setKeySource(&keys);
    headless::setPollLimit(60000);
    runTitleScreen();
    const std::vector<Replay> replays = savedReplays();
    ASSERT_GE(replays.size(), 3u) << "three matches in a minute of busy keys";
    EXPECT_EQ(replays[0].start.opponent, 8);
    // Later matches start from a generator and a rotation the earlier ones moved on.
    EXPECT_NE(replays[2].start.rotation, 0);
    EXPECT_NE(replays[2].start.randomIndex * 1000003u + replays[2].start.randomWords[0],
              replays[0].start.randomIndex * 1000003u + replays[0].start.randomWords[0]);

    // Watched in another order, from a process state of its own: each plays as recorded.
    headless::setKeySource(nullptr);
    headless::setPollLimit(0);
    testRandom().seed(1);
    testRotation() = 77;
    const std::uint32_t before = testRandom().word(5);
    for (int i : {2, 0, 1}) {
        EXPECT_FALSE(watchReplay(replays[static_cast<std::size_t>(i)], 8)) << "match " << i;
    }
    ASSERT_EQ(headless::watchedReplays().size(), 3u);
    for (const auto& watched : headless::watchedReplays()) {
        EXPECT_TRUE(watched.ok) << watched.text;
    }
    // Watching changed nothing of the process's own.
    EXPECT_EQ(testRotation(), 77);
    EXPECT_EQ(testRandom().word(5), before);
    EXPECT_TRUE(headless::messages().empty()) << "no hint box while watching";
}

// A match started from the title and left at once, saved as the only replay of a front end
// reset afterwards (the watching tests start from there).
static void storeOneShortMatch() {
    headless::KeyScript play;
    play.tap(3, keySpace);
    play.tap(40, keyEscape);
    headless::setKeySource(&play);
    headless::setPollLimit(120);
    runTitleScreen();
    const auto stored = savedReplays();
    ASSERT_EQ(stored.size(), 1u);
    headless::reset();
    headless::setMessageHandler([](const char*) {});
    const std::vector<std::uint8_t> bytes = encodeReplay(stored[0]);
    headless::storedReplays()[newReplayName(0, {})] = std::string(bytes.begin(), bytes.end());
}

TEST_F(GameReplays, EscStillHeldAfterLeavingAReplayDoesNotAlsoLeaveTheList) {
    storeOneShortMatch();
    // R opens the list, SPACE watches, ESC held for a while leaves the watch: the list stays.
    headless::KeyScript keys;
    keys.tap(3, keyR);
    keys.tap(6, keySpace);
    keys.hold(30, 45, keyEscape);
    long listShownAt = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        for (const auto& draw : frame) {
            if (draw.text == "リプレイ") {
                listShownAt = poll;
            }
        }
    });
    headless::setKeySource(&keys);
    headless::setPollLimit(80);
    runTitleScreen();
    EXPECT_EQ(listShownAt, 80) << "the list was left at poll " << listShownAt;
}

TEST_F(GameReplays, EscPressedTheMomentAReplayEndsLeavesTheList) {
    storeOneShortMatch();

    // R, SPACE: the replay plays to its end; ESC is pressed on the list's first frame after.
    headless::KeyScript keys;
    keys.tap(3, keyR);
    keys.tap(6, keySpace);
    bool watching = false;
    long escAt = 0;
    long titleAt = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        bool list = false;
        bool title = false;
        for (const auto& draw : frame) {
            list = list || draw.text == "リプレイ";
            title = title || draw.text == gameTexts().rosterNames[1];
        }
        watching = watching || (poll > 6 && !list);
        if (watching && list && escAt == 0) {
            escAt = poll;
            keys.tap(poll, keyEscape);
        }
        if (escAt != 0 && title && titleAt == 0) {
            titleAt = poll;
        }
    });
    headless::setKeySource(&keys);
    headless::setPollLimit(400);
    runTitleScreen();
    ASSERT_NE(escAt, 0) << "the replay ended back on the list";
    EXPECT_EQ(titleAt, escAt + 1) << "ESC left the list at once";
}

TEST_F(GameReplays, AReplayThatPartsFromTheGameStopsAtTheFrameWhereItDoes) {
    BusyKeys keys;
    headless::setKeySource(&keys);
    headless::setPollLimit(8000);
    runTitleScreen();
    std::vector<Replay> replays = savedReplays();
    ASSERT_FALSE(replays.empty());
    Replay changed = replays[0];
    ASSERT_GT(changed.inputs.size(), 700u);
    // D tapped on every other frame from 601 on, where the player did not: the cursor moves in
    // the first human turn after that, and the next hash, a whole second's frame, says so.
    for (std::size_t i = 600; i < changed.inputs.size(); i += 2) {
        changed.inputs[i].keys = static_cast<std::uint16_t>(changed.inputs[i].keys | 0x0020);
    }
    headless::setKeySource(nullptr);
    headless::setPollLimit(0);
    std::vector<std::string> boxes;
    headless::setMessageHandler([&](const char* text) { boxes.emplace_back(text); });
    EXPECT_FALSE(watchReplay(changed, 1));
    ASSERT_EQ(headless::watchedReplays().size(), 1u);
    EXPECT_FALSE(headless::watchedReplays()[0].ok);
    const std::string& said = headless::watchedReplays()[0].text;
    const std::size_t at = said.find("frame ");
    ASSERT_NE(at, std::string::npos) << said;
    const long frame = std::stol(said.substr(at + 6));
    EXPECT_GT(frame, 600) << said;
    EXPECT_EQ(frame % 60, 0) << said;
    ASSERT_EQ(boxes.size(), 1u);

    // Inputs running on past the match's end are refused too.
    Replay longer = replays[0];
    longer.inputs.resize(longer.inputs.size() + 120);
    longer.hashes.insert(longer.hashes.end() - 1, 2, 0u);
    EXPECT_FALSE(watchReplay(longer, 8));
    EXPECT_FALSE(headless::watchedReplays().back().ok);
}

TEST_F(GameReplays, TheNewestAreKeptAndAStoreThatCannotBeWrittenSavesNothing) {
    Replay replay;
    replay.start = freshMatchStart(3, 1);
    replay.hashes.push_back(0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(saveMatchReplay(replay, 3));
    }
    EXPECT_EQ(headless::storedReplays().size(), 3u);
    const std::vector<ReplayEntry> list = listMatchReplays();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_GT(list[0].name, list[1].name) << "newest first";
    EXPECT_TRUE(list[0].readable);
    EXPECT_EQ(list[0].opponent, 3);

    headless::storedReplays()["20260101-000000-000.kkr"] = "garbage";
    EXPECT_FALSE(listMatchReplays().back().readable);

    headless::setReplayStoreWritable(false);
    EXPECT_FALSE(saveMatchReplay(replay, 3));
    EXPECT_EQ(headless::storedReplays().size(), 4u);

    EXPECT_TRUE(isReplayName("20261208-101500-000.kkr"));
    for (const char* bad : {"../x.kkr", "a/b.kkr", ".kkr", "x.txt", ".hidden.kkr", "ü.kkr"}) {
        EXPECT_FALSE(isReplayName(bad)) << bad;
    }
}

} // namespace

namespace {

// The match of a replay stepped straight to a frame, without any screen.
Match matchAtFrame(const Replay& replay, std::uint32_t frame) {
    Match match(replay.start);
    match.begin(silentListener());
    for (std::uint32_t f = 0; f < frame && f < replay.inputs.size(); ++f) {
        match.step(replay.inputs[f], silentListener());
    }
    return match;
}

// What a watched frame shows: the frame count of its status line and its board.
struct Shown {
    long poll = 0;
    long frame = -1;
    std::string board;
    bool selectionMark = false;
};

// The frame a paused watch's status line names ("... 601/3340"), or -1 for another text.
long pausedFrameOf(const std::string& text) {
    const std::string& paused = gameLanguage() == Language::English
                                    ? std::string(englishReplayTexts().paused)
                                    : std::string(japaneseReplayTexts().paused);
    const std::string prefix = paused.substr(0, paused.find('%'));
    unsigned at = 0;
    unsigned of = 0;
    if (text.compare(0, prefix.size(), prefix) != 0 ||
        std::sscanf(text.c_str() + prefix.size(), "%u/%u", &at, &of) != 2) {
        return -1;
    }
    return static_cast<long>(at);
}

std::string digitsOf(const MatchState& state) {
    std::string board;
    for (Element e : state.cells) {
        board += static_cast<char>('0' + e);
    }
    return board;
}

} // namespace

TEST_F(GameReplays, AReplayIsScrubbedBothWaysAndEveryJumpShowsTheFrameItNames) {
    BusyKeys keys;
    headless::setKeySource(&keys);
    headless::setPollLimit(6000);
    runTitleScreen();
    std::vector<Replay> replays = savedReplays();
    ASSERT_FALSE(replays.empty());
    const Replay& replay = replays[0];
    ASSERT_GT(replay.inputs.size(), 1500u);

    // Paused on the first frame, then: PAGE DOWN twice (+10 s each), LEFT, RIGHT, RIGHT, PAGE
    // UP, HOME, and ESC. Each shown frame's status line names its frame and its board is the
    // match stepped straight there.
    headless::reset();
    headless::setRecording(true);
    headless::KeyScript watch;
    watch.tap(2, keySpace);
    watch.tap(5, keyPageDown);
    watch.tap(8, keyPageDown);
    watch.tap(11, keyLeft);
    watch.tap(14, keyRight);
    watch.tap(17, keyRight);
    watch.tap(20, keyPageUp);
    watch.tap(23, keyHome);
    watch.tap(26, keyEscape);
    headless::setKeySource(&watch);
    headless::setPollLimit(100);
    std::vector<Shown> shown;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        Shown s;
        s.poll = poll;
        std::string board;
        for (const auto& draw : frame) {
            if (pausedFrameOf(draw.text) >= 0) {
                s.frame = pausedFrameOf(draw.text);
            }
            if (draw.height == 40) {
                for (int e = 0; e <= Water; ++e) {
                    if (draw.text == elementLabel[e]) {
                        board += static_cast<char>('0' + e);
                    }
                }
            }
            s.selectionMark = s.selectionMark ||
                              (draw.kind == headless::DrawCall::Kind::Primitive &&
                               draw.vertices.size() == 4 && draw.vertices[0].colour == 0xFF0000FFu &&
                               draw.vertices[2].x - draw.vertices[1].x < 20.0f);
        }
        s.board = board;
        shown.push_back(s);
    });
    EXPECT_FALSE(watchReplay(replay, 1));
    headless::setFrameHook(nullptr);

    auto frameAt = [&](long poll) {
        for (const Shown& s : shown) {
            if (s.poll == poll) {
                return s;
            }
        }
        return Shown{};
    };
    // The frame each key leaves on show (read the poll after its key); the pause came after the
    // first frame was played.
    const struct {
        long poll;
        long frame;
    } expected[] = {{6, 601}, {9, 1201}, {12, 1200}, {15, 1201}, {18, 1202}, {21, 602}, {24, 0}};
    for (const auto& e : expected) {
        const Shown s = frameAt(e.poll);
        EXPECT_EQ(s.frame, e.frame) << "poll " << e.poll;
        if (s.frame >= 0) {
            const Match there = matchAtFrame(replay, static_cast<std::uint32_t>(s.frame));
            if (there.phase() != MatchPhase::Between) {
                EXPECT_EQ(s.board, digitsOf(there.state())) << "frame " << s.frame;
            }
        }
    }
    // Nothing of the watch reaches the game's own series.
    EXPECT_TRUE(headless::messages().empty());
}

TEST_F(GameReplays, AWatchStartsWhereItIsAskedAndAPausedFrameDrawsTheWholeScene) {
    BusyKeys keys;
    headless::setKeySource(&keys);
    headless::setPollLimit(6000);
    runTitleScreen();
    const Replay replay = savedReplays().at(0);
    // A frame where the human has a cell selected: the paused frame shows that selection.
    std::uint32_t selectedAt = 0;
    {
        Match match(replay.start);
        match.begin(silentListener());
        for (std::uint32_t f = 0; f < replay.inputs.size() && selectedAt == 0; ++f) {
            match.step(replay.inputs[f], silentListener());
            if (match.phase() == MatchPhase::HumanTurn && match.selected() && f > 100) {
                selectedAt = f + 1;
            }
        }
    }
    ASSERT_NE(selectedAt, 0u) << "the busy player selects a cell somewhere";

    headless::reset();
    headless::setRecording(true);
    headless::KeyScript watch;
    watch.tap(2, keySpace);
    watch.tap(5, keyEscape);
    headless::setKeySource(&watch);
    headless::setPollLimit(50);
    std::vector<std::vector<headless::DrawCall>> frames;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long) {
        frames.push_back(frame);
    });
    EXPECT_FALSE(watchReplay(replay, 1, selectedAt));
    headless::setFrameHook(nullptr);
    ASSERT_GE(frames.size(), 4u);
    bool status = false;
    int marks = 0;
    for (const auto& draw : frames[3]) {
        status = status || pausedFrameOf(draw.text) == static_cast<long>(selectedAt);
        marks += draw.kind == headless::DrawCall::Kind::Primitive && draw.vertices.size() == 4 &&
                         (draw.vertices[0].colour == 0xFF0000FFu ||
                          draw.vertices[0].colour == 0xFFFF8000u) &&
                         draw.vertices[2].x - draw.vertices[1].x < 20.0f
                     ? 1
                     : 0;
    }
    EXPECT_TRUE(status) << "paused at the frame asked for, " << selectedAt;
    EXPECT_EQ(marks, 2) << "the cursor and the selection are both drawn while paused";
}

namespace {

// Where the frame drew each text: the point a click on it lands on (a centred label's x is its
// middle, a left one's its start; a few pixels into the line).
std::map<std::string, std::pair<int, int>> textPlaces(const std::vector<headless::DrawCall>& frame) {
    std::map<std::string, std::pair<int, int>> places;
    for (const auto& draw : frame) {
        if (draw.kind == headless::DrawCall::Kind::Text) {
            places[draw.text] = {draw.x + (draw.format == 1 ? 0 : 4), draw.y + 6};
        }
    }
    return places;
}

// A scrub of the watch, each step a key or the button that names it, and the frame each step
// leaves on show (read the poll after the step).
std::vector<long> scrubShown(const Replay& replay, Language language, bool byButtons) {
    headless::reset();
    setGameLanguage(language);
    const ReplayTexts& texts =
        gameLanguage() == Language::English ? englishReplayTexts() : japaneseReplayTexts();
    struct Step {
        int key;
        const char* button;
    };
    const Step steps[] = {
        {keySpace, texts.buttons[buttonPause]},  {keyPageDown, texts.buttons[buttonLater]},
        {keyPageDown, texts.buttons[buttonLater]}, {keyLeft, texts.buttons[buttonFrameBack]},
        {keyRight, texts.buttons[buttonFrameOn]},  {keyRight, texts.buttons[buttonFrameOn]},
        {keyPageUp, texts.buttons[buttonEarlier]}, {keyHome, texts.buttons[buttonRestart]},
        {keyEscape, texts.buttons[buttonLeave]}};
    headless::setMessageHandler([](const char*) {});
    headless::KeyScript watch;
    headless::setKeySource(&watch);
    headless::setPollLimit(100);
    std::vector<long> shown(40, -2);
    std::size_t next = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        for (const auto& draw : frame) {
            if (pausedFrameOf(draw.text) >= 0 && poll < 40) {
                shown[static_cast<std::size_t>(poll)] = pausedFrameOf(draw.text);
            }
        }
        // Every third poll the next step, aimed at what this frame drew.
        if (poll % 3 == 1 && next < sizeof steps / sizeof steps[0]) {
            const Step& step = steps[next++];
            if (byButtons) {
                const auto places = textPlaces(frame);
                const auto at = places.find(step.button);
                if (at == places.end()) {
                    ADD_FAILURE() << "no button '" << step.button << "' at poll " << poll;
                    return;
                }
                watch.click(poll + 1, at->second.first, at->second.second);
            } else {
                watch.tap(poll + 1, step.key);
            }
        }
    });
    EXPECT_FALSE(watchReplay(replay, 1));
    headless::setFrameHook(nullptr);
    EXPECT_EQ(next, sizeof steps / sizeof steps[0]) << "every step taken";
    return shown;
}

} // namespace

TEST_F(GameReplays, TheWatchsButtonsDoWhatTheirKeysDoInEitherLanguage) {
    BusyKeys keys;
    headless::setKeySource(&keys);
    headless::setPollLimit(6000);
    runTitleScreen();
    const Replay replay = savedReplays().at(0);
    ASSERT_GT(replay.inputs.size(), 1500u);
    for (Language language : {Language::Japanese, Language::English}) {
        const std::vector<long> byKeys = scrubShown(replay, language, false);
        const std::vector<long> byButtons = scrubShown(replay, language, true);
        EXPECT_EQ(byButtons, byKeys);
        // The steps' frames: paused after the first, +10 s twice, a frame back, two on, -10 s,
        // the start.
        EXPECT_EQ(byKeys[6], 601);
        EXPECT_EQ(byKeys[9], 1201);
        EXPECT_EQ(byKeys[12], 1200);
        EXPECT_EQ(byKeys[18], 1202);
        EXPECT_EQ(byKeys[21], 602);
        EXPECT_EQ(byKeys[24], 0);
    }
    // A frame's button pauses a playing watch and steps it.
    setGameLanguage(Language::Japanese);
    headless::reset();
    headless::KeyScript watch;
    headless::setKeySource(&watch);
    headless::setPollLimit(40);
    long pausedAt = -1;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        if (poll == 10) {
            const auto places = textPlaces(frame);
            const auto on = places.find(japaneseReplayTexts().buttons[buttonFrameOn]);
            ASSERT_NE(on, places.end());
            watch.click(11, on->second.first, on->second.second);
            watch.tap(20, keyEscape);
        }
        for (const auto& draw : frame) {
            if (poll == 15 && pausedFrameOf(draw.text) >= 0) {
                pausedAt = pausedFrameOf(draw.text);
            }
        }
    });
    EXPECT_FALSE(watchReplay(replay, 1));
    EXPECT_EQ(pausedAt, 11) << "ten frames played, the button's one more, then paused";
}

TEST_F(GameReplays, TheListIsChosenAndLeftByClicksAndNamesAnOnlineOpponentAndVerdict) {
    storeOneShortMatch();
    // The same match again as an online one: kai left, so ann won.
    Replay online;
    std::string error;
    ASSERT_TRUE(loadMatchReplay(headless::storedReplays().begin()->first, online, error)) << error;
    online.names[0] = "ann";
    online.names[1] = "kai";
    online.verdict = ReplayVerdict::Left;
    online.verdictWinner = 0;
    const std::vector<std::uint8_t> bytes = encodeReplay(online);
    headless::storedReplays()[newReplayName(60, {})] = std::string(bytes.begin(), bytes.end());
    headless::setStoredSettings(StoredText::Read, "player_name = kai\n");

    // R opens the list (the online match first, newest); a click on the second row selects it,
    // a second click watches it, the watch's back button and then the list's leave them.
    headless::KeyScript keys;
    keys.tap(3, keyR);
    headless::setKeySource(&keys);
    headless::setPollLimit(400);
    std::vector<std::string> rows;
    long watchedAt = 0;
    long titleAt = 0;
    int step = 0;
    headless::setFrameHook([&](const std::vector<headless::DrawCall>& frame, long poll) {
        const auto places = textPlaces(frame);
        const bool list = places.count("リプレイ") != 0;
        const bool watching = places.count(japaneseReplayTexts().buttons[buttonLeave]) != 0 &&
                              !list;
        if (list && rows.empty()) {
            for (const auto& draw : frame) {
                if (draw.kind == headless::DrawCall::Kind::Text && draw.y == 64) {
                    rows.push_back(draw.text);
                }
            }
        }
        if (list && step == 0) {
            keys.click(poll + 1, 300, 64 + 18 + 6);
            ++step;
        } else if (list && step == 1) {
            keys.click(poll + 1, 300, 64 + 18 + 6);
            ++step;
        } else if (watching && step == 2) {
            watchedAt = poll;
            const auto back = places.find(japaneseReplayTexts().buttons[buttonLeave]);
            keys.click(poll + 1, back->second.first, back->second.second);
            ++step;
        } else if (list && step == 3) {
            const auto back = places.find(japaneseReplayTexts().back);
            ASSERT_NE(back, places.end());
            keys.click(poll + 1, back->second.first, back->second.second);
            ++step;
        } else if (step == 4 && !list && places.count(gameTexts().rosterNames[1]) != 0) {
            titleAt = poll;
            keys.tap(poll + 1, keyEscape);
            ++step;
        }
    });
    runGame();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[1], "ann") << "the opponent of kai, not 2P";
    EXPECT_EQ(rows[2], "annのかち（相手退出）");
    EXPECT_NE(watchedAt, 0) << "a click on the selected row watches it";
    EXPECT_NE(titleAt, 0) << "the list's button goes back to the title";
    EXPECT_EQ(step, 5);
}
