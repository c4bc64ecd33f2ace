// CPF and CNPJ check digits (modulus 11). Answers "S" or "N" in L-INDICADOR;
// reads only the number of the kind the caller chose ("02"), or the CNPJ
// that may carry letters ("07").
#include "torlib/routines.h"

#include "shared/link_block.h"

#include <array>
#include <cstddef>

namespace qv::torlib {
namespace {

namespace L = qv::link;

// The check digit of `digits` weighted by `weights`: 0 for a remainder of 0
// or 1, 11 minus the remainder otherwise.
template <std::size_t N>
int check_digit(const std::array<int, 14>& digits, const std::array<int, N>& weights) {
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i)
        sum += digits[i] * weights[i];
    const int r = sum % 11;
    return r < 2 ? 0 : 11 - r;
}

// True when the last two digits of the first `base + 2` are the check digits
// of the first `base`. The second check digit counts the computed first one,
// not the one passed.
template <std::size_t N1, std::size_t N2>
bool check_digits_hold(std::array<int, 14> d, std::size_t base, const std::array<int, N1>& w1,
                       const std::array<int, N2>& w2) {
    const int first = check_digit(d, w1);
    const int passed_first = d[base];
    d[base] = first;
    const int second = check_digit(d, w2);
    return first == passed_first && second == d[base + 1];
}

constexpr std::array<int, 9> kCpfWeights1{10, 9, 8, 7, 6, 5, 4, 3, 2};
constexpr std::array<int, 10> kCpfWeights2{11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
constexpr std::array<int, 12> kCnpjWeights1{5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
constexpr std::array<int, 13> kCnpjWeights2{6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};

// A CPF counts blanks as zeros (callers pass eleven digits; a short number
// padded with blanks is judged as if padded with zeros). Any other character
// makes the number invalid rather than being given some arbitrary value.
bool cpf_valid(ConstBytes cpf) {
    std::array<int, 14> d{};
    for (std::size_t i = 0; i < cpf.size(); ++i) {
        const char c = cpf[i];
        if (c == ' ') continue;
        if (!is_digit(c)) return false;
        d[i] = c - '0';
    }
    return check_digits_hold(d, 9, kCpfWeights1, kCpfWeights2);
}

// A CNPJ must be all digits, except that its last character is read by the
// low four bits of its code (a blank reads as 0).
bool cnpj_valid(ConstBytes cnpj) {
    std::array<int, 14> d{};
    for (std::size_t i = 0; i < cnpj.size(); ++i) {
        const char c = i + 1 == cnpj.size() ? low4_digit(cnpj[i]) : cnpj[i];
        if (!is_digit(c)) return false;
        d[i] = c - '0';
    }
    return check_digits_hold(d, 12, kCnpjWeights1, kCnpjWeights2);
}

// A CNPJ of today's form: twelve digits or upper-case letters, each worth
// its character code minus 48 ("A" is 17), then two check digits. The
// numeric CNPJ is the case without letters.
bool alphanumeric_cnpj_valid(ConstBytes cnpj) {
    std::array<int, 14> d{};
    for (std::size_t i = 0; i < cnpj.size(); ++i) {
        const char c = cnpj[i];
        const bool letter_allowed = i < 12 && c >= 'A' && c <= 'Z';
        if (!is_digit(c) && !letter_allowed) return false;
        d[i] = c - '0';
    }
    return check_digits_hold(d, 12, kCnpjWeights1, kCnpjWeights2);
}

} // namespace

void check_alphanumeric_cnpj(char* link) {
    const bool valid = alphanumeric_cnpj_valid(field(static_cast<const char*>(link), L::L_CNPJ));
    field(link, L::L_INDICADOR)[0] = valid ? 'S' : 'N';
}

void check_document(char* link) {
    const char* in = link;
    const bool is_cpf = field(in, L::L_INDICADOR)[0] == 'F';
    const bool valid = is_cpf ? cpf_valid(field(in, L::L_CPF)) : cnpj_valid(field(in, L::L_CNPJ));
    field(link, L::L_INDICADOR)[0] = valid ? 'S' : 'N';
}

} // namespace qv::torlib
