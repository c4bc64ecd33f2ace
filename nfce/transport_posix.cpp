// The HTTPS transport over libcurl (with OpenSSL), for Linux.
#include "nfce/transport.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace qv::nfce {
namespace {

void initialise_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// Adds the shop's own authorities to the store curl already filled with the
// system's: the state's servers are trusted through either.
CURLcode add_extra_authorities(CURL*, void* ssl_ctx, void* file) {
    X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(ssl_ctx));
    if (store == nullptr ||
        X509_STORE_load_file(store, static_cast<const std::string*>(file)->c_str()) != 1)
        return CURLE_SSL_CACERT_BADFILE;
    return CURLE_OK;
}

TransportError error_of(CURLcode code, const std::string& detail) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return TransportError::no_connection;
    case CURLE_OPERATION_TIMEDOUT:
        return TransportError::timeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CLIENTCERT:
        return TransportError::tls;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        // Under TLS 1.3 a server that refuses the client's certificate says
        // so with an alert after the handshake, which arrives as a failed read.
        if (detail.find("alert") != std::string::npos) return TransportError::tls;
        return TransportError::connection_lost;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return TransportError::connection_lost;
    default:
        return TransportError::other;
    }
}

class CurlTransport final : public Transport {
  public:
    explicit CurlTransport(TlsSettings settings) : settings_(std::move(settings)) {
        initialise_curl_once();
    }

    TransportAnswer post(const std::string& url, std::string_view content_type,
                         std::string_view body, std::chrono::milliseconds limit) override {
        TransportAnswer answer;
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                 &curl_easy_cleanup);
        if (!curl) {
            answer.error = TransportError::other;
            answer.detail = "curl_easy_init failed";
            return answer;
        }
        CURL* c = curl.get();
        const std::string type = "Content-Type: " + std::string(content_type);
        curl_slist* headers = curl_slist_append(nullptr, type.c_str());
        headers = curl_slist_append(headers, "Expect:");
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> header_list(
            headers, &curl_slist_free_all);
        char error_text[CURL_ERROR_SIZE] = {};

        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limit.count()));
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limit.count()));
        curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error_text);
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer.body);

        curl_blob certificate{};
        curl_blob key{};
        if (!settings_.client_certificate_pem.empty()) {
            certificate = {settings_.client_certificate_pem.data(),
                           settings_.client_certificate_pem.size(), CURL_BLOB_NOCOPY};
            curl_easy_setopt(c, CURLOPT_SSLCERT_BLOB, &certificate);
            curl_easy_setopt(c, CURLOPT_SSLCERTTYPE, "PEM");
        }
        if (!settings_.client_key_pem.empty()) {
            key = {settings_.client_key_pem.data(), settings_.client_key_pem.size(),
                   CURL_BLOB_NOCOPY};
            curl_easy_setopt(c, CURLOPT_SSLKEY_BLOB, &key);
            curl_easy_setopt(c, CURLOPT_SSLKEYTYPE, "PEM");
        }
        if (!settings_.extra_ca_file.empty()) {
            curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, &add_extra_authorities);
            curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, &settings_.extra_ca_file);
        }

        const CURLcode code = curl_easy_perform(c);
        if (code != CURLE_OK) {
            answer.detail = error_text[0] != '\0' ? error_text : curl_easy_strerror(code);
            answer.error = error_of(code, answer.detail);
            return answer;
        }
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        answer.http_status = static_cast<int>(status);
        if (status < 200 || status > 299) {
            answer.error = TransportError::http_status;
            answer.detail = "HTTP " + std::to_string(status);
        }
        return answer;
    }

  private:
    TlsSettings settings_;
};

} // namespace

std::unique_ptr<Transport> make_https_transport(const TlsSettings& settings) {
    return std::make_unique<CurlTransport>(settings);
}

} // namespace qv::nfce
