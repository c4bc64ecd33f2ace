// Every function writes only its own outputs, over many blocks: random bytes,
// and blocks whose inputs are well formed so the routines run to the end.
// Bytes 312 to 331 are never written.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace qv::torlib_test {
namespace {

class Blocks {
  public:
    explicit Blocks(unsigned seed) : rng_(seed) {}

    Block next(std::string_view code) {
        Block b;
        for (char& c : b)
            c = static_cast<char>(rng_() % 256);
        if (rng_() % 2 == 0) {
            // Well-formed inputs: digits, dates, a document, an amount, a text.
            digits(b, L::L_DIAS);
            digits(b, L::L_CPF);
            digits(b, L::L_CNPJ);
            digits(b, L::L_VALOR);
            date(b, L::L_DATA1);
            if (rng_() % 3 == 0)
                set(b, L::L_DATA2, "00000000");
            else
                date(b, L::L_DATA2);
            set(b, L::L_INDICADOR, rng_() % 2 == 0 ? "F" : "J");
            set(b, L::L_TEXTO, rng_() % 2 == 0 ? "/etc/hostname" : "Texto qualquer");
        }
        set(b, L::L_FUNCAO, code);
        return b;
    }

  private:
    void digits(Block& b, const FieldSpec& f) {
        for (char& c : field(b.data(), f))
            c = static_cast<char>('0' + rng_() % 10);
    }
    void date(Block& b, const FieldSpec& f) {
        char s[16];
        std::snprintf(s, sizeof s, "%02u%02u%04u", 1 + static_cast<unsigned>(rng_() % 31),
                      1 + static_cast<unsigned>(rng_() % 12),
                      1500 + static_cast<unsigned>(rng_() % 8500));
        set(b, f, s);
    }
    std::mt19937 rng_;
};

TEST(Isolation, EachFunctionWritesOnlyItsOutputs) {
    Blocks blocks(332);
    for (const char* code : {"01", "02", "03", "04", "05", "06", "07", "00", "08", "A1"}) {
        int changed_outputs = 0;
        for (int n = 0; n < 3000; ++n) {
            const Block in = blocks.next(code);
            const Block out = call(in);
            for (std::size_t i = 0; i < in.size(); ++i) {
                if (in[i] == out[i]) continue;
                ASSERT_TRUE(may_write(code, i))
                    << "function " << code << " wrote offset " << i << "\n"
                    << differences(out, in);
                ++changed_outputs;
            }
            ASSERT_EQ(get(out, L::RESERVED_312), get(in, L::RESERVED_312));
        }
        // The functions do answer: the check above is not passed by doing nothing.
        if (outputs_of(code).empty())
            EXPECT_EQ(changed_outputs, 0) << code;
        else
            EXPECT_GT(changed_outputs, 0) << code;
    }
}

} // namespace
} // namespace qv::torlib_test
