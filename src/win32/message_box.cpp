// The modal message box: no owner, the system's default caption, one OK button.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "win32/wide_text.h"

namespace kokurin {

void showMessageBox(const char* text) {
    const std::wstring wide = toWide(text);
    // No caption of its own: the system's default shows (kept: untitled-box).
    MessageBoxW(nullptr, wide.c_str(), nullptr, MB_OK);
}

} // namespace kokurin
