// Upper case without accents, byte by byte over all 256 byte values.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

namespace qv::torlib_test {
namespace {

// Every byte alone in a text area of that byte: the translation table read
// from the library must be the one of the two strings below (written here in
// UTF-8), and every other byte must stay as it is.
TEST(UpperNoAccents, EveryByteValue) {
    const std::string from =
        cp("aäãâáàÄÃÂÁÀbcçÇdeêëéèÊËÉÈfghiïíìîÏÍÌÎjklmnñÑoöõôóòÖÕÔÓÒpqrstuüûúùÜÛÚÙvwxyz");
    const std::string to =
        "AAAAAAAAAAABCCCDEEEEEEEEEFGHIIIIIIIIIJKLMNNNOOOOOOOOOOOPQRSTUUUUUUUUUVWXYZ";
    ASSERT_EQ(from.size(), 74u);
    ASSERT_EQ(to.size(), 74u);
    for (int c = 0; c < 256; ++c) {
        const char byte = static_cast<char>(c);
        const auto at = from.find(byte);
        const char want = at == std::string::npos ? byte : to[at];
        Block b = filled('#');
        set(b, L::L_FUNCAO, "05");
        set(b, L::L_TEXTO, std::string(L::L_TEXTO.width, byte));
        EXPECT_EQ(get(call(b), L::L_TEXTO), std::string(L::L_TEXTO.width, want)) << "byte " << c;
    }
}

} // namespace
} // namespace qv::torlib_test
