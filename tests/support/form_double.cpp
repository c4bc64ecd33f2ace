#include "tests/support/form_double.h"

#include "app/core/control_names.h"
#include "shared/cp1252.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>

namespace qv::test {

namespace {} // namespace

FormDouble::FormDouble(Log log) : grid_(kGridRows), keeps_log_(log == Log::kKept) {
    // The window as it opens: both lock panels hidden, cash selected.
    visible_[std::string(controls::Frm_SENHA)] = false;
    visible_[std::string(controls::Frm_SENHAM)] = false;
    options_[std::string(controls::Rbt_Dinheiro)] = true;
    options_[std::string(controls::Rbt_Cheque)] = false;
    options_[std::string(controls::Rbt_Cartao)] = false;
}

bool FormDouble::known(std::string_view call, std::string_view control) const {
    if (controls::is_control(control)) return true;
    report(std::string(call) + ": the form has no control \"" + std::string(control) + "\"");
    return false;
}

void FormDouble::report(const std::string& message) const {
    std::fprintf(stderr, "window double: %s\n", message.c_str());
    std::abort();
}

std::string FormDouble::get_text(std::string_view control) {
    record([&] { return "get_text " + std::string(control); });
    if (!known("get_text", control)) return padded("");
    if (control == controls::Cb_Operador) {
        return padded(current_entry_ >= 0 ? list_[static_cast<std::size_t>(current_entry_)] : "");
    }
    return padded(stored_text(control));
}

void FormDouble::set_text(std::string_view control, std::string_view text_value) {
    record([&] { return "set_text " + std::string(control) + " " + cp1252_to_utf8(text_value); });
    if (!known("set_text", control)) return;
    Control& c = controls_[std::string(control)];
    c.text = std::string(text_value);
    while (!c.text.empty() && c.text.back() == ' ')
        c.text.pop_back(); // blank empties
    c.is_number = false;
    c.number = Decimal{};
}

Decimal FormDouble::get_number(std::string_view control) {
    record([&] { return "get_number " + std::string(control); });
    if (!known("get_number", control)) return Decimal{};
    return stored_number(control);
}

void FormDouble::set_number(std::string_view control, Decimal value) {
    record([&] { return "set_number " + std::string(control) + " " + value.to_string(); });
    if (!known("set_number", control)) return;
    put_number(control, value);
}

void FormDouble::set_visible(std::string_view control, bool shown) {
    record([&] { return "set_visible " + std::string(control) + (shown ? " true" : " false"); });
    if (!known("set_visible", control)) return;
    visible_[std::string(control)] = shown;
}

void FormDouble::set_position(std::string_view control, int left, int top) {
    record([&] {
        return "set_position " + std::string(control) + " " + std::to_string(left) + " " +
               std::to_string(top);
    });
    if (!known("set_position", control)) return;
    positions_[std::string(control)] = {left, top};
}

void FormDouble::set_focus(std::string_view control) {
    record([&] { return "set_focus " + std::string(control); });
    if (!known("set_focus", control)) return;
    focus_ = std::string(control);
}

int FormDouble::selected_page(std::string_view control) {
    record([&] { return "selected_page " + std::string(control); });
    known("selected_page", control);
    return page_;
}

FormDouble::Cell* FormDouble::cell(std::string_view call, std::string_view grid, int row,
                                   int column) {
    if (!known(call, grid)) return nullptr;
    if (grid != controls::Tab_Operadores || row < 1 || row > kGridRows ||
        (column != 1 && column != 2)) {
        report(std::string(call) + ": no grid cell " + std::string(grid) + " (" +
               std::to_string(row) + ", " + std::to_string(column) + ")");
        return nullptr;
    }
    return &grid_[static_cast<std::size_t>(row - 1)];
}

void FormDouble::close_window() {
    record([] { return std::string("close_window"); });
    closed_ = true;
}

void FormDouble::set_pointer(std::string_view cursor) {
    record([&] { return "set_pointer " + std::string(cursor); });
}

std::string FormDouble::grid_text(std::string_view grid, int row, int column) {
    record([&] { return "grid_text " + std::to_string(row) + " " + std::to_string(column); });
    const Cell* c = cell("grid_text", grid, row, column);
    if (c == nullptr) return padded("");
    return padded(column == 1 ? c->name : c->password.to_string());
}

void FormDouble::set_grid_text(std::string_view grid, int row, int column,
                               std::string_view text_value) {
    record([&] {
        return "set_grid_text " + std::to_string(row) + " " + std::to_string(column) + " " +
               cp1252_to_utf8(text_value);
    });
    Cell* c = cell("set_grid_text", grid, row, column);
    if (c == nullptr) return;
    if (column != 1) report("set_grid_text: text into the password column");
    c->name = std::string(text_value);
}

Decimal FormDouble::grid_number(std::string_view grid, int row, int column) {
    record([&] { return "grid_number " + std::to_string(row) + " " + std::to_string(column); });
    const Cell* c = cell("grid_number", grid, row, column);
    if (c == nullptr) return Decimal{};
    if (column == 2) return c->password;
    return Decimal::parse(c->name).value_or(Decimal{});
}

void FormDouble::set_grid_number(std::string_view grid, int row, int column, Decimal value) {
    record([&] {
        return "set_grid_number " + std::to_string(row) + " " + std::to_string(column) + " " +
               value.to_string();
    });
    Cell* c = cell("set_grid_number", grid, row, column);
    if (c == nullptr) return;
    if (column != 2) report("set_grid_number: number into the name column");
    c->password = value;
}

void FormDouble::list_clear(std::string_view combo) {
    record([&] { return "list_clear " + std::string(combo); });
    if (!known("list_clear", combo)) return;
    list_.clear();
    current_entry_ = -1;
}

void FormDouble::list_add(std::string_view combo, std::string_view entry) {
    record([&] { return "list_add " + std::string(combo) + " " + cp1252_to_utf8(entry); });
    if (!known("list_add", combo)) return;
    list_.emplace_back(entry);
}

int FormDouble::option_value(std::string_view option) {
    record([&] { return "option_value " + std::string(option); });
    if (!known("option_value", option)) return 0;
    const auto it = options_.find(option);
    return it != options_.end() && it->second ? -1 : 0;
}

// --- what the user does ---

void FormDouble::type(std::string_view control, std::string_view text_value) {
    if (!known("type", control)) return;
    Control& c = controls_[std::string(control)];
    c.text = std::string(text_value);
    c.is_number = false;
}

void FormDouble::type_number(std::string_view control, std::string_view amount) {
    if (!known("type_number", control)) return;
    const std::optional<Decimal> value = Decimal::parse(amount);
    if (!value) {
        report("type_number: not an amount: " + std::string(amount));
        return;
    }
    put_number(control, *value);
}

void FormDouble::put_number(std::string_view control, Decimal value) {
    if (!known("put_number", control)) return;
    Control& c = controls_[std::string(control)];
    c.number = value;
    c.is_number = true;
    c.text = value.to_string();
}

void FormDouble::choose_entry(int index) {
    if (index >= static_cast<int>(list_.size())) {
        report("choose_entry: no entry " + std::to_string(index) + " in a list of " +
               std::to_string(list_.size()));
        return;
    }
    current_entry_ = index;
}

void FormDouble::choose_option(std::string_view option) {
    if (!option.empty() && !known("choose_option", option)) return;
    for (auto& [name, selected] : options_)
        selected = name == option;
}

void FormDouble::put_grid(int row, std::string_view name, Decimal password) {
    if (row < 1 || row > kGridRows) {
        report("put_grid: no grid row " + std::to_string(row));
        return;
    }
    grid_[static_cast<std::size_t>(row - 1)] = {std::string(name), password};
}

// --- what the caller inspects ---

std::string FormDouble::text(std::string_view control) const {
    return known("text", control) ? stored_text(control) : std::string();
}

std::string FormDouble::stored_text(std::string_view control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? std::string() : it->second.text;
}

Decimal FormDouble::number(std::string_view control) const {
    return known("number", control) ? stored_number(control) : Decimal{};
}

Decimal FormDouble::stored_number(std::string_view control) const {
    const auto it = controls_.find(control);
    if (it == controls_.end()) return Decimal{};
    if (it->second.is_number) return it->second.number;
    // A numeric read of a text control parses it; an empty field reads 0.
    return Decimal::parse(it->second.text).value_or(Decimal{});
}

bool FormDouble::visible(std::string_view control) const {
    if (!known("visible", control)) return false;
    const auto it = visible_.find(control);
    return it == visible_.end() || it->second; // every other control is visible
}

std::pair<int, int> FormDouble::position(std::string_view control) const {
    if (!known("position", control)) return {-1, -1};
    const auto it = positions_.find(control);
    return it == positions_.end() ? std::pair{-1, -1} : it->second;
}

std::string FormDouble::grid_name(int row) const {
    return grid_.at(static_cast<std::size_t>(row - 1)).name;
}

Decimal FormDouble::grid_password(int row) const {
    return grid_.at(static_cast<std::size_t>(row - 1)).password;
}

std::vector<std::string> FormDouble::log_of(std::string_view prefix) const {
    std::vector<std::string> lines;
    std::copy_if(log_.begin(), log_.end(), std::back_inserter(lines),
                 [prefix](const std::string& l) { return l.starts_with(prefix); });
    return lines;
}

} // namespace qv::test
