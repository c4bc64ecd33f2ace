#include "thermalsim/thermal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qv::thermalsim::kDots58mm;
using qv::thermalsim::kDots80mm;
using qv::thermalsim::Paper;
using qv::thermalsim::print;

using namespace std::string_literals;

struct Malformed {
    const char* name;
    std::string bytes;
    std::size_t offset;
    const char* what; // part of the problem's text
};

class MalformedInput : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedInput, IsReportedAtItsOffset) {
    const Malformed& m = GetParam();
    const Paper paper = print(m.bytes, kDots80mm);
    ASSERT_EQ(paper.problems.size(), 1U) << paper.text;
    EXPECT_EQ(paper.problems[0].offset, m.offset);
    EXPECT_NE(paper.problems[0].what.find(m.what), std::string::npos) << paper.problems[0].what;
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, MalformedInput,
    testing::Values(
        Malformed{"LoneEsc", "\x1b"s, 0, "incompleto"},
        Malformed{"CodePageWithoutPage", "ab\x1bt"s, 2, "incompleto"},
        Malformed{"RasterCutShort", "\x1dv0\x00\x01\x00\x02\x00\xff"s, 0, "faltam 1 bytes"},
        Malformed{"RasterHeaderCutShort", "\x1dv0\x00\x01"s, 0, "incompleto"},
        Malformed{"UnknownEsc", "A\x1bzB\n"s, 1, "ESC 0x7A"},
        Malformed{"UnknownGs", "\x1d\x99"s, 0, "GS 0x99"},
        Malformed{"ControlByte", "x\x01y\n"s, 1, "0x01"},
        Malformed{"SizeOutOfRange", "\x1d!\x88"s, 0, "tamanho"},
        Malformed{"CutMode", "\x1dV\x07"s, 0, "corte"},
        Malformed{"Alignment",
                  "\x1b"
                  "a\x05"s,
                  0, "alinhamento"},
        Malformed{"CodePage", "\x1bt\x02"s, 0, "página de código 2"},
        Malformed{"RasterWithoutZero", "\x1dv1AB\n"s, 0, "'0'"},
        Malformed{"RasterEmpty", "\x1dv0\x00\x00\x00\x00\x00"s, 0, "vazia"},
        Malformed{"RasterMode", "\x1dv0\x09\x01\x00\x01\x00\xff"s, 0, "modo"},
        Malformed{"HighByteOutsidePage", "\x1b@\xe7\n"s, 2, "0xE7"},
        Malformed{"RasterWiderThanPaper", "\x1dv0\x00\x50\x00\x01\x00"s + std::string(0x50, '\xff'),
                  0, "larga"}),
    [](const testing::TestParamInfo<Malformed>& param) { return std::string(param.param.name); });

TEST(ThermalPrinter, KeepsReadingAfterAnUnknownCommand) {
    const Paper paper = print("\x1bzA\x1d\x99"
                              "B\n"s,
                              kDots80mm);
    EXPECT_EQ(paper.text, "AB\n");
}

TEST(ThermalPrinter, PrintsWindows1252TextAsUtf8Lines) {
    const Paper paper = print("\x1b@\x1bt\x10Ol\xe1 \xe7\x80\n\nfim"s, kDots80mm);
    EXPECT_EQ(paper.text, "Olá ç€\n\nfim\n");
    EXPECT_TRUE(paper.problems.empty());
    EXPECT_EQ(paper.width, 576);
    EXPECT_EQ(paper.height, 3 * 30);
    EXPECT_EQ(paper.grey.size(), 576U * 90U);
}

struct Aligned {
    int dots;
    char align;
    std::size_t spaces;
};

class Alignment : public testing::TestWithParam<Aligned> {};

TEST_P(Alignment, PlacesTheLine) {
    const Aligned& a = GetParam();
    const Paper paper = print("\x1b"
                              "a"s +
                                  a.align + "ABCD\n",
                              a.dots);
    EXPECT_EQ(paper.text, std::string(a.spaces, ' ') + "ABCD\n");
}

INSTANTIATE_TEST_SUITE_P(Papers, Alignment,
                         testing::Values(Aligned{kDots80mm, 0, 0}, Aligned{kDots80mm, 1, 22},
                                         Aligned{kDots80mm, '2', 44}, Aligned{kDots58mm, 1, 14},
                                         Aligned{kDots58mm, 2, 28}));

TEST(ThermalPrinter, BreaksALineWiderThanThePaperAndCountsIt) {
    struct Case {
        std::string bytes;
        std::string text;
        int dots;
        int wrapped;
    };
    const Case cases[] = {
        {std::string(48, 'x') + "\n", std::string(48, 'x') + "\n", kDots80mm, 0},
        {std::string(49, 'x') + "\n", std::string(48, 'x') + "\nx\n", kDots80mm, 1},
        {std::string(33, 'y') + "\n", std::string(32, 'y') + "\ny\n", kDots58mm, 1},
        // double width: 24 characters fill the 80 mm paper
        {"\x1d!\x10"s + std::string(25, 'z') + "\n", std::string(24, 'z') + "\nz\n", kDots80mm, 1},
    };
    for (const Case& c : cases) {
        const Paper paper = print(c.bytes, c.dots);
        EXPECT_EQ(paper.text, c.text);
        EXPECT_EQ(paper.wrapped_lines, c.wrapped);
    }
}

TEST(ThermalPrinter, DrawsARasterImageDotForDot) {
    // 16 x 2 dots: the first row's first and last dot, the second row whole.
    const std::string bytes = "\x1dv0\x00\x02\x00\x02\x00\x80\x01\xff\xff"s;
    const Paper paper = print(bytes, kDots80mm);
    ASSERT_TRUE(paper.problems.empty());
    EXPECT_EQ(paper.text, qv::thermalsim::image_placeholder(16, 2) + "\n");
    ASSERT_EQ(paper.height, 2);
    int black = 0;
    for (const std::uint8_t g : paper.grey)
        black += g == 0 ? 1 : 0;
    EXPECT_EQ(black, 2 + 16);
    EXPECT_EQ(paper.grey[0], 0);
    EXPECT_EQ(paper.grey[1], 255);
    EXPECT_EQ(paper.grey[15], 0);
    EXPECT_EQ(paper.grey[16], 255);
    EXPECT_EQ(paper.grey[576 + 15], 0);

    // centred: (576 - 16) / 2 dots from the left
    const Paper centred = print("\x1b"
                                "a\x01"s +
                                    bytes,
                                kDots80mm);
    EXPECT_EQ(centred.grey[280], 0);
    EXPECT_EQ(centred.grey[279], 255);
    // double width and height (mode 3): 32 x 4 dots
    const Paper doubled = print("\x1dv0\x03\x02\x00\x02\x00\x80\x01\xff\xff"s, kDots80mm);
    EXPECT_EQ(doubled.text, qv::thermalsim::image_placeholder(32, 4) + "\n");
    EXPECT_EQ(doubled.grey[1], 0);
    EXPECT_EQ(doubled.grey[576 + 1], 0);
    EXPECT_EQ(doubled.grey[2], 255);
}

TEST(ThermalPrinter, BoldAndTallTextDrawMoreDots) {
    const auto black = [](const Paper& p) {
        int n = 0;
        for (const std::uint8_t g : p.grey)
            n += g == 0 ? 1 : 0;
        return n;
    };
    const Paper plain = print("HELLO\n", kDots80mm);
    const Paper bold = print("\x1b"
                             "E\x01HELLO\n"s,
                             kDots80mm);
    const Paper tall = print("\x1d!\x01HELLO\n"s, kDots80mm);
    EXPECT_GT(black(plain), 0);
    EXPECT_GT(black(bold), black(plain));
    EXPECT_EQ(black(tall), 2 * black(plain));
    EXPECT_EQ(tall.height, 48);
}

TEST(ThermalPrinter, CutsAndFeeds) {
    const Paper paper = print("a\x1d"
                              "V\x42\x02"
                              "b\x1d"
                              "V\x00"s,
                              kDots80mm);
    EXPECT_EQ(paper.cuts, 2);
    EXPECT_EQ(paper.text, "a\n\n\nb\n");
    const Paper fed = print("x\x1b"
                            "d\x02"s,
                            kDots58mm);
    EXPECT_EQ(fed.text, "x\n\n\n");
}

TEST(ThermalPrinter, WritesAPng) {
    const std::string png = qv::thermalsim::png(print("PNG\n", kDots58mm));
    ASSERT_GT(png.size(), 8U);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n"s);
    EXPECT_TRUE(qv::thermalsim::png(print("", kDots58mm)).empty());
}

} // namespace
