// The driver parameter block W-PARAMETROS-IMPFIS: 1025 characters shared by
// name between the callers of the fiscal printer driver and the driver.
#pragma once

#include "shared/fixed_field.h"

#include <array>

namespace qv::impfis {

inline constexpr const char* kName = "W-PARAMETROS-IMPFIS";
inline constexpr std::size_t kSize = 1025;

using K = FieldKind;
// Offsets count from 0 (the record's position 1 is offset 0).
inline constexpr FieldSpec IMPFIS_COMANDO{0, 40, K::text};
inline constexpr FieldSpec RESERVED_40{40, 31, K::reserved};
inline constexpr FieldSpec IMPFIS_DOCUMENTO{71, 29, K::text};
inline constexpr FieldSpec RESERVED_100{100, 87, K::reserved};
inline constexpr FieldSpec IMPFIS_COD_ITEM{187, 13, K::digits};
inline constexpr FieldSpec IMPFIS_DESCRICAO{200, 29, K::text};
inline constexpr FieldSpec IMPFIS_UNIDADE{229, 2, K::text};
inline constexpr FieldSpec IMPFIS_ALIQUOTA{231, 5, K::text};
inline constexpr FieldSpec IMPFIS_RESERVA_1{236, 1, K::text};
inline constexpr FieldSpec IMPFIS_QUANTIDADE{237, 7, K::digits, 3};
inline constexpr FieldSpec IMPFIS_RESERVA_2{244, 4, K::int32le};
inline constexpr FieldSpec IMPFIS_PRECO_UNIT{248, 8, K::digits, 2};
inline constexpr FieldSpec IMPFIS_RESERVA_3{256, 1, K::text};
inline constexpr FieldSpec IMPFIS_RESERVA_4{257, 2, K::digits};
inline constexpr FieldSpec IMPFIS_DESC_ITEM{259, 2, K::digits};
inline constexpr FieldSpec RESERVED_261{261, 3, K::reserved};
inline constexpr FieldSpec IMPFIS_TIPO_DESC{264, 1, K::text};
inline constexpr FieldSpec IMPFIS_MODO_DESC{265, 1, K::text};
inline constexpr FieldSpec IMPFIS_VALOR_DESC{266, 14, K::digits, 2};
inline constexpr FieldSpec IMPFIS_FORMA_PAGTO{280, 16, K::text};
inline constexpr FieldSpec IMPFIS_VALOR_PAGTO{296, 14, K::digits, 2};
inline constexpr FieldSpec IMPFIS_MENSAGEM{310, 240, K::text};
inline constexpr FieldSpec RESERVED_550{550, 14, K::reserved};
inline constexpr FieldSpec IMPFIS_REDUCAO_1{564, 10, K::text};
inline constexpr FieldSpec IMPFIS_REDUCAO_2{574, 8, K::text};
inline constexpr FieldSpec RESERVED_582{582, 37, K::reserved};
inline constexpr FieldSpec IMPFIS_STATUS_1{619, 30, K::text};
inline constexpr FieldSpec IMPFIS_STATUS_2{649, 30, K::text};
inline constexpr FieldSpec IMPFIS_MSG_1{679, 100, K::text};
inline constexpr FieldSpec IMPFIS_MSG_2{779, 100, K::text};
inline constexpr FieldSpec RESERVED_879{879, 8, K::reserved};
inline constexpr FieldSpec IMPFIS_RETORNO{887, 4, K::int32le};
inline constexpr FieldSpec RESERVED_891{891, 134, K::reserved};

inline constexpr std::array kLayout = {
    IMPFIS_COMANDO,    RESERVED_40,       IMPFIS_DOCUMENTO,   RESERVED_100,
    IMPFIS_COD_ITEM,   IMPFIS_DESCRICAO,  IMPFIS_UNIDADE,     IMPFIS_ALIQUOTA,
    IMPFIS_RESERVA_1,  IMPFIS_QUANTIDADE, IMPFIS_RESERVA_2,   IMPFIS_PRECO_UNIT,
    IMPFIS_RESERVA_3,  IMPFIS_RESERVA_4,  IMPFIS_DESC_ITEM,   RESERVED_261,
    IMPFIS_TIPO_DESC,  IMPFIS_MODO_DESC,  IMPFIS_VALOR_DESC,  IMPFIS_FORMA_PAGTO,
    IMPFIS_VALOR_PAGTO, IMPFIS_MENSAGEM,  RESERVED_550,       IMPFIS_REDUCAO_1,
    IMPFIS_REDUCAO_2,  RESERVED_582,      IMPFIS_STATUS_1,    IMPFIS_STATUS_2,
    IMPFIS_MSG_1,      IMPFIS_MSG_2,      RESERVED_879,       IMPFIS_RETORNO,
    RESERVED_891,
};
static_assert(tiles_record(kLayout, kSize));

// The four result texts, in the order callers show them.
inline constexpr std::array kResults = {IMPFIS_STATUS_1, IMPFIS_STATUS_2, IMPFIS_MSG_1,
                                        IMPFIS_MSG_2};

} // namespace qv::impfis
