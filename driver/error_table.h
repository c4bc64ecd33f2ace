// The printer's error table: each code the printer reports after a refused
// command, with its Portuguese text.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace qv::driver {

struct ErrorRow {
    int code;
    const char* text; // Windows-1252, at most 70 characters
};

// All rows, in ascending order of code; every code and every text occurs
// once, so a text read back from a record names its code.
std::span<const ErrorRow> error_table();

// The text for `code`, or nullopt when the table has no such code.
std::optional<std::string_view> error_text(int code);

} // namespace qv::driver
