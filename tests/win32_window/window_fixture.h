// The real Windows window for tests: made in a scratch working folder with
// its settings file, the simulated printer's folder and the driver's log
// inside it; message boxes and started programs answered by seams, so that
// no test waits for a box; keys and clicks sent as window messages and
// handled by the window's own message loop hook.
#pragma once

#include "app/core/control_names.h"
#include "app/win32_window/main_window.h"
#include "tests/support/environment.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::win32_test {

namespace controls = qv::controls;

struct Operator {
    std::string name;
    int password = 0;
};

// Writes the settings file: the one 1061-character record under key "1".
void write_settings(const std::filesystem::path& file, int max_cents, int meal_percent_cents,
                    int drinks_percent_cents, int release_password,
                    const std::vector<Operator>& operators);

// A message box the window showed, through the seam.
struct Box {
    std::wstring text;
    std::wstring title;
    UINT style = 0;
    HWND owner = nullptr;
};

// A program the window started, through the seam.
struct Started {
    std::wstring application;
    std::wstring command_line;
    int show_mode = 0;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The window, made and opened (the open handler has run); SetUp does it.
    void open_window();

    win32::MainWindow& window() { return *window_; }
    HWND w(std::string_view name);
    // A control's text as Windows-1252, as the window holds it.
    std::string text(std::string_view name);
    std::string_view focus_name();
    bool shown(std::string_view name);

    // Keys and characters to the focused control, through the window's loop.
    void type(std::wstring_view typed);
    void press(WPARAM key);
    // Clicks inside a control, by messages: at its centre, or at (x, y).
    void click(HWND target);
    void click_at(HWND target, int x, int y);
    // A click on the tab of page `index` (0-based).
    void click_tab(int index);
    // Page 2, the entry `entry` chosen (-1: none), the password typed and
    // left with Enter.
    void log_in(int entry, std::wstring_view password);
    void open_configuration();
    // The control a click at the centre of `target` would reach.
    HWND hit(HWND target);
    // The simulated printer's tape ("" while nothing was printed).
    std::string tape() const;

    std::unique_ptr<test::ScratchFolder> scratch_;
    std::filesystem::path previous_folder_;
    std::vector<std::unique_ptr<test::EnvGuard>> env_;
    std::unique_ptr<win32::MainWindow> window_;
    // The buttons the next boxes get (IDOK when none is left), and the boxes.
    std::deque<int> answers_;
    std::vector<Box> boxes_;
    // When set, a box takes the focus while it is up, as Windows' own does.
    bool boxes_take_focus_ = false;
    std::vector<Started> started_;
};

} // namespace qv::win32_test
