// The seats' key bindings: defaults, the mapping into canonical key numbers, the names of the
// keys and the checks that keep both seats playable.
#include "input/key_bindings.h"

#include <cctype>

namespace kokurin {

namespace {

const KeyBindings defaults = {{
    {keyA, keyD, keyW, keyS, keySpace},
    {keyLeft, keyRight, keyUp, keyDown, keyReturn},
}};

KeyBindings active = defaults;

struct NamedKey {
    int key;
    const char* name;
};

// Every key a front end can report. The names are the ones printed on the keys, so they are not
// translated; the settings file stores them too.
const NamedKey namedKeys[] = {
    {keyEscape, "ESC"},
    {key1, "1"},
    {key2, "2"},
    {key3, "3"},
    {key4, "4"},
    {key5, "5"},
    {key6, "6"},
    {key7, "7"},
    {key8, "8"},
    {key9, "9"},
    {key0, "0"},
    {keyMinus, "-"},
    {keyEquals, "="},
    {keyBackspace, "BACKSPACE"},
    {keyTab, "TAB"},
    {keyQ, "Q"},
    {keyW, "W"},
    {keyE, "E"},
    {keyR, "R"},
    {keyT, "T"},
    {keyY, "Y"},
    {keyU, "U"},
    {keyI, "I"},
    {keyO, "O"},
    {keyP, "P"},
    {keyLeftBracket, "["},
    {keyRightBracket, "]"},
    {keyReturn, "ENTER"},
    {keyLeftControl, "LCTRL"},
    {keyA, "A"},
    {keyS, "S"},
    {keyD, "D"},
    {keyF, "F"},
    {keyG, "G"},
    {keyH, "H"},
    {keyJ, "J"},
    {keyK, "K"},
    {keyL, "L"},
    {keySemicolon, ";"},
    {keyApostrophe, "'"},
    {keyGrave, "`"},
    {keyLeftShift, "LSHIFT"},
    {keyBackslash, "\\"},
    {keyZ, "Z"},
    {keyX, "X"},
    {keyC, "C"},
    {keyV, "V"},
    {keyB, "B"},
    {keyN, "N"},
    {keyM, "M"},
    {keyComma, ","},
    {keyPeriod, "."},
    {keySlash, "/"},
    {keyRightShift, "RSHIFT"},
    {keyPadMultiply, "PAD*"},
    {keyLeftAlt, "LALT"},
    {keySpace, "SPACE"},
    {keyCapsLock, "CAPSLOCK"},
    {keyF1, "F1"},
    {keyF2, "F2"},
    {keyF3, "F3"},
    {keyF4, "F4"},
    {keyF5, "F5"},
    {keyF6, "F6"},
    {keyF7, "F7"},
    {keyF8, "F8"},
    {keyF9, "F9"},
    {keyF10, "F10"},
    {keyNumLock, "NUMLOCK"},
    {keyScrollLock, "SCROLLLOCK"},
    {keyPad7, "PAD7"},
    {keyPad8, "PAD8"},
    {keyPad9, "PAD9"},
    {keyPadMinus, "PAD-"},
    {keyPad4, "PAD4"},
    {keyPad5, "PAD5"},
    {keyPad6, "PAD6"},
    {keyPadPlus, "PAD+"},
    {keyPad1, "PAD1"},
    {keyPad2, "PAD2"},
    {keyPad3, "PAD3"},
    {keyPad0, "PAD0"},
    {keyPadPeriod, "PAD."},
    {keyNonUsBackslash, "<>"},
    {keyF11, "F11"},
    {keyF12, "F12"},
    {keyPadEnter, "PADENTER"},
    {keyRightControl, "RCTRL"},
    {keyPadDivide, "PAD/"},
    {keyRightAlt, "RALT"},
    {keyHome, "HOME"},
    {keyUp, "UP"},
    {keyPageUp, "PAGEUP"},
    {keyLeft, "LEFT"},
    {keyRight, "RIGHT"},
    {keyEnd, "END"},
    {keyDown, "DOWN"},
    {keyPageDown, "PAGEDOWN"},
    {keyInsert, "INSERT"},
    {keyDelete, "DELETE"},
};

// Keys with a job of their own on every screen: leaving, the hint, the sound, help, fullscreen.
const int keptKeys[] = {keyEscape, keyH, keyM, keyF1, keyF11};

bool sameText(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace

KeyBindings defaultKeyBindings() {
    return defaults;
}

bool operator==(const KeyBindings& a, const KeyBindings& b) {
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            if (a.keys[seat][action] != b.keys[seat][action]) {
                return false;
            }
        }
    }
    return true;
}

void mapBoundKeys(const KeyBindings& bindings, const bool physicalDown[keyboardKeys],
                  bool gameDown[keyboardKeys]) {
    for (int key = 0; key < keyboardKeys; ++key) {
        gameDown[key] = physicalDown[key];
    }
    // The canonical keys are all rewritten from the physical ones (never from each other), so a
    // swap of two keys within a seat maps correctly.
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            const int bound = bindings.keys[seat][action];
            const bool down = bound > 0 && bound < keyboardKeys && physicalDown[bound];
            gameDown[defaults.keys[seat][action]] = down;
        }
    }
}

const KeyBindings& activeKeyBindings() {
    return active;
}

void setActiveKeyBindings(const KeyBindings& bindings) {
    active = bindings;
}

const char* keyName(int key) {
    for (const NamedKey& named : namedKeys) {
        if (named.key == key) {
            return named.name;
        }
    }
    return nullptr;
}

int keyFromName(const std::string& name) {
    for (const NamedKey& named : namedKeys) {
        if (sameText(name, named.name)) {
            return named.key;
        }
    }
    return -1;
}

BindingProblem bindingProblem(const KeyBindings& bindings, int seat, int action, int key) {
    if (keyName(key) == nullptr) {
        return BindingProblem::UnknownKey;
    }
    for (int kept : keptKeys) {
        if (key == kept) {
            return BindingProblem::KeptKey;
        }
    }
    for (int other = 0; other < bindingActions; ++other) {
        if (other != action && bindings.keys[seat][other] == key) {
            return BindingProblem::SameSeat;
        }
        if (bindings.keys[1 - seat][other] == key) {
            return BindingProblem::OtherSeat;
        }
    }
    return BindingProblem::None;
}

bool bindingsPlayable(const KeyBindings& bindings) {
    for (int seat = 0; seat < bindingSeats; ++seat) {
        for (int action = 0; action < bindingActions; ++action) {
            if (bindingProblem(bindings, seat, action, bindings.keys[seat][action]) !=
                BindingProblem::None) {
                return false;
            }
        }
    }
    return true;
}

} // namespace kokurin
