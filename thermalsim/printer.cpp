#include "thermalsim/font.h"
#include "thermalsim/thermal.h"

#include "shared/cp1252.h"
#include "shared/platform/platform.h"

#include <algorithm>
#include <cstdio>

namespace qv::thermalsim {

namespace detail {

const Glyph& glyph(char32_t code_point) {
    const std::span<const Glyph> all = glyphs();
    const auto by_code = [](const Glyph& g, char32_t cp) { return g.code_point < cp; };
    const auto it = std::lower_bound(all.begin(), all.end(), code_point, by_code);
    if (it != all.end() && it->code_point == code_point) return *it;
    return *std::lower_bound(all.begin(), all.end(), U'?', by_code);
}

} // namespace detail

namespace {

using namespace detail;

constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kGs = 0x1D;
constexpr unsigned char kPageWpc1252 = 16;
constexpr int kLineDots = 30;         // the default line spacing
constexpr int kMaxPaperDots = 60'000; // 7.5 m of paper: beyond it the bytes are not a receipt

std::string hex(unsigned value) {
    std::array<char, 8> buf{};
    (void)std::snprintf(buf.data(), buf.size(), "0x%02X", value);
    return buf.data();
}

std::string utf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

struct Cell {
    char32_t code_point;
    bool bold;
    int width; // times the font's
    int height;
};

class Printer {
  public:
    Printer(std::string_view in, int dots) : in_(in) { paper_.width = dots; }

    Paper run() {
        while (at_ < in_.size() && !stopped_)
            step();
        flush_line(false);
        return std::move(paper_);
    }

  private:
    void step() {
        const std::size_t start = at_;
        const auto b = static_cast<unsigned char>(in_[at_++]);
        if (b == kLf) return flush_line(true);
        if (b == kCr) return; // the LF ends the line
        if (b == kEsc) return escape(start);
        if (b == kGs) return group(start);
        if (b < 0x20 || b == 0x7F) return problem(start, "byte de controle desconhecido " + hex(b));
        character(start, b);
    }

    // ESC commands.
    void escape(std::size_t start) {
        unsigned char c = 0;
        if (!take(start, c)) return;
        unsigned char n = 0;
        switch (c) {
        case '@':
            bold_ = false;
            align_ = 0;
            width_ = height_ = 1;
            page_ = 0;
            line_.clear(); // what waits in the buffer is dropped
            line_width_ = 0;
            return;
        case 't':
            if (!take(start, n)) return;
            if (n != kPageWpc1252 && n != 0)
                problem(start, "página de código " + std::to_string(n) + " não suportada");
            page_ = n;
            return;
        case 'a':
            if (!take(start, n)) return;
            if (n <= 2 || (n >= '0' && n <= '2'))
                align_ = n % '0';
            else
                problem(start, "alinhamento inválido " + std::to_string(n));
            return;
        case 'E':
            if (!take(start, n)) return;
            bold_ = (n & 1) != 0;
            return;
        case 'd':
            if (!take(start, n)) return;
            flush_line(false);
            for (int i = 0; i < n; ++i)
                flush_line(true);
            return;
        default:
            problem(start, "comando desconhecido ESC " + hex(c));
        }
    }

    // GS commands.
    void group(std::size_t start) {
        unsigned char c = 0;
        if (!take(start, c)) return;
        unsigned char n = 0;
        switch (c) {
        case '!':
            if (!take(start, n)) return;
            if ((n & 0x88) != 0) return problem(start, "tamanho de caractere inválido " + hex(n));
            width_ = (n >> 4) + 1;
            height_ = (n & 0x0F) + 1;
            return;
        case 'V':
            return cut(start);
        case 'v':
            return raster(start);
        default:
            problem(start, "comando desconhecido GS " + hex(c));
        }
    }

    void cut(std::size_t start) {
        unsigned char m = 0;
        unsigned char n = 0;
        if (!take(start, m)) return;
        if (m == 65 || m == 66) {
            if (!take(start, n)) return;
        } else if (m != 0 && m != 1 && m != 48 && m != 49) {
            return problem(start, "modo de corte inválido " + std::to_string(m));
        }
        flush_line(false);
        for (int i = 0; i < n; ++i) // 65 and 66 feed n lines' worth before cutting
            feed(1);
        ++paper_.cuts;
    }

    void raster(std::size_t start) {
        std::array<unsigned char, 6> p{};
        if (!take(start, p[0])) return;
        if (p[0] != '0') return problem(start, "comando GS v sem o '0' da imagem raster");
        for (std::size_t i = 1; i < p.size(); ++i)
            if (!take(start, p[i])) return;
        const unsigned char mode = p[1];
        const std::size_t x_bytes = p[2] | (std::size_t{p[3]} << 8);
        const std::size_t rows = p[4] | (std::size_t{p[5]} << 8);
        if (x_bytes == 0 || rows == 0) return problem(start, "imagem raster vazia");
        if (mode > 3 && (mode < 48 || mode > 51)) {
            // The size is known: the image's bytes are passed over, not printed.
            at_ += std::min(in_.size() - at_, x_bytes * rows);
            return problem(start, "modo de imagem raster inválido " + std::to_string(mode));
        }
        if (in_.size() - at_ < x_bytes * rows) {
            problem(start, "imagem raster cortada: faltam " +
                               std::to_string(x_bytes * rows - (in_.size() - at_)) + " bytes");
            stopped_ = true;
            return;
        }
        const std::string_view data = in_.substr(at_, x_bytes * rows);
        at_ += data.size();
        flush_line(false);
        const int sx = (mode & 1) != 0 ? 2 : 1;
        const int sy = (mode & 2) != 0 ? 2 : 1;
        const int w = static_cast<int>(x_bytes) * 8 * sx;
        const int h = static_cast<int>(rows) * sy;
        if (w > paper_.width) problem(start, "imagem raster mais larga que o papel: cortada");
        const int top = grow(h);
        if (top < 0) return;
        const int left = std::max(0, offset(w));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w && left + x < paper_.width; ++x) {
                const auto byte = static_cast<unsigned char>(
                    data[static_cast<std::size_t>(y / sy) * x_bytes + (x / sx) / 8]);
                if ((byte & (0x80U >> ((x / sx) % 8))) != 0) dot(left + x, top + y);
            }
        paper_.text += image_placeholder(w, h) + "\n";
    }

    void character(std::size_t start, unsigned char b) {
        char32_t cp = cp1252_to_unicode(b);
        if (page_ != kPageWpc1252 && b >= 0x80) {
            problem(start, "caractere " + hex(b) + " fora da página de código escolhida");
            cp = U'?';
        }
        const int w = kCellWidth * width_;
        if (line_width_ + w > paper_.width) { // the printer goes on in the next line
            ++paper_.wrapped_lines;
            flush_line(true);
        }
        line_.push_back({cp, bold_, width_, height_});
        line_width_ += w;
    }

    // Reads one parameter byte of the command that started at `start`.
    bool take(std::size_t start, unsigned char& out) {
        if (at_ >= in_.size()) {
            problem(start, "comando incompleto no fim dos dados");
            stopped_ = true;
            return false;
        }
        out = static_cast<unsigned char>(in_[at_++]);
        return true;
    }

    void problem(std::size_t offset, std::string what) {
        paper_.problems.push_back({offset, std::move(what)});
    }

    int offset(int width) const {
        if (align_ == 1) return (paper_.width - width) / 2;
        if (align_ == 2) return paper_.width - width;
        return 0;
    }

    // Adds `dots` rows of white paper; the first new row, or -1 past the
    // paper's limit.
    int grow(int dots) {
        if (paper_.height + dots > kMaxPaperDots) {
            if (!stopped_) problem(at_, "papel mais longo que o limite do simulador");
            stopped_ = true;
            return -1;
        }
        const int top = paper_.height;
        paper_.height += dots;
        paper_.grey.resize(static_cast<std::size_t>(paper_.width) * paper_.height, 255);
        return top;
    }
    void feed(int lines) {
        if (grow(lines * kLineDots) >= 0)
            for (int i = 0; i < lines; ++i)
                paper_.text += "\n";
    }
    void dot(int x, int y) { paper_.grey[static_cast<std::size_t>(y) * paper_.width + x] = 0; }

    // Prints the line held so far. `always`: an empty line feeds the paper too.
    void flush_line(bool always) {
        if (line_.empty()) {
            if (always) feed(1);
            return;
        }
        int height = kLineDots;
        for (const Cell& c : line_)
            height = std::max(height, kCellHeight * c.height);
        const int top = grow(height);
        if (top < 0) return;
        const int left = offset(line_width_);
        std::string text(static_cast<std::size_t>(left / kCellWidth), ' ');
        int x = left;
        for (const Cell& c : line_) {
            draw(c, x, top + height - kCellHeight * c.height);
            text += utf8(c.code_point);
            x += kCellWidth * c.width;
        }
        text.erase(text.find_last_not_of(' ') + 1);
        paper_.text += text + "\n";
        line_.clear();
        line_width_ = 0;
    }

    // The glyph centred in its cell, each dot `width` x `height` times;
    // bold draws it again one dot to the right.
    void draw(const Cell& c, int x0, int y0) {
        const Glyph& g = glyph(c.code_point);
        const int gx = x0 + (kCellWidth - kGlyphWidth) / 2 * c.width;
        const int gy = y0 + (kCellHeight - kGlyphHeight) / 2 * c.height;
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < kGlyphWidth; ++col) {
                if ((g.rows[row] & (0x80U >> col)) == 0) continue;
                for (int dy = 0; dy < c.height; ++dy)
                    for (int dx = 0; dx < c.width + (c.bold ? 1 : 0); ++dx) {
                        const int x = gx + col * c.width + dx;
                        if (x < paper_.width) dot(x, gy + row * c.height + dy);
                    }
            }
    }

    std::string_view in_;
    std::size_t at_ = 0;
    bool stopped_ = false;
    Paper paper_;
    std::vector<Cell> line_;
    int line_width_ = 0;
    bool bold_ = false;
    int align_ = 0;
    int width_ = 1;
    int height_ = 1;
    unsigned char page_ = 0;
};

} // namespace

std::string image_placeholder(int width, int height) {
    return "[imagem " + std::to_string(width) + "x" + std::to_string(height) + " pontos]";
}

Paper print(std::string_view escpos, int paper_dots) {
    return Printer(escpos, std::clamp(paper_dots, kCellWidth, kDots80mm)).run();
}

std::filesystem::path simulator_dir() {
    if (const std::string dir = platform::environment_variable("THERMALSIM_DIR"); !dir.empty())
        return platform::path_from_text(dir);
    return "termica-simulada";
}

} // namespace qv::thermalsim
