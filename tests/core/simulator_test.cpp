// Coupons through the engine, the real driver and the simulated printer,
// where the printer's own state decides what happens.
#include "engine_fixture.h"

#include "driver/fiscal_driver.h"
#include "shared/impfis_block.h"

namespace qv::test {
namespace {

class SimulatorTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        set_env("QUITERVAL_ECF_LIBRARY", ECFSIM_PATH);
        set_env("ECFSIM_DIR", dir_ / "ecf");
        set_env("ECFSIM_NOW", "2026-12-07 21:40:00");
        unset_env("ECFSIM_FALHAS");
        window.list_add(controls::Cb_Operador, "MARIA               - 123456");
        window.choose_entry(0);
        window.type_number(controls::Ed_PERCREF, "10,00");
        window.type_number(controls::Ed_PERCBEB, "20,00");
    }
    void TearDown() override {
        unset_env("ECFSIM_DIR");
        unset_env("ECFSIM_NOW");
        EngineTest::TearDown();
    }
    void issue(std::string_view meal, std::string_view drinks) {
        window.type_number(controls::Ed_VALOREF, meal);
        window.type_number(controls::Ed_VALOBEB, drinks);
        window.put_number(controls::Ed_VALOTOT, window.number(controls::Ed_VALOREF) +
                                                    window.number(controls::Ed_VALOBEB));
        handlers.on_Bt_Imprime_click();
    }
    std::string tape() const { return read_file(dir_ / "ecf" / "bobina.txt"); }
};

TEST_F(SimulatorTest, CouponIsPrintedWithItsTaxAndOperatorLines) {
    issue("100,00", "50,00");
    EXPECT_TRUE(window.log_of("message_box").empty());
    EXPECT_EQ(engine.W_STATUS_ECF, 'S');
    const std::string paper = tape();
    EXPECT_NE(paper.find("Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT"), std::string::npos)
        << paper;
    EXPECT_NE(paper.find("OPERADOR: MARIA"), std::string::npos) << paper;
    EXPECT_NE(paper.find("REFEICAO"), std::string::npos);
    EXPECT_NE(paper.find("BEBIDAS"), std::string::npos);
}

TEST_F(SimulatorTest, CouponLeftOpenInThePrinterIsRefusedUntilCancelled) {
    // A coupon opened and never finished (the program was stopped half-way).
    put_text(field(driver::parameter_block(), impfis::IMPFIS_DOCUMENTO), "");
    put_text(field(driver::parameter_block(), impfis::IMPFIS_COMANDO), "ABRE-CUPOM");
    ASSERT_TRUE(driver::invoke_form(driver::kFormName));

    issue("10,00", "0");
    const std::vector<std::string> boxes = window.log_of("message_box");
    ASSERT_EQ(boxes.size(), 3u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0], "message_box 16 Comando não executado !!!");
    EXPECT_EQ(boxes[1], "message_box 16 CF aberto");
    EXPECT_EQ(boxes[2], "message_box 48 Cupom fiscal não pode ser aberto !!!");
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));

    handlers.on_Bt_LEITX1_click(); // "CANCELA ÚLT. CUPOM"
    window.clear_log();
    issue("10,00", "0");
    EXPECT_TRUE(window.log_of("message_box").empty());
    EXPECT_NE(tape().find("OPERADOR: MARIA"), std::string::npos);
}

TEST_F(SimulatorTest, PaperEndWhileTotallingIsRetriedAfterYes) {
    set_env("ECFSIM_FALHAS", "iCFTotalizarCupom_ECF_Daruma erro:72");
    window.answer(kAnswerYes);
    issue("10,00", "0");
    unset_env("ECFSIM_FALHAS");
    const std::vector<std::string> boxes = window.log_of("message_box");
    ASSERT_EQ(boxes.size(), 3u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0], "message_box 16 Comando não executado !!!");
    EXPECT_EQ(boxes[2], "message_box 36 Impressora não responde! Tenta novamente?");
    EXPECT_EQ(engine.W_STATUS_ECF, 'S');
    EXPECT_NE(tape().find("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT"), std::string::npos);
}

// A step the printer carried out but answered as failed, answered Yes: sent
// again, the printer refuses it as already past, and the coupon goes on
// without another question. A step first refused for that reason is a
// failure like any other.
struct SafeRetry {
    const char* name;
    const char* faults;
    std::vector<int> answers;
    std::vector<std::string> boxes;
    int cancelled; // cancellations on the tape
};
void PrintTo(const SafeRetry& c, std::ostream* os) {
    *os << c.name;
}

class SafeRetryTest : public SimulatorTest, public ::testing::WithParamInterface<SafeRetry> {};

const std::string kOff = "message_box 16 Impressora Desligada!!!   -6";
const std::string kRetryQuestion = "message_box 36 Impressora não responde! Tenta novamente?";

TEST_P(SafeRetryTest, PaidCouponIsNeitherLostNorDoubled) {
    const SafeRetry& c = GetParam();
    set_env("ECFSIM_FALHAS", c.faults);
    for (int a : c.answers)
        window.answer(a);
    issue("10,00", "0");
    unset_env("ECFSIM_FALHAS");
    EXPECT_EQ(window.log_of("message_box"), c.boxes);
    EXPECT_EQ(window.unanswered(), 0u);
    EXPECT_TRUE(window.visible(controls::Frm_SENHA));
    const std::string paper = tape();
    const std::string memory = read_file(dir_ / "ecf" / "estado.txt");
    auto count = [&paper](const std::string& what) {
        std::size_t n = 0;
        for (auto at = paper.find(what); at != std::string::npos; at = paper.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("CUPOM FISCAL\n"), 1u) << paper;
    EXPECT_EQ(count("CUPOM FISCAL CANCELADO"), std::size_t(c.cancelled)) << paper;
    EXPECT_NE(memory.find("coo=1\n"), std::string::npos) << memory;
    if (c.cancelled == 0) {
        EXPECT_EQ(count("OPERADOR: MARIA"), 1u);
        EXPECT_NE(memory.find("dia.cupons=1\n"), std::string::npos) << memory;
        EXPECT_NE(memory.find("dia.bruta=10,0000\n"), std::string::npos) << memory;
    } else {
        EXPECT_NE(memory.find("dia.cancelados=1\n"), std::string::npos) << memory;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SafeRetryTest,
    ::testing::Values(SafeRetry{"Totalling",
                                "iCFTotalizarCupom_ECF_Daruma feito:-6",
                                {kAnswerYes},
                                {kOff, kRetryQuestion},
                                0},
                      SafeRetry{"Payment",
                                "iCFEfetuarPagamentoFormatado_ECF_Daruma feito:-6",
                                {kAnswerYes},
                                {kOff, kRetryQuestion},
                                0},
                      SafeRetry{"Closing",
                                "iCFEncerrarConfigMsg_ECF_Daruma feito:-6",
                                {kAnswerYes},
                                {kOff, kRetryQuestion},
                                0},
                      // The cashier gives the coupon up; its cancel is done but answered
                      // as failed, and the cancel sent again is not a second one.
                      SafeRetry{"Cancel",
                                "iCFTotalizarCupom_ECF_Daruma -6; iCFCancelar_ECF_Daruma feito:-6",
                                {kAnswerNo, kAnswerYes},
                                {kOff, kRetryQuestion, kOff, kRetryQuestion},
                                1},
                      // The first try refused as already totalled (nothing done): a
                      // failure, asked about, and the retry totals the coupon.
                      SafeRetry{"FirstTryRefusedAsPast",
                                "iCFTotalizarCupom_ECF_Daruma erro:87",
                                {kAnswerYes},
                                {"message_box 16 Comando não executado !!!",
                                 "message_box 16 Documento já totalizado", kRetryQuestion},
                                0}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace qv::test
