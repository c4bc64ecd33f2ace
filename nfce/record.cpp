#include "nfce/record.h"

#include "shared/cp1252.h"
#include "shared/field_decimal.h"
#include "shared/impfis_block.h"

#include <ctime>
#include <memory>
#include <optional>

namespace qv::nfce {

namespace {

// Everything a back end stands on, kept for the life of the process.
struct ProcessBackend {
    std::string config_file;
    Config config;
    std::optional<Certificate> certificate;
    std::unique_ptr<Transport> transport;
    std::unique_ptr<Store> store;
    std::unique_ptr<Backend> backend;
};

Result refused(const std::string& why_utf8) {
    Result r;
    r.retorno = 0;
    r.texts[2] = utf8_to_cp1252_lossy(why_utf8).substr(0, kResultWidths[2]);
    return r;
}

// The back end for the configuration file `file`, or why there is none.
std::unique_ptr<ProcessBackend> make_backend(const std::string& file, std::string& error) {
    auto made = std::make_unique<ProcessBackend>();
    made->config_file = file;
    const ConfigResult read = read_config(file);
    if (!read.config) {
        error =
            read.errors.empty() ? "Configuração da NFC-e inválida: " + file : read.errors.front();
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
    made->store = std::make_unique<Store>(Store::default_folder());
    if (!made->store->ok()) {
        error = made->store->error();
        return nullptr;
    }
    made->backend = std::make_unique<Backend>(made->config, *made->certificate, *made->transport,
                                              *made->store, now, configured_printer(made->config));
    return made;
}

std::unique_ptr<ProcessBackend>& process_backend() {
    static std::unique_ptr<ProcessBackend> backend;
    return backend;
}

} // namespace

CommandData command_data(const char* rec) {
    using namespace impfis;
    CommandData data;
    data.document = trimmed(field(rec, IMPFIS_DOCUMENTO)).substr(0, 20);
    data.item_code = trimmed(field(rec, IMPFIS_COD_ITEM));
    data.description = trimmed(field(rec, IMPFIS_DESCRICAO));
    data.unit_price = get_decimal(rec, IMPFIS_PRECO_UNIT).value_or(Decimal());
    data.discount_type = trimmed(field(rec, IMPFIS_TIPO_DESC));
    data.discount = get_decimal(rec, IMPFIS_VALOR_DESC).value_or(Decimal());
    data.payment = trimmed(field(rec, IMPFIS_FORMA_PAGTO));
    data.paid = get_decimal(rec, IMPFIS_VALOR_PAGTO).value_or(Decimal());
    data.message = get_text(field(rec, IMPFIS_MENSAGEM));
    return data;
}

void write_result(char* rec, const Result& result) {
    for (std::size_t i = 0; i < impfis::kResults.size(); ++i)
        put_text(field(rec, impfis::kResults[i]), result.texts[i]);
    put_int32le(field(rec, impfis::IMPFIS_RETORNO), result.retorno);
}

void run_record(char* rec, const std::string& file) {
    std::unique_ptr<ProcessBackend>& backend = process_backend();
    if (!backend || backend->config_file != file ||
        backend->store->folder() != Store::default_folder()) {
        std::string error;
        backend = make_backend(file, error);
        if (!backend) {
            write_result(rec, refused(error));
            return;
        }
    }
    write_result(
        rec, backend->backend->run(trimmed(field(rec, impfis::IMPFIS_COMANDO)), command_data(rec)));
}

} // namespace qv::nfce
