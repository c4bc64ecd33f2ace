// A scripted stand-in for the main window, for tests of the engine and the
// handlers. Over the form double's controls it records every operation in
// order as a readable line ("set_focus Cb_Operador", texts shown in UTF-8),
// answers Yes/No questions from a queue of scripted answers (a question with
// none scripted fails the test and gets No), and opens forms through the real
// driver invocation. A control the form does not have fails the test.
#pragma once

#include "tests/support/form_double.h"

#include <deque>
#include <string>
#include <vector>

namespace qv::test {

class ScriptedWindow : public FormDouble {
  public:
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

    // Queues the answer (6 Yes, 7 No) of the next question.
    void answer(int button) { answers_.push_back(button); }
    std::size_t unanswered() const { return answers_.size(); }

    // Every operation so far, one line each, in order.
    const std::vector<std::string>& log() const { return log_; }
    // The lines that start with `prefix` ("message_box", "set_focus" ...).
    std::vector<std::string> log_of(std::string_view prefix) const;
    void clear_log() { log_.clear(); }

  protected:
    // Fails the running test with the message.
    void report(const std::string& message) const override;

  private:
    void record(std::string line);

    std::deque<int> answers_;
    std::vector<std::string> log_;
};

} // namespace qv::test
