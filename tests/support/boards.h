// Test helpers: boards and queues written as digit strings.
#pragma once

#include <string>

#include "rules/match_state.h"

using namespace kokurin;

namespace testing_support {

// 36 digits, row-major from the top-left cell; spaces and '|' are ignored.
inline void setBoard(MatchState& state, const std::string& digits) {
    int i = 0;
    for (char c : digits) {
        if (c >= '0' && c <= '9') {
            state.cells[i++] = static_cast<Element>(c - '0');
        }
    }
}

inline MatchState boardFrom(const std::string& digits) {
    MatchState state;
    setBoard(state, digits);
    return state;
}

// A queue from digits, front to back.
inline ClearedQueue queueFrom(const std::string& digits) {
    ClearedQueue q;
    for (char c : digits) {
        q.pushBack(static_cast<Element>(c - '0'));
    }
    return q;
}

inline std::string queueDigits(const ClearedQueue& q) {
    std::string s;
    for (Element e : q) {
        s += static_cast<char>('0' + e);
    }
    return s;
}

inline std::string boardDigits(const MatchState& state) {
    std::string s;
    for (Element e : state.cells) {
        s += static_cast<char>('0' + e);
    }
    return s;
}

// A full board with no line of three: a 5-colour pattern that repeats with period 5 along rows
// and shifts by 2 per row.
inline const char* quietBoard() {
    return "123451"
           "345123"
           "512345"
           "234512"
           "451234"
           "123451";
}

// The quiet board with a fire in cell 31: exchanging cells 32 and 35 makes the bottom row
// read 1 1 1 4 5 3, one line of fire.
inline const char* nearLineBoard() {
    return "123451"
           "345123"
           "512345"
           "234512"
           "451234"
           "113451";
}

} // namespace testing_support
