// The check digits of the documents a note carries: CNPJ (numeric or the
// alphanumeric form, whose letters count as their character code less 48,
// as the digits do) and CPF, and the modulus-11 digit of the access key.
#pragma once

#include <string_view>

namespace qv::nfce {

// 14 characters: 12 digits or upper-case letters, then 2 check digits.
bool cnpj_valid(std::string_view cnpj);
// 11 digits whose last two check the first nine.
bool cpf_valid(std::string_view cpf);
// The modulus-11 digit over `text` (weights 2 to 9 from the right, each
// character worth its code less 48): 0 when the remainder is 0 or 1.
int modulus11_digit(std::string_view text);

} // namespace qv::nfce
