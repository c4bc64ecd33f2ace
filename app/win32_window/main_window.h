// The main window `01-Quiterval` made with the Windows API from the core's
// definition of the form (form::all()), the window operations the engine and
// the handlers act through, and the routing of every (control, event) pair
// to exactly one handler of qv::FormHandlers.
#pragma once

#include "app/core/coupon_engine.h"
#include "app/core/form_definition.h"
#include "app/core/form_handlers.h"
#include "app/win32_window/operators_grid.h"
#include "app/win32_window/win32_window_ops.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace qv::win32 {

class MainWindow {
  public:
    // Makes the window and every control, hidden until show().
    explicit MainWindow(Seams seams = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Shows the window; its open event follows from the message loop.
    void show();
    // Runs the message loop until the window has closed.
    int run();
    // Handles the messages waiting, as the loop would (tests).
    void pump();
    // A key pressed, seen by the window before the focused control: true
    // when the key has been used up.
    bool pre_translate(const MSG& msg);

    HWND hwnd() const { return hwnd_; }
    // The control of that name, or nullptr.
    HWND control(std::string_view name) const;
    // The name of the control, "" for a window that is none.
    std::string_view name_of(HWND control) const;
    WindowOps& window_ops() { return ops_; }
    CouponEngine& engine() { return engine_; }
    OperatorsGrid& grid() { return *grid_; }
    // True once the open handler has run; false again once closed.
    bool has_opened() const { return opened_; }
    bool is_open() const { return ::IsWindow(hwnd_) && ::IsWindowVisible(hwnd_); }
    // The cursor set_pointer put (nullptr: the system's own).
    HCURSOR pointer() const { return pointer_; }

    // For the window operations.
    void set_pointer(HCURSOR cursor);
    void panel_shown_or_hidden(); // a lock panel changed: the locks follow
    void close();
    // The tab control's page (0-based) on top: shows it, hides the others.
    void show_page(int index);
    // The red band's words for the printer as it stands; again after every
    // printer command, which may have changed the contingency queue.
    void show_printer_band();

  private:
    using Handler = void (FormHandlers::*)();

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK panel_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK picture_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK tabs_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR data);
    static MainWindow* owner_of(HWND hwnd);

    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    // What a child window tells its parent, whichever container it sits in.
    bool child_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
    LRESULT paint_panel(HWND panel);
    static int caption_top(const form::Control& frame);
    LRESULT paint_picture(HWND picture);

    void create_controls();
    HWND create_control(const form::Control& c, HWND parent);
    HFONT font(const std::optional<form::Font>& f);
    HBRUSH brush(COLORREF colour);
    const form::Control* definition(HWND control) const;
    COLORREF background_of(HWND control) const;
    LRESULT control_colours(HDC dc, HWND control);
    void draw_button(const DRAWITEMSTRUCT& item);
    void draw_tab(const DRAWITEMSTRUCT& item);

    void opened();
    void run_handler(const std::function<void()>& handler, HWND field = nullptr);
    void field_left(HWND field, HWND now);
    void queue_departure(HWND field); // while a handler runs
    void serve_departure(HWND field);
    void button_clicked(HWND button);
    void page_lock();
    void move_focus_as_tab(HWND from, bool backward);
    void apply_locks();
    bool is_ours(HWND hwnd) const;

    Win32WindowOps ops_;
    CouponEngine engine_;
    FormHandlers handlers_;

    HWND hwnd_ = nullptr;
    std::map<std::string_view, HWND> controls_;
    std::map<HWND, const form::Control*> definitions_;
    std::unique_ptr<OperatorsGrid> grid_;
    std::map<std::tuple<std::string_view, int, bool>, HFONT> fonts_;
    std::map<COLORREF, HBRUSH> brushes_;
    HBITMAP logo_ = nullptr;
    HCURSOR pointer_ = nullptr;
    HICON icon_big_ = nullptr;
    HICON icon_small_ = nullptr;

    bool opened_ = false;
    bool busy_ = false;              // a handler is running
    HWND running_field_ = nullptr;   // whose lost-focus handler is running
    std::vector<HWND> left_fields_;  // departures waiting for the running handler
    HWND departure_taken_ = nullptr; // a departure the key handler already served
    HWND saved_focus_ = nullptr;     // the focus while another window was active
    std::vector<std::pair<HWND, Handler>> lost_focus_;
    std::vector<std::pair<HWND, Handler>> clicks_;
};

} // namespace qv::win32
