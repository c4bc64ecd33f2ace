#include "nfce/documents.h"

#include <algorithm>

namespace qv::nfce {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_upper_letter(char c) {
    return c >= 'A' && c <= 'Z';
}

// The CPF's own weights run from 10 (or 11) down to 2 over the digits before
// the check digit: the same remainder as weights 2 to 9 from the right
// would give only for the CNPJ, so the CPF computes its own.
int cpf_digit(std::string_view digits) {
    int sum = 0;
    int weight = static_cast<int>(digits.size()) + 1;
    for (const char c : digits)
        sum += (c - '0') * weight--;
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

} // namespace

int modulus11_digit(std::string_view text) {
    int sum = 0;
    int weight = 2;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == 9 ? 2 : weight + 1;
    }
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool cnpj_valid(std::string_view cnpj) {
    if (cnpj.size() != 14) return false;
    const std::string_view base = cnpj.substr(0, 12);
    if (!std::all_of(base.begin(), base.end(),
                     [](char c) { return is_digit(c) || is_upper_letter(c); }) ||
        !is_digit(cnpj[12]) || !is_digit(cnpj[13]))
        return false;
    // All zeros passes the arithmetic and is no CNPJ.
    if (cnpj == "00000000000000") return false;
    return modulus11_digit(base) == cnpj[12] - '0' &&
           modulus11_digit(cnpj.substr(0, 13)) == cnpj[13] - '0';
}

bool cpf_valid(std::string_view cpf) {
    if (cpf.size() != 11 || !std::all_of(cpf.begin(), cpf.end(), is_digit)) return false;
    // Eleven equal digits pass the arithmetic and are no CPF.
    if (std::all_of(cpf.begin(), cpf.end(), [&](char c) { return c == cpf[0]; })) return false;
    return cpf_digit(cpf.substr(0, 9)) == cpf[9] - '0' &&
           cpf_digit(cpf.substr(0, 10)) == cpf[10] - '0';
}

} // namespace qv::nfce
