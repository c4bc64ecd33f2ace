// The library's one entry point: binds the link block and runs the routine
// that the function code selects.
#include "torlib/routines.h"
#include "torlib/torlib.h"

#include "shared/link_block.h"

namespace qv::torlib {
namespace {

namespace L = qv::link;

// The C header repeats the field table for C callers; keep both in step.
constexpr bool same(const FieldSpec& f, std::size_t offset, std::size_t width) {
    return f.offset == offset && f.width == width;
}
static_assert(L::kSize == TORLIB_LINK_SIZE);
static_assert(same(L::L_FUNCAO, TORLIB_L_FUNCAO, TORLIB_L_FUNCAO_LEN));
static_assert(same(L::L_DIA1, TORLIB_L_DIA1, TORLIB_L_DIA1_LEN));
static_assert(same(L::L_MES1, TORLIB_L_MES1, TORLIB_L_MES1_LEN));
static_assert(same(L::L_ANO1, TORLIB_L_ANO1, TORLIB_L_ANO1_LEN));
static_assert(same(L::L_DIA2, TORLIB_L_DIA2, TORLIB_L_DIA2_LEN));
static_assert(same(L::L_MES2, TORLIB_L_MES2, TORLIB_L_MES2_LEN));
static_assert(same(L::L_ANO2, TORLIB_L_ANO2, TORLIB_L_ANO2_LEN));
static_assert(same(L::L_DIA_SEMANA, TORLIB_L_DIA_SEMANA, TORLIB_L_DIA_SEMANA_LEN));
static_assert(same(L::L_DIAS, TORLIB_L_DIAS, TORLIB_L_DIAS_LEN));
static_assert(same(L::L_CNPJ, TORLIB_L_CNPJ, TORLIB_L_CNPJ_LEN));
static_assert(same(L::L_CPF, TORLIB_L_CPF, TORLIB_L_CPF_LEN));
static_assert(same(L::L_TEXTO, TORLIB_L_TEXTO, TORLIB_L_TEXTO_LEN));
static_assert(same(L::L_TEXTO1, TORLIB_L_TEXTO1, TORLIB_L_TEXTO1_LEN));
static_assert(same(L::L_TEXTO2, TORLIB_L_TEXTO2, TORLIB_L_TEXTO2_LEN));
static_assert(same(L::L_DATA_EXTENSO, TORLIB_L_DATA_EXTENSO, TORLIB_L_DATA_EXTENSO_LEN));
static_assert(same(L::L_NOME_MES, TORLIB_L_NOME_MES, TORLIB_L_NOME_MES_LEN));
static_assert(same(L::L_VALOR, TORLIB_L_VALOR, TORLIB_L_VALOR_LEN));
static_assert(same(L::L_INDICADOR, TORLIB_L_INDICADOR, TORLIB_L_INDICADOR_LEN));
static_assert(same(L::RESERVED_312, TORLIB_L_RESERVED, TORLIB_L_RESERVED_LEN));

// The link block exists once per process and is never freed or moved, so the
// first binding holds for the rest of the run. NULL only when someone bound
// "L-LINK" with another size first; then there is nothing to work on.
char* link_block() {
    static char* const block = bind_shared_record(L::kName, L::kSize);
    return block;
}

} // namespace
} // namespace qv::torlib

extern "C" __attribute__((visibility("default"))) void TORLIB(void) {
    using namespace qv::torlib;
    char* link = link_block();
    if (link == nullptr) return;
    // The code is a two-digit number; anything else selects no routine.
    const qv::ConstBytes code = qv::field(static_cast<const char*>(link), qv::link::L_FUNCAO);
    if (code[0] != '0' || code[1] < '1' || code[1] > '7') return;
    // Callers are C: nothing may unwind into them. Only the file test
    // allocates, and it writes its answer last, so a failure leaves the
    // block as it was.
    try {
        switch (code[1]) {
        case '1':
            calendar(link);
            break;
        case '2':
            check_document(link);
            break;
        case '3':
        case '4':
            amount_in_words(link);
            break;
        case '5':
            upper_no_accents(link);
            break;
        case '6':
            file_exists(link);
            break;
        case '7':
            check_alphanumeric_cnpj(link);
            break;
        default:
            break;
        }
    } catch (...) {
    }
}
