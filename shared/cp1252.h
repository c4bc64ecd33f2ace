// Windows-1252 text: the records' single-byte characters, converted to and
// from Unicode only at the window and terminal boundary. The program's own
// texts are written in UTF-8 in the source and turned into Windows-1252
// while compiling: "Documento inválido"_cp1252.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

namespace detail {

// 0x80..0x9F; the rest of the bytes equal their code points (Latin-1). The
// five bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) map to the C1 control of the same value, as Windows itself does.
inline constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// One character read from UTF-8: its code point and how many bytes it took;
// `length` 0 when the bytes at that place are not a valid UTF-8 character
// (truncated, overlong, a surrogate or beyond U+10FFFF).
struct Utf8Char {
    char32_t code_point;
    std::size_t length;
};

constexpr Utf8Char next_utf8_char(std::string_view in, std::size_t at) {
    const auto b0 = static_cast<unsigned char>(in[at]);
    char32_t cp = 0;
    std::size_t len = 0;
    if (b0 < 0x80) {
        return {b0, 1};
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F;
        len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F;
        len = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07;
        len = 4;
    } else {
        return {0, 0};
    }
    if (in.size() - at < len) return {0, 0};
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(in[at + k]);
        if ((b & 0xC0) != 0x80) return {0, 0};
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong =
        (len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return {0, 0};
    return {cp, len};
}

} // namespace detail

// The Unicode code point of a Windows-1252 byte. Every byte maps.
constexpr char32_t cp1252_to_unicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? detail::kCp1252High[byte - 0x80] : char32_t{byte};
}

// The Windows-1252 byte of a code point, or nullopt when it has none.
constexpr std::optional<unsigned char> unicode_to_cp1252(char32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
        return static_cast<unsigned char>(code_point);
    for (std::size_t i = 0; i < detail::kCp1252High.size(); ++i)
        if (detail::kCp1252High[i] == code_point) return static_cast<unsigned char>(0x80 + i);
    return std::nullopt;
}

// Windows-1252 bytes to UTF-8. Never fails.
std::string cp1252_to_utf8(std::string_view bytes);
// UTF-8 to Windows-1252 bytes; nullopt when the text is not valid UTF-8 or
// holds a character that Windows-1252 cannot hold (never replaced silently).
std::optional<std::string> utf8_to_cp1252(std::string_view utf8);
// UTF-8 that comes from outside (a window's field, a path, a loader's
// message) to Windows-1252 for a record, where some text must be stored
// anyway: each character without a Windows-1252 byte, and each byte that
// is not part of a valid UTF-8 character, becomes one '?'; every other
// character keeps its byte. One '?' per character, so that a field's width
// still counts characters.
std::string utf8_to_cp1252_lossy(std::string_view utf8);

namespace detail {

// Reached only while converting a literal that holds a character with no
// Windows-1252 byte, or bytes that are not UTF-8, or a NUL: not constexpr,
// so that the conversion, which runs while compiling, fails to compile and
// names the fault.
inline void character_without_windows_1252_byte() {}
inline void literal_is_not_valid_utf8() {}
inline void nul_inside_literal() {}

// A string literal as a template argument: its bytes and the closing NUL.
template <std::size_t N> struct Utf8Literal {
    char bytes[N]{};
    consteval Utf8Literal(const char (&text)[N]) { // implicit: the literal itself is the argument
        for (std::size_t i = 0; i < N; ++i)
            bytes[i] = text[i];
    }
    [[nodiscard]] consteval std::string_view view() const { return {bytes, N - 1}; }
};

// The Windows-1252 bytes of `text`, written into `out` when it is not null;
// returns how many there are. Any fault stops the compilation.
consteval std::size_t convert_literal(std::string_view text, char* out) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Char c = next_utf8_char(text, at);
        if (c.length == 0) {
            literal_is_not_valid_utf8();
            return 0;
        }
        if (c.code_point == 0) nul_inside_literal();
        const std::optional<unsigned char> byte = unicode_to_cp1252(c.code_point);
        if (!byte) {
            character_without_windows_1252_byte();
            return 0;
        }
        if (out != nullptr) out[count] = static_cast<char>(*byte);
        ++count;
        at += c.length;
    }
    return count;
}

// The converted text, NUL-terminated like the literal it came from.
template <std::size_t N> struct Cp1252Bytes { char bytes[N + 1]{}; };

template <Utf8Literal Text> consteval auto converted() {
    Cp1252Bytes<convert_literal(Text.view(), nullptr)> out{};
    (void)convert_literal(Text.view(), out.bytes);
    return out;
}

// One object per distinct text, shared by every file of a module.
template <Utf8Literal Text> inline constexpr auto kCp1252Literal = converted<Text>();

} // namespace detail

inline namespace literals {

// "não executado"_cp1252: the literal's Windows-1252 bytes, made while
// compiling, as an array of char ending in NUL just like a plain literal,
// so it stands wherever a literal does (const char*, std::string_view,
// std::string + ...). A character that Windows-1252 cannot hold is a
// compile error, never a '?'. Clang 14 (the fuzzers' compiler) crashes on
// the literal inside a std::initializer_list, so tables of such texts are
// plain arrays.
template <detail::Utf8Literal Text> constexpr const auto& operator""_cp1252() {
    return detail::kCp1252Literal<Text>.bytes;
}

} // namespace literals

} // namespace qv
