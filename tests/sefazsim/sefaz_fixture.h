// What the stand-in tax authority's tests share: the test PKI made once in a
// scratch folder, a server running in this process on a port of the
// system's choosing, and a client configured for it.
#pragma once

#include "nfce/config.h"
#include "nfce/soap.h"
#include "nfce/transport.h"
#include "sefazsim/server.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace qv::test {

inline std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Two test authorities: `pki` (the one everything trusts) and `other`.
class TestPki {
  public:
    TestPki() {
        if (run_program("openssl", {"version"}).status != 0) {
            missing_ = "openssl is missing: the test PKI cannot be made";
            return;
        }
        for (const char* name : {"pki", "outra"}) {
            const ProgramRun run =
                run_program("bash", {TEST_PKI_SCRIPT, utf8(folder_.path() / name)});
            if (run.status != 0) missing_ = "test_pki.sh failed: " + run.err;
        }
    }
    const std::string& missing() const { return missing_; }
    std::string file(const char* name) const { return utf8(folder_.path() / "pki" / name); }
    std::string other(const char* name) const { return utf8(folder_.path() / "outra" / name); }

  private:
    ScratchFolder folder_{"qv-sefaz-pki"};
    std::string missing_;
};

// A stand-in authority serving from a thread of this process until destroyed.
class RunningSefaz {
  public:
    explicit RunningSefaz(sefazsim::Options options) : server_(std::move(options)) {
        std::string error;
        started_ = server_.start(&error);
        EXPECT_TRUE(started_) << error;
        if (started_) thread_ = std::thread([this] { server_.serve(); });
    }
    RunningSefaz(const RunningSefaz&) = delete;
    RunningSefaz& operator=(const RunningSefaz&) = delete;
    ~RunningSefaz() {
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return server_.port(); }

  private:
    sefazsim::Server server_;
    bool started_ = false;
    std::thread thread_;
};

// A client's configuration whose five services are at 127.0.0.1:`port`.
inline nfce::Config client_config(int port, int seconds) {
    nfce::Config config;
    config.issuer.uf = "SP";
    config.issuer.cnpj = "12345678000195";
    config.environment = nfce::Environment::homologation;
    config.contingency_seconds = seconds;
    for (const char* service : {"NFeAutorizacao4", "NFeConsultaProtocolo4", "NFeStatusServico4",
                                "NFeRecepcaoEvento4", "NFeInutilizacao4"})
        config.addresses[service] =
            "https://127.0.0.1:" + std::to_string(port) + "/ws/" + service + ".asmx";
    return config;
}

} // namespace qv::test
