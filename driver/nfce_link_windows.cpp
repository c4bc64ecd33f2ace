// The Windows builds do not carry the NFC-e back end yet (its certificate,
// signature and web services stand on Linux libraries): a till set to it
// is told so at every command, and never prints anything.
#include "driver/nfce_link.h"

#include "shared/cp1252.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"

namespace qv::driver {

namespace {
constexpr std::string_view kUnavailable =
    "NFC-e indisponível nesta versão para Windows: escolha a impressora fiscal em impressora.conf"_cp1252;
}

void run_nfce(char* rec, const std::string& /*config_file*/) {
    using namespace impfis;
    for (const FieldSpec& f : kResults)
        blank(field(rec, f));
    put_text(field(rec, IMPFIS_MSG_1), kUnavailable);
    put_int32le(field(rec, IMPFIS_RETORNO), 0);
}

std::string nfce_band(const std::string& /*config_file*/) {
    return "NFC-e INDISPONÍVEL NO WINDOWS";
}

} // namespace qv::driver
