#include "nfce/access_key.h"

#include "nfce/documents.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

TEST(NfceAccessKey, KnownKeys) {
    struct Case {
        KeyFields fields;
        const char* key;
    } cases[] = {
        // 35 2612 11222333000181 65 001 000000123 1 87654321, then the digit:
        // weights 2..9 from the right over the 43 digits give a sum of 587;
        // 587 % 11 = 4, so the digit is 11 - 4 = 7.
        {{35, 2026, 12, "11222333000181", 1, 123, 1, 87654321},
         "35261211222333000181650010000001231876543217"},
        // The alphanumeric CNPJ 12ABC34501DE35 counts A as 17, B 18, C 19,
        // D 20, E 21 (code less 48): sum 1127, 1127 % 11 = 5, digit 6.
        {{43, 2026, 7, "12ABC34501DE35", 0, 999999999, 9, 1},
         "43260712ABC34501DE35650009999999999000000016"},
        // The largest series and an early year keep their leading zeros:
        // sum 497, 497 % 11 = 2, digit 9.
        {{11, 2009, 1, "11222333000181", 999, 1, 1, 10203040},
         "11090111222333000181659990000000011102030409"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string key = access_key(c.fields);
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(key.size(), 44u);
    }
}

TEST(NfceAccessKey, CheckDigitOfTheLayoutManualsExample) {
    // The manual's worked example: 43 digits whose modulus-11 digit is 5.
    EXPECT_EQ(modulus11_digit("5206043300991100250655012000000780026730161"), 5);
    // Remainders 0 and 1 both give 0.
    EXPECT_EQ(modulus11_digit("0"), 0);
    EXPECT_EQ(modulus11_digit("6"), 0); // 6 x 2 = 12, remainder 1
    EXPECT_EQ(modulus11_digit("5"), 1); // 5 x 2 = 10, remainder 10, 11 - 10
}

TEST(NfceAccessKey, NumericCodeAvoidsTheNumberAndGuessableSequences) {
    struct Case {
        std::uint32_t number;
        std::uint32_t random;
        std::uint32_t code;
    } cases[] = {
        {5, 4'000'000'123u, 123},    // only the last 8 digits ...
        {123, 123, 124},             // ... never the note's number
        {5, 11'111'111, 11'111'112}, // eight equal digits
        {5, 0, 1},                   // 00000000
        {5, 12'345'678, 12'345'679}, // the ascending run
        {5, 90'123'456, 90'123'457}, // and its rotations
        {5, 1'234'567, 1'234'568},   // 01234567
        {99'999'998, 99'999'998, 1}, // the number, eight nines, eight zeros, then 1
        {42, 99'999'997, 99'999'997},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.random);
        EXPECT_EQ(numeric_code(c.number, c.random), c.code);
    }
    for (std::uint32_t n = 1; n < 50; ++n) {
        const std::uint32_t code = random_numeric_code(n);
        EXPECT_NE(code, n);
        EXPECT_LT(code, 100'000'000u);
    }
}

TEST(NfceDocuments, CheckDigits) {
    struct Case {
        const char* text;
        bool cnpj;
        bool cpf;
    } cases[] = {
        {"11222333000181", true, false},
        {"11222333000182", false, false},
        {"12ABC34501DE35", true, false},
        {"12ABC34501DE36", false, false},
        {"12abc34501de35", false, false},
        {"00000000000000", false, false},
        {"12345678909", false, true},
        {"12345678908", false, false},
        {"11111111111", false, false},
        {"1234567890", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(cnpj_valid(c.text), c.cnpj);
        EXPECT_EQ(cpf_valid(c.text), c.cpf);
    }
}

} // namespace
} // namespace qv::nfce
