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
                reading.padButtons[seat] = static_cast<std::uint8_t>(reading.padButtons[seat] | (1u << padButton));
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
