// Build step: turns a Linux console font (PSF1 with its Unicode table,
// gzip-compressed, as Debian's console-setup-linux ships them) into the C++
// table of glyphs the simulated printer draws with. Only the characters a
// Windows-1252 page can print are kept.
//
// Usage: thermalsim-fontgen FONT.psf.gz OUTPUT.cpp
#include "shared/cp1252.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr unsigned char kPsf1Magic0 = 0x36;
constexpr unsigned char kPsf1Magic1 = 0x04;
constexpr unsigned char kPsf1Mode512 = 0x01;
constexpr unsigned char kPsf1ModeHasTable = 0x02;
constexpr int kGlyphHeight = 16;

bool read_gzip(const char* path, std::string& out) {
    gzFile in = gzopen(path, "rb");
    if (in == nullptr) return false;
    std::array<char, 8192> buf{};
    int n = 0;
    while ((n = gzread(in, buf.data(), static_cast<unsigned>(buf.size()))) > 0)
        out.append(buf.data(), static_cast<std::size_t>(n));
    const bool ok = n == 0;
    gzclose(in);
    return ok;
}

int fail(const std::string& why) {
    (void)std::fprintf(stderr, "thermalsim-fontgen: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return fail("usage: thermalsim-fontgen FONT.psf.gz OUTPUT.cpp");
    std::string psf;
    if (!read_gzip(argv[1], psf)) return fail(std::string("cannot read ") + argv[1]);
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(psf[i]); };
    if (psf.size() < 4 || byte(0) != kPsf1Magic0 || byte(1) != kPsf1Magic1)
        return fail("not a PSF1 font");
    if ((byte(2) & kPsf1ModeHasTable) == 0) return fail("the font has no Unicode table");
    if (byte(3) != kGlyphHeight) return fail("the font's glyphs are not 8x16");
    const std::size_t glyphs = (byte(2) & kPsf1Mode512) != 0 ? 512 : 256;
    const std::size_t table = 4 + glyphs * kGlyphHeight;
    if (psf.size() < table) return fail("the font is cut short");

    // Code point -> glyph index, from the table: per glyph, 16-bit code
    // points up to 0xFFFF; those after 0xFFFE are sequences, not wanted.
    std::map<char32_t, std::size_t> glyph_of;
    std::size_t at = table;
    for (std::size_t g = 0; g < glyphs; ++g) {
        bool sequences = false;
        for (;;) {
            if (at + 2 > psf.size()) return fail("the Unicode table is cut short");
            const char32_t cp = byte(at) | (char32_t{byte(at + 1)} << 8);
            at += 2;
            if (cp == 0xFFFF) break;
            if (cp == 0xFFFE)
                sequences = true;
            else if (!sequences)
                glyph_of.emplace(cp, g);
        }
    }

    std::map<char32_t, std::size_t> wanted;
    for (unsigned b = 0x20; b <= 0xFF; ++b) {
        const char32_t cp = qv::cp1252_to_unicode(static_cast<unsigned char>(b));
        if (const auto it = glyph_of.find(cp); it != glyph_of.end()) wanted.emplace(cp, it->second);
    }
    if (!wanted.contains(U'?')) return fail("the font has no '?'");

    std::ofstream out(argv[2], std::ios::binary);
    out << "// Made while building by thermalsim-fontgen from " << argv[1] << "\n"
        << "#include \"thermalsim/font.h\"\n\nnamespace qv::thermalsim::detail {\n\n"
        << "const std::array<Glyph, " << wanted.size() << "> kGlyphTable = {{\n";
    for (const auto& [cp, g] : wanted) {
        out << "    {0x" << std::hex << static_cast<unsigned>(cp) << ", {";
        for (int row = 0; row < kGlyphHeight; ++row)
            out << (row ? ", " : "") << "0x"
                << static_cast<unsigned>(byte(4 + g * kGlyphHeight + row));
        out << "}},\n" << std::dec;
    }
    out << "}};\n\nstd::span<const Glyph> glyphs() { return kGlyphTable; }\n\n"
        << "} // namespace qv::thermalsim::detail\n";
    return out.good() ? 0 : fail(std::string("cannot write ") + argv[2]);
}
