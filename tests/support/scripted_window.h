// A scripted stand-in for the main window, for tests of the engine and the
// handlers. It holds the controls' values, records every operation in order
// as a readable line ("set_focus Cb_Operador", texts shown in UTF-8), answers
// Yes/No questions from a queue of scripted answers (a question with none
// scripted fails the test and gets No), and opens forms through the real
// driver invocation.
#pragma once

#include "app/core/window_ops.h"

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qv::test {

class ScriptedWindow : public WindowOps {
  public:
    static constexpr int kGridRows = 40;

    ScriptedWindow();

    // --- WindowOps ---
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

    // --- what the user does (not recorded) ---
    // Types a text (Windows-1252) into a field.
    void type(std::string_view control, std::string_view text);
    // Types an amount such as "1.234,56" into a numeric field.
    void type_number(std::string_view control, std::string_view amount);
    void put_number(std::string_view control, Decimal value);
    void choose_page(int page) { page_ = page; }
    // Picks entry `index` (0-based) of the combo list; -1 picks none.
    void choose_entry(int index);
    // Selects one of the three payment options; "" selects none.
    void choose_option(std::string_view option);
    void put_grid(int row, std::string_view name, Decimal password);
    // Queues the answer (6 Yes, 7 No) of the next question.
    void answer(int button) { answers_.push_back(button); }

    // --- what the test inspects ---
    // The control's text without the 256-character padding.
    std::string text(std::string_view control) const;
    Decimal number(std::string_view control) const;
    bool visible(std::string_view control) const;
    std::pair<int, int> position(std::string_view control) const;
    const std::string& focus() const { return focus_; }
    const std::vector<std::string>& list() const { return list_; }
    std::string grid_name(int row) const;
    Decimal grid_password(int row) const;
    bool closed() const { return closed_; }
    std::size_t unanswered() const { return answers_.size(); }
    // Every operation so far, one line each, in order.
    const std::vector<std::string>& log() const { return log_; }
    // The lines that start with `prefix` ("message_box", "set_focus" ...).
    std::vector<std::string> log_of(std::string_view prefix) const;
    void clear_log() { log_.clear(); }

  private:
    struct Control {
        std::string text;
        Decimal number;
        bool is_number = false;
    };
    struct Cell {
        std::string name;
        Decimal password;
    };
    void record(std::string line);
    Cell* cell(std::string_view grid, int row, int column);

    std::map<std::string, Control, std::less<>> controls_;
    std::map<std::string, bool, std::less<>> visible_;
    std::map<std::string, std::pair<int, int>, std::less<>> positions_;
    std::map<std::string, bool, std::less<>> options_;
    std::vector<Cell> grid_;
    std::vector<std::string> list_;
    int current_entry_ = -1;
    std::string focus_;
    int page_ = 1;
    bool closed_ = false;
    std::deque<int> answers_;
    std::vector<std::string> log_;
};

} // namespace qv::test
