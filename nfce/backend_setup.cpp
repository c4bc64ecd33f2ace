#include "nfce/backend_setup.h"

#include <ctime>

namespace qv::nfce {

std::unique_ptr<ConfiguredBackend>
make_backend(const std::string& config_file, const std::string& data_folder, std::string& error) {
    auto made = std::make_unique<ConfiguredBackend>();
    made->config_file = config_file;
    const ConfigResult read = read_config(config_file);
    if (!read.config) {
        error = read.errors.empty() ? "Configuração da NFC-e inválida: " + config_file
                                    : read.errors.front();
        return nullptr;
    }
    made->config = *read.config;
    CertificateResult loaded = load_certificate(made->config, std::time(nullptr));
    if (!loaded.certificate) {
        error = loaded.error;
        return nullptr;
    }
    made->certificate = std::move(loaded.certificate);
    made->transport = make_https_transport(
        {made->certificate->cert_pem(), made->certificate->key_pem(), made->config.extra_ca_file});
    made->store = std::make_unique<Store>(data_folder);
    if (!made->store->ok()) {
        error = made->store->error();
        return nullptr;
    }
    made->backend = std::make_unique<Backend>(made->config, *made->certificate, *made->transport,
                                              *made->store, now, configured_printer(made->config));
    return made;
}

} // namespace qv::nfce
