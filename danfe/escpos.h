// The ESC/POS commands the DANFE uses, written into one byte string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::danfe::detail {

// A 1-bit image, rows from the top, each row packed 8 dots a byte with the
// leftmost dot in the high bit; a set bit is a black dot.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
    int stride() const { return (width + 7) / 8; }
    void set(int x, int y) {
        bits[static_cast<std::size_t>(y) * stride() + x / 8] |= std::uint8_t(0x80U >> (x % 8));
    }
};

enum class Align : std::uint8_t { left = 0, center = 1, right = 2 };

// Windows-1252 in the printer's table of code pages.
inline constexpr std::uint8_t kCodePageWpc1252 = 16;

class EscPos {
  public:
    void initialize();                  // ESC @
    void code_page(std::uint8_t page);  // ESC t n
    void align(Align a);                // ESC a n
    void bold(bool on);                 // ESC E n
    void size(int width, int height);   // GS ! n, each 1..8 times
    void line(std::string_view cp1252); // the text and LF
    void feed(int lines);               // ESC d n
    void raster(const Bitmap& image);   // GS v 0, normal density
    void cut();                         // GS V 66 n: feed to the cutter, partial cut
    const std::string& bytes() const { return out_; }

  private:
    void put(std::initializer_list<std::uint8_t> bytes);
    std::string out_;
};

} // namespace qv::danfe::detail
