// Which fields of the link block each function code may write. Written from
// the functions' descriptions, apart from the library, so that the tests and
// the fuzz target can check that nothing else in the block ever changes.
#pragma once

#include "shared/link_block.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace qv::torlib_test {

namespace L = qv::link;

inline std::vector<FieldSpec> outputs_of(std::string_view code) {
    if (code == "01")
        return {L::L_INDICADOR, L::L_DIA_SEMANA, L::L_TEXTO, L::L_DATA_EXTENSO, L::L_NOME_MES,
                L::L_DIAS,      L::L_DIA2,       L::L_MES2,  L::L_ANO2};
    if (code == "02" || code == "06" || code == "07") return {L::L_INDICADOR};
    if (code == "03" || code == "04" || code == "05") return {L::L_TEXTO};
    return {}; // any other code writes nothing
}

// True when the function `code` may write the byte at `offset`.
inline bool may_write(std::string_view code, std::size_t offset) {
    for (const FieldSpec& f : outputs_of(code))
        if (offset >= f.offset && offset < f.offset + f.width) return true;
    return false;
}

} // namespace qv::torlib_test
