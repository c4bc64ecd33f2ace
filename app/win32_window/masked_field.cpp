#include "app/win32_window/masked_field.h"

#include "app/win32_window/message_params.h"
#include "app/win32_window/wide_text.h"

#include <commctrl.h>

#include <memory>
#include <optional>

namespace qv::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x51564D45; // "QVME"
constexpr wchar_t kBackspace = 8;
constexpr wchar_t kDelete = 127;
constexpr wchar_t kSelectAll = 1; // Ctrl+A

struct FieldState {
    EditMask mask;
    FieldOptions options;
    FieldLeft left;
};

// The field's state, also kept as a window property: the subclass's own
// data cannot be asked for by an import library that lacks GetWindowSubclass.
constexpr wchar_t kStateProperty[] = L"QuitervalMask";

FieldState* state_of(HWND field) {
    return static_cast<FieldState*>(::GetPropW(field, kStateProperty));
}

void show_text(HWND field, std::string_view cp1252) {
    ::SetWindowTextW(field, widen(cp1252).c_str());
}

// What the mask makes of a change: the text to show (the mask may put a
// comma for the keypad's point), or nullopt when it refuses it.
std::optional<std::wstring> decide(const FieldState& state, const std::wstring& changed) {
    if (!fits_cp1252(changed)) return std::nullopt;
    std::string typed = narrow(changed);
    if (static_cast<int>(typed.size()) > state.mask.text_limit()) return std::nullopt;
    if (state.mask.check(typed) == MaskDecision::Invalid) return std::nullopt;
    return widen(typed);
}

// Lets a change through when the mask takes it as it is; shows the mask's
// version of it itself when the mask altered it. False: the change is refused
// or already done, and the edit control must not make it.
bool let_through(HWND field, const FieldState& state, const detail::Change& change) {
    const std::optional<std::wstring> shown = decide(state, change.text);
    if (!shown) return false;
    if (*shown == change.text) return true;
    ::SetWindowTextW(field, shown->c_str());
    const auto caret = static_cast<WPARAM>(change.caret);
    ::SendMessageW(field, EM_SETSEL, caret, static_cast<LPARAM>(caret));
    return false;
}

struct Selection {
    std::size_t from = 0;
    std::size_t to = 0;
};

Selection selection_of(HWND field) {
    DWORD from = 0;
    DWORD to = 0;
    ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                   reinterpret_cast<LPARAM>(&to));
    return {from, to};
}

std::wstring clipboard_text(HWND owner) {
    std::wstring text;
    if (!::OpenClipboard(owner)) return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

LRESULT CALLBACK field_proc(HWND field, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                            DWORD_PTR data) {
    auto* state = from_param<FieldState*>(data);
    const bool read_only = (::GetWindowLongW(field, GWL_STYLE) & ES_READONLY) != 0;
    switch (message) {
    case WM_CHAR: {
        const auto typed = static_cast<wchar_t>(wparam);
        if (typed == kSelectAll) { // Ctrl+A, which not every edit control takes
            ::SendMessageW(field, EM_SETSEL, 0, -1);
            return 0;
        }
        // Control characters other than Backspace are the edit's own
        // commands (copy, cut and paste arrive as messages of their own).
        if (read_only || (typed < L' ' && typed != kBackspace)) break;
        if (typed == kDelete) return 0; // Ctrl+Backspace: no character to type
        const Selection s = selection_of(field);
        if (!let_through(field, *state, detail::apply_key(window_text(field), s.from, s.to, typed)))
            return 0;
        break;
    }
    case WM_KEYDOWN:
        if (wparam == VK_DELETE && !read_only) {
            const Selection s = selection_of(field);
            if (!let_through(field, *state,
                             detail::apply_key(window_text(field), s.from, s.to, kDelete)))
                return 0;
        }
        break;
    case WM_PASTE: {
        if (read_only) break;
        const Selection s = selection_of(field);
        const detail::Change change =
            detail::apply_insert(window_text(field), s.from, s.to, clipboard_text(field));
        if (let_through(field, *state, change)) {
            ::SetWindowTextW(field, change.text.c_str());
            const auto caret = static_cast<WPARAM>(change.caret);
            ::SendMessageW(field, EM_SETSEL, caret, static_cast<LPARAM>(caret));
        }
        return 0;
    }
    case WM_CUT:
    case WM_CLEAR: {
        if (read_only) break;
        const Selection s = selection_of(field);
        if (s.from != s.to &&
            !let_through(field, *state, detail::apply_insert(window_text(field), s.from, s.to, {})))
            return 0;
        break;
    }
    case WM_KILLFOCUS: {
        const LRESULT done = ::DefSubclassProc(field, message, wparam, lparam);
        reformat_field(field);
        if (state->left) state->left(field, from_param<HWND>(wparam));
        return done;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(field, field_proc, kSubclassId);
        ::RemovePropW(field, kStateProperty);
        delete state;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(field, message, wparam, lparam);
}

} // namespace

namespace detail {

Change apply_insert(std::wstring_view text, std::size_t from, std::size_t to,
                    std::wstring_view inserted) {
    to = std::min(to, text.size());
    from = std::min(from, to);
    std::wstring out(text.substr(0, from));
    out += inserted;
    out += text.substr(to);
    return {out, from + inserted.size()};
}

Change apply_key(std::wstring_view text, std::size_t from, std::size_t to, wchar_t typed) {
    to = std::min(to, text.size());
    from = std::min(from, to);
    if (typed == kBackspace || typed == kDelete) {
        if (from == to) {
            if (typed == kBackspace && from > 0) --from;
            if (typed == kDelete && to < text.size()) ++to;
        }
        return apply_insert(text, from, to, {});
    }
    return apply_insert(text, from, to, std::wstring_view(&typed, 1));
}

} // namespace detail

void make_masked_field(HWND edit, EditMask mask, FieldOptions options, FieldLeft left) {
    const int limit = mask.text_limit();
    auto state =
        std::make_unique<FieldState>(FieldState{std::move(mask), options, std::move(left)});
    ::SendMessageW(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(limit), 0);
    if (options.password) ::SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
    if (::SetPropW(edit, kStateProperty, state.get()) &&
        ::SetWindowSubclass(edit, field_proc, kSubclassId,
                            reinterpret_cast<DWORD_PTR>(state.get())))
        (void)state.release(); // freed at WM_NCDESTROY
}

bool is_masked_field(HWND control) {
    return state_of(control) != nullptr;
}

std::string field_text(HWND field) {
    return narrow(window_text(field));
}

Decimal field_value(HWND field) {
    const FieldState* state = state_of(field);
    const EditMask mask = state ? state->mask : EditMask::parse(plain_text_picture());
    return mask.value_of(field_text(field));
}

void set_field_value(HWND field, Decimal value) {
    const FieldState* state = state_of(field);
    if (!state) {
        show_text(field, EditMask::parse(plain_text_picture()).show(value));
        return;
    }
    show_text(field,
              state->options.whole_sums ? state->mask.show_whole(value) : state->mask.show(value));
}

void set_field_text(HWND field, std::string_view cp1252) {
    const FieldState* state = state_of(field);
    show_text(field, state ? state->mask.put_text(cp1252) : std::string(cp1252));
}

void reformat_field(HWND field) {
    const FieldState* state = state_of(field);
    if (!state) return;
    const std::optional<std::string> shown =
        state->mask.left_text(field_text(field), state->options);
    if (shown && widen(*shown) != window_text(field)) show_text(field, *shown);
}

} // namespace qv::win32
