// The game's entry point: the whole game runs in the portable start-up sequence.
#include <windows.h>

#include "win32/start_up.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return kokurin::runApplication(instance, showCommand, nullptr);
}
