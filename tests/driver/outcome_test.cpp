// How a caller runs one printer command and reads what it tells: the command
// reaches the record before the driver form opens, and the four result texts
// decide success, a low-paper status in the first line being only a warning.
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"
#include "shared/impfis_block.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace qv::driver {
namespace {

using namespace qv::impfis;

using Record = std::array<char, kSize>;

Record blank_record() {
    Record r{};
    r.fill(' ');
    return r;
}

TEST(DriverRun, WritesTheWholeCommandFieldThenOpensTheDriverFormOnce) {
    Record rec = blank_record();
    put_text(field(rec.data(), IMPFIS_COMANDO), "TERM-FECTO-CUPOM-DE-UM-COMANDO-ANTERIOR");
    put_text(field(rec.data(), IMPFIS_DOCUMENTO), "12345678909");
    std::vector<std::string> opened;
    std::vector<std::string> command_seen;
    run(rec.data(), "LEITURAX", [&](std::string_view form) {
        opened.emplace_back(form);
        command_seen.push_back(get_text(field(rec.data(), IMPFIS_COMANDO)));
    });
    EXPECT_EQ(opened, std::vector<std::string>{"99-ImpFiscalDaruma"});
    // The driver compares all 40 characters: nothing of a longer earlier
    // command may survive behind the new one.
    EXPECT_EQ(command_seen, std::vector<std::string>{"LEITURAX" + std::string(32, ' ')});
    EXPECT_EQ(trimmed(field(rec.data(), IMPFIS_DOCUMENTO)), "12345678909");
}

TEST(DriverOutcome, ResultTextsAndSuccess) {
    const std::string low_paper(kLowPaper);
    struct Case {
        const char* name;
        std::array<std::string, 4> results; // STATUS-1, STATUS-2, MSG-1, MSG-2
        std::vector<std::string> texts;
        bool succeeded;
    };
    const Case cases[] = {
        {"all blank", {"", "", "", ""}, {}, true},
        {"low paper alone", {low_paper, "", "", ""}, {low_paper}, true},
        {"low paper and a message",
         {low_paper, "", "Erro de comunicação!!!"_cp1252, ""},
         {low_paper, "Erro de comunicação!!!"_cp1252},
         false},
        {"low paper in the second status", {"", low_paper, "", ""}, {low_paper}, false},
        {"low paper as a message", {"", "", low_paper, ""}, {low_paper}, false},
        {"low paper followed by more", {low_paper + "!", "", "", ""}, {low_paper + "!"}, false},
        {"a NUL first is blank", {std::string("\0Lixo", 5), "", "", ""}, {}, true},
        {"all four, in order, inner blanks kept",
         {"Comando não executado !!!"_cp1252, " S2", "Impressora Desligada!!!   -6", "M2"},
         {"Comando não executado !!!"_cp1252, " S2", "Impressora Desligada!!!   -6", "M2"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Record rec = blank_record();
        for (std::size_t i = 0; i < kResults.size(); ++i)
            put_text(field(rec.data(), kResults[i]), c.results[i]);
        const Outcome out = outcome(rec.data());
        EXPECT_EQ(out.texts, c.texts);
        EXPECT_EQ(out.succeeded, c.succeeded);
    }
}

TEST(DriverOutcome, TextsFillingTheirWholeFieldAreKeptWhole) {
    Record rec = blank_record();
    const std::string full(IMPFIS_MSG_2.width, 'x');
    put_text(field(rec.data(), IMPFIS_MSG_2), full);
    const Outcome out = outcome(rec.data());
    EXPECT_EQ(out.texts, std::vector<std::string>{full});
    EXPECT_FALSE(out.succeeded);
}

} // namespace
} // namespace qv::driver
