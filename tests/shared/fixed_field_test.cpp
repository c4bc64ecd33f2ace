#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "shared/link_block.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace qv;

TEST(FixedField, PutTextJustifiesFillsAndCuts) {
    struct Case {
        std::string in;
        std::string want;
    };
    for (const Case& c : {Case{"AB", "AB   "}, Case{"", "     "}, Case{"ABCDEFG", "ABCDE"},
                          Case{"ABCDE", "ABCDE"}}) {
        std::array<char, 5> buf{};
        put_text(buf, c.in);
        EXPECT_EQ(std::string(buf.data(), buf.size()), c.want) << c.in;
    }
}

TEST(FixedField, CompareOverWholeWidth) {
    const std::string f = "LEITURAX  ";
    EXPECT_TRUE(equals_text(f, "LEITURAX"));
    EXPECT_FALSE(equals_text(f, "LEITURA"));
    EXPECT_FALSE(equals_text(std::string(" LEITURAX "), "LEITURAX"));
    EXPECT_FALSE(equals_text(std::string("LEITURAXY "), "LEITURAX"));
    EXPECT_FALSE(equals_text(f, "LEITURAX   ")); // longer than the field
    EXPECT_TRUE(equals_text(std::string("   "), ""));
}

TEST(FixedField, BlankTestsIncludingNulFirst) {
    EXPECT_TRUE(is_blank(std::string("   ")));
    EXPECT_FALSE(is_blank(std::string(" x ")));
    EXPECT_TRUE(is_blank_result(std::string("\0abc", 4)));
    EXPECT_TRUE(is_blank_result(std::string("    ")));
    EXPECT_FALSE(is_blank_result(std::string("a\0  ", 4)));
    EXPECT_FALSE(is_blank(std::string("\0  ", 3)));
}

TEST(FixedField, LowFourBitsDigit) {
    struct Case {
        char in, want;
    };
    for (const Case& c : {Case{'5', '5'}, Case{' ', '0'}, Case{'A', '1'}, Case{'I', '9'},
                          Case{'p', '0'}, Case{'J', 'J'}, Case{':', ':'}, Case{'0', '0'}}) {
        EXPECT_EQ(low4_digit(c.in), c.want) << c.in;
    }
}

TEST(FixedField, DigitsKeepLastDigitsAndRejectOthers) {
    std::array<char, 6> buf{};
    put_digits(buf, 42);
    EXPECT_EQ(std::string(buf.data(), 6), "000042");
    put_digits(buf, 1234567);
    EXPECT_EQ(std::string(buf.data(), 6), "234567");
    EXPECT_EQ(get_digits(buf), 234567u);
    EXPECT_EQ(get_digits(std::string("12 4")), std::nullopt);
    EXPECT_EQ(get_digits_blank_zero(std::string("12 4")), 1204u);
    EXPECT_EQ(get_digits_blank_zero(std::string("12-4")), std::nullopt);
}

TEST(FixedField, Int32LittleEndian) {
    std::array<char, 4> buf{};
    for (std::int32_t v : {0, 1, 2, -1, -12, -27, 0x12345678, INT32_MIN, INT32_MAX}) {
        put_int32le(buf, v);
        EXPECT_EQ(get_int32le(buf), v);
    }
    put_int32le(buf, 2);
    EXPECT_EQ(std::string(buf.data(), 4), std::string("\x02\0\0\0", 4));
}

TEST(RecordLayouts, FieldsSitAtTheirPositions) {
    // positions counted from 1 in the driver block's description
    EXPECT_EQ(impfis::IMPFIS_DOCUMENTO.offset + 1, 72u);
    EXPECT_EQ(impfis::IMPFIS_ALIQUOTA.offset + 1, 232u);
    EXPECT_EQ(impfis::IMPFIS_MENSAGEM.offset + 1, 311u);
    EXPECT_EQ(impfis::IMPFIS_STATUS_1.offset + 1, 620u);
    EXPECT_EQ(impfis::IMPFIS_RETORNO.offset + 1, 888u);
    EXPECT_EQ(link::L_VALOR.offset, 300u);
    EXPECT_EQ(link::L_INDICADOR.offset, 311u);
}
