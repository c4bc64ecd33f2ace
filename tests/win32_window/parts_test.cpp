// The window's parts that need no window: the text conversion at the
// window's boundary, the changes a key makes to a field, the browser's
// command line for CreateProcessW, the hand cursor's planes and the letters
// that answer a question.
#include "app/win32_window/masked_field.h"
#include "app/win32_window/message_box.h"
#include "app/win32_window/wide_text.h"
#include "app/win32_window/win32_window_ops.h"

#include <gtest/gtest.h>

#include <string>

namespace qv::win32 {
namespace {

TEST(WideText, EveryWindows1252ByteGoesToUtf16AndBack) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::wstring wide = widen(all);
    EXPECT_EQ(wide.size(), all.size());
    EXPECT_EQ(narrow(wide), all);
    EXPECT_EQ(widen("\x80\xC7\xE3"), L"\u20AC\u00C7\u00E3");
    EXPECT_TRUE(fits_cp1252(wide));
}

TEST(WideText, CharactersWithoutAByteBecomeAQuestionMarkAndDoNotFit) {
    EXPECT_EQ(narrow(L"a\u4E2Db"), "a?b");
    EXPECT_FALSE(fits_cp1252(L"a\u4E2Db"));
    // No best fit: an "A" with a ring below is not a plain "A".
    EXPECT_FALSE(fits_cp1252(L"\u1E00"));
}

struct KeyRow {
    std::wstring text;
    std::size_t from;
    std::size_t to;
    wchar_t key;
    std::wstring result;
    std::size_t caret;
};

TEST(FieldKeys, AKeyReplacesTheSelectionOrDeletesBesideTheCaret) {
    const KeyRow rows[] = {
        {L"12", 2, 2, L'3', L"123", 3}, {L"12", 0, 2, L'3', L"3", 1},
        {L"123", 1, 1, 8, L"23", 0},    {L"123", 0, 0, 8, L"123", 0},
        {L"123", 1, 1, 127, L"13", 1},  {L"123", 3, 3, 127, L"123", 3},
        {L"1234", 1, 3, 8, L"14", 1},   {L"1234", 1, 3, 127, L"14", 1},
        {L"12", 5, 9, L'x', L"12x", 3}, // a selection beyond the text is cut to it
    };
    for (const KeyRow& row : rows) {
        const detail::Change change = detail::apply_key(row.text, row.from, row.to, row.key);
        EXPECT_EQ(change.text, row.result) << narrow(row.text) << " " << int(row.key);
        EXPECT_EQ(change.caret, row.caret) << narrow(row.text) << " " << int(row.key);
    }
    const detail::Change pasted = detail::apply_insert(L"1,5", 1, 1, L"00");
    EXPECT_EQ(pasted.text, L"100,5");
    EXPECT_EQ(pasted.caret, 3U);
}

TEST(ProgramLine, ThePathBeforeTheLastBlankIsQuotedForCreateProcess) {
    const struct {
        std::wstring line;
        std::wstring application;
        std::wstring command_line;
    } rows[] = {
        {L"C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE www.example.com.br",
         L"C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE",
         L"\"C:\\Arquivos de Programas\\Internet Explorer\\IEXPLORE.EXE\" www.example.com.br"},
        {L"C:\\x.exe", L"C:\\x.exe", L"\"C:\\x.exe\""},
        {L"C:\\x.exe arg   ", L"C:\\x.exe", L"\"C:\\x.exe\" arg"},
        {L"   ", L"", L"\"\""},
    };
    for (const auto& row : rows) {
        const detail::ProgramLine split = detail::split_program_line(row.line);
        EXPECT_EQ(split.application, row.application) << narrow(row.line);
        EXPECT_EQ(split.command_line, row.command_line) << narrow(row.line);
    }
}

TEST(HandCursor, XbmBitsBecomeTheTwoPlanesMostSignificantBitFirst) {
    // One row of 8 pixels: pixel 0 black, pixel 1 white, pixel 2 clear (the
    // screen shows through), the rest clear.
    const unsigned char bits[] = {0x01};
    const unsigned char mask[] = {0x03};
    const detail::CursorPlanes planes = detail::cursor_planes(bits, mask, 8, 1);
    ASSERT_EQ(planes.and_plane.size(), 1U);
    EXPECT_EQ(planes.and_plane[0], 0x3F); // only pixels 0 and 1 cover the screen
    EXPECT_EQ(planes.xor_plane[0], 0x40); // pixel 1 white, pixel 0 black
    EXPECT_NE(hand_cursor(), nullptr);
}

struct MnemonicRow {
    const wchar_t* caption;
    wchar_t letter;
};

TEST(MessageBox, TheUnderlinedLetterOfAButtonAnswersIt) {
    const MnemonicRow rows[] = {
        {L"&Sim", L's'},  {L"&N\u00E3o", L'n'}, {L"N&\u00C3O", L'\u00E3'},
        {L"&Yes", L'y'},  {L"Sim", 0},          {L"P&&D", 0},
        {L"P&&&D", L'd'}, {L"fim&", 0},         {L"", 0},
    };
    for (const MnemonicRow& row : rows)
        EXPECT_EQ(detail::mnemonic(row.caption), row.letter) << "caption " << row.caption;
}

} // namespace
} // namespace qv::win32
