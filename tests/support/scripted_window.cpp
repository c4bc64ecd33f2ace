#include "tests/support/scripted_window.h"

#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"

#include <gtest/gtest.h>

namespace qv::test {

namespace {

bool is_question(int style) {
    return style == kStyleQuestion || style == kStyleQuestionNoDefault;
}

} // namespace

void ScriptedWindow::report(const std::string& message) const {
    ADD_FAILURE() << message;
}

int ScriptedWindow::message_box(std::string_view text_value, int style) {
    record(
        [&] { return "message_box " + std::to_string(style) + " " + cp1252_to_utf8(text_value); });
    EXPECT_LE(text_value.size(), 120u) << "message longer than a message box holds";
    if (!is_question(style)) return kAnswerOk;
    if (answers_.empty()) {
        ADD_FAILURE() << "unscripted question: " << cp1252_to_utf8(text_value);
        return kAnswerNo;
    }
    const int answer_value = answers_.front();
    answers_.pop_front();
    return answer_value;
}

void ScriptedWindow::open_form(std::string_view form_name) {
    record([&] { return "open_form " + std::string(form_name); });
    EXPECT_TRUE(qv::driver::invoke_form(form_name)) << "no form called " << form_name;
}

void ScriptedWindow::run_program(std::string_view command_line, int show_mode) {
    record([&] {
        return "run_program " + std::to_string(show_mode) + " " + cp1252_to_utf8(command_line);
    });
}

} // namespace qv::test
