#include "ecfsim/memory.h"

#include <array>
#include <charconv>
#include <functional>
#include <set>

namespace qv::ecfsim {
namespace {

constexpr std::string_view kMemoryHeader = "ECFSIM-MEMORIA 1";
constexpr std::string_view kConfigHeader = "ECFSIM-CONFIGURACAO 1";
constexpr std::string_view kStatusHeader = "ECFSIM-STATUS 1";

constexpr std::array<std::pair<Phase, std::string_view>, 7> kPhases{{
    {Phase::none, "nenhuma"},
    {Phase::selling, "venda"},
    {Phase::totalling, "totalizacao"},
    {Phase::paying, "pagamento"},
    {Phase::finishing, "finalizacao"},
    {Phase::closed, "fechado"},
    {Phase::cancelled, "cancelado"},
}};

constexpr std::array<std::pair<LastDocument, std::string_view>, 5> kDocuments{{
    {LastDocument::none, "nenhum"},
    {LastDocument::coupon, "cupom"},
    {LastDocument::cancellation, "cancelamento"},
    {LastDocument::x_reading, "leitura_x"},
    {LastDocument::z_reduction, "reducao_z"},
}};

template <typename E, std::size_t N>
std::string_view name_of(const std::array<std::pair<E, std::string_view>, N>& names, E e) {
    for (const auto& [value, name] : names)
        if (value == e) return name;
    return names[0].second;
}

template <typename E, std::size_t N>
std::optional<E> value_of(const std::array<std::pair<E, std::string_view>, N>& names,
                          std::string_view text) {
    for (const auto& [value, name] : names)
        if (name == text) return value;
    return std::nullopt;
}

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find(sep, from);
        parts.push_back(text.substr(from, at == std::string_view::npos ? at : at - from));
        if (at == std::string_view::npos) return parts;
        from = at + 1;
    }
}

std::optional<std::uint32_t> counter(std::string_view text) {
    if (text.empty() || text.size() > 6) return std::nullopt;
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::optional<Decimal> amount(std::string_view text) {
    // The files hold Decimal::to_string: digits, a comma and four decimals.
    if (text.empty() || text.size() > 24) return std::nullopt;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == ',' || c == '-')) return std::nullopt;
    return Decimal::parse(text);
}

std::optional<Decimal> non_negative(std::string_view text) {
    auto v = amount(text);
    if (v && v->is_negative()) return std::nullopt;
    return v;
}

std::string tax_line(const std::string& tax, Decimal v) {
    return escape(tax) + ";" + v.to_string();
}

// Lines of "key=value" after a header; calls `take` for each, which returns
// an error text or empty.
std::optional<LoadError>
for_each_line(std::string_view text, std::string_view header,
              const std::function<std::string(std::string_view, std::string_view)>& take) {
    const auto lines = split(text, '\n');
    if (lines.empty() || lines[0] != header)
        return LoadError{"linha 1: cabe\xE7"
                         "alho \"" +
                         std::string(header) + "\" ausente"};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty()) continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            return LoadError{"linha " + std::to_string(i + 1) + ": falta \"=\""};
        std::string err = take(line.substr(0, eq), line.substr(eq + 1));
        if (!err.empty()) return LoadError{"linha " + std::to_string(i + 1) + ": " + err};
    }
    return std::nullopt;
}

} // namespace

std::string escape(std::string_view raw) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x21 || c > 0x7E || c == '%' || c == ';' || c == '=') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x21 || c > 0x7E || c == ';' || c == '=') return std::nullopt;
        if (c != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = hex(text[i + 1]);
        const int lo = hex(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

bool valid_tax(std::string_view tax) {
    if (tax == "F" || tax == "I" || tax == "N") return true;
    if (tax.size() != 6 || tax[0] != 'T' || tax[3] != ',') return false;
    for (std::size_t i : {1, 2, 4, 5})
        if (tax[i] < '0' || tax[i] > '9') return false;
    return true;
}

Decimal Coupon::subtotal() const {
    Decimal s;
    for (const Item& i : items)
        s += i.net();
    return s;
}

Decimal Coupon::paid() const {
    Decimal s;
    for (const Payment& p : payments)
        s += p.amount;
    return s;
}

std::string to_text(const FiscalMemory& m) {
    std::string t(kMemoryHeader);
    t += '\n';
    auto put = [&t](std::string_view key, const std::string& value) {
        t += key;
        t += '=';
        t += value;
        t += '\n';
    };
    put("coo", std::to_string(m.coo));
    put("ccf", std::to_string(m.ccf));
    put("crz", std::to_string(m.crz));
    put("cro", std::to_string(m.cro));
    put("gt", m.gt.to_string());
    put("data_movimento", m.movement_date.iso());
    put("data_ultima_rz", m.last_z_date.iso());
    put("ultimo_documento", std::string(name_of(kDocuments, m.last_document)));
    std::string at = m.last_document_at.iso();
    if (!at.empty()) at[10] = 'T'; // one word: "2026-12-07T10:00:00"
    put("ultimo_documento_em", at);
    put("dia.cupons", std::to_string(m.day.coupons));
    put("dia.cancelados", std::to_string(m.day.cancelled));
    put("dia.bruta", m.day.gross.to_string());
    put("dia.descontos", m.day.discounts.to_string());
    put("dia.acrescimos", m.day.surcharges.to_string());
    put("dia.cancelamentos", m.day.cancellations.to_string());
    for (const auto& [tax, v] : m.day.by_tax)
        put("dia.aliquota", tax_line(tax, v));
    for (const auto& [method, v] : m.day.by_method)
        put("dia.pagamento", tax_line(method, v));
    const Coupon& c = m.coupon;
    put("cupom.fase", std::string(name_of(kPhases, c.phase)));
    put("cupom.coo", std::to_string(c.coo));
    put("cupom.ccf", std::to_string(c.ccf));
    put("cupom.documento", escape(c.document));
    put("cupom.ajuste", c.adjustment.to_string());
    for (const Item& i : c.items)
        put("cupom.item", escape(i.code) + ";" + escape(i.description) + ";" + escape(i.unit) +
                              ";" + escape(i.tax) + ";" + i.quantity.to_string() + ";" +
                              i.unit_price.to_string() + ";" + i.value.to_string() + ";" +
                              i.discount.to_string());
    for (const Payment& p : c.payments)
        put("cupom.pagamento", tax_line(p.method, p.amount));
    return t;
}

std::variant<FiscalMemory, LoadError> memory_from_text(std::string_view text) {
    FiscalMemory m;
    // The file is always written whole and ends with a line feed: anything
    // less was cut short, and a memory never starts again by itself.
    if (text.empty()) return LoadError{"arquivo vazio"};
    if (text.back() != '\n') return LoadError{"arquivo cortado no meio de uma linha"};
    std::set<std::string> seen;
    const std::set<std::string_view> repeated = {"dia.aliquota", "dia.pagamento", "cupom.item",
                                                 "cupom.pagamento"};
    auto take = [&](std::string_view key, std::string_view value) -> std::string {
        const std::string k(key);
        if (!repeated.contains(key) && !seen.insert(k).second) return "\"" + k + "\" repetido";
        std::string bad = "valor inv\xE1lido para \"" + k + "\"";
        auto set_counter = [&](std::uint32_t& out) {
            const auto v = counter(value);
            if (!v || *v > kMaxCounter) return false;
            out = *v;
            return true;
        };
        auto set_amount = [&](Decimal& out, bool may_be_negative) {
            const auto v = may_be_negative ? amount(value) : non_negative(value);
            if (!v) return false;
            out = *v;
            return true;
        };
        auto set_date = [&](Date& out) {
            if (value.empty()) return true;
            const auto d = parse_date(value);
            if (!d) return false;
            out = *d;
            return true;
        };
        bool ok = true;
        if (key == "coo")
            ok = set_counter(m.coo);
        else if (key == "ccf")
            ok = set_counter(m.ccf);
        else if (key == "crz")
            ok = set_counter(m.crz);
        else if (key == "cro")
            ok = set_counter(m.cro);
        else if (key == "gt")
            ok = set_amount(m.gt, false);
        else if (key == "data_movimento")
            ok = set_date(m.movement_date);
        else if (key == "data_ultima_rz")
            ok = set_date(m.last_z_date);
        else if (key == "ultimo_documento") {
            const auto d = value_of(kDocuments, value);
            ok = d.has_value();
            if (ok) m.last_document = *d;
        } else if (key == "ultimo_documento_em") {
            const auto raw = unescape(value);
            if (raw && !raw->empty()) {
                const auto at = parse_moment(*raw);
                ok = at.has_value();
                if (ok) m.last_document_at = *at;
            } else {
                ok = raw.has_value();
            }
        } else if (key == "dia.cupons")
            ok = set_counter(m.day.coupons);
        else if (key == "dia.cancelados")
            ok = set_counter(m.day.cancelled);
        else if (key == "dia.bruta")
            ok = set_amount(m.day.gross, false);
        else if (key == "dia.descontos")
            ok = set_amount(m.day.discounts, false);
        else if (key == "dia.acrescimos")
            ok = set_amount(m.day.surcharges, false);
        else if (key == "dia.cancelamentos")
            ok = set_amount(m.day.cancellations, false);
        else if (key == "dia.aliquota" || key == "dia.pagamento" || key == "cupom.pagamento") {
            const auto parts = split(value, ';');
            if (parts.size() != 2) return bad;
            const auto name = unescape(parts[0]);
            const auto v = amount(parts[1]);
            if (!name || name->empty() || !v) return bad;
            if (key == "dia.aliquota") {
                if (!valid_tax(*name) || m.day.by_tax.contains(*name)) return bad;
                m.day.by_tax[*name] = *v;
            } else if (key == "dia.pagamento") {
                if (m.day.by_method.contains(*name)) return bad;
                m.day.by_method[*name] = *v;
            } else {
                if (m.coupon.payments.size() >= kMaxPayments || v->is_negative()) return bad;
                m.coupon.payments.push_back({*name, *v});
            }
        } else if (key == "cupom.fase") {
            const auto p = value_of(kPhases, value);
            ok = p.has_value();
            if (ok) m.coupon.phase = *p;
        } else if (key == "cupom.coo")
            ok = set_counter(m.coupon.coo);
        else if (key == "cupom.ccf")
            ok = set_counter(m.coupon.ccf);
        else if (key == "cupom.documento") {
            const auto d = unescape(value);
            ok = d.has_value() && d->size() <= 20;
            if (ok) m.coupon.document = *d;
        } else if (key == "cupom.ajuste")
            ok = set_amount(m.coupon.adjustment, true);
        else if (key == "cupom.item") {
            const auto parts = split(value, ';');
            if (parts.size() != 8 || m.coupon.items.size() >= kMaxItems) return bad;
            Item item;
            const auto code = unescape(parts[0]);
            const auto desc = unescape(parts[1]);
            const auto unit = unescape(parts[2]);
            const auto tax = unescape(parts[3]);
            const auto qty = non_negative(parts[4]);
            const auto price = non_negative(parts[5]);
            const auto val = non_negative(parts[6]);
            const auto disc = amount(parts[7]);
            if (!code || !desc || !unit || !tax || !valid_tax(*tax) || !qty || !price || !val ||
                !disc || code->empty() || code->size() > 14 || desc->size() > 233 ||
                unit->size() > 3)
                return bad;
            m.coupon.items.push_back({*code, *desc, *unit, *tax, *qty, *price, *val, *disc});
        } else {
            return "chave desconhecida \"" + k + "\"";
        }
        return ok ? std::string{} : bad;
    };
    if (auto err = for_each_line(text, kMemoryHeader, take)) return *err;
    for (std::string_view required : {"coo",
                                      "ccf",
                                      "crz",
                                      "cro",
                                      "gt",
                                      "data_movimento",
                                      "data_ultima_rz",
                                      "ultimo_documento",
                                      "ultimo_documento_em",
                                      "dia.cupons",
                                      "dia.cancelados",
                                      "dia.bruta",
                                      "dia.descontos",
                                      "dia.acrescimos",
                                      "dia.cancelamentos",
                                      "cupom.fase",
                                      "cupom.coo",
                                      "cupom.ccf",
                                      "cupom.documento",
                                      "cupom.ajuste"})
        if (!seen.contains(std::string(required)))
            return LoadError{"falta \"" + std::string(required) + "\""};
    const Coupon& c = m.coupon;
    if (c.phase == Phase::none && (!c.items.empty() || !c.payments.empty()))
        return LoadError{"cupom sem fase com itens ou pagamentos"};
    if (c.phase != Phase::none && (c.coo == 0 || c.coo > m.coo || c.ccf == 0 || c.ccf > m.ccf))
        return LoadError{"COO ou CCF do cupom fora da mem\xF3ria"};
    if ((c.phase == Phase::totalling || c.phase == Phase::paying || c.phase == Phase::finishing ||
         c.phase == Phase::closed) &&
        c.items.empty())
        return LoadError{"cupom totalizado sem itens"};
    if ((c.phase == Phase::finishing || c.phase == Phase::closed) && c.paid() < c.total())
        return LoadError{"cupom pago sem todos os pagamentos"};
    if (c.phase != Phase::none && m.movement_date.empty() && c.open())
        return LoadError{"cupom aberto sem data de movimento"};
    return m;
}

std::string Config::get(const std::string& key, const std::string& fallback) const {
    const auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

bool Config::rounds() const {
    const std::string v = get("ECF\\ArredondarTruncar", "T");
    return v == "A" || v == "a";
}

std::string to_text(const Config& config) {
    std::string t(kConfigHeader);
    t += '\n';
    for (const auto& [key, value] : config.values)
        t += escape(key) + "=" + escape(value) + "\n";
    return t;
}

std::variant<Config, LoadError> config_from_text(std::string_view text) {
    Config c;
    if (text.empty()) return c;
    auto take = [&](std::string_view key, std::string_view value) -> std::string {
        const auto k = unescape(key);
        const auto v = unescape(value);
        if (!k || !v || k->empty()) return "chave ou valor ileg\xEDvel";
        c.values[*k] = *v;
        return {};
    };
    if (auto err = for_each_line(text, kConfigHeader, take)) return *err;
    return c;
}

std::string to_text(const LastStatus& s) {
    return std::string(kStatusHeader) + "\nerro=" + std::to_string(s.error) +
           "\naviso=" + std::to_string(s.warning) + "\n";
}

LastStatus status_from_text(std::string_view text) {
    LastStatus s;
    auto take = [&](std::string_view key, std::string_view value) -> std::string {
        std::int32_t v = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (ec != std::errc{} || end != value.data() + value.size()) return "n\xFAmero";
        if (key == "erro")
            s.error = v;
        else if (key == "aviso")
            s.warning = v;
        return {};
    };
    if (for_each_line(text, kStatusHeader, take)) return {};
    return s;
}

} // namespace qv::ecfsim
