// What the stand-in tax authority's tests share: the test PKI, a server
// running in this process on a port of the system's choosing, and a client
// configured for it.
#pragma once

#include "nfce/config.h"
#include "nfce/soap.h"
#include "nfce/transport.h"
#include "sefazsim/server.h"
#include "tests/nfce/shop.h"
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
