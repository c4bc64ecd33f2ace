#include "app/core/form_handlers.h"

#include "app/core/control_names.h"
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "shared/maker.h"
#include "shared/platform/platform.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

constexpr std::string_view kMsgReleasePassword =
    "Informe a senha correta para emitir cupom acima do valor permitido !!!";
constexpr std::string_view kMsgReductionZ =
    "Deseja realmente fazer a REDUÇÃO Z, a impressora não funcionará mais HOJE ?"_cp1252;

// The entry of the operator list: name (1-20), " - " (21-23), password (24-29).
constexpr FieldSpec ENTRY_NOME{0, 20, FieldKind::text};
constexpr FieldSpec ENTRY_SEPARADOR{20, 3, FieldKind::text};
constexpr FieldSpec ENTRY_SENHA{23, 6, FieldKind::digits};
constexpr std::array kLoginEntry = {ENTRY_NOME, ENTRY_SEPARADOR, ENTRY_SENHA};
static_assert(tiles_record(kLoginEntry, 29));

// A password field's text passes when its first six characters are `expected`
// and the rest is blank; characters are compared, not numbers.
bool password_matches(const std::string& typed, ConstBytes expected) {
    const std::string_view t(typed);
    return t.substr(0, 6) == std::string_view(expected.data(), expected.size()) &&
           is_blank(ConstBytes(t.data() + 6, t.size() - 6));
}

// Controls of the coupon page, under the login panel.
constexpr std::array<std::string_view, 16> kCouponPage = {
    controls::Frm_Dados,      controls::Frm_DOCUMENTO1,  controls::Ed_VALOREF,
    controls::Frm_DOCUMENTO2, controls::Ed_VALOBEB,      controls::Frm_DOCUMENTO3,
    controls::Ed_VALOTOT,     controls::Frm_DOCUMENTO13, controls::Rbt_Dinheiro,
    controls::Rbt_Cheque,     controls::Rbt_Cartao,      controls::Frm_DOCUMENTO,
    controls::Ed_DOCUMEN,     controls::Ed_LIBERAC,      controls::Bt_Imprime,
    controls::Bt_LEITX1};
// What stays usable while the master-password panel covers the tab control.
constexpr std::array<std::string_view, 3> kMasterPanel = {
    controls::Frm_SENHAM, controls::Frm_DOCUMENTO8, controls::Ed_SENHAM};

} // namespace

FormHandlers::FormHandlers(WindowOps& window, CouponEngine& engine)
    : window_(window), engine_(engine), impfis_(driver::parameter_block()) {}

void FormHandlers::on_window_open() {
    enter_as_tab_ = 'E';
    engine_.set_action("ABRAR");
    engine_.PROC_ECF_01();
}

int FormHandlers::on_window_key_down(int key_code) {
    return key_code == kKeyEnter && enter_as_tab_ == 'E' ? kKeyTab : key_code;
}

int FormHandlers::on_window_key_down(int key_code, std::string_view focused_control) {
    const int key = on_window_key_down(key_code);
    if (key != kKeyTab) return key;
    if (focused_control == controls::Ed_SENHAM) {
        // The master panel leaves no other control to move to, so the key
        // itself is the leaving of the field. Right: the handler has moved
        // the focus; wrong: the panel stays, and so does the focus.
        master_login();
        return kKeyConsumed;
    }
    if (focused_control == controls::Ed_SENHA) {
        // A successful login has put the focus in the first coupon field
        // already; after a wrong one Tab moves on inside the panel.
        return operator_login() ? kKeyConsumed : key;
    }
    return key;
}

void FormHandlers::total() {
    window_.set_number(controls::Ed_VALOTOT, window_.get_number(controls::Ed_VALOREF) +
                                                 window_.get_number(controls::Ed_VALOBEB));
}

void FormHandlers::on_Ed_VALOREF_lost_focus() {
    total();
}

void FormHandlers::on_Ed_VALOBEB_lost_focus() {
    total();
}

void FormHandlers::on_Ed_DOCUMEN_lost_focus() {
    engine_.set_action("VERCPF");
    engine_.PROC_ECF_01();
}

void FormHandlers::on_Bt_Imprime_click() {
    const Decimal total_value = window_.get_number(controls::Ed_VALOTOT);
    const Decimal maximum = window_.get_number(controls::Ed_VALOMAX);
    if (total_value > maximum &&
        window_.get_number(controls::Ed_LIBERAC) != window_.get_number(controls::Ed_SENHLIB)) {
        engine_.show_message(kMsgReleasePassword, kStyleStop);
        return;
    }
    engine_.set_action("IMPCUP");
    engine_.PROC_ECF_01();
}

void FormHandlers::on_Img_FUNDO_mouse_move() {
    window_.set_pointer("Mao");
}

void FormHandlers::on_Img_FUNDO_click() {
    window_.run_program(web_site_command_line(), 3);
}

void FormHandlers::on_Pst_ORELHAS_click() {
    if (window_.selected_page(controls::Pst_ORELHAS) == 2) {
        window_.set_visible(controls::Frm_SENHA, true);
        window_.set_text(controls::Ed_SENHA, "");
        window_.set_text(controls::Ed_LIBERAC, "");
        window_.set_focus(controls::Cb_Operador);
    }
    if (window_.selected_page(controls::Pst_ORELHAS) == 3) {
        window_.set_visible(controls::Frm_SENHAM, true);
        window_.set_text(controls::Ed_SENHAM, "");
        window_.set_focus(controls::Ed_SENHAM);
    }
}

bool FormHandlers::operator_login() {
    const std::string typed = padded(window_.get_text(controls::Ed_SENHA));
    if (is_blank(ConstBytes(typed.data(), typed.size()))) return false;
    const std::string entry = padded(window_.get_text(controls::Cb_Operador));
    if (!password_matches(typed, field(entry.data(), ENTRY_SENHA))) return false;
    window_.set_visible(controls::Frm_SENHA, false);
    window_.set_focus(controls::Ed_VALOREF);
    return true;
}

bool FormHandlers::master_login() {
    const std::string typed = padded(window_.get_text(controls::Ed_SENHAM));
    if (!password_matches(typed, ConstBytes(kMasterPassword.data(), kMasterPassword.size())))
        return false;
    window_.set_visible(controls::Frm_SENHAM, false);
    window_.set_focus(controls::Ed_VALOMAX);
    return true;
}

void FormHandlers::on_Ed_SENHA_lost_focus() {
    (void)operator_login();
}

void FormHandlers::on_Ed_SENHAM_lost_focus() {
    (void)master_login();
}

void FormHandlers::send_fiscal_day_command(std::string_view command) {
    driver::run(impfis_, command, [this](std::string_view form) { window_.open_form(form); });
    // A refusal shows as the coupon's do, without a retry question: the
    // supervisor decides whether to press the button again.
    (void)engine_.show_results();
}

void FormHandlers::on_Bt_LEITX_click() {
    send_fiscal_day_command("LEITURAX");
}

void FormHandlers::on_Bt_REDZ_click() {
    engine_.W_RESPOSTA = engine_.show_message(kMsgReductionZ, kStyleQuestionNoDefault);
    // Only an explicit Yes closes the fiscal day: No, and a box closed any
    // other way, send nothing.
    if (engine_.W_RESPOSTA != kAnswerYes) return;
    blank(field(impfis_, impfis::IMPFIS_REDUCAO_1));
    blank(field(impfis_, impfis::IMPFIS_REDUCAO_2));
    send_fiscal_day_command("REDUCAOZ");
}

void FormHandlers::on_Bt_LEITX1_click() {
    send_fiscal_day_command("CANC-CUPOM");
    engine_.LIMPA_TELA();
}

void FormHandlers::on_Bt_REDZ1_click() {
    // A failed save has told the user and keeps the window, with the edits.
    if (engine_.save_settings()) window_.close_window();
}

std::string web_site_command_line() {
    return platform::web_browser_command_line(kMakerWebAddress);
}

std::string login_entry_caption(std::string_view entry) {
    std::string name(entry.substr(0, ENTRY_NOME.width));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

bool is_locked(std::string_view control, bool login_panel_shown, bool master_panel_shown) {
    auto in = [control](const auto& list) {
        return std::find(list.begin(), list.end(), control) != list.end();
    };
    if (master_panel_shown && !in(kMasterPanel)) return true;
    return login_panel_shown && in(kCouponPage);
}

} // namespace qv
