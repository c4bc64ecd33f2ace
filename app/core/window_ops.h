// The operations the event handlers and the coupon engine carry out on the
// main window. No toolkit type appears here: the Qt window implements it for
// the real program, a scripted double implements it for tests.
//
// Controls are addressed by their names ("Ed_VALOREF", "Cb_Operador" ...).
// Texts cross this interface as Windows-1252 bytes, as the records hold them.
#pragma once

#include "shared/decimal.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

// The width of a control's text as get_text hands it.
inline constexpr std::size_t kControlTextWidth = 256;

// A control text filled with blanks to at least kControlTextWidth characters,
// so that fixed positions can be read from it whatever the window returned.
inline std::string padded(std::string text) {
    if (text.size() < kControlTextWidth) text.resize(kControlTextWidth, ' ');
    return text;
}

// Message-box style values, as the Windows message box knows them.
enum MessageStyle : int {
    kStyleStop = 16,               // stop icon, OK
    kStyleExclamation = 48,        // exclamation icon, OK
    kStyleQuestion = 36,           // question icon, Yes and No, Yes the default
    kStyleQuestionNoDefault = 292, // question icon, Yes and No, No the default
};
// Buttons a message box returns.
enum MessageAnswer : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

class WindowOps {
  public:
    virtual ~WindowOps() = default;

    // The control's text, filled with blanks to kControlTextWidth characters.
    virtual std::string get_text(std::string_view control) = 0;
    // Shows the text; a blank text empties the field.
    virtual void set_text(std::string_view control, std::string_view text) = 0;
    // The control's value as an exact decimal; an empty field reads as 0.
    virtual Decimal get_number(std::string_view control) = 0;
    // Shows the value in the control's edit mask.
    virtual void set_number(std::string_view control, Decimal value) = 0;
    virtual void set_visible(std::string_view control, bool visible) = 0;
    virtual void set_position(std::string_view control, int left, int top) = 0;
    virtual void set_focus(std::string_view control) = 0;
    // Number (1, 2 or 3) of the page on top of a tab control.
    virtual int selected_page(std::string_view control) = 0;
    // Modal box with a text of up to 120 characters; returns a MessageAnswer.
    virtual int message_box(std::string_view text, int style) = 0;
    // Runs another form of the program to completion ("99-ImpFiscalDaruma").
    virtual void open_form(std::string_view form_name) = 0;
    // Closes the window, which ends the program.
    virtual void close_window() = 0;
    // Starts an external program; show mode 3 is maximised. Outcome unchecked.
    virtual void run_program(std::string_view command_line, int show_mode) = 0;
    // The window shows the named cursor ("Mao").
    virtual void set_pointer(std::string_view cursor) = 0;
    // Grid cells: text of a column-1 cell, number of a column-2 cell.
    virtual std::string grid_text(std::string_view grid, int row, int column) = 0;
    virtual void set_grid_text(std::string_view grid, int row, int column,
                               std::string_view text) = 0;
    virtual Decimal grid_number(std::string_view grid, int row, int column) = 0;
    virtual void set_grid_number(std::string_view grid, int row, int column, Decimal value) = 0;
    // Combo list.
    virtual void list_clear(std::string_view combo) = 0;
    virtual void list_add(std::string_view combo, std::string_view entry) = 0;
    // -1 when the option button is selected, else 0.
    virtual int option_value(std::string_view option) = 0;
};

} // namespace qv
