// What the stand-in tax authority's tests share: the test PKI made once in a
// scratch folder, a server running in this process on a port of the
// system's choosing, and a client configured for it.
#pragma once

#include "nfce/config.h"
#include "nfce/soap.h"
#include "nfce/transport.h"
#include "sefazsim/server.h"
#include "tests/sefazsim/running_sefaz.h"
#include "tests/support/files.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace qv::test {

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
