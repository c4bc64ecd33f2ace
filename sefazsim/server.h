// The stand-in tax authority's HTTPS server: TLS 1.2 or newer on the
// loopback, a client certificate signed by its authority required, one
// SOAP request a connection, answered by an Authority under the rules of
// the control file (read anew for each request) or, without one, those
// given at the start. Each request is logged to the folder's
// sefaz-simulada.log.
#pragma once

#include "sefazsim/authority.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

namespace qv::sefazsim {

struct Options {
    std::string ca_file;   // the authority the clients' certificates come from
    std::string cert_file; // the server's certificate (PEM, with its chain)
    std::string key_file;  // its key
    std::filesystem::path folder;
    std::filesystem::path control_file; // empty: `rules` for every request
    int port = 0;
    Rules rules;
};

class Server {
  public:
    explicit Server(Options options);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server(); // stops and waits for the connections; serve() must have returned

    // Loads the certificates and listens; false (and `error`) when it cannot.
    bool start(std::string* error);
    int port() const;
    // Serves until stop().
    void serve();
    // Ends serve() and the connections, held ones too. Thread-safe.
    void stop();

    struct State;

  private:
    std::unique_ptr<State> state_;
};

} // namespace qv::sefazsim
