// The guard against a second copy of the game: a named mutex this process owns for its whole
// life, and the running game's window.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"

namespace kokurin {

namespace {

// Owned from the claim to the end of the process and never closed, so that only the end of
// the process, however it comes (exit, crash, kill), gives it up.
HANDLE instanceMutex = nullptr;

// The game's own name on this system, its window class, in the session's namespace like the
// window search.
std::wstring instanceMutexName() {
    return L"Local\\" + toWide(mainWindowClass) + L"-single-instance";
}

} // namespace

bool claimSingleInstance() {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, instanceMutexName().c_str());
    if (mutex != nullptr) {
        // Ownership decides, not whether the mutex exists: a copy showing this box holds a
        // handle too, and a game that crashed leaves the mutex abandoned, to be taken over.
        const DWORD wait = WaitForSingleObject(mutex, 0);
        if (wait == WAIT_TIMEOUT) {
            CloseHandle(mutex);
            return false;
        }
        if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
            CloseHandle(mutex);
            mutex = nullptr;
        }
    }
    // Without the mutex (its name taken by another kind of object) the window is all there is
    // to go by; a game that has no mutex of its own is found by its window as well.
    if (findRunningInstance() != nullptr) {
        if (mutex != nullptr) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
        return false;
    }
    instanceMutex = mutex;
    return true;
}

} // namespace kokurin
