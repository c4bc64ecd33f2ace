#include "app/win32_window/operators_grid.h"

#include "app/win32_window/masked_field.h"
#include "app/win32_window/message_params.h"
#include "app/win32_window/wide_text.h"

#include <commctrl.h>

#include <algorithm>

namespace qv::win32 {

namespace {

constexpr wchar_t kClassName[] = L"QuitervalGrid";
constexpr UINT_PTR kEditorSubclassId = 0x51564745; // "QVGE"
constexpr int kHeaderHeight = 18;
constexpr int kRowHeight = 18;
constexpr int kPadding = 3;
constexpr COLORREF kLineColour = RGB(208, 208, 208);
constexpr COLORREF kCurrentColour = RGB(0, 120, 215);
constexpr COLORREF kCurrentUnfocusedColour = RGB(204, 204, 204);

// The left edge of a column (0: the row numbers) before scrolling.
int column_left(int column) {
    int left = 0;
    for (int c = 0; c < column; ++c)
        left += c == 0 ? form::kGridRowHeaderWidth : form::kGridColumns[c - 1].width;
    return left;
}

int column_width(int column) {
    return column == 0 ? form::kGridRowHeaderWidth : form::kGridColumns[column - 1].width;
}

int total_width() {
    return column_left(OperatorsGrid::kColumns + 1);
}

void draw_text(HDC dc, const RECT& cell, std::wstring_view text, UINT align) {
    RECT inside = cell;
    inside.left += kPadding;
    inside.right -= kPadding;
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &inside,
                align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The editor's keys of its own: Escape drops the edit, the arrows up and
// down keep it and move.
LRESULT CALLBACK editor_proc(HWND editor, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR data) {
    auto* grid = from_param<OperatorsGrid*>(data);
    if (message == WM_KEYDOWN) {
        switch (wparam) {
        case VK_ESCAPE:
            grid->end_edit(false);
            return 0;
        case VK_UP:
        case VK_DOWN: {
            const int row = grid->current_row() + (wparam == VK_UP ? -1 : 1);
            grid->end_edit(true);
            grid->set_current(row, grid->current_column());
            return 0;
        }
        default:
            break;
        }
    } else if (message == WM_CHAR && (wparam == VK_ESCAPE || wparam == VK_RETURN)) {
        return 0; // no beep for the keys used above
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(editor, editor_proc, kEditorSubclassId);
    }
    return ::DefSubclassProc(editor, message, wparam, lparam);
}

} // namespace

void OperatorsGrid::register_class(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &OperatorsGrid::proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc); // fails harmlessly when already registered
}

OperatorsGrid::OperatorsGrid(HWND parent, const form::Control& def, HFONT font, DWORD style)
    : font_(font) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    register_class(instance);
    hwnd_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                              style | WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN, def.rect.left,
                              def.rect.top, def.rect.width, def.rect.height, parent, nullptr,
                              instance, this);
    editor_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd_,
                                nullptr, instance, nullptr);
    ::SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ::SetWindowSubclass(editor_, editor_proc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));
    update_scroll_bars();
}

OperatorsGrid::~OperatorsGrid() {
    if (::IsWindow(hwnd_)) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

std::string OperatorsGrid::text(int row, int column) const {
    if (row < 1 || row > form::kGridRows || column < 1 || column > kColumns) return {};
    return cells_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
}

void OperatorsGrid::set_text(int row, int column, std::string_view cp1252) {
    if (row < 1 || row > form::kGridRows || column < 1 || column > kColumns) return;
    if (editing_ && row == row_ && column == column_) end_edit(false);
    cells_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)] =
        std::string(cp1252);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void OperatorsGrid::set_current(int row, int column) {
    row_ = std::clamp(row, 1, form::kGridRows);
    column_ = std::clamp(column, 1, kColumns);
    scroll_to_current();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void OperatorsGrid::begin_edit(wchar_t typed) {
    if (editing_) return;
    scroll_to_current();
    // The mask of the cell's column; a new one for each edit, as the
    // column may differ.
    ::RemoveWindowSubclass(editor_, editor_proc, kEditorSubclassId);
    ::DestroyWindow(editor_);
    editor_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 0, 0, hwnd_,
                                nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(editor_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    make_masked_field(editor_, EditMask::parse(form::kGridColumns[column_ - 1].picture), {},
                      [this](HWND, HWND now) { editor_left(now); });
    ::SetWindowSubclass(editor_, editor_proc, kEditorSubclassId, reinterpret_cast<DWORD_PTR>(this));

    const RECT cell = cell_rect(row_, column_);
    ::MoveWindow(editor_, cell.left + 1, cell.top + 1, cell.right - cell.left - 1,
                 cell.bottom - cell.top - 1, FALSE);
    set_field_text(editor_, typed ? std::string() : text(row_, column_));
    editing_ = true;
    ::ShowWindow(editor_, SW_SHOW);
    ::SetFocus(editor_);
    if (typed) {
        ::SendMessageW(editor_, WM_CHAR, typed, 0);
    } else {
        ::SendMessageW(editor_, EM_SETSEL, 0, -1);
    }
}

void OperatorsGrid::end_edit(bool keep) {
    if (!editing_) return;
    editing_ = false;
    if (keep) {
        reformat_field(editor_);
        cells_[static_cast<std::size_t>(row_ - 1)][static_cast<std::size_t>(column_ - 1)] =
            field_text(editor_);
    }
    const bool had_focus = ::GetFocus() == editor_;
    ::ShowWindow(editor_, SW_HIDE);
    if (had_focus) ::SetFocus(hwnd_);
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

bool OperatorsGrid::tab(bool backward) {
    end_edit(true);
    int row = row_;
    int column = column_ + (backward ? -1 : 1);
    if (column > kColumns) {
        column = 1;
        ++row;
    } else if (column < 1) {
        column = kColumns;
        --row;
    }
    if (row < 1 || row > form::kGridRows) return false;
    set_current(row, column);
    return true;
}

void OperatorsGrid::editor_left(HWND now) {
    (void)now;
    end_edit(true);
}

RECT OperatorsGrid::cell_rect(int row, int column) const {
    RECT r{};
    r.left = column_left(column) - (column == 0 ? 0 : left_px_);
    r.right = r.left + column_width(column);
    r.top = row == 0 ? 0 : kHeaderHeight + (row - top_row_) * kRowHeight;
    r.bottom = r.top + (row == 0 ? kHeaderHeight : kRowHeight);
    return r;
}

int OperatorsGrid::visible_rows() const {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    return std::max(1, static_cast<int>((client.bottom - kHeaderHeight) / kRowHeight));
}

void OperatorsGrid::scroll_to_current() {
    const int shown = visible_rows();
    if (row_ < top_row_) top_row_ = row_;
    if (row_ >= top_row_ + shown) top_row_ = row_ - shown + 1;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int left = column_left(column_) - form::kGridRowHeaderWidth;
    const int right = column_left(column_ + 1) - form::kGridRowHeaderWidth;
    const int room = client.right - form::kGridRowHeaderWidth;
    if (left < left_px_) left_px_ = left;
    if (right > left_px_ + room) left_px_ = std::max(0, right - room);
    update_scroll_bars();
}

void OperatorsGrid::update_scroll_bars() {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    SCROLLINFO v{sizeof v,
                 SIF_ALL | SIF_DISABLENOSCROLL,
                 1,
                 form::kGridRows,
                 static_cast<UINT>(visible_rows()),
                 top_row_,
                 0};
    ::SetScrollInfo(hwnd_, SB_VERT, &v, TRUE);
    SCROLLINFO h{sizeof h,
                 SIF_ALL | SIF_DISABLENOSCROLL,
                 0,
                 total_width() - 1 - form::kGridRowHeaderWidth,
                 static_cast<UINT>(std::max<LONG>(1, client.right - form::kGridRowHeaderWidth)),
                 left_px_,
                 0};
    ::SetScrollInfo(hwnd_, SB_HORZ, &h, TRUE);
}

void OperatorsGrid::scroll(int bar, WPARAM request) {
    end_edit(true);
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(hwnd_, bar, &info);
    const int line = bar == SB_VERT ? 1 : 20;
    int pos = info.nPos;
    switch (LOWORD(request)) {
    case SB_LINEUP:
        pos -= line;
        break;
    case SB_LINEDOWN:
        pos += line;
        break;
    case SB_PAGEUP:
        pos -= static_cast<int>(info.nPage);
        break;
    case SB_PAGEDOWN:
        pos += static_cast<int>(info.nPage);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        pos = info.nTrackPos;
        break;
    default:
        break;
    }
    pos = std::clamp(pos, info.nMin,
                     std::max(info.nMin, info.nMax - static_cast<int>(info.nPage) + 1));
    if (bar == SB_VERT) {
        top_row_ = pos;
    } else {
        left_px_ = pos;
    }
    update_scroll_bars();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void OperatorsGrid::paint() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(hwnd_, &ps);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    // Drawn off screen first, so the grid does not flicker while scrolled.
    HDC memory = ::CreateCompatibleDC(dc);
    HBITMAP canvas = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old_bitmap = ::SelectObject(memory, canvas);
    HGDIOBJ old_font = ::SelectObject(memory, font_);
    ::SetBkMode(memory, TRANSPARENT);
    ::FillRect(memory, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    HBRUSH header = ::GetSysColorBrush(COLOR_BTNFACE);
    HPEN line = ::CreatePen(PS_SOLID, 1, kLineColour);
    HGDIOBJ old_pen = ::SelectObject(memory, line);
    const bool focused = ::GetFocus() == hwnd_ || ::GetFocus() == editor_;

    const auto draw_cell = [&](int row, int column) {
        const RECT cell = cell_rect(row, column);
        const bool is_header = row == 0 || column == 0;
        const bool is_current = row == row_ && column == column_;
        if (is_header) {
            ::FillRect(memory, &cell, header);
        } else if (is_current) {
            ::SetDCBrushColor(memory, focused ? kCurrentColour : kCurrentUnfocusedColour);
            ::FillRect(memory, &cell, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        }
        ::SetTextColor(memory, is_current && focused ? RGB(255, 255, 255) : RGB(0, 0, 0));
        if (row == 0 && column > 0) {
            draw_text(memory, cell, widen(form::kGridColumns[column - 1].header), DT_CENTER);
        } else if (column == 0 && row > 0) {
            draw_text(memory, cell, std::to_wstring(row), DT_LEFT);
        } else if (row > 0) {
            draw_text(memory, cell, widen(text(row, column)), DT_LEFT);
        }
        ::MoveToEx(memory, cell.right - 1, cell.top, nullptr);
        ::LineTo(memory, cell.right - 1, cell.bottom - 1);
        ::LineTo(memory, cell.left - 1, cell.bottom - 1);
    };
    // The row numbers after the cells and the header row last, so that the
    // fixed parts cover what scrolled under them.
    const int last = std::min(form::kGridRows, top_row_ + visible_rows());
    for (int row = top_row_; row <= last; ++row)
        for (int column = kColumns; column >= 0; --column)
            draw_cell(row, column);
    for (int column = kColumns; column >= 0; --column)
        draw_cell(0, column);
    ::BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old_pen);
    ::DeleteObject(line);
    ::SelectObject(memory, old_font);
    ::SelectObject(memory, old_bitmap);
    ::DeleteObject(canvas);
    ::DeleteDC(memory);
    ::EndPaint(hwnd_, &ps);
}

void OperatorsGrid::key_down(WPARAM key) {
    switch (key) {
    case VK_UP:
        set_current(row_ - 1, column_);
        break;
    case VK_DOWN:
        set_current(row_ + 1, column_);
        break;
    case VK_LEFT:
        set_current(row_, column_ - 1);
        break;
    case VK_RIGHT:
        set_current(row_, column_ + 1);
        break;
    case VK_PRIOR:
        set_current(row_ - visible_rows(), column_);
        break;
    case VK_NEXT:
        set_current(row_ + visible_rows(), column_);
        break;
    case VK_HOME:
        set_current(row_, 1);
        break;
    case VK_END:
        set_current(row_, kColumns);
        break;
    case VK_F2:
        begin_edit();
        break;
    default:
        break;
    }
}

void OperatorsGrid::click(int x, int y, bool twice) {
    const bool had_focus = ::GetFocus() == hwnd_;
    if (!had_focus) ::SetFocus(hwnd_);
    if (y < kHeaderHeight || x < form::kGridRowHeaderWidth) return;
    const int row = top_row_ + (y - kHeaderHeight) / kRowHeight;
    int column = 0;
    for (int c = 1; c <= kColumns; ++c) {
        const RECT cell = cell_rect(row, c);
        if (x >= cell.left && x < cell.right) column = c;
    }
    if (column == 0 || row > form::kGridRows) return;
    const bool same = row == row_ && column == column_;
    set_current(row, column);
    if (twice || (same && had_focus)) begin_edit();
}

LRESULT CALLBACK OperatorsGrid::proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = from_param<const CREATESTRUCTW*>(lparam);
        auto* self = static_cast<OperatorsGrid*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = from_param<OperatorsGrid*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, wparam, lparam);
    return self->handle(message, wparam, lparam);
}

LRESULT OperatorsGrid::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        if (!wparam) end_edit(true);
        return 0;
    case WM_SIZE:
        update_scroll_bars();
        return 0;
    case WM_KEYDOWN:
        key_down(wparam);
        return 0;
    case WM_CHAR:
        if (wparam >= L' ') begin_edit(static_cast<wchar_t>(wparam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        click(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)),
              message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEWHEEL:
        for (int step = 0; step < 3; ++step)
            scroll(SB_VERT, static_cast<short>(HIWORD(wparam)) > 0 ? SB_LINEUP : SB_LINEDOWN);
        return 0;
    case WM_VSCROLL:
        scroll(SB_VERT, wparam);
        return 0;
    case WM_HSCROLL:
        scroll(SB_HORZ, wparam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

} // namespace qv::win32
