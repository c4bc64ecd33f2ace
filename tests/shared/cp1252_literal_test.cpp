// The texts written in UTF-8 in the source and turned into Windows-1252
// while compiling, checked against the bytes written out one by one, and
// against the run-time converter.
#include "shared/cp1252.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

using namespace qv::literals;

namespace {

struct Row {
    std::string_view converted; // "..."_cp1252
    std::string_view bytes;     // the same text in escapes
};

// The 27 characters outside Latin-1 that Windows-1252 puts in 0x80..0x9F.
constexpr std::array<Row, 27> kBeyondLatin1{{
    {"€"_cp1252, "\x80"}, {"‚"_cp1252, "\x82"}, {"ƒ"_cp1252, "\x83"}, {"„"_cp1252, "\x84"},
    {"…"_cp1252, "\x85"}, {"†"_cp1252, "\x86"}, {"‡"_cp1252, "\x87"}, {"ˆ"_cp1252, "\x88"},
    {"‰"_cp1252, "\x89"}, {"Š"_cp1252, "\x8A"}, {"‹"_cp1252, "\x8B"}, {"Œ"_cp1252, "\x8C"},
    {"Ž"_cp1252, "\x8E"}, {"‘"_cp1252, "\x91"}, {"’"_cp1252, "\x92"}, {"“"_cp1252, "\x93"},
    {"”"_cp1252, "\x94"}, {"•"_cp1252, "\x95"}, {"–"_cp1252, "\x96"}, {"—"_cp1252, "\x97"},
    {"˜"_cp1252, "\x98"}, {"™"_cp1252, "\x99"}, {"š"_cp1252, "\x9A"}, {"›"_cp1252, "\x9B"},
    {"œ"_cp1252, "\x9C"}, {"ž"_cp1252, "\x9E"}, {"Ÿ"_cp1252, "\x9F"},
}};

// The system's own kind of text: accents, mixed with ASCII, in one literal
// or in several that the compiler joins.
constexpr std::array<Row, 6> kTexts{{
    {"Documento inválido !!!"_cp1252, "Documento inv\xE1lido !!!"},
    {"não executado"_cp1252, "n\xE3o executado"},
    {"CONFIGURAÇÃO DO SIMULADOR DANIFICADA"_cp1252, "CONFIGURA\xC7\xC3O DO SIMULADOR DANIFICADA"},
    {"Terça"
     "-Feira"_cp1252,
     "Ter\xE7"
     "a-Feira"},
    {"“Ação” – 10 €"_cp1252, "\x93"
                             "A\xE7\xE3o\x94 \x96 10 \x80"},
    {""_cp1252, ""},
}};

constexpr bool all_equal(const auto& rows) {
    for (const Row& r : rows)
        if (r.converted != r.bytes) return false;
    return true;
}
static_assert(all_equal(kBeyondLatin1));
static_assert(all_equal(kTexts));

// Latin-1 is Windows-1252 from 0xA0 up: 96 characters, one byte each, in
// order (the no-break space and the soft hyphen written as escapes).
constexpr std::string_view kLatin1 = "\u00A0¡¢£¤¥¦§¨©ª«¬\u00AD®¯°±²³´µ¶·¸¹"
                                     "º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑ"
                                     "ÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèé"
                                     "êëìíîïðñòóôõö÷øùúûüýþÿ"_cp1252;
constexpr bool is_latin1_in_order(std::string_view text) {
    if (text.size() != 96) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (static_cast<unsigned char>(text[i]) != 0xA0 + i) return false;
    return true;
}
static_assert(is_latin1_in_order(kLatin1));

// ASCII, control characters included, stays as it is.
static_assert(
    std::string_view("\t\r\n !\"#$%&'()*+,-./0123456789:;<=>?@AZ[\\]^_`az{|}~\x7F"_cp1252) ==
    "\t\r\n !\"#$%&'()*+,-./0123456789:;<=>?@AZ[\\]^_`az{|}~\x7F");

// Like a plain literal: an array of char that ends in NUL, one object per
// text, usable as a constant const char*.
static_assert(sizeof("não"_cp1252) == 4 && "não"_cp1252[3] == '\0');
static_assert(&"não"_cp1252 == &"não"_cp1252);
constexpr const char* kPointer = "ação"_cp1252;
static_assert(kPointer[1] == '\xE7');

TEST(Cp1252Literal, AgreesWithTheRunTimeConverter) {
    for (const auto& rows : {std::span<const Row>(kTexts), std::span<const Row>(kBeyondLatin1)}) {
        for (const Row& r : rows) {
            const std::string utf8 = qv::cp1252_to_utf8(r.bytes);
            EXPECT_EQ(qv::utf8_to_cp1252(utf8), std::string(r.converted)) << utf8;
        }
    }
    std::string latin1;
    for (int b = 0xA0; b <= 0xFF; ++b)
        latin1 += static_cast<char>(b);
    EXPECT_EQ(qv::utf8_to_cp1252(qv::cp1252_to_utf8(latin1)), std::string(kLatin1));
}

TEST(Cp1252Literal, JoinsStrings) {
    const std::string where = "linha 3: ";
    EXPECT_EQ(where + "função desconhecida"_cp1252, "linha 3: fun\xE7\xE3o desconhecida");
}

} // namespace
