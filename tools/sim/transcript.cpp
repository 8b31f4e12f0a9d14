// kokurin-sim's transcript: one JSON object per event, fields in a fixed order.
#include "transcript.h"

#include "cpu/computer_turn.h"
#include "headless/headless.h"

namespace kokurin {

std::string boardText(const MatchState& state) {
    std::string text;
    for (Element e : state.cells) {
        text += static_cast<char>('0' + e);
    }
    return text;
}

std::string queueText(const ClearedQueue& queue) {
    std::string text;
    for (Element e : queue) {
        text += static_cast<char>('0' + e);
    }
    return text;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string hpText(const MatchState& state) {
    char text[64];
    std::snprintf(text, sizeof text, "[%.9g,%.9g]", static_cast<double>(state.hp[0]),
                  static_cast<double>(state.hp[1]));
    return text;
}

long Transcript::poll() const {
    return poll_ ? poll_() : headless::pollCount();
}

void Transcript::start(std::uint32_t seed, int opponent, const MatchState& state) {
    std::fprintf(out_, "{\"ev\":\"start\",\"seed\":%lu,\"opponent\":%d,\"board\":\"%s\"}\n",
                 static_cast<unsigned long>(seed), opponent, boardText(state).c_str());
}

void Transcript::end(const char* reason, const MatchState& state) {
    std::string winner = "null";
    if (winnerReached_) {
        winner = state.hp[0] > 0.0f ? "0" : "1";
    }
    std::fprintf(out_, "{\"ev\":\"end\",\"poll\":%ld,\"reason\":\"%s\",\"winner\":%s,\"hp\":%s}\n",
                 poll(), reason, winner.c_str(), hpText(state).c_str());
    std::fflush(out_);
}

void Transcript::turnStarted(const MatchState& state) {
    ++turn_;
    swapFirst_ = -1;
    swapSecond_ = -1;
}

void Transcript::swapMade(const MatchState& state, int firstCell, int secondCell) {
    swapFirst_ = firstCell;
    swapSecond_ = secondCell;
}

void Transcript::turnEnded(const MatchState& state, bool computer) {
    std::string personality = computer ? std::to_string(computerTypeOfTurn(state)) : "null";
    std::string swap = "null";
    if (swapFirst_ >= 0) {
        swap = "[" + std::to_string(swapFirst_) + "," + std::to_string(swapSecond_) + "]";
    }
    std::fprintf(out_,
                 "{\"ev\":\"move\",\"turn\":%d,\"player\":%d,\"poll\":%ld,\"personality\":%s,"
                 "\"swap\":%s}\n",
                 turn_, state.currentPlayer, poll(), personality.c_str(), swap.c_str());
}

void Transcript::cascadeSettled(const MatchState& state) {
    std::fprintf(out_,
                 "{\"ev\":\"settled\",\"turn\":%d,\"poll\":%ld,\"board\":\"%s\",\"q0\":\"%s\","
                 "\"q1\":\"%s\"}\n",
                 turn_, poll(), boardText(state).c_str(), queueText(state.queues[0]).c_str(),
                 queueText(state.queues[1]).c_str());
}

void Transcript::clashEnded(const MatchState& state) {
    std::fprintf(out_,
                 "{\"ev\":\"clash\",\"turn\":%d,\"poll\":%ld,\"hp\":%s,\"q0\":\"%s\",\"q1\":\"%s\","
                 "\"next\":%d}\n",
                 turn_, poll(), hpText(state).c_str(), queueText(state.queues[0]).c_str(),
                 queueText(state.queues[1]).c_str(), state.currentPlayer);
}

void Transcript::hintShown(const MatchState& state, const char* text) {
    std::fprintf(out_, "{\"ev\":\"hint\",\"poll\":%ld,\"player\":%d,\"text\":%s}\n", poll(),
                 state.currentPlayer, jsonString(text).c_str());
}

void Transcript::winnerScreen(const MatchState& state) {
    // Stop here: the winner screen's first pump reports quit and the match unwinds untouched.
    winnerReached_ = true;
    headless::setPollLimit(headless::pollCount());
}

} // namespace kokurin
