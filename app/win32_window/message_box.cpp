#include "app/win32_window/message_box.h"

#include "app/win32_window/wide_text.h"

namespace qv::win32 {

namespace {

wchar_t lower(wchar_t c) {
    ::CharLowerBuffW(&c, 1); // by Unicode, whatever the C library's locale
    return c;
}

// The hook of the question on screen. Hooks carry no data of their own;
// a question is modal, so one per thread is all there is.
thread_local HHOOK question_hook = nullptr;

// True when the message is the question's to drop or answer; `msg` is a
// message of the box's own modal loop.
bool take_key(const MSG& msg) {
    const HWND box = ::GetAncestor(msg.hwnd, GA_ROOT);
    if (box == nullptr) return false;
    if ((msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) ||
        (msg.message == WM_CHAR && msg.wParam == 27))
        return true; // never an answer
    if (msg.message != WM_CHAR && msg.message != WM_SYSCHAR) return false;
    const wchar_t typed = lower(static_cast<wchar_t>(msg.wParam));
    for (const int id : {IDYES, IDNO}) {
        const HWND button = ::GetDlgItem(box, id);
        if (button != nullptr && typed != 0 && detail::mnemonic(window_text(button)) == typed) {
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK question_filter(int code, WPARAM wparam, LPARAM lparam) {
    if (code == MSGF_DIALOGBOX && lparam != 0 && take_key(*reinterpret_cast<const MSG*>(lparam)))
        return TRUE;
    return ::CallNextHookEx(question_hook, code, wparam, lparam);
}

} // namespace

int show_message_box(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) {
    if ((style & MB_TYPEMASK) != MB_YESNO)
        return ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
    question_hook =
        ::SetWindowsHookExW(WH_MSGFILTER, question_filter, nullptr, ::GetCurrentThreadId());
    int pressed = 0;
    do {
        pressed = ::MessageBoxW(owner, text.c_str(), title.c_str(), style);
    } while (pressed != 0 && pressed != IDYES && pressed != IDNO);
    if (question_hook != nullptr) ::UnhookWindowsHookEx(question_hook);
    question_hook = nullptr;
    return pressed;
}

namespace detail {

wchar_t mnemonic(std::wstring_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return lower(caption[i + 1]);
    }
    return 0;
}

} // namespace detail

} // namespace qv::win32
