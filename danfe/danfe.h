// The DANFE NFC-e: the paper a thermal printer gives the consumer for an
// electronic consumer note (model 65), laid out as ESC/POS bytes. The
// document holds what the paper shows, already as texts and amounts; the
// texts are UTF-8 and are printed in the printer's Windows-1252 page.
#pragma once

#include "shared/decimal.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::danfe {

// The paper roll: 48 columns of the printer's font A on 80 mm, 32 on 58 mm.
enum class PaperWidth { mm58 = 58, mm80 = 80 };

struct Issuer {
    std::string name;    // razão social
    std::string cnpj;    // 14 digits (shown with its mask) or as it is to be shown
    std::string ie;      // inscrição estadual
    std::string address; // the whole address on one text
};

struct Item {
    std::string code;
    std::string description;
    Decimal quantity;
    std::string unit; // "UN", "KG"...
    Decimal unit_price;
    Decimal total;
};

struct Payment {
    std::string form; // "Dinheiro", "Cartão de Crédito"...
    Decimal amount;
};

struct Document {
    Issuer issuer;
    std::vector<Item> items;
    Decimal total;         // the items' value
    Decimal discount;      // shown only when not zero
    Decimal amount_to_pay; // total less discount
    std::vector<Payment> payments;
    Decimal change; // troco; shown only when not zero

    std::string consultation_url; // where the key is looked up (urlChave)
    std::string access_key;       // 44 digits

    std::string consumer_document; // CPF (11 digits) or CNPJ (14); empty: not identified
    std::string consumer_name;     // may be empty

    std::string number;    // nNF as shown, e.g. "000000123"
    std::string series;    // e.g. "001"
    std::string issued_at; // "dd/mm/aaaa hh:mm:ss"

    // Authorised: the protocol and when it was given. In contingency the
    // note has no protocol yet, and the paper says so with these texts.
    bool contingency = false;
    std::string protocol;
    std::string authorized_at;
    std::vector<std::string> contingency_texts; // e.g. kPendingAuthorization

    bool homologation = false;                // tpAmb 2: the note has no fiscal value
    std::string qr_code;                      // the QR code's whole text
    std::string taxes_line;                   // the approximate taxes (Lei 12.741)
    std::vector<std::string> additional_info; // e.g. the operator
};

inline constexpr std::string_view kPendingAuthorization = "Pendente de autorização";

// The ESC/POS bytes of the paper, or the reason there are none.
struct Printout {
    std::string bytes;
    std::string error; // empty when the bytes are good
    bool ok() const { return error.empty(); }
};

// Lays the document out for the paper: an access key that is not 44 digits
// or a QR text that no QR code can hold gives no bytes and an error.
Printout layout(const Document& document, PaperWidth width);

} // namespace qv::danfe
