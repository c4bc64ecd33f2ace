#include "shared/fixed_field.h"

#include <algorithm>
#include <cstring>

namespace qv {

void put_text(Bytes f, std::string_view text) {
    const std::size_t n = std::min(f.size(), text.size());
    std::memcpy(f.data(), text.data(), n);
    std::fill(f.begin() + static_cast<std::ptrdiff_t>(n), f.end(), ' ');
}

void blank(Bytes f) { std::fill(f.begin(), f.end(), ' '); }

std::string get_text(ConstBytes f) { return {f.data(), f.size()}; }

std::string trimmed(ConstBytes f) {
    std::size_t n = f.size();
    while (n > 0 && f[n - 1] == ' ') --n;
    return {f.data(), n};
}

bool equals_text(ConstBytes f, std::string_view text) {
    if (text.size() > f.size()) return false;
    if (std::memcmp(f.data(), text.data(), text.size()) != 0) return false;
    return std::all_of(f.begin() + static_cast<std::ptrdiff_t>(text.size()), f.end(),
                       [](char c) { return c == ' '; });
}

bool is_blank(ConstBytes f) {
    return std::all_of(f.begin(), f.end(), [](char c) { return c == ' '; });
}

bool is_blank_result(ConstBytes f) { return (!f.empty() && f[0] == '\0') || is_blank(f); }

bool all_digits(ConstBytes f) { return std::all_of(f.begin(), f.end(), is_digit); }

void put_digits(Bytes f, std::uint64_t value) {
    for (std::size_t i = f.size(); i-- > 0;) {
        f[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

std::optional<std::uint64_t> get_digits(ConstBytes f) {
    std::uint64_t v = 0;
    for (char c : f) {
        if (!is_digit(c)) return std::nullopt;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

std::optional<std::uint64_t> get_digits_blank_zero(ConstBytes f) {
    std::uint64_t v = 0;
    for (char c : f) {
        if (c == ' ') c = '0';
        if (!is_digit(c)) return std::nullopt;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return v;
}

void put_int32le(Bytes f, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4 && i < f.size(); ++i)
        f[i] = static_cast<char>((u >> (8 * i)) & 0xFFu);
}

std::int32_t get_int32le(ConstBytes f) {
    std::uint32_t u = 0;
    for (std::size_t i = 0; i < 4 && i < f.size(); ++i)
        u |= static_cast<std::uint32_t>(static_cast<unsigned char>(f[i])) << (8 * i);
    return static_cast<std::int32_t>(u);
}

} // namespace qv
