// The simulated printer's font: 8x16 glyphs, drawn in the 12x24 cell of the
// printer's font A. The glyphs come from the "Fixed" console font of
// Debian's console-setup-linux (public domain, like the X11 misc-fixed
// fonts it is made from), turned into a table while building.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace qv::thermalsim::detail {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 16;
inline constexpr int kCellWidth = 12; // font A: 48 columns on 576 dots
inline constexpr int kCellHeight = 24;

struct Glyph {
    char32_t code_point;
    std::array<std::uint8_t, kGlyphHeight> rows; // high bit: the leftmost dot
};

// Every glyph, by code point.
std::span<const Glyph> glyphs();
// The glyph of a code point, or the '?' glyph when the font has none.
const Glyph& glyph(char32_t code_point);

} // namespace qv::thermalsim::detail
