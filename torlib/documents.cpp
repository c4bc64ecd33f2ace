// CPF and CNPJ check digits (modulus 11). Answers "S" or "N" in L-INDICADOR;
// reads only the number of the kind the caller chose ("02"), or the CNPJ
// that may carry letters ("07").
#include "torlib/routines.h"

#include "shared/link_block.h"

#include <array>
#include <cstddef>
#include <optional>

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

// The document's characters as the values its check digits are computed
// over: `value_of(position, character)` gives each one's value, or -1 for a
// character that makes the document invalid.
template <typename ValueOf>
std::optional<std::array<int, 14>> values_of(ConstBytes text, ValueOf value_of) {
    std::array<int, 14> d{};
    for (std::size_t i = 0; i < text.size() && i < d.size(); ++i) {
        const int v = value_of(i, text[i]);
        if (v < 0) return std::nullopt;
        d[i] = v;
    }
    return d;
}

int digit_value(char c) {
    return is_digit(c) ? c - '0' : -1;
}

// A CPF counts blanks as zeros (callers pass eleven digits; a short number
// padded with blanks is judged as if padded with zeros). Any other character
// makes the number invalid rather than being given some arbitrary value.
bool cpf_valid(ConstBytes cpf) {
    const auto d =
        values_of(cpf, [](std::size_t, char c) { return c == ' ' ? 0 : digit_value(c); });
    return d && check_digits_hold(*d, 9, kCpfWeights1, kCpfWeights2);
}

// A CNPJ must be all digits, except that its last character is read by the
// low four bits of its code (a blank reads as 0).
bool cnpj_valid(ConstBytes cnpj) {
    const auto d = values_of(cnpj, [last = cnpj.size() - 1](std::size_t i, char c) {
        return digit_value(i == last ? low4_digit(c) : c);
    });
    return d && check_digits_hold(*d, 12, kCnpjWeights1, kCnpjWeights2);
}

// A CNPJ of today's form: twelve digits or upper-case letters, each worth
// its character code minus 48 ("A" is 17), then two check digits. The
// numeric CNPJ is the case without letters.
bool alphanumeric_cnpj_valid(ConstBytes cnpj) {
    const auto d = values_of(cnpj, [](std::size_t i, char c) {
        const bool letter_allowed = i < 12 && c >= 'A' && c <= 'Z';
        return letter_allowed ? c - '0' : digit_value(c);
    });
    return d && check_digits_hold(*d, 12, kCnpjWeights1, kCnpjWeights2);
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
