// The simulated thermal printer: takes the ESC/POS bytes a till sends and
// gives the paper they print, as text (one line per printed line, UTF-8,
// an image shown by a placeholder line) and as a 203 dpi grey picture.
// Bytes it does not know, or commands cut short, are reported with their
// offset; it never stops on them except where the rest cannot be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv::thermalsim {

// Printable dots across the paper: 576 on 80 mm, 384 on 58 mm.
inline constexpr int kDots80mm = 576;
inline constexpr int kDots58mm = 384;

struct Problem {
    std::size_t offset; // of the byte that starts the command at fault
    std::string what;   // UTF-8
};

struct Paper {
    std::string text;               // UTF-8, each line ended by '\n'
    int width = 0;                  // dots
    int height = 0;                 // dots
    std::vector<std::uint8_t> grey; // width * height, 0 black .. 255 white
    std::vector<Problem> problems;
    int wrapped_lines = 0; // text lines the printer broke because they were wider than the paper
    int cuts = 0;
};

// The placeholder line of a raster image in the paper's text.
std::string image_placeholder(int width, int height);

// Prints `escpos` on a paper `paper_dots` wide (12 to 576).
Paper print(std::string_view escpos, int paper_dots);

// The paper as a PNG file's bytes (8-bit grey); empty when it cannot be made.
std::string png(const Paper& paper);

// THERMALSIM_DIR, or "termica-simulada" in the working directory.
std::filesystem::path simulator_dir();

} // namespace qv::thermalsim
