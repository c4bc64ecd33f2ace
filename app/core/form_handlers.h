// The event handlers of the main window, one method per (control, event).
//
// The window layer routes each event to exactly one of these methods and
// provides the WindowOps they act through; the handlers keep no state of
// their own beyond the Enter-as-Tab flag. Everything else lives in the
// controls and in the engine fields.
#pragma once

#include "app/core/coupon_engine.h"
#include "app/core/window_ops.h"

#include <string>
#include <string_view>

namespace qv {

// The fixed master password that opens the configuration page.
inline constexpr std::string_view kMasterPassword = "731946";

// Key codes the window hands to on_window_key_down.
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyEnter = 13;
// Returned when a key has been used up by the handlers: the window drops it.
inline constexpr int kKeyConsumed = 0;

class FormHandlers {
  public:
    FormHandlers(WindowOps& window, CouponEngine& engine);

    // The window has opened: Enter acts as Tab from now on; "ABRAR" loads
    // the settings and places the lock panels.
    void on_window_open();
    // A key pressed while the window is active, seen before the focused
    // control. Returns the key code to use: Enter (13) becomes Tab (9) once
    // the window has opened; every other key passes unchanged.
    int on_window_key_down(int key_code);
    // The same, told which control has the focus. Tab (or Enter turned into
    // Tab) in a password field of a lock panel counts as leaving the field,
    // even where the panel leaves no other control to move to: the field's
    // handler runs at once, and kKeyConsumed comes back when it has unlocked
    // and moved the focus itself (the window must then drop the key).
    int on_window_key_down(int key_code, std::string_view focused_control);

    void on_Ed_VALOREF_lost_focus(); // total
    void on_Ed_VALOBEB_lost_focus(); // total
    void on_Ed_DOCUMEN_lost_focus(); // document check ("VERCPF")
    void on_Bt_Imprime_click();      // maximum value / release password, then "IMPCUP"
    void on_Img_FUNDO_mouse_move();  // hand pointer "Mao"
    void on_Img_FUNDO_click();       // the maker's web site in the browser, maximised
    void on_Pst_ORELHAS_click();     // page lock
    void on_Ed_SENHA_lost_focus();   // operator login
    void on_Ed_SENHAM_lost_focus();  // master password
    // The fiscal-day buttons show each non-blank result text of the printer,
    // one stop box each, and ask nothing.
    void on_Bt_LEITX_click();  // X reading
    void on_Bt_REDZ_click();   // Z reduction, after a Yes/No question (No the default)
    void on_Bt_LEITX1_click(); // cancel the last coupon, then the form reset
    void on_Bt_REDZ1_click();  // "GRAVAR": save; close the window only when it worked

    // The Enter-as-Tab flag: blank until the window has opened, then "E".
    char enter_as_tab() const { return enter_as_tab_; }

  private:
    void total();
    bool operator_login(); // true when it unlocked the coupon page
    bool master_login();   // true when it unlocked the configuration
    void send_fiscal_day_command(std::string_view command);

    WindowOps& window_;
    CouponEngine& engine_;
    char* impfis_; // W-PARAMETROS-IMPFIS
    char enter_as_tab_ = ' ';
};

// The command line that opens the maker's web site: on Windows the fixed
// browser's path, one blank and the address; elsewhere xdg-open with the
// address behind "https://", since xdg-open reads a bare address as a file.
std::string web_site_command_line();

// What the operator list shows of an entry "name - password": the name only,
// without trailing blanks. The password part never reaches the screen.
std::string login_entry_caption(std::string_view entry);

// True when a shown lock panel covers `control`, which must then take neither
// the focus nor input, by mouse or keyboard: while "Frm_SENHAM" is shown every
// control but "Ed_SENHAM"; while "Frm_SENHA" is shown the coupon page's
// controls (its own "Cb_Operador" and "Ed_SENHA" stay usable).
bool is_locked(std::string_view control, bool login_panel_shown, bool master_panel_shown);

} // namespace qv
