// Digit fields read and written through their table entries: the implied
// decimals come from the FieldSpec, so the same value lands differently in
// fields of different scale, and a cut never rounds.
#include "shared/field_decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace qv {
namespace {

constexpr FieldSpec WHOLE{0, 6, FieldKind::digits};           // a password
constexpr FieldSpec CENTS{6, 6, FieldKind::digits, 2};        // an amount
constexpr FieldSpec THOUSANDTHS{12, 7, FieldKind::digits, 3}; // a quantity
constexpr std::size_t kWidth = 19;

Decimal d(const char* text) {
    const std::optional<Decimal> v = Decimal::parse(text);
    EXPECT_TRUE(v.has_value()) << text;
    return v.value_or(Decimal{});
}

TEST(FieldDecimal, WritesWithTheDecimalsOfItsField) {
    struct Case {
        FieldSpec f;
        const char* value;
        const char* digits;
    };
    for (const Case& c : {
             Case{WHOLE, "123456", "123456"},
             Case{WHOLE, "12,99", "000012"}, // decimals cut, not rounded
             Case{CENTS, "1234,56", "123456"},
             Case{CENTS, "0,019", "000001"},    // cut, not rounded
             Case{CENTS, "-7,5", "000750"},     // the sign is dropped
             Case{CENTS, "98765,43", "876543"}, // the last integer digits that fit
             Case{THOUSANDTHS, "1", "0001000"},
             Case{THOUSANDTHS, "2,5", "0002500"},
         }) {
        SCOPED_TRACE(c.value);
        std::array<char, kWidth> rec{};
        rec.fill('#');
        put_decimal(rec.data(), c.f, d(c.value));
        EXPECT_EQ(get_text(field(rec.data(), c.f)), c.digits);
        // Nothing outside the field is touched.
        EXPECT_EQ(std::string(rec.data(), c.f.offset), std::string(c.f.offset, '#'));
        const std::size_t end = c.f.offset + c.f.width;
        EXPECT_EQ(std::string(rec.data() + end, kWidth - end), std::string(kWidth - end, '#'));
    }
}

TEST(FieldDecimal, ReadsWithTheDecimalsOfItsField) {
    struct Case {
        FieldSpec f;
        const char* digits;
        std::optional<Decimal> value;
    };
    for (const Case& c : {
             Case{WHOLE, "000150", d("150")},
             Case{CENTS, "000150", d("1,5")},
             Case{THOUSANDTHS, "0000150", d("0,15")},
             Case{CENTS, "0001 0", std::nullopt}, // a blank is not a digit
             Case{CENTS, "      ", std::nullopt},
             Case{CENTS, "00-100", std::nullopt},
         }) {
        SCOPED_TRACE(c.digits);
        std::array<char, kWidth> rec{};
        rec.fill('0');
        put_text(field(rec.data(), c.f), c.digits);
        EXPECT_EQ(get_decimal(rec.data(), c.f), c.value);
    }
}

TEST(FieldDecimal, WhatIsWrittenReadsBack) {
    std::array<char, kWidth> rec{};
    for (const FieldSpec& f : {WHOLE, CENTS, THOUSANDTHS}) {
        const Decimal value = d("42,125").truncated(static_cast<int>(f.decimals));
        put_decimal(rec.data(), f, value);
        EXPECT_EQ(get_decimal(rec.data(), f), value) << f.offset;
    }
}

} // namespace
} // namespace qv
