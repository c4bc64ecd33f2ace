// Products and quotients whose intermediate value passes 64 bits.
#include "shared/decimal.h"

#include <gtest/gtest.h>

namespace {

using qv::Decimal;

Decimal d(const char* s) {
    return *Decimal::parse(s);
}

TEST(DecimalWide, ProductsQuotientsAndSharesAreExactToTheCut) {
    struct Case {
        const char* what;
        Decimal got;
        const char* want;
    };
    const char* max = "99999999999999,9999";
    const Case cases[] = {
        {"largest times one", d(max) * d("1"), max},
        {"largest halved", d(max) * d("0,5"), "49999999999999,9999"},
        {"negative largest halved", d("-99999999999999,9999") * d("0,5"), "-49999999999999,9999"},
        {"product past the range", d("99999999999999") * d("2"), max},
        {"negative product past the range", d("-99999999999999") * d("2"), "-99999999999999,9999"},
        {"largest by three", d(max) / d("3"), "33333333333333,3333"},
        {"quotient past the range", d("50000000000000") / d("0,5"), max},
        {"a value by itself", d("12345678901234,5678") / d("12345678901234,5678"), "1"},
        {"share of a discount", proportion(d("-10"), d("33,33"), d("100")), "-3,333"},
        {"share with a negative whole", proportion(d("7"), d("3"), d("-2")), "-10,5"},
        {"share of wide values", proportion(d(max), d(max), d(max)), max},
        {"share of nothing", proportion(d("5"), d("5"), Decimal{}), "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, d(c.want)) << c.what << ": " << c.got.to_string();
}

} // namespace
