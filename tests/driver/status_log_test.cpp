// Decoding of a refused command through the printer's error code, the error
// table and the driver log. The tests that differ by system stand in
// status_log_posix_test.cpp and status_log_windows_test.cpp.
#include "status_log_test.h"

#include "driver/driver_log.h"
#include "driver/error_table.h"

#include <set>

namespace qv::driver::test {
namespace {

TEST_F(StatusDecoding, KnownErrorCodeGivesItsTextAndOneLogEntry) {
    for (std::int32_t refusal : {-12, -27}) {
        SCOPED_TRACE(refusal);
        fs::remove(log_file());
        script({"iCFAbrir_ECF_Daruma " + std::to_string(refusal),
                "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
        run("ABRE-CUPOM");
        EXPECT_EQ(retorno(), refusal);
        EXPECT_EQ(get(IMPFIS_STATUS_1), kNotExecuted);
        EXPECT_EQ(get(IMPFIS_MSG_1), pad("CF aberto", 100));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_2)));
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_MSG_2)));
        EXPECT_EQ(calls().back(), "rStatusUltimoCmdInt_ECF_Daruma");
        // The log did not exist: the first entry creates it.
        const std::string log = read_file(log_file());
        EXPECT_EQ(log.size(), 6u * 81u);
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 6);
        expect_entry(lines_of(log), 0, "ABRE-CUPOM", kNotExecuted, "CF aberto");
        forget_calls();
    }
}

TEST_F(StatusDecoding, EntriesAreAppendedWithTextsInWindows1252) {
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 82",
            "iCFCancelar_ECF_Daruma -27", "rStatusUltimoCmdInt_ECF_Daruma 0 184"});
    run("CANC-CUPOM");
    run("CANC-CUPOM");
    const std::vector<std::string> lines = lines_of(read_file(log_file()));
    ASSERT_EQ(lines.size(), 12u);
    expect_entry(lines, 0, "CANC-CUPOM", kNotExecuted, "CF não aberto"_cp1252);
    expect_entry(lines, 6, "CANC-CUPOM", kNotExecuted, "Parâmetro só pode ser “A” ou “T”"_cp1252);
}

TEST_F(StatusDecoding, ZeroCodeMeansNoErrorAndNoEntry) {
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1"});
    run("CANC-CUPOM");
    EXPECT_EQ(retorno(), -12);
    EXPECT_TRUE(all_results_blank());
    EXPECT_FALSE(fs::exists(log_file()));
    EXPECT_EQ(calls().back(), "rStatusUltimoCmdInt_ECF_Daruma");
}

TEST_F(StatusDecoding, UnknownCodeIsStillARefusal) {
    // A code missing from the table would otherwise read as success and let
    // the coupon go on after the printer refused the command.
    for (std::int32_t code : {182, 200, 404, 999, -5}) {
        SCOPED_TRACE(code);
        fs::remove(log_file());
        script({"iCFAbrir_ECF_Daruma -12",
                "rStatusUltimoCmdInt_ECF_Daruma 1 " + std::to_string(code)});
        run("ABRE-CUPOM");
        EXPECT_EQ(retorno(), -12);
        EXPECT_EQ(get(IMPFIS_STATUS_1), kNotExecuted);
        const std::string want =
            "Erro " + std::to_string(code) + " da impressora, sem texto na tabela de erros";
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(want, 100));
        expect_entry(lines_of(read_file(log_file())), 0, "ABRE-CUPOM", kNotExecuted, want);
    }
}

TEST_F(StatusDecoding, FailedStatusQueryWithoutAKnownCodeIsARefusal) {
    // The query's own return value, then the code it left behind.
    const struct {
        const char* query;
        const char* status;
        const char* message;
    } cases[] = {
        {"-8 0", "Comando não executado !!!"_cp1252,
         "Não foi possível ler o estado da impressora"_cp1252},
        {"0 182", "Comando não executado !!!"_cp1252,
         "Não foi possível ler o estado da impressora"_cp1252},
        {"-6 -1", "Comando não executado !!!"_cp1252,
         "Não foi possível ler o estado da impressora"_cp1252},
        {"-8 78", "Comando não executado !!!"_cp1252, "CF aberto"}, // a code it knows still counts
        {"1 0", "", ""},                                            // read, and no error: a warning
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        fs::remove(log_file());
        script(
            {"iReducaoZ_ECF_Daruma -12", std::string("rStatusUltimoCmdInt_ECF_Daruma ") + c.query});
        run("REDUCAOZ");
        EXPECT_EQ(retorno(), -12);
        EXPECT_EQ(get(IMPFIS_STATUS_1), pad(c.status, 30));
        EXPECT_EQ(get(IMPFIS_MSG_1), pad(c.message, 100));
        if (*c.status != '\0')
            expect_entry(lines_of(read_file(log_file())), 0, "REDUCAOZ", pad(c.status, 30),
                         c.message);
        else
            EXPECT_FALSE(fs::exists(log_file()));
    }
}

TEST_F(StatusDecoding, RefusalCodeIsReadBackFromTheResultTexts) {
    script({"iCFTotalizarCupom_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 87",
            "iCFTotalizarCupom_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 182",
            "iCFTotalizarCupom_ECF_Daruma -6"});
    std::fill(rec_, rec_ + kSize, 'x');
    run("INI-FCTO-CPOM");
    EXPECT_EQ(refusal_code(rec_), 87);
    // The code travels in the result texts alone: every other byte but the
    // command's and IMPFIS-RETORNO's is as it was.
    for (const FieldSpec& f : kLayout) {
        const bool written = f.offset == IMPFIS_COMANDO.offset ||
                             f.offset == IMPFIS_RETORNO.offset ||
                             std::any_of(kResults.begin(), kResults.end(),
                                         [&f](const FieldSpec& r) { return r.offset == f.offset; });
        if (!written) {
            EXPECT_EQ(get(f), std::string(f.width, 'x')) << f.offset;
        }
    }
    run("INI-FCTO-CPOM");
    EXPECT_EQ(refusal_code(rec_), std::nullopt); // no row of the table
    run("INI-FCTO-CPOM");
    EXPECT_EQ(refusal_code(rec_), std::nullopt); // not a printer error
    script({"iCFTotalizarCupom_ECF_Daruma 1"});
    run("INI-FCTO-CPOM");
    EXPECT_EQ(refusal_code(rec_), std::nullopt);
}

TEST_F(StatusDecoding, OtherFailuresNeverAskThePrinter) {
    for (std::int32_t value : {0, -2, -3, -6, -11, -13, -26, -28, 1}) {
        SCOPED_TRACE(value);
        forget_calls();
        script({"iCFCancelar_ECF_Daruma " + std::to_string(value),
                "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
        run("CANC-CUPOM");
        EXPECT_EQ(calls().back(), "iCFCancelar_ECF_Daruma");
        EXPECT_TRUE(is_blank(field(rec_, IMPFIS_STATUS_1)));
    }
    EXPECT_FALSE(fs::exists(log_file()));
}

TEST_F(StatusDecoding, LogFailuresAreIgnored) {
    set_env("QUITERVAL_DRIVER_LOG", dir_ / "no-such-folder" / "DARUMA.txt");
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
    run("CANC-CUPOM");
    EXPECT_EQ(get(IMPFIS_STATUS_1), kNotExecuted);
    EXPECT_EQ(get(IMPFIS_MSG_1), pad("CF aberto", 100));
    EXPECT_FALSE(fs::exists(dir_ / "no-such-folder"));
}

TEST_F(StatusDecoding, LogThatIsAFolderIsIgnored) {
    fs::create_directory(dir_ / "folder");
    set_env("QUITERVAL_DRIVER_LOG", dir_ / "folder");
    script({"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 78"});
    run("CANC-CUPOM");
    EXPECT_EQ(get(IMPFIS_MSG_1), pad("CF aberto", 100));
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

TEST_F(StatusDecoding, LogLineSixKeepsTheFirst80Characters) {
    const std::string msg = std::string(75, 'a') + "bcdefghijklmnopqrstuvwxy";
    write_log_entry(pad("LEITURAX", 40), kNotExecuted, pad(msg, 100));
    const std::vector<std::string> lines = lines_of(read_file(log_file()));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[5], msg.substr(0, 80));
}

TEST(ErrorTable, RowsCodesAndTexts) {
    const auto rows = error_table();
    ASSERT_EQ(rows.size(), 205u);
    std::set<int> codes;
    int previous = -1;
    for (const ErrorRow& r : rows) {
        EXPECT_GT(r.code, previous);
        previous = r.code;
        codes.insert(r.code);
        EXPECT_LE(std::string_view(r.text).size(), 70u) << r.code;
        EXPECT_FALSE(std::string_view(r.text).empty()) << r.code;
    }
    std::set<int> want;
    for (int c = 0; c <= 179; ++c)
        want.insert(c);
    for (int c = 184; c <= 199; ++c)
        want.insert(c);
    for (int c = 301; c <= 305; ++c)
        want.insert(c);
    for (int c = 400; c <= 403; ++c)
        want.insert(c);
    EXPECT_EQ(codes, want);

    struct Case {
        int code;
        std::string text;
    };
    const Case cases[] = {
        Case{0, "Sem erro"},
        Case{1, "ECF com falha mecânica"_cp1252},
        Case{78, "CF aberto"},
        Case{82, "CF não aberto"_cp1252},
        Case{88, "RZ do movimento anterior pendente"},
        Case{89, "Já emitiu RZ de hoje"_cp1252},
        Case{114, "Não em fase de totalização"_cp1252},
        Case{184, "Parâmetro só pode ser “A” ou “T”"_cp1252},
        Case{185, "Falta unidade doproduto"},
        Case{199, "IM inválido"_cp1252},
        Case{305, "Comando disponível apenas em CF genérico"_cp1252},
        Case{403, "Erro na codificação"_cp1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(error_text(c.code), std::optional<std::string_view>(c.text)) << c.code;
    }
    for (int absent : {-1, 180, 183, 200, 300, 306, 399, 404})
        EXPECT_FALSE(error_text(absent).has_value()) << absent;
}

} // namespace
} // namespace qv::driver::test
