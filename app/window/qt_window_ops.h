// The window operations on the Qt form: texts cross as Windows-1252 bytes and
// become QString only here, numbers are exact decimals, message boxes follow
// the Windows style values.
#pragma once

#include "app/core/window_ops.h"

#include <QCursor>
#include <QString>

#include <functional>

class QWidget;

namespace qv {

class QtWindowOps : public WindowOps {
  public:
    // `window` is the main window holding the named controls; `after_driver`
    // runs each time the driver's form has run a printer command.
    explicit QtWindowOps(QWidget& window, std::function<void()> after_driver = {})
        : window_(window), after_driver_(std::move(after_driver)) {}

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
    QWidget* find(std::string_view control) const;

    QWidget& window_;
    std::function<void()> after_driver_;
};

// Windows-1252 bytes to a QString, and back (a character without a
// Windows-1252 byte, which the fields never let in, becomes "?").
QString from_cp1252(std::string_view bytes);
std::string to_cp1252(const QString& text);
// A text as get_text returns it: cut or filled with blanks to
// kControlTextWidth characters.
std::string padded_text(const QString& text);
// The hand cursor "MAO" (32 x 32, monochrome, hot spot (5, 0)).
QCursor hand_cursor();

} // namespace qv
