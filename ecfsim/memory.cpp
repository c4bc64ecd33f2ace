#include "ecfsim/memory.h"

#include "shared/cp1252.h"

#include <algorithm>
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
        return LoadError{"linha 1: cabeçalho \""_cp1252 + std::string(header) + "\" ausente"};
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

// What a key of the memory file holds: how its value is written and checked.
enum class Kind {
    counter,       // a six-digit counter
    amount,        // a non-negative amount
    signed_amount, // an amount, negative or not
    date,          // "2026-12-07", or empty
    moment,        // "2026-12-07T10:00:00", or empty
    last_document, // a name of kDocuments
    phase,         // a name of kPhases
    document,      // escaped text of up to 20 bytes
    by_tax,        // repeated: "T18,00;200,0000", one line per totaliser
    by_method,     // repeated: "Dinheiro;250,0000", one line per method
    items,         // repeated: one coupon item per line
    payments,      // repeated: one coupon payment per line
};

bool repeated(Kind kind) {
    return kind == Kind::by_tax || kind == Kind::by_method || kind == Kind::items ||
           kind == Kind::payments;
}

using Slot =
    std::variant<std::uint32_t*, Decimal*, Date*, Moment*, LastDocument*, Phase*, std::string*,
                 std::map<std::string, Decimal>*, std::vector<Item>*, std::vector<Payment>*>;

struct Key {
    std::string_view name;
    Kind kind;
    Slot (*slot)(FiscalMemory&);
};

// Every key of the memory file, in the order it is written. Keys that are
// not repeated must each stand once in a file.
const std::array<Key, 24> kKeys{{
    {"coo", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.coo; }},
    {"ccf", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.ccf; }},
    {"crz", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.crz; }},
    {"cro", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.cro; }},
    {"gt", Kind::amount, [](FiscalMemory& m) -> Slot { return &m.gt; }},
    {"data_movimento", Kind::date, [](FiscalMemory& m) -> Slot { return &m.movement_date; }},
    {"data_ultima_rz", Kind::date, [](FiscalMemory& m) -> Slot { return &m.last_z_date; }},
    {"ultimo_documento", Kind::last_document,
     [](FiscalMemory& m) -> Slot { return &m.last_document; }},
    {"ultimo_documento_em", Kind::moment,
     [](FiscalMemory& m) -> Slot { return &m.last_document_at; }},
    {"dia.cupons", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.day.coupons; }},
    {"dia.cancelados", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.day.cancelled; }},
    {"dia.bruta", Kind::amount, [](FiscalMemory& m) -> Slot { return &m.day.gross; }},
    {"dia.descontos", Kind::amount, [](FiscalMemory& m) -> Slot { return &m.day.discounts; }},
    {"dia.acrescimos", Kind::amount, [](FiscalMemory& m) -> Slot { return &m.day.surcharges; }},
    {"dia.cancelamentos", Kind::amount,
     [](FiscalMemory& m) -> Slot { return &m.day.cancellations; }},
    {"dia.aliquota", Kind::by_tax, [](FiscalMemory& m) -> Slot { return &m.day.by_tax; }},
    {"dia.pagamento", Kind::by_method, [](FiscalMemory& m) -> Slot { return &m.day.by_method; }},
    {"cupom.fase", Kind::phase, [](FiscalMemory& m) -> Slot { return &m.coupon.phase; }},
    {"cupom.coo", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.coupon.coo; }},
    {"cupom.ccf", Kind::counter, [](FiscalMemory& m) -> Slot { return &m.coupon.ccf; }},
    {"cupom.documento", Kind::document, [](FiscalMemory& m) -> Slot { return &m.coupon.document; }},
    {"cupom.ajuste", Kind::signed_amount,
     [](FiscalMemory& m) -> Slot { return &m.coupon.adjustment; }},
    {"cupom.item", Kind::items, [](FiscalMemory& m) -> Slot { return &m.coupon.items; }},
    {"cupom.pagamento", Kind::payments, [](FiscalMemory& m) -> Slot { return &m.coupon.payments; }},
}};

std::string item_line(const Item& i) {
    return escape(i.code) + ";" + escape(i.description) + ";" + escape(i.unit) + ";" +
           escape(i.tax) + ";" + i.quantity.to_string() + ";" + i.unit_price.to_string() + ";" +
           i.value.to_string() + ";" + i.discount.to_string();
}

// The values of one key: one, or one per entry of a repeated key.
std::vector<std::string> values_of(Kind kind, const Slot& slot) {
    switch (kind) {
    case Kind::counter:
        return {std::to_string(*std::get<std::uint32_t*>(slot))};
    case Kind::amount:
    case Kind::signed_amount:
        return {std::get<Decimal*>(slot)->to_string()};
    case Kind::date:
        return {std::get<Date*>(slot)->iso()};
    case Kind::moment: {
        std::string at = std::get<Moment*>(slot)->iso();
        if (!at.empty()) at[10] = 'T'; // one word: "2026-12-07T10:00:00"
        return {at};
    }
    case Kind::last_document:
        return {std::string(name_of(kDocuments, *std::get<LastDocument*>(slot)))};
    case Kind::phase:
        return {std::string(name_of(kPhases, *std::get<Phase*>(slot)))};
    case Kind::document:
        return {escape(*std::get<std::string*>(slot))};
    case Kind::by_tax:
    case Kind::by_method: {
        std::vector<std::string> lines;
        for (const auto& [name, v] : *std::get<std::map<std::string, Decimal>*>(slot))
            lines.push_back(tax_line(name, v));
        return lines;
    }
    case Kind::items: {
        std::vector<std::string> lines;
        for (const Item& i : *std::get<std::vector<Item>*>(slot))
            lines.push_back(item_line(i));
        return lines;
    }
    case Kind::payments: {
        std::vector<std::string> lines;
        for (const Payment& p : *std::get<std::vector<Payment>*>(slot))
            lines.push_back(tax_line(p.method, p.amount));
        return lines;
    }
    }
    return {};
}

std::optional<Item> item_of(std::string_view value) {
    const auto parts = split(value, ';');
    if (parts.size() != 8) return std::nullopt;
    const auto code = unescape(parts[0]);
    const auto desc = unescape(parts[1]);
    const auto unit = unescape(parts[2]);
    const auto tax = unescape(parts[3]);
    const auto qty = non_negative(parts[4]);
    const auto price = non_negative(parts[5]);
    const auto val = non_negative(parts[6]);
    const auto disc = amount(parts[7]);
    if (!code || !desc || !unit || !tax || !valid_tax(*tax) || !qty || !price || !val || !disc ||
        code->empty() || code->size() > 14 || desc->size() > 233 || unit->size() > 3)
        return std::nullopt;
    return Item{*code, *desc, *unit, *tax, *qty, *price, *val, *disc};
}

// "name;amount" with a name that is not empty.
std::optional<std::pair<std::string, Decimal>> named_amount(std::string_view value) {
    const auto parts = split(value, ';');
    if (parts.size() != 2) return std::nullopt;
    auto name = unescape(parts[0]);
    const auto v = amount(parts[1]);
    if (!name || name->empty() || !v) return std::nullopt;
    return std::pair{std::move(*name), *v};
}

template <typename T> bool assign(Slot& slot, const std::optional<T>& v) {
    if (v) *std::get<T*>(slot) = *v;
    return v.has_value();
}

// Reads `value` into the slot; false when it is not a value of its kind.
bool read_value(Kind kind, Slot slot, std::string_view value) {
    switch (kind) {
    case Kind::counter: {
        const auto v = counter(value);
        return v && *v <= kMaxCounter && assign(slot, v);
    }
    case Kind::amount:
        return assign(slot, non_negative(value));
    case Kind::signed_amount:
        return assign(slot, amount(value));
    case Kind::date:
        return value.empty() || assign(slot, parse_date(value));
    case Kind::moment: {
        const auto raw = unescape(value);
        return raw && (raw->empty() || assign(slot, parse_moment(*raw)));
    }
    case Kind::last_document:
        return assign(slot, value_of(kDocuments, value));
    case Kind::phase:
        return assign(slot, value_of(kPhases, value));
    case Kind::document: {
        const auto d = unescape(value);
        return d && d->size() <= 20 && assign(slot, d);
    }
    case Kind::by_tax:
    case Kind::by_method: {
        const auto entry = named_amount(value);
        auto& totals = *std::get<std::map<std::string, Decimal>*>(slot);
        if (!entry || totals.contains(entry->first)) return false;
        if (kind == Kind::by_tax && !valid_tax(entry->first)) return false;
        totals[entry->first] = entry->second;
        return true;
    }
    case Kind::items: {
        auto& items = *std::get<std::vector<Item>*>(slot);
        const auto item = items.size() < kMaxItems ? item_of(value) : std::nullopt;
        if (item) items.push_back(*item);
        return item.has_value();
    }
    case Kind::payments: {
        const auto entry = named_amount(value);
        auto& payments = *std::get<std::vector<Payment>*>(slot);
        if (!entry || payments.size() >= kMaxPayments || entry->second.is_negative()) return false;
        payments.push_back({entry->first, entry->second});
        return true;
    }
    }
    return false;
}

// What a memory's values must agree on beyond each value on its own.
std::optional<LoadError> inconsistency(const FiscalMemory& m) {
    const Coupon& c = m.coupon;
    if (c.phase == Phase::none && (!c.items.empty() || !c.payments.empty()))
        return LoadError{"cupom sem fase com itens ou pagamentos"};
    if (c.phase != Phase::none && (c.coo == 0 || c.coo > m.coo || c.ccf == 0 || c.ccf > m.ccf))
        return LoadError{"COO ou CCF do cupom fora da memória"_cp1252};
    if ((c.phase == Phase::totalling || c.phase == Phase::paying || c.phase == Phase::finishing ||
         c.phase == Phase::closed) &&
        c.items.empty())
        return LoadError{"cupom totalizado sem itens"};
    if ((c.phase == Phase::finishing || c.phase == Phase::closed) && c.paid() < c.total())
        return LoadError{"cupom pago sem todos os pagamentos"};
    if (c.phase != Phase::none && m.movement_date.empty() && c.open())
        return LoadError{"cupom aberto sem data de movimento"};
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
    // The slots are only read here.
    auto& memory = const_cast<FiscalMemory&>(m); // NOLINT(cppcoreguidelines-pro-type-const-cast)
    for (const Key& key : kKeys)
        for (const std::string& value : values_of(key.kind, key.slot(memory)))
            t += std::string(key.name) + "=" + value + "\n";
    return t;
}

std::variant<FiscalMemory, LoadError> memory_from_text(std::string_view text) {
    FiscalMemory m;
    // The file is always written whole and ends with a line feed: anything
    // less was cut short, and a memory never starts again by itself.
    if (text.empty()) return LoadError{"arquivo vazio"};
    if (text.back() != '\n') return LoadError{"arquivo cortado no meio de uma linha"};
    std::set<std::string_view> seen;
    auto take = [&](std::string_view name, std::string_view value) -> std::string {
        const auto key = std::find_if(kKeys.begin(), kKeys.end(),
                                      [name](const Key& k) { return k.name == name; });
        if (key == kKeys.end()) return "chave desconhecida \"" + std::string(name) + "\"";
        if (!repeated(key->kind) && !seen.insert(key->name).second)
            return "\"" + std::string(name) + "\" repetido";
        if (!read_value(key->kind, key->slot(m), value))
            return "valor inválido para \""_cp1252 + std::string(name) + "\"";
        return {};
    };
    if (auto err = for_each_line(text, kMemoryHeader, take)) return *err;
    for (const Key& key : kKeys)
        if (!repeated(key.kind) && !seen.contains(key.name))
            return LoadError{"falta \"" + std::string(key.name) + "\""};
    if (auto err = inconsistency(m)) return *err;
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
        if (!k || !v || k->empty()) return "chave ou valor ilegível"_cp1252;
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
        if (ec != std::errc{} || end != value.data() + value.size()) return "número"_cp1252;
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
