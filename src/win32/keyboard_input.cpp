// Keyboard input through DirectInput 8: the keyboard's state read once a frame into the game's
// key table.
#define DIRECTINPUT_VERSION 0x0800
#include "win32/keyboard_input.h"

#include <cstring>

#include <dinput.h>

#include "input/key_bindings.h"
#include "input/key_state.h"

namespace kokurin {

namespace {

constexpr DWORD keyboardCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
static_assert(keyboardCooperation == 6, "keyboard cooperative level");

struct KeyboardInput {
    IDirectInput8A* input;
    IDirectInputDevice8A* keyboard;
    std::uint8_t keyboardBuffer[256];
};

KeyboardInput keyboardInput = {};

// DI_OK or S_FALSE (already acquired): the device may be read.
bool acquired(IDirectInputDevice8A* device) {
    const HRESULT result = device->Acquire();
    return result == DI_OK || result == S_FALSE;
}

} // namespace

void keysDownInBuffer(const std::uint8_t buffer[256], bool down[keyboardKeys]) {
    for (int code = 0; code < keyboardKeys; ++code) {
        down[code] = (buffer[code] & 0x80) != 0;
    }
}

HRESULT initInput(HWND window) {
    KeyboardInput& in = keyboardInput;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION,
                                  IID_IDirectInput8A, reinterpret_cast<void**>(&in.input),
                                  nullptr))) {
        in.input = nullptr;
        return E_FAIL;
    }
    if (FAILED(in.input->CreateDevice(GUID_SysKeyboard, &in.keyboard, nullptr))) {
        in.keyboard = nullptr;
        return E_FAIL;
    }
    if (FAILED(in.keyboard->SetDataFormat(&c_dfDIKeyboard)) ||
        FAILED(in.keyboard->SetCooperativeLevel(window, keyboardCooperation))) {
        return E_FAIL;
    }
    std::memset(in.keyboardBuffer, 0, sizeof in.keyboardBuffer);
    return 0;
}

void pollInput() {
    KeyboardInput& in = keyboardInput;
    if (in.keyboard == nullptr) {
        return;
    }
    // While another window is in front the keyboard cannot be acquired, and the buffer keeps
    // what it last read.
    if (acquired(in.keyboard)) {
        in.keyboard->GetDeviceState(sizeof in.keyboardBuffer, in.keyboardBuffer);
    }
    bool down[keyboardKeys];
    keysDownInBuffer(in.keyboardBuffer, down);
    bool gameDown[keyboardKeys];
    mapBoundKeys(activeKeyBindings(), down, gameDown);
    updateKeyStates(gameDown);
}

HRESULT releaseInput() {
    KeyboardInput& in = keyboardInput;
    if (in.input != nullptr) {
        in.input->Release();
        in.input = nullptr;
    }
    if (in.keyboard != nullptr) {
        in.keyboard->Release();
        in.keyboard = nullptr;
    }
    return 0;
}

} // namespace kokurin
