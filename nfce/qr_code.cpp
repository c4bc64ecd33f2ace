#include "nfce/qr_code.h"

#include "nfce/digest.h"
#include "nfce/note.h"
#include "nfce/states.h"

namespace qv::nfce {

namespace {

bool offline(const QrFields& f) {
    return f.key.size() == 44 && f.key[34] == '9';
}

std::string two_digits(int v) {
    return std::string(v < 10 ? "0" : "") + std::to_string(v);
}

std::string environment_text(const QrFields& f) {
    return std::to_string(static_cast<int>(f.environment));
}

// The address with its parameter: "?p=", or "p=" after an address that
// already ends in "?".
std::string with_parameter(std::string_view address, const std::string& p) {
    return std::string(address) + (address.ends_with('?') ? "p=" : "?p=") + p;
}

} // namespace

std::string qr_code_v2(std::string_view address, const QrFields& f, std::string_view csc_id,
                       std::string_view csc) {
    std::string p = f.key + "|2|" + environment_text(f) + "|";
    if (offline(f))
        p += two_digits(f.day) + "|" + decimal_text(f.total, 2) + "|" + hex(f.digest_value) + "|";
    p += std::string(csc_id);
    p += "|" + sha1_hex(p + std::string(csc));
    return with_parameter(address, p);
}

std::string qr_code_v3(std::string_view address, const QrFields& f, const QrSigner& sign) {
    std::string p = f.key + "|3|" + environment_text(f);
    if (offline(f)) {
        const char* kind = f.customer.empty() ? "" : f.customer.size() == 11 ? "2" : "1";
        p += "|" + two_digits(f.day) + "|" + decimal_text(f.total, 2) + "|" + kind + "|" +
             f.customer;
        p += "|" + sign(p);
    }
    return with_parameter(address, p);
}

std::string qr_code(const Config& config, const QrFields& fields, const QrSigner& sign) {
    const std::string address_text = address(config, Service::qr_code);
    return config.qr_version == 3 ? qr_code_v3(address_text, fields, sign)
                                  : qr_code_v2(address_text, fields, config.csc_id, config.csc);
}

} // namespace qv::nfce
