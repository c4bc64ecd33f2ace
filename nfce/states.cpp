#include "nfce/states.h"

#include "nfce/config.h"

#include <algorithm>

namespace qv::nfce {

namespace {

// The services' addresses of an authorizer; the QR code's and the
// consultation's addresses are each state's own and are set per state.
constexpr Addresses with_pages(const Addresses& services, std::string_view qr_code,
                               std::string_view key_query) {
    Addresses a = services;
    a[static_cast<std::size_t>(Service::qr_code)] = qr_code;
    a[static_cast<std::size_t>(Service::key_query)] = key_query;
    return a;
}

// SVRS, the virtual authorizer of Rio Grande do Sul: its NFC-e hosts as the
// SVRS and its member states publish them (the state of Espírito Santo's
// page of web services lists the same hosts).
constexpr Addresses kSvrsProduction = {
    "https://nfce.svrs.rs.gov.br/ws/NfeAutorizacao/NFeAutorizacao4.asmx",
    "https://nfce.svrs.rs.gov.br/ws/NfeRetAutorizacao/NFeRetAutorizacao4.asmx",
    "https://nfce.svrs.rs.gov.br/ws/NfeConsulta/NfeConsulta4.asmx",
    "https://nfce.svrs.rs.gov.br/ws/NfeStatusServico/NfeStatusServico4.asmx",
    "https://nfce.svrs.rs.gov.br/ws/recepcaoevento/recepcaoevento4.asmx",
    "https://nfce.svrs.rs.gov.br/ws/nfeinutilizacao/nfeinutilizacao4.asmx",
    {},
    {}};
constexpr Addresses kSvrsHomologation = {
    "https://nfce-homologacao.svrs.rs.gov.br/ws/NfeAutorizacao/NFeAutorizacao4.asmx",
    "https://nfce-homologacao.svrs.rs.gov.br/ws/NfeRetAutorizacao/NFeRetAutorizacao4.asmx",
    "https://nfce-homologacao.svrs.rs.gov.br/ws/NfeConsulta/NfeConsulta4.asmx",
    "https://nfce-homologacao.svrs.rs.gov.br/ws/NfeStatusServico/NfeStatusServico4.asmx",
    "https://nfce-homologacao.svrs.rs.gov.br/ws/recepcaoevento/recepcaoevento4.asmx",
    "https://nfce-homologacao.svrs.rs.gov.br/ws/nfeinutilizacao/nfeinutilizacao4.asmx",
    {},
    {}};

// São Paulo's own authorizer, from the state's NFC-e page of web services;
// that page gives the QR code's and the consultation's addresses for
// homologation only.
constexpr Addresses kSpProduction = {"https://nfce.fazenda.sp.gov.br/ws/NFeAutorizacao4.asmx",
                                     "https://nfce.fazenda.sp.gov.br/ws/NFeRetAutorizacao4.asmx",
                                     "https://nfce.fazenda.sp.gov.br/ws/NFeConsultaProtocolo4.asmx",
                                     "https://nfce.fazenda.sp.gov.br/ws/NFeStatusServico4.asmx",
                                     "https://nfce.fazenda.sp.gov.br/ws/NFeRecepcaoEvento4.asmx",
                                     "https://nfce.fazenda.sp.gov.br/ws/NFeInutilizacao4.asmx",
                                     {},
                                     {}};
constexpr Addresses kSpHomologation = {
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeAutorizacao4.asmx",
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeRetAutorizacao4.asmx",
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeConsultaProtocolo4.asmx",
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeStatusServico4.asmx",
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeRecepcaoEvento4.asmx",
    "https://homologacao.nfce.fazenda.sp.gov.br/ws/NFeInutilizacao4.asmx",
    "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode",
    "https://www.homologacao.nfce.fazenda.sp.gov.br/consulta"};

// Paraná's own authorizer, from the state's NFC-e page of web services,
// which gives one QR code address for both environments.
constexpr Addresses kPrProduction = {"https://nfce.sefa.pr.gov.br/nfce/NFeAutorizacao4",
                                     "https://nfce.sefa.pr.gov.br/nfce/NFeRetAutorizacao4",
                                     "https://nfce.sefa.pr.gov.br/nfce/NFeConsultaProtocolo4",
                                     "https://nfce.sefa.pr.gov.br/nfce/NFeStatusServico4",
                                     "https://nfce.sefa.pr.gov.br/nfce/NFeRecepcaoEvento4",
                                     "https://nfce.sefa.pr.gov.br/nfce/NFeInutilizacao4",
                                     "http://www.fazenda.pr.gov.br/nfce/qrcode",
                                     {}};
constexpr Addresses kPrHomologation = {
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeAutorizacao4",
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeRetAutorizacao4",
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeConsultaProtocolo4",
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeStatusServico4",
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeRecepcaoEvento4",
    "https://homologacao.nfce.sefa.pr.gov.br/nfce/NFeInutilizacao4",
    "http://www.fazenda.pr.gov.br/nfce/qrcode",
    {}};

// An authorizer of its own whose addresses were not confirmed: all to be
// given in nfce.conf.
constexpr Addresses kUnknown = {};

constexpr State svrs(std::string_view uf, int code) {
    return {uf, code, "SVRS", kSvrsProduction, kSvrsHomologation};
}
constexpr State own(std::string_view uf, int code) {
    return {uf, code, uf, kUnknown, kUnknown};
}

// The states served by the SVRS are those the SVRS lists as its NFC-e
// members; of their QR code and consultation pages only these were
// confirmed: Espírito Santo's consultation page (its page of web services),
// Rio Grande do Sul's QR code page in production. The states with an
// authorizer of their own, apart from SP and PR, have no confirmed
// addresses here.
constexpr std::array<State, 27> kStates = {{
    svrs("AC", 12),
    svrs("AL", 27),
    own("AM", 13),
    svrs("AP", 16),
    own("BA", 29),
    own("CE", 23),
    svrs("DF", 53),
    {"ES", 32, "SVRS", with_pages(kSvrsProduction, {}, "www.sefaz.es.gov.br/nfce/consulta"),
     with_pages(kSvrsHomologation, {}, "www.sefaz.es.gov.br/nfce/consulta")},
    own("GO", 52),
    svrs("MA", 21),
    own("MG", 31),
    own("MS", 50),
    own("MT", 51),
    svrs("PA", 15),
    svrs("PB", 25),
    own("PE", 26),
    svrs("PI", 22),
    {"PR", 41, "PR", kPrProduction, kPrHomologation},
    svrs("RJ", 33),
    svrs("RN", 24),
    svrs("RO", 11),
    svrs("RR", 14),
    {"RS", 43, "SVRS",
     with_pages(kSvrsProduction, "https://www.sefaz.rs.gov.br/NFCE/NFCE-COM.aspx", {}),
     kSvrsHomologation},
    svrs("SC", 42),
    svrs("SE", 28),
    {"SP", 35, "SP", kSpProduction, kSpHomologation},
    svrs("TO", 17),
}};

} // namespace

std::span<const State> states() {
    return kStates;
}

const State* find_state(std::string_view uf) {
    const auto it =
        std::find_if(kStates.begin(), kStates.end(), [&](const State& s) { return s.uf == uf; });
    return it == kStates.end() ? nullptr : &*it;
}

std::string_view table_address(const State& state, Environment environment, Service service) {
    const Addresses& a =
        environment == Environment::production ? state.production : state.homologation;
    return a[static_cast<std::size_t>(service)];
}

std::string address(const Config& config, Service service) {
    const std::string_view name = kServiceNames[static_cast<std::size_t>(service)];
    if (const auto it = config.addresses.find(std::string(name)); it != config.addresses.end())
        return it->second;
    const State* state = find_state(config.issuer.uf);
    return state == nullptr ? std::string()
                            : std::string(table_address(*state, config.environment, service));
}

} // namespace qv::nfce
