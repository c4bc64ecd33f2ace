#include "nfce/config.h"

#include "nfce/documents.h"
#include "nfce/states.h"
#include "shared/platform/platform.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <set>

namespace qv::nfce {

namespace {

// A configuration file holds a few dozen lines; anything larger is no such file.
constexpr std::size_t kMaxFileSize = 64 * 1024;

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number of characters of valid UTF-8 text; nullopt when it is not
// UTF-8 or holds a control character (the note's XML could not carry it).
std::optional<std::size_t> utf8_length(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80             ? 0
                                  : (c & 0xE0) == 0xC0 ? 1
                                  : (c & 0xF0) == 0xE0 ? 2
                                  : (c & 0xF8) == 0xF0 ? 3
                                                       : 4;
        if (extra == 4 || c < 0x20 || c == 0x7F || (extra == 1 && c < 0xC2) ||
            i + extra >= s.size() + (extra == 0 ? 1 : 0))
            return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return std::nullopt;
        i += extra + 1;
    }
    return count;
}

std::optional<int> to_int(std::string_view s) {
    int v = 0;
    if (!all_digits(s) || s.size() > 9) return std::nullopt;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

std::string without_leading_zeros(std::string_view digits) {
    const auto first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(digits.substr(first));
}

// What is wrong with a value; empty when it is fine.
using Check = std::string (*)(std::string_view);

std::string text_check(std::string_view v, std::size_t min, std::size_t max) {
    const auto n = utf8_length(v);
    if (!n) return "texto com caractere inválido (o arquivo deve estar em UTF-8)";
    if (*n < min || *n > max)
        return "deve ter de " + std::to_string(min) + " a " + std::to_string(max) + " caracteres";
    return {};
}

template <std::size_t Min, std::size_t Max> std::string text_of(std::string_view v) {
    return text_check(v, Min, Max);
}

template <std::size_t Min, std::size_t Max> std::string digits_of(std::string_view v) {
    if (!all_digits(v) || v.size() < Min || v.size() > Max)
        return Min == Max ? "deve ter " + std::to_string(Min) + " dígitos"
                          : "deve ter de " + std::to_string(Min) + " a " + std::to_string(Max) +
                                " dígitos";
    return {};
}

std::string cnpj_check(std::string_view v) {
    return cnpj_valid(v) ? std::string() : "CNPJ inválido (14 caracteres, dígitos verificadores)";
}

std::string uf_check(std::string_view v) {
    return find_state(v) ? std::string() : "UF desconhecida";
}

std::string crt_check(std::string_view v) {
    if (v == "1" || v == "4") return {};
    if (v == "2" || v == "3")
        return "só o Simples Nacional é atendido (CRT 1, ou 4 para o MEI); o regime " +
               std::string(v) + " não";
    return "deve ser 1 (Simples Nacional) ou 4 (MEI)";
}

std::string series_check(std::string_view v) {
    const auto n = to_int(v);
    return n && *n <= 889 && v.size() <= 3 ? std::string() : "série de 0 a 889";
}

std::string environment_check(std::string_view v) {
    return v == "homologacao" || v == "producao" ? std::string()
                                                 : "deve ser homologacao ou producao";
}

std::string csc_check(std::string_view v) {
    const bool ok =
        v.size() >= 16 && v.size() <= 36 && std::all_of(v.begin(), v.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        });
    return ok ? std::string() : "CSC de 16 a 36 letras ou dígitos";
}

std::string qr_version_check(std::string_view v) {
    return v == "2" || v == "3" ? std::string() : "versão do QR Code 2 ou 3";
}

std::string path_check(std::string_view v) {
    std::string why = text_check(v, 1, 4096);
    if (!why.empty()) return why;
    return platform::is_absolute_path(v) ? std::string() : "caminho completo do arquivo";
}

std::string seconds_check(std::string_view v) {
    const auto n = to_int(v);
    return n && *n >= 1 && *n <= 120 ? std::string() : "de 1 a 120 segundos";
}

std::string width_check(std::string_view v) {
    return v == "80" || v == "58" ? std::string() : "largura do papel 80 ou 58 (mm)";
}

// A device (/dev/usb/lp0, COM3), a network printer host:port, or the
// simulated printer.
std::string printer_check(std::string_view v) {
    if (v == "simulada" || platform::is_absolute_path(v)) return {};
    if (v.size() == 4 && v.starts_with("COM") && v[3] >= '1' && v[3] <= '9') return {};
    const auto colon = v.rfind(':');
    if (colon != std::string_view::npos && colon > 0) {
        const std::string_view host = v.substr(0, colon);
        const auto port = to_int(v.substr(colon + 1));
        const bool host_ok = std::all_of(host.begin(), host.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                   c == '.' || c == '-';
        });
        if (host_ok && port && *port >= 1 && *port <= 65535) return {};
    }
    return "impressora: caminho do dispositivo, endereço:porta ou simulada";
}

std::string email_check(std::string_view v) {
    std::string why = text_check(v, 6, 60);
    if (!why.empty()) return why;
    const auto at = v.find('@');
    return at != std::string_view::npos && at > 0 && v.find('.', at) != std::string_view::npos &&
                   v.find(' ') == std::string_view::npos
               ? std::string()
               : "endereço de e-mail inválido";
}

std::string cfop_check(std::string_view v) {
    if (!digits_of<4, 4>(v).empty() || v[0] != '5')
        return "CFOP de 4 dígitos de venda dentro do estado (5xxx)";
    return {};
}

// The CSOSN whose groups the note builds: 102/103/300/400 (no ICMS credit)
// and 500 (ICMS charged before, by substitution).
std::string csosn_check(std::string_view v) {
    static constexpr std::string_view kKnown[] = {"102", "103", "300", "400", "500"};
    if (std::find(std::begin(kKnown), std::end(kKnown), v) != std::end(kKnown)) return {};
    return "CSOSN atendido: 102, 103, 300, 400 ou 500";
}

// PIS and COFINS: the CSTs without tax (04 to 09) and the other operations
// (49 to 99) with a zero base, as a Simples Nacional shop declares them.
std::string pis_cofins_check(std::string_view v) {
    const auto n = v.size() == 2 ? to_int(v) : std::nullopt;
    if (n && ((*n >= 4 && *n <= 9) || *n == 49 || (*n >= 50 && *n <= 56) ||
              (*n >= 60 && *n <= 67) || (*n >= 70 && *n <= 75) || *n == 98 || *n == 99))
        return {};
    return "CST atendido: 04 a 09 (sem tributação) ou 49 a 99 (outras operações)";
}

// tPag codes: cash 01, cheque 02, credit card 03, debit card 04, and the
// others the layout knows.
std::string payment_check(std::string_view v) {
    static constexpr std::string_view kKnown[] = {"01", "02", "03", "04", "05", "10", "11",
                                                  "12", "13", "15", "16", "17", "18", "19",
                                                  "20", "21", "22", "90", "99"};
    if (std::find(std::begin(kKnown), std::end(kKnown), v) != std::end(kKnown)) return {};
    return "código de pagamento (tPag) desconhecido";
}

std::string url_check(std::string_view v) {
    std::string why = text_check(v, 12, 1000);
    if (!why.empty()) return why;
    return v.starts_with("https://") || v.starts_with("http://") ? std::string()
                                                                 : "endereço http:// ou https://";
}

struct Reader {
    std::string file;
    Config config;
    std::vector<std::string> errors;
    std::set<std::string> seen;
    std::size_t city_line = 0; // where cMun was given, for the check against UF

    void fault(std::size_t line, std::string_view key, const std::string& why) {
        errors.push_back(file + ":" + std::to_string(line) + ": " + std::string(key) + ": " + why);
    }

    // Stores `value` into `target` when `check` finds nothing wrong.
    void take(std::size_t line, std::string_view key, std::string_view value, Check check,
              std::string& target) {
        if (const std::string why = check(value); !why.empty())
            fault(line, key, why + " (valor \"" + std::string(value) + "\")");
        else
            target = std::string(value);
    }

    void item(std::size_t line, std::string_view key, std::string_view value) {
        // item.<code>.<field>
        const std::string_view rest = key.substr(5);
        const auto dot = rest.find('.');
        const std::string_view code = rest.substr(0, std::min(dot, rest.size()));
        if (dot == std::string_view::npos || !all_digits(code) || code.size() > 13) {
            fault(line, key, "chave de item deve ser item.<código>.<campo>");
            return;
        }
        const std::string_view field = rest.substr(dot + 1);
        ItemTax& tax = config.items[without_leading_zeros(code)];
        if (field == "NCM")
            take(line, key, value, digits_of<8, 8>, tax.ncm);
        else if (field == "CFOP")
            take(line, key, value, cfop_check, tax.cfop);
        else if (field == "CSOSN")
            take(line, key, value, csosn_check, tax.csosn);
        else if (field == "CST_PIS")
            take(line, key, value, pis_cofins_check, tax.pis_cst);
        else if (field == "CST_COFINS")
            take(line, key, value, pis_cofins_check, tax.cofins_cst);
        else if (field == "uCom")
            take(line, key, value, text_of<1, 6>, tax.unit);
        else
            fault(line, key,
                  "campo de item desconhecido (NCM, CFOP, CSOSN, CST_PIS, CST_COFINS, "
                  "uCom)");
    }

    void line(std::size_t number, std::string_view key, std::string_view value) {
        if (!seen.insert(std::string(key)).second) {
            fault(number, key, "chave repetida");
            return;
        }
        Issuer& i = config.issuer;
        if (key.starts_with("item.")) return item(number, key, value);
        if (key.starts_with("pagamento.")) {
            const std::string_view name = key.substr(10);
            if (std::find(std::begin(kPaymentNames), std::end(kPaymentNames), name) ==
                std::end(kPaymentNames))
                return fault(number, key,
                             "forma de pagamento desconhecida (Dinheiro, Cheque, "
                             "Cartao)");
            return take(number, key, value, payment_check, config.payment_codes[std::string(name)]);
        }
        if (key.starts_with("url.")) {
            const std::string_view name = key.substr(4);
            if (std::find(kServiceNames.begin(), kServiceNames.end(), name) == kServiceNames.end())
                return fault(number, key, "serviço desconhecido");
            // Only a good address replaces the table's.
            std::string url;
            take(number, key, value, url_check, url);
            if (!url.empty()) config.addresses[std::string(name)] = url;
            return;
        }
        struct Field {
            std::string_view key;
            Check check;
            std::string* target;
        };
        TechnicalContact& t = config.technical;
        const Field fields[] = {
            {"CNPJ", cnpj_check, &i.cnpj},
            {"IE", digits_of<2, 14>, &i.ie},
            {"xNome", text_of<2, 60>, &i.name},
            {"xFant", text_of<1, 60>, &i.trade_name},
            {"xLgr", text_of<2, 60>, &i.street},
            {"nro", text_of<1, 60>, &i.number},
            {"xCpl", text_of<1, 60>, &i.complement},
            {"xBairro", text_of<2, 60>, &i.district},
            {"cMun", digits_of<7, 7>, &i.city_code},
            {"xMun", text_of<2, 60>, &i.city},
            {"UF", uf_check, &i.uf},
            {"CEP", digits_of<8, 8>, &i.cep},
            {"fone", digits_of<6, 14>, &i.phone},
            {"natOp", text_of<1, 60>, &config.operation},
            {"CSC", csc_check, &config.csc},
            {"certificado", path_check, &config.certificate_file},
            {"senha_certificado", path_check, &config.password_file},
            {"impressora", printer_check, &config.printer},
            {"autoridades", path_check, &config.extra_ca_file},
            {"respTec.CNPJ", cnpj_check, &t.cnpj},
            {"respTec.xContato", text_of<2, 60>, &t.contact},
            {"respTec.email", email_check, &t.email},
            {"respTec.fone", digits_of<6, 14>, &t.phone},
        };
        for (const Field& f : fields)
            if (f.key == key) {
                take(number, key, value, f.check, *f.target);
                if (key == "cMun") city_line = number;
                return;
            }
        // The keys whose values are numbers or choices.
        struct Choice {
            std::string_view key;
            Check check;
            std::function<void()> store;
        };
        const Choice choices[] = {
            {"CRT", crt_check, [&] { i.crt = value[0] - '0'; }},
            {"serie", series_check, [&] { config.series = *to_int(value); }},
            {"ambiente", environment_check,
             [&] {
                 config.environment =
                     value == "producao" ? Environment::production : Environment::homologation;
             }},
            {"idCSC", digits_of<1, 6>, [&] { config.csc_id = without_leading_zeros(value); }},
            {"versao_qrcode", qr_version_check, [&] { config.qr_version = value[0] - '0'; }},
            {"contingencia_segundos", seconds_check,
             [&] { config.contingency_seconds = *to_int(value); }},
            {"danfe_largura", width_check, [&] { config.danfe_width = *to_int(value); }},
        };
        for (const Choice& c : choices)
            if (c.key == key) {
                if (const std::string why = c.check(value); !why.empty())
                    fault(number, key, why + " (valor \"" + std::string(value) + "\")");
                else
                    c.store();
                return;
            }
        fault(number, key, "chave desconhecida");
    }

    void missing(std::string_view key) {
        errors.push_back(file + ": falta a chave " + std::string(key));
    }

    // What must be present, and what the values say about one another.
    void finish() {
        static constexpr std::string_view kRequired[] = {"CNPJ",
                                                         "IE",
                                                         "xNome",
                                                         "xLgr",
                                                         "nro",
                                                         "xBairro",
                                                         "cMun",
                                                         "xMun",
                                                         "UF",
                                                         "CEP",
                                                         "CRT",
                                                         "CSC",
                                                         "idCSC",
                                                         "certificado",
                                                         "senha_certificado",
                                                         "respTec.CNPJ",
                                                         "respTec.xContato",
                                                         "respTec.email",
                                                         "respTec.fone"};
        for (const std::string_view key : kRequired)
            if (!seen.contains(std::string(key))) missing(key);
        for (const char* code : {kMealItem, kDrinksItem}) {
            const std::string prefix = std::string("item.") + code + ".";
            const ItemTax& tax = config.items[code];
            for (const auto& [field, value] :
                 {std::pair<const char*, const std::string*>{"NCM", &tax.ncm},
                  {"CFOP", &tax.cfop},
                  {"CSOSN", &tax.csosn},
                  {"CST_PIS", &tax.pis_cst},
                  {"CST_COFINS", &tax.cofins_cst}})
                if (value->empty() && !seen_item_field(code, field)) missing(prefix + field);
        }
        for (auto& [code, tax] : config.items)
            if (tax.unit.empty()) tax.unit = "UN";
        for (const std::string_view name : kPaymentNames)
            if (!seen.contains("pagamento." + std::string(name)))
                missing("pagamento." + std::string(name));
        const State* state = find_state(config.issuer.uf);
        if (state != nullptr && city_line != 0 && config.issuer.city_code.size() == 7 &&
            std::stoi(config.issuer.city_code.substr(0, 2)) != state->code)
            fault(city_line, "cMun",
                  "o código do município deve começar pelo código da UF " + std::string(state->uf) +
                      " (" + std::to_string(state->code) + ")");
        if (state != nullptr)
            for (std::size_t s = 0; s < kServiceCount; ++s)
                if (address(config, static_cast<Service>(s)).empty())
                    errors.push_back(
                        file + ": a UF " + std::string(state->uf) +
                        " não tem endereço conhecido de " + std::string(kServiceNames[s]) +
                        (config.environment == Environment::production ? " em produção"
                                                                       : " em homologação") +
                        ": informe url." + std::string(kServiceNames[s]));
    }

    // A field given with a bad value has been reported already.
    bool seen_item_field(std::string_view code, std::string_view field) const {
        return std::any_of(seen.begin(), seen.end(), [&](const std::string& key) {
            if (!key.starts_with("item.") || !key.ends_with("." + std::string(field))) return false;
            const std::string_view c =
                std::string_view(key).substr(5, key.size() - 6 - field.size());
            return all_digits(c) && without_leading_zeros(c) == code;
        });
    }
};

} // namespace

ConfigResult parse_config(std::string_view text, const std::string& file) {
    Reader r;
    r.file = file;
    r.config.file = file;
    // Windows' Notepad may begin a file it saves in UTF-8 with a byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::size_t line_number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || trim(line.substr(0, equals)).empty()) {
            r.errors.push_back(file + ":" + std::to_string(line_number) +
                               ": linha sem chave=valor");
            continue;
        }
        r.line(line_number, trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
    }
    r.finish();
    ConfigResult result;
    result.errors = std::move(r.errors);
    if (result.errors.empty()) result.config = std::move(r.config);
    return result;
}

ConfigResult read_config(const std::string& path) {
    ConfigResult bad;
    platform::File in = platform::File::open(path, platform::Access::read);
    std::string text(kMaxFileSize + 1, '\0');
    const std::optional<std::size_t> got =
        in.is_open() && in.is_regular() ? platform::read_full(in, text) : std::nullopt;
    if (!got || *got > kMaxFileSize) {
        bad.errors.push_back(path + ": arquivo de configuração da NFC-e ilegível");
        return bad;
    }
    text.resize(*got);
    ConfigResult result = parse_config(text, path);
    if (!result.config) return result;
    // The certificate's password must stay the owner's secret.
    const std::string& secret = result.config->password_file;
    platform::File password = platform::File::open(secret, platform::Access::read);
    if (!password.is_open() || !password.is_regular())
        result.errors.push_back(path + ": senha_certificado: arquivo ilegível: " + secret);
    else if (password.others_may_access())
        result.errors.push_back(path + ": senha_certificado: o arquivo " + secret +
                                " deve ser acessível só pelo dono (chmod 600)");
    if (!result.errors.empty()) result.config.reset();
    return result;
}

} // namespace qv::nfce
