// The match as a value: a copy is a snapshot that steps on exactly as the original (and going
// back to one re-plays the same frames), a copy never touches the original, the match's end is
// read from its state, and a finished match ignores further frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "match/match.h"
#include "support/match_transcript.h"

using namespace kokurin;
using namespace testing_support;

namespace {

FrameInput keysOf(std::initializer_list<int> bits) {
    FrameInput input;
    for (int bit : bits) {
        input.keys = static_cast<std::uint16_t>(input.keys | (1u << bit));
    }
    return input;
}

// Steps `frames` frames of busy keys from where the match stands; the transcript of them.
std::string stepBusy(Match& match, std::uint32_t frames, std::uint32_t salt) {
    MatchTranscript transcript(match);
    for (std::uint32_t i = 0; i < frames && !match.over(); ++i) {
        transcript.hash();
        match.step(busyInput(match.frame(), salt), transcript);
    }
    return transcript.text();
}

} // namespace

TEST(MatchValue, ACopyIsASnapshotThatStepsOnAsTheOriginalAndNeverTouchesIt) {
    Match match(freshMatchStart(7, 2026));
    match.begin(silentListener());
    stepBusy(match, 900, 11);
    ASSERT_FALSE(match.over());

    const Match snapshot = match;
    const std::uint32_t hashAtSnapshot = match.hash();
    const std::string ahead = stepBusy(match, 1500, 11);
    ASSERT_NE(match.hash(), hashAtSnapshot);

    // Going back to the snapshot and stepping the same frames again gives the same frames.
    Match again = snapshot;
    EXPECT_EQ(again.hash(), hashAtSnapshot);
    EXPECT_EQ(stepBusy(again, 1500, 11), ahead);
    EXPECT_EQ(again.hash(), match.hash());

    // Other keys from the snapshot make another match; the original is untouched by it.
    const std::uint32_t original = match.hash();
    Match other = snapshot;
    EXPECT_NE(stepBusy(other, 1500, 12), ahead);
    EXPECT_EQ(match.hash(), original);
    EXPECT_EQ(snapshot.hash(), hashAtSnapshot);
}

TEST(MatchValue, RollingBackAnyFrameOfATurnReplaysIt) {
    // A snapshot before every frame of a stretch with selections and exchanges (the human's
    // selection, the computer's cursor and mark, pauses, strikes): going back to any of them and
    // stepping the same inputs lands on the same state.
    Match match(freshMatchStart(12, 404));
    match.begin(silentListener());
    std::vector<Match> snapshots;
    std::vector<std::uint32_t> hashes;
    for (std::uint32_t f = 0; f < 1200 && !match.over(); ++f) {
        snapshots.push_back(match);
        match.step(busyInput(f, 99), silentListener());
        hashes.push_back(match.hash());
    }
    const std::uint32_t end = match.hash();
    for (std::size_t from = 0; from < snapshots.size(); from += 37) {
        Match rolled = snapshots[from];
        for (std::size_t f = from; f < snapshots.size(); ++f) {
            rolled.step(busyInput(static_cast<std::uint32_t>(f), 99), silentListener());
            ASSERT_EQ(rolled.hash(), hashes[f]) << "from " << from << " at " << f;
        }
        EXPECT_EQ(rolled.hash(), end);
        EXPECT_EQ(rolled.phase(), match.phase());
        EXPECT_EQ(rolled.selected(), match.selected());
    }
}

TEST(MatchValue, EscapeInAHumansTurnEndsTheMatchAndLaterFramesChangeNothing) {
    Match match(freshMatchStart(0, 5));
    match.begin(silentListener());
    ASSERT_EQ(match.phase(), MatchPhase::HumanTurn);
    match.step(keysOf({bitFirstRight}), silentListener());
    EXPECT_EQ(match.state().cursorCol, 1);
    EXPECT_EQ(match.outcome(), MatchOutcome::Playing);
    match.step(keysOf({bitEscape}), silentListener());
    EXPECT_TRUE(match.over());
    EXPECT_EQ(match.outcome(), MatchOutcome::Left);
    EXPECT_FALSE(match.leavesMatchScreen());
    const std::uint32_t frame = match.frame();
    const std::uint32_t hash = match.hash();
    match.step(keysOf({bitFirstRight}), silentListener());
    EXPECT_EQ(match.frame(), frame);
    EXPECT_EQ(match.hash(), hash);
}

TEST(MatchValue, TheWinnerScreenIsLeftWithSpaceOnlyByANewPress) {
    // Two computers play to a winner; SPACE held from before the screen does not leave it, a new
    // press does, and the match screen is drawn once more under what follows.
    Match match(freshMatchStart(15, 31), 14);
    match.begin(silentListener());
    while (match.phase() != MatchPhase::Winner && match.frame() < 40000) {
        match.step(keysOf({bitFirstSelect}), silentListener());
    }
    ASSERT_EQ(match.phase(), MatchPhase::Winner);
    const MatchOutcome outcome = match.outcome();
    EXPECT_TRUE(outcome == MatchOutcome::FirstWon || outcome == MatchOutcome::SecondWon);
    match.step(keysOf({bitFirstSelect}), silentListener());
    EXPECT_EQ(match.phase(), MatchPhase::Winner) << "SPACE held from before";
    match.step(FrameInput{}, silentListener());
    match.step(keysOf({bitFirstSelect}), silentListener());
    EXPECT_TRUE(match.over());
    EXPECT_TRUE(match.leavesMatchScreen());
    EXPECT_EQ(match.outcome(), outcome);
}

TEST(MatchValue, AStartIsTakenFromItsSeriesAndCheckedBeforeUse) {
    MatchSeries series(77);
    series.rotation = 5;
    const MatchStart start = nextMatchStart(series, 8, keyHoldsOfDown(1u << bitFirstSelect));
    EXPECT_TRUE(validMatchStart(start));
    EXPECT_EQ(start.rotation, 5);
    EXPECT_EQ((start.keyHolds >> (2 * bitFirstSelect)) & 3u, 2u) << "held, never pressed";
    // Two matches from one start are the same match.
    EXPECT_EQ(Match(start).hash(), Match(start).hash());
    EXPECT_EQ(Match(start).hash(), Match(nextMatchStart(series, 8, 0)).hash())
        << "the keys held are not part of the state's hash";

    MatchStart bad = start;
    bad.opponent = replayOpponents;
    EXPECT_FALSE(validMatchStart(bad));
    bad = start;
    bad.keyHolds = 3u << (2 * bitHint);
    EXPECT_FALSE(validMatchStart(bad));
    bad = start;
    bad.keyHolds = 1u << (2 * matchKeyCount);
    EXPECT_FALSE(validMatchStart(bad));
    bad = start;
    bad.randomIndex = Sfmt19937::wordCount + 1;
    EXPECT_FALSE(validMatchStart(bad));
}
