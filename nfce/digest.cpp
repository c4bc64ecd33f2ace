#include "nfce/digest.h"

namespace qv::nfce {

namespace {

std::uint32_t rotate_left(std::uint32_t v, int bits) {
    return (v << bits) | (v >> (32 - bits));
}

// One 64-byte block into the running state (FIPS 180-4, 6.1.2).
void compress(std::array<std::uint32_t, 5>& h, const std::uint8_t* block) {
    std::array<std::uint32_t, 80> w{};
    for (int t = 0; t < 16; ++t)
        w[t] = std::uint32_t{block[4 * t]} << 24 | std::uint32_t{block[4 * t + 1]} << 16 |
               std::uint32_t{block[4 * t + 2]} << 8 | std::uint32_t{block[4 * t + 3]};
    for (int t = 16; t < 80; ++t)
        w[t] = rotate_left(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f = 0;
        std::uint32_t k = 0;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const std::uint32_t next = rotate_left(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = rotate_left(b, 30);
        b = a;
        a = next;
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
}

} // namespace

std::array<std::uint8_t, 20> sha1(std::string_view data) {
    std::array<std::uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::size_t at = 0;
    for (; at + 64 <= data.size(); at += 64)
        compress(h, reinterpret_cast<const std::uint8_t*>(data.data() + at));
    // The rest, the bit 1, zeros, and the length in bits over one or two blocks.
    std::array<std::uint8_t, 128> tail{};
    const std::size_t rest = data.size() - at;
    for (std::size_t i = 0; i < rest; ++i)
        tail[i] = static_cast<std::uint8_t>(data[at + i]);
    tail[rest] = 0x80;
    const std::size_t blocks = rest + 9 > 64 ? 2 : 1;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    for (int i = 0; i < 8; ++i)
        tail[blocks * 64 - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
    for (std::size_t b = 0; b < blocks; ++b)
        compress(h, tail.data() + 64 * b);
    std::array<std::uint8_t, 20> out{};
    for (int i = 0; i < 20; ++i)
        out[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return out;
}

std::string hex(std::string_view data) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 2);
    for (const char c : data) {
        const auto byte = static_cast<std::uint8_t>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    }
    return out;
}

std::string sha1_hex(std::string_view data) {
    const auto digest = sha1(data);
    return hex(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

} // namespace qv::nfce
