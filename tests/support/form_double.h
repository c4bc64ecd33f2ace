// The main window's controls without a window, for the doubles of the tests,
// the benchmarks and the fuzzers: the values of the form's controls, which
// panels are shown, the selected payment option, the operators' grid and the
// login list, as the window holds them when it opens.
//
// Every call names its control by the form's name (qv::controls). A name the
// form does not have is reported through report() and the call answers
// blank: by default that prints the name and aborts the program; the
// scripted window of the tests fails the test instead. A misspelt name is
// never a silent blank.
//
// Asked to, it keeps a log of the operations on the window, one readable
// line each ("set_focus Cb_Operador", texts shown in UTF-8), for the tests to
// read. The message boxes, the other forms and the external programs are the
// derived double's: they differ between the tests, the benchmarks and the
// fuzzers.
#pragma once

#include "app/core/form_definition.h"
#include "app/core/window_ops.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv::test {

class FormDouble : public WindowOps {
  public:
    static constexpr int kGridRows = form::kGridRows;

    enum class Log { kNone, kKept };
    explicit FormDouble(Log log = Log::kNone);

    // --- WindowOps: the controls ---
    std::string get_text(std::string_view control) override;
    void set_text(std::string_view control, std::string_view text) override;
    Decimal get_number(std::string_view control) override;
    void set_number(std::string_view control, Decimal value) override;
    void set_visible(std::string_view control, bool visible) override;
    void set_position(std::string_view control, int left, int top) override;
    void set_focus(std::string_view control) override;
    int selected_page(std::string_view control) override;
    void close_window() override;
    void set_pointer(std::string_view cursor) override;
    std::string grid_text(std::string_view grid, int row, int column) override;
    void set_grid_text(std::string_view grid, int row, int column, std::string_view text) override;
    Decimal grid_number(std::string_view grid, int row, int column) override;
    void set_grid_number(std::string_view grid, int row, int column, Decimal value) override;
    void list_clear(std::string_view combo) override;
    void list_add(std::string_view combo, std::string_view entry) override;
    int option_value(std::string_view option) override;

    // --- what the user does ---
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

    // --- what the caller inspects ---
    // The control's text without the padding to kControlTextWidth.
    std::string text(std::string_view control) const;
    Decimal number(std::string_view control) const;
    bool visible(std::string_view control) const;
    std::pair<int, int> position(std::string_view control) const;
    const std::string& focus() const { return focus_; }
    const std::vector<std::string>& list() const { return list_; }
    std::string grid_name(int row) const;
    Decimal grid_password(int row) const;
    bool closed() const { return closed_; }
    // Every operation so far, one line each, in order (when the log is kept).
    const std::vector<std::string>& log() const { return log_; }
    // The lines that start with `prefix` ("message_box", "set_focus" ...).
    std::vector<std::string> log_of(std::string_view prefix) const;
    void clear_log() { log_.clear(); }

    // Whether the form has `control`; reports the call and the name when not.
    bool known(std::string_view call, std::string_view control) const;

  protected:
    // Adds the line `make_line()` gives to the log, when the log is kept
    // (the benchmarks' double makes no lines).
    template <class MakeLine> void record(MakeLine make_line) {
        if (keeps_log_) log_.push_back(make_line());
    }
    // A wrong call: an unknown control, a cell outside the grid. Prints the
    // message and aborts; the tests' double fails the test instead.
    virtual void report(const std::string& message) const;

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
    Cell* cell(std::string_view call, std::string_view grid, int row, int column);
    // The control's value, its name already checked.
    std::string stored_text(std::string_view control) const;
    Decimal stored_number(std::string_view control) const;

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
    bool keeps_log_;
    std::vector<std::string> log_;
};

} // namespace qv::test
