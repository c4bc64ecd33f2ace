// Upper case without accents over the whole text area, byte by byte
// (Windows-1252).
#include "torlib/routines.h"

#include "shared/cp1252.h"
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
constexpr std::string_view kFrom = "aäãâáàÄÃÂÁÀ"
                                   "bcçÇ"
                                   "deêëéèÊËÉÈ"
                                   "fghiïíìîÏÍÌÎ"
                                   "jklmnñÑ"
                                   "oöõôóòÖÕÔÓÒ"
                                   "pqrstuüûúùÜÛÚÙ"
                                   "vwxyz"_cp1252;
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

// Below 128 the table only turns a..z into A..Z, which the fast path below
// relies on.
constexpr bool ascii_is_plain_upper() {
    for (int c = 0; c < 128; ++c) {
        const int want = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        if (kTable[static_cast<std::size_t>(c)] != want) return false;
    }
    return true;
}
static_assert(ascii_is_plain_upper());

constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

// Sixteen single bytes, signed: bytes of 128 and above are negative.
using Chunk = signed char __attribute__((vector_size(16)));

} // namespace

// Sixteen bytes at a time: a..z become capitals in one go (the signed
// comparison leaves every byte of 128 and above alone), then each byte of 128
// and above, found by its top bit, goes through the table.
void upper_no_accents(char* link) {
    const Bytes text = field(link, L::L_TEXTO);
    char* p = text.data();
    std::size_t i = 0;
    for (; i + sizeof(Chunk) <= text.size(); i += sizeof(Chunk)) {
        Chunk v;
        std::memcpy(&v, p + i, sizeof v);
        const Chunk lower = (v >= 'a') & (v <= 'z');
        v -= lower & 0x20;
        std::memcpy(p + i, &v, sizeof v);
        std::array<std::uint64_t, 2> halves{};
        std::memcpy(halves.data(), &v, sizeof v);
        for (std::size_t h = 0; h < halves.size(); ++h) {
            for (std::uint64_t high = halves[h] & kHigh; high != 0; high &= high - 1) {
                const auto bit = static_cast<unsigned>(__builtin_ctzll(high)); // 7, 15, ... 63
                const auto byte = static_cast<unsigned char>(halves[h] >> (bit - 7));
                p[i + 8 * h + bit / 8] = kTable[byte];
            }
        }
    }
    for (; i < text.size(); ++i)
        p[i] = kTable[static_cast<unsigned char>(p[i])];
}

} // namespace qv::torlib
