// kokurin-sim's tournament: the same bytes whatever the number of worker processes, each match
// the same wherever it falls in the run, the frame limit, and the scripted novice's exchanges
// made through the human turn's keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "headless/headless.h"
#include "novice_seat.h"
#include "rules/board.h"
#include "rules/turn_budget.h"
#include "tournament.h"

using namespace kokurin;

namespace {

// The tournament's output through a real file (a named one: Windows' tmpfile wants the root
// folder).
std::string tournamentOutput(const TournamentOptions& options) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("kokurin-tournament-" + std::to_string(options.jobs) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".csv");
    std::FILE* out = std::fopen(path.string().c_str(), "w+b");
    if (out == nullptr) {
        ADD_FAILURE() << "cannot write " << path.string();
        return "";
    }
    std::string error;
    EXPECT_TRUE(runTournament(options, out, nullptr, error)) << error;
    std::rewind(out);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) {
        text.append(buffer, n);
    }
    std::fclose(out);
    std::filesystem::remove(path);
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line + "\n");
    }
    return lines;
}

// The novice (0), the personality that rotates by the turn count (8) and a fast one (15).
TournamentOptions tinyTournament() {
    TournamentOptions options;
    options.entries = {0, 8, 15};
    options.seeds = 1;
    options.baseSeed = 4294967295u;
    return options;
}

} // namespace

TEST(Tournament, SameBytesForOneTwoOrFourWorkersAndEachMatchPlaysTheSameAlone) {
    TournamentOptions options = tinyTournament();
    const std::string one = tournamentOutput(options);
    options.jobs = 2;
    EXPECT_EQ(tournamentOutput(options), one);
    options.jobs = 4;
    EXPECT_EQ(tournamentOutput(options), one);

    const std::vector<std::string> lines = linesOf(one);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "seed,first,second,winner,frames\n");
    const char* const pairs[] = {"0,8", "0,15", "8,0", "8,15", "15,0", "15,8"};
    // Played alone and last to first, after whatever the worker processes left behind, every
    // match gives its row again: nothing carries over from one match to the next.
    for (int i = 5; i >= 0; --i) {
        const std::string& row = lines[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(row.rfind(std::string("4294967295,") + pairs[i] + ",", 0), 0u) << row;
        EXPECT_TRUE(row.find(",draw,") == std::string::npos) << row;
        const MatchResult alone =
            playTournamentMatch(tournamentMatchAt(options, i), options.frameLimit);
        EXPECT_EQ(resultRow(alone), row);
    }
}

TEST(Tournament, TheFrameLimitEndsAMatchAsADraw) {
    TournamentMatch match;
    match.seed = 5;
    match.first = 3;
    match.second = 0;
    const MatchResult result = playTournamentMatch(match, 900);
    EXPECT_EQ(resultRow(result), "5,3,0,draw,900\n");
}

TEST(Tournament, SeedsWrapAndPairsFollowTheEntriesOrder) {
    TournamentOptions options = tinyTournament();
    options.seeds = 2;
    const TournamentMatch seventh = tournamentMatchAt(options, 7);
    EXPECT_EQ(seventh.seed, 0u);
    EXPECT_EQ(seventh.first, 0);
    EXPECT_EQ(seventh.second, 15);
    options.entries = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(matchesPerSeed(options), 240);
    const TournamentMatch last = tournamentMatchAt(options, 239);
    EXPECT_EQ(last.first, 15);
    EXPECT_EQ(last.second, 14);
}

namespace {

// The novice's turns: what it meant to exchange and what the human turn exchanged.
class NoviceWatcher : public MatchObserver {
  public:
    explicit NoviceWatcher(int seat) : seat_(seat) {}

    void turnStarted(const MatchState& state) override {
        mine_ = state.currentPlayer == seat_;
        if (mine_) {
            int a = 0;
            int b = 0;
            noviceChoice(state, a, b);
            MatchState after = state;
            swapCells(after, a, b);
            chosen.push_back({a, b});
            clears.push_back(boardHasLine(after));
            budget_ = turnBudget(state.hp[seat_], state.hp[1 - seat_]);
        }
    }
    void swapMade(const MatchState& state, int firstCell, int secondCell) override {
        if (mine_) {
            made.push_back({std::min(firstCell, secondCell), std::max(firstCell, secondCell)});
            // Frames since the turn began: its first frame spends one of the budget's frames,
            // each later one another.
            delays.push_back(budget_ - state.turnTimer - 1);
        }
    }
    void turnEnded(const MatchState&, bool computer) override {
        if (mine_) {
            EXPECT_FALSE(computer);
        }
    }

    std::vector<std::pair<int, int>> chosen;
    std::vector<bool> clears;
    std::vector<std::pair<int, int>> made;
    std::vector<long> delays;

  private:
    int seat_;
    bool mine_ = false;
    long budget_ = 0;
};

} // namespace

TEST(Tournament, TheNoviceMakesTheClearingExchangeItChoseFromEitherSeat) {
    for (int seat : {0, 1}) {
        TournamentMatch match;
        match.seed = 11;
        match.first = seat == 0 ? noviceEntry : 4;
        match.second = seat == 0 ? 4 : noviceEntry;
        NoviceWatcher watcher(seat);
        const MatchResult result = playTournamentMatch(match, 36000, &watcher);
        SCOPED_TRACE(testing::Message() << "seat " << seat);
        EXPECT_NE(result.winner, 0);
        ASSERT_GE(watcher.chosen.size(), 3u);
        // Every turn ends with its exchange, made with the seat's keys, at a beginner's pace.
        EXPECT_EQ(watcher.made, watcher.chosen);
        for (std::size_t t = 0; t < watcher.chosen.size(); ++t) {
            EXPECT_TRUE(watcher.clears[t]) << "turn " << t;
            EXPECT_GE(watcher.delays[t], NoviceSeat::lookPolls + 2 * NoviceSeat::pausePolls);
        }
    }
}
