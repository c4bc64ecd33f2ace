// The 27 states: each one's IBGE code and the addresses of the NFC-e
// services its authorizer offers, for production and for homologation.
// A state either runs its own authorizer or is served by the virtual
// authorizer of Rio Grande do Sul (SVRS). An address this table leaves
// empty was not confirmed against a public list of the state or of the
// SVRS: the shop's nfce.conf must give it (url.<service>=...), and reading
// the configuration says so.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace qv::nfce {

struct Config;
enum class Environment;

enum class Service {
    authorization,        // NFeAutorizacao4
    authorization_result, // NFeRetAutorizacao4
    protocol_query,       // NFeConsultaProtocolo4
    status,               // NFeStatusServico4
    event,                // NFeRecepcaoEvento4
    disablement,          // NFeInutilizacao4
    qr_code,              // the QR code's address
    key_query,            // urlChave: the consultation by access key
};
inline constexpr std::size_t kServiceCount = 8;
// The names nfce.conf uses after "url.".
inline constexpr std::array<std::string_view, kServiceCount> kServiceNames = {
    "NFeAutorizacao4",
    "NFeRetAutorizacao4",
    "NFeConsultaProtocolo4",
    "NFeStatusServico4",
    "NFeRecepcaoEvento4",
    "NFeInutilizacao4",
    "QRCode",
    "urlChave"};

using Addresses = std::array<std::string_view, kServiceCount>;

struct State {
    std::string_view uf;
    int code = 0;                // IBGE
    std::string_view authorizer; // "SVRS" or the state itself
    Addresses production;
    Addresses homologation;
};

std::span<const State> states();
// nullptr when `uf` is none of the 27.
const State* find_state(std::string_view uf);

// The address of `service` for the configuration's state and environment:
// the configuration's own when it gives one, else the table's; empty when
// neither knows it.
std::string address(const Config& config, Service service);
// The same for a state and environment, with no configuration.
std::string_view table_address(const State& state, Environment environment, Service service);

} // namespace qv::nfce
