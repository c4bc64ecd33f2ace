// The back end as a process makes it from the shop's nfce.conf: the
// configuration read and checked, the A1 certificate it names loaded and
// judged, the HTTPS transport with that certificate, the data folder and the
// configured DANFE printer. The driver's seam and the technician's tool
// both stand on it.
#pragma once

#include "nfce/certificate.h"
#include "nfce/config.h"
#include "nfce/issuer.h"
#include "nfce/store.h"
#include "nfce/transport.h"

#include <memory>
#include <optional>
#include <string>

namespace qv::nfce {

// Everything a back end stands on, kept together for its life.
struct ConfiguredBackend {
    std::string config_file;
    Config config;
    std::optional<Certificate> certificate;
    std::unique_ptr<Transport> transport;
    std::unique_ptr<Store> store;
    std::unique_ptr<Backend> backend;
};

// The back end of the nfce.conf `config_file` over the data folder
// `data_folder`, on the system's clock; nullptr with `error` (Portuguese,
// naming the file at fault) when the configuration, the certificate or the
// folder fails.
std::unique_ptr<ConfiguredBackend> make_backend(const std::string& config_file,
                                                const std::string& data_folder, std::string& error);

} // namespace qv::nfce
