#include "nfce/record.h"

#include "nfce/backend_setup.h"
#include "nfce/store.h"

#include "shared/cp1252.h"
#include "shared/field_decimal.h"
#include "shared/impfis_block.h"

#include <memory>

namespace qv::nfce {

namespace {

Result refused(const std::string& why_utf8) {
    Result r;
    r.retorno = 0;
    r.texts[2] = utf8_to_cp1252_lossy(why_utf8).substr(0, kResultWidths[2]);
    return r;
}

// What a back end was made from: nfce.conf, the certificate and its
// password. A change to any of them (a corrected code, a renewed
// certificate) makes the back end again at the next command, with no
// restart of the till.
std::string made_from(const std::string& config_file, const Config& config) {
    return read_whole(config_file).value_or("") + '\0' +
           read_whole(config.certificate_file).value_or("") + '\0' +
           read_whole(config.password_file).value_or("");
}

// The process's back end and what it was made from.
struct ProcessBackend {
    std::unique_ptr<ConfiguredBackend> made;
    std::string source;
};

ProcessBackend& process_backend() {
    static ProcessBackend backend;
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
    auto& [backend, source] = process_backend();
    if (!backend || backend->config_file != file ||
        backend->store->folder() != Store::default_folder() ||
        made_from(file, backend->config) != source) {
        std::string error;
        backend = make_backend(file, Store::default_folder(), error);
        if (!backend) {
            write_result(rec, refused(error));
            return;
        }
        source = made_from(file, backend->config);
    }
    write_result(
        rec, backend->backend->run(trimmed(field(rec, impfis::IMPFIS_COMANDO)), command_data(rec)));
}

} // namespace qv::nfce
