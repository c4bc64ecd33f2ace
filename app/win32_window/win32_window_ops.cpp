#include "app/win32_window/win32_window_ops.h"

#include "app/core/control_names.h"
#include "app/core/form_definition.h"
#include "app/core/form_handlers.h"
#include "app/win32_window/main_window.h"
#include "app/win32_window/masked_field.h"
#include "app/win32_window/message_box.h"
#include "app/win32_window/wide_text.h"
#include "driver/fiscal_driver.h"

#include <commctrl.h>

// The hand cursor drawn for the window (mao_bits, mao_mask_bits).
#include "app/window/resources/mao.xbm"
#include "app/window/resources/mao_mask.xbm"

namespace qv::win32 {

namespace {

// The operators grid's password column, under its mask.
constexpr std::string_view kDigitsPicture = form::kGridColumns[1].picture;

std::string trimmed_right(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::string padded_to_width(std::string text) {
    text.resize(kControlTextWidth, ' ');
    return text;
}

form::Kind kind_of(std::string_view control) {
    const form::Control* def = form::find(control);
    return def ? def->kind : form::Kind::Panel;
}

void start_program(const std::wstring& application, const std::wstring& command_line,
                   int show_mode) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show_mode);
    PROCESS_INFORMATION process{};
    std::wstring line = command_line; // CreateProcessW may write into it
    if (::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

} // namespace

namespace detail {

ProgramLine split_program_line(std::wstring_view line) {
    while (!line.empty() && line.back() == L' ')
        line.remove_suffix(1);
    const std::size_t blank = line.rfind(L' ');
    ProgramLine out;
    out.application = std::wstring(blank == std::wstring_view::npos ? line : line.substr(0, blank));
    out.command_line = L"\"" + out.application + L"\"";
    if (blank != std::wstring_view::npos) out.command_line += line.substr(blank);
    return out;
}

CursorPlanes cursor_planes(const unsigned char* bits, const unsigned char* mask, int width,
                           int height) {
    const std::size_t row_bytes = static_cast<std::size_t>((width + 7) / 8);
    CursorPlanes planes;
    planes.and_plane.resize(row_bytes * static_cast<std::size_t>(height));
    planes.xor_plane.resize(planes.and_plane.size());
    for (std::size_t i = 0; i < planes.and_plane.size(); ++i) {
        unsigned char and_byte = 0;
        unsigned char xor_byte = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const bool set = (bits[i] >> bit) & 1U;   // black
            const bool shown = (mask[i] >> bit) & 1U; // part of the cursor
            const auto to = static_cast<unsigned char>(0x80U >> bit);
            if (!shown) and_byte |= to;
            if (shown && !set) xor_byte |= to;
        }
        planes.and_plane[i] = and_byte;
        planes.xor_plane[i] = xor_byte;
    }
    return planes;
}

} // namespace detail

HCURSOR hand_cursor() {
    static HCURSOR made = [] {
        static_assert(mao_width == mao_mask_width && mao_height == mao_mask_height);
        const detail::CursorPlanes planes =
            detail::cursor_planes(mao_bits, mao_mask_bits, mao_width, mao_height);
        HCURSOR cursor =
            ::CreateCursor(::GetModuleHandleW(nullptr), mao_x_hot, mao_y_hot, mao_width, mao_height,
                           planes.and_plane.data(), planes.xor_plane.data());
        return cursor ? cursor : ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
    }();
    return made;
}

Win32WindowOps::Win32WindowOps(MainWindow& window, Seams seams)
    : window_(window), seams_(std::move(seams)) {}

HWND Win32WindowOps::find(std::string_view control) const {
    if (control == form::kWindow.form_name) return window_.hwnd();
    return window_.control(control);
}

std::string Win32WindowOps::get_text(std::string_view control) {
    const HWND w = find(control);
    if (!w) return padded_to_width({});
    if (kind_of(control) == form::Kind::ComboBox) {
        // The whole entry, password part included, although the list shows
        // only the name.
        const auto chosen = ::SendMessageW(w, CB_GETCURSEL, 0, 0);
        return padded_to_width(chosen >= 0 && static_cast<std::size_t>(chosen) < entries_.size()
                                   ? entries_[static_cast<std::size_t>(chosen)]
                                   : std::string());
    }
    return padded_to_width(narrow(window_text(w)));
}

void Win32WindowOps::set_text(std::string_view control, std::string_view text) {
    const HWND w = find(control);
    if (!w) return;
    switch (kind_of(control)) {
    case form::Kind::MaskedEdit:
        set_field_text(w, text);
        break;
    case form::Kind::ComboBox: {
        const std::string wanted = trimmed_right(text);
        LRESULT found = -1;
        for (std::size_t i = 0; i < entries_.size() && !wanted.empty(); ++i)
            if (trimmed_right(entries_[i]) == wanted) found = static_cast<LRESULT>(i);
        ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
        break;
    }
    default:
        ::SetWindowTextW(w, widen(trimmed_right(text)).c_str());
        ::InvalidateRect(w, nullptr, TRUE);
        break;
    }
}

Decimal Win32WindowOps::get_number(std::string_view control) {
    const HWND w = find(control);
    if (!w) return Decimal{};
    switch (kind_of(control)) {
    case form::Kind::MaskedEdit:
        return field_value(w);
    case form::Kind::OptionButton:
        return Decimal::from_int(option_value(control));
    default:
        return Decimal{};
    }
}

void Win32WindowOps::set_number(std::string_view control, Decimal value) {
    const HWND w = find(control);
    if (w && kind_of(control) == form::Kind::MaskedEdit) set_field_value(w, value);
}

void Win32WindowOps::set_visible(std::string_view control, bool visible) {
    const HWND w = find(control);
    if (!w) return;
    ::ShowWindow(w, visible ? SW_SHOWNA : SW_HIDE);
    if (control == controls::Frm_SENHA || control == controls::Frm_SENHAM)
        window_.panel_shown_or_hidden();
}

void Win32WindowOps::set_position(std::string_view control, int left, int top) {
    const HWND w = find(control);
    if (!w) return;
    POINT at{left, top};
    // A panel of a page is placed in the tab control's coordinates, as the
    // page panels are: (0, 24) lies just below the tab captions.
    const HWND page = ::GetParent(w);
    const form::Control* container = form::find(window_.name_of(page));
    if (container && container->kind == form::Kind::Page)
        ::MapWindowPoints(::GetParent(page), page, &at, 1);
    ::SetWindowPos(w, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32WindowOps::set_focus(std::string_view control) {
    const HWND w = find(control);
    if (w && ::IsWindowEnabled(w)) ::SetFocus(w);
}

int Win32WindowOps::selected_page(std::string_view control) {
    const HWND w = find(control);
    return w ? static_cast<int>(::SendMessageW(w, TCM_GETCURSEL, 0, 0)) + 1 : 0;
}

int Win32WindowOps::message_box(std::string_view text, int style) {
    const HWND owner = window_.hwnd();
    const HWND had_focus = ::GetFocus();
    const std::wstring shown = widen(trimmed_right(text));
    const std::wstring title = window_text(owner);
    const auto box_style = static_cast<UINT>(style);
    const int pressed = seams_.message_box ? seams_.message_box(owner, shown, title, box_style)
                                           : show_message_box(owner, shown, title, box_style);
    // The field that had the focus has it again, as before the box.
    if (had_focus && ::IsWindow(had_focus) && ::GetFocus() != had_focus &&
        ::IsWindowVisible(had_focus) && ::IsWindowEnabled(had_focus))
        ::SetFocus(had_focus);
    if ((box_style & MB_TYPEMASK) == MB_YESNO) return pressed == IDYES ? kAnswerYes : kAnswerNo;
    return kAnswerOk;
}

void Win32WindowOps::open_form(std::string_view form_name) {
    const HCURSOR was = ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
    const bool ran = driver::invoke_form(form_name);
    ::SetCursor(was);
    // A coupon may have changed the contingency queue the band tells of.
    if (ran) window_.show_printer_band();
}

void Win32WindowOps::close_window() {
    window_.close();
}

void Win32WindowOps::run_program(std::string_view command_line, int show_mode) {
    const detail::ProgramLine line = detail::split_program_line(widen(command_line));
    if (line.application.empty()) return;
    if (seams_.start_program) {
        seams_.start_program(line.application, line.command_line, show_mode);
    } else {
        start_program(line.application, line.command_line, show_mode);
    }
}

void Win32WindowOps::set_pointer(std::string_view cursor) {
    std::string name(cursor);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (name == "mao") window_.set_pointer(hand_cursor());
}

std::string Win32WindowOps::grid_text(std::string_view grid, int row, int column) {
    if (find(grid) != window_.grid().hwnd()) return padded_to_width({});
    return padded_to_width(window_.grid().text(row, column));
}

void Win32WindowOps::set_grid_text(std::string_view grid, int row, int column,
                                   std::string_view text) {
    if (find(grid) == window_.grid().hwnd())
        window_.grid().set_text(row, column, trimmed_right(text));
}

Decimal Win32WindowOps::grid_number(std::string_view grid, int row, int column) {
    if (find(grid) != window_.grid().hwnd()) return Decimal{};
    return EditMask::parse(kDigitsPicture).value_of(window_.grid().text(row, column));
}

void Win32WindowOps::set_grid_number(std::string_view grid, int row, int column, Decimal value) {
    if (find(grid) == window_.grid().hwnd())
        window_.grid().set_text(row, column, EditMask::parse(kDigitsPicture).show(value));
}

void Win32WindowOps::list_clear(std::string_view combo) {
    const HWND w = find(combo);
    if (!w) return;
    ::SendMessageW(w, CB_RESETCONTENT, 0, 0);
    entries_.clear();
}

void Win32WindowOps::list_add(std::string_view combo, std::string_view entry) {
    const HWND w = find(combo);
    if (!w) return;
    // The list shows the operator's name only; the entry with its password
    // part stays behind the item for get_text.
    const LRESULT was = ::SendMessageW(w, CB_GETCURSEL, 0, 0);
    const std::wstring caption = widen(login_entry_caption(entry));
    ::SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    entries_.emplace_back(entry);
    // Nobody is chosen until the cashier picks a name.
    ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(was), 0);
}

int Win32WindowOps::option_value(std::string_view option) {
    const HWND w = find(option);
    return w && ::SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? -1 : 0;
}

} // namespace qv::win32
