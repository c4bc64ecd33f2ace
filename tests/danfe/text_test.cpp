#include "danfe/qr.h"
#include "danfe/text.h"

#include <gtest/gtest.h>

namespace {

using namespace qv::danfe::detail;
using qv::Decimal;

TEST(DanfeText, AmountsAndQuantities) {
    struct Case {
        std::int64_t units;
        const char* money;
        const char* quantity;
    };
    const Case cases[] = {
        {0, "0,00", "0"},         {12'345'6789, "12.345,67", "12345,6789"},
        {3'500, "0,35", "0,35"},  {20'000, "2,00", "2"},
        {15'000, "1,50", "1,5"},  {1'234'567'890'000, "123.456.789,00", "123456789"},
        {-10'000, "-1,00", "-1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(money(Decimal::from_units(c.units)), c.money) << c.units;
        EXPECT_EQ(quantity(Decimal::from_units(c.units)), c.quantity) << c.units;
    }
}

TEST(DanfeText, DocumentsGetTheirMask) {
    EXPECT_EQ(masked_document("12345678909"), "123.456.789-09");
    EXPECT_EQ(masked_document("12345678000195"), "12.345.678/0001-95");
    EXPECT_EQ(masked_document("1234"), "1234");
    EXPECT_EQ(masked_document("123.456.789-09"), "123.456.789-09");
}

TEST(DanfeText, KeyInElevenGroupsOfFour) {
    const auto lines = key_lines("35191212345678000195650010000001231000012345");
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], "3519 1212 3456 7800 0195 6500");
    EXPECT_EQ(lines[1], "1000 0001 2310 0001 2345");
}

TEST(DanfeText, WrapsBetweenWordsAndInsideLongOnes) {
    struct Case {
        const char* text;
        int columns;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", 10, {""}},
        {"um dois tres", 12, {"um dois tres"}},
        {"um dois tres", 11, {"um dois", "tres"}},
        {"um  dois", 7, {"um dois"}},
        {"abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"a abcdefgh", 4, {"a", "abcd", "efgh"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrap(c.text, c.columns), c.lines) << c.text;
}

TEST(DanfeText, PairLineSharesOrSplits) {
    EXPECT_EQ(pair_line("Total", "1,00", 12), std::vector<std::string>{"Total   1,00"});
    EXPECT_EQ(pair_line("Total geral", "1,00", 12),
              (std::vector<std::string>{"Total geral", "        1,00"}));
}

TEST(DanfeQr, ModuleSizeMakesTheCodeAtLeast25mmWhenThePaperHoldsIt) {
    for (const int paper : {384, 576})
        for (int modules = 21; modules <= 177; modules += 4) {
            const int dots = module_dots(modules, paper);
            EXPECT_GE(dots, 1);
            EXPECT_LE((modules + 2 * kQuietModules) * dots, paper) << modules;
            if ((modules + 2 * kQuietModules) * ((kMinQrDots + modules - 1) / modules) <= paper) {
                EXPECT_GE(modules * dots, kMinQrDots) << modules;
            }
            // the fewest dots that reach 25 mm, never more
            if (dots > 1) {
                EXPECT_LT(modules * (dots - 1), kMinQrDots) << modules;
            }
        }
}

TEST(DanfeQr, RefusesWhatNoCodeHolds) {
    EXPECT_FALSE(qr_image("", 576));
    EXPECT_FALSE(qr_image(std::string(3000, 'x'), 576));
    const auto image = qr_image("https://exemplo/qr?p=1", 576);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, image->height);
    EXPECT_GE(image->width, kMinQrDots);
}

} // namespace
