// The DANFE's texts as printed: amounts, quantities, masks and lines cut to
// the paper's columns. Every text here is Windows-1252, one byte a column.
#pragma once

#include "shared/decimal.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::danfe::detail {

// "1.234,56": two decimals (cut), points between thousands.
std::string money(Decimal value);
// "2", "0,35", "1,5": the decimals that are not zero.
std::string quantity(Decimal value);
// A CPF (11 digits) or CNPJ (14 digits) with its mask; any other text as it is.
std::string masked_document(std::string_view digits);
// The access key in eleven groups of four digits, as two lines of six and
// five groups, so that both fit even the narrow paper.
std::vector<std::string> key_lines(std::string_view key);
// The text cut into lines of at most `columns`, between words where it can,
// inside a word longer than a line.
std::vector<std::string> wrap(std::string_view text, int columns);
// `left` and `right` on one line with spaces between, or, when they do not
// fit together, `left` wrapped and `right` alone at the right of a line.
std::vector<std::string> pair_line(std::string_view left, std::string_view right, int columns);

} // namespace qv::danfe::detail
