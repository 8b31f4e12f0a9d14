// The key names of the texts rewritten for the bindings in force, kept per text until the
// bindings change.
#include "screens/bound_key_texts.h"

#include <cstring>
#include <deque>
#include <initializer_list>
#include <string>

#include "input/key_bindings.h"

namespace kokurin {

namespace {

// The actions' places in a seat's bindings (PlayerKey's order).
constexpr int left = 0;
constexpr int right = 1;
constexpr int up = 2;
constexpr int down = 3;
constexpr int select = 4;

struct Rewritten {
    const char* source;
    std::string text;
};

// A deque, so that a text handed out stays where it is while others are added.
std::deque<Rewritten> rewritten;
KeyBindings rewrittenFor;

std::string nameOf(const KeyBindings& keys, int seat, int action) {
    const char* name = keyName(keys.keys[seat][action]);
    return name != nullptr ? name : "?";
}

// A seat's four directions in the order up, left, down, right (as WASD), run together when
// every name is one character ("IJKL"), else with slashes ("PAD8/PAD4/PAD2/PAD6").
std::string directions(const KeyBindings& keys, int seat) {
    const int order[] = {up, left, down, right};
    bool single = true;
    for (int action : order) {
        single = single && nameOf(keys, seat, action).size() == 1;
    }
    std::string out;
    for (int action : order) {
        if (!out.empty() && !single) {
            out += '/';
        }
        out += nameOf(keys, seat, action);
    }
    return out;
}

bool sameKeys(const KeyBindings& keys, int seat, std::initializer_list<int> actions) {
    const KeyBindings defaults = defaultKeyBindings();
    for (int action : actions) {
        if (keys.keys[seat][action] != defaults.keys[seat][action]) {
            return false;
        }
    }
    return true;
}

bool asciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// What a default key name at text[at] becomes, and its length; 0 when none starts there.
std::size_t replacementAt(const char* text, std::size_t at, const KeyBindings& keys,
                          std::string& out) {
    struct Token {
        const char* name;
        int seat;
        std::initializer_list<int> actions;
    };
    // Longer names before those they begin with.
    static const Token tokens[] = {
        {"WASD", 0, {up, left, down, right}},
        {"W S", 0, {up, down}},
        {"W/S", 0, {up, down}},
        {"SPACE", 0, {select}},
        {"ENTER", 1, {select}},
        {"arrow keys", 1, {up, left, down, right}},
        {"arrows", 1, {up, left, down, right}},
        {"矢印", 1, {up, left, down, right}},
        {"UP/DOWN", 1, {up, down}},
        {"↑↓", 1, {up, down}},
        {"LEFT", 1, {left}},
        {"RIGHT", 1, {right}},
        {"DOWN", 1, {down}},
        {"UP", 1, {up}},
        {"←", 1, {left}},
        {"→", 1, {right}},
        {"↑", 1, {up}},
        {"↓", 1, {down}},
    };
    // An ASCII name is a word of its own: not "ENTERED", not the "S" of "ESC".
    if (at > 0 && asciiLetter(text[at - 1])) {
        return 0;
    }
    for (const Token& token : tokens) {
        const std::size_t length = std::strlen(token.name);
        if (std::strncmp(text + at, token.name, length) != 0 ||
            (asciiLetter(token.name[0]) && asciiLetter(text[at + length]))) {
            continue;
        }
        if (sameKeys(keys, token.seat, token.actions)) {
            out.append(token.name, length);
        } else if (token.actions.size() == 4) {
            out += directions(keys, token.seat);
        } else if (token.actions.size() == 2) {
            // "W S" keeps its space; the others ("W/S", "UP/DOWN", "↑↓") get a slash.
            const char* between = std::strchr(token.name, ' ') != nullptr ? " " : "/";
            out += nameOf(keys, token.seat, up) + between + nameOf(keys, token.seat, down);
        } else {
            out += nameOf(keys, token.seat, *token.actions.begin());
        }
        return length;
    }
    return 0;
}

std::string rewrite(const char* text, const KeyBindings& keys) {
    std::string out;
    for (std::size_t at = 0; text[at] != '\0';) {
        const std::size_t length = replacementAt(text, at, keys, out);
        if (length == 0) {
            out += text[at];
            ++at;
        } else {
            at += length;
        }
    }
    return out;
}

} // namespace

const char* withBoundKeys(const char* text) {
    const KeyBindings& keys = activeKeyBindings();
    if (text == nullptr || keys == defaultKeyBindings()) {
        return text;
    }
    if (!(keys == rewrittenFor)) {
        rewritten.clear();
        rewrittenFor = keys;
    }
    for (const Rewritten& known : rewritten) {
        if (known.source == text) {
            return known.text.c_str();
        }
    }
    rewritten.push_back({text, rewrite(text, keys)});
    return rewritten.back().text.c_str();
}

} // namespace kokurin
