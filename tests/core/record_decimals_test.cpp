// The implied decimals of the record tables, pinned by the bytes a known
// value gives: settings files already written and the printer driver read
// these fields at this scale, so a table change must show up here.
#include "app/core/settings_file.h"
#include "shared/field_decimal.h"
#include "shared/impfis_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace qv {
namespace {

TEST(RecordDecimals, EachDecimalFieldWritesTheBytesItsReadersExpect) {
    struct Case {
        const char* name;
        FieldSpec f;
        const char* value;
        const char* bytes;
    };
    const Case cases[] = {
        {"TAB-VALOR-MAXIMO", settings::TAB_VALOR_MAXIMO, "1234,56", "123456"},
        {"TAB-PERC-REFEICAO", settings::TAB_PERC_REFEICAO, "12,34", "1234"},
        {"TAB-PERC-BEBIDAS", settings::TAB_PERC_BEBIDAS, "5,5", "0550"},
        {"TAB-SENHA-LIBERACAO", settings::TAB_SENHA_LIBERACAO, "987654", "987654"},
        {"TAB-SENHA-OPERADOR 1", settings::TAB_SENHA_OPERADOR(1), "123456", "123456"},
        {"TAB-SENHA-OPERADOR 40", settings::TAB_SENHA_OPERADOR(40), "42", "000042"},
        {"IMPFIS-PRECO-UNIT", impfis::IMPFIS_PRECO_UNIT, "100,5", "00010050"},
        {"IMPFIS-VALOR-PAGTO", impfis::IMPFIS_VALOR_PAGTO, "150", "00000000015000"},
        {"IMPFIS-VALOR-DESC", impfis::IMPFIS_VALOR_DESC, "1,25", "00000000000125"},
        {"IMPFIS-QUANTIDADE", impfis::IMPFIS_QUANTIDADE, "1", "0001000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char> rec(std::max(settings::kRecordSize, impfis::kSize), ' ');
        const std::optional<Decimal> value = Decimal::parse(c.value);
        ASSERT_TRUE(value);
        put_decimal(rec.data(), c.f, *value);
        EXPECT_EQ(get_text(field(rec.data(), c.f)), c.bytes);
        EXPECT_EQ(get_decimal(rec.data(), c.f), value);
    }
}

} // namespace
} // namespace qv
