// The simulated printer through its exported functions, each test in a
// folder of its own: persistence across processes, refusals that leave the
// memory as it was, fault injection, damaged files.
// The test that needs POSIX stands in library_posix_test.cpp, its skipping
// twin in library_windows_test.cpp.
#include "library_test.h"

#include "tests/support/exports.h"
#include "tests/support/files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using qv::test::kMessage;
using qv::test::Library;
using qv::test::read_file;
using qv::test::set_env;
using qv::test::unset_env;

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

TEST_F(Library, FullCouponIsKeptAndPrinted) {
    coupon();
    const std::string memory = read_file(ecf("estado.txt"));
    EXPECT_NE(memory.find("coo=1\n"), std::string::npos);
    EXPECT_NE(memory.find("gt=100,0000\n"), std::string::npos);
    EXPECT_NE(memory.find("cupom.fase=fechado\n"), std::string::npos);
    const std::string tape = read_file(ecf("bobina.txt"));
    EXPECT_NE(tape.find("CUPOM FISCAL"), std::string::npos);
    EXPECT_NE(tape.find("SEM VALOR FISCAL"), std::string::npos);
    EXPECT_NE(tape.find("TOTAL R$                                  100,00"), std::string::npos);
    EXPECT_EQ(status(), 0);
}

TEST_F(Library, PersistsAcrossProcessRestarts) {
    EXPECT_EQ(in_new_process({"iCFAbrir_ECF_Daruma", "12345678909", "", ""}), "1");
    EXPECT_EQ(in_new_process({"iCFVender_ECF_Daruma", "FF", "0002000", "00000550", "D%", "0000",
                              "0000000000002", "UN", "BEBIDAS"}),
              "1");
    // a new process still knows the coupon is open
    EXPECT_EQ(in_new_process({"iCFAbrir_ECF_Daruma", "", "", ""}), "-12");
    EXPECT_EQ(in_new_process({"rStatusUltimoCmdInt_ECF_Daruma"}), "1 78 0");
    EXPECT_EQ(in_new_process({"iCFTotalizarCupom_ECF_Daruma", "D$", "00000000000000"}), "1");
    EXPECT_EQ(
        in_new_process({"iCFEfetuarPagamentoFormatado_ECF_Daruma", "Cartao", "00000000001100"}),
        "1");
    EXPECT_EQ(in_new_process({"iCFEncerrarConfigMsg_ECF_Daruma", "Obrigado"}), "1");
    // and this process, which loaded the library before, sees the same printer
    EXPECT_EQ(iCFCancelar_ECF_Daruma(), 1);
    EXPECT_EQ(iCFCancelar_ECF_Daruma(), -12);
    EXPECT_EQ(status(), 122);
    const std::string memory = read_file(ecf("estado.txt"));
    EXPECT_NE(memory.find("coo=2\n"), std::string::npos);
    EXPECT_NE(memory.find("gt=11,0000\n"), std::string::npos);
}

TEST_F(Library, RefusedCommandLeavesMemoryAndPaperExactly) {
    coupon();
    const std::string memory = read_file(ecf("estado.txt"));
    const std::string tape = read_file(ecf("bobina.txt"));
    EXPECT_EQ(sell(), -12);
    EXPECT_EQ(status(), 82);
    EXPECT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()), -12);
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), 1);
    const std::string opened = read_file(ecf("estado.txt"));
    EXPECT_EQ(sell("17,00"), -3);
    EXPECT_EQ(iCFEfetuarPagamentoFormatado_ECF_Daruma("Pix", "00000000010000"), -10);
    EXPECT_EQ(read_file(ecf("estado.txt")), opened);
    EXPECT_NE(memory, opened);
    EXPECT_EQ(read_file(ecf("bobina.txt")).substr(0, tape.size()), tape);
}

TEST_F(Library, ZDayRulesFollowTheSimulatedClock) {
    coupon();
    set_env("ECFSIM_NOW", "2026-12-08 08:00:00");
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), -12);
    EXPECT_EQ(status(), 88);
    EXPECT_EQ(iReducaoZ_ECF_Daruma("000000", "000000"), 1);
    coupon();
    EXPECT_EQ(iReducaoZ_ECF_Daruma("000000", "000000"), 1);
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), -12);
    EXPECT_EQ(status(), 89);
    EXPECT_EQ(iLeituraX_ECF_Daruma(), 1);
    set_env("ECFSIM_NOW", "8 de dezembro");
    EXPECT_EQ(iLeituraX_ECF_Daruma(), -12);
    EXPECT_EQ(status(), 140);
    EXPECT_NE(read_file(ecf("bobina.txt")).find("ECFSIM_NOW"), std::string::npos);
}

TEST_F(Library, FaultFileIsConsumedAsUsed) {
    fs::create_directories(dir_ / "ecf");
    write(ecf("falhas"), "iCFAbrir_ECF_Daruma -6 erro:72\n"
                         "iCFEncerrarConfigMsg_ECF_Daruma feito:0\n");
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), -6);
    EXPECT_EQ(status(), 0);
    EXPECT_EQ(read_file(ecf("falhas")), "iCFAbrir_ECF_Daruma erro:72\n"
                                        "iCFEncerrarConfigMsg_ECF_Daruma feito:0\n");
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), -12);
    EXPECT_EQ(status(), 72);
    EXPECT_FALSE(fs::exists(ecf("estado.txt"))); // nothing was done yet
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), 1);
    ASSERT_EQ(sell(), 1);
    ASSERT_EQ(iCFTotalizarCupom_ECF_Daruma("D$", "00000000000000"), 1);
    ASSERT_EQ(iCFEfetuarPagamentoFormatado_ECF_Daruma("Dinheiro", "00000000010000"), 1);
    // printed, but answered as a lost connection: the retry finds it closed
    EXPECT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()), 0);
    EXPECT_FALSE(fs::exists(ecf("falhas")));
    EXPECT_NE(read_file(ecf("estado.txt")).find("cupom.fase=fechado"), std::string::npos);
    EXPECT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()), -12);
    EXPECT_EQ(status(), 82);
    EXPECT_EQ(iCFCancelar_ECF_Daruma(), 1); // the closed coupon can still be cancelled
}

TEST_F(Library, EnvironmentFaultsAreTakenOncePerValue) {
    set_env("ECFSIM_FALHAS", "iLeituraX_ECF_Daruma -6; * erro:144");
    EXPECT_EQ(iLeituraX_ECF_Daruma(), -6);
    EXPECT_EQ(eBuscarPortaVelocidade_ECF_Daruma(), -12);
    EXPECT_EQ(status(), 144);
    EXPECT_EQ(iLeituraX_ECF_Daruma(), 1); // used up, though the variable is still set
    EXPECT_EQ(in_new_process({"iLeituraX_ECF_Daruma"}), "1");
    set_env("ECFSIM_FALHAS", "iLeituraX_ECF_Daruma 0"); // a new value counts again
    EXPECT_EQ(iLeituraX_ECF_Daruma(), 0);
    EXPECT_EQ(iLeituraX_ECF_Daruma(), 1);
}

TEST_F(Library, DamagedFaultFileIsSetAsideAndNamedOnThePaper) {
    fs::create_directories(dir_ / "ecf");
    write(ecf("falhas"), "iLeituraX_ECF_Daruma desligar\n");
    EXPECT_EQ(iLeituraX_ECF_Daruma(), 1);
    EXPECT_FALSE(fs::exists(ecf("falhas")));
    EXPECT_EQ(read_file(ecf("falhas.invalido")), "iLeituraX_ECF_Daruma desligar\n");
    EXPECT_NE(read_file(ecf("bobina.txt")).find("ARQUIVO DE FALHAS IGNORADO"), std::string::npos);
}

TEST_F(Library, DamagedMemoryIsRefusedNamedAndNeverOverwritten) {
    coupon();
    std::string memory = read_file(ecf("estado.txt"));
    memory.replace(memory.find("ccf=1"), 5, "ccf=um");
    write(ecf("estado.txt"), memory);
    EXPECT_EQ(iCFAbrir_ECF_Daruma("", "", ""), -12);
    EXPECT_EQ(status(), 16);
    EXPECT_EQ(iReducaoZ_ECF_Daruma("000000", "000000"), -12);
    EXPECT_EQ(read_file(ecf("estado.txt")), memory);
    const std::string tape = read_file(ecf("bobina.txt"));
    EXPECT_NE(tape.find("MEMÓRIA DO SIMULADOR DANIFICADA"), std::string::npos);
    EXPECT_NE(tape.find("valor inválido para \"ccf\""), std::string::npos);
    // An empty file is damaged memory too, never a new printer.
    for (const std::string& garbage :
         {std::string("\0\xFF\x01", 3), std::string(5000, '='), std::string()}) {
        write(ecf("estado.txt"), garbage);
        EXPECT_EQ(iLeituraX_ECF_Daruma(), -12);
        EXPECT_EQ(read_file(ecf("estado.txt")), garbage);
    }
}

TEST_F(Library, SettingsAreKeptAndUsed) {
    EXPECT_EQ(regAlterarValor_Daruma("ECF\\RetornarAvisoErro", "1"), 1);
    EXPECT_EQ(regAlterarValor_Daruma("ECF\\ChaveQueNaoExiste", "1"), -4);
    EXPECT_EQ(regAlterarValor_Daruma(nullptr, "1"), -2);
    EXPECT_EQ(regAlterarValor_Daruma("ECF\\MensagemApl1", "  Volte sempre!"), 1);
    const fs::path reports = dir_ / "relatorios";
    fs::create_directories(reports);
    EXPECT_EQ(
        regAlterarValor_Daruma("START\\LocalArquivosRelatorios", qv::test::utf8(reports).c_str()),
        1);
    EXPECT_EQ(in_new_process({"regAlterarValor_Daruma", "ECF\\ArredondarTruncar", "A"}), "1");
    ASSERT_EQ(iCFAbrir_ECF_Daruma("", "", ""), 1);
    ASSERT_EQ(iCFVender_ECF_Daruma("18,00", "0000333", "00000015", "D%", "0000", "1", "UN", "X"),
              1);
    EXPECT_NE(read_file(ecf("estado.txt")).find(";0,0500;"), std::string::npos); // rounded
    ASSERT_EQ(iCFTotalizarCupom_ECF_Daruma("D$", "0"), 1);
    ASSERT_EQ(iCFEfetuarPagamentoFormatado_ECF_Daruma("Dinheiro", "5"), 1);
    ASSERT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(""), 1);
    EXPECT_NE(read_file(ecf("bobina.txt")).find("\n  Volte sempre!\n"), std::string::npos);
    ASSERT_EQ(iLeituraX_ECF_Daruma(), 1);
    EXPECT_NE(read_file(reports / "LeituraX_000002.txt").find("LEITURA X"), std::string::npos);
}

TEST_F(Library, BadPointersAndAnUnusableFolderAreAnsweredNotCrashed) {
    EXPECT_EQ(iCFAbrir_ECF_Daruma(nullptr, "", ""), -2);
    EXPECT_EQ(iCFVender_ECF_Daruma(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr),
              -2);
    EXPECT_EQ(rStatusUltimoCmdInt_ECF_Daruma(nullptr, nullptr), -2);
    fs::create_directories(dir_ / "ecf");
    write(dir_ / "arquivo", "x");
    set_env("ECFSIM_DIR", dir_ / "arquivo" / "ecf");
    EXPECT_EQ(eBuscarPortaVelocidade_ECF_Daruma(), -5);
    EXPECT_EQ(iLeituraX_ECF_Daruma(), -5);
}

TEST_F(Library, UnwritableMemoryOrPaperIsAFileErrorAndChangesNothing) {
    coupon();
    const std::string memory = read_file(ecf("estado.txt"));
    const std::string tape = read_file(ecf("bobina.txt"));
    fs::create_directory(ecf("estado.txt.novo")); // the new memory cannot be written
    EXPECT_EQ(iLeituraX_ECF_Daruma(), -8);
    EXPECT_EQ(read_file(ecf("estado.txt")), memory);
    EXPECT_EQ(read_file(ecf("bobina.txt")), tape);
    fs::remove(ecf("estado.txt.novo"));
    fs::rename(ecf("bobina.txt"), ecf("bobina.antiga"));
    fs::create_directory(ecf("bobina.txt")); // no paper to print on
    EXPECT_EQ(iCFCancelar_ECF_Daruma(), -8);
    EXPECT_EQ(read_file(ecf("estado.txt")), memory);
}

TEST_F(Library, StepDoneButAnsweredAsFailedIsRefusedWhenSentAgain) {
    // Each step carried out and answered -6; sent again, the printer says
    // the coupon is already past it.
    const struct {
        const char* function;
        std::int32_t (*send)();
        int stage; // steps done before it: 1 sold, 2 totalled, 3 paid, 4 closed
        std::int32_t refusal;
    } steps[] = {
        {"iCFTotalizarCupom_ECF_Daruma",
         [] { return iCFTotalizarCupom_ECF_Daruma("D$", "00000000000000"); }, 1, 87},
        {"iCFEfetuarPagamentoFormatado_ECF_Daruma",
         [] { return iCFEfetuarPagamentoFormatado_ECF_Daruma("Dinheiro", "00000000010000"); }, 2,
         119},
        {"iCFEncerrarConfigMsg_ECF_Daruma",
         [] { return iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()); }, 3, 82},
        {"iCFCancelar_ECF_Daruma", [] { return iCFCancelar_ECF_Daruma(); }, 4, 122},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.function);
        std::error_code ec;
        fs::remove_all(dir_ / "ecf", ec);
        ASSERT_EQ(iCFAbrir_ECF_Daruma("", "", ""), 1);
        ASSERT_EQ(sell(), 1);
        for (int before = 0; before + 1 < step.stage; ++before) {
            ASSERT_EQ(steps[before].send(), 1);
        }
        set_env("ECFSIM_FALHAS", std::string(step.function) + " feito:-6");
        const std::string tape = read_file(ecf("bobina.txt"));
        EXPECT_EQ(step.send(), -6);
        EXPECT_GT(read_file(ecf("bobina.txt")).size(), tape.size()) << "not done";
        const std::string memory = read_file(ecf("estado.txt"));
        EXPECT_EQ(step.send(), -12);
        EXPECT_EQ(status(), step.refusal);
        EXPECT_EQ(read_file(ecf("estado.txt")), memory);
        unset_env("ECFSIM_FALHAS");
    }
}

TEST_F(Library, StatusQueryAnswersTheCallingProcesssLastCommand) {
    coupon();
    EXPECT_EQ(iCFEncerrarConfigMsg_ECF_Daruma(kMessage.c_str()), -12); // already closed
    // Another program on the same printer: its command goes through.
    EXPECT_EQ(in_new_process({"iLeituraX_ECF_Daruma"}), "1");
    EXPECT_EQ(in_new_process({"rStatusUltimoCmdInt_ECF_Daruma"}), "1 0 0");
    EXPECT_EQ(status(), 82); // this program still reads its own refusal
}

TEST(LibraryFile, ExportsExactlyTheElevenVendorFunctions) {
    std::optional<std::vector<std::string>> names = qv::test::exported_names(ECFSIM_LIBRARY);
    ASSERT_TRUE(names.has_value());
    std::sort(names->begin(), names->end());
    const std::vector<std::string> expected = {
        "eBuscarPortaVelocidade_ECF_Daruma",
        "iCFAbrir_ECF_Daruma",
        "iCFCancelar_ECF_Daruma",
        "iCFEfetuarPagamentoFormatado_ECF_Daruma",
        "iCFEncerrarConfigMsg_ECF_Daruma",
        "iCFTotalizarCupom_ECF_Daruma",
        "iCFVender_ECF_Daruma",
        "iLeituraX_ECF_Daruma",
        "iReducaoZ_ECF_Daruma",
        "rStatusUltimoCmdInt_ECF_Daruma",
        "regAlterarValor_Daruma",
    };
    EXPECT_EQ(*names, expected);
}

} // namespace
