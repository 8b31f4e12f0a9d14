// Keyboard input through DirectInput 8: hold counters for keys 0..255, controller buttons
// 256..271 and mouse buttons 300 and 301.
#define DIRECTINPUT_VERSION 0x0800
#include "win32/keyboard_input.h"

#include <cstring>

#include <dinput.h>

#include "input/key_state.h"

namespace kokurin {

namespace {

constexpr int controllerButtonCode = 256;
constexpr int controllerButtonsRead = 16;
constexpr int mouseButtonCode = 300;
constexpr DWORD keyboardCooperation = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
static_assert(keyboardCooperation == 6, "keyboard cooperative level");
static_assert(sizeof(DIMOUSESTATE2) == 20, "mouse buffer");
static_assert(sizeof(DIJOYSTATE2) == 272, "controller buffer");

struct KeyboardInput {
    IDirectInput8A* input;
    IDirectInputDevice8A* keyboard;
    IDirectInputDevice8A* mouse;
    IDirectInputDevice8A* controller;
    std::uint8_t keyboardBuffer[256];
    DIMOUSESTATE2 mouseBuffer;
    DIJOYSTATE2 controllerBuffer;
};

KeyboardInput keyboardInput = {};

// Takes the first attached controller that can be created.
BOOL CALLBACK takeController(LPCDIDEVICEINSTANCEA instance, LPVOID) {
    if (FAILED(keyboardInput.input->CreateDevice(instance->guidInstance, &keyboardInput.controller,
                                                 nullptr))) {
        keyboardInput.controller = nullptr;
        return DIENUM_CONTINUE;
    }
    return DIENUM_STOP;
}

// Gives every axis of the controller the range -1000 .. 1000.
BOOL CALLBACK setAxisRange(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID) {
    if ((object->dwType & DIDFT_AXIS) == 0) {
        return DIENUM_CONTINUE;
    }
    DIPROPRANGE range;
    range.diph.dwSize = sizeof(DIPROPRANGE);
    range.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    range.diph.dwObj = object->dwType;
    range.diph.dwHow = DIPH_BYID;
    range.lMin = -1000;
    range.lMax = 1000;
    if (FAILED(keyboardInput.controller->SetProperty(DIPROP_RANGE, &range.diph))) {
        return DIENUM_STOP;
    }
    return DIENUM_CONTINUE;
}

// DI_OK or S_FALSE (already acquired): the device may be read.
bool acquired(IDirectInputDevice8A* device) {
    const HRESULT result = device->Acquire();
    return result == DI_OK || result == S_FALSE;
}

void clearControllerAxes(DIJOYSTATE2& state) {
    state.lX = state.lY = state.lZ = 0;
    state.lRx = state.lRy = state.lRz = 0;
    state.lVX = state.lVY = state.lVZ = 0;
    state.lVRx = state.lVRy = state.lVRz = 0;
    state.lAX = state.lAY = state.lAZ = 0;
    state.lARx = state.lARy = state.lARz = 0;
    state.lFX = state.lFY = state.lFZ = 0;
    state.lFRx = state.lFRy = state.lFRz = 0;
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
    if (FAILED(in.input->CreateDevice(GUID_SysMouse, &in.mouse, nullptr))) {
        in.mouse = nullptr;
        return E_FAIL;
    }
    if (FAILED(in.keyboard->SetDataFormat(&c_dfDIKeyboard)) ||
        FAILED(in.keyboard->SetCooperativeLevel(window, keyboardCooperation))) {
        return E_FAIL;
    }
    if (FAILED(in.mouse->SetDataFormat(&c_dfDIMouse2))) {
        return E_FAIL;
    }
    in.controller = nullptr;
    if (FAILED(in.input->EnumDevices(DI8DEVCLASS_GAMECTRL, takeController, nullptr,
                                     DIEDFL_ATTACHEDONLY))) {
        return E_FAIL;
    }
    if (in.controller != nullptr) {
        if (FAILED(in.controller->SetDataFormat(&c_dfDIJoystick2))) {
            return E_FAIL;
        }
        if (FAILED(in.controller->EnumObjects(setAxisRange, nullptr, DIDFT_ALL))) {
            return E_FAIL;
        }
        in.controller->Acquire();
    }
    std::memset(in.keyboardBuffer, 0, sizeof in.keyboardBuffer);
    return 0;
}

void pollInput() {
    KeyboardInput& in = keyboardInput;
    if (in.keyboard != nullptr) {
        // While another window is in front the keyboard cannot be acquired, and the buffer keeps
        // what it last read.
        if (acquired(in.keyboard)) {
            in.keyboard->GetDeviceState(sizeof in.keyboardBuffer, in.keyboardBuffer);
        }
        bool down[keyboardKeys];
        keysDownInBuffer(in.keyboardBuffer, down);
        updateKeyStates(down);
    }
    if (in.mouse != nullptr) {
        if (acquired(in.mouse)) {
            in.mouse->GetDeviceState(sizeof in.mouseBuffer, &in.mouseBuffer);
        }
        for (int button = 0; button < 2; ++button) {
            updateKeyCounter(keyState[mouseButtonCode + button],
                             (in.mouseBuffer.rgbButtons[button] & 0x80) != 0);
        }
    }
    if (in.controller != nullptr) {
        clearControllerAxes(in.controllerBuffer);
        if (acquired(in.controller)) {
            in.controller->GetDeviceState(sizeof in.controllerBuffer, &in.controllerBuffer);
        }
        for (int button = 0; button < controllerButtonsRead; ++button) {
            updateKeyCounter(keyState[controllerButtonCode + button],
                             in.controllerBuffer.rgbButtons[button] != 0);
        }
    }
}

HRESULT releaseInput() {
    KeyboardInput& in = keyboardInput;
    IDirectInputDevice8A* devices[] = {in.keyboard, in.mouse, in.controller};
    if (in.input != nullptr) {
        in.input->Release();
        in.input = nullptr;
    }
    for (IDirectInputDevice8A* device : devices) {
        if (device != nullptr) {
            device->Release();
        }
    }
    in.keyboard = nullptr;
    in.mouse = nullptr;
    in.controller = nullptr;
    return 0;
}

bool controllerPresent() {
    return keyboardInput.controller != nullptr;
}

} // namespace kokurin
