// quiterval-ecf: parameter blocks through the driver and back, the fiscal-day
// commands with their exit statuses, and the default printer library found
// beside the executable.
#include "driver/printer_choice.h"
#include "driver_fixture.h"
#include "shared/cp1252.h"
#include "shared/platform/platform.h"
#include "tests/support/program.h"

namespace qv::driver::test {
namespace {

using Outcome = qv::test::ProgramRun;

// The tool's file name, for copies of it.
const fs::path kToolFile = fs::path(QUITERVAL_ECF_PATH).filename();

// A copy of the tool in `folder`. On Windows the shared records' DLL it
// links goes beside it, as an installation has it (Linux finds the library
// through the tool's run path).
fs::path copy_tool(const fs::path& folder) {
    fs::create_directories(folder);
    fs::copy_file(QUITERVAL_ECF_PATH, folder / kToolFile);
    if constexpr (platform::kWindows)
        fs::copy_file(SHARED_RECORDS_LIBRARY, folder / fs::path(SHARED_RECORDS_LIBRARY).filename());
    return folder / kToolFile;
}

// The words of `args`, split at each blank.
std::vector<std::string> words(std::string_view args) {
    std::vector<std::string> out;
    std::istringstream in{std::string(args)};
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

class Tool : public DriverTest {
  protected:
    // Runs `program args` from the test folder with `input` on standard input.
    Outcome tool(std::string_view args, std::string_view input = {},
                 const fs::path& program = QUITERVAL_ECF_PATH, bool without_terminal = false) {
        return qv::test::run_program(
            program, words(args),
            {.input = input, .folder = dir_, .without_terminal = without_terminal});
    }

    // A block for selling one item, as the coupon engine fills it.
    static std::string item_block(std::string_view tax) {
        std::string block(kSize, ' ');
        char* b = block.data();
        put_text(field(b, IMPFIS_COMANDO), "VENDE-ITEM");
        put_text(field(b, IMPFIS_COD_ITEM), "0000000000002");
        put_text(field(b, IMPFIS_DESCRICAO), "BEBIDAS");
        put_text(field(b, IMPFIS_ALIQUOTA), tax);
        put_text(field(b, IMPFIS_RESERVA_1), "F");
        put_text(field(b, IMPFIS_QUANTIDADE), "0001000");
        put_int32le(field(b, IMPFIS_RESERVA_2), 2);
        put_text(field(b, IMPFIS_PRECO_UNIT), "00005000");
        put_text(field(b, IMPFIS_RESERVA_4), "00");
        put_text(field(b, IMPFIS_DESC_ITEM), "00");
        for (const FieldSpec& f : kResults)
            put_text(field(b, f), "velho");
        return block;
    }
};

TEST_F(Tool, BlockRoundTripRewritesOnlyTaxCodeAndResults) {
    const std::string in = item_block("F");
    const Outcome o = tool("block", in);
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.out.size(), kSize);
    std::string want = in;
    put_text(field(want.data(), IMPFIS_ALIQUOTA), "FF");
    for (const FieldSpec& f : kResults)
        blank(field(want.data(), f));
    put_int32le(field(want.data(), IMPFIS_RETORNO), 1);
    EXPECT_EQ(o.out, want);
    EXPECT_EQ(calls(),
              (std::vector<std::string>{
                  kStartUp, call({"regAlterarValor_Daruma", "ECF\\x5CArredondarTruncar", "T"}),
                  call({"iCFVender_ECF_Daruma", "FF", "0001000", "00005000", "D%", "0000",
                        "0000000000002", "UN", pad("BEBIDAS", 29)})}));
}

TEST_F(Tool, EveryCommandThroughBlockMatchesTheDriverInProcess) {
    struct Case {
        std::string block;
        std::string last_function; // answers -12, then the printer reports 78
    };
    std::vector<Case> cases;
    auto with = [](std::string_view command,
                   std::initializer_list<std::pair<FieldSpec, std::string_view>> fields) {
        std::string b(kSize, ' ');
        put_text(field(b.data(), IMPFIS_COMANDO), command);
        for (const auto& [f, text] : fields)
            put_text(field(b.data(), f), text);
        return b;
    };
    cases.push_back(
        {with("ABRE-CUPOM", {{IMPFIS_DOCUMENTO, "12345678901"}}), "iCFAbrir_ECF_Daruma"});
    cases.push_back({item_block("I"), "iCFVender_ECF_Daruma"});
    cases.push_back({with("INI-FCTO-CPOM", {{IMPFIS_TIPO_DESC, "D"},
                                            {IMPFIS_MODO_DESC, "$"},
                                            {IMPFIS_VALOR_DESC, "00000000000250"}}),
                     "iCFTotalizarCupom_ECF_Daruma"});
    cases.push_back({with("EFET-FORM-PAGTO",
                          {{IMPFIS_FORMA_PAGTO, "Cheque"}, {IMPFIS_VALOR_PAGTO, "00000000012345"}}),
                     "iCFEfetuarPagamentoFormatado_ECF_Daruma"});
    cases.push_back({with("TERM-FECTO-CUPOM", {{IMPFIS_MENSAGEM, "OPERADOR: JOÃO"_cp1252}}),
                     "iCFEncerrarConfigMsg_ECF_Daruma"});
    cases.push_back({with("CANC-CUPOM", {}), "iCFCancelar_ECF_Daruma"});
    cases.push_back({with("REDUCAOZ", {}), "iReducaoZ_ECF_Daruma"});
    cases.push_back({with("LEITURAX", {}), "iLeituraX_ECF_Daruma"});
    for (const Case& c : cases) {
        for (bool refused : {false, true}) {
            SCOPED_TRACE(c.block.substr(0, 16) + (refused ? " refused" : " accepted"));
            const std::string answers =
                refused ? c.last_function + " -12\nrStatusUltimoCmdInt_ECF_Daruma 1 78\n" : "";
            // In this process.
            forget_calls();
            write_file(dir_ / "script", answers);
            std::copy(c.block.begin(), c.block.end(), rec_);
            ASSERT_TRUE(invoke_form(kFormName));
            const std::string in_process(rec_, kSize);
            const std::vector<std::string> in_process_calls = calls();
            // Through the tool.
            forget_calls();
            write_file(dir_ / "script", answers);
            const Outcome o = tool("block", c.block);
            ASSERT_EQ(o.status, 0) << o.err;
            EXPECT_EQ(o.out, in_process);
            EXPECT_EQ(calls(), in_process_calls);
            EXPECT_EQ(is_blank(field(o.out.data(), IMPFIS_MSG_1)), !refused);
            ASSERT_FALSE(in_process_calls.empty());
            const std::string& last = in_process_calls.back();
            EXPECT_EQ(last.substr(0, last.find('\t')),
                      refused ? "rStatusUltimoCmdInt_ECF_Daruma" : c.last_function);
        }
    }
}

TEST_F(Tool, BlockCarriesRefusalsBack) {
    script({"iCFVender_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 63"});
    const Outcome o = tool("block", item_block("12,00"));
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.out.size(), kSize);
    EXPECT_EQ(get_int32le(field(o.out.data(), IMPFIS_RETORNO)), -12);
    EXPECT_EQ(get_text(field(o.out.data(), IMPFIS_STATUS_1)),
              pad("Comando não executado !!!"_cp1252, 30));
    EXPECT_FALSE(is_blank(field(o.out.data(), IMPFIS_MSG_1)));
    EXPECT_EQ(get_text(field(o.out.data(), IMPFIS_ALIQUOTA)), "12,00");
    EXPECT_EQ(lines_of(read_file(log_file())).size(), 6u);
}

TEST_F(Tool, BlockOfWrongLengthIsRejected) {
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, kSize - 1, kSize + 1}) {
        SCOPED_TRACE(n);
        forget_calls();
        const Outcome o = tool("block", std::string(n, ' '));
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find("1025"), std::string::npos) << o.err;
        EXPECT_TRUE(calls().empty());
    }
}

TEST_F(Tool, FiscalDayCommandsReportAndExit) {
    struct Case {
        const char* args;
        std::vector<std::string_view> script;
        int status;
        std::string out;
        std::string last_call;
    };
    const std::vector<Case> cases = {
        {"leiturax", {}, 0, "Comando executado.\n", "iLeituraX_ECF_Daruma"},
        {"leiturax",
         {"iLeituraX_ECF_Daruma -6"},
         1,
         "Impressora Desligada!!!   -6\n",
         "iLeituraX_ECF_Daruma"},
        {"cancela",
         {"iCFCancelar_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma 1 122"},
         1,
         "Comando não executado !!!\n",
         "rStatusUltimoCmdInt_ECF_Daruma"},
        {"reducaoz --yes",
         {},
         0,
         "Comando executado.\n",
         call({"iReducaoZ_ECF_Daruma", "000000", "000000"})},
        // Refused, and the printer's status could not be read: no success.
        {"reducaoz --yes",
         {"iReducaoZ_ECF_Daruma -12", "rStatusUltimoCmdInt_ECF_Daruma -8 0"},
         1,
         "Comando não executado !!!\nNão foi possível ler o estado da "
         "impressora\n",
         "rStatusUltimoCmdInt_ECF_Daruma"},
        {"reducaoz --yes",
         {"iReducaoZ_ECF_Daruma 0"},
         1,
         "Erro de comunicação!!!\n",
         call({"iReducaoZ_ECF_Daruma", "000000", "000000"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        forget_calls();
        std::string s;
        for (std::string_view l : c.script)
            (s += l) += '\n';
        write_file(dir_ / "script", s);
        const Outcome o = tool(c.args);
        EXPECT_EQ(o.status, c.status) << o.err;
        EXPECT_EQ(o.out.substr(0, c.out.size()), c.out);
        ASSERT_FALSE(calls().empty());
        EXPECT_EQ(calls().back(), c.last_call);
    }
}

TEST_F(Tool, ZReductionNeedsConfirmationOnATerminal) {
    // Without a terminal or console to ask on, a "s" on a redirected input
    // must not confirm a Z reduction.
    const Outcome o = tool("reducaoz", "s\n", QUITERVAL_ECF_PATH, true);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("--yes"), std::string::npos) << o.err;
    EXPECT_TRUE(calls().empty());
}

TEST_F(Tool, BadUseIsRejected) {
    for (const char* args : {"", "leitura", "leiturax --yes", "block extra", "reducaoz --sim"}) {
        SCOPED_TRACE(args);
        const Outcome o = tool(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("uso:"), std::string::npos);
    }
    EXPECT_TRUE(calls().empty());
}

TEST_F(Tool, DefaultLibraryIsFoundBesideTheExecutableNotTheWorkingFolder) {
    unset_env("QUITERVAL_ECF_LIBRARY");
    struct Case {
        const char* what;
        fs::path library_folder; // relative to the install root
    };
    std::vector<Case> cases = {{"beside the program", "bin"}};
    // Windows installs the DLLs beside the programs only.
    if constexpr (!platform::kWindows)
        cases.insert(cases.end(),
                     {{"installed lib/quiterval", "lib/quiterval"}, {"installed lib", "lib"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path root = dir_ / "root";
        fs::remove_all(root);
        copy_tool(root / "bin");
        fs::create_directories(root / c.library_folder);
        fs::copy_file(ECF_RECORDER_PATH, root / c.library_folder / kDefaultLibraryFile);
        // A decoy in the working folder must not be taken.
        fs::copy_file(PARTIAL_VENDOR_PATH, dir_ / kDefaultLibraryFile,
                      fs::copy_options::overwrite_existing);
        forget_calls();
        const Outcome o = tool("leiturax", {}, root / "bin" / kToolFile);
        EXPECT_EQ(o.status, 0) << o.out << o.err;
        EXPECT_EQ(calls().size(), 7u);
    }
}

TEST_F(Tool, MissingDefaultLibraryIsReported) {
    unset_env("QUITERVAL_ECF_LIBRARY");
    const Outcome o = tool("cancela", {}, copy_tool(dir_ / "bin"));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("Biblioteca da impressora não carregada:"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(kDefaultLibraryFile), std::string::npos) << o.out;
}

// The technician's choice through the installed layout: the system's file in
// etc/ beside the program's prefix (on Windows beside the program), the
// user's file under XDG_CONFIG_HOME (on Windows %APPDATA%).
TEST_F(Tool, ConfigurationFilesChooseTheLibrary) {
    unset_env("QUITERVAL_ECF_LIBRARY");
    const fs::path root = dir_ / "root";
    const fs::path program = copy_tool(root / "bin");
    const fs::path system_file = platform::kWindows
                                     ? root / "bin" / "impressora.conf"
                                     : root / "etc" / "quiterval" / "impressora.conf";
    fs::create_directories(system_file.parent_path());
    fs::create_directories(dir_ / "config" / "quiterval");
    const fs::path user_file = dir_ / "config" / "quiterval" / "impressora.conf";
    const std::string missing = utf8(dir_ / "falta" / "libecf.so");

    // The system's file names the recording library.
    write_file(system_file, "# vendor\nbiblioteca=" ECF_RECORDER_PATH "\n");
    Outcome o = tool("leiturax", {}, program);
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_EQ(calls().size(), 7u);

    // The user's file wins; naming a missing library gets the usual message.
    forget_calls();
    write_file(user_file, "biblioteca=" + missing + "\n");
    o = tool("leiturax", {}, program);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("Biblioteca da impressora não carregada: "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(utf8(fs::path("falta") / "libecf.so")), std::string::npos) << o.out;
    EXPECT_TRUE(calls().empty());

    // A malformed user's file is reported with its name; nothing is printed,
    // on the system's choice or on the simulated printer.
    write_file(user_file, "biblioteca=" ECF_RECORDER_PATH "\nmodelo=X\n");
    o = tool("cancela", {}, program);
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("Configuração da impressora inválida na linha 2: "), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("impressora.conf"), std::string::npos) << o.out;
    EXPECT_TRUE(calls().empty());
}

} // namespace
} // namespace qv::driver::test
