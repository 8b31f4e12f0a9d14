// Keys and pads: the keyboard is followed through its events, so that a key pressed and let go
// between two polls is never seen (as on Windows); pads are read button by button at the poll.
#include "sdl/input.h"

namespace kokurin {
namespace sdl {

namespace {

struct KeyOfScancode {
    SDL_Scancode scancode;
    int key;
};

const KeyOfScancode keyboardKeyTable[] = {
    {SDL_SCANCODE_ESCAPE, keyEscape}, {SDL_SCANCODE_W, keyW},
    {SDL_SCANCODE_A, keyA},           {SDL_SCANCODE_S, keyS},
    {SDL_SCANCODE_D, keyD},           {SDL_SCANCODE_SPACE, keySpace},
    {SDL_SCANCODE_RETURN, keyReturn}, {SDL_SCANCODE_KP_ENTER, keyReturn},
    {SDL_SCANCODE_H, keyH},           {SDL_SCANCODE_M, keyM},
    {SDL_SCANCODE_UP, keyUp},         {SDL_SCANCODE_DOWN, keyDown},
    {SDL_SCANCODE_LEFT, keyLeft},     {SDL_SCANCODE_RIGHT, keyRight},
};

constexpr int seats = 2;

struct Input {
    bool scancodeDown[SDL_NUM_SCANCODES] = {};
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

// The key number a pad button stands for in a seat (0: player 1, 1: player 2), or -1.
int keyForPadButton(int seat, SDL_GameControllerButton button) {
    const bool first = seat == 0;
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return first ? keyW : keyUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return first ? keyS : keyDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return first ? keyA : keyLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return first ? keyD : keyRight;
    case SDL_CONTROLLER_BUTTON_A:
        return first ? keySpace : keyReturn;
    case SDL_CONTROLLER_BUTTON_BACK:
        return keyEscape;
    case SDL_CONTROLLER_BUTTON_Y:
        return keyH;
    default:
        return -1;
    }
}

} // namespace

void handleInputEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Scancode scancode = event.key.keysym.scancode;
        if (scancode >= 0 && scancode < SDL_NUM_SCANCODES) {
            input.scancodeDown[scancode] = event.type == SDL_KEYDOWN;
        }
        break;
    }
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

void keysDown(bool down[keyboardKeys]) {
    for (int code = 0; code < keyboardKeys; ++code) {
        down[code] = false;
    }
    for (const KeyOfScancode& entry : keyboardKeyTable) {
        down[entry.key] = down[entry.key] || input.scancodeDown[entry.scancode];
    }
    for (int seat = 0; seat < seats; ++seat) {
        SDL_GameController* pad = input.pads[seat];
        if (pad == nullptr) {
            continue;
        }
        for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
            const auto b = static_cast<SDL_GameControllerButton>(button);
            const int key = keyForPadButton(seat, b);
            if (key >= 0 && SDL_GameControllerGetButton(pad, b) != 0) {
                down[key] = true;
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
