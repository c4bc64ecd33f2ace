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

std::string padded(std::string text) {
    if (text.size() < 256) text.resize(256, ' ');
    return text;
}

bool is_question(int style) {
    return style == kStyleQuestion || style == kStyleQuestionNoDefault;
}

} // namespace

ScriptedWindow::ScriptedWindow() : grid_(kGridRows) {
    // The window as it opens: both lock panels hidden, cash selected.
    visible_["Frm_SENHA"] = false;
    visible_["Frm_SENHAM"] = false;
    options_["Rbt_Dinheiro"] = true;
    options_["Rbt_Cheque"] = false;
    options_["Rbt_Cartao"] = false;
}

void ScriptedWindow::record(std::string line) {
    log_.push_back(std::move(line));
}

std::string ScriptedWindow::get_text(std::string_view control) {
    record("get_text " + std::string(control));
    if (control == "Cb_Operador") {
        return padded(current_entry_ >= 0 ? list_[static_cast<std::size_t>(current_entry_)] : "");
    }
    return padded(text(control));
}

void ScriptedWindow::set_text(std::string_view control, std::string_view text_value) {
    record("set_text " + std::string(control) + " " + utf8(text_value));
    Control& c = controls_[std::string(control)];
    c.text = std::string(text_value);
    while (!c.text.empty() && c.text.back() == ' ')
        c.text.pop_back(); // blank empties
    c.is_number = false;
    c.number = Decimal{};
}

Decimal ScriptedWindow::get_number(std::string_view control) {
    record("get_number " + std::string(control));
    return number(control);
}

void ScriptedWindow::set_number(std::string_view control, Decimal value) {
    record("set_number " + std::string(control) + " " + value.to_string());
    put_number(control, value);
}

void ScriptedWindow::set_visible(std::string_view control, bool shown) {
    record("set_visible " + std::string(control) + (shown ? " true" : " false"));
    visible_[std::string(control)] = shown;
}

void ScriptedWindow::set_position(std::string_view control, int left, int top) {
    record("set_position " + std::string(control) + " " + std::to_string(left) + " " +
           std::to_string(top));
    positions_[std::string(control)] = {left, top};
}

void ScriptedWindow::set_focus(std::string_view control) {
    record("set_focus " + std::string(control));
    focus_ = std::string(control);
}

int ScriptedWindow::selected_page(std::string_view control) {
    record("selected_page " + std::string(control));
    return page_;
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
    closed_ = true;
}

void ScriptedWindow::run_program(std::string_view command_line, int show_mode) {
    record("run_program " + std::to_string(show_mode) + " " + utf8(command_line));
}

void ScriptedWindow::set_pointer(std::string_view cursor) {
    record("set_pointer " + std::string(cursor));
}

ScriptedWindow::Cell* ScriptedWindow::cell(std::string_view grid, int row, int column) {
    const bool ok =
        grid == "Tab_Operadores" && row >= 1 && row <= kGridRows && (column == 1 || column == 2);
    EXPECT_TRUE(ok) << "no grid cell " << grid << " (" << row << ", " << column << ")";
    return ok ? &grid_[static_cast<std::size_t>(row - 1)] : nullptr;
}

std::string ScriptedWindow::grid_text(std::string_view grid, int row, int column) {
    record("grid_text " + std::to_string(row) + " " + std::to_string(column));
    const Cell* c = cell(grid, row, column);
    if (c == nullptr) return padded("");
    return padded(column == 1 ? c->name : c->password.to_string());
}

void ScriptedWindow::set_grid_text(std::string_view grid, int row, int column,
                                   std::string_view text_value) {
    record("set_grid_text " + std::to_string(row) + " " + std::to_string(column) + " " +
           utf8(text_value));
    Cell* c = cell(grid, row, column);
    EXPECT_EQ(column, 1) << "text into the password column";
    if (c != nullptr) c->name = std::string(text_value);
}

Decimal ScriptedWindow::grid_number(std::string_view grid, int row, int column) {
    record("grid_number " + std::to_string(row) + " " + std::to_string(column));
    const Cell* c = cell(grid, row, column);
    if (c == nullptr) return Decimal{};
    if (column == 2) return c->password;
    return Decimal::parse(c->name).value_or(Decimal{});
}

void ScriptedWindow::set_grid_number(std::string_view grid, int row, int column, Decimal value) {
    record("set_grid_number " + std::to_string(row) + " " + std::to_string(column) + " " +
           value.to_string());
    Cell* c = cell(grid, row, column);
    EXPECT_EQ(column, 2) << "number into the name column";
    if (c != nullptr) c->password = value;
}

void ScriptedWindow::list_clear(std::string_view combo) {
    record("list_clear " + std::string(combo));
    list_.clear();
    current_entry_ = -1;
}

void ScriptedWindow::list_add(std::string_view combo, std::string_view entry) {
    record("list_add " + std::string(combo) + " " + utf8(entry));
    list_.emplace_back(entry);
}

int ScriptedWindow::option_value(std::string_view option) {
    record("option_value " + std::string(option));
    const auto it = options_.find(option);
    return it != options_.end() && it->second ? -1 : 0;
}

// --- what the user does ---

void ScriptedWindow::type(std::string_view control, std::string_view text_value) {
    Control& c = controls_[std::string(control)];
    c.text = std::string(text_value);
    c.is_number = false;
}

void ScriptedWindow::type_number(std::string_view control, std::string_view amount) {
    const std::optional<Decimal> value = Decimal::parse(amount);
    ASSERT_TRUE(value.has_value()) << "not an amount: " << amount;
    put_number(control, *value);
}

void ScriptedWindow::put_number(std::string_view control, Decimal value) {
    Control& c = controls_[std::string(control)];
    c.number = value;
    c.is_number = true;
    c.text = value.to_string();
}

void ScriptedWindow::choose_entry(int index) {
    ASSERT_LT(index, static_cast<int>(list_.size()));
    current_entry_ = index;
}

void ScriptedWindow::choose_option(std::string_view option) {
    for (auto& [name, selected] : options_)
        selected = name == option;
}

void ScriptedWindow::put_grid(int row, std::string_view name, Decimal password) {
    ASSERT_TRUE(row >= 1 && row <= kGridRows);
    grid_[static_cast<std::size_t>(row - 1)] = {std::string(name), password};
}

// --- what the test inspects ---

std::string ScriptedWindow::text(std::string_view control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? std::string() : it->second.text;
}

Decimal ScriptedWindow::number(std::string_view control) const {
    const auto it = controls_.find(control);
    if (it == controls_.end()) return Decimal{};
    if (it->second.is_number) return it->second.number;
    // A numeric read of a text control parses it; an empty field reads 0.
    return Decimal::parse(it->second.text).value_or(Decimal{});
}

bool ScriptedWindow::visible(std::string_view control) const {
    const auto it = visible_.find(control);
    return it == visible_.end() || it->second; // every other control is visible
}

std::pair<int, int> ScriptedWindow::position(std::string_view control) const {
    const auto it = positions_.find(control);
    return it == positions_.end() ? std::pair{-1, -1} : it->second;
}

std::string ScriptedWindow::grid_name(int row) const {
    return grid_.at(static_cast<std::size_t>(row - 1)).name;
}

Decimal ScriptedWindow::grid_password(int row) const {
    return grid_.at(static_cast<std::size_t>(row - 1)).password;
}

std::vector<std::string> ScriptedWindow::log_of(std::string_view prefix) const {
    std::vector<std::string> lines;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(lines),
                 [prefix](const std::string& l) { return l.starts_with(prefix); });
    return lines;
}

} // namespace qv::test
