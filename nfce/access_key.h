// The NFC-e's access key (chave de acesso), 44 characters: the state's
// IBGE code, year and month of issue (AAMM), the issuer's CNPJ (its 14
// characters, letters of the alphanumeric CNPJ included), model 65, series
// (3 digits), number (9), emission type (1), the random numeric code cNF
// (8) and the modulus-11 check digit.
#pragma once

#include <cstdint>
#include <string>

namespace qv::nfce {

struct KeyFields {
    int uf_code = 0;
    int year = 0; // four digits; the key keeps the last two
    int month = 0;
    std::string cnpj;
    int series = 0;           // 0 to 999
    std::uint32_t number = 0; // nNF, 1 to 999 999 999
    int emission = 1;         // tpEmis: 1 normal, 9 offline contingency
    std::uint32_t code = 0;   // cNF, 8 digits
};

inline constexpr const char* kModel = "65";

// The 44-character key.
std::string access_key(const KeyFields& fields);

// A cNF from `random`: its last 8 digits, moved on to the next acceptable
// value when they equal the note's number or form a sequence the states
// refuse as guessable (eight equal digits, 12345678 and its rotations).
std::uint32_t numeric_code(std::uint32_t number, std::uint32_t random);
// numeric_code with a value from the system's random source.
std::uint32_t random_numeric_code(std::uint32_t number);

} // namespace qv::nfce
