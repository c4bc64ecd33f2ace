#include "tests/support/scripted_window.h"

#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv::test {

namespace {

std::string utf8(std::string_view bytes) {
    return cp1252_to_utf8(bytes);
}

bool is_question(int style) {
    return style == kStyleQuestion || style == kStyleQuestionNoDefault;
}

} // namespace

void ScriptedWindow::report(const std::string& message) const {
    ADD_FAILURE() << message;
}

void ScriptedWindow::record(std::string line) {
    log_.push_back(std::move(line));
}

std::string ScriptedWindow::get_text(std::string_view control) {
    record("get_text " + std::string(control));
    return FormDouble::get_text(control);
}

void ScriptedWindow::set_text(std::string_view control, std::string_view text_value) {
    record("set_text " + std::string(control) + " " + utf8(text_value));
    FormDouble::set_text(control, text_value);
}

Decimal ScriptedWindow::get_number(std::string_view control) {
    record("get_number " + std::string(control));
    return FormDouble::get_number(control);
}

void ScriptedWindow::set_number(std::string_view control, Decimal value) {
    record("set_number " + std::string(control) + " " + value.to_string());
    FormDouble::set_number(control, value);
}

void ScriptedWindow::set_visible(std::string_view control, bool shown) {
    record("set_visible " + std::string(control) + (shown ? " true" : " false"));
    FormDouble::set_visible(control, shown);
}

void ScriptedWindow::set_position(std::string_view control, int left, int top) {
    record("set_position " + std::string(control) + " " + std::to_string(left) + " " +
           std::to_string(top));
    FormDouble::set_position(control, left, top);
}

void ScriptedWindow::set_focus(std::string_view control) {
    record("set_focus " + std::string(control));
    FormDouble::set_focus(control);
}

int ScriptedWindow::selected_page(std::string_view control) {
    record("selected_page " + std::string(control));
    return FormDouble::selected_page(control);
}

int ScriptedWindow::message_box(std::string_view text_value, int style) {
    record("message_box " + std::to_string(style) + " " + utf8(text_value));
    EXPECT_LE(text_value.size(), 120u) << "message longer than a message box holds";
    if (!is_question(style)) return kAnswerOk;
    if (answers_.empty()) {
        ADD_FAILURE() << "unscripted question: " << utf8(text_value);
        return kAnswerNo;
    }
    const int answer_value = answers_.front();
    answers_.pop_front();
    return answer_value;
}

void ScriptedWindow::open_form(std::string_view form_name) {
    record("open_form " + std::string(form_name));
    EXPECT_TRUE(qv::driver::invoke_form(form_name)) << "no form called " << form_name;
}

void ScriptedWindow::close_window() {
    record("close_window");
    FormDouble::close_window();
}

void ScriptedWindow::run_program(std::string_view command_line, int show_mode) {
    record("run_program " + std::to_string(show_mode) + " " + utf8(command_line));
}

void ScriptedWindow::set_pointer(std::string_view cursor) {
    record("set_pointer " + std::string(cursor));
}

std::string ScriptedWindow::grid_text(std::string_view grid, int row, int column) {
    record("grid_text " + std::to_string(row) + " " + std::to_string(column));
    return FormDouble::grid_text(grid, row, column);
}

void ScriptedWindow::set_grid_text(std::string_view grid, int row, int column,
                                   std::string_view text_value) {
    record("set_grid_text " + std::to_string(row) + " " + std::to_string(column) + " " +
           utf8(text_value));
    FormDouble::set_grid_text(grid, row, column, text_value);
}

Decimal ScriptedWindow::grid_number(std::string_view grid, int row, int column) {
    record("grid_number " + std::to_string(row) + " " + std::to_string(column));
    return FormDouble::grid_number(grid, row, column);
}

void ScriptedWindow::set_grid_number(std::string_view grid, int row, int column, Decimal value) {
    record("set_grid_number " + std::to_string(row) + " " + std::to_string(column) + " " +
           value.to_string());
    FormDouble::set_grid_number(grid, row, column, value);
}

void ScriptedWindow::list_clear(std::string_view combo) {
    record("list_clear " + std::string(combo));
    FormDouble::list_clear(combo);
}

void ScriptedWindow::list_add(std::string_view combo, std::string_view entry) {
    record("list_add " + std::string(combo) + " " + utf8(entry));
    FormDouble::list_add(combo, entry);
}

int ScriptedWindow::option_value(std::string_view option) {
    record("option_value " + std::string(option));
    return FormDouble::option_value(option);
}

std::vector<std::string> ScriptedWindow::log_of(std::string_view prefix) const {
    std::vector<std::string> lines;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(lines),
                 [prefix](const std::string& l) { return l.starts_with(prefix); });
    return lines;
}

} // namespace qv::test
