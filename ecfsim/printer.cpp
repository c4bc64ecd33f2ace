#include "ecfsim/printer.h"

#include "ecfsim/tape.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <map>

namespace qv::ecfsim {
namespace {

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// A digit string of 1 to `max` digits with `decimals` implied decimals.
std::optional<Decimal> digits(std::string_view s, std::size_t max, int decimals) {
    if (s.empty() || s.size() > max) return std::nullopt;
    return Decimal::from_digits(ConstBytes{s.data(), s.size()}, decimals);
}

bool printable(std::string_view s) {
    return std::none_of(s.begin(), s.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

Decimal cents(std::int64_t c) {
    return Decimal::from_units(c * 100);
}

std::string tax_label(const std::string& tax) {
    if (tax.size() > 1 && tax[0] == 'T') return tax + "%";
    return tax + tax;
}

bool counters_full(const FiscalMemory& m) {
    return m.coo >= kMaxCounter;
}

// Adjustment kinds "D%", "D$", "A%", "A$": discount or surcharge, percent or amount.
struct Adjustment {
    bool surcharge = false;
    bool percent = false;
};
std::optional<Adjustment> adjustment_kind(std::string_view kind) {
    if (kind.size() != 2) return std::nullopt;
    const char dir = static_cast<char>(std::toupper(static_cast<unsigned char>(kind[0])));
    if ((dir != 'D' && dir != 'A') || (kind[1] != '%' && kind[1] != '$')) return std::nullopt;
    return Adjustment{dir == 'A', kind[1] == '%'};
}

// The coupon's net sales per totaliser, with its subtotal discount or
// surcharge spread over them in proportion (each share cut to the cent, what
// the cuts leave on the last), so that they add up to the coupon's total.
std::map<std::string, Decimal> net_by_tax(const Coupon& c) {
    std::map<std::string, Decimal> by;
    for (const Item& i : c.items)
        by[i.tax] += i.net();
    const Decimal subtotal = c.subtotal();
    if (c.adjustment.is_zero() || subtotal.is_zero() || by.empty()) return by;
    Decimal left = c.adjustment;
    for (auto it = by.begin(); it != by.end(); ++it) {
        if (std::next(it) == by.end()) {
            it->second += left;
            break;
        }
        const Decimal share = proportion(c.adjustment, it->second, subtotal).truncated(2);
        it->second += share;
        left = left - share;
    }
    return by;
}

// What each payment of the coupon leaves in the till, method by method: the
// change comes out of the last payments.
std::map<std::string, Decimal> kept_by_method(const Coupon& c) {
    std::map<std::string, Decimal> kept;
    Decimal change = c.paid() - c.total();
    for (auto p = c.payments.rbegin(); p != c.payments.rend(); ++p) {
        const Decimal back = change > p->amount ? p->amount : change;
        kept[p->method] += p->amount - back;
        change = change - back;
    }
    return kept;
}

// An item sold, in the grand total and the day's totals.
void book_sale(FiscalMemory& m, const Item& item) {
    m.gt += item.value;
    m.day.gross += item.value;
    if (item.discount.is_negative()) {
        m.day.surcharges += item.discount.abs();
        m.gt += item.discount.abs();
    } else {
        m.day.discounts += item.discount;
    }
}

// The item's lines on the tape, `number` counted from 1.
std::string item_tape(const Item& item, std::size_t number) {
    char n[8];
    (void)std::snprintf(n, sizeof n, "%03zu", number);
    std::string t =
        tape::wrapped(std::string(n) + " " + tape::from_cp1252(item.code) + " " +
                          tape::from_cp1252(item.description),
                      4) +
        tape::row("     " + tape::quantity(item.quantity) + " " + tape::from_cp1252(item.unit) +
                      " x " + tape::money(item.unit_price) + " " + tax_label(item.tax),
                  tape::money(item.value));
    if (!item.discount.is_zero())
        t += tape::row(item.discount.is_negative() ? "  acréscimo item " + std::string(n)
                                                   : "  desconto item " + std::string(n),
                       tape::money(Decimal() - item.discount));
    return t;
}

} // namespace

std::optional<std::string> totaliser(std::string_view code) {
    code = trim_right(code);
    if (code == "II") return "I";
    if (code == "NN") return "N";
    if (code == "FF") return "F";
    // a rate "18,00" (a leading zero may be left out: "7,00")
    if (code.size() == 4) {
        const std::string padded = "0" + std::string(code);
        return totaliser(padded);
    }
    if (code.size() != 5 || code[2] != ',') return std::nullopt;
    for (std::string_view rate : kRates)
        if (code == rate) return "T" + std::string(code);
    return std::nullopt;
}

Decimal Printer::cut_or_round(Decimal v) const {
    if (config_.rounds()) return (v + Decimal::from_units(50)).truncated(2);
    return v.truncated(2);
}

Outcome Printer::open(const char* document, const char* name, const char* address) {
    if (!document || !name || !address) return Outcome::answered(ret::kBadParameter);
    const std::string_view doc = trim_right(document);
    if (doc.size() > 20 || std::string_view(name).size() > 80 ||
        std::string_view(address).size() > 160)
        return Outcome::answered(ret::kBadParameter);
    if (!printable(document) || !printable(name) || !printable(address))
        return Outcome::refused(err::kNotPrintable);
    if (m_.coupon.open()) return Outcome::refused(err::kCouponOpen);
    if (now_ < m_.last_document_at) return Outcome::refused(err::kDateBeforeLast);
    if (!m_.movement_date.empty() && m_.movement_date < now_.date)
        return Outcome::refused(err::kZPending);
    if (m_.last_z_date == now_.date) return Outcome::refused(err::kZDoneToday);
    if (counters_full(m_) || m_.ccf >= kMaxCounter) return Outcome::refused(err::kMemoryFull);

    ++m_.coo;
    ++m_.ccf;
    if (m_.movement_date.empty()) m_.movement_date = now_.date;
    m_.coupon = Coupon{};
    m_.coupon.phase = Phase::selling;
    m_.coupon.coo = m_.coo;
    m_.coupon.ccf = m_.ccf;
    m_.coupon.document = std::string(doc);
    m_.last_document = LastDocument::coupon;
    m_.last_document_at = now_;

    Outcome o;
    o.changed = true;
    o.tape = tape::issuer() + tape::row(now_.printed(), "CCF:" + tape::counter(m_.ccf) +
                                                            " COO:" + tape::counter(m_.coo));
    if (!doc.empty()) o.tape += tape::row("CPF/CNPJ consumidor: " + tape::from_cp1252(doc));
    if (!trim_right(name).empty()) o.tape += tape::row("Nome: " + tape::from_cp1252(name));
    if (!trim_right(address).empty())
        o.tape += tape::row("Endereço: " + tape::from_cp1252(address));
    o.tape += tape::rule() + tape::centred("CUPOM FISCAL") + tape::row("ITEM CÓDIGO DESCRIÇÃO") +
              tape::row("QTD. UN. VL.UNIT(R$) ST", "VL.ITEM(R$)") + tape::rule();
    return o;
}

Outcome Printer::sell(const char* tax, const char* quantity, const char* unit_price,
                      const char* discount_kind, const char* discount_value, const char* code,
                      const char* unit, const char* description) {
    if (!tax || !quantity || !unit_price || !discount_kind || !discount_value || !code || !unit ||
        !description)
        return Outcome::answered(ret::kBadParameter);
    const auto qty = digits(quantity, 7, 3);
    const auto price = digits(unit_price, 8, 2);
    const auto kind = adjustment_kind(discount_kind);
    const auto dvalue = digits(discount_value, 14, 2);
    const std::string_view code_t = trim_right(code);
    const std::string_view unit_t = trim_right(unit);
    const std::string_view desc_t = trim_right(description);
    if (!qty || !price || !kind || !dvalue || code_t.size() > 14 || unit_t.size() > 3 ||
        desc_t.size() > 233)
        return Outcome::answered(ret::kBadParameter);
    const auto tot = totaliser(tax);
    if (!tot) return Outcome::answered(ret::kRateNotProgrammed);
    if (!printable(code) || !printable(unit) || !printable(description))
        return Outcome::refused(err::kNotPrintable);

    Coupon& c = m_.coupon;
    if (!c.open()) return Outcome::refused(err::kCouponNotOpen);
    if (c.phase != Phase::selling) return Outcome::refused(err::kAlreadyTotalled);
    if (code_t.empty()) return Outcome::refused(err::kNoCode);
    if (desc_t.empty()) return Outcome::refused(err::kNoDescription);
    if (unit_t.empty()) return Outcome::refused(err::kNoUnit);
    if (qty->is_zero() || price->is_zero()) return Outcome::refused(err::kZeroQuantity);
    if (c.items.size() >= kMaxItems) return Outcome::refused(err::kItemLimit);

    const Decimal value = cut_or_round(*qty * *price);
    if (value.is_zero()) return Outcome::refused(err::kZeroQuantity);
    if (value > cents(9'999'999'999)) return Outcome::refused(err::kItemOverflow);
    Decimal amount =
        kind->percent ? cut_or_round(value * *dvalue / Decimal::from_int(100)) : *dvalue;
    if (kind->percent && *dvalue > Decimal::from_int(100))
        return Outcome::refused(err::kDiscountOverGross);
    if (!kind->surcharge && !amount.is_zero() && amount >= value)
        return Outcome::refused(err::kDiscountOverGross);
    if (kind->surcharge) amount = Decimal() - amount;
    const Item item{std::string(code_t),
                    std::string(desc_t),
                    std::string(unit_t),
                    *tot,
                    *qty,
                    *price,
                    value,
                    amount};
    if (c.subtotal() + item.net() > cents(99'999'999'999))
        return Outcome::refused(err::kDocumentOverflow);

    c.items.push_back(item);
    book_sale(m_, item);

    Outcome o;
    o.changed = true;
    o.tape = item_tape(item, c.items.size());
    return o;
}

Outcome Printer::total(const char* kind, const char* value) {
    if (!kind || !value) return Outcome::answered(ret::kBadParameter);
    const auto k = adjustment_kind(kind);
    const auto v = digits(value, 14, 2);
    if (!k || !v) return Outcome::answered(ret::kBadParameter);
    Coupon& c = m_.coupon;
    if (!c.open()) return Outcome::refused(err::kCouponNotOpen);
    // totalling, paying or finishing: the coupon is past its totalling
    if (c.phase != Phase::selling) return Outcome::refused(err::kAlreadyTotalled);
    const Decimal subtotal = c.subtotal();
    if (c.items.empty() || subtotal.is_zero()) return Outcome::refused(err::kGrossZero);
    if (k->percent && *v > Decimal::from_int(100))
        return Outcome::refused(err::kDiscountOverSubtotal);
    const Decimal amount = k->percent ? cut_or_round(subtotal * *v / Decimal::from_int(100)) : *v;
    if (!k->surcharge && !amount.is_zero() && amount >= subtotal)
        return Outcome::refused(err::kDiscountOverSubtotal);
    if (k->surcharge && subtotal + amount > cents(99'999'999'999))
        return Outcome::refused(err::kDocumentOverflow);

    c.adjustment = k->surcharge ? amount : Decimal() - amount;
    c.phase = Phase::totalling;
    if (k->surcharge) {
        m_.day.surcharges += amount;
        m_.gt += amount;
    } else {
        m_.day.discounts += amount;
    }

    Outcome o;
    o.changed = true;
    o.tape = tape::row("SUBTOTAL R$", tape::money(subtotal));
    if (!amount.is_zero())
        o.tape +=
            tape::row(k->surcharge ? "ACRÉSCIMO R$" : "DESCONTO R$", tape::money(c.adjustment));
    o.tape += tape::row("TOTAL R$", tape::money(c.total()));
    return o;
}

Outcome Printer::pay(const char* method, const char* amount) {
    if (!method || !amount) return Outcome::answered(ret::kBadParameter);
    const auto v = digits(amount, 14, 2);
    if (!v) return Outcome::answered(ret::kBadParameter);
    const std::string_view name = trim_right(method);
    std::string programmed;
    for (std::string_view m : kMethods) {
        if (m.size() == name.size() &&
            std::equal(m.begin(), m.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            programmed = std::string(m);
    }
    if (programmed.empty()) return Outcome::answered(ret::kMethodNotProgrammed);
    Coupon& c = m_.coupon;
    if (!c.open()) return Outcome::refused(err::kCouponNotOpen);
    if (c.phase != Phase::totalling && c.phase != Phase::paying)
        return Outcome::refused(err::kNotPaying);
    if (v->is_zero()) return Outcome::refused(err::kZeroValue);
    if (c.payments.size() >= kMaxPayments) return Outcome::refused(err::kDocumentOverflow);

    c.payments.push_back({programmed, *v});
    const Decimal paid = c.paid();
    c.phase = paid >= c.total() ? Phase::finishing : Phase::paying;

    Outcome o;
    o.changed = true;
    o.tape = tape::row(programmed, tape::money(*v));
    if (c.phase == Phase::finishing && paid > c.total())
        o.tape += tape::row("TROCO R$", tape::money(paid - c.total()));
    return o;
}

Outcome Printer::close(const char* message) {
    if (!message) return Outcome::answered(ret::kBadParameter);
    const std::string_view text = message;
    if (text.size() > 10 * tape::kColumns) return Outcome::answered(ret::kBadParameter);
    if (!printable(text)) return Outcome::refused(err::kNotPrintable);
    Coupon& c = m_.coupon;
    if (!c.open()) return Outcome::refused(err::kCouponNotOpen);
    if (c.phase != Phase::finishing) return Outcome::refused(err::kNotFinishing);

    c.phase = Phase::closed;
    ++m_.day.coupons;
    for (const auto& [tax, net] : net_by_tax(c))
        m_.day.by_tax[tax] += net;
    for (const auto& [method, kept] : kept_by_method(c))
        m_.day.by_method[method] += kept;
    m_.last_document = LastDocument::coupon;
    m_.last_document_at = now_;

    Outcome o;
    o.changed = true;
    o.tape = tape::rule();
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size(); at += tape::kColumns)
        lines.push_back(tape::from_cp1252(text.substr(at, tape::kColumns)));
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    for (const std::string& l : lines)
        o.tape += l + "\n";
    for (const char* key : {"ECF\\MensagemApl1", "ECF\\MensagemApl2"}) {
        const std::string apl = tape::from_cp1252(config_.get(key));
        if (!apl.empty()) o.tape += tape::row(apl);
    }
    o.tape += tape::footer(now_);
    return o;
}

Outcome Printer::cancel() {
    Coupon& c = m_.coupon;
    Outcome o;
    o.changed = true;
    if (c.open()) {
        if (now_ < m_.last_document_at) return Outcome::refused(err::kDateBeforeLast);
        m_.day.cancellations += c.total();
        ++m_.day.cancelled;
        c.phase = Phase::cancelled;
        m_.last_document = LastDocument::coupon;
        m_.last_document_at = now_;
        o.tape = tape::centred("*** CUPOM FISCAL CANCELADO ***") +
                 tape::row("TOTAL CANCELADO R$", tape::money(c.total())) + tape::footer(now_);
        return o;
    }
    if (m_.last_document != LastDocument::coupon || c.phase != Phase::closed)
        return Outcome::refused(err::kNotCancellable);
    if (now_ < m_.last_document_at) return Outcome::refused(err::kDateBeforeLast);
    if (counters_full(m_)) return Outcome::refused(err::kMemoryFull);

    ++m_.coo;
    m_.day.cancellations += c.total();
    ++m_.day.cancelled;
    for (const auto& [tax, net] : net_by_tax(c))
        m_.day.by_tax[tax] = m_.day.by_tax[tax] - net;
    for (const auto& [method, kept] : kept_by_method(c))
        m_.day.by_method[method] = m_.day.by_method[method] - kept;
    c.phase = Phase::cancelled;
    m_.last_document = LastDocument::cancellation;
    m_.last_document_at = now_;
    o.tape = tape::issuer() + tape::row(now_.printed(), "COO:" + tape::counter(m_.coo)) +
             tape::rule() + tape::centred("CANCELAMENTO DE CUPOM FISCAL") +
             tape::row("COO do cupom cancelado", tape::counter(c.coo)) +
             tape::row("CCF do cupom cancelado", tape::counter(c.ccf)) +
             tape::row("VALOR CANCELADO R$", tape::money(c.total())) + tape::footer(now_);
    return o;
}

std::string Printer::day_report(std::string_view title, const Date& day) const {
    const DayTotals& d = m_.day;
    std::string t = tape::issuer() + tape::row(now_.printed(), "COO:" + tape::counter(m_.coo)) +
                    tape::rule() + tape::centred(title) + tape::rule();
    t += tape::row("Movimento do dia", day.empty() ? "sem movimento" : day.printed());
    t += tape::row("CRZ " + tape::counter(m_.crz) + "  CRO " + tape::counter(m_.cro),
                   "CCF " + tape::counter(m_.ccf));
    t += tape::row("GRANDE TOTAL R$", tape::money(m_.gt));
    t += tape::row("VENDA BRUTA DIÁRIA R$", tape::money(d.gross));
    t += tape::row("CANCELAMENTOS R$", tape::money(d.cancellations));
    t += tape::row("DESCONTOS R$", tape::money(d.discounts));
    t += tape::row("ACRÉSCIMOS R$", tape::money(d.surcharges));
    t += tape::row("VENDA LÍQUIDA R$", tape::money(d.net()));
    t += tape::row("Cupons emitidos", std::to_string(d.coupons));
    t += tape::row("Cupons cancelados", std::to_string(d.cancelled));
    t += tape::rule() + tape::row("TOTALIZADORES PARCIAIS", "VALOR(R$)");
    for (const auto& [tax, v] : d.by_tax)
        t += tape::row("  " + tax_label(tax), tape::money(v));
    if (d.by_tax.empty()) t += tape::row("  (nenhuma venda)");
    t += tape::rule() + tape::row("MEIOS DE PAGAMENTO", "VALOR(R$)");
    for (const auto& [method, v] : d.by_method)
        t += tape::row("  " + method, tape::money(v));
    if (d.by_method.empty()) t += tape::row("  (nenhum pagamento)");
    return t;
}

Outcome Printer::x_reading() {
    if (m_.coupon.open()) return Outcome::refused(err::kCouponOpen);
    if (now_ < m_.last_document_at) return Outcome::refused(err::kDateBeforeLast);
    if (counters_full(m_)) return Outcome::refused(err::kMemoryFull);
    ++m_.coo;
    m_.last_document = LastDocument::x_reading;
    m_.last_document_at = now_;
    Outcome o;
    o.changed = true;
    o.tape = day_report("LEITURA X", m_.movement_date);
    o.tape += tape::rule() + tape::row("Arquivos do ECF: " +
                                       tape::from_cp1252(config_.get("START\\LocalArquivos", "-")));
    o.tape += tape::row("Relatórios: " +
                        tape::from_cp1252(config_.get("START\\LocalArquivosRelatorios", "-")));
    o.tape += tape::footer(now_);
    o.report_name = "LeituraX_" + tape::counter(m_.coo) + ".txt";
    return o;
}

Outcome Printer::z_reduction(const char* date, const char* time) {
    if (!date || !time) return Outcome::answered(ret::kBadParameter);
    for (std::string_view a : {std::string_view(date), std::string_view(time)}) {
        if (a.empty()) continue;
        if (a.size() != 6 || !digits(a, 6, 0)) return Outcome::answered(ret::kBadParameter);
    }
    if (m_.coupon.open()) return Outcome::refused(err::kCouponOpen);
    if (now_ < m_.last_document_at) return Outcome::refused(err::kDateBeforeLast);
    if (m_.movement_date.empty() && m_.last_z_date == now_.date)
        return Outcome::refused(err::kZDoneToday);
    if (counters_full(m_) || m_.crz >= kMaxCounter) return Outcome::refused(err::kMemoryFull);

    const Date day = m_.movement_date.empty() ? now_.date : m_.movement_date;
    ++m_.coo;
    ++m_.crz;
    Outcome o;
    o.changed = true;
    o.tape = day_report("REDUÇÃO Z", day) + tape::footer(now_);
    o.report_name = "ReducaoZ_" + tape::counter(m_.crz) + ".txt";
    m_.last_z_date = day;
    m_.movement_date = Date{};
    m_.day = DayTotals{};
    m_.last_document = LastDocument::z_reduction;
    m_.last_document_at = now_;
    return o;
}

} // namespace qv::ecfsim
