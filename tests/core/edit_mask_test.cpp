// The form's edit masks on Windows-1252 bytes: what a field takes while it is
// typed, what its text is worth, and what it shows.
#include "app/core/edit_mask.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

using qv::Decimal;
using qv::EditMask;
using qv::MaskDecision;

constexpr auto kOk = MaskDecision::Acceptable;
constexpr auto kNo = MaskDecision::Invalid;

constexpr const char* kAmount = "Z.ZZ9,99";
constexpr const char* kPercent = "z9,99";

Decimal units(std::int64_t u) {
    return Decimal::from_units(u);
}

TEST(EditMask, ParsesEachPictureOfTheForm) {
    struct Row {
        const char* picture;
        EditMask::Kind kind;
        int length;
        int int_digits;
        int decimals;
        std::string spelled;
    };
    const Row rows[] = {
        {kAmount, EditMask::Kind::Number, 8, 4, 2, kAmount},
        {kPercent, EditMask::Kind::Number, 5, 2, 2, kPercent},
        {"9(06)", EditMask::Kind::Digits, 6, 0, 0, "999999"},
        {"999999", EditMask::Kind::Digits, 6, 0, 0, "999999"},
        {"X(14)", EditMask::Kind::Text, 14, 0, 0, std::string(14, 'X')},
        {"X(06)", EditMask::Kind::Text, 6, 0, 0, "XXXXXX"},
        {"x(20)", EditMask::Kind::Text, 20, 0, 0, std::string(20, 'x')},
        {"ZZ9", EditMask::Kind::Number, 3, 3, 0, "ZZ9"},
        {"X(256)", EditMask::Kind::Text, 256, 0, 0, std::string(256, 'X')},
    };
    for (const Row& r : rows) {
        const EditMask m = EditMask::parse(r.picture);
        EXPECT_EQ(m.kind, r.kind) << r.picture;
        EXPECT_EQ(m.length, r.length) << r.picture;
        EXPECT_EQ(m.int_digits, r.int_digits) << r.picture;
        EXPECT_EQ(m.decimals, r.decimals) << r.picture;
        EXPECT_EQ(m.picture, r.spelled) << r.picture;
    }
    EXPECT_EQ(qv::plain_text_picture(), "X(256)");
}

TEST(EditMask, DecidesWhatIsTyped) {
    struct Row {
        const char* picture;
        std::string typed;
        MaskDecision decision;
        std::string kept; // the text after the mask's own changes
    };
    const Row rows[] = {
        // Amounts: up to 9.999,99, digits and one comma only.
        {kAmount, "", kOk, ""},
        {kAmount, "9999,99", kOk, "9999,99"},
        {kAmount, "1234", kOk, "1234"},
        {kAmount, "12345", kNo, "12345"},
        {kAmount, "9999,999", kNo, "9999,999"},
        {kAmount, ",", kOk, ","},
        {kAmount, ",5", kOk, ",5"},
        {kAmount, "1,2,3", kNo, "1,2,3"},
        {kAmount, "1,", kOk, "1,"},
        {kAmount, "-5", kNo, "-5"},
        {kAmount, "a1", kNo, "a1"},
        {kAmount, "1 2", kNo, "1 2"},
        {kAmount, "12\n", kNo, "12\n"},
        // The keypad's point is the comma, only while there is no comma yet.
        {kAmount, "7.5", kOk, "7,5"},
        {kAmount, ".", kOk, ","},
        {kAmount, "1.2.3", kNo, "1.2.3"},
        {kAmount, "1,2.", kNo, "1,2."},
        {kAmount, "1.234", kNo, "1,234"}, // a comma now, before three decimals
        // Percentages: up to 99,99.
        {kPercent, "99,99", kOk, "99,99"},
        {kPercent, "100", kNo, "100"},
        {kPercent, "12.45", kOk, "12,45"},
        // A number without decimals takes no comma, and no point for one.
        {"ZZ9", "123", kOk, "123"},
        {"ZZ9", "1,5", kNo, "1,5"},
        {"ZZ9", "1.5", kNo, "1.5"},
        // Six digits, nothing else.
        {"9(06)", "123456", kOk, "123456"},
        {"9(06)", "1234567", kNo, "1234567"},
        {"999999", "12,3", kNo, "12,3"},
        {"999999", "1.5", kNo, "1.5"},
        {"999999", "", kOk, ""},
        // Texts: n Windows-1252 characters, no controls.
        {"X(14)", "12345678901234", kOk, "12345678901234"},
        {"X(14)", "123456789012345", kNo, "123456789012345"},
        {"X(06)", "abc def", kNo, "abc def"},
        {"x(20)", "JOS\xC9 DA SILVA", kOk, "JOS\xC9 DA SILVA"},
        {"x(20)", std::string(21, 'a'), kNo, std::string(21, 'a')},
        {"X(14)", "\x80 \xC7\xC3", kOk, "\x80 \xC7\xC3"}, // euro sign, accents
        {"X(14)", "a\tb", kNo, "a\tb"},
        {"X(14)", "a\x7F", kNo, "a\x7F"},
        {"X(14)", "a\x81", kNo, "a\x81"}, // undefined byte: a C1 control
        {"X(14)", std::string("a\0b", 3), kNo, std::string("a\0b", 3)},
    };
    for (const Row& r : rows) {
        std::string text = r.typed;
        EXPECT_EQ(EditMask::parse(r.picture).check(text), r.decision)
            << r.picture << " [" << r.typed << "]";
        EXPECT_EQ(text, r.kept) << r.picture << " [" << r.typed << "]";
    }
}

TEST(EditMask, ReadsTheValueAndShowsItInTheMask) {
    struct Row {
        const char* picture;
        const char* text;
        std::int64_t value; // units of 1/10 000
        const char* shown;
    };
    const Row rows[] = {
        {kAmount, "", 0, "0,00"},
        {kAmount, "   ", 0, "0,00"},
        {kAmount, ",", 0, "0,00"},
        {kAmount, ",5", 5'000, "0,50"},
        {kAmount, "7,", 70'000, "7,00"},
        {kAmount, "1234", 12'340'000, "1.234,00"},
        {kAmount, "9999,99", 99'999'900, "9.999,99"},
        {kAmount, "1.234,5", 12'345'000, "1.234,50"},
        {kAmount, " 10,50\xA0", 105'000, "10,50"},
        {kAmount, "abc", 0, "0,00"},
        {kPercent, "7,5", 75'000, "7,50"},
        {kPercent, "99,99", 999'900, "99,99"},
        {"9(06)", "42", 420'000, "000042"},
        {"999999", "000000", 0, "000000"},
        {"X(14)", "12", 120'000, "12"},
        {"X(14)", "12,50", 125'000, "12,5"},
        {"X(14)", "\xC7", 0, "0"},
    };
    for (const Row& r : rows) {
        const EditMask m = EditMask::parse(r.picture);
        EXPECT_EQ(m.value_of(r.text), units(r.value)) << r.picture << " [" << r.text << "]";
        EXPECT_EQ(m.show(units(r.value)), r.shown) << r.picture << " [" << r.text << "]";
    }
}

TEST(EditMask, WholeSumsKeepEveryIntegerDigit) {
    struct Row {
        const char* picture;
        std::int64_t value;
        const char* cut;
        const char* whole;
    };
    const Row rows[] = {
        {kAmount, 99'999'900, "9.999,99", "9.999,99"},
        {kAmount, 199'999'800, "9.999,98", "19.999,98"},
        {kAmount, 123'456'700, "2.345,67", "12.345,67"},
        {kAmount, 0, "0,00", "0,00"},
        {"9(06)", 12'345'670'000, "234567", "234567"}, // only numbers with a picture grow
    };
    for (const Row& r : rows) {
        const EditMask m = EditMask::parse(r.picture);
        EXPECT_EQ(m.show(units(r.value)), r.cut) << r.picture << " " << r.value;
        EXPECT_EQ(m.show_whole(units(r.value)), r.whole) << r.picture << " " << r.value;
    }
}

TEST(EditMask, FieldTextWhenTheFocusLeaves) {
    struct Row {
        const char* picture;
        qv::FieldOptions options;
        const char* typed;
        std::optional<std::string> shown; // nullopt: kept as typed
    };
    const Row rows[] = {
        {kAmount, {}, "1234", "1.234,00"},
        {kAmount, {}, "0,5", "0,50"},
        {kAmount, {}, ",", "0,00"},
        {kAmount, {}, "", ""},
        {kAmount, {}, "  ", ""},
        {kAmount, {.whole_sums = true}, "12345,6", "12.345,60"},
        {kAmount, {.whole_sums = false}, "12345,6", "2.345,60"},
        {"999999", {}, "42", "000042"},
        {kPercent, {}, "7,5", "7,50"},
        // A password is compared as typed; a text is never reformatted.
        {"9(06)", {.password = true}, "42", std::nullopt},
        {"X(06)", {.password = true}, "ab", std::nullopt},
        {"X(14)", {}, "123", std::nullopt},
    };
    for (const Row& r : rows)
        EXPECT_EQ(EditMask::parse(r.picture).left_text(r.typed, r.options), r.shown)
            << r.picture << " [" << r.typed << "]";
}

TEST(EditMask, TextPutByTheProgram) {
    struct Row {
        const char* picture;
        std::string text;
        std::string shown;
    };
    const Row rows[] = {
        {"X(14)", "123.456.789-09   ", "123.456.789-09"},
        {"X(14)", "   ", ""},
        {"X(14)", "\t", ""},
        {"X(14)", " a ", " a"},
        {"X(14)", std::string(20, '1'), std::string(14, '1')},
        // A number field holds a sum shown whole beyond its picture.
        {kAmount, "19.999,98", "19.999,98"},
        {kAmount, std::string(20, '9'), std::string(16, '9')},
    };
    for (const Row& r : rows)
        EXPECT_EQ(EditMask::parse(r.picture).put_text(r.text), r.shown) << r.picture;
    EXPECT_EQ(EditMask::parse(kAmount).text_limit(), 16);
    EXPECT_EQ(EditMask::parse("9(06)").text_limit(), 6);
}

} // namespace
