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
        ::setenv("QUITERVAL_ECF_LIBRARY", ECFSIM_PATH, 1);
        ::setenv("ECFSIM_DIR", (dir_ / "ecf").c_str(), 1);
        ::setenv("ECFSIM_NOW", "2026-12-07 21:40:00", 1);
        ::unsetenv("ECFSIM_FALHAS");
        window.list_add("Cb_Operador", "MARIA               - 123456");
        window.choose_entry(0);
        window.type_number("Ed_PERCREF", "10,00");
        window.type_number("Ed_PERCBEB", "20,00");
    }
    void TearDown() override {
        ::unsetenv("ECFSIM_DIR");
        ::unsetenv("ECFSIM_NOW");
        EngineTest::TearDown();
    }
    void issue(std::string_view meal, std::string_view drinks) {
        window.type_number("Ed_VALOREF", meal);
        window.type_number("Ed_VALOBEB", drinks);
        window.put_number("Ed_VALOTOT", window.number("Ed_VALOREF") + window.number("Ed_VALOBEB"));
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
    EXPECT_TRUE(window.visible("Frm_SENHA"));

    handlers.on_Bt_LEITX1_click(); // "CANCELA ÚLT. CUPOM"
    window.clear_log();
    issue("10,00", "0");
    EXPECT_TRUE(window.log_of("message_box").empty());
    EXPECT_NE(tape().find("OPERADOR: MARIA"), std::string::npos);
}

TEST_F(SimulatorTest, PaperEndWhileTotallingIsRetriedAfterYes) {
    ::setenv("ECFSIM_FALHAS", "iCFTotalizarCupom_ECF_Daruma erro:72", 1);
    window.answer(kAnswerYes);
    issue("10,00", "0");
    ::unsetenv("ECFSIM_FALHAS");
    const std::vector<std::string> boxes = window.log_of("message_box");
    ASSERT_EQ(boxes.size(), 3u) << ::testing::PrintToString(boxes);
    EXPECT_EQ(boxes[0], "message_box 16 Comando não executado !!!");
    EXPECT_EQ(boxes[2], "message_box 36 Impressora não responde! Tenta novamente?");
    EXPECT_EQ(engine.W_STATUS_ECF, 'S');
    EXPECT_NE(tape().find("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT"), std::string::npos);
}

} // namespace
} // namespace qv::test
