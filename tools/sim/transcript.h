// The match observer that prints kokurin-sim's JSON Lines transcript.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "match/match_observer.h"

namespace kokurin {

class Transcript : public MatchObserver {
  public:
    explicit Transcript(std::FILE* out) : out_(out) {}

    // Where an event's poll is read (default: the frame pumps so far). Online the match's
    // frames are confirmed apart from the pumps, and the poll is the confirmed frames'.
    void setPollSource(std::function<long()> poll) { poll_ = std::move(poll); }

    void start(std::uint32_t seed, int opponent, const MatchState& state);
    void end(const char* reason, const MatchState& state);
    bool winnerReached() const { return winnerReached_; }

    void turnStarted(const MatchState& state) override;
    void swapMade(const MatchState& state, int firstCell, int secondCell) override;
    void turnEnded(const MatchState& state, bool computer) override;
    void cascadeSettled(const MatchState& state) override;
    void clashEnded(const MatchState& state) override;
    void hintShown(const MatchState& state, const char* text) override;
    void winnerScreen(const MatchState& state) override;

  private:
    long poll() const;

    std::FILE* out_;
    std::function<long()> poll_;
    int turn_ = 0;
    int swapFirst_ = -1;
    int swapSecond_ = -1;
    bool winnerReached_ = false;
};

// Digits of the board, row-major; of a queue, front to back.
std::string boardText(const MatchState& state);
std::string queueText(const ClearedQueue& queue);
// A JSON string literal (quotes included) of UTF-8 text.
std::string jsonString(const std::string& text);
// Both hit points as "[h0,h1]" with %.9g.
std::string hpText(const MatchState& state);

} // namespace kokurin
