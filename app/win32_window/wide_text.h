// Texts between the window and the rest of the program: the window's
// controls hold UTF-16 (the W functions of the Windows API), the records and
// WindowOps Windows-1252 bytes. Converted here and nowhere else.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qv::win32 {

// Windows-1252 bytes to UTF-16. Every byte has a character.
std::wstring widen(std::string_view cp1252);
// UTF-16 to Windows-1252 bytes; a character without a Windows-1252 byte
// (which the fields never let in) becomes "?", one per character.
std::string narrow(std::wstring_view text);
// Whether every character of `text` has a Windows-1252 byte.
bool fits_cp1252(std::wstring_view text);
// A control's text, as the control holds it.
std::wstring window_text(HWND hwnd);

} // namespace qv::win32
