// The shop's A1 certificate: the PKCS#12 file (.pfx) and the file holding
// its password, both named in nfce.conf. It is loaded and checked before
// any note is issued: a file that cannot be read, a wrong password, a file
// that is not PKCS#12, a certificate out of its validity, one without a
// CNPJ or of a CNPJ other than the issuer's, and a missing or mismatched
// private key are each refused in Portuguese words naming the file.
//
// Old PKCS#12 files (RC2-40 and 3DES, as many certificate authorities still
// hand out) need OpenSSL's legacy algorithms: when a file fails for an
// unsupported algorithm, the legacy provider is loaded and the file read
// again.
#pragma once

#include "nfce/config.h"

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv::nfce {

namespace detail {
struct CertificateKeys; // the OpenSSL objects, kept out of this header
// Base64 without line breaks, as XML signatures and the QR code carry it.
std::string base64(std::string_view bytes);
// The bytes of base64 text (white space ignored); nullopt when not base64.
std::optional<std::string> from_base64(std::string_view text);
} // namespace detail

// A moment in UTC, as the certificate states it.
struct UtcTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Certificate {
  public:
    // The certificate in DER, base64 without line breaks: KeyInfo's
    // X509Certificate.
    const std::string& der_base64() const;
    // The certificate and its private key in PEM (the key unencrypted), for
    // the mutual TLS of the web services.
    const std::string& cert_pem() const;
    const std::string& key_pem() const;
    // The holder's CNPJ, 14 characters.
    const std::string& cnpj() const;
    UtcTime valid_from() const;
    UtcTime valid_until() const;

    // The RSA signature with SHA-1 of `data` (PKCS #1 v1.5), raw bytes.
    std::string sign_sha1(std::string_view data) const;

  private:
    // Only a loaded certificate exists: every one holds its keys.
    Certificate() = default;
    friend struct CertificateLoader;
    std::shared_ptr<const detail::CertificateKeys> keys_;
};

struct CertificateResult {
    std::optional<Certificate> certificate; // set when `error` is empty
    std::string error;                      // UTF-8, Portuguese
};

// Loads the certificate and the password files of the configuration and
// checks the certificate against the issuer's CNPJ at the time `now`.
CertificateResult load_certificate(const Config& config, std::time_t now);
CertificateResult load_certificate(const std::string& pfx_file, const std::string& password_file,
                                   const std::string& issuer_cnpj, std::time_t now);

// "31/12/2027", the date of a UTC time.
std::string date_text(const UtcTime& time);

} // namespace qv::nfce
