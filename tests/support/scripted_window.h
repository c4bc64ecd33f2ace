// A scripted stand-in for the main window, for tests of the engine and the
// handlers: the form double with its log kept, answering Yes/No questions
// from a queue of scripted answers (a question with none scripted fails the
// test and gets No), and opening forms through the real driver invocation.
// A control the form does not have fails the test.
#pragma once

#include "tests/support/form_double.h"

#include <deque>
#include <string>

namespace qv::test {

class ScriptedWindow : public FormDouble {
  public:
    ScriptedWindow() : FormDouble(Log::kKept) {}

    int message_box(std::string_view text, int style) override;
    void open_form(std::string_view form_name) override;
    void run_program(std::string_view command_line, int show_mode) override;

    // Queues the answer (6 Yes, 7 No) of the next question.
    void answer(int button) { answers_.push_back(button); }
    std::size_t unanswered() const { return answers_.size(); }

  protected:
    // Fails the running test with the message.
    void report(const std::string& message) const override;

  private:
    std::deque<int> answers_;
};

} // namespace qv::test
