// The simulated printer's memory: the fiscal counters and totals that a real
// ECF keeps in its fiscal and working memory, the coupon in progress, and the
// vendor library settings. Kept as small text files so a technician can read
// them; every load checks every value, so a damaged file is named, never used.
#pragma once

#include "ecfsim/clock.h"
#include "shared/decimal.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qv::ecfsim {

inline constexpr std::uint32_t kMaxCounter = 999'999; // six digits on the tape
inline constexpr std::size_t kMaxItems = 300;
inline constexpr std::size_t kMaxPayments = 20;

// A totaliser name: "T" and a rate ("T18,00"), or "F", "I", "N".
bool valid_tax(std::string_view tax);

// Where the coupon stands. `closed` and `cancelled` keep the last coupon so
// that it can still be cancelled (closed) or shown as such (cancelled).
enum class Phase { none, selling, totalling, paying, finishing, closed, cancelled };
// The last document the printer issued.
enum class LastDocument { none, coupon, cancellation, x_reading, z_reduction };

struct Item {
    std::string code;        // Windows-1252, as sent
    std::string description; // Windows-1252, as sent, trailing spaces cut
    std::string unit;        // Windows-1252
    std::string tax;         // totaliser: "T18,00", "F", "I" or "N"
    Decimal quantity;        // 3 decimals
    Decimal unit_price;      // 2 decimals
    Decimal value;           // quantity x unit price, 2 decimals
    Decimal discount;        // item discount (negative: surcharge), 2 decimals

    Decimal net() const { return value - discount; }
    friend bool operator==(const Item&, const Item&) = default;
};

struct Payment {
    std::string method; // the programmed name ("Dinheiro", ...)
    Decimal amount;
    friend bool operator==(const Payment&, const Payment&) = default;
};

struct Coupon {
    Phase phase = Phase::none;
    std::uint32_t coo = 0;
    std::uint32_t ccf = 0;
    std::string document; // customer's CPF/CNPJ, Windows-1252, trailing spaces cut
    std::vector<Item> items;
    Decimal adjustment; // on the subtotal: negative a discount, positive a surcharge
    std::vector<Payment> payments;

    Decimal subtotal() const;
    Decimal total() const { return subtotal() + adjustment; }
    Decimal paid() const;
    bool open() const {
        return phase != Phase::none && phase != Phase::closed && phase != Phase::cancelled;
    }
    friend bool operator==(const Coupon&, const Coupon&) = default;
};

// The day's totals, cleared by the Z reduction.
struct DayTotals {
    std::uint32_t coupons = 0;                // coupons closed
    std::uint32_t cancelled = 0;              // coupons cancelled (open or closed)
    Decimal gross;                            // every item sold, before discounts
    Decimal discounts;                        // item and subtotal discounts
    Decimal surcharges;                       // subtotal surcharges
    Decimal cancellations;                    // totals of cancelled coupons
    std::map<std::string, Decimal> by_tax;    // net sales of closed coupons per totaliser
    std::map<std::string, Decimal> by_method; // payments of closed coupons, change taken off

    Decimal net() const { return gross - discounts + surcharges - cancellations; }
    friend bool operator==(const DayTotals&, const DayTotals&) = default;
};

struct FiscalMemory {
    std::uint32_t coo = 0; // every document
    std::uint32_t ccf = 0; // every fiscal coupon
    std::uint32_t crz = 0; // Z reductions
    std::uint32_t cro = 1; // restarts of operation; 1 from the first start
    Decimal gt;            // grand total: never decreases
    Date movement_date;    // the open fiscal day; empty when nothing was sold since the last Z
    Date last_z_date;      // the fiscal day closed by the last Z reduction
    Moment last_document_at;
    LastDocument last_document = LastDocument::none;
    DayTotals day;
    Coupon coupon;
    friend bool operator==(const FiscalMemory&, const FiscalMemory&) = default;
};

struct LoadError {
    std::string text; // Portuguese, names the line and what is wrong
};

std::string to_text(const FiscalMemory& memory);
// The memory of a file's text. An empty or cut text is damage like any
// other: only a missing file is a new printer (the caller decides that).
std::variant<FiscalMemory, LoadError> memory_from_text(std::string_view text);

// The vendor library's settings, as set through regAlterarValor_Daruma.
struct Config {
    std::map<std::string, std::string> values; // key -> value, Windows-1252

    std::string get(const std::string& key, const std::string& fallback = {}) const;
    // "ECF\ArredondarTruncar": "A" rounds item values, anything else cuts them.
    bool rounds() const;
    friend bool operator==(const Config&, const Config&) = default;
};

std::string to_text(const Config& config);
std::variant<Config, LoadError> config_from_text(std::string_view text);

// The answer to the status query of the last printer command.
struct LastStatus {
    std::int32_t error = 0;
    std::int32_t warning = 0;
};
std::string to_text(const LastStatus& status);
LastStatus status_from_text(std::string_view text); // unreadable: no error

// Text escaping of the files: bytes outside "!".."~" and "%;=" become %XX.
std::string escape(std::string_view raw);
std::optional<std::string> unescape(std::string_view text);

} // namespace qv::ecfsim
