// The paper: 48 columns of UTF-8 text, laid out like a real coupon, marked on
// every document as simulated and without fiscal value.
#pragma once

#include "ecfsim/clock.h"
#include "shared/decimal.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qv::ecfsim::tape {

inline constexpr std::size_t kColumns = 48;

// Characters (code points) of a UTF-8 text.
std::size_t width(std::string_view utf8);
// The first `columns` characters of a UTF-8 text.
std::string cut(std::string_view utf8, std::size_t columns);
// One line: `left`, spaces, `right` flush with column 48 (left is cut to fit).
std::string row(std::string_view left, std::string_view right = {});
// A long text over as many lines as it needs, the later ones indented.
std::string wrapped(std::string_view utf8, std::size_t indent);
std::string centred(std::string_view text);
std::string rule(char c = '-');
// Windows-1252 argument text to UTF-8, trailing spaces cut; control
// characters shown as "?" so the tape stays one line per line.
std::string from_cp1252(std::string_view bytes);
// "1.234,56"; negative values get a leading "-".
std::string money(Decimal value);
// "1,000" (three decimals).
std::string quantity(Decimal value);
// "000123"
std::string counter(std::uint32_t value);

// The issuer block that opens every document.
std::string issuer();
// The closing lines of every document: the simulator's mark and the time.
std::string footer(const Moment& at);

} // namespace qv::ecfsim::tape
