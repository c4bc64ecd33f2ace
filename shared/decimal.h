// Exact decimal for amounts and percentages: 14 integer and 4 fraction
// digits, signed. Binary floating point never touches money.
#pragma once

#include "shared/fixed_field.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

class Decimal {
  public:
    static constexpr int kScale = 4;                              // fraction digits
    static constexpr std::int64_t kOne = 10'000;                  // 1 in units
    static constexpr std::int64_t kMax = 999'999'999'999'999'999; // 14 + 4 nines

    constexpr Decimal() = default;
    // A value given in units of 1/10 000, clamped to the 14+4 digit range.
    static constexpr Decimal from_units(std::int64_t units) { return Decimal(clamp(units)); }
    static constexpr Decimal from_int(std::int64_t whole) {
        return from_units(whole > kMax / kOne ? kMax : whole < -kMax / kOne ? -kMax : whole * kOne);
    }
    // Parses "1.234,56", "1234,5", "0,01", "-3", "  12 " (Brazilian: comma
    // before the decimals, optional points between thousands). More than 4
    // decimals are cut. nullopt for anything else, or more than 14 integer
    // digits. An empty or blank text is nullopt too (callers decide what it means).
    static std::optional<Decimal> parse(std::string_view text);
    // Reads a digit field with `decimals` implied decimals; nullopt when a
    // character is not a digit or the integer part has more than 14
    // significant digits. More than 4 decimals are cut. (A record field by
    // its table entry: get_decimal in shared/field_decimal.h.)
    static std::optional<Decimal> from_digits(ConstBytes f, int decimals);

    // Writes the value into the digit field `f` with `decimals` implied
    // decimals: the integer digits that fit in the rest of the field, the
    // last ones kept, then the first `decimals` fraction digits. The sign is
    // dropped. (The record fields cut this way by design. A record field by
    // its table entry: put_decimal in shared/field_decimal.h.)
    void to_digits(Bytes f, int decimals) const;

    constexpr std::int64_t units() const { return units_; }
    constexpr bool is_zero() const { return units_ == 0; }
    constexpr bool is_negative() const { return units_ < 0; }
    constexpr Decimal abs() const { return Decimal(units_ < 0 ? -units_ : units_); }
    // Cuts (never rounds) to `decimals` fraction digits (0..4), toward zero.
    Decimal truncated(int decimals) const;
    // The integer part, toward zero.
    constexpr std::int64_t whole() const { return units_ / kOne; }

    // Both within 18 digits, so their sum fits in 64 bits before the clamp.
    friend constexpr Decimal operator+(Decimal a, Decimal b) {
        return Decimal(clamp(a.units_ + b.units_));
    }
    friend constexpr Decimal operator-(Decimal a, Decimal b) {
        return Decimal(clamp(a.units_ - b.units_));
    }
    Decimal& operator+=(Decimal o) { return *this = *this + o; }
    // Exact product cut to 4 decimals.
    friend Decimal operator*(Decimal a, Decimal b);
    // Quotient cut to 4 decimals; division by zero gives zero.
    friend Decimal operator/(Decimal a, Decimal b);
    // value * numerator / denominator, exact before one cut to 4 decimals
    // (a share in proportion); zero when the denominator is zero.
    friend Decimal proportion(Decimal value, Decimal numerator, Decimal denominator);
    friend constexpr bool operator==(Decimal a, Decimal b) { return a.units_ == b.units_; }
    friend constexpr bool operator!=(Decimal a, Decimal b) { return a.units_ != b.units_; }
    friend constexpr bool operator<(Decimal a, Decimal b) { return a.units_ < b.units_; }
    friend constexpr bool operator<=(Decimal a, Decimal b) { return a.units_ <= b.units_; }
    friend constexpr bool operator>(Decimal a, Decimal b) { return a.units_ > b.units_; }
    friend constexpr bool operator>=(Decimal a, Decimal b) { return a.units_ >= b.units_; }

    // Plain text with a comma and all 4 decimals: "-1234,5600".
    std::string to_string() const;

  private:
    constexpr explicit Decimal(std::int64_t u) : units_(u) {}
    static constexpr std::int64_t clamp(std::int64_t u) {
        return u > kMax ? kMax : u < -kMax ? -kMax : u;
    }
    std::int64_t units_ = 0;
};

// Edits a value with a picture such as "Z.ZZ9,99", "ZZ9,99", "ZZ.ZZ9,99" or
// "z9,99": 'Z'/'z' is a digit whose leading zero shows as a space, '9' a digit
// always shown, '.' a thousands point (a space among suppressed zeros), ','
// the decimal comma. The integer part keeps its last digits that fit, the
// decimals are cut, the sign is not shown.
std::string edit(Decimal value, std::string_view picture);

// Shows a value in the amount picture "Z.ZZ9,99", but a value above 9.999,99
// with all its integer digits ("12.345,67") instead of losing any.
std::string edit_amount_whole(Decimal value);

} // namespace qv
