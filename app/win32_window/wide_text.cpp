#include "app/win32_window/wide_text.h"

#include <windows.h>

namespace qv::win32 {

namespace {

constexpr UINT kCodePage = 1252;

} // namespace

std::wstring widen(std::string_view cp1252) {
    if (cp1252.empty()) return {};
    const int size = static_cast<int>(cp1252.size());
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    const int made = ::MultiByteToWideChar(kCodePage, 0, cp1252.data(), size, out.data(), size);
    out.resize(static_cast<std::size_t>(made > 0 ? made : 0));
    return out;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int room = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), size,
                                           nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(room > 0 ? room : 0), '\0');
    const int made = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), size,
                                           out.data(), room, "?", nullptr);
    out.resize(static_cast<std::size_t>(made > 0 ? made : 0));
    return out;
}

bool fits_cp1252(std::wstring_view text) {
    if (text.empty()) return true;
    BOOL lost = FALSE;
    const int size = static_cast<int>(text.size());
    const int room = ::WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), size,
                                           nullptr, 0, nullptr, &lost);
    return room > 0 && !lost;
}

std::wstring window_text(HWND hwnd) {
    const int length = ::GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

} // namespace qv::win32
