// The window operations on the Windows form: texts cross as Windows-1252
// bytes and become UTF-16 only here, numbers are exact decimals, message
// boxes are Windows' own with the style values as given.
#pragma once

#include "app/core/window_ops.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::win32 {

class MainWindow;

// What the window asks of the system where a test must stand in: the modal
// message box (a test cannot press its buttons while it waits) and the start
// of another program. The defaults are MessageBoxW and CreateProcessW.
struct Seams {
    // Returns the button pressed (IDOK, IDYES, IDNO ...).
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT style)>
        message_box;
    // `application` is the program's path, `command_line` the whole line.
    std::function<void(const std::wstring& application, const std::wstring& command_line,
                       int show_mode)>
        start_program;
};

class Win32WindowOps : public WindowOps {
  public:
    Win32WindowOps(MainWindow& window, Seams seams);

    std::string get_text(std::string_view control) override;
    void set_text(std::string_view control, std::string_view text) override;
    Decimal get_number(std::string_view control) override;
    void set_number(std::string_view control, Decimal value) override;
    void set_visible(std::string_view control, bool visible) override;
    void set_position(std::string_view control, int left, int top) override;
    void set_focus(std::string_view control) override;
    int selected_page(std::string_view control) override;
    int message_box(std::string_view text, int style) override;
    void open_form(std::string_view form_name) override;
    void close_window() override;
    void run_program(std::string_view command_line, int show_mode) override;
    void set_pointer(std::string_view cursor) override;
    std::string grid_text(std::string_view grid, int row, int column) override;
    void set_grid_text(std::string_view grid, int row, int column, std::string_view text) override;
    Decimal grid_number(std::string_view grid, int row, int column) override;
    void set_grid_number(std::string_view grid, int row, int column, Decimal value) override;
    void list_clear(std::string_view combo) override;
    void list_add(std::string_view combo, std::string_view entry) override;
    int option_value(std::string_view option) override;

  private:
    HWND find(std::string_view control) const;

    MainWindow& window_;
    Seams seams_;
    std::vector<std::string> entries_; // the operator list's whole entries
};

// The hand cursor "MAO" (32 x 32, monochrome, hot spot (5, 0)), made from
// the window's drawn bitmaps; the system's hand when it cannot be made.
HCURSOR hand_cursor();

namespace detail {

// The command line "path argument" split for CreateProcessW: the path is
// what stands before the last blank (it may hold blanks itself), quoted in
// the line the program receives.
struct ProgramLine {
    std::wstring application;
    std::wstring command_line;
};
ProgramLine split_program_line(std::wstring_view line);

// The XBM bits of a cursor (least significant bit first) as the two planes
// CreateCursor takes (most significant bit first): AND keeps the screen where
// the mask is clear, XOR paints white where the mask is set and the bit is not.
struct CursorPlanes {
    std::vector<unsigned char> and_plane;
    std::vector<unsigned char> xor_plane;
};
CursorPlanes cursor_planes(const unsigned char* bits, const unsigned char* mask, int width,
                           int height);

} // namespace detail

} // namespace qv::win32
