// The modal message box: no owner, the system's default caption, one OK button.
#include "app/message_box.h"

#include <windows.h>

#include <string>

#include "app/win32/wide_text.h"

void showMessageBox(const char* text) {
    const std::wstring wide = toWide(text);
    MessageBoxW(nullptr, wide.c_str(), nullptr, MB_OK);
}
