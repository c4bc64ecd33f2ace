// Any 332-byte link block, called once under each function code "01" to "06"
// and under codes that select nothing. After each call the block may differ
// from the one passed only in the outputs of that function, bytes 312 to 331
// never, and the outputs must be well formed.
#include "tests/torlib/link_outputs.h"
#include "torlib/torlib.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

namespace L = qv::link;

constexpr std::array<const char*, 9> kCodes = {"01", "02", "03", "04", "05",
                                               "06", "07", "08", "00"};

// Per code, the bytes it may write; worked out once.
using Mask = std::array<bool, L::kSize>;
const std::array<Mask, kCodes.size()>& writable() {
    static const auto masks = [] {
        std::array<Mask, kCodes.size()> m{};
        for (std::size_t c = 0; c < kCodes.size(); ++c)
            for (std::size_t i = 0; i < L::kSize; ++i)
                m[c][i] = qv::torlib_test::may_write(kCodes[c], i);
        return m;
    }();
    return masks;
}

[[noreturn]] void fail(const char* code, const char* what) {
    (void)std::fprintf(stderr, "function %s: %s\n", code, what);
    std::abort();
}

bool only(qv::ConstBytes f, const char* allowed) {
    return std::all_of(f.begin(), f.end(),
                       [&](char c) { return c != '\0' && std::strchr(allowed, c) != nullptr; });
}

void check_outputs(const char* code, const char* in, const char* out) {
    const char indicator = qv::field(out, L::L_INDICADOR)[0];
    const std::string_view c = code;
    if ((c == "01" || c == "02" || c == "06") && indicator != 'S' && indicator != 'N')
        fail(code, "indicator is neither S nor N");
    if (c == "01" && indicator == 'S') {
        const char weekday = qv::field(out, L::L_DIA_SEMANA)[0];
        if (weekday < '1' || weekday > '7') fail(code, "weekday out of 1..7");
        // Adding days writes date 2; counting them writes the days.
        const qv::ConstBytes date2 = qv::field(in, L::L_DATA2);
        const bool added =
            std::all_of(date2.begin(), date2.end(), [](char ch) { return ch == '0' || ch == ' '; });
        if (!qv::all_digits(qv::field(out, added ? L::L_DATA2 : L::L_DIAS)))
            fail(code, added ? "date 2 not digits" : "days not digits");
    }
    if (c == "03" || c == "04") {
        if (!only(qv::field(out, L::L_TEXTO),
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz ,.*"))
            fail(code, "words hold a character outside the word tables");
    }
    if (c == "05") {
        const qv::ConstBytes text = qv::field(out, L::L_TEXTO);
        if (std::any_of(text.begin(), text.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; }))
            fail(code, "lower case letter left");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<char, L::kSize> in;
    in.fill(' ');
    std::memcpy(in.data(), data, std::min(size, in.size()));

    char* link = bind_shared_record(TORLIB_LINK_NAME, TORLIB_LINK_SIZE);
    if (link == nullptr) std::abort();
    for (std::size_t c = 0; c < kCodes.size(); ++c) {
        const char* code = kCodes[c];
        std::array<char, L::kSize> before = in;
        std::memcpy(before.data() + L::L_FUNCAO.offset, code, L::L_FUNCAO.width);
        std::memcpy(link, before.data(), before.size());
        TORLIB();
        for (std::size_t i = 0; i < before.size(); ++i)
            if (link[i] != before[i] && !writable()[c][i]) fail(code, "wrote outside its outputs");
        if (std::memcmp(link + L::RESERVED_312.offset, before.data() + L::RESERVED_312.offset,
                        L::RESERVED_312.width) != 0)
            fail(code, "wrote bytes 312 to 331");
        check_outputs(code, before.data(), link);
    }
    return 0;
}
