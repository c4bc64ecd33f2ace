#include "shared/cp1252.h"

#include <gtest/gtest.h>

#include <string>

TEST(Cp1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = qv::cp1252_to_utf8(all);
    const auto back = qv::utf8_to_cp1252(utf8);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, all);
}

TEST(Cp1252, KnownCharacters) {
    EXPECT_EQ(qv::cp1252_to_utf8("\xE7\xE3o"), "ção");
    EXPECT_EQ(qv::cp1252_to_utf8("\x80"), "€");
    EXPECT_EQ(qv::utf8_to_cp1252("Refeição"), std::string("Refei\xE7\xE3o"));
    EXPECT_EQ(qv::utf8_to_cp1252("“A”"), std::string("\x93"
                                                     "A\x94"));
}

TEST(Cp1252, RefusesWhatItCannotHold) {
    for (const char* bad :
         {"日本", "\xC3", "\xE2\x82", "\xC0\x80", "\xED\xA0\x80", "\xFF", "\xF0\x9F\x98\x80"})
        EXPECT_FALSE(qv::utf8_to_cp1252(bad)) << bad;
}

// Text from outside that must be stored anyway: one '?' for each character
// without a byte and for each byte that is not UTF-8; the rest converted.
TEST(Cp1252, LossyKeepsWhatFitsAndMarksEachCharacterThatDoesNot) {
    struct Case {
        const char* utf8;
        std::string cp1252;
    };
    const Case cases[] = {
        {"", ""},
        {"Refeição € 5", "Refei\xE7\xE3o \x80 5"},
        {"pasta/joão/✓/lib.so", "pasta/jo\xE3o/?/lib.so"},
        {"日本 ção", "?? \xE7\xE3o"},
        {"a😀b", "a?b"},
        {"x\xC3", "x?"},                     // cut short at the end
        {"\xE2\x82|", "??|"},                // cut short in the middle
        {"\xC0\x80|\xED\xA0\x80", "??|???"}, // overlong NUL, a surrogate
        {"jo\xE3o", "jo?o"},                 // Windows-1252 given as UTF-8
    };
    for (const Case& c : cases)
        EXPECT_EQ(qv::utf8_to_cp1252_lossy(c.utf8), c.cp1252) << c.utf8;
}
