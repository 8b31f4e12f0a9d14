// Text conversion between the game's UTF-8 strings and the platform's UTF-16.
#include "win32/wide_text.h"

#include <windows.h>

namespace kokurin {

const wchar_t* toWideInto(std::wstring& buffer, const char* utf8) {
    buffer.clear();
    if (utf8 == nullptr || utf8[0] == '\0') {
        return buffer.c_str();
    }
    // Invalid sequences become U+FFFD rather than failing the whole text.
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (length <= 1) {
        return buffer.c_str();
    }
    buffer.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &buffer[0], length);
    buffer.resize(static_cast<std::size_t>(length - 1));
    return buffer.c_str();
}

std::wstring toWide(const char* utf8) {
    std::wstring wide;
    toWideInto(wide, utf8);
    return wide;
}

std::string toUtf8(const wchar_t* wide) {
    std::string utf8;
    if (wide == nullptr || wide[0] == L'\0') {
        return utf8;
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return utf8;
    }
    utf8.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length - 1));
    return utf8;
}

} // namespace kokurin
