// Upper case without accents over the whole text area, byte by byte
// (Windows-1252).
#include "torlib/routines.h"

#include "shared/link_block.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qv::torlib {
namespace {

namespace L = qv::link;

// Position i of kFrom becomes position i of kTo; every other byte (capitals,
// digits, punctuation, letters such as y-acute, a-ring or sharp s) stays.
constexpr std::string_view kFrom = "a\xE4\xE3\xE2\xE1\xE0\xC4\xC3\xC2\xC1\xC0"
                                   "bc\xE7\xC7"
                                   "de\xEA\xEB\xE9\xE8\xCA\xCB\xC9\xC8"
                                   "fghi\xEF\xED\xEC\xEE\xCF\xCD\xCC\xCE"
                                   "jklmn\xF1\xD1"
                                   "o\xF6\xF5\xF4\xF3\xF2\xD6\xD5\xD4\xD3\xD2"
                                   "pqrstu\xFC\xFB\xFA\xF9\xDC\xDB\xDA\xD9"
                                   "vwxyz";
constexpr std::string_view kTo =
    "AAAAAAAAAAABCCCDEEEEEEEEEFGHIIIIIIIIIJKLMNNNOOOOOOOOOOOPQRSTUUUUUUUUUVWXYZ";
static_assert(kFrom.size() == 74 && kTo.size() == 74);

constexpr std::array<char, 256> make_table() {
    std::array<char, 256> t{};
    for (std::size_t c = 0; c < t.size(); ++c)
        t[c] = static_cast<char>(c);
    for (std::size_t i = 0; i < kFrom.size(); ++i)
        t[static_cast<unsigned char>(kFrom[i])] = kTo[i];
    return t;
}
constexpr std::array<char, 256> kTable = make_table();

} // namespace

void upper_no_accents(char* link) {
    for (char& c : field(link, L::L_TEXTO))
        c = kTable[static_cast<unsigned char>(c)];
}

} // namespace qv::torlib
