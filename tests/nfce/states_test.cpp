#include "nfce/states.h"

#include "nfce/config.h"

#include <gtest/gtest.h>
#include <set>

namespace qv::nfce {
namespace {

TEST(NfceStates, AllTwentySevenWithTheirIbgeCodes) {
    struct Case {
        const char* uf;
        int code;
    } cases[] = {{"RO", 11}, {"AC", 12}, {"AM", 13}, {"RR", 14}, {"PA", 15}, {"AP", 16}, {"TO", 17},
                 {"MA", 21}, {"PI", 22}, {"CE", 23}, {"RN", 24}, {"PB", 25}, {"PE", 26}, {"AL", 27},
                 {"SE", 28}, {"BA", 29}, {"MG", 31}, {"ES", 32}, {"RJ", 33}, {"SP", 35}, {"PR", 41},
                 {"SC", 42}, {"RS", 43}, {"MS", 50}, {"MT", 51}, {"GO", 52}, {"DF", 53}};
    EXPECT_EQ(states().size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uf);
        const State* s = find_state(c.uf);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->code, c.code);
    }
    EXPECT_EQ(find_state("sp"), nullptr);
    EXPECT_EQ(find_state("XX"), nullptr);
}

TEST(NfceStates, EveryKnownAddressIsHttpsOrAPageAndEveryServiceOfTheSvrsIsKnown) {
    for (const State& s : states()) {
        SCOPED_TRACE(s.uf);
        for (const Environment e : {Environment::production, Environment::homologation})
            for (std::size_t i = 0; i < kServiceCount; ++i) {
                const std::string_view a = table_address(s, e, static_cast<Service>(i));
                if (i < 6 && !a.empty()) {
                    EXPECT_TRUE(a.starts_with("https://")) << a;
                }
                if (s.authorizer == "SVRS" && i < 6) {
                    EXPECT_FALSE(a.empty());
                }
            }
        // Production and homologation never share a web service host.
        const std::string_view prod = table_address(s, Environment::production, Service::status);
        if (!prod.empty()) {
            EXPECT_NE(prod, table_address(s, Environment::homologation, Service::status));
        }
    }
}

TEST(NfceStates, TheConfigurationOverridesTheTable) {
    Config c;
    c.issuer.uf = "SP";
    c.environment = Environment::homologation;
    EXPECT_EQ(address(c, Service::authorization),
              "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeAutorizacao4.asmx");
    EXPECT_EQ(address(c, Service::qr_code),
              "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode");
    c.addresses["NFeAutorizacao4"] = "https://sefaz-simulada.local/autorizacao";
    EXPECT_EQ(address(c, Service::authorization), "https://sefaz-simulada.local/autorizacao");
    c.issuer.uf = "RJ";
    c.environment = Environment::production;
    EXPECT_EQ(address(c, Service::status),
              "https://nfce.svrs.rs.gov.br/ws/NfeStatusServico/NfeStatusServico4.asmx");
    EXPECT_EQ(address(c, Service::qr_code), ""); // not confirmed: nfce.conf must give it
}

} // namespace
} // namespace qv::nfce
