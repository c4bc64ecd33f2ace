#include "nfce/certificate.h"

#include "shared/platform/platform.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace qv::nfce {

namespace detail {

struct CertificateKeys {
    std::unique_ptr<X509, decltype(&X509_free)> cert{nullptr, X509_free};
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{nullptr, EVP_PKEY_free};
    std::string der_base64;
    std::string cert_pem;
    std::string key_pem;
    std::string cnpj;
};

std::string base64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::optional<std::string> from_base64(std::string_view text) {
    std::string clean;
    for (const char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) == 0) clean += c;
    if (clean.size() % 4 != 0) return std::nullopt;
    std::string out(clean.size() / 4 * 3, '\0');
    if (!clean.empty() && EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                          reinterpret_cast<const unsigned char*>(clean.data()),
                                          static_cast<int>(clean.size())) < 0)
        return std::nullopt;
    // The decoder writes whole groups of three; the padding marks what is not data.
    for (auto it = clean.rbegin(); it != clean.rend() && *it == '='; ++it)
        out.pop_back();
    return out;
}

} // namespace detail

namespace {

using Keys = detail::CertificateKeys;

// A PKCS#12 file larger than this is not a shop's certificate.
constexpr std::size_t kMaxFileSize = 1 << 20;
// The ICP-Brasil otherName of a legal person's certificate that holds its CNPJ.
constexpr const char* kCnpjOid = "2.16.76.1.3.3";

std::optional<std::string> read_small_file(const std::string& path) {
    platform::File in = platform::File::open(path, platform::Access::read);
    if (!in.is_open() || !in.is_regular()) return std::nullopt;
    std::string text(kMaxFileSize + 1, '\0');
    const std::optional<std::size_t> got = platform::read_full(in, text);
    if (!got || *got > kMaxFileSize) return std::nullopt;
    text.resize(*got);
    return text;
}

// The password is the file's text; the line end an editor leaves is not part of it.
std::string password_of(std::string text) {
    if (text.ends_with('\n')) text.pop_back();
    if (text.ends_with('\r')) text.pop_back();
    return text;
}

std::string bio_text(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<std::size_t>(size)) : std::string();
}

// OpenSSL 3 leaves the old PKCS#12 ciphers (RC2, 3DES key derivation) to
// its legacy provider, which is not loaded by default. Loaded once for the
// process, with the default provider kept beside it, and unloaded at its
// exit (the providers' handles are what a process-wide load must keep).
OSSL_PROVIDER* legacy_provider = nullptr;
OSSL_PROVIDER* default_provider = nullptr;

void unload_legacy_algorithms() {
    if (legacy_provider != nullptr) OSSL_PROVIDER_unload(legacy_provider);
    if (default_provider != nullptr) OSSL_PROVIDER_unload(default_provider);
    legacy_provider = default_provider = nullptr;
}

void load_legacy_algorithms() {
    static std::once_flag once;
    std::call_once(once, [] {
        legacy_provider = OSSL_PROVIDER_load(nullptr, "legacy");
        default_provider = OSSL_PROVIDER_load(nullptr, "default");
        (void)std::atexit(unload_legacy_algorithms);
    });
}

bool failed_for_unsupported_algorithm() {
    bool unsupported = false;
    while (const unsigned long e = ERR_get_error()) {
        const int reason = ERR_GET_REASON(e);
        if (reason == ERR_R_UNSUPPORTED || reason == EVP_R_UNSUPPORTED_ALGORITHM ||
            reason == EVP_R_UNSUPPORTED_CIPHER)
            unsupported = true;
    }
    return unsupported;
}

struct Parsed {
    std::unique_ptr<X509, decltype(&X509_free)> cert{nullptr, X509_free};
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{nullptr, EVP_PKEY_free};
    int other_certs = 0; // those that are not the key's
};

bool parse(PKCS12* p12, const std::string& password, Parsed& out) {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* others = nullptr;
    const bool ok = PKCS12_parse(p12, password.c_str(), &key, &cert, &others) == 1;
    out.other_certs = others != nullptr ? sk_X509_num(others) : 0;
    sk_X509_pop_free(others, X509_free);
    out.cert.reset(cert);
    out.key.reset(key);
    return ok;
}

// The CNPJ of the otherName 2.16.76.1.3.3, or after the last ':' of the
// common name; empty when neither carries 14 letters and digits.
std::string cnpj_of(X509* cert) {
    const auto valid = [](std::string text) {
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.size() != 14) return std::string();
        for (const char c : text)
            if (std::isalnum(static_cast<unsigned char>(c)) == 0) return std::string();
        return text;
    };
    auto* names =
        static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
    std::string found;
    for (int i = 0; names != nullptr && i < sk_GENERAL_NAME_num(names) && found.empty(); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, i);
        if (name->type != GEN_OTHERNAME) continue;
        char oid[64] = {};
        OBJ_obj2txt(oid, sizeof oid, name->d.otherName->type_id, 1);
        const ASN1_TYPE* value = name->d.otherName->value;
        if (std::string_view(oid) != kCnpjOid || value == nullptr) continue;
        // Authorities write it as PrintableString, UTF8String or OCTET STRING.
        const ASN1_STRING* s = value->type == V_ASN1_BOOLEAN || value->type == V_ASN1_NULL ||
                                       value->type == V_ASN1_OBJECT
                                   ? nullptr
                                   : value->value.asn1_string;
        if (s != nullptr)
            found = valid(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                                      static_cast<std::size_t>(ASN1_STRING_length(s))));
    }
    GENERAL_NAMES_free(names);
    if (!found.empty()) return found;
    char common_name[256] = {};
    const int n = X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName,
                                            common_name, sizeof common_name);
    const std::string cn = n > 0 ? std::string(common_name, static_cast<std::size_t>(n)) : "";
    const auto colon = cn.rfind(':');
    return colon == std::string::npos ? std::string() : valid(cn.substr(colon + 1));
}

UtcTime utc_of(const ASN1_TIME* time) {
    std::tm tm{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &tm) != 1) return {};
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

CertificateResult refused(std::string error) {
    ERR_clear_error();
    return {std::nullopt, std::move(error)};
}

} // namespace

struct CertificateLoader {
    static Certificate make(std::shared_ptr<const Keys> keys) {
        Certificate c;
        c.keys_ = std::move(keys);
        return c;
    }
};

const std::string& Certificate::der_base64() const {
    return keys_->der_base64;
}
const std::string& Certificate::cert_pem() const {
    return keys_->cert_pem;
}
const std::string& Certificate::key_pem() const {
    return keys_->key_pem;
}
const std::string& Certificate::cnpj() const {
    return keys_->cnpj;
}
UtcTime Certificate::valid_from() const {
    return utc_of(X509_get0_notBefore(keys_->cert.get()));
}
UtcTime Certificate::valid_until() const {
    return utc_of(X509_get0_notAfter(keys_->cert.get()));
}

std::string Certificate::sign_sha1(std::string_view data) const {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::size_t size = 0;
    if (ctx == nullptr ||
        EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, keys_->key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        return {};
    std::string out(size, '\0');
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
        return {};
    out.resize(size);
    return out;
}

std::string date_text(const UtcTime& t) {
    const auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    return two(t.day) + "/" + two(t.month) + "/" + std::to_string(t.year);
}

CertificateResult load_certificate(const Config& config, std::time_t now) {
    return load_certificate(config.certificate_file, config.password_file, config.issuer.cnpj, now);
}

CertificateResult load_certificate(const std::string& pfx_file, const std::string& password_file,
                                   const std::string& issuer_cnpj, std::time_t now) {
    const std::string what = pfx_file + ": certificado digital";
    const std::optional<std::string> bytes = read_small_file(pfx_file);
    if (!bytes) return refused(what + ": arquivo ilegível");
    const std::optional<std::string> password_text = read_small_file(password_file);
    if (!password_text) return refused(what + ": arquivo da senha ilegível: " + password_file);
    const std::string password = password_of(*password_text);

    const auto* der = reinterpret_cast<const unsigned char*>(bytes->data());
    std::unique_ptr<PKCS12, decltype(&PKCS12_free)> p12(
        d2i_PKCS12(nullptr, &der, static_cast<long>(bytes->size())), PKCS12_free);
    if (p12 == nullptr) return refused(what + ": o arquivo não é um certificado PKCS#12 (.pfx)");
    if (PKCS12_mac_present(p12.get()) == 1 &&
        PKCS12_verify_mac(p12.get(), password.c_str(), static_cast<int>(password.size())) != 1)
        return refused(what + ": senha incorreta (arquivo da senha: " + password_file + ")");

    Parsed parsed;
    if (!parse(p12.get(), password, parsed)) {
        if (!failed_for_unsupported_algorithm() ||
            (load_legacy_algorithms(), !parse(p12.get(), password, parsed)))
            return refused(what +
                           ": o arquivo PKCS#12 não pôde ser aberto com a senha dada "
                           "(arquivo da senha: " +
                           password_file + ")");
    }
    // The file's certificate is the one of its key; certificates beside a
    // key that fits none of them are another holder's.
    X509* cert = parsed.cert.get();
    if (parsed.key == nullptr) return refused(what + ": o arquivo não traz a chave privada");
    if (cert == nullptr && parsed.other_certs == 0)
        return refused(what + ": o arquivo não traz o certificado");
    if (cert == nullptr || X509_check_private_key(cert, parsed.key.get()) != 1)
        return refused(what + ": a chave privada não corresponde ao certificado");

    std::time_t at = now;
    if (X509_cmp_time(X509_get0_notBefore(cert), &at) > 0)
        return refused(what + ": ainda não é válido; vale a partir de " +
                       date_text(utc_of(X509_get0_notBefore(cert))));
    if (X509_cmp_time(X509_get0_notAfter(cert), &at) < 0)
        return refused(what + ": vencido em " + date_text(utc_of(X509_get0_notAfter(cert))));

    auto keys = std::make_shared<Keys>();
    keys->cnpj = cnpj_of(cert);
    if (keys->cnpj.empty()) return refused(what + ": o certificado não traz CNPJ");
    if (keys->cnpj != issuer_cnpj)
        return refused(what + ": o certificado é do CNPJ " + keys->cnpj +
                       ", diferente do CNPJ do emitente " + issuer_cnpj);

    unsigned char* cert_der = nullptr;
    const int der_size = i2d_X509(cert, &cert_der);
    if (der_size <= 0) return refused(what + ": o certificado não pôde ser lido");
    keys->der_base64 = detail::base64(std::string_view(reinterpret_cast<const char*>(cert_der),
                                                       static_cast<std::size_t>(der_size)));
    OPENSSL_free(cert_der);
    std::unique_ptr<BIO, decltype(&BIO_free)> cert_bio(BIO_new(BIO_s_mem()), BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> key_bio(BIO_new(BIO_s_mem()), BIO_free);
    if (PEM_write_bio_X509(cert_bio.get(), cert) != 1 ||
        PEM_write_bio_PrivateKey(key_bio.get(), parsed.key.get(), nullptr, nullptr, 0, nullptr,
                                 nullptr) != 1)
        return refused(what + ": o certificado não pôde ser lido");
    keys->cert_pem = bio_text(cert_bio.get());
    keys->key_pem = bio_text(key_bio.get());
    keys->cert = std::move(parsed.cert);
    keys->key = std::move(parsed.key);
    return {CertificateLoader::make(std::move(keys)), {}};
}

} // namespace qv::nfce
