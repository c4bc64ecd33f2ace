#include "nfce/access_key.h"

#include "nfce/documents.h"

#include <cstdio>
#include <random>

namespace qv::nfce {

namespace {

constexpr std::uint32_t kCodes = 100'000'000; // cNF has 8 digits

std::string digits(std::uint64_t value, int width) {
    std::string s(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
        s[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    return s;
}

bool guessable(std::uint32_t code) {
    const std::string s = digits(code, 8);
    if (s.find_first_not_of(s[0]) == std::string::npos) return true;
    // 12345678, 23456789, 34567890, ... 01234567: each digit one more than
    // the one before, counting 0 after 9.
    for (std::size_t i = 1; i < s.size(); ++i)
        if ((s[i - 1] - '0' + 1) % 10 != s[i] - '0') return false;
    return true;
}

} // namespace

std::string access_key(const KeyFields& f) {
    std::string key = digits(static_cast<std::uint64_t>(f.uf_code), 2) +
                      digits(static_cast<std::uint64_t>(f.year % 100), 2) +
                      digits(static_cast<std::uint64_t>(f.month), 2) + f.cnpj + kModel +
                      digits(static_cast<std::uint64_t>(f.series), 3) + digits(f.number, 9) +
                      digits(static_cast<std::uint64_t>(f.emission), 1) + digits(f.code, 8);
    key += static_cast<char>('0' + modulus11_digit(key));
    return key;
}

std::uint32_t numeric_code(std::uint32_t number, std::uint32_t random) {
    std::uint32_t code = random % kCodes;
    while (code == number || guessable(code))
        code = (code + 1) % kCodes;
    return code;
}

std::uint32_t random_numeric_code(std::uint32_t number) {
    std::random_device source;
    return numeric_code(number, source());
}

} // namespace qv::nfce
