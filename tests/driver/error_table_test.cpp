// The error table as the driver relies on it: a refusal's code is read back
// from its text, so every code and every text must be one row's alone.
#include "driver/error_table.h"
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"
#include "shared/impfis_block.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

namespace qv::driver::test {
namespace {

using namespace qv::literals;
using namespace qv::impfis;

// A text as the message field holds it: filled with spaces, so that only
// the characters before trailing spaces tell two texts apart.
std::string as_in_field(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

TEST(ErrorTable, EveryCodeAndEveryTextIsOneRowsAlone) {
    std::map<int, std::string> by_code;
    std::map<std::string, int> by_text;
    for (const ErrorRow& r : error_table()) {
        const auto [code_at, new_code] = by_code.emplace(r.code, r.text);
        EXPECT_TRUE(new_code) << "code " << r.code << " twice";
        const auto [text_at, new_text] = by_text.emplace(as_in_field(r.text), r.code);
        EXPECT_TRUE(new_text) << "codes " << text_at->second << " and " << r.code << " share \""
                              << cp1252_to_utf8(r.text) << "\"";
    }
    EXPECT_EQ(by_code.size(), error_table().size());
    EXPECT_EQ(by_text.size(), error_table().size());
}

// Every row, as a refused command leaves it in the parameter block, reads
// back as its own code.
TEST(ErrorTable, EveryRefusalReadsBackAsItsCode) {
    std::string rec(kSize, ' ');
    put_text(field(rec.data(), IMPFIS_STATUS_1), "Comando não executado !!!"_cp1252);
    for (const ErrorRow& r : error_table()) {
        put_text(field(rec.data(), IMPFIS_MSG_1), r.text);
        EXPECT_EQ(refusal_code(rec.data()), r.code) << cp1252_to_utf8(r.text);
    }
}

} // namespace
} // namespace qv::driver::test
