// The coupon engine: the action procedure of the main form module.
//
// A handler moves an action code into W_ACAO and calls PROC_ECF_01(); the
// engine runs the action ("ABRAR" loads the settings into the window,
// "IMPCUP" issues one fiscal coupon, "VERCPF" checks the customer's CPF or
// CNPJ), shows its own messages, and blanks W_ACAO before it returns.
// It acts on the window only through WindowOps, on the printer only through
// the driver form "99-ImpFiscalDaruma", and on TORLIB through L-LINK.
#pragma once

#include "app/core/window_ops.h"
#include "shared/decimal.h"

#include <array>
#include <functional>
#include <string_view>

namespace qv {

class CouponEngine {
  public:
    // Binds the shared records W-PARAMETROS-IMPFIS and L-LINK by name.
    explicit CouponEngine(WindowOps& window);

    // --- engine fields of the main form module; the handlers use them too ---
    std::array<char, 15> W_ACAO{};          // action code, blank-filled
    std::array<char, 120> W_MENSAGEM{};     // text of the next message box
    int W_ESTILO_MSG = 0;                   // style of the next message box
    int W_RESPOSTA = 0;                     // button of the last question (6 = Yes)
    char W_STATUS_ECF = ' ';                // "S"/"N": last checked driver command
    Decimal W_TRIBUTOS;                     // approximate taxes of the coupon (7+4)
    Decimal W_PERC_TRIBUTOS;                // those taxes in % of the total (5+4)
    int W_CONTADOR = 0;                     // row counter over the operators grid
    std::array<char, 2> W_STATUS_TABELAS{}; // status of the last settings-file operation
    std::array<char, 1061> REG_TABELAS{};   // the settings record

    // Runs the action in W_ACAO (compared over all 15 characters), then
    // blanks W_ACAO; an unknown or blank action does nothing.
    void PROC_ECF_01();
    // Moves `code` into W_ACAO, left-justified and blank-filled.
    void set_action(std::string_view code);

    // The "GRAVAR" save: builds the settings record from the configuration
    // controls and replaces the settings file with it, never losing the old
    // file on the way. False when the save failed; the user has then been
    // told so with a stop box and the window must stay open.
    bool save_settings();

    // The form reset after every coupon attempt: coupon fields blanked, the
    // login panel shown, the operator password blanked, focus in the list.
    void LIMPA_TELA();

    // Shows each non-blank result text of the last driver command in a stop
    // box of its own; true when none tells of a failure (a low-paper status
    // alone is only a warning).
    bool show_results();

    // Shows `text` (Windows-1252, cut to 120 characters) through W_MENSAGEM
    // and W_ESTILO_MSG and returns the button pressed.
    int show_message(std::string_view text, int style);

  private:
    void ABRAR();
    void IMPCUP();
    void VERCPF();

    void send_to_driver(std::string_view command);
    // Sends a checked step and runs the result check; `resent`: the step is
    // sent again after a Yes.
    void send_checked(std::string_view command, bool resent);
    void VERIFICA_RETORNO();
    void CANCELA_CUPOM();
    // The coupon's steps, in order. The opening is sent once; false: it
    // failed and the form is reset.
    bool open_coupon();
    void sell_items();
    void sell_item(std::string_view code, std::string_view description, std::string_view tax_code,
                   Decimal amount, std::string_view percent_control);
    // A checked step: `fill` (if any) before every try; a failure answered
    // Yes repeats it, No cancels the coupon and resets the form (false).
    bool run_checked_step(std::string_view command, const std::function<void()>& fill);
    void fill_totalling();
    // Fills the payment and returns the total it was filled with.
    Decimal fill_payment();
    void compose_closing_message(Decimal total);
    void fill_controls_from_record();

    WindowOps& window_;
    char* impfis_; // W-PARAMETROS-IMPFIS
    char* link_;   // L-LINK
};

} // namespace qv
