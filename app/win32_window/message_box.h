// Windows' own message box, with the two promises the window makes about a
// Yes/No question wherever it runs: only "Sim" or "Não" answers it (Escape
// and a close of the box leave it on screen: read as No, they would cancel
// a paid coupon or skip a Z reduction without anyone saying so), and the
// buttons' underlined letters answer it as on Windows (Wine's box takes
// Escape as Cancel and its letters only with Alt).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qv::win32 {

// MessageBoxW, asked again when a Yes/No question ends without IDYES or
// IDNO. Returns what MessageBoxW returned (0 when the box could not be shown).
int show_message_box(HWND owner, const std::wstring& text, const std::wstring& title, UINT style);

namespace detail {

// The lower-case letter a caption underlines ("&Sim" -> 's'); 0 for none.
// "&&" is a plain ampersand.
wchar_t mnemonic(std::wstring_view caption);

} // namespace detail

} // namespace qv::win32
