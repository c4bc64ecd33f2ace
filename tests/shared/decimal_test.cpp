#include "shared/decimal.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using qv::Decimal;

namespace {
Decimal d(const char* s) {
    auto v = Decimal::parse(s);
    EXPECT_TRUE(v.has_value()) << s;
    return v.value_or(Decimal{});
}
} // namespace

TEST(Decimal, ParsesBrazilianNumbers) {
    struct Case {
        const char* in;
        std::int64_t units;
    };
    for (const Case& c : {Case{"1.234,56", 12'345'600}, Case{"1234,5", 12'345'000},
                          Case{"0,01", 100}, Case{"-3", -30'000}, Case{"  12 ", 120'000},
                          Case{",5", 5'000}, Case{"1,23456", 12'345},
                          Case{"99999999999999,9999", Decimal::kMax}}) {
        auto v = Decimal::parse(c.in);
        ASSERT_TRUE(v) << c.in;
        EXPECT_EQ(v->units(), c.units) << c.in;
    }
    for (const char* bad : {"", "   ", "1.2.", ".12", "12a", "1,2,3", "100000000000000", "-",
                            "1..000", "1,-2"})
        EXPECT_FALSE(Decimal::parse(bad)) << bad;
}

TEST(Decimal, ArithmeticIsExactAndCuts) {
    EXPECT_EQ(d("10,50") + d("4,25"), d("14,75"));
    // 9.999,99 x 12,35 % = 1.234,998765 -> cut to 1.234,9987
    EXPECT_EQ(d("9999,99") * d("12,35") / d("100"), d("1234,9987"));
    // 20 / 150 = 0,13333 -> 0,1333
    EXPECT_EQ(d("20") / d("150"), d("0,1333"));
    EXPECT_EQ(d("1") / Decimal{}, Decimal{});
    EXPECT_EQ(d("-1,239").truncated(2), d("-1,23"));
    EXPECT_EQ(d("999,9950").truncated(2), d("999,99"));
    EXPECT_LT(d("999,99"), d("999,9950"));
}

TEST(Decimal, DigitFieldsWithImpliedDecimals) {
    std::array<char, 6> f{};
    d("1234,567").to_digits(f, 2);
    EXPECT_EQ(std::string(f.data(), 6), "123456");
    d("12345,67").to_digits(f, 2); // keeps the last 4 integer digits
    EXPECT_EQ(std::string(f.data(), 6), "234567");
    d("-5").to_digits(f, 0);
    EXPECT_EQ(std::string(f.data(), 6), "000005");
    std::array<char, 8> p{};
    d("100").to_digits(p, 2);
    EXPECT_EQ(std::string(p.data(), 8), "00010000");
    EXPECT_EQ(Decimal::from_digits(std::string("00012345"), 2), d("123,45"));
    EXPECT_EQ(Decimal::from_digits(std::string("1235"), 2), d("12,35"));
    EXPECT_FALSE(Decimal::from_digits(std::string("12 5"), 2));
}

TEST(Decimal, EditPictures) {
    struct Case {
        const char* value;
        const char* picture;
        const char* want;
    };
    for (const Case& c : {
             Case{"12,34", "ZZ9,99", " 12,34"},
             Case{"0,5", "ZZ9,99", "  0,50"},
             Case{"123,45", "ZZ9,99", "123,45"},
             Case{"1234,56", "ZZ.ZZ9,99", " 1.234,56"},
             Case{"12345,67", "ZZ.ZZ9,99", "12.345,67"},
             Case{"999,9950", "ZZ.ZZ9,99", "   999,99"},
             Case{"9,87", "Z9,99", " 9,87"},
             Case{"12,5", "Z9,99", "12,50"},
             Case{"0", "Z.ZZ9,99", "    0,00"},
             Case{"9999,99", "Z.ZZ9,99", "9.999,99"},
             Case{"13,3333", "Z9,99", "13,33"},
         })
        EXPECT_EQ(qv::edit(d(c.value), c.picture), c.want) << c.value << " " << c.picture;
}

TEST(Decimal, AmountAboveTheMaskIsShownWhole) {
    EXPECT_EQ(qv::edit_amount_whole(d("14,75")), "   14,75");
    EXPECT_EQ(qv::edit_amount_whole(d("9999,99")), "9.999,99");
    EXPECT_EQ(qv::edit_amount_whole(d("19999,98")), "19.999,98");
}
