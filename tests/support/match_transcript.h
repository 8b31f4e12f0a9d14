// A match's own account of itself, for comparing two runs of it: every event the match reports
// (sounds, turns, exchanges, the settled board, the clash's end, the winner) with the frame it
// came in, and the state hash every second. Two runs that agree on it played the same match.
#pragma once

#include <cstdint>
#include <string>

#include "match/match.h"

namespace testing_support {

class MatchTranscript : public kokurin::MatchListener {
  public:
    explicit MatchTranscript(const kokurin::Match& match) : match_(match) {}

    const std::string& text() const { return text_; }
    void hash() { line("hash", match_.hash()); }

    void sound(const kokurin::SoundCue& cue) override {
        line("sound", static_cast<long>(cue.kind) * 1000 + cue.count);
    }
    void turnStarted(const kokurin::MatchState& state) override {
        line("turn", state.currentPlayer);
    }
    void swapMade(const kokurin::MatchState&, int first, int second) override {
        line("swap", first * 100 + second);
    }
    void turnEnded(const kokurin::MatchState& state, bool computer) override {
        line("end", computer ? state.opponentType + 100 : 0);
    }
    void cascadeSettled(const kokurin::MatchState& state) override {
        std::string board;
        for (kokurin::Element e : state.cells) {
            board += static_cast<char>('0' + e);
        }
        text_ += "settled " + board + "\n";
    }
    void clashEnded(const kokurin::MatchState& state) override {
        line("clash", static_cast<long>(state.hp[0] * 1000) * 100000 +
                          static_cast<long>(state.hp[1] * 1000));
    }
    void hintAsked(const kokurin::MatchState& state) override { line("hint", state.currentPlayer); }
    void winnerScreen(const kokurin::MatchState& state) override {
        line("winner", state.hp[0] > 0.0f ? 0 : 1);
    }
    void candidateEvaluated(const kokurin::ComputerTurn&, int position,
                            const kokurin::SwapOutcome&, int score) override {
        evaluations_ = evaluations_ * 31 + static_cast<std::uint32_t>(position * 7 + score);
    }
    // A digest of every evaluation the computer made.
    std::uint32_t evaluations() const { return evaluations_; }

  private:
    void line(const char* what, long value) {
        text_ += std::to_string(match_.frame()) + " " + what + " " + std::to_string(value) + "\n";
    }

    const kokurin::Match& match_;
    std::string text_;
    std::uint32_t evaluations_ = 0;
};

// A busy player's keys at a frame: any of both seats' keys now and then, from a fixed sequence
// of its own (no two salts alike). Never ESC (it would end the match in a pause) nor H.
inline kokurin::FrameInput busyInput(std::uint32_t frame, std::uint32_t salt) {
    std::uint32_t h = frame * 2654435761u ^ salt;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    kokurin::FrameInput input;
    if (h % 4 == 0) {
        const int bit = 2 + static_cast<int>((h >> 8) % 10);
        input.keys = static_cast<std::uint16_t>(1u << bit);
    }
    return input;
}

// Plays a match from a seed to its end (or a frame limit) with busy keys on the human seats and
// returns its transcript.
inline std::string playedTranscript(int first, int second, std::uint32_t seed,
                                    std::uint32_t limit) {
    kokurin::Match match(kokurin::freshMatchStart(second, seed), first);
    MatchTranscript transcript(match);
    match.begin(transcript);
    while (!match.over() && match.frame() < limit) {
        if ((match.frame() + 1) % 60 == 0) {
            transcript.hash();
        }
        match.step(busyInput(match.frame(), seed * 7919u + static_cast<std::uint32_t>(second)),
                   transcript);
    }
    transcript.hash();
    return transcript.text() + "evaluations " + std::to_string(transcript.evaluations()) + "\n";
}

} // namespace testing_support
