// The link block L-LINK of the service library: 332 characters shared by
// name between the caller and TORLIB.
#pragma once

#include "shared/fixed_field.h"

#include <array>

namespace qv::link {

inline constexpr const char* kName = "L-LINK";
inline constexpr std::size_t kSize = 332;

using K = FieldKind;
inline constexpr FieldSpec L_FUNCAO{0, 2, K::digits};
inline constexpr FieldSpec L_DIA1{2, 2, K::digits};
inline constexpr FieldSpec L_MES1{4, 2, K::digits};
inline constexpr FieldSpec L_ANO1{6, 4, K::digits};
inline constexpr FieldSpec L_DIA2{10, 2, K::digits};
inline constexpr FieldSpec L_MES2{12, 2, K::digits};
inline constexpr FieldSpec L_ANO2{14, 4, K::digits};
inline constexpr FieldSpec L_DIA_SEMANA{18, 1, K::digits};
inline constexpr FieldSpec RESERVED_19{19, 6, K::reserved};
inline constexpr FieldSpec L_DIAS{25, 6, K::digits};
inline constexpr FieldSpec L_CNPJ{31, 14, K::digits};
inline constexpr FieldSpec L_CPF{45, 11, K::digits};
inline constexpr FieldSpec L_TEXTO{56, 210, K::text};
inline constexpr FieldSpec L_DATA_EXTENSO{266, 25, K::text};
inline constexpr FieldSpec L_NOME_MES{291, 9, K::text};
inline constexpr FieldSpec L_VALOR{300, 11, K::digits, 2};
inline constexpr FieldSpec L_INDICADOR{311, 1, K::text};
inline constexpr FieldSpec RESERVED_312{312, 20, K::reserved};

// Two views of L-TEXTO, used by the calendar.
inline constexpr FieldSpec L_TEXTO1{56, 105, K::text};
inline constexpr FieldSpec L_TEXTO2{161, 105, K::text};

// Dates 1 and 2 as whole DDMMYYYY fields.
inline constexpr FieldSpec L_DATA1{2, 8, K::digits};
inline constexpr FieldSpec L_DATA2{10, 8, K::digits};

inline constexpr std::array kLayout = {
    L_FUNCAO, L_DIA1,   L_MES1,  L_ANO1,  L_DIA2,         L_MES2,     L_ANO2,
    L_DIA_SEMANA, RESERVED_19, L_DIAS, L_CNPJ, L_CPF, L_TEXTO, L_DATA_EXTENSO,
    L_NOME_MES, L_VALOR, L_INDICADOR, RESERVED_312,
};
static_assert(tiles_record(kLayout, kSize));
static_assert(L_TEXTO1.offset == L_TEXTO.offset &&
              L_TEXTO2.offset + L_TEXTO2.width == L_TEXTO.offset + L_TEXTO.width);

} // namespace qv::link
