// The operators grid `Tab_Operadores`: form::kGridRows rows under a header
// row, a row-number column and the columns of form::kGridColumns, scrolled
// both ways inside its rectangle. A cell is edited in place by a masked
// field under its column's mask: a typed character, F2, a double click or a
// click on the current cell starts it; Enter or Tab (through the window's
// Tab), the arrows up and down, or the focus leaving keep the edit; Escape
// drops it.
#pragma once

#include "app/core/form_definition.h"

#include <windows.h>

#include <array>
#include <string>
#include <string_view>

namespace qv::win32 {

class OperatorsGrid {
  public:
    // The window class; registered once per process.
    static void register_class(HINSTANCE instance);

    // Makes the grid as a child of `parent`, as `def` places it.
    OperatorsGrid(HWND parent, const form::Control& def, HFONT font, DWORD style);
    OperatorsGrid(const OperatorsGrid&) = delete;
    OperatorsGrid& operator=(const OperatorsGrid&) = delete;
    ~OperatorsGrid();

    HWND hwnd() const { return hwnd_; }
    // The in-place editor (shown only while a cell is edited).
    HWND editor() const { return editor_; }
    bool editing() const { return editing_; }

    // Cells by row 1..kGridRows and column 1..columns (Windows-1252); out of
    // range reads as "" and writes nothing.
    std::string text(int row, int column) const;
    void set_text(int row, int column, std::string_view cp1252);

    // The current cell (1-based).
    int current_row() const { return row_; }
    int current_column() const { return column_; }
    void set_current(int row, int column);

    // Starts editing the current cell; `typed` (when not 0) is the first
    // character, replacing the cell's text.
    void begin_edit(wchar_t typed = 0);
    // Keeps what the editor holds in the cell, shown in its mask.
    void end_edit(bool keep);
    // Tab inside the grid: the edit kept, the next (or previous) cell made
    // current. False at the last (first) cell: the focus goes on.
    bool tab(bool backward);

    static constexpr int kColumns = static_cast<int>(std::size(form::kGridColumns));

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void paint();
    void key_down(WPARAM key);
    void click(int x, int y, bool twice);
    RECT cell_rect(int row, int column) const; // client pixels
    int visible_rows() const;
    void scroll_to_current();
    void update_scroll_bars();
    void scroll(int bar, WPARAM request);
    void editor_left(HWND now);

    HWND hwnd_ = nullptr;
    HWND editor_ = nullptr;
    HFONT font_ = nullptr;
    std::array<std::array<std::string, kColumns>, form::kGridRows> cells_{};
    int row_ = 1;
    int column_ = 1;
    int top_row_ = 1; // first row shown
    int left_px_ = 0; // horizontal scroll
    bool editing_ = false;
};

} // namespace qv::win32
