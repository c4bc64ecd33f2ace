// CPF and CNPJ check digits over many numbers: of the hundred possible pairs
// of check digits exactly one is valid, and it is the modulus-11 pair.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <random>

namespace qv::torlib_test {
namespace {

// Modulus 11 with the weights running down to 2 and restarting at 9 for
// long numbers; remainders 0 and 1 give 0.
int mod11(const std::string& digits) {
    int sum = 0, weight = 2;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == 9 && digits.size() > 10 ? 2 : weight + 1;
    }
    const int r = sum % 11;
    return r < 2 ? 0 : 11 - r;
}

std::string with_check_digits(std::string base) {
    base += static_cast<char>('0' + mod11(base));
    base += static_cast<char>('0' + mod11(base));
    return base;
}

char judge(char indicator, const std::string& number) {
    Block b = filled(' ');
    set(b, L::L_FUNCAO, "02");
    set(b, L::L_INDICADOR, std::string(1, indicator));
    set(b, indicator == 'F' ? L::L_CPF : L::L_CNPJ, number);
    return get(call(b), L::L_INDICADOR)[0];
}

std::string random_digits(std::mt19937& rng, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>('0' + rng() % 10);
    return s;
}

struct Kind {
    char indicator;
    std::size_t base;
};

TEST(DocumentCheck, ExactlyTheModulus11PairIsValid) {
    std::mt19937 rng(11222333);
    for (const Kind kind : {Kind{'F', 9}, Kind{'J', 12}}) {
        for (int n = 0; n < 300; ++n) {
            const std::string base = random_digits(rng, kind.base);
            const std::string valid = with_check_digits(base);
            int accepted = 0;
            for (int pair = 0; pair < 100; ++pair) {
                const std::string number =
                    base + static_cast<char>('0' + pair / 10) + static_cast<char>('0' + pair % 10);
                const char answer = judge(kind.indicator, number);
                ASSERT_TRUE(answer == 'S' || answer == 'N');
                if (answer == 'S') {
                    ++accepted;
                    EXPECT_EQ(number, valid);
                }
            }
            EXPECT_EQ(accepted, 1) << base;
        }
    }
}

// Anchors the computation above to numbers known to be valid.
TEST(DocumentCheck, IndependentComputationMatchesKnownNumbers) {
    EXPECT_EQ(with_check_digits("112223330001"), "11222333000181");
    EXPECT_EQ(with_check_digits("123456789"), "12345678909");
}

} // namespace
} // namespace qv::torlib_test
