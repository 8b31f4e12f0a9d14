// UTF-8 to UTF-16 and back, for the wide Win32 and D3DX entry points.
#pragma once

#include <string>

namespace kokurin {

// The UTF-16 form of a UTF-8 string (null reads as empty).
std::wstring toWide(const char* utf8);
// Converts into buffer, reusing its storage, and returns its characters: no allocation once
// the buffer has grown to the longest text.
const wchar_t* toWideInto(std::wstring& buffer, const char* utf8);
// The UTF-8 form of a UTF-16 string (null reads as empty).
std::string toUtf8(const wchar_t* wide);

} // namespace kokurin
