// The NFC-e itself: the unsigned XML of the note (layout 4.00, model 65)
// for one coupon of the till, from the shop's configuration, the coupon as
// the engine sends it to the printer (customer's document, meal and drinks,
// discount on the total, one payment, the closing message), the note's
// numbers and the time of issue. UTF-8, without the XML signature and the
// QR code supplement, which come after it.
#pragma once

#include "nfce/config.h"
#include "shared/decimal.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv::nfce {

struct CouponItem {
    std::string code;        // the item code the engine sells under ("0000000000001")
    std::string description; // "REFEICAO", "BEBIDAS"
    Decimal amount;          // one unit at this price; cut to 2 decimals
    Decimal approximate_tax; // Lei 12.741's approximate tax of the item
};

struct Coupon {
    std::string document;          // the customer's CPF or CNPJ; empty for none
    std::vector<CouponItem> items; // those not zero, in the coupon's order
    Decimal discount;              // on the total, shared out over the items
    std::string payment;           // "Dinheiro", "Cheque" or "Cartao"
    Decimal paid;                  // what the customer handed over
    std::string tax_line;          // the closing message's Lei 12.741 line, UTF-8
    std::string operator_line;     // its "OPERADOR: ..." line, UTF-8
};

struct NoteNumbers {
    std::uint32_t number = 0; // nNF
    std::uint32_t code = 0;   // cNF (numeric_code)
    int emission = 1;         // tpEmis: 1 normal, 9 offline contingency
    // For contingency only: when it began (same form as the time of issue)
    // and why, 15 to 256 characters.
    std::string contingency_since;
    std::string contingency_reason;
};

// The time of issue in the shop's local time and that time's distance from
// UTC (-180 for Brasília).
struct IssueTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int utc_offset_minutes = -180;
};

struct Note {
    std::string key; // the 44-character access key
    std::string xml; // the NFe element's document, UTF-8
    Decimal total;   // vNF
};

struct NoteResult {
    std::optional<Note> note;
    std::string error; // UTF-8, Portuguese; empty when `note` is set
};

NoteResult build_note(const Config& config, const Coupon& coupon, const NoteNumbers& numbers,
                      const IssueTime& time);

// "2026-12-08T18:30:05-03:00", the form of dhEmi and dhCont.
std::string date_time_text(const IssueTime& time);
// The value with `decimals` decimals after a point, cut: "1234.50".
std::string decimal_text(Decimal value, int decimals);

// The first item's description and the customer's name a note of the
// homologation environment must carry.
inline constexpr const char* kHomologationItem =
    "NOTA FISCAL EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";
inline constexpr const char* kHomologationName =
    "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";

} // namespace qv::nfce
