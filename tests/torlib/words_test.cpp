// Amounts in words: the exact asterisk fill, and the words read back to the
// value they were written from, for every group and across the range.
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

namespace qv::torlib_test {
namespace {

std::string words_of(std::string_view code, std::uint64_t cents) {
    Block b = filled(' ');
    set(b, L::L_FUNCAO, code);
    put_digits(field(b.data(), L::L_VALOR), cents);
    return get(call(b), L::L_TEXTO);
}

struct Fill {
    std::uint64_t cents;
    std::string text;
};

TEST(WordsFill, ExactTextAndAsterisks) {
    const Fill cases[] = {
        {1, " Um Centavo." + std::string(198, '*')},
        {100, " Um Real" + std::string(202, '*')},
        // Odd tail of 189: 188 asterisks and the last position blank.
        {101, " Um Real, Um Centavo." + std::string(188, '*') + " "},
        {0, std::string(210, '*')},
    };
    for (const Fill& c : cases) {
        EXPECT_EQ(words_of("03", c.cents), c.text) << c.cents;
        ASSERT_EQ(c.text.size(), 210u);
    }
}

// Reads Portuguese number words back to a value, checking the grammar as it
// goes: "e" only between two number words, a comma only after "Milhao",
// "Milhoes", "Mil" or the currency word, "Um" before "Milhao" and "Real".
class Reader {
  public:
    explicit Reader(std::string_view text) {
        std::istringstream in{std::string(text)};
        for (std::string w; in >> w;)
            words_.push_back(w);
    }

    // The value in cents, or a failure message.
    testing::AssertionResult read(std::uint64_t& cents, bool currency) {
        static const std::map<std::string, int> kValues = {
            {"Um", 1},           {"Dois", 2},         {"Tres", 3},         {"Quatro", 4},
            {"Cinco", 5},        {"Seis", 6},         {"Sete", 7},         {"Oito", 8},
            {"Nove", 9},         {"Dez", 10},         {"Onze", 11},        {"Doze", 12},
            {"Treze", 13},       {"Quatorze", 14},    {"Quinze", 15},      {"Dezesseis", 16},
            {"Dezessete", 17},   {"Dezoito", 18},     {"Dezenove", 19},    {"Vinte", 20},
            {"Trinta", 30},      {"Quarenta", 40},    {"Cinquenta", 50},   {"Sessenta", 60},
            {"Setenta", 70},     {"Oitenta", 80},     {"Noventa", 90},     {"Cem", 100},
            {"Cento", 100},      {"Duzentos", 200},   {"Trezentos", 300},  {"Quatrocentos", 400},
            {"Quinhentos", 500}, {"Seiscentos", 600}, {"Setecentos", 700}, {"Oitocentos", 800},
            {"Novecentos", 900}};
        std::uint64_t whole = 0, group = 0;
        cents = 0;
        bool after_number = false, expect_number = false, in_cents = false;
        for (std::size_t i = 0; i < words_.size(); ++i) {
            std::string w = words_[i];
            const bool comma = w.back() == ',';
            if (comma) w.pop_back();
            const std::string next = i + 1 < words_.size() ? words_[i + 1] : "";
            // "Cento" always has more after it; "Cem" never has.
            if (w == "Cento" && next != "e") return testing::AssertionFailure() << "Cento alone";
            if (w == "Cem" && next == "e") return testing::AssertionFailure() << "Cem e";
            if (const auto v = kValues.find(w); v != kValues.end()) {
                if (comma) return testing::AssertionFailure() << "comma after a number: " << w;
                group += static_cast<std::uint64_t>(v->second);
                after_number = true;
                expect_number = false;
                continue;
            }
            if (expect_number) return testing::AssertionFailure() << "no number after e";
            if (w == "e") {
                if (!after_number && group == 0 && whole == 0)
                    return testing::AssertionFailure() << "e at the start";
                if (i > 0 && words_[i - 1].back() == ',')
                    return testing::AssertionFailure() << "e after a comma";
                expect_number = true;
                after_number = false;
                continue;
            }
            after_number = false;
            if (w == "Milhao" || w == "Milhoes") {
                if ((group == 1) != (w == "Milhao"))
                    return testing::AssertionFailure() << w << " after " << group;
                whole += group * 1'000'000;
                group = 0;
            } else if (w == "Mil") {
                whole += group * 1'000;
                group = 0;
            } else if (w == "de") {
                if (i + 1 >= words_.size() || words_[i + 1].rfind("Reais", 0) != 0)
                    return testing::AssertionFailure() << "de without Reais";
            } else if (w == "Real" || w == "Reais") {
                whole += group;
                group = 0;
                if ((whole == 1) != (w == "Real"))
                    return testing::AssertionFailure() << w << " for " << whole;
            } else if (w == "Centavo." || w == "Centavos.") {
                if ((group == 1) != (w == "Centavo."))
                    return testing::AssertionFailure() << w << " for " << group;
                cents = group;
                group = 0;
                in_cents = true;
            } else {
                return testing::AssertionFailure() << "unknown word " << w;
            }
            if (comma && w != "Milhao" && w != "Milhoes" && w != "Mil" && w != "Real" &&
                w != "Reais")
                return testing::AssertionFailure() << "comma after " << w;
        }
        if (expect_number) return testing::AssertionFailure() << "e at the end";
        if (currency && group != 0) return testing::AssertionFailure() << "no currency word";
        whole += group;
        if (!in_cents && cents != 0) return testing::AssertionFailure() << "cents lost";
        cents += whole * 100;
        return testing::AssertionSuccess();
    }

  private:
    std::vector<std::string> words_;
};

// The words of a text area: everything before the asterisk fill.
std::string words_part(const std::string& area) {
    return area.substr(0, area.find('*'));
}

testing::AssertionResult reads_back(std::string_view code, std::uint64_t cents,
                                    std::uint64_t expected) {
    const std::string area = words_of(code, cents);
    const std::string words = words_part(area);
    if (!words.empty() && words[0] != ' ')
        return testing::AssertionFailure() << "no leading blank: " << area;
    if (words.find("  ") != std::string::npos)
        return testing::AssertionFailure() << "two blanks: " << area;
    if (area.find_first_not_of("* ", words.size()) != std::string::npos)
        return testing::AssertionFailure() << "text after the fill: " << area;
    std::uint64_t got = 0;
    if (auto r = Reader(words).read(got, code == "03"); !r) return r << " in [" << words << "]";
    if (got != expected)
        return testing::AssertionFailure()
               << "[" << words << "] reads " << got << ", not " << expected;
    return testing::AssertionSuccess();
}

TEST(WordsReadBack, EveryGroupInEveryPosition) {
    for (std::uint64_t n = 1; n <= 999; ++n) {
        // Units, thousands and millions, as a plain number and as an amount.
        for (std::uint64_t scale : {1ULL, 1'000ULL, 1'000'000ULL}) {
            const std::uint64_t cents = n * scale * 100;
            EXPECT_TRUE(reads_back("04", cents, cents));
            EXPECT_TRUE(reads_back("03", cents, cents));
        }
        // Cents alone: both functions write them.
        if (n <= 99) {
            EXPECT_TRUE(reads_back("03", n, n));
            EXPECT_TRUE(reads_back("04", n, n));
        }
    }
}

TEST(WordsReadBack, RandomAmountsAcrossTheRange) {
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<std::uint64_t> any(0, 99'999'999'999ULL);
    for (int i = 0; i < 20000; ++i) {
        // Draw from every magnitude, not only the largest ones.
        const std::uint64_t cents = any(rng) % (1ULL << (rng() % 37));
        EXPECT_TRUE(reads_back("03", cents, cents));
        // A plain number drops the cents when there is a whole part.
        EXPECT_TRUE(reads_back("04", cents, cents >= 100 ? cents / 100 * 100 : cents));
    }
}

TEST(WordsReadBack, NoTextOverflowsForTheLongestAmounts) {
    for (std::uint64_t cents :
         {99'999'999'999ULL, 77'777'777'777ULL, 88'888'888'888ULL, 77'377'377'377ULL}) {
        const std::string area = words_of("03", cents);
        EXPECT_EQ(area.size(), 210u);
        EXPECT_TRUE(reads_back("03", cents, cents));
    }
}

} // namespace
} // namespace qv::torlib_test
