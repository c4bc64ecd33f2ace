// Upper case without accents, byte by byte over all 256 byte values.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <random>

namespace qv::torlib_test {
namespace {

// Every byte alone in a text area of that byte: the translation table read
// from the library must be the one of the two strings below (written here in
// UTF-8), and every other byte must stay as it is.
const std::string& from() {
    static const std::string s =
        cp("aäãâáàÄÃÂÁÀbcçÇdeêëéèÊËÉÈfghiïíìîÏÍÌÎjklmnñÑoöõôóòÖÕÔÓÒpqrstuüûúùÜÛÚÙvwxyz");
    return s;
}
const std::string kTo =
    "AAAAAAAAAAABCCCDEEEEEEEEEFGHIIIIIIIIIJKLMNNNOOOOOOOOOOOPQRSTUUUUUUUUUVWXYZ";

char expected(char byte) {
    const auto at = from().find(byte);
    return at == std::string::npos ? byte : kTo[at];
}

TEST(UpperNoAccents, EveryByteValue) {
    ASSERT_EQ(from().size(), 74u);
    ASSERT_EQ(kTo.size(), 74u);
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        const char want = expected(byte);
        Block b = filled('#');
        set(b, L::L_FUNCAO, "05");
        set(b, L::L_TEXTO, std::string(L::L_TEXTO.width, byte));
        EXPECT_EQ(get(call(b), L::L_TEXTO), std::string(L::L_TEXTO.width, want)) << "byte " << c;
    }
}

// Mixed texts: every byte in every position, next to any other byte.
TEST(UpperNoAccents, MixedTextsByteByByte) {
    std::mt19937 rng(5);
    for (int n = 0; n < 5000; ++n) {
        std::string text(L::L_TEXTO.width, ' ');
        for (char& c : text) {
            // Mostly letters and accented letters, sometimes any byte.
            const unsigned pick = rng() % 4;
            c = pick == 0   ? static_cast<char>(rng() % 256)
                : pick == 1 ? from()[rng() % from().size()]
                            : static_cast<char>('A' + rng() % 58);
        }
        std::string want = text;
        for (char& c : want)
            c = expected(c);
        Block b = filled('#');
        set(b, L::L_FUNCAO, "05");
        set(b, L::L_TEXTO, text);
        ASSERT_EQ(get(call(b), L::L_TEXTO), want) << cp1252_to_utf8(text);
    }
}

} // namespace
} // namespace qv::torlib_test
