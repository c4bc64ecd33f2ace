#include "shared/cp1252.h"

namespace qv {

namespace {

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string cp1252_to_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes)
        append_utf8(out, cp1252_to_unicode(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> utf8_to_cp1252(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t at = 0; at < in.size();) {
        const detail::Utf8Char c = detail::next_utf8_char(in, at);
        if (c.length == 0) return std::nullopt;
        const auto byte = unicode_to_cp1252(c.code_point);
        if (!byte) return std::nullopt;
        out += static_cast<char>(*byte);
        at += c.length;
    }
    return out;
}

std::string utf8_to_cp1252_lossy(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t at = 0; at < in.size();) {
        const detail::Utf8Char c = detail::next_utf8_char(in, at);
        const auto byte = c.length == 0 ? std::nullopt : unicode_to_cp1252(c.code_point);
        out += byte ? static_cast<char>(*byte) : '?';
        at += c.length == 0 ? 1 : c.length;
    }
    return out;
}

} // namespace qv
