// Fixed-width text and digit fields, and the tables that describe records.
//
// Every record of the system (settings, driver block, link block) is a run of
// single-byte Windows-1252 characters at fixed offsets. Each record is
// described once as a table of FieldSpec; code reaches a field only through
// its table entry, never through a loose offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qv {

enum class FieldKind : std::uint8_t {
    text,     // left-justified, blank-filled characters
    digits,   // "0".."9" with leading zeros, implied decimals where stated
    int32le,  // signed 32-bit binary, little-endian
    reserved, // part of the interface, never interpreted
};

struct FieldSpec {
    std::size_t offset;
    std::size_t width;
    FieldKind kind;
    std::size_t decimals = 0; // implied decimals of a digit field
};

// True when the fields, taken in table order, cover [0, total) with no gap and
// no overlap. Used in static_asserts next to every record table.
template <typename Table> constexpr bool tiles_record(const Table& fields, std::size_t total) {
    std::size_t at = 0;
    for (const FieldSpec& f : fields) {
        if (f.offset != at || f.width == 0) return false;
        at += f.width;
    }
    return at == total;
}

using Bytes = std::span<char>;
using ConstBytes = std::span<const char>;

inline Bytes field(char* record, const FieldSpec& f) { return {record + f.offset, f.width}; }
inline ConstBytes field(const char* record, const FieldSpec& f) {
    return {record + f.offset, f.width};
}

// --- text ----------------------------------------------------------------

// Left-justifies `text` in the field and fills the rest with spaces; a longer
// text keeps its first characters.
void put_text(Bytes f, std::string_view text);
// Fills the whole field with spaces.
void blank(Bytes f);
// The field's bytes, as they stand.
std::string get_text(ConstBytes f);
// The field's bytes without the trailing spaces.
std::string trimmed(ConstBytes f);
// Compares the field with `text` over the whole field width, as if `text`
// were filled with spaces to that width (a longer text never matches).
bool equals_text(ConstBytes f, std::string_view text);
// True when every character is a space.
bool is_blank(ConstBytes f);
// A driver result counts as blank when all spaces or when it starts with NUL.
bool is_blank_result(ConstBytes f);

// --- digits --------------------------------------------------------------

// The digit of the low four bits of a character code: '5' stays '5', a space
// becomes '0', 'A' becomes '1'. Codes whose low four bits exceed 9 give no
// digit and are returned unchanged. Inline: the check-digit routines call
// these once per character.
inline char low4_digit(char c) {
    const int v = static_cast<unsigned char>(c) & 0x0F;
    return v <= 9 ? static_cast<char>('0' + v) : c;
}
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool all_digits(ConstBytes f);

// Writes `value` right-justified with leading zeros; a value with more digits
// than the field keeps its last digits.
void put_digits(Bytes f, std::uint64_t value);
// Reads a field of digits only; nullopt when any character is not a digit.
std::optional<std::uint64_t> get_digits(ConstBytes f);
// Reads digits where a blank counts as 0; nullopt on any other character.
std::optional<std::uint64_t> get_digits_blank_zero(ConstBytes f);

// --- binary --------------------------------------------------------------

void put_int32le(Bytes f, std::int32_t value);
std::int32_t get_int32le(ConstBytes f);

} // namespace qv
