#include "nfce/issuer.h"

#include "danfe/danfe.h"
#include "danfe/escpos.h"
#include "nfce/access_key.h"
#include "nfce/qr_code.h"
#include "nfce/signature.h"
#include "nfce/soap.h"
#include "nfce/states.h"
#include "shared/cp1252.h"
#include "shared/platform/platform.h"
#include "thermalsim/thermal.h"

#include <algorithm>
#include <functional>
#include <sstream>

namespace qv::nfce {

using detail::declared;
using detail::number_of_key;
using detail::without_declaration;

namespace {

constexpr std::string_view kNfeNamespace = "http://www.portalfiscal.inf.br/nfe";
constexpr const char* kContingencyReason = "Sem resposta da SEFAZ no tempo limite de envio";
constexpr const char* kCancelReason = "Cancelamento pedido pelo operador do caixa";

// The command name without the spaces that fill its field.
std::string_view trimmed(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string trimmed_utf8(std::string_view cp1252) {
    std::string utf8 = cp1252_to_utf8(cp1252);
    const auto begin = utf8.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    const auto end = utf8.find_last_not_of(' ');
    return utf8.substr(begin, end - begin + 1);
}

// A text for a result field: Windows-1252, cut to the field.
std::string field_text(std::string_view utf8, std::size_t width) {
    std::string bytes = utf8_to_cp1252_lossy(utf8);
    if (bytes.size() > width) bytes.resize(width);
    return bytes;
}

// A failure whose message is Windows-1252 already.
Result failure_text(std::string message) {
    Result r;
    r.retorno = 0;
    r.texts[2] = std::move(message);
    return r;
}

Result failure(std::string_view message_utf8) {
    return failure_text(field_text(message_utf8, kResultWidths[2]));
}

// Where the signature begins: the Signature element, not one of its children.
std::size_t signature_at(std::string_view xml) {
    for (std::size_t at = xml.rfind("<Signature"); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : xml.rfind("<Signature", at - 1)) {
        const char next = at + 10 < xml.size() ? xml[at + 10] : '\0';
        if (next == ' ' || next == '>') return at;
    }
    return std::string_view::npos;
}

// The customer's document as the note carries it: its digits (and the
// letters of an alphanumeric CNPJ), without the mask the cashier typed.
std::string document_of(std::string_view typed) {
    std::string out;
    for (const char c : typed)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
            out += c;
        else if (c >= 'a' && c <= 'z')
            out += static_cast<char>(c - 'a' + 'A');
    return out;
}

// The coupon in progress, one "name=value" a line, UTF-8; amounts in
// ten-thousandths.
std::string coupon_text(const Coupon& c) {
    std::ostringstream out;
    out << "documento=" << c.document << '\n';
    for (const CouponItem& item : c.items)
        out << "item=" << item.amount.units() << ';' << item.code << ';' << item.description
            << '\n';
    out << "desconto=" << c.discount.units() << '\n';
    out << "pagamento=" << c.paid.units() << ';' << c.payment << '\n';
    return out.str();
}

std::optional<std::int64_t> units_of(const std::string& text) {
    try {
        std::size_t used = 0;
        const long long value = std::stoll(text, &used);
        if (used != text.size()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// Calls `take` with the name and value of each "name=value" line of `text`.
void for_each_setting(const std::string& text,
                      const std::function<void(const std::string&, const std::string&)>& take) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) take(line.substr(0, eq), line.substr(eq + 1));
    }
}

// Reads coupon_text back; lines it does not know are passed over.
Coupon coupon_of(const std::string& text) {
    Coupon c;
    for_each_setting(text, [&c](const std::string& name, const std::string& value) {
        const auto semi = value.find(';');
        if (name == "documento") {
            c.document = value;
        } else if (name == "desconto") {
            c.discount = Decimal::from_units(units_of(value).value_or(0));
        } else if (name == "pagamento" && semi != std::string::npos) {
            c.paid = Decimal::from_units(units_of(value.substr(0, semi)).value_or(0));
            c.payment = value.substr(semi + 1);
        } else if (name == "item" && semi != std::string::npos) {
            const auto second = value.find(';', semi + 1);
            if (second == std::string::npos) return;
            c.items.push_back({value.substr(semi + 1, second - semi - 1), value.substr(second + 1),
                               Decimal::from_units(units_of(value.substr(0, semi)).value_or(0)),
                               Decimal()});
        }
    });
    return c;
}

// A coupon whose closing began: the number it was given and the signed
// note kept for it, saved with the coupon before the note leaves and kept
// until its DANFE has printed. A process that stops anywhere in between
// leaves the next one what it needs to finish that note, never to issue
// the sale a second time.
struct Closing {
    std::uint32_t number = 0; // 0: the coupon's closing has not begun
    std::uint32_t code = 0;   // cNF
    std::string note_file;    // the signed note, as kept in the xml tree
};

std::string closing_text(const Coupon& c, const Closing& k) {
    return coupon_text(c) + "tributos=" + c.tax_line + "\noperador=" + c.operator_line +
           "\nnumero=" + std::to_string(k.number) + ';' + std::to_string(k.code) +
           "\nnota=" + k.note_file + '\n';
}

// Reads what closing_text adds: into `c` its message's lines, the rest
// returned (number 0 for a coupon not closing).
Closing closing_of(const std::string& text, Coupon& c) {
    Closing k;
    for_each_setting(text, [&](const std::string& name, const std::string& value) {
        if (name == "tributos") {
            c.tax_line = value;
        } else if (name == "operador") {
            c.operator_line = value;
        } else if (name == "nota") {
            k.note_file = value;
        } else if (name == "numero") {
            const auto semi = value.find(';');
            const auto number = units_of(value.substr(0, semi));
            const auto code =
                semi == std::string::npos ? std::nullopt : units_of(value.substr(semi + 1));
            if (number && code && *number > 0 && *number <= 999999999 && *code >= 0 &&
                *code <= 99999999) {
                k.number = static_cast<std::uint32_t>(*number);
                k.code = static_cast<std::uint32_t>(*code);
            }
        }
    });
    return k;
}

// The closing message's two lines: the tax line in its first 48
// characters and the operator's in the 30 after them.
void read_message(Coupon& c, std::string_view message) {
    c.tax_line = trimmed_utf8(message.substr(0, std::min<std::size_t>(48, message.size())));
    c.operator_line = message.size() > 48 ? trimmed_utf8(message.substr(48, 30)) : std::string();
}

// The tax line's amount shared over the items by their value, the last
// taking what the cut leaves, so the items add up to the line.
void share_tax(Coupon& c) {
    const Decimal tax = detail::tax_of_line(c.tax_line);
    Decimal gross;
    for (const CouponItem& item : c.items)
        gross += item.amount.truncated(2);
    if (tax == Decimal() || gross == Decimal()) return;
    Decimal given;
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        CouponItem& item = c.items[i];
        item.approximate_tax = i + 1 == c.items.size()
                                   ? tax - given
                                   : proportion(tax, item.amount.truncated(2), gross).truncated(2);
        given += item.approximate_tax;
    }
}

// The note with the state's protocol: nfeProc.
std::string note_with_protocol(std::string_view signed_note, std::string_view protocol) {
    return declared("<nfeProc xmlns=\"" + std::string(kNfeNamespace) + "\" versao=\"4.00\">" +
                    without_declaration(signed_note) + without_declaration(protocol) +
                    "</nfeProc>");
}

// The key a 539 names: "... [chNFe:<44 digits>]".
std::string key_in_brackets(std::string_view reason) {
    const auto at = reason.find("[chNFe:");
    if (at == std::string_view::npos || reason.size() < at + 7 + 44) return {};
    return std::string(reason.substr(at + 7, 44));
}

std::string two(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

std::string padded(std::uint32_t value, std::size_t width) {
    std::string digits = std::to_string(value);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

std::string shown_time(const IssueTime& t) {
    return two(t.day) + "/" + two(t.month) + "/" + std::to_string(t.year) + " " + two(t.hour) +
           ":" + two(t.minute) + ":" + two(t.second);
}

// "2026-12-08T15:45:00-03:00" as the DANFE shows it.
std::string shown_state_time(std::string_view stamp) {
    if (stamp.size() < 19) return std::string(stamp);
    return std::string(stamp.substr(8, 2)) + "/" + std::string(stamp.substr(5, 2)) + "/" +
           std::string(stamp.substr(0, 4)) + " " + std::string(stamp.substr(11, 8));
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long days_from_civil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string text_between(std::string_view xml, std::string_view open, std::string_view close) {
    const auto begin = xml.find(open);
    if (begin == std::string_view::npos) return {};
    const auto end = xml.find(close, begin + open.size());
    if (end == std::string_view::npos) return {};
    return std::string(xml.substr(begin + open.size(), end - begin - open.size()));
}

// The text of an element as text_between finds it, its five escapes read.
std::string unescaped(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEscapes[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [escape, c] : kEscapes)
            if (text.substr(at).starts_with(escape)) {
                out += c;
                at += escape.size();
                replaced = true;
                break;
            }
        if (!replaced) out += text[at++];
    }
    return out;
}

// "1.234,50".
std::string shown_amount(Decimal value) {
    std::string text = decimal_text(value, 2);
    std::replace(text.begin(), text.end(), '.', ',');
    for (auto comma = text.find(','); comma > 3 && text[comma - 4] != '-'; comma -= 3)
        text.insert(comma - 3, 1, '.');
    return text;
}

struct DayTotals {
    int authorised = 0;
    int contingency = 0;
    int cancelled = 0;
    Decimal amount;
};

// A note made ready to leave: built, signed, with its QR code supplement.
struct ReadyNote {
    std::string key;
    std::string xml;
    std::string qr;
    Decimal total;
    std::string error;
};

} // namespace

namespace detail {

std::string without_declaration(std::string_view xml) {
    if (xml.starts_with("<?xml")) {
        const auto end = xml.find("?>");
        if (end != std::string_view::npos) xml.remove_prefix(end + 2);
    }
    while (!xml.empty() && (xml.front() == '\n' || xml.front() == '\r' || xml.front() == ' '))
        xml.remove_prefix(1);
    return std::string(xml);
}

std::string declared(std::string_view xml) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + without_declaration(xml);
}

std::uint32_t number_of_key(std::string_view key) {
    if (key.size() != 44) return 0;
    std::uint32_t number = 0;
    for (const char c : key.substr(25, 9)) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return number;
}

std::string rejection_words(int cstat, std::string_view reason_utf8) {
    for (const std::string_view own :
         {std::string_view("Rejeição: "), std::string_view("Rejeicao: ")})
        if (reason_utf8.starts_with(own)) reason_utf8.remove_prefix(own.size());
    return "Rejeição " + std::to_string(cstat) + ": " + std::string(reason_utf8);
}

std::string rejection_text(int cstat, std::string_view reason_utf8) {
    return field_text(rejection_words(cstat, reason_utf8), kResultWidths[2]);
}

Decimal tax_of_line(std::string_view line) {
    const auto at = line.find("R$");
    if (at == std::string_view::npos) return {};
    std::string digits;
    for (std::size_t i = at + 2; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' && digits.empty()) continue;
        if ((c >= '0' && c <= '9') || c == ',')
            digits += c;
        else if (c != '.')
            break;
    }
    return Decimal::parse(digits).value_or(Decimal());
}

} // namespace detail

bool Result::ok() const {
    return std::all_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.empty() || t.front() == '\0' || t.find_first_not_of(' ') == std::string::npos;
    });
}

Moment now() {
    const platform::LocalTime t = platform::local_time_now();
    Moment m;
    m.epoch = std::time(nullptr);
    const long long local_seconds = days_from_civil(t.year, t.month, t.day) * 86400LL +
                                    t.hour * 3600LL + t.minute * 60LL + t.second;
    // The zone's distance from UTC, to the quarter hour the zones keep.
    const long long offset = local_seconds - static_cast<long long>(m.epoch);
    const long long quarters = (offset + (offset >= 0 ? 450 : -450)) / 900;
    m.local = {t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<int>(quarters * 15)};
    return m;
}

Printer configured_printer(const Config& config) {
    const std::string device = config.printer;
    const int dots = config.danfe_width == 58 ? thermalsim::kDots58mm : thermalsim::kDots80mm;
    // A network printer (host:port) or a COM port needs a connection of its
    // own, not yet made: refused in words, never written as a file of that
    // name in the working folder.
    if (device != "simulada" && !platform::is_absolute_path(device))
        return [device](std::string_view, std::string_view) -> std::string {
            return "Impressora " + device + ": conexão ainda não suportada para o DANFE";
        };
    if (device != "simulada")
        return [device](std::string_view escpos, std::string_view) -> std::string {
            if (platform::append_whole(device, escpos)) return {};
            return "Impressora " + device + " não recebeu o DANFE: " + platform::last_error_text();
        };
    return [dots](std::string_view escpos, std::string_view name) -> std::string {
        const thermalsim::Paper paper = thermalsim::print(escpos, dots);
        const std::string folder = platform::path_text(thermalsim::simulator_dir());
        if (!platform::make_folders(folder)) return "Pasta da impressora simulada: " + folder;
        const std::string base = folder + platform::kFolderSeparator + std::string(name);
        if (platform::replace_file(base + ".txt", paper.text) != platform::Fault::none ||
            platform::replace_file(base + ".png", thermalsim::png(paper)) != platform::Fault::none)
            return "Impressora simulada: não foi possível gravar " + base;
        return {};
    };
}

// The steps of one command, over the back end's parts.
struct Backend::Impl {
    Backend& b;
    SefazClient client;
    Moment at;

    Impl(Backend& backend)
        : b(backend), client(backend.config_, backend.transport_), at(b.clock_()) {}

    const Config& config() const { return b.config_; }
    int series() const { return config().series; }
    int uf_code() const {
        const State* state = find_state(config().issuer.uf);
        return state == nullptr ? 0 : state->code;
    }

    std::optional<std::string> keep_xml(std::string_view name, std::string_view xml) {
        return b.store_.write_xml(at.local.year, at.local.month, at.local.day, name, declared(xml));
    }

    Result save(const Coupon& c) {
        if (b.store_.save_coupon(coupon_text(c))) return {};
        return failure("Não foi possível gravar o cupom em andamento em " + b.store_.folder());
    }

    // Builds, signs and supplements the note.
    ReadyNote prepare(const Coupon& c, const NoteNumbers& numbers) {
        ReadyNote ready;
        const NoteResult built = build_note(config(), c, numbers, at.local);
        if (!built.note) {
            ready.error = "NFC-e não montada: " + built.error;
            return ready;
        }
        const SignResult signed_note = sign(built.note->xml, "infNFe", b.certificate_);
        if (!signed_note.error.empty()) {
            ready.error = "NFC-e não assinada: " + signed_note.error;
            return ready;
        }
        const VerifyResult check = verify(signed_note.xml);
        QrFields fields{built.note->key,   config().environment, at.local.day,
                        built.note->total, c.document,           check.digest_value};
        ready.qr = qr_code(config(), fields, qr_signer(b.certificate_));
        const std::string supplement =
            "<infNFeSupl><qrCode>" + xml_escaped(ready.qr) + "</qrCode><urlChave>" +
            xml_escaped(address(config(), Service::key_query)) + "</urlChave></infNFeSupl>";
        std::string xml = signed_note.xml;
        const auto signature = signature_at(xml);
        if (signature == std::string::npos) {
            ready.error = "NFC-e assinada sem a assinatura";
            return ready;
        }
        xml.insert(signature, supplement);
        ready.key = built.note->key;
        ready.xml = std::move(xml);
        ready.total = built.note->total;
        return ready;
    }

    danfe::Document document(const Coupon& c, const ReadyNote& note, std::uint32_t number) const {
        const Config& cf = config();
        danfe::Document d;
        const Issuer& is = cf.issuer;
        d.issuer = {is.name, is.cnpj, is.ie,
                    is.street + ", " + is.number +
                        (is.complement.empty() ? std::string() : " " + is.complement) + " - " +
                        is.district + " - " + is.city + "/" + is.uf};
        const bool homologation = cf.environment == Environment::homologation;
        Decimal gross;
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            const CouponItem& item = c.items[i];
            const auto code = item.code.find_first_not_of('0');
            const auto tax =
                cf.items.find(code == std::string::npos ? "0" : item.code.substr(code));
            const Decimal value = item.amount.truncated(2);
            d.items.push_back(
                {item.code, homologation && i == 0 ? kHomologationItem : item.description,
                 Decimal::from_int(1), tax == cf.items.end() ? std::string("UN") : tax->second.unit,
                 value, value});
            gross += value;
        }
        d.total = gross;
        d.discount = c.discount.truncated(2);
        d.amount_to_pay = note.total;
        d.payments.push_back({c.payment, c.paid.truncated(2)});
        if (c.paid.truncated(2) > note.total) d.change = c.paid.truncated(2) - note.total;
        d.consultation_url = address(cf, Service::key_query);
        d.access_key = note.key;
        d.consumer_document = c.document;
        if (homologation && !c.document.empty()) d.consumer_name = kHomologationName;
        d.number = padded(number, 9);
        d.series = padded(static_cast<std::uint32_t>(cf.series), 3);
        d.issued_at = shown_time(at.local);
        d.homologation = homologation;
        d.qr_code = note.qr;
        d.taxes_line = c.tax_line;
        if (!c.operator_line.empty()) d.additional_info.push_back(c.operator_line);
        return d;
    }

    // A DANFE laid out: its ESC/POS bytes, or why there are none.
    struct Paper {
        std::string key;
        std::string bytes;
        std::string error;
    };
    // Lays out the DANFE and keeps its paper until it has printed: one that
    // did not print, or whose printing a stopped process never finished, is
    // printed again by the engine's "try again" or the next command. A paper
    // that cannot be kept (a full disk) is still printed.
    Paper lay_out(const danfe::Document& d) {
        const danfe::Printout out = danfe::layout(
            d, config().danfe_width == 58 ? danfe::PaperWidth::mm58 : danfe::PaperWidth::mm80);
        if (!out.ok()) return {d.access_key, {}, "DANFE não montado: " + out.error};
        b.store_.save_paper(d.access_key, out.bytes);
        return {d.access_key, out.bytes, {}};
    }
    // Prints a paper; the error text, empty when printed.
    std::string print(const Paper& paper) {
        if (!paper.error.empty()) return paper.error;
        std::string error = b.printer_(paper.bytes, paper.key);
        if (error.empty()) b.store_.clear_paper();
        return error;
    }
    // Prints the kept paper; the error text, empty when printed (or when
    // there is none).
    std::string print_kept() {
        const std::optional<std::pair<std::string, std::string>> paper = b.store_.paper();
        return paper ? print({paper->first, paper->second, {}}) : std::string();
    }

    // The closing sent again after the note was issued: its paper again.
    Result reprint() {
        if (!b.store_.paper()) return failure("Nenhum cupom aberto para encerrar");
        const std::string error = print_kept();
        if (!error.empty()) return failure(error);
        return {};
    }

    // Authorised: the nfeProc kept, the DANFE laid out, the number
    // journalled, the DANFE printed; the coupon ends once it has printed.
    // An nfeProc that cannot be kept leaves the number sent and the coupon
    // closing: the retry asks the state again and keeps it then.
    Result authorised(const Coupon& c, const ReadyNote& note, std::uint32_t number,
                      const Protocol& protocol) {
        if (!keep_xml(note.key + "-procNFe.xml", note_with_protocol(note.xml, protocol.xml)))
            return failure("NFC-e autorizada, mas seu XML não pôde ser gravado em " +
                           b.store_.folder() + ": libere espaço e tente de novo");
        danfe::Document d = document(c, note, number);
        d.protocol = protocol.number;
        d.authorized_at = shown_state_time(protocol.received_at);
        const Paper paper = lay_out(d);
        if (!b.store_.mark(series(), number, NumberState::authorised, note.key, protocol.number))
            return failure("Nota autorizada, mas a numeração não pôde ser gravada");
        const std::string printed = print(paper);
        if (!printed.empty()) return failure("NFC-e autorizada; " + printed);
        b.store_.clear_coupon();
        return {};
    }

    // Issued offline: signed again as tpEmis 9, queued, its DANFE printed;
    // the coupon ends once it has printed.
    Result contingency(const Coupon& c, std::uint32_t number, std::uint32_t code) {
        NoteNumbers numbers{number, code, 9, date_time_text(at.local), kContingencyReason};
        const ReadyNote note = prepare(c, numbers);
        if (!note.error.empty()) return failure(note.error);
        const std::optional<std::string> file = keep_xml(note.key + "-nfe.xml", note.xml);
        danfe::Document d = document(c, note, number);
        d.contingency = true;
        d.contingency_texts = {std::string(danfe::kPendingAuthorization)};
        const Paper paper = lay_out(d);
        if (!file || !b.store_.save_coupon(closing_text(c, {number, code, *file})) ||
            !b.store_.enqueue(note.key, declared(note.xml), at.epoch) ||
            !b.store_.mark(series(), number, NumberState::contingency, note.key))
            return failure("NFC-e em contingência não pôde ser gravada em " + b.store_.folder() +
                           ": libere espaço e tente de novo");
        const std::string printed = print(paper);
        if (!printed.empty()) return failure("NFC-e em contingência; " + printed);
        b.store_.clear_coupon();
        return {};
    }

    // The protocol of a note the state may have: found (100), or nullopt.
    std::optional<Protocol> found(const std::string& key) {
        const SefazAnswer answer = client.query(key);
        if (answer.answered()) keep_xml(key + "-consulta.xml", answer.xml);
        if (answer.answered() && answer.protocol && answer.protocol->cstat == 100)
            return answer.protocol;
        return std::nullopt;
    }

    // The queued notes, oldest first, until the state stops answering.
    QueueSending send_queue() {
        QueueSending sending;
        int batch = 0;
        for (const QueuedNote& q : b.store_.queue()) {
            const SefazAnswer answer = client.authorize(q.xml, std::to_string(++batch));
            if (!answer.answered()) {
                sending.answered = false;
                sending.why = transport_error_name(answer.error);
                return sending;
            }
            keep_xml(q.key + "-retorno.xml", answer.xml);
            QueuedOutcome& outcome = sending.notes.emplace_back();
            outcome.key = q.key;
            outcome.number = number_of_key(q.key);
            std::optional<Protocol> protocol = answer.protocol;
            if (protocol && protocol->cstat == 204) protocol = found(q.key);
            const std::string first_key = protocol && protocol->cstat == 539
                                              ? key_in_brackets(protocol->reason)
                                              : std::string();
            if (protocol && (protocol->cstat == 100 || protocol->cstat == 150)) {
                keep_xml(q.key + "-procNFe.xml", note_with_protocol(q.xml, protocol->xml));
                b.store_.mark(series(), outcome.number, NumberState::authorised, q.key,
                              protocol->number);
                outcome.kind = QueuedOutcome::Kind::authorised;
                outcome.protocol = protocol->number;
            } else if (const std::optional<Protocol> first =
                           first_key.empty() ? std::nullopt : found(first_key)) {
                // The number was authorised after all, under the key it was
                // first sent with, whose answer was lost: that note stands,
                // and the offline one with the same contents is dropped.
                b.store_.mark(series(), outcome.number, NumberState::authorised, first_key,
                              first->number);
                outcome.kind = QueuedOutcome::Kind::first_key;
                outcome.protocol = first->number;
                outcome.kept_key = first_key;
            } else {
                // Refused: its DANFE is out with this number, so the number
                // stays taken and the note stays queued (LEITURAX counts it)
                // until the shop corrects it; the rest of the queue goes on.
                outcome.cstat = protocol ? protocol->cstat : answer.cstat;
                outcome.reason = protocol ? protocol->reason : answer.reason;
                b.store_.mark(series(), outcome.number, NumberState::contingency, q.key,
                              "rejeitada " + std::to_string(outcome.cstat) + " " + outcome.reason);
                continue;
            }
            b.store_.dequeue(q.key);
        }
        return sending;
    }

    // Notes left sent by a process that stopped before the answer: asked
    // about; one the state has is authorised, one it never got is free.
    void resolve() {
        const std::vector<QueuedNote> queue = b.store_.queue();
        for (const NumberRecord& r : b.store_.unresolved(series())) {
            // Stopped after the offline note was queued, before the journal
            // said so: that note, with its DANFE, holds the number.
            const auto offline = std::find_if(queue.begin(), queue.end(), [&](const QueuedNote& q) {
                return number_of_key(q.key) == r.number;
            });
            if (offline != queue.end()) {
                b.store_.mark(series(), r.number, NumberState::contingency, offline->key);
                continue;
            }
            const SefazAnswer answer = client.query(r.key);
            if (!answer.answered()) return;
            keep_xml(r.key + "-consulta.xml", answer.xml);
            if (answer.protocol && answer.protocol->cstat == 100)
                b.store_.mark(series(), r.number, NumberState::authorised, r.key,
                              answer.protocol->number);
            else if (answer.cstat == 217)
                b.store_.mark(series(), r.number, NumberState::rejected, r.key,
                              "217 não recebida pela SEFAZ");
        }
    }

    Result close(const CommandData& data) {
        const std::optional<std::string> saved = b.store_.coupon();
        if (!saved) return reprint();
        Coupon c = coupon_of(*saved);
        const Closing k = closing_of(*saved, c);
        if (k.number != 0) return finish(c, k);
        read_message(c, data.message);
        share_tax(c);
        return issue(c, {});
    }

    // Numbers, builds, signs and sends the note of the coupon `c`: under a
    // new number, or under the one `k` gave it before.
    Result issue(const Coupon& c, const Closing& k) {
        b.store_.clear_paper();
        resolve();
        const bool online = send_queue().answered;

        std::uint32_t number = k.number;
        std::uint32_t code = k.code;
        if (number == 0) {
            const std::optional<std::uint32_t> reserved = b.store_.reserve(series());
            if (!reserved)
                return failure("Numeração da NFC-e não pôde ser gravada em " + b.store_.folder());
            number = *reserved;
            code = random_numeric_code(number);
        } else if (!b.store_.mark(series(), number, NumberState::reserved, {})) {
            return failure("Numeração da NFC-e não pôde ser gravada em " + b.store_.folder());
        }
        if (!online) return contingency(c, number, code);

        const ReadyNote note = prepare(c, {number, code, 1, "", ""});
        if (!note.error.empty()) return refused(c, number, {}, note.error, failure(note.error));
        // The note and the closing kept before the note leaves: whatever
        // stops this process, the next one finishes this note rather than
        // issue another. A note that cannot be kept does not leave.
        const std::optional<std::string> file = keep_xml(note.key + "-nfe.xml", note.xml);
        if (!file || !b.store_.save_coupon(closing_text(c, {number, code, *file})))
            return refused(c, number, {}, "não gravada",
                           failure("NFC-e não pôde ser gravada em " + b.store_.folder() +
                                   "; nada foi enviado: libere espaço e tente de novo"));
        if (!b.store_.mark(series(), number, NumberState::sent, note.key))
            return failure("Numeração da NFC-e não pôde ser gravada em " + b.store_.folder());
        const SefazAnswer answer = client.authorize(note.xml, std::to_string(number));
        if (answer.error == TransportError::connection_lost) {
            if (const std::optional<Protocol> p = found(note.key))
                return authorised(c, note, number, *p);
            return contingency(c, number, code);
        }
        if (!answer.answered()) return contingency(c, number, code);
        keep_xml(note.key + "-retorno.xml", answer.xml);
        std::optional<Protocol> protocol = answer.protocol;
        if (protocol && protocol->cstat == 204) protocol = found(note.key);
        if (protocol && (protocol->cstat == 100 || protocol->cstat == 150))
            return authorised(c, note, number, *protocol);
        const int cstat = protocol ? protocol->cstat : answer.cstat;
        const std::string reason = protocol ? protocol->reason : answer.reason;
        return refused(c, number, note.key, std::to_string(cstat) + " " + reason,
                       failure_text(detail::rejection_text(cstat, reason)));
    }

    // A note the state refused, or that could not be made: its number free
    // again, the coupon open again for the cashier's correction.
    Result refused(const Coupon& c, std::uint32_t number, const std::string& key,
                   const std::string& why, Result shown) {
        b.store_.mark(series(), number, NumberState::rejected, key, why);
        save(c);
        return shown;
    }

    // The signed note kept for a closing, read back: its key, QR code and
    // total. Empty key when the file cannot be read.
    static ReadyNote kept_note(const std::string& file) {
        ReadyNote note;
        const std::optional<std::string> xml = file.empty() ? std::nullopt : read_whole(file);
        if (!xml) return note;
        constexpr std::string_view kId = "Id=\"NFe";
        const auto id = xml->find(kId);
        if (id == std::string::npos || xml->size() < id + kId.size() + 44) return note;
        note.key = xml->substr(id + kId.size(), 44);
        note.xml = *xml;
        note.qr = unescaped(text_between(*xml, "<qrCode>", "</qrCode>"));
        std::string total = text_between(*xml, "<vNF>", "</vNF>");
        std::replace(total.begin(), total.end(), '.', ',');
        note.total = Decimal::parse(total).value_or(Decimal());
        return note;
    }

    // A closing that a stopped process, or a printer that failed, left
    // unfinished: the note its number stands for is finished (asked about,
    // issued offline under the same number, or its DANFE printed), never
    // issued a second time.
    Result finish(Coupon c, const Closing& k) {
        share_tax(c);
        const auto numbers = b.store_.numbers(series());
        const auto it = numbers.find(k.number);
        const NumberState state = it == numbers.end() ? NumberState::reserved : it->second.state;
        if (state == NumberState::authorised || state == NumberState::contingency ||
            state == NumberState::cancelled) {
            const std::string error = print_kept();
            if (!error.empty())
                return failure(std::string(state == NumberState::contingency
                                               ? "NFC-e em contingência; "
                                               : "NFC-e autorizada; ") +
                               error);
            b.store_.clear_coupon();
            return {};
        }
        if (state != NumberState::sent) return issue(c, k);
        const ReadyNote note = kept_note(k.note_file);
        if (note.key.empty() || note.key != it->second.key) {
            // The note itself is gone: what the state knows of its key is
            // still asked, and the sale is not issued again.
            resolve();
            b.store_.clear_coupon();
            return failure("NFC-e nº " + std::to_string(k.number) +
                           " interrompida e seu XML ilegível: veja quiterval-nfce situacao");
        }
        const SefazAnswer answer = client.query(note.key);
        if (!answer.answered()) return contingency(c, k.number, k.code);
        keep_xml(note.key + "-consulta.xml", answer.xml);
        if (answer.protocol && answer.protocol->cstat == 100)
            return authorised(c, note, k.number, *answer.protocol);
        if (answer.cstat == 217) {
            b.store_.mark(series(), k.number, NumberState::rejected, note.key,
                          "217 não recebida pela SEFAZ");
            return issue(c, k);
        }
        return contingency(c, k.number, k.code);
    }

    // Before anything else a command does: a closing left unfinished is
    // finished first. Its failure, if any, is the command's. A new coupon
    // does not open over it even when it ends well: the cashier, who may
    // have typed that sale again, is told it was issued after all.
    std::optional<Result> finish_pending(bool opening) {
        const std::optional<std::string> saved = b.store_.coupon();
        if (!saved) return std::nullopt;
        Coupon c = coupon_of(*saved);
        const Closing k = closing_of(*saved, c);
        if (k.number == 0) return std::nullopt;
        const Result r = finish(c, k);
        if (!r.ok()) return r;
        if (!opening) return std::nullopt;
        return failure("Venda interrompida concluída: NFC-e nº " + std::to_string(k.number) +
                       " emitida e impressa. Confira antes de repetir a venda");
    }

    // The day's notes by the journal's last step, from the day's folder.
    DayTotals day_totals() const {
        DayTotals totals;
        const std::string folder =
            b.store_.folder() + platform::kFolderSeparator + "xml" + platform::kFolderSeparator +
            std::to_string(at.local.year) + platform::kFolderSeparator + two(at.local.month) +
            platform::kFolderSeparator + two(at.local.day) + platform::kFolderSeparator;
        for (const auto& [number, r] : b.store_.numbers(series())) {
            if (r.key.empty()) continue;
            const std::optional<std::string> note = read_whole(folder + r.key + "-nfe.xml");
            if (!note) continue;                                        // of another day
            std::string value = text_between(*note, "<vNF>", "</vNF>"); // "41.40"
            std::replace(value.begin(), value.end(), '.', ',');
            const Decimal total = Decimal::parse(value).value_or(Decimal());
            if (r.state == NumberState::authorised) {
                ++totals.authorised;
                totals.amount += total;
            } else if (r.state == NumberState::contingency) {
                ++totals.contingency;
                totals.amount += total;
            } else if (r.state == NumberState::cancelled) {
                ++totals.cancelled;
            }
        }
        return totals;
    }

    // LEITURAX and REDUCAOZ: the state's service, the queue and the day's
    // notes, printed. Neither needs an ECF: nothing fiscal closes here.
    Result report(bool end_of_day) {
        // The queue goes first, at X as at Z: both are the till's chances
        // to send what waits.
        const bool online = send_queue().answered;
        std::vector<std::string> lines; // UTF-8
        lines.push_back(end_of_day ? "REDUÇÃO Z - RESUMO DO DIA" : "LEITURA X");
        lines.push_back(shown_time(at.local));
        const SefazAnswer status = client.status();
        lines.push_back(status.answered()
                            ? "SEFAZ: " + std::to_string(status.cstat) + " " + status.reason
                            : "SEFAZ sem resposta (" +
                                  std::string(transport_error_name(status.error)) + ")");
        if (!online) lines.push_back("Fila de contingência não enviada");
        const std::vector<QueuedNote> queue = b.store_.queue();
        std::string loud;
        lines.push_back("NFC-e em contingência na fila: " + std::to_string(queue.size()));
        if (!queue.empty()) {
            const long long hours = (static_cast<long long>(at.epoch) - queue.front().since) / 3600;
            lines.push_back("A mais antiga há " + std::to_string(hours) + " h");
            if (hours * 3600 >= kQueueLimitSeconds) loud = kQueueLateWarning;
        }
        const DayTotals totals = day_totals();
        lines.push_back("Autorizadas: " + std::to_string(totals.authorised));
        lines.push_back("Em contingência: " + std::to_string(totals.contingency));
        lines.push_back("Canceladas: " + std::to_string(totals.cancelled));
        lines.push_back("Total do dia R$ " + shown_amount(totals.amount));

        danfe::detail::EscPos out;
        out.initialize();
        out.code_page(danfe::detail::kCodePageWpc1252);
        out.align(danfe::detail::Align::left);
        for (const std::string& line : lines)
            out.line(utf8_to_cp1252_lossy(line));
        if (!loud.empty()) {
            out.bold(true);
            out.size(1, 2);
            out.line(utf8_to_cp1252_lossy("ATENÇÃO: CONTINGÊNCIA HÁ MAIS DE 24 HORAS"));
            out.size(1, 1);
            out.bold(false);
        }
        out.feed(3);
        out.cut();
        const std::string printed =
            b.printer_(out.bytes(), std::string(end_of_day ? "reducaoz-" : "leiturax-") +
                                        std::to_string(at.local.year) + two(at.local.month) +
                                        two(at.local.day));
        if (!printed.empty()) return failure(printed);
        return loud.empty() ? Result{} : failure(loud);
    }

    Result cancel() {
        if (const std::optional<std::string> saved = b.store_.coupon()) {
            Coupon c = coupon_of(*saved);
            const Closing k = closing_of(*saved, c);
            // Not issued yet: nothing left the till.
            if (k.number == 0)
                return b.store_.clear_coupon()
                           ? Result{}
                           : failure("Cupom em andamento não pôde ser descartado");
            const auto numbers = b.store_.numbers(series());
            const auto it = numbers.find(k.number);
            const bool issued =
                it != numbers.end() && (it->second.state == NumberState::authorised ||
                                        it->second.state == NumberState::contingency);
            if (issued) {
                // Issued, its DANFE not printed: the note is cancelled
                // below, and its paper is no longer wanted.
                b.store_.clear_paper();
                b.store_.clear_coupon();
            } else if (Result r = finish(c, k); !r.ok()) {
                return r;
            }
        }
        // The last note issued, and only that one: an older note is never
        // cancelled in its place.
        const auto numbers = b.store_.numbers(series());
        const auto last = std::find_if(numbers.rbegin(), numbers.rend(), [](const auto& n) {
            return n.second.state != NumberState::reserved &&
                   n.second.state != NumberState::rejected;
        });
        if (last == numbers.rend() || last->second.state == NumberState::cancelled)
            return failure("Nenhuma NFC-e autorizada para cancelar");
        const NumberRecord& r = last->second;
        if (r.state != NumberState::authorised)
            return failure("A última NFC-e (nº " + std::to_string(r.number) +
                           ") ainda não foi autorizada: cancele-a depois de transmitida");
        const std::string event =
            cancel_event(config().environment, uf_code(), config().issuer.cnpj, r.key, r.detail,
                         kCancelReason, date_time_text(at.local));
        const SignResult signed_event = sign(event, "infEvento", b.certificate_);
        if (!signed_event.error.empty())
            return failure("Cancelamento não assinado: " + signed_event.error);
        const std::string batch = std::to_string(r.number);
        keep_xml(r.key + "-cancelamento.xml",
                 event_request(batch, without_declaration(signed_event.xml)));
        const SefazAnswer answer = client.send_event(signed_event.xml, batch);
        if (!answer.answered())
            return failure("SEFAZ não respondeu ao cancelamento: " +
                           std::string(transport_error_name(answer.error)));
        keep_xml(r.key + "-cancelamento-retorno.xml", answer.xml);
        const int cstat = answer.protocol ? answer.protocol->cstat : answer.cstat;
        if (cstat == 135 || cstat == 155) {
            b.store_.mark(series(), r.number, NumberState::cancelled, r.key,
                          answer.protocol->number);
            return {};
        }
        return failure_text(detail::rejection_text(cstat, answer.protocol ? answer.protocol->reason
                                                                          : answer.reason));
    }
};

Backend::Backend(const Config& config, const Certificate& certificate, Transport& transport,
                 Store& store, Clock clock, Printer printer)
    : config_(config), certificate_(certificate), transport_(transport), store_(store),
      clock_(std::move(clock)), printer_(std::move(printer)) {}

QueueSending Backend::send_queue() {
    if (!store_.ok()) return {false, store_.error(), {}};
    const platform::FolderLock lock(store_.folder());
    return Impl(*this).send_queue();
}

Result Backend::run(std::string_view command, const CommandData& data) {
    if (!store_.ok()) return failure(store_.error());
    // The till and the technician's tool may work on one data folder at
    // once: one command at a time, so a number is never given out twice nor
    // voided while a note takes it.
    const platform::FolderLock lock(store_.folder());
    Impl impl(*this);
    const std::string_view name = trimmed(command);
    if (name == "ABRE-CUPOM") {
        if (const std::optional<Result> unfinished = impl.finish_pending(true)) return *unfinished;
        Coupon c;
        c.document =
            document_of(data.document.substr(0, std::min<std::size_t>(20, data.document.size())));
        return impl.save(c);
    }
    if (name == "VENDE-ITEM") {
        const std::optional<std::string> saved = store_.coupon();
        if (!saved) return failure("Nenhum cupom aberto para vender o item");
        Coupon c = coupon_of(*saved);
        c.items.push_back({trimmed_utf8(data.item_code), trimmed_utf8(data.description),
                           data.unit_price, Decimal()});
        return impl.save(c);
    }
    if (name == "INI-FCTO-CPOM") {
        const std::optional<std::string> saved = store_.coupon();
        if (!saved) return failure("Nenhum cupom aberto para totalizar");
        Coupon c = coupon_of(*saved);
        if (data.discount != Decimal() && trimmed(data.discount_type) != "D")
            return failure("Acréscimo no total não é aceito na NFC-e");
        c.discount = data.discount;
        return impl.save(c);
    }
    if (name == "EFET-FORM-PAGTO") {
        const std::optional<std::string> saved = store_.coupon();
        if (!saved) return failure("Nenhum cupom aberto para o pagamento");
        Coupon c = coupon_of(*saved);
        c.payment = trimmed_utf8(data.payment);
        c.paid = data.paid;
        return impl.save(c);
    }
    if (name == "TERM-FECTO-CUPOM") return impl.close(data);
    if (name == "CANC-CUPOM") return impl.cancel();
    if (name == "LEITURAX" || name == "REDUCAOZ") {
        if (const std::optional<Result> unfinished = impl.finish_pending(false)) return *unfinished;
        return impl.report(name == "REDUCAOZ");
    }
    return {};
}

} // namespace qv::nfce
