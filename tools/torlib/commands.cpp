// The subcommands that take natural input: each fills the link block as a
// program would, calls TORLIB and shows what TORLIB answered, in UTF-8.
#include "tools/torlib/commands.h"

#include "shared/cp1252.h"
#include "shared/decimal.h"
#include "shared/link_block.h"
#include "torlib/torlib.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace qv::torlib_tool {
namespace {

namespace L = qv::link;

void print(std::string_view text) {
    (void)std::fwrite(text.data(), 1, text.size(), stdout);
    (void)std::fputc('\n', stdout);
}

bool print_help(Args args, std::string_view help) {
    if (!wants_help(args)) return false;
    (void)std::fwrite(help.data(), 1, help.size(), stdout);
    return true;
}

// The link block with the function code set; the other fields keep what
// they hold (spaces, in a fresh process).
char* link_for(std::string_view code) {
    char* link = bind_shared_record(L::kName, L::kSize);
    if (link != nullptr) put_text(field(link, L::L_FUNCAO), code);
    return link;
}

std::string field_utf8(const char* link, const FieldSpec& f) {
    return cp1252_to_utf8(trimmed(field(link, f)));
}

int answer_status(const char* link) {
    return field(link, L::L_INDICADOR)[0] == 'S' ? 0 : 1;
}

// --- documento -------------------------------------------------------------

constexpr std::string_view kDocumentoHelp =
    "Uso: torlib documento CPF|CNPJ\n"
    "\n"
    "Confere os dígitos verificadores de um CPF (11 dígitos) ou de um CNPJ\n"
    "(14 caracteres: 12 dígitos ou letras, e 2 dígitos verificadores).\n"
    "Pontos, traços, barras e espaços são ignorados; letras minúsculas\n"
    "contam como maiúsculas:\n"
    "  torlib documento 123.456.789-09\n"
    "  torlib documento 11.222.333/0001-81\n"
    "  torlib documento 12.ABC.345/01DE-35\n"
    "Saída: 0 válido, 1 inválido, 2 entrada inutilizável.\n";

// --- extenso / numero -------------------------------------------------------

constexpr std::string_view kExtensoHelp =
    "Uso: torlib extenso VALOR\n"
    "\n"
    "Escreve um valor em reais por extenso, como num cheque. O valor vai de\n"
    "0,00 a 999.999.999,99, com vírgula antes dos centavos e, se quiser,\n"
    "pontos entre os milhares:\n"
    "  torlib extenso 1.234,56\n"
    "  Um Mil e Duzentos e Trinta e Quatro Reais, Cinquenta e Seis Centavos.\n"
    "Saída: 0, ou 2 para um valor inutilizável.\n";

constexpr std::string_view kNumeroHelp =
    "Uso: torlib numero VALOR\n"
    "\n"
    "Escreve a parte inteira de um número por extenso, sem moeda. Abaixo de 1\n"
    "escreve os centavos, como \"torlib extenso\". De 0 a 999.999.999,99:\n"
    "  torlib numero 1234\n"
    "  Um Mil e Duzentos e Trinta e Quatro\n"
    "Saída: 0, ou 2 para um valor inutilizável.\n";

// The amount in cents, from "1.234,56", "1234,5" or "1234"; an error text
// when the value cannot go into the eleven digits of the amount field.
std::optional<std::uint64_t> parse_amount(std::string_view text, std::string& error) {
    const auto comma = text.find(',');
    const std::string_view whole = text.substr(0, comma);
    if (comma != std::string_view::npos && text.size() - comma - 1 > 2) {
        error = "no máximo dois dígitos de centavos";
        return std::nullopt;
    }
    // Points only between thousands, so that "1234.56" is not taken for
    // 123.456 by mistake.
    const auto start = whole.find_first_not_of(" +");
    const std::string_view digits_only =
        start == std::string_view::npos ? std::string_view{} : whole.substr(start);
    if (const auto point = digits_only.find('.'); point != std::string_view::npos) {
        bool grouped = point >= 1 && point <= 3;
        for (std::size_t at = point; grouped && at != std::string_view::npos;) {
            const auto next = digits_only.find('.', at + 1);
            const std::size_t len =
                (next == std::string_view::npos ? digits_only.size() : next) - at - 1;
            grouped = len == 3;
            at = next;
        }
        if (!grouped) {
            error = "use pontos só entre os milhares e vírgula antes dos centavos (1.234,56)";
            return std::nullopt;
        }
    }
    const std::optional<Decimal> value = Decimal::parse(text);
    if (!value) {
        error = "valor inválido (exemplo: 1.234,56)";
        return std::nullopt;
    }
    if (value->is_negative()) {
        error = "o valor não pode ser negativo";
        return std::nullopt;
    }
    const std::uint64_t cents = static_cast<std::uint64_t>(value->units()) / 100;
    if (cents > 99'999'999'999ULL) {
        error = "o valor passa de 999.999.999,99";
        return std::nullopt;
    }
    return cents;
}

int in_words(std::string_view command, std::string_view code, std::string_view help, Args args) {
    if (print_help(args, help)) return 0;
    if (args.size() != 1) return usage_error(command, "informe um valor (veja --help)");
    std::string error;
    const auto cents = parse_amount(args[0], error);
    if (!cents) return usage_error(command, error);

    char* link = link_for(code);
    if (link == nullptr) return usage_error(command, "o bloco L-LINK não pôde ser ligado");
    put_digits(field(link, L::L_VALOR), *cents);
    TORLIB();
    // The words without the leading blank and the asterisk fill.
    std::string text = trimmed(field(static_cast<const char*>(link), L::L_TEXTO));
    text.erase(text.find_last_not_of("* ") + 1);
    text.erase(0, text.find_first_not_of(' '));
    print(cp1252_to_utf8(text));
    return 0;
}

// --- maiusculas ----------------------------------------------------------------

constexpr std::string_view kMaiusculasHelp =
    "Uso: torlib maiusculas TEXTO...\n"
    "\n"
    "Passa o texto para maiúsculas sem acentos (até 210 caracteres; várias\n"
    "palavras são unidas por um espaço):\n"
    "  torlib maiusculas \"São Paulo\"\n"
    "  SAO PAULO\n"
    "Saída: 0, ou 2 para um texto inutilizável.\n";

// --- calendario ----------------------------------------------------------------

constexpr std::string_view kCalendarioHelp =
    "Uso: torlib calendario DATA [+DIAS | DATA2]\n"
    "\n"
    "Datas em DD/MM/AAAA (ou DDMMAAAA), de 01/01/1601 a 31/12/9999.\n"
    "  torlib calendario 06/12/2026              dia da semana, mês, data por extenso\n"
    "  torlib calendario 06/12/2026 +30          a data 30 dias depois\n"
    "  torlib calendario 01/03/2024 01/03/2025   os dias de uma data à outra\n"
    "Mostra o indicador (S ou N) e o que a rotina escreveu. De uma data à outra,\n"
    "a contagem guarda os seis últimos dígitos; datas fora de ordem dão N e\n"
    "dias 999999.\n"
    "Saída: 0 indicador S, 1 indicador N (data inválida, fora de ordem ou\n"
    "resultado depois de 31/12/9999), 2 entrada inutilizável.\n";

struct DateDigits {
    unsigned day, month, year;
};

// "6/12/2026", "06/12/2026" or "06122026". Only the shape is checked here;
// whether the date is real is TORLIB's answer.
std::optional<DateDigits> parse_date(std::string_view text) {
    const auto number = [](std::string_view s, std::size_t min,
                           std::size_t max) -> std::optional<unsigned> {
        if (s.size() < min || s.size() > max || !std::all_of(s.begin(), s.end(), is_digit))
            return std::nullopt;
        unsigned v = 0;
        for (char c : s)
            v = v * 10 + static_cast<unsigned>(c - '0');
        return v;
    };
    if (text.find('/') == std::string_view::npos) {
        if (text.size() != 8 || !number(text, 8, 8)) return std::nullopt;
        return DateDigits{*number(text.substr(0, 2), 2, 2), *number(text.substr(2, 2), 2, 2),
                          *number(text.substr(4), 4, 4)};
    }
    const auto first = text.find('/');
    const auto second = text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto d = number(text.substr(0, first), 1, 2);
    const auto m = number(text.substr(first + 1, second - first - 1), 1, 2);
    const auto y = number(text.substr(second + 1), 4, 4);
    if (!d || !m || !y) return std::nullopt;
    return DateDigits{*d, *m, *y};
}

void put_date(char* link, const FieldSpec& day, const FieldSpec& month, const FieldSpec& year,
              const DateDigits& date) {
    put_digits(field(link, day), date.day);
    put_digits(field(link, month), date.month);
    put_digits(field(link, year), date.year);
}

std::string date_text(const char* link, const FieldSpec& day, const FieldSpec& month,
                      const FieldSpec& year) {
    return get_text(field(link, day)) + "/" + get_text(field(link, month)) + "/" +
           get_text(field(link, year));
}

// --- existe -------------------------------------------------------------------

constexpr std::string_view kExisteHelp =
    "Uso: torlib existe CAMINHO\n"
    "\n"
    "Diz se o arquivo existe, tentando abri-lo para leitura (nada é lido nem\n"
    "escrito). Um arquivo que existe mas não pode ser aberto conta como\n"
    "existente. Caminho de até 210 caracteres; espaços no fim não contam.\n"
    "Saída: 0 existe, 1 não existe, 2 entrada inutilizável.\n";

// A UTF-8 argument as the block's Windows-1252 text, when it fits `width`.
std::optional<std::string> block_text(std::string_view command, std::string_view utf8,
                                      std::size_t width, int& status) {
    std::optional<std::string> text = utf8_to_cp1252(utf8);
    if (!text) {
        status = usage_error(command, "o texto tem caracteres que não existem em Windows-1252");
        return std::nullopt;
    }
    if (text->size() > width) {
        status = usage_error(command, "o texto passa de " + std::to_string(width) + " caracteres");
        return std::nullopt;
    }
    return text;
}

} // namespace

int usage_error(std::string_view command, std::string_view message) {
    (void)std::fprintf(stderr, "torlib %.*s: %.*s\n", static_cast<int>(command.size()),
                       command.data(), static_cast<int>(message.size()), message.data());
    return 2;
}

bool wants_help(Args args) {
    return std::any_of(args.begin(), args.end(),
                       [](std::string_view a) { return a == "--help" || a == "-h"; });
}

int documento(Args args) {
    if (print_help(args, kDocumentoHelp)) return 0;
    if (args.size() != 1) return usage_error("documento", "informe um CPF ou um CNPJ");
    std::string number;
    bool letters = false;
    for (char c : args[0]) {
        if (c == '.' || c == '-' || c == '/' || c == ' ') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        const bool letter = c >= 'A' && c <= 'Z';
        if (!is_digit(c) && !letter)
            return usage_error("documento", "o documento só pode ter dígitos, letras, pontos, "
                                            "traços e barras");
        letters = letters || letter;
        number += c;
    }
    if (letters && number.size() != 14)
        return usage_error("documento", "um CNPJ com letras tem 14 caracteres, este tem " +
                                            std::to_string(number.size()));
    if (number.size() != 11 && number.size() != 14)
        return usage_error("documento", "um CPF tem 11 dígitos e um CNPJ tem 14, este tem " +
                                            std::to_string(number.size()));
    const bool cpf = number.size() == 11;

    // A CNPJ goes to "07", which knows both forms; a CPF to "02".
    char* link = link_for(cpf ? "02" : "07");
    if (link == nullptr) return usage_error("documento", "o bloco L-LINK não pôde ser ligado");
    field(link, L::L_INDICADOR)[0] = cpf ? 'F' : 'J';
    put_text(field(link, cpf ? L::L_CPF : L::L_CNPJ), number);
    TORLIB();
    const int status = answer_status(link);
    print(std::string(cpf ? "CPF" : "CNPJ") + (status == 0 ? " válido" : " inválido"));
    return status;
}

int extenso(Args args) {
    return in_words("extenso", "03", kExtensoHelp, args);
}
int numero(Args args) {
    return in_words("numero", "04", kNumeroHelp, args);
}

int maiusculas(Args args) {
    if (print_help(args, kMaiusculasHelp)) return 0;
    if (args.empty()) return usage_error("maiusculas", "informe o texto");
    std::string joined;
    for (std::string_view a : args) {
        if (!joined.empty()) joined += ' ';
        joined += a;
    }
    int status = 0;
    const auto text = block_text("maiusculas", joined, L::L_TEXTO.width, status);
    if (!text) return status;

    char* link = link_for("05");
    if (link == nullptr) return usage_error("maiusculas", "o bloco L-LINK não pôde ser ligado");
    put_text(field(link, L::L_TEXTO), *text);
    TORLIB();
    print(field_utf8(link, L::L_TEXTO));
    return 0;
}

int calendario(Args args) {
    if (print_help(args, kCalendarioHelp)) return 0;
    if (args.empty() || args.size() > 2)
        return usage_error("calendario", "informe uma data e, se quiser, +DIAS ou outra data");
    const auto date1 = parse_date(args[0]);
    if (!date1) return usage_error("calendario", "data mal escrita, use DD/MM/AAAA");

    std::optional<DateDigits> date2;
    std::uint64_t days = 0;
    if (args.size() == 2) {
        const std::string_view second = args[1];
        if (second.starts_with('+')) {
            const std::string_view n = second.substr(1);
            if (n.empty() || n.size() > 6 || !std::all_of(n.begin(), n.end(), is_digit))
                return usage_error("calendario", "dias a somar: de +0 a +999999");
            for (char c : n)
                days = days * 10 + static_cast<std::uint64_t>(c - '0');
        } else {
            date2 = parse_date(second);
            if (!date2)
                return usage_error("calendario",
                                   "segunda data mal escrita, use DD/MM/AAAA ou +DIAS");
        }
    }

    char* link = link_for("01");
    if (link == nullptr) return usage_error("calendario", "o bloco L-LINK não pôde ser ligado");
    put_date(link, L::L_DIA1, L::L_MES1, L::L_ANO1, *date1);
    if (date2) {
        put_date(link, L::L_DIA2, L::L_MES2, L::L_ANO2, *date2);
    } else {
        put_digits(field(link, L::L_DATA2), 0);
    }
    put_digits(field(link, L::L_DIAS), days);
    blank(field(link, L::L_DIA_SEMANA)); // tells whether date 1 was described
    TORLIB();

    const char* out = link;
    const int status = answer_status(out);
    print(std::string("indicador: ") + field(out, L::L_INDICADOR)[0]);
    if (!is_digit(field(out, L::L_DIA_SEMANA)[0])) return status;
    print("dia da semana: " + get_text(field(out, L::L_DIA_SEMANA)));
    print("nome curto: " + field_utf8(out, L::L_TEXTO1));
    print("nome longo: " + field_utf8(out, L::L_TEXTO2));
    print("mês: " + field_utf8(out, L::L_NOME_MES));
    print("por extenso: " + field_utf8(out, L::L_DATA_EXTENSO));
    if (date2) {
        const auto n = get_digits(field(out, L::L_DIAS));
        print("dias: " + (n ? std::to_string(*n) : get_text(field(out, L::L_DIAS))));
    } else if (status == 0) {
        print("data final: " + date_text(out, L::L_DIA2, L::L_MES2, L::L_ANO2));
    }
    return status;
}

int existe(Args args) {
    if (print_help(args, kExisteHelp)) return 0;
    if (args.size() != 1) return usage_error("existe", "informe um caminho");
    int status = 0;
    const auto path = block_text("existe", args[0], L::L_TEXTO.width, status);
    if (!path) return status;

    char* link = link_for("06");
    if (link == nullptr) return usage_error("existe", "o bloco L-LINK não pôde ser ligado");
    put_text(field(link, L::L_TEXTO), *path);
    TORLIB();
    status = answer_status(link);
    print(status == 0 ? "existe" : "não existe");
    return status;
}

} // namespace qv::torlib_tool
