// kokurin-sim's tournament: every ordered pair of entries (the scripted novice and the fifteen
// personalities) plays one match per seed; one CSV row per match, in match order.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "match/match_observer.h"

namespace kokurin {

// Entry 0 is the scripted novice human (roster entry 0 is the human seat); 1 .. 15 are the
// personalities.
constexpr int noviceEntry = 0;
constexpr int tournamentEntries = 16;

struct TournamentOptions {
    // The entries that take part, in order (default all sixteen).
    std::vector<int> entries = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    long seeds = 0;
    std::uint32_t baseSeed = 1;
    int jobs = 1;
    long frameLimit = 36000;
    bool help = false;
};

// True when the arguments ask for the tournament (they hold --tournament).
bool isTournamentCommand(const std::vector<std::string>& args);
// Parses the tournament's arguments; on failure returns false with a message in error.
bool parseTournamentOptions(const std::vector<std::string>& args, TournamentOptions& options,
                            std::string& error);
const char* tournamentUsage();

struct TournamentMatch {
    std::uint32_t seed = 0;
    int first = 0;
    int second = 0;
};

struct MatchResult {
    TournamentMatch match;
    // 1 or 2: the seat that won; 0: the frame limit came first (a draw).
    int winner = 0;
    // Frames (polls) the match ran, up to the winner screen or the limit.
    long frames = 0;
};

// Ordered pairs of different entries: each pair meets twice per seed, once in each seat order.
long matchesPerSeed(const TournamentOptions& options);
// The index-th match of the tournament: seeds in order, then the first seat's entry, then the
// second's (in the order of options.entries).
TournamentMatch tournamentMatchAt(const TournamentOptions& options, long index);
// Plays one match on the headless front end. Everything a match reads is set afresh (the
// generator, entry 8's turn count, the front end), so the result depends only on the match.
// The watcher, if any, sees every event of the match.
MatchResult playTournamentMatch(const TournamentMatch& match, long frameLimit,
                                MatchObserver* watcher = nullptr);
// "seed,first,second,winner,frames" with winner 1, 2 or draw, and a newline.
std::string resultRow(const MatchResult& result);

// Plays every match (in `options.jobs` worker processes where the platform can fork) and
// writes the header and the rows in match order to out; a progress line goes to `progress`
// when it is not null. False with a message when a worker failed.
bool runTournament(const TournamentOptions& options, std::FILE* out, std::FILE* progress,
                   std::string& error);

// kokurin-sim --tournament ...: parses, runs, returns the exit status.
int tournamentMain(const std::vector<std::string>& args);

} // namespace kokurin
