// A coupon through the engine, the real driver and a vendor library while
// something under it breaks: the driver log cannot be written, the printer
// library or one of its functions goes missing, the simulated printer's
// memory is damaged. The cashier always gets a clear message and, where the
// coupon can go on, the retry question; nothing crashes.
#include "permission_run.h"
#include "tests/core/engine_fixture.h"
#include "tests/support/coupon_desk.h"

#include "driver/fiscal_driver.h"
#include "shared/impfis_block.h"
#include "shared/platform/platform.h"

#include <algorithm>
#include <functional>

namespace qv::test {
namespace {

const std::string kRetry = "message_box 36 Impressora não responde! Tenta novamente?";
const std::string kNotExecuted = "message_box 16 Comando não executado !!!";
const std::string kNotOpened = "message_box 48 Cupom fiscal não pode ser aberto !!!";
const char* const kMissingLibrary = "/nonexistent/libecf-ausente.so";

const std::string kOpen = call({"iCFAbrir_ECF_Daruma", pad("", 20), "", ""});
const std::string kTruncate = call({"regAlterarValor_Daruma", "ECF\\x5CArredondarTruncar", "T"});
const std::string kSale = call({"iCFVender_ECF_Daruma", "18,00", "0001000", "00001000", "D%",
                                "0000", "0000000000001", "UN", pad("REFEICAO", 29)});
const std::string kTotal = call({"iCFTotalizarCupom_ECF_Daruma", "D$", "00000000000000"});
const std::string kPay =
    call({"iCFEfetuarPagamentoFormatado_ECF_Daruma", "Dinheiro", "00000000001000"});
const std::string kClose = call(
    {"iCFEncerrarConfigMsg_ECF_Daruma",
     pad(pad("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT", 48) + "OPERADOR: MARIA", 240)});
const std::string kStatusQuery = call({"rStatusUltimoCmdInt_ECF_Daruma"});
const std::string kCancel = call({"iCFCancelar_ECF_Daruma"});

using Lines = std::vector<std::string>;

// The scripted window with two hooks: one before each driver command (by its
// command name) and one at each retry question (counted from 1).
class HookWindow : public ScriptedWindow {
  public:
    std::function<void(const std::string& command)> before_command;
    std::function<void(int question)> at_question;

    void open_form(std::string_view name) override {
        if (before_command) {
            std::string command = qv::get_text(
                field(const_cast<const char*>(driver::parameter_block()), impfis::IMPFIS_COMANDO));
            command.erase(command.find_last_not_of(' ') + 1);
            before_command(command);
        }
        ScriptedWindow::open_form(name);
    }
    int message_box(std::string_view text, int style) override {
        if (style == kQuestionStyle && at_question) at_question(++questions_);
        return ScriptedWindow::message_box(text, style);
    }

  private:
    static constexpr int kQuestionStyle = 36;
    int questions_ = 0;
};

class FaultTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        open_till(win, {"MARIA               - 123456"});
    }
    // A coupon of 10,00 in meals, printed with "IMPCUP".
    void issue() { issue_coupon(win, eng, "10,00", "0"); }
    Lines boxes() const { return win.log_of("message_box"); }
    void expect_reset() const { expect_form_reset(win); }

    HookWindow win;
    CouponEngine eng{win};
};

// --- the driver log cannot be written ----------------------------------------

struct LogCase {
    const char* name;
    bool make_folder;
    fs::perms folder_perms;
    bool logged; // the entry reaches the log
};
void PrintTo(const LogCase& c, std::ostream* os) {
    *os << c.name;
}

class LogFaultTest : public FaultTest, public ::testing::WithParamInterface<LogCase> {};

// The printer refuses the closing once with a known error (which the driver
// logs); the cashier answers Yes. On Linux the coupon runs in a child
// process that meets the permission bits even when started by root (root
// writes into read-only folders); it writes what the cashier saw into a
// file, and its error output is kept.
TEST_P(LogFaultTest, RefusalIsShownAndRetriedWhateverTheLog) {
    const LogCase& c = GetParam();
    if constexpr (platform::kWindows) {
        if (c.folder_perms != fs::perms::all && c.make_folder)
            GTEST_SKIP() << "Windows keeps no write permission bits on a folder (read-only folder)";
    }
    const fs::path folder = dir_ / "log";
    if (c.make_folder) {
        fs::create_directory(folder);
        fs::permissions(folder, c.folder_perms);
    }
    set_env("QUITERVAL_DRIVER_LOG", folder / "DARUMA.txt");
    script("iCFEncerrarConfigMsg_ECF_Daruma -12\nrStatusUltimoCmdInt_ECF_Daruma 1 1\n");
    // The child's recorder writes its calls and consumes its script here.
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(dir_ / "script", fs::perms::all);
    win.answer(kAnswerYes);

    // What the cashier saw, into the file "seen"; false when it could not
    // be written.
    const auto issue_and_keep = [&] {
        issue();
        std::ofstream out(dir_ / "seen", std::ios::trunc | std::ios::binary);
        for (const std::string& b : boxes())
            out << b << '\n';
        out << "status " << eng.W_STATUS_ECF << " unanswered " << win.unanswered() << '\n'
            << "reset "
            << (win.text(controls::Ed_VALOTOT).empty() && win.visible(controls::Frm_SENHA)) << '\n';
        out.close();
        return static_cast<bool>(out);
    };
    ASSERT_NO_FATAL_FAILURE(run_obeying_permissions(dir_ / "stderr", issue_and_keep));

    EXPECT_EQ(lines_of(read_file(dir_ / "seen")),
              (Lines{kNotExecuted, "message_box 16 ECF com falha mecânica", kRetry,
                     "status S unanswered 0", "reset 1"}));
    EXPECT_EQ(read_file(dir_ / "stderr"), "") << "the log failure was reported";
    EXPECT_EQ(calls_after_start_up(),
              (Lines{kOpen, kTruncate, kSale, kTotal, kPay, kClose, kStatusQuery, kClose}));
    const std::string log = read_file(folder / "DARUMA.txt");
    if (c.logged) {
        const Lines entry = lines_of(log);
        ASSERT_EQ(entry.size(), 6u) << log;
        EXPECT_EQ(entry[3], pad("TERM-FECTO-CUPOM", 80));
        EXPECT_EQ(entry[5], pad(cp("ECF com falha mecânica"), 80));
    } else {
        EXPECT_EQ(log, "");
        EXPECT_EQ(fs::exists(folder), c.make_folder) << "the driver made the log's folder";
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, LogFaultTest,
                         ::testing::Values(LogCase{"Writable", true, fs::perms::all, true},
                                           LogCase{"FolderMissing", false, fs::perms::none, false},
                                           LogCase{
                                               "FolderReadOnly", true,
                                               fs::perms::owner_read | fs::perms::owner_exec |
                                                   fs::perms::group_read | fs::perms::group_exec |
                                                   fs::perms::others_read | fs::perms::others_exec,
                                               false}),
                         [](const auto& p) { return std::string(p.param.name); });

// --- the printer's status cannot be read ------------------------------------

// A full disk under the printer library: the opening is refused and the
// status query fails too, leaving no error code. The coupon is not opened,
// and the cashier is told so; nothing else is sent.
TEST_F(FaultTest, RefusalWithAnUnreadableStatusIsNoSuccess) {
    script("iCFAbrir_ECF_Daruma -12\nrStatusUltimoCmdInt_ECF_Daruma -8 0\n");
    issue();
    EXPECT_EQ(boxes(),
              (Lines{kNotExecuted, "message_box 16 Não foi possível ler o estado da impressora",
                     kNotOpened}));
    EXPECT_EQ(eng.W_STATUS_ECF, 'N');
    EXPECT_EQ(calls_after_start_up(), (Lines{kOpen, kStatusQuery}));
    const Lines entry = lines_of(read_file(dir_ / "DARUMA.txt"));
    ASSERT_EQ(entry.size(), 6u);
    EXPECT_EQ(entry[3], pad("ABRE-CUPOM", 80));
    EXPECT_EQ(entry[5], pad(cp("Não foi possível ler o estado da impressora"), 80));
    expect_reset();
}

// --- the simulated printer ----------------------------------------------------

class SimulatorFaultTest : public FaultTest {
  protected:
    void SetUp() override {
        FaultTest::SetUp();
        set_env("QUITERVAL_ECF_LIBRARY", ECFSIM_PATH);
        set_env("ECFSIM_DIR", dir_ / "ecf");
        set_env("ECFSIM_NOW", "2026-12-07 21:40:00");
        unset_env("ECFSIM_FALHAS");
    }
    void TearDown() override {
        unset_env("ECFSIM_DIR");
        unset_env("ECFSIM_NOW");
        unset_env("ECFSIM_FALHAS");
        FaultTest::TearDown();
    }
    std::string tape() const { return read_file(dir_ / "ecf" / "bobina.txt"); }
};

TEST_F(SimulatorFaultTest, CouponPrintsWhenTheLogFolderIsMissing) {
    const fs::path folder = dir_ / "sem-pasta";
    set_env("QUITERVAL_DRIVER_LOG", folder / "DARUMA.txt");
    // Paper end on the totalling: a refusal the driver logs.
    set_env("ECFSIM_FALHAS", "iCFTotalizarCupom_ECF_Daruma erro:72");
    win.answer(kAnswerYes);
    issue();
    EXPECT_EQ(boxes(), (Lines{kNotExecuted, "message_box 16 Fim do papel", kRetry}));
    EXPECT_EQ(eng.W_STATUS_ECF, 'S');
    EXPECT_NE(tape().find("OPERADOR: MARIA"), std::string::npos) << tape();
    EXPECT_FALSE(fs::exists(folder));
    expect_reset();
}

TEST_F(SimulatorFaultTest, EmptiedMemoryIsDamageNotANewPrinter) {
    issue();
    ASSERT_TRUE(boxes().empty()) << ::testing::PrintToString(boxes());
    win.clear_log();
    const fs::path memory = dir_ / "ecf" / "estado.txt";
    win.before_command = [&](const std::string& command) {
        if (command == "INI-FCTO-CPOM") write_file(memory, "");
    };
    win.answer(kAnswerNo); // the totalling: give the coupon up
    win.answer(kAnswerNo); // its cancel: give up too
    issue();
    const std::string lost = "message_box 16 Perda de dados da MT";
    EXPECT_EQ(boxes(), (Lines{kNotExecuted, lost, kRetry, kNotExecuted, lost, kRetry}));
    EXPECT_EQ(read_file(memory), "") << "the printer started again with COO 1";
    EXPECT_NE(tape().find("estado.txt, arquivo vazio"), std::string::npos) << tape();
    expect_reset();
}

struct MemoryCase {
    const char* name;
    const char* damaged_before; // the command before which estado.txt is damaged
    int answers;                // retry questions, each answered No
    Lines boxes;
};
void PrintTo(const MemoryCase& c, std::ostream* os) {
    *os << c.name;
}

class DamagedMemoryTest : public SimulatorFaultTest,
                          public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(DamagedMemoryTest, RefusalIsDecodedAndTheTapeSaysWhichLine) {
    const MemoryCase& c = GetParam();
    issue(); // a first coupon leaves the printer's memory on disk
    ASSERT_TRUE(boxes().empty()) << ::testing::PrintToString(boxes());
    win.clear_log();
    const fs::path memory = dir_ / "ecf" / "estado.txt";
    std::size_t bad_line = 0;
    std::string damaged;
    win.before_command = [&](const std::string& command) {
        if (command != c.damaged_before || bad_line != 0) return;
        Lines lines = lines_of(read_file(memory));
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("ccf=", 0) == 0) {
                lines[i] = "ccf=dois";
                bad_line = i + 1;
            }
            damaged += lines[i] + '\n';
        }
        write_file(memory, damaged);
    };
    for (int i = 0; i < c.answers; ++i)
        win.answer(kAnswerNo);
    issue();
    ASSERT_NE(bad_line, 0u) << "no ccf line in the memory";
    EXPECT_EQ(boxes(), c.boxes);
    EXPECT_EQ(win.unanswered(), 0u);
    EXPECT_EQ(eng.W_STATUS_ECF, 'N');
    expect_reset();
    EXPECT_EQ(read_file(memory), damaged) << "a damaged memory was overwritten";
    std::string paper = tape();
    std::replace(paper.begin(), paper.end(), '\n', ' ');
    EXPECT_NE(paper.find("MEMÓRIA DO SIMULADOR DANIFICADA"), std::string::npos) << paper;
    EXPECT_NE(paper.find("estado.txt, linha " + std::to_string(bad_line) +
                         ": valor inválido para \"ccf\""),
              std::string::npos)
        << paper;
}

const std::string kMemoryLost = "message_box 16 Perda de dados da MT";

INSTANTIATE_TEST_SUITE_P(
    Moments, DamagedMemoryTest,
    ::testing::Values(
        MemoryCase{"BeforeTheOpening", "ABRE-CUPOM", 0, {kNotExecuted, kMemoryLost, kNotOpened}},
        MemoryCase{"AfterTheOpening",
                   "INI-FCTO-CPOM",
                   2,
                   {kNotExecuted, kMemoryLost, kRetry,    // the totalling
                    kNotExecuted, kMemoryLost, kRetry}}), // its cancel
    [](const auto& p) { return std::string(p.param.name); });

// --- the vendor library or one of its functions goes missing ------------------

struct BindingCase {
    const char* name;
    const char* swap_before; // the command before which the library changes
    const char* swap_to;
    bool restore_at_first_question; // the recording library is back by then
    std::vector<int> answers;
    Lines boxes;
    Lines calls; // recorded after the start-up call
    char status;
};
void PrintTo(const BindingCase& c, std::ostream* os) {
    *os << c.name;
}

class BindingFaultTest : public FaultTest, public ::testing::WithParamInterface<BindingCase> {};

TEST_P(BindingFaultTest, MissingPieceIsNamedAndTheRetryOffered) {
    const BindingCase& c = GetParam();
    bool swapped = false;
    win.before_command = [&](const std::string& command) {
        if (swapped || command != c.swap_before) return;
        swapped = true;
        set_env("QUITERVAL_ECF_LIBRARY", c.swap_to);
    };
    win.at_question = [&](int question) {
        if (question == 1 && c.restore_at_first_question)
            set_env("QUITERVAL_ECF_LIBRARY", ECF_RECORDER_PATH);
    };
    for (int a : c.answers)
        win.answer(a);
    issue();
    EXPECT_TRUE(swapped);
    EXPECT_EQ(boxes(), c.boxes);
    EXPECT_EQ(win.unanswered(), 0u);
    EXPECT_EQ(calls_after_start_up(), c.calls);
    EXPECT_EQ(eng.W_STATUS_ECF, c.status);
    expect_reset();
}

const std::string kNoLibrary =
    std::string("message_box 16 Biblioteca da impressora não carregada: ") + kMissingLibrary;
std::string no_function(std::string_view name) {
    return "message_box 16 Função " + std::string(name) + " ausente na biblioteca da impressora";
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, BindingFaultTest,
    ::testing::Values(BindingCase{"LibraryBackThenYesCompletes",
                                  "INI-FCTO-CPOM",
                                  kMissingLibrary,
                                  true,
                                  {kAnswerYes},
                                  {kNoLibrary, kRetry},
                                  {kOpen, kTruncate, kSale, kTotal, kPay, kClose},
                                  'S'},
                      // The cancel cannot reach the printer either; the second No gives up.
                      BindingCase{"LibraryGoneNoCancelsThenGivesUp",
                                  "INI-FCTO-CPOM",
                                  kMissingLibrary,
                                  false,
                                  {kAnswerNo, kAnswerNo},
                                  {kNoLibrary, kRetry, kNoLibrary, kRetry},
                                  {kOpen, kTruncate, kSale},
                                  'N'},
                      BindingCase{"LibraryGoneAtClosingYesThenNo",
                                  "TERM-FECTO-CUPOM",
                                  kMissingLibrary,
                                  false,
                                  {kAnswerYes, kAnswerNo, kAnswerNo},
                                  {kNoLibrary, kRetry, kNoLibrary, kRetry, kNoLibrary, kRetry},
                                  {kOpen, kTruncate, kSale, kTotal, kPay},
                                  'N'},
                      BindingCase{"FunctionBackThenYesCompletes",
                                  "INI-FCTO-CPOM",
                                  PARTIAL_VENDOR_PATH,
                                  true,
                                  {kAnswerYes},
                                  {no_function("iCFTotalizarCupom_ECF_Daruma"), kRetry},
                                  {kOpen, kTruncate, kSale, kTotal, kPay, kClose},
                                  'S'},
                      // The partial library refuses the cancel and has no status query to
                      // say why: that missing function is what the cashier reads.
                      BindingCase{"FunctionMissingNoCancelsThenGivesUp",
                                  "INI-FCTO-CPOM",
                                  PARTIAL_VENDOR_PATH,
                                  false,
                                  {kAnswerNo, kAnswerNo},
                                  {no_function("iCFTotalizarCupom_ECF_Daruma"), kRetry,
                                   no_function("rStatusUltimoCmdInt_ECF_Daruma"), kRetry},
                                  {kOpen, kTruncate, kSale},
                                  'N'},
                      BindingCase{"PaymentFunctionMissingNo",
                                  "EFET-FORM-PAGTO",
                                  PARTIAL_VENDOR_PATH,
                                  false,
                                  {kAnswerNo, kAnswerNo},
                                  {no_function("iCFEfetuarPagamentoFormatado_ECF_Daruma"), kRetry,
                                   no_function("rStatusUltimoCmdInt_ECF_Daruma"), kRetry},
                                  {kOpen, kTruncate, kSale, kTotal},
                                  'N'}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qv::test
