// The text of the NFC-e's QR code, printed on the DANFE and carried in the
// note's supplement (infNFeSupl, with the consultation address urlChave).
//
// Version 2: the state's QR code address, then "?p=" and the fields joined
// by "|", ending with the SHA-1 (upper-case hexadecimal) of those fields
// followed directly by the CSC; the CSC's id goes without leading zeros.
//   online:  key|2|tpAmb|idCSC|hash
//   offline: key|2|tpAmb|day|vNF|digVal|idCSC|hash   (tpEmis 9; digVal is the
//            signature's DigestValue text in hexadecimal)
// Version 3 (NT 2025.001) needs no CSC:
//   online:  key|3|tpAmb
//   offline: key|3|tpAmb|day|vNF|tpIdDest|idDest|signature   (tpIdDest 1 CNPJ,
//            2 CPF, both empty without a customer; the signature, in base64,
//            is the issuer certificate's over the text before it, without
//            the last "|")
// Offline means the key's emission type is 9 (contingency).
#pragma once

#include "nfce/config.h"
#include "shared/decimal.h"

#include <functional>
#include <string>
#include <string_view>

namespace qv::nfce {

struct QrFields {
    std::string key; // the note's 44 characters
    Environment environment = Environment::homologation;
    int day = 0;              // of dhEmi
    Decimal total;            // vNF
    std::string customer;     // the CPF or CNPJ of dest; empty for none
    std::string digest_value; // the signature's DigestValue (base64 text)
};

// Signs `text` with the issuer's certificate; the signature in base64.
using QrSigner = std::function<std::string(std::string_view text)>;

std::string qr_code_v2(std::string_view address, const QrFields& fields, std::string_view csc_id,
                       std::string_view csc);
std::string qr_code_v3(std::string_view address, const QrFields& fields, const QrSigner& sign);
// The version and the addresses of the configuration; `sign` is used by
// version 3 offline only.
std::string qr_code(const Config& config, const QrFields& fields, const QrSigner& sign);

} // namespace qv::nfce
