// Digit fields of the record tables read and written as decimals, with the
// implied decimals their FieldSpec states: a table change reaches every read
// and every write at once.
#pragma once

#include "shared/decimal.h"
#include "shared/fixed_field.h"

#include <optional>

namespace qv {

// The field's value; nullopt when a character is not a digit.
inline std::optional<Decimal> get_decimal(const char* record, const FieldSpec& f) {
    return Decimal::from_digits(field(record, f), static_cast<int>(f.decimals));
}

// Writes the value's last integer digits that fit and its first f.decimals
// fraction digits; the sign is dropped.
inline void put_decimal(char* record, const FieldSpec& f, Decimal value) {
    value.to_digits(field(record, f), static_cast<int>(f.decimals));
}

} // namespace qv
