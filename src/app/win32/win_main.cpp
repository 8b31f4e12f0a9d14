// The game's entry point: the title screen is its first screen.
#include <windows.h>

#include "app/win32/start_up.h"
#include "screens/title_screen.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return runApplication(instance, showCommand, runTitleScreen);
}
