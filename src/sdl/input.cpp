// Keys and pads at SDL's edge: scancodes to the game's key numbers, followed through their events
// (a key pressed and let go between two polls is reported as tapped); pads are read button by
// button at the poll and reported as pad buttons, whose meaning is the game's.
#include "sdl/input.h"

namespace kokurin {
namespace sdl {

namespace {

struct KeyOfScancode {
    SDL_Scancode scancode;
    int key;
};

// Every key the game numbers, by its place on the keyboard (SDL's scancodes, as DirectInput's
// numbers are places too). The keypad's ENTER is also RETURN, as it always was.
const KeyOfScancode keyboardKeyTable[] = {
    {SDL_SCANCODE_ESCAPE, keyEscape},
    {SDL_SCANCODE_1, key1},
    {SDL_SCANCODE_2, key2},
    {SDL_SCANCODE_3, key3},
    {SDL_SCANCODE_4, key4},
    {SDL_SCANCODE_5, key5},
    {SDL_SCANCODE_6, key6},
    {SDL_SCANCODE_7, key7},
    {SDL_SCANCODE_8, key8},
    {SDL_SCANCODE_9, key9},
    {SDL_SCANCODE_0, key0},
    {SDL_SCANCODE_MINUS, keyMinus},
    {SDL_SCANCODE_EQUALS, keyEquals},
    {SDL_SCANCODE_BACKSPACE, keyBackspace},
    {SDL_SCANCODE_TAB, keyTab},
    {SDL_SCANCODE_Q, keyQ},
    {SDL_SCANCODE_W, keyW},
    {SDL_SCANCODE_E, keyE},
    {SDL_SCANCODE_R, keyR},
    {SDL_SCANCODE_T, keyT},
    {SDL_SCANCODE_Y, keyY},
    {SDL_SCANCODE_U, keyU},
    {SDL_SCANCODE_I, keyI},
    {SDL_SCANCODE_O, keyO},
    {SDL_SCANCODE_P, keyP},
    {SDL_SCANCODE_LEFTBRACKET, keyLeftBracket},
    {SDL_SCANCODE_RIGHTBRACKET, keyRightBracket},
    {SDL_SCANCODE_RETURN, keyReturn},
    {SDL_SCANCODE_KP_ENTER, keyReturn},
    {SDL_SCANCODE_LCTRL, keyLeftControl},
    {SDL_SCANCODE_A, keyA},
    {SDL_SCANCODE_S, keyS},
    {SDL_SCANCODE_D, keyD},
    {SDL_SCANCODE_F, keyF},
    {SDL_SCANCODE_G, keyG},
    {SDL_SCANCODE_H, keyH},
    {SDL_SCANCODE_J, keyJ},
    {SDL_SCANCODE_K, keyK},
    {SDL_SCANCODE_L, keyL},
    {SDL_SCANCODE_SEMICOLON, keySemicolon},
    {SDL_SCANCODE_APOSTROPHE, keyApostrophe},
    {SDL_SCANCODE_GRAVE, keyGrave},
    {SDL_SCANCODE_LSHIFT, keyLeftShift},
    {SDL_SCANCODE_BACKSLASH, keyBackslash},
    {SDL_SCANCODE_Z, keyZ},
    {SDL_SCANCODE_X, keyX},
    {SDL_SCANCODE_C, keyC},
    {SDL_SCANCODE_V, keyV},
    {SDL_SCANCODE_B, keyB},
    {SDL_SCANCODE_N, keyN},
    {SDL_SCANCODE_M, keyM},
    {SDL_SCANCODE_COMMA, keyComma},
    {SDL_SCANCODE_PERIOD, keyPeriod},
    {SDL_SCANCODE_SLASH, keySlash},
    {SDL_SCANCODE_RSHIFT, keyRightShift},
    {SDL_SCANCODE_KP_MULTIPLY, keyPadMultiply},
    {SDL_SCANCODE_LALT, keyLeftAlt},
    {SDL_SCANCODE_SPACE, keySpace},
    {SDL_SCANCODE_CAPSLOCK, keyCapsLock},
    {SDL_SCANCODE_F1, keyF1},
    {SDL_SCANCODE_F2, keyF2},
    {SDL_SCANCODE_F3, keyF3},
    {SDL_SCANCODE_F4, keyF4},
    {SDL_SCANCODE_F5, keyF5},
    {SDL_SCANCODE_F6, keyF6},
    {SDL_SCANCODE_F7, keyF7},
    {SDL_SCANCODE_F8, keyF8},
    {SDL_SCANCODE_F9, keyF9},
    {SDL_SCANCODE_F10, keyF10},
    {SDL_SCANCODE_NUMLOCKCLEAR, keyNumLock},
    {SDL_SCANCODE_SCROLLLOCK, keyScrollLock},
    {SDL_SCANCODE_KP_7, keyPad7},
    {SDL_SCANCODE_KP_8, keyPad8},
    {SDL_SCANCODE_KP_9, keyPad9},
    {SDL_SCANCODE_KP_MINUS, keyPadMinus},
    {SDL_SCANCODE_KP_4, keyPad4},
    {SDL_SCANCODE_KP_5, keyPad5},
    {SDL_SCANCODE_KP_6, keyPad6},
    {SDL_SCANCODE_KP_PLUS, keyPadPlus},
    {SDL_SCANCODE_KP_1, keyPad1},
    {SDL_SCANCODE_KP_2, keyPad2},
    {SDL_SCANCODE_KP_3, keyPad3},
    {SDL_SCANCODE_KP_0, keyPad0},
    {SDL_SCANCODE_KP_PERIOD, keyPadPeriod},
    {SDL_SCANCODE_NONUSBACKSLASH, keyNonUsBackslash},
    {SDL_SCANCODE_F11, keyF11},
    {SDL_SCANCODE_F12, keyF12},
    {SDL_SCANCODE_KP_ENTER, keyPadEnter},
    {SDL_SCANCODE_RCTRL, keyRightControl},
    {SDL_SCANCODE_KP_DIVIDE, keyPadDivide},
    {SDL_SCANCODE_RALT, keyRightAlt},
    {SDL_SCANCODE_HOME, keyHome},
    {SDL_SCANCODE_UP, keyUp},
    {SDL_SCANCODE_PAGEUP, keyPageUp},
    {SDL_SCANCODE_LEFT, keyLeft},
    {SDL_SCANCODE_RIGHT, keyRight},
    {SDL_SCANCODE_END, keyEnd},
    {SDL_SCANCODE_DOWN, keyDown},
    {SDL_SCANCODE_PAGEDOWN, keyPageDown},
    {SDL_SCANCODE_INSERT, keyInsert},
    {SDL_SCANCODE_DELETE, keyDelete},
};

constexpr int seats = 2;

struct Input {
    bool scancodeDown[SDL_NUM_SCANCODES] = {};
    // The last left press (or tap: SDL makes a touch a left press too) since the last poll.
    DeviceReading::Pointer pointer = {0, 0, false};
    // Keys that went down since the last reading, so that a tap between two polls counts.
    bool tapped[keyboardKeys] = {};
    // The pad playing each seat, null while the seat has none.
    SDL_GameController* pads[seats] = {};
};

Input input;

void seatPad(int deviceIndex) {
    for (SDL_GameController*& seat : input.pads) {
        if (seat == nullptr) {
            seat = SDL_GameControllerOpen(deviceIndex);
            return;
        }
    }
    // Both seats are taken: the pad stays unused until a seat frees and it is plugged in again.
}

void unseatPad(SDL_JoystickID instance) {
    for (SDL_GameController*& seat : input.pads) {
        if (seat != nullptr &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(seat)) == instance) {
            SDL_GameControllerClose(seat);
            seat = nullptr;
        }
    }
}

// The pad button a controller button reports, or -1.
int padButtonOf(SDL_GameControllerButton button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return padUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return padDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return padLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return padRight;
    case SDL_CONTROLLER_BUTTON_A:
        return padConfirm;
    case SDL_CONTROLLER_BUTTON_BACK:
        return padBack;
    case SDL_CONTROLLER_BUTTON_Y:
        return padHint;
    default:
        return -1;
    }
}

// The game's key number of a scancode, or -1.
int keyOfScancode(SDL_Scancode scancode) {
    for (const KeyOfScancode& entry : keyboardKeyTable) {
        if (entry.scancode == scancode) {
            return entry.key;
        }
    }
    return -1;
}

} // namespace

void handleInputEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Scancode scancode = event.key.keysym.scancode;
        if (scancode >= 0 && scancode < SDL_NUM_SCANCODES) {
            input.scancodeDown[scancode] = event.type == SDL_KEYDOWN;
            const int key = keyOfScancode(scancode);
            if (key >= 0 && event.type == SDL_KEYDOWN && event.key.repeat == 0) {
                input.tapped[key] = true;
            }
        }
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
        // The renderer's logical size has already turned the window's place into the game's
        // 640 x 480 one; a press on the black bars falls outside it and picks nothing.
        if (event.button.button == SDL_BUTTON_LEFT) {
            input.pointer = {event.button.x, event.button.y, true};
        }
        break;
    case SDL_CONTROLLERDEVICEADDED:
        seatPad(event.cdevice.which);
        break;
    case SDL_CONTROLLERDEVICEREMOVED:
        unseatPad(event.cdevice.which);
        break;
    default:
        break;
    }
}

void readDevices(DeviceReading& reading) {
    for (int code = 0; code < keyboardKeys; ++code) {
        reading.down[code] = false;
        reading.tapped[code] = input.tapped[code];
        input.tapped[code] = false;
    }
    reading.pointer = input.pointer;
    input.pointer.pressed = false;
    for (const KeyOfScancode& entry : keyboardKeyTable) {
        reading.down[entry.key] = reading.down[entry.key] || input.scancodeDown[entry.scancode];
    }
    for (int seat = 0; seat < seats; ++seat) {
        reading.padButtons[seat] = 0;
        SDL_GameController* pad = input.pads[seat];
        if (pad == nullptr) {
            continue;
        }
        for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
            const auto b = static_cast<SDL_GameControllerButton>(button);
            const int padButton = padButtonOf(b);
            if (padButton >= 0 && SDL_GameControllerGetButton(pad, b) != 0) {
                reading.padButtons[seat] =
                    static_cast<std::uint8_t>(reading.padButtons[seat] | (1u << padButton));
            }
        }
    }
}

void closePads() {
    for (SDL_GameController*& seat : input.pads) {
        if (seat != nullptr) {
            SDL_GameControllerClose(seat);
            seat = nullptr;
        }
    }
}

} // namespace sdl
} // namespace kokurin
