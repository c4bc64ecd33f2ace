// The tests' shop and its stand-in authority: the stand-in's options in a
// scratch folder, the shop's certificate, and the shop's nfce.conf for the test PKI's certificate,
// the simulated printer and every service at the stand-in's port.
#pragma once

#include "nfce/certificate.h"
#include "sefazsim/server.h"
#include "tests/nfce/sample_config.h"
#include "tests/nfce/test_pki.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace qv::test {

// The stand-in authority keeping its records in `folder`/sefaz and reading
// its rules from `folder`/controle.txt.
inline sefazsim::Options stand_in_options(const std::filesystem::path& folder) {
    sefazsim::Options o;
    o.ca_file = TestPki::get().file("ca.pem");
    o.cert_file = TestPki::get().file("server.pem");
    o.key_file = TestPki::get().file("server.key");
    o.folder = folder / "sefaz";
    o.control_file = folder / "controle.txt";
    return o;
}

// The shop's A1 certificate of the test PKI, loaded once.
inline const nfce::Certificate& shop_certificate() {
    static const nfce::CertificateResult loaded =
        nfce::load_certificate(TestPki::get().file("a1.pfx"), TestPki::get().file("senha.txt"),
                               kPkiCnpj, std::time(nullptr));
    EXPECT_TRUE(loaded.certificate) << loaded.error;
    return *loaded.certificate;
}

// The sample nfce.conf for the shop of the test PKI, against the stand-in
// at `port`, issuing offline after `contingency_seconds`.
inline std::string shop_config_text(int port, int contingency_seconds) {
    std::string text = kSampleConfig;
    text.replace(text.find("CNPJ=11222333000181"), 19, std::string("CNPJ=") + kPkiCnpj);
    const auto line = [&](const std::string& key, const std::string& value) {
        const auto at = text.find(key + "=");
        if (at != std::string::npos) text.erase(at, text.find('\n', at) + 1 - at);
        text += key + "=" + value + "\n";
    };
    line("certificado", TestPki::get().file("a1.pfx"));
    line("senha_certificado", TestPki::get().file("senha.txt"));
    line("impressora", "simulada");
    line("autoridades", TestPki::get().file("ca.pem"));
    line("contingencia_segundos", std::to_string(contingency_seconds));
    for (const char* service : {"NFeAutorizacao4", "NFeConsultaProtocolo4", "NFeStatusServico4",
                                "NFeRecepcaoEvento4", "NFeInutilizacao4"})
        line(std::string("url.") + service,
             "https://127.0.0.1:" + std::to_string(port) + "/ws/" + service + ".asmx");
    return text;
}

} // namespace qv::test
