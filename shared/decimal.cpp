#include "shared/decimal.h"

#include <algorithm>
#include <cstdlib>

namespace qv {

namespace {

constexpr std::int64_t pow10(int n) {
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

std::string_view strip_blanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<Decimal> Decimal::parse(std::string_view text) {
    text = strip_blanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    const auto comma = text.find(',');
    std::string_view int_part = text.substr(0, comma);
    std::string_view frac_part = comma == std::string_view::npos ? "" : text.substr(comma + 1);
    if (int_part.empty() && frac_part.empty()) return std::nullopt;

    std::int64_t whole = 0;
    int int_digits = 0;
    char prev = '\0';
    for (char c : int_part) {
        if (c == '.') {
            // a thousands point stands between digits only
            if (prev == '\0' || prev == '.') return std::nullopt;
        } else if (is_digit(c)) {
            if (int_digits > 0 || c != '0') ++int_digits;
            if (int_digits > 14) return std::nullopt;
            whole = whole * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
        prev = c;
    }
    if (prev == '.') return std::nullopt;

    std::int64_t frac = 0;
    int frac_digits = 0;
    for (char c : frac_part) {
        if (!is_digit(c)) return std::nullopt;
        if (frac_digits < kScale) {
            frac = frac * 10 + (c - '0');
            ++frac_digits;
        }
    }
    frac *= pow10(kScale - frac_digits);
    const std::int64_t u = whole * kOne + frac;
    return Decimal(negative ? -u : u);
}

std::optional<Decimal> Decimal::from_digits(ConstBytes f, int decimals) {
    std::int64_t whole = 0;
    std::int64_t frac = 0;
    const std::size_t int_len = f.size() > static_cast<std::size_t>(decimals)
                                    ? f.size() - static_cast<std::size_t>(decimals)
                                    : 0;
    int int_digits = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const char c = f[i];
        if (!is_digit(c)) return std::nullopt;
        if (i < int_len) {
            if (int_digits > 0 || c != '0') ++int_digits;
            if (int_digits > 14) return std::nullopt;
            whole = whole * 10 + (c - '0');
        } else if (i - int_len < static_cast<std::size_t>(kScale)) {
            frac = frac * 10 + (c - '0');
        }
    }
    const int kept = std::min(decimals, kScale);
    frac *= pow10(kScale - kept);
    return Decimal(whole * kOne + frac);
}

void Decimal::to_digits(Bytes f, int decimals) const {
    const std::int64_t u = units_ < 0 ? -units_ : units_;
    const int kept = std::min(decimals, kScale);
    // value scaled to `decimals` fraction digits, cut
    const std::uint64_t scaled = static_cast<std::uint64_t>(u / pow10(kScale - kept)) *
                                 static_cast<std::uint64_t>(pow10(decimals - kept));
    put_digits(f, scaled); // keeps the last digits that fit
}

Decimal Decimal::truncated(int decimals) const {
    decimals = std::clamp(decimals, 0, kScale);
    const std::int64_t step = pow10(kScale - decimals);
    return Decimal(units_ / step * step);
}

namespace {

// Exact intermediate results without a 128-bit integer type, which 32-bit
// targets lack, so that every target computes alike: magnitudes of at most
// 18 digits, and a result above 18 digits ends as the largest value.
constexpr std::uint64_t kUnitsMax = Decimal::kMax;

std::uint64_t magnitude(std::int64_t units) {
    return units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
}

// a * b / c, cut, for c > 0; above the largest value when it does not fit.
std::uint64_t mul_div(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    if (a == 0 || b <= UINT64_MAX / a) return a * b / c;
    // The 128-bit product in two halves, from 32-bit pieces.
    const std::uint64_t a0 = a & 0xFFFF'FFFF, a1 = a >> 32;
    const std::uint64_t b0 = b & 0xFFFF'FFFF, b1 = b >> 32;
    const std::uint64_t low = a0 * b0;
    const std::uint64_t mid1 = a1 * b0 + (low >> 32);
    const std::uint64_t mid2 = a0 * b1 + (mid1 & 0xFFFF'FFFF);
    std::uint64_t high = a1 * b1 + (mid1 >> 32) + (mid2 >> 32);
    std::uint64_t rest = (mid2 << 32) | (low & 0xFFFF'FFFF);
    if (high >= c) return kUnitsMax + 1; // the quotient needs more than 64 bits
    // Long division, one bit at a time; `high` stays below c.
    std::uint64_t q = 0;
    for (int bit = 0; bit < 64; ++bit) {
        const bool carry = (high >> 63) != 0;
        high = (high << 1) | (rest >> 63);
        rest <<= 1;
        q <<= 1;
        if (carry || high >= c) {
            high -= c;
            q |= 1;
        }
    }
    return q;
}

} // namespace

Decimal proportion(Decimal value, Decimal numerator, Decimal denominator) {
    if (denominator.units_ == 0) return Decimal();
    const std::uint64_t units = mul_div(magnitude(value.units_), magnitude(numerator.units_),
                                        magnitude(denominator.units_));
    const auto u = static_cast<std::int64_t>(std::min(units, kUnitsMax));
    const bool negative =
        ((value.units_ < 0) != (numerator.units_ < 0)) != (denominator.units_ < 0);
    return Decimal(negative ? -u : u);
}

Decimal operator*(Decimal a, Decimal b) {
    return proportion(a, b, Decimal(Decimal::kOne));
}

Decimal operator/(Decimal a, Decimal b) {
    return proportion(a, Decimal(Decimal::kOne), b);
}

std::string Decimal::to_string() const {
    const std::int64_t u = units_ < 0 ? -units_ : units_;
    std::string s = std::to_string(u / kOne);
    std::string frac = std::to_string(u % kOne);
    s += ',';
    s.append(static_cast<std::size_t>(kScale) - frac.size(), '0');
    s += frac;
    return units_ < 0 ? "-" + s : s;
}

std::string edit(Decimal value, std::string_view picture) {
    const auto comma = picture.find(',');
    const std::string_view int_pic = picture.substr(0, comma);
    const std::string_view frac_pic =
        comma == std::string_view::npos ? std::string_view{} : picture.substr(comma + 1);
    const int decimals = static_cast<int>(std::min<std::size_t>(frac_pic.size(), Decimal::kScale));

    const std::int64_t u = value.abs().truncated(decimals).units();
    std::int64_t whole = u / Decimal::kOne;
    std::int64_t frac = (u % Decimal::kOne) / pow10(Decimal::kScale - decimals);

    std::string out(picture.size(), ' ');
    // fraction, right to left
    for (std::size_t i = frac_pic.size(); i-- > 0;) {
        out[comma + 1 + i] = static_cast<char>('0' + frac % 10);
        frac /= 10;
    }
    if (comma != std::string_view::npos) out[comma] = ',';
    // integer part, right to left; a digit position left of the last
    // significant digit is "leading" when the remaining value is zero
    for (std::size_t i = int_pic.size(); i-- > 0;) {
        const char p = int_pic[i];
        if (p == '.') {
            out[i] = '.';
            continue;
        }
        const int d = static_cast<int>(whole % 10);
        whole /= 10;
        out[i] = static_cast<char>('0' + d);
    }
    // zero suppression, left to right, stops at the first '9' or non-zero digit
    for (std::size_t i = 0; i < int_pic.size(); ++i) {
        const char p = int_pic[i];
        if (p == '.') {
            out[i] = ' ';
            continue;
        }
        if ((p == 'Z' || p == 'z') && out[i] == '0') {
            out[i] = ' ';
            continue;
        }
        break;
    }
    return out;
}

std::string edit_amount_whole(Decimal value) {
    if (value.abs() <= Decimal::from_units(99'990'000 + 9'900)) return edit(value, "Z.ZZ9,99");
    std::string digits = std::to_string(value.abs().whole());
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
        grouped += digits[i];
    }
    const std::string cents = edit(value, "9,99");
    return grouped + cents.substr(1);
}

} // namespace qv
