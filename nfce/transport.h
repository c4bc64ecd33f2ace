// How the NFC-e web services are reached: one HTTPS POST, with the shop's
// certificate presented to the state's server (mutual TLS), the server
// checked against the system's trusted authorities and an optional
// authority file of the shop's, TLS 1.2 or newer, and the whole exchange
// bounded by a time limit. The SOAP layer talks to the interface, so the
// tests and each system can put their own transport under it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace qv::nfce {

enum class TransportError {
    none,
    no_connection,   // the address could not be resolved or reached
    timeout,         // the time limit passed first
    tls,             // the handshake failed: certificates, trust, versions
    connection_lost, // the server closed the connection before answering
    http_status,     // an answer other than 2xx (`http_status` says which)
    other,
};

// What a POST brought back.
struct TransportAnswer {
    TransportError error = TransportError::none;
    int http_status = 0;
    std::string body;   // the answer's body, also for an http_status error
    std::string detail; // the library's words for an error, for the log
    bool ok() const { return error == TransportError::none; }
};

class Transport {
  public:
    virtual ~Transport() = default;
    // POSTs `body` with the Content-Type `content_type` to `url`; the whole
    // exchange (connection, handshake, answer) takes at most `limit`.
    virtual TransportAnswer post(const std::string& url, std::string_view content_type,
                                 std::string_view body, std::chrono::milliseconds limit) = 0;
};

struct TlsSettings {
    std::string client_certificate_pem; // the shop's certificate (and its chain)
    std::string client_key_pem;         // its private key, unencrypted PEM
    // Authorities trusted besides the system's, PEM; empty: none.
    std::string extra_ca_file;
};

// The HTTPS transport of this system.
std::unique_ptr<Transport> make_https_transport(const TlsSettings& settings);

// The error's name for logs and messages ("timeout", "tls", ...).
std::string_view transport_error_name(TransportError error);

} // namespace qv::nfce
