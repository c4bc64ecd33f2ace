#include "driver/fiscal_driver.h"

#include "driver/driver_log.h"
#include "driver/error_table.h"
#include "driver/nfce_link.h"
#include "driver/printer_choice.h"
#include "driver/vendor_library.h"
#include "shared/cp1252.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "shared/maker.h"
#include "shared/shared_record.h"
#include "shared/vendor_functions.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace qv::driver {

namespace {

using namespace qv::impfis;
using namespace qv::vendor;

constexpr std::string_view kUnknownPayment = "Forma de Pagamento não cadastrada!!!"_cp1252;
constexpr std::string_view kNotExecuted = "Comando não executado !!!"_cp1252;
constexpr std::string_view kStatusUnreadable = "Não foi possível ler o estado da impressora"_cp1252;

// Return values that carry a message for the user; every other value,
// success included, leaves the message blank.
constexpr struct {
    std::int32_t value;
    std::string_view text;
} kReturnTexts[] = {
    {0, "Erro de comunicação!!!"_cp1252},
    {-2, "Parâmetro inválido passado na função!!!"_cp1252},
    {-3, "Aliquota não programada!!!"_cp1252},
    {-4, "A Chave ou Valor no Registry não foi encontrado!!!"_cp1252},
    {-5, "Erro ao abrir a porta de comunicação!!!"_cp1252},
    {-6, "Impressora Desligada!!!   -6"},
    {-8, "Erro ao criar/gravar arquivo STATUS/RETORNO!!!"},
    {-10, kUnknownPayment},
    {-24, kUnknownPayment},
};

constexpr std::string_view kPaymentMethods[] = {"Dinheiro", "Cheque", "Cartao"};
constexpr std::string_view kFileLocation = "C:\\DARUMA\\";
constexpr std::size_t kMessageLineWidth = 42;

// Application message line 2: the maker's web address between "*** " and
// " ***", centred in 42 characters.
std::string message_line_2() {
    const std::string core = "*** " + std::string(kMakerWebAddress) + " ***";
    if (core.size() >= kMessageLineWidth) return core.substr(0, kMessageLineWidth);
    const std::size_t left = (kMessageLineWidth - core.size()) / 2;
    std::string l(left, ' ');
    l += core;
    l.resize(kMessageLineWidth, ' ');
    return l;
}

std::string text_of(const char* rec, const FieldSpec& f) {
    return get_text(field(rec, f));
}

// One digit field as a vendor argument: its digits as they stand, the last
// one reduced to the digit of its low four bits.
std::string digits_arg(const char* rec, const FieldSpec& f) {
    std::string s = text_of(rec, f);
    if (!s.empty()) s.back() = low4_digit(s.back());
    return s;
}

// One run of the command procedure over the record.
class Command {
  public:
    explicit Command(char* rec) : rec_(rec) {}

    void run() {
        call<regAlterarValor_Daruma>(arg("ECF\\RetornarAvisoErro"), arg("1"));
        for (const FieldSpec& f : kResults)
            blank(field(rec_, f));
        dispatch();
        blank(field(rec_, IMPFIS_MSG_1));
        blank(field(rec_, IMPFIS_MSG_2));
        const std::int32_t ret = get_int32le(field(rec_, IMPFIS_RETORNO));
        for (const auto& r : kReturnTexts) {
            if (r.value == ret) put_text(field(rec_, IMPFIS_MSG_1), r.text);
        }
        // A payment method the printer does not take is not a payment:
        // without this the caller would read success and go on to close.
        if (unknown_payment_ && is_blank(field(rec_, IMPFIS_MSG_1)))
            put_text(field(rec_, IMPFIS_MSG_1), kUnknownPayment);
        if (ret == -12 || ret == -27) decode_status();
        // A library or function that could not be bound fails the command,
        // naming what is missing, whatever the later calls returned.
        if (!failure_.empty()) put_text(field(rec_, IMPFIS_MSG_1), failure_);
    }

  private:
    // A NUL-terminated copy handed to the vendor library.
    static std::string arg(std::string_view text) { return std::string(text); }

    template <typename F, typename... Args> std::int32_t call_unstored(Args... args) {
        const Binding b = vendor_.find(F::kName);
        if (b.function == nullptr) {
            if (failure_.empty()) failure_ = b.failure;
            return 0; // nothing reached the printer
        }
        return vendor::call<F>(b.function, args...);
    }

    // Calls a vendor function with copies of its text arguments and keeps
    // its return value in IMPFIS-RETORNO.
    template <typename F, typename... Texts> void call(Texts... texts) {
        const std::int32_t r = call_unstored<F>(texts.c_str()...);
        put_int32le(field(rec_, IMPFIS_RETORNO), r);
    }

    bool command_is(std::string_view name) const {
        return equals_text(field(rec_, IMPFIS_COMANDO), name);
    }

    void dispatch() {
        if (command_is("ABRE-CUPOM")) {
            call<iCFAbrir_ECF_Daruma>(text_of(rec_, IMPFIS_DOCUMENTO).substr(0, 20), arg(""),
                                      arg(""));
        } else if (command_is("VENDE-ITEM")) {
            sell_item();
        } else if (command_is("INI-FCTO-CPOM")) {
            call<iCFTotalizarCupom_ECF_Daruma>(text_of(rec_, IMPFIS_TIPO_DESC) +
                                                   text_of(rec_, IMPFIS_MODO_DESC),
                                               text_of(rec_, IMPFIS_VALOR_DESC));
        } else if (command_is("EFET-FORM-PAGTO")) {
            unknown_payment_ = true;
            for (std::string_view method : kPaymentMethods) {
                if (equals_text(field(rec_, IMPFIS_FORMA_PAGTO), method)) {
                    call<iCFEfetuarPagamentoFormatado_ECF_Daruma>(
                        arg(method), text_of(rec_, IMPFIS_VALOR_PAGTO));
                    unknown_payment_ = false;
                    break;
                }
            }
        } else if (command_is("TERM-FECTO-CUPOM")) {
            call<iCFEncerrarConfigMsg_ECF_Daruma>(text_of(rec_, IMPFIS_MENSAGEM));
        } else if (command_is("CANC-CUPOM")) {
            call<iCFCancelar_ECF_Daruma>();
        } else if (command_is("REDUCAOZ")) {
            call<iReducaoZ_ECF_Daruma>(arg("000000"), arg("000000"));
        } else if (command_is("LEITURAX")) {
            call<eBuscarPortaVelocidade_ECF_Daruma>();
            call<regAlterarValor_Daruma>(arg("START\\LocalArquivos"), arg(kFileLocation));
            call<regAlterarValor_Daruma>(arg("START\\LocalArquivosRelatorios"), arg(kFileLocation));
            call<regAlterarValor_Daruma>(arg("ECF\\MensagemApl1"),
                                         std::string(kMessageLineWidth, ' '));
            call<regAlterarValor_Daruma>(arg("ECF\\MensagemApl2"), message_line_2());
            call<iLeituraX_ECF_Daruma>();
        }
    }

    void sell_item() {
        call<regAlterarValor_Daruma>(arg("ECF\\ArredondarTruncar"), arg("T"));
        const Bytes tax = field(rec_, IMPFIS_ALIQUOTA);
        std::string tax_arg = get_text(tax);
        for (std::string_view code : {"II", "NN", "FF"}) {
            if (equals_text(tax, code.substr(0, 1)) || equals_text(tax, code)) {
                put_text(tax, code);
                tax_arg = code;
            }
        }
        std::string discount = text_of(rec_, IMPFIS_DESC_ITEM);
        discount.back() = low4_digit(discount.back());
        discount += "00";
        const Bytes unit = field(rec_, IMPFIS_UNIDADE);
        call<iCFVender_ECF_Daruma>(
            tax_arg, digits_arg(rec_, IMPFIS_QUANTIDADE), digits_arg(rec_, IMPFIS_PRECO_UNIT),
            arg("D%"), discount, digits_arg(rec_, IMPFIS_COD_ITEM),
            is_blank(unit) ? arg("UN") : get_text(unit), text_of(rec_, IMPFIS_DESCRICAO));
    }

    // After -12 or -27: asks the printer why, shows the error table's text
    // and logs the entry.
    void decode_status() {
        std::int32_t error = 0;
        std::int32_t warning = 0;
        const std::int32_t query = call_unstored<rStatusUltimoCmdInt_ECF_Daruma>(&error, &warning);
        blank(field(rec_, IMPFIS_STATUS_1));
        blank(field(rec_, IMPFIS_STATUS_2));
        // A query that is not in the library at all is named as missing
        // below, which already fails the command.
        const bool unreadable = query != 1 && failure_.empty();
        if (unreadable && (error == 0 || !error_text(error))) {
            // The printer answered the command as failed and then could not
            // say why: whatever the query left behind is no reason to read
            // the command as done.
            put_text(field(rec_, IMPFIS_STATUS_1), kNotExecuted);
            put_text(field(rec_, IMPFIS_MSG_1), kStatusUnreadable);
        } else if (error != 0) {
            put_text(field(rec_, IMPFIS_STATUS_1), kNotExecuted);
            if (auto text = error_text(error)) {
                put_text(field(rec_, IMPFIS_MSG_1), *text);
            } else {
                // The printer refused the command with a code the table does
                // not know: still a refusal, never a success.
                put_text(field(rec_, IMPFIS_MSG_1),
                         "Erro " + std::to_string(error) +
                             " da impressora, sem texto na tabela de erros");
            }
        }
        if (is_blank(field(rec_, IMPFIS_STATUS_1)) && is_blank(field(rec_, IMPFIS_STATUS_2)))
            return;
        write_log_entry(get_text(field(rec_, IMPFIS_COMANDO)),
                        get_text(field(rec_, IMPFIS_STATUS_1)),
                        get_text(field(rec_, IMPFIS_MSG_1)));
    }

    char* rec_;
    VendorLibrary vendor_;
    std::string failure_;
    bool unknown_payment_ = false;
};

} // namespace

char* parameter_block() {
    static char* const rec = [] {
        char* bound = bind_shared_record(impfis::kName, impfis::kSize);
        if (bound == nullptr) std::abort();
        return bound;
    }();
    return rec;
}

void PROC_DARUMA_99() {
    char* rec = parameter_block();
    if (const LibraryChoice choice = choose_library(); choice.nfce) {
        run_nfce(rec, nfce_config_file(choice));
        // The technician finds the NFC-e's refusals in the driver's log too.
        if (!is_blank(field(rec, IMPFIS_STATUS_1)) || !is_blank(field(rec, IMPFIS_MSG_1)))
            write_log_entry(get_text(field(rec, IMPFIS_COMANDO)),
                            get_text(field(rec, IMPFIS_STATUS_1)),
                            get_text(field(rec, IMPFIS_MSG_1)));
        return;
    }
    Command(rec).run();
}

void run(char* rec, std::string_view command, const Opener& open) {
    put_text(field(rec, IMPFIS_COMANDO), command);
    open(kFormName);
}

Outcome outcome(const char* rec) {
    Outcome out;
    for (const FieldSpec& f : kResults) {
        const ConstBytes result = field(rec, f);
        if (is_blank_result(result)) continue;
        out.texts.push_back(trimmed(result));
        const bool low_paper = f.offset == IMPFIS_STATUS_1.offset && equals_text(result, kLowPaper);
        if (!low_paper) out.succeeded = false;
    }
    return out;
}

std::optional<int> refusal_code(const char* rec) {
    if (!equals_text(field(rec, IMPFIS_STATUS_1), kNotExecuted)) return std::nullopt;
    // Every text of the table is its code's alone.
    for (const ErrorRow& row : error_table())
        if (equals_text(field(rec, IMPFIS_MSG_1), row.text)) return row.code;
    return std::nullopt;
}

bool invoke_form(std::string_view name) {
    if (name != kFormName) return false;
    PROC_DARUMA_99();
    return true;
}

} // namespace qv::driver
