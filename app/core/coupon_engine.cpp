#include "app/core/coupon_engine.h"

#include "app/core/control_names.h"
#include "app/core/settings_file.h"
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"
#include "shared/field_decimal.h"
#include "shared/impfis_block.h"
#include "shared/link_block.h"
#include "shared/shared_record.h"
#include "torlib/torlib.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

namespace qv {

namespace {

namespace ip = impfis;
namespace lk = link;

// Messages, in Windows-1252.
constexpr std::string_view kMsgOpenError = "Erro na abertura do arquivo Quiterval.TOR !!!";
// The system's own wording, the missing blank and the doubled one included.
constexpr std::string_view kMsgReadError = "Erro na leiturado  arquivo Quiterval.TOR !!!";
constexpr std::string_view kMsgSaveError =
    "Erro na gravação do arquivo Quiterval.TOR !!! As alterações não foram salvas; verifique espaço em disco e permissões."_cp1252;
constexpr std::string_view kMsgCannotOpen = "Cupom fiscal não pode ser aberto !!!"_cp1252;
constexpr std::string_view kMsgRetry = "Impressora não responde! Tenta novamente?"_cp1252;
constexpr std::string_view kMsgBadDocument = "Documento inválido !!!"_cp1252;
static_assert(kMsgSaveError.size() <= 120);

// How the printer refuses a step that the coupon is already past.
constexpr struct {
    std::string_view command;
    int code;
} kAlreadyPast[] = {
    {"INI-FCTO-CPOM", 87},    // "Documento já totalizado"
    {"EFET-FORM-PAGTO", 119}, // "Não em fase de pagamento ou totalização"
    {"TERM-FECTO-CUPOM", 82}, // "CF não aberto"
    {"CANC-CUPOM", 122},      // "Último documento não é cancelável"
};

// The 240-character closing message: the tax line, the operator line, blanks.
constexpr FieldSpec MSG_TRIBUTOS{0, 48, FieldKind::text};
constexpr FieldSpec MSG_OPERADOR{48, 30, FieldKind::text};
constexpr FieldSpec MSG_RESTO{78, 162, FieldKind::reserved};
constexpr std::array kClosingMessage = {MSG_TRIBUTOS, MSG_OPERADOR, MSG_RESTO};
static_assert(tiles_record(kClosingMessage, ip::IMPFIS_MENSAGEM.width));

// The settings file lives in the working directory.
const std::string kSettingsPath{settings::kFileName};

char* bind_link() {
    char* record = bind_shared_record(lk::kName, lk::kSize);
    // Every module declares L-LINK with the same constant size, so a refused
    // binding is a build defect, not a run-time condition.
    if (record == nullptr) std::abort();
    return record;
}

bool digits_only(std::string_view text) {
    return std::all_of(text.begin(), text.end(), is_digit);
}

bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Today's CNPJ: 12 digits or letters, at least one a letter, then 2 check
// digits. A text without letters keeps the older rules of CPF and CNPJ.
bool is_alphanumeric_cnpj(std::string_view text) {
    const std::string_view base = text.substr(0, 12);
    const auto alnum = [](char c) { return is_digit(c) || is_ascii_letter(c); };
    return text.size() >= 14 && std::all_of(base.begin(), base.end(), alnum) &&
           std::any_of(base.begin(), base.end(), is_ascii_letter) &&
           digits_only(text.substr(12, 2));
}

} // namespace

CouponEngine::CouponEngine(WindowOps& window)
    : window_(window), impfis_(driver::parameter_block()), link_(bind_link()) {
    W_ACAO.fill(' ');
    W_MENSAGEM.fill(' ');
    W_STATUS_TABELAS.fill(' '); // the settings file starts closed
    REG_TABELAS.fill(' ');
}

void CouponEngine::set_action(std::string_view code) {
    put_text(W_ACAO, code);
}

void CouponEngine::PROC_ECF_01() {
    if (equals_text(W_ACAO, "ABRAR")) {
        ABRAR();
    } else if (equals_text(W_ACAO, "IMPCUP")) {
        IMPCUP();
    } else if (equals_text(W_ACAO, "VERCPF")) {
        VERCPF();
    }
    W_ACAO.fill(' ');
}

int CouponEngine::show_message(std::string_view text, int style) {
    put_text(W_MENSAGEM, text);
    W_ESTILO_MSG = style;
    return window_.message_box(trimmed(W_MENSAGEM), W_ESTILO_MSG);
}

// --- "ABRAR": the settings file into the window ---------------------------

void CouponEngine::ABRAR() {
    bool created = false;
    for (;;) {
        window_.set_position(controls::Frm_SENHAM, 6, 8);
        window_.set_position(controls::Frm_SENHA, 0, 24);
        settings::Record record{};
        W_STATUS_TABELAS = settings::read_record(kSettingsPath, record);
        if (W_STATUS_TABELAS == settings::kStatusNotFound && !created) {
            // First start: create the file with the default record, then load
            // it like any other. A file that cannot be created is reported as
            // an opening failure rather than tried again and again.
            settings::fill_default(REG_TABELAS);
            W_STATUS_TABELAS = settings::write_record(kSettingsPath, REG_TABELAS);
            if (W_STATUS_TABELAS != settings::kStatusOk) break;
            created = true;
            continue;
        }
        if (W_STATUS_TABELAS == settings::kStatusNoRecord) {
            // Not one whole valid record: reported, and the file is left alone.
            show_message(kMsgReadError, kStyleStop);
            window_.close_window();
            return;
        }
        if (W_STATUS_TABELAS != settings::kStatusOk) break;
        REG_TABELAS = record;
        fill_controls_from_record();
        return;
    }
    show_message(kMsgOpenError, kStyleStop);
    window_.close_window();
}

void CouponEngine::fill_controls_from_record() {
    const char* r = REG_TABELAS.data();
    auto number = [r](const FieldSpec& f) { return get_decimal(r, f).value_or(Decimal{}); };
    window_.set_number(controls::Ed_VALOMAX, number(settings::TAB_VALOR_MAXIMO));
    window_.set_number(controls::Ed_PERCREF, number(settings::TAB_PERC_REFEICAO));
    window_.set_number(controls::Ed_PERCBEB, number(settings::TAB_PERC_BEBIDAS));
    window_.set_number(controls::Ed_SENHLIB, number(settings::TAB_SENHA_LIBERACAO));
    window_.list_clear(controls::Cb_Operador);
    for (W_CONTADOR = 1; W_CONTADOR <= settings::kOperators; ++W_CONTADOR) {
        const ConstBytes name = field(r, settings::TAB_NOME_OPERADOR(W_CONTADOR));
        const ConstBytes password = field(r, settings::TAB_SENHA_OPERADOR(W_CONTADOR));
        // The cell shows the name without its fill.
        window_.set_grid_text(controls::Tab_Operadores, W_CONTADOR, 1, trimmed(name));
        window_.set_grid_number(controls::Tab_Operadores, W_CONTADOR, 2,
                                number(settings::TAB_SENHA_OPERADOR(W_CONTADOR)));
        if (!is_blank(name)) {
            // "name - password": the login compares characters 24 to 29, the
            // coupon's operator line takes characters 1 to 20.
            window_.list_add(controls::Cb_Operador, get_text(name) + " - " + get_text(password));
        }
    }
}

// --- the "GRAVAR" save -------------------------------------------------------

bool CouponEngine::save_settings() {
    char* r = REG_TABELAS.data();
    put_text(field(r, settings::TAB_CHAVE), "1");
    put_decimal(r, settings::TAB_VALOR_MAXIMO, window_.get_number(controls::Ed_VALOMAX));
    put_decimal(r, settings::TAB_PERC_REFEICAO, window_.get_number(controls::Ed_PERCREF));
    put_decimal(r, settings::TAB_PERC_BEBIDAS, window_.get_number(controls::Ed_PERCBEB));
    put_decimal(r, settings::TAB_SENHA_LIBERACAO, window_.get_number(controls::Ed_SENHLIB));
    for (W_CONTADOR = 1; W_CONTADOR <= settings::kOperators; ++W_CONTADOR) {
        put_text(field(r, settings::TAB_NOME_OPERADOR(W_CONTADOR)),
                 window_.grid_text(controls::Tab_Operadores, W_CONTADOR, 1));
        put_decimal(r, settings::TAB_SENHA_OPERADOR(W_CONTADOR),
                    window_.grid_number(controls::Tab_Operadores, W_CONTADOR, 2));
    }
    W_STATUS_TABELAS = settings::write_record(kSettingsPath, REG_TABELAS);
    if (W_STATUS_TABELAS == settings::kStatusOk) return true;
    // The old file is still whole and the edits are still on screen.
    show_message(kMsgSaveError, kStyleStop);
    return false;
}

// --- "IMPCUP": one fiscal coupon ---------------------------------------------

void CouponEngine::send_to_driver(std::string_view command) {
    driver::run(impfis_, command, [this](std::string_view form) { window_.open_form(form); });
}

bool CouponEngine::show_results() {
    const driver::Outcome outcome = driver::outcome(impfis_);
    for (const std::string& text : outcome.texts)
        show_message(text, kStyleStop);
    return outcome.succeeded;
}

void CouponEngine::VERIFICA_RETORNO() {
    W_STATUS_ECF = 'S';
    W_ESTILO_MSG = kStyleStop;
    if (!show_results()) W_STATUS_ECF = 'N';
    if (W_STATUS_ECF == 'S') return;
    if (equals_text(field(impfis_, ip::IMPFIS_COMANDO), "ABRE-CUPOM")) {
        show_message(kMsgCannotOpen, kStyleExclamation);
        return;
    }
    W_RESPOSTA = show_message(kMsgRetry, kStyleQuestion);
}

void CouponEngine::send_checked(std::string_view command, bool resent) {
    send_to_driver(command);
    // A printer can carry a step out and still answer it as failed. Sent
    // again, the step is refused because the coupon is already past it: the
    // earlier try did it, and the coupon goes on without another question.
    if (resent) {
        const std::optional<int> code = driver::refusal_code(impfis_);
        for (const auto& step : kAlreadyPast) {
            if (command == step.command && code == step.code) {
                W_STATUS_ECF = 'S';
                return;
            }
        }
    }
    VERIFICA_RETORNO();
}

void CouponEngine::CANCELA_CUPOM() {
    bool resent = false;
    do {
        send_checked("CANC-CUPOM", resent);
        resent = true;
    } while (W_STATUS_ECF == 'N' && W_RESPOSTA == kAnswerYes);
}

void CouponEngine::sell_item(std::string_view code, std::string_view description,
                             std::string_view tax_code, Decimal amount,
                             std::string_view percent_control) {
    put_text(field(impfis_, ip::IMPFIS_COD_ITEM), code);
    put_text(field(impfis_, ip::IMPFIS_DESCRICAO), description);
    // amount x percentage / 100, cut to 4 decimals (the product and the
    // quotient each cut to 4 decimals give the same cut, amounts being >= 0)
    const Decimal percent = window_.get_number(percent_control);
    W_TRIBUTOS += (amount * percent / Decimal::from_int(100)).truncated(4);
    put_text(field(impfis_, ip::IMPFIS_UNIDADE), "UN");
    put_text(field(impfis_, ip::IMPFIS_ALIQUOTA), tax_code);
    put_text(field(impfis_, ip::IMPFIS_RESERVA_1), "F");
    put_text(field(impfis_, ip::IMPFIS_QUANTIDADE), "0001000");
    put_int32le(field(impfis_, ip::IMPFIS_RESERVA_2), 2);
    put_decimal(impfis_, ip::IMPFIS_PRECO_UNIT, amount);
    put_text(field(impfis_, ip::IMPFIS_RESERVA_3), " ");
    put_text(field(impfis_, ip::IMPFIS_RESERVA_4), "00");
    put_text(field(impfis_, ip::IMPFIS_DESC_ITEM), "00");
    send_to_driver("VENDE-ITEM"); // an item's result is not examined
}

void CouponEngine::compose_closing_message(Decimal total) {
    W_PERC_TRIBUTOS = (W_TRIBUTOS / total).truncated(4) * Decimal::from_int(100);
    const std::string percent = edit(W_PERC_TRIBUTOS, "Z9,99");
    std::string tax_line;
    // Compared with all 4 decimals: 999,9950 already takes the long line.
    if (W_TRIBUTOS <= Decimal::from_units(9'999'900)) {
        tax_line =
            "Vlr aprox.tributos R$" + edit(W_TRIBUTOS, "ZZ9,99") + " (" + percent + "%) Fonte=IBPT";
    } else {
        tax_line =
            "Valor aprox. tributos R$" + edit(W_TRIBUTOS, "ZZ.ZZ9,99") + " (" + percent + "%)";
    }
    const std::string operator_name = padded(window_.get_text(controls::Cb_Operador)).substr(0, 20);
    std::array<char, ip::IMPFIS_MENSAGEM.width> message{};
    put_text(field(message.data(), MSG_TRIBUTOS), tax_line);
    put_text(field(message.data(), MSG_OPERADOR), "OPERADOR: " + operator_name);
    blank(field(message.data(), MSG_RESTO));
    put_text(field(impfis_, ip::IMPFIS_MENSAGEM), std::string_view(message.data(), message.size()));
}

bool CouponEngine::open_coupon() {
    put_text(field(impfis_, ip::IMPFIS_DOCUMENTO),
             padded(window_.get_text(controls::Ed_DOCUMEN)).substr(0, 29));
    W_STATUS_ECF = ' ';
    send_to_driver("ABRE-CUPOM");
    VERIFICA_RETORNO();
    if (W_STATUS_ECF != 'N') return true;
    LIMPA_TELA();
    return false;
}

void CouponEngine::sell_items() {
    W_TRIBUTOS = Decimal{};
    const Decimal meal = window_.get_number(controls::Ed_VALOREF);
    if (!meal.is_zero())
        sell_item("0000000000001", "REFEICAO", "18,00", meal, controls::Ed_PERCREF);
    const Decimal drinks = window_.get_number(controls::Ed_VALOBEB);
    if (!drinks.is_zero())
        sell_item("0000000000002", "BEBIDAS", "FF", drinks, controls::Ed_PERCBEB);
}

bool CouponEngine::run_checked_step(std::string_view command, const std::function<void()>& fill) {
    bool resent = false;
    do {
        if (fill) fill();
        send_checked(command, resent);
        if (W_STATUS_ECF == 'N' && W_RESPOSTA != kAnswerYes) {
            CANCELA_CUPOM();
            LIMPA_TELA();
            return false;
        }
        resent = true;
    } while (W_STATUS_ECF == 'N');
    return true;
}

void CouponEngine::fill_totalling() {
    put_text(field(impfis_, ip::IMPFIS_TIPO_DESC), "D");
    put_text(field(impfis_, ip::IMPFIS_MODO_DESC), "$");
    put_digits(field(impfis_, ip::IMPFIS_VALOR_DESC), 0);
}

Decimal CouponEngine::fill_payment() {
    // The last selected option wins; none keeps the field.
    if (window_.option_value(controls::Rbt_Dinheiro) != 0)
        put_text(field(impfis_, ip::IMPFIS_FORMA_PAGTO), "Dinheiro");
    if (window_.option_value(controls::Rbt_Cheque) != 0)
        put_text(field(impfis_, ip::IMPFIS_FORMA_PAGTO), "Cheque");
    if (window_.option_value(controls::Rbt_Cartao) != 0)
        put_text(field(impfis_, ip::IMPFIS_FORMA_PAGTO), "Cartao");
    const Decimal total = window_.get_number(controls::Ed_VALOTOT);
    put_decimal(impfis_, ip::IMPFIS_VALOR_PAGTO, total);
    return total;
}

void CouponEngine::IMPCUP() {
    if (window_.get_number(controls::Ed_VALOTOT).is_zero())
        return; // nothing sent, the form stays as it is

    // Opening: never repeated by itself, never followed by a cancel.
    if (!open_coupon()) return;
    sell_items();

    // Totalling, without discount or surcharge; then the payment.
    if (!run_checked_step("INI-FCTO-CPOM", [this] { fill_totalling(); })) return;
    Decimal total;
    if (!run_checked_step("EFET-FORM-PAGTO", [this, &total] { total = fill_payment(); })) return;

    // The total read for the payment is the divisor; it was not zero at the
    // start, and a field cleared since then leaves the percentage at zero.
    compose_closing_message(total);
    // Closing, with the same message on every try.
    if (!run_checked_step("TERM-FECTO-CUPOM", {})) return;

    LIMPA_TELA();
}

void CouponEngine::LIMPA_TELA() {
    for (std::string_view control :
         {controls::Ed_DOCUMEN, controls::Ed_VALOREF, controls::Ed_VALOBEB, controls::Ed_VALOTOT,
          controls::Ed_LIBERAC})
        window_.set_text(control, "");
    window_.set_visible(controls::Frm_SENHA, true);
    window_.set_text(controls::Ed_SENHA, "");
    window_.set_focus(controls::Cb_Operador);
}

// --- "VERCPF": the customer's CPF or CNPJ --------------------------------------

void CouponEngine::VERCPF() {
    put_text(field(link_, lk::L_INDICADOR), " ");
    std::string text = padded(window_.get_text(controls::Ed_DOCUMEN));
    if (is_blank(ConstBytes(text.data(), text.size()))) return;

    // A CNPJ with letters counts typed in lower case as upper case, and the
    // field shows it so: the opening sends what the field shows.
    const bool alphanumeric = is_alphanumeric_cnpj(text);
    if (alphanumeric) {
        const std::string typed = text;
        std::transform(text.begin(), text.end(), text.begin(), [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        if (text != typed)
            window_.set_text(controls::Ed_DOCUMEN, trimmed(ConstBytes(text.data(), text.size())));
    }

    put_text(field(link_, lk::L_TEXTO1), std::string_view(text).substr(0, 105));
    put_digits(field(link_, lk::L_CPF), 0);
    put_digits(field(link_, lk::L_CNPJ), 0);
    const std::string_view typed(text);
    if (alphanumeric) {
        put_text(field(link_, lk::L_INDICADOR), "J");
        put_text(field(link_, lk::L_CNPJ), typed.substr(0, 14));
        put_text(field(link_, lk::L_FUNCAO), "07");
        TORLIB();
    } else if (!digits_only(typed.substr(0, 11))) {
        put_text(field(link_, lk::L_INDICADOR), "N"); // rejected without asking TORLIB
    } else {
        if (digits_only(typed.substr(11, 3))) {
            put_text(field(link_, lk::L_INDICADOR), "J");
            put_text(field(link_, lk::L_CNPJ), typed.substr(0, 14));
        } else {
            put_text(field(link_, lk::L_INDICADOR), "F");
            put_text(field(link_, lk::L_CPF), typed.substr(0, 11));
            window_.set_text(controls::Ed_DOCUMEN,
                             typed.substr(0, 11)); // what follows the CPF goes
        }
        put_text(field(link_, lk::L_FUNCAO), "02");
        // TORLIB keeps no state between calls, so every call already starts
        // from the library's initial state: there is nothing to cancel.
        TORLIB();
    }
    if (equals_text(field(link_, lk::L_INDICADOR), "N")) {
        show_message(kMsgBadDocument, kStyleStop);
        window_.set_focus(controls::Ed_DOCUMEN);
    }
}

} // namespace qv
