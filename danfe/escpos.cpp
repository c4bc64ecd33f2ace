#include "danfe/escpos.h"

#include <algorithm>

namespace qv::danfe::detail {

namespace {
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kLf = 0x0A;
} // namespace

void EscPos::put(std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes)
        out_ += static_cast<char>(b);
}

void EscPos::initialize() {
    put({kEsc, '@'});
}
void EscPos::code_page(std::uint8_t page) {
    put({kEsc, 't', page});
}
void EscPos::align(Align a) {
    put({kEsc, 'a', static_cast<std::uint8_t>(a)});
}
void EscPos::bold(bool on) {
    put({kEsc, 'E', static_cast<std::uint8_t>(on ? 1 : 0)});
}

void EscPos::size(int width, int height) {
    const auto w = static_cast<std::uint8_t>(std::clamp(width, 1, 8) - 1);
    const auto h = static_cast<std::uint8_t>(std::clamp(height, 1, 8) - 1);
    put({kGs, '!', static_cast<std::uint8_t>((w << 4) | h)});
}

void EscPos::line(std::string_view cp1252) {
    // A control byte inside a text would be read as a command.
    for (const char c : cp1252)
        out_ += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    put({kLf});
}

void EscPos::feed(int lines) {
    put({kEsc, 'd', static_cast<std::uint8_t>(std::clamp(lines, 0, 255))});
}

void EscPos::raster(const Bitmap& image) {
    const int x_bytes = image.stride();
    put({kGs, 'v', '0', 0, static_cast<std::uint8_t>(x_bytes & 0xFF),
         static_cast<std::uint8_t>(x_bytes >> 8), static_cast<std::uint8_t>(image.height & 0xFF),
         static_cast<std::uint8_t>(image.height >> 8)});
    out_.append(image.bits.begin(), image.bits.end());
}

void EscPos::cut() {
    put({kGs, 'V', 66, 3});
}

} // namespace qv::danfe::detail
