// Amounts and numbers written out in Portuguese words, from fixed word tables
// without accents, followed by an asterisk fill so nothing can be added to a
// written amount afterwards.
#include "torlib/routines.h"

#include "shared/link_block.h"

#include <array>
#include <cstring>
#include <string_view>

namespace qv::torlib {
namespace {

namespace L = qv::link;
using namespace std::string_view_literals;

constexpr std::array<std::string_view, 10> kUnits{""sv,       "Um"sv,    "Dois"sv, "Tres"sv,
                                                  "Quatro"sv, "Cinco"sv, "Seis"sv, "Sete"sv,
                                                  "Oito"sv,   "Nove"sv};
constexpr std::array<std::string_view, 10> kTeens{
    ""sv,       "Onze"sv,      "Doze"sv,      "Treze"sv,   "Quatorze"sv,
    "Quinze"sv, "Dezesseis"sv, "Dezessete"sv, "Dezoito"sv, "Dezenove"sv};
constexpr std::array<std::string_view, 10> kTens{
    ""sv,          "Dez"sv,      "Vinte"sv,   "Trinta"sv,  "Quarenta"sv,
    "Cinquenta"sv, "Sessenta"sv, "Setenta"sv, "Oitenta"sv, "Noventa"sv};
constexpr std::array<std::string_view, 10> kHundreds{
    ""sv,           "Cento"sv,      "Duzentos"sv,   "Trezentos"sv,  "Quatrocentos"sv,
    "Quinhentos"sv, "Seiscentos"sv, "Setecentos"sv, "Oitocentos"sv, "Novecentos"sv};

// Writes the words into the text area: one blank before every word, so the
// text starts with a blank and never holds two blanks side by side. The
// longest amount takes 153 characters of the 210.
class Words {
  public:
    explicit Words(Bytes out) : out_(out) {}

    void word(std::string_view w) {
        out_[n_++] = ' ';
        std::memcpy(out_.data() + n_, w.data(), w.size());
        n_ += w.size();
    }
    // A comma attached to the last word written.
    void comma() { out_[n_++] = ','; }

    // A group of 1 to 999.
    void group(int n) {
        if (n == 100) return word("Cem"sv);
        const int h = n / 100, t = n / 10 % 10, u = n % 10;
        if (h != 0) {
            word(kHundreds[h]);
            if (t != 0 || u != 0) word("e"sv);
        }
        if (t == 1 && u != 0) return word(kTeens[u]);
        if (t != 0) word(kTens[t]);
        if (u != 0) {
            if (t != 0) word("e"sv);
            word(kUnits[u]);
        }
    }

    // The rest of the area in pairs of asterisks; an odd last position stays
    // blank. With no words at all the whole area is asterisks.
    void fill() {
        const std::size_t tail = out_.size() - n_;
        std::memset(out_.data() + n_, '*', tail & ~std::size_t{1});
        if (tail % 2 != 0) out_[out_.size() - 1] = ' ';
    }

  private:
    Bytes out_;
    std::size_t n_ = 0;
};

// The amount's digits are not checked: each character counts with the value
// of its low four bits (a blank is 0), and one whose low four bits are not a
// digit counts as 0.
int digit_at(ConstBytes f, std::size_t i) {
    const char c = low4_digit(f[i]);
    return is_digit(c) ? c - '0' : 0;
}

int number_at(ConstBytes f, std::size_t from, std::size_t width) {
    int v = 0;
    for (std::size_t i = from; i < from + width; ++i)
        v = v * 10 + digit_at(f, i);
    return v;
}

} // namespace

void amount_in_words(char* link) {
    const char* in = link;
    const bool currency = field(in, L::L_FUNCAO)[1] != '4';
    const ConstBytes valor = field(in, L::L_VALOR);
    const int m = number_at(valor, 0, 3); // millions
    const int k = number_at(valor, 3, 3); // thousands
    const int u = number_at(valor, 6, 3); // units
    const int c = number_at(valor, 9, 2); // cents
    const bool whole = m != 0 || k != 0 || u != 0;

    Words w(field(link, L::L_TEXTO));
    if (m != 0) {
        w.group(m);
        w.word(m == 1 ? "Milhao"sv : "Milhoes"sv);
    }
    if (k != 0) {
        if (m != 0) w.comma();
        w.group(k);
        w.word("Mil"sv);
    }
    if (u != 0) {
        if (m != 0 || k != 0) w.word("e"sv);
        w.group(u);
    }
    // A plain number has no currency and no cents, unless it is below one,
    // when it is written like an amount.
    if (currency || !whole) {
        if (whole) {
            if (k == 0 && u == 0) {
                w.word("de"sv);
                w.word("Reais"sv);
            } else {
                w.word(m == 0 && k == 0 && u == 1 ? "Real"sv : "Reais"sv);
            }
        }
        if (c != 0) {
            if (whole) w.comma();
            w.group(c);
            w.word(c == 1 ? "Centavo."sv : "Centavos."sv);
        }
    }
    w.fill();
}

} // namespace qv::torlib
