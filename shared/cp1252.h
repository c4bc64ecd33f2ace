// Windows-1252 text: the records' single-byte characters, converted to and
// from Unicode only at the window and terminal boundary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The Unicode code point of a Windows-1252 byte. Every byte maps: the five
// bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 control of the same value, as Windows itself does.
char32_t cp1252_to_unicode(unsigned char byte);
// The Windows-1252 byte of a code point, or nullopt when it has none.
std::optional<unsigned char> unicode_to_cp1252(char32_t code_point);

// Windows-1252 bytes to UTF-8. Never fails.
std::string cp1252_to_utf8(std::string_view bytes);
// UTF-8 to Windows-1252 bytes; nullopt when the text is not valid UTF-8 or
// holds a character that Windows-1252 cannot hold (never replaced silently).
std::optional<std::string> utf8_to_cp1252(std::string_view utf8);

} // namespace qv
