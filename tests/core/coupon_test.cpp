// One fiscal coupon through the engine, the real driver and the recording
// vendor library: the exact vendor calls and argument bytes, and every path
// of the issuance's state table.
#include "engine_fixture.h"
#include "tests/support/coupon_desk.h"

#include "driver/fiscal_driver.h"
#include "shared/impfis_block.h"

namespace qv::test {
namespace {

const std::string kMsgRetry = "message_box 36 Impressora não responde! Tenta novamente?";
const std::string kMsgNotOpened = "message_box 48 Cupom fiscal não pode ser aberto !!!";
const std::string kMsgNoCommunication = "message_box 16 Erro de comunicação!!!";

std::string sale(std::string_view tax, std::string_view price, std::string_view code,
                 std::string_view description) {
    return call({"iCFVender_ECF_Daruma", tax, "0001000", price, "D%", "0000", code, "UN",
                 pad(description, 29)});
}
const std::string kTruncate = call({"regAlterarValor_Daruma", "ECF\\x5CArredondarTruncar", "T"});
const std::string kTotal = call({"iCFTotalizarCupom_ECF_Daruma", "D$", "00000000000000"});
const std::string kCancel = call({"iCFCancelar_ECF_Daruma"});
std::string open_call(std::string_view document) {
    return call({"iCFAbrir_ECF_Daruma", pad(document, 20), "", ""});
}
std::string pay(std::string_view method, std::string_view amount) {
    return call({"iCFEfetuarPagamentoFormatado_ECF_Daruma", method, amount});
}
std::string close_call(std::string_view tax_line, std::string_view operator_name) {
    return call({"iCFEncerrarConfigMsg_ECF_Daruma",
                 pad(pad(tax_line, 48) + "OPERADOR: " + pad(operator_name, 20), 240)});
}

class CouponTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        open_till(window, {"MARIA               - 123456", "JOSE DA SILVA       - 000042"});
    }
    // Types a coupon and presses the button of the engine's action.
    void issue(std::string_view meal, std::string_view drinks, std::string_view document = "") {
        issue_coupon(window, engine, meal, drinks, document);
    }
    void expect_reset() { expect_form_reset(window, {controls::Ed_LIBERAC}); }
    static std::string block_text(const FieldSpec& f) {
        return get_text(field(const_cast<const char*>(driver::parameter_block()), f));
    }
};

TEST_F(CouponTest, MealsAndDrinksWithTheirTaxesMakeTheWholeCoupon) {
    issue("100,00", "50,00", "12345678909");
    const std::vector<std::string> expected = {
        kStartUp,
        open_call("12345678909"),
        kStartUp,
        kTruncate,
        sale("18,00", "00010000", "0000000000001", "REFEICAO"),
        kStartUp,
        kTruncate,
        sale("FF", "00005000", "0000000000002", "BEBIDAS"),
        kStartUp,
        kTotal,
        kStartUp,
        pay("Dinheiro", "00000000015000"),
        kStartUp,
        close_call("Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT", "MARIA"),
    };
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(engine.W_TRIBUTOS, Decimal::parse("20,0000"));
    EXPECT_EQ(engine.W_PERC_TRIBUTOS, Decimal::parse("13,33"));
    EXPECT_EQ(engine.W_STATUS_ECF, 'S');
    EXPECT_TRUE(window.log_of("message_box").empty());
    EXPECT_EQ(std::string(engine.W_ACAO.data(), 15), std::string(15, ' '));
    expect_reset();
    EXPECT_EQ(window.number(controls::Ed_PERCREF), Decimal::parse("10"));
}

TEST_F(CouponTest, ItemFieldsOfTheParameterBlock) {
    issue("12,34", "0");
    EXPECT_EQ(block_text(impfis::IMPFIS_COD_ITEM), "0000000000001");
    EXPECT_EQ(block_text(impfis::IMPFIS_DESCRICAO), pad("REFEICAO", 29));
    EXPECT_EQ(block_text(impfis::IMPFIS_UNIDADE), "UN");
    EXPECT_EQ(block_text(impfis::IMPFIS_ALIQUOTA), "18,00");
    EXPECT_EQ(block_text(impfis::IMPFIS_RESERVA_1), "F");
    EXPECT_EQ(block_text(impfis::IMPFIS_QUANTIDADE), "0001000");
    EXPECT_EQ(get_int32le(field(const_cast<const char*>(driver::parameter_block()),
                                impfis::IMPFIS_RESERVA_2)),
              2);
    EXPECT_EQ(block_text(impfis::IMPFIS_PRECO_UNIT), "00001234");
    EXPECT_EQ(block_text(impfis::IMPFIS_RESERVA_3), " ");
    EXPECT_EQ(block_text(impfis::IMPFIS_RESERVA_4), "00");
    EXPECT_EQ(block_text(impfis::IMPFIS_DESC_ITEM), "00");
    EXPECT_EQ(block_text(impfis::IMPFIS_TIPO_DESC) + block_text(impfis::IMPFIS_MODO_DESC), "D$");
    EXPECT_EQ(block_text(impfis::IMPFIS_VALOR_PAGTO), "00000000001234");
}

struct TaxCase {
    const char* name;
    const char* meal;
    const char* drinks;
    const char* percent_meal;
    const char* tax_line;
    const char* taxes;
};

class TaxLineTest : public CouponTest, public ::testing::WithParamInterface<TaxCase> {};

TEST_P(TaxLineTest, ClosingMessageCarriesTheTaxLine) {
    const TaxCase& c = GetParam();
    window.type_number(controls::Ed_PERCREF, c.percent_meal);
    issue(c.meal, c.drinks);
    const std::vector<std::string> sent = calls();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), close_call(c.tax_line, "MARIA"));
    EXPECT_EQ(engine.W_TRIBUTOS, Decimal::parse(c.taxes));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TaxLineTest,
    ::testing::Values(TaxCase{"ShortLineAt99999", "9.999,90", "0", "10,00",
                              "Vlr aprox.tributos R$999,99 (10,00%) Fonte=IBPT", "999,99"},
                      TaxCase{"LongLineAbove99999", "9.999,95", "0", "10,00",
                              "Valor aprox. tributos R$   999,99 (10,00%)", "999,995"},
                      TaxCase{"LongLineWithThousands", "9.999,99", "0", "12,35",
                              "Valor aprox. tributos R$ 1.234,99 (12,34%)", "1234,9987"},
                      TaxCase{"SmallTaxShowsLeadingBlanks", "5,00", "0", "10,00",
                              "Vlr aprox.tributos R$  0,50 (10,00%) Fonte=IBPT", "0,5"},
                      TaxCase{"TaxCutNotRounded", "0,99", "0", "12,35",
                              "Vlr aprox.tributos R$  0,12 (12,34%) Fonte=IBPT", "0,1222"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(CouponTest, DrinksOnlySellsItemTwoAndTakesThePercentOfTheWholeTotal) {
    issue("0", "50,00");
    const std::vector<std::string> expected = {
        kStartUp,
        open_call(""),
        kStartUp,
        kTruncate,
        sale("FF", "00005000", "0000000000002", "BEBIDAS"),
        kStartUp,
        kTotal,
        kStartUp,
        pay("Dinheiro", "00000000005000"),
        kStartUp,
        close_call("Vlr aprox.tributos R$ 10,00 (20,00%) Fonte=IBPT", "MARIA"),
    };
    EXPECT_EQ(calls(), expected);
}

TEST_F(CouponTest, ZeroTotalSendsNothingAndLeavesTheForm) {
    window.type(controls::Ed_DOCUMEN, "12345678909");
    window.type(controls::Ed_LIBERAC, "1");
    engine.set_action("IMPCUP");
    engine.PROC_ECF_01();
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(window.text(controls::Ed_DOCUMEN), "12345678909");
    EXPECT_EQ(window.text(controls::Ed_LIBERAC), "1");
    EXPECT_TRUE(window.log_of("set_").empty());
}

TEST_F(CouponTest, PaymentMethodIsTheLastSelectedOptionOrWhatTheBlockHeld) {
    window.choose_option(controls::Rbt_Cartao);
    issue("10,00", "0");
    EXPECT_EQ(calls_after_start_up()[4], pay("Cartao", "00000000001000"));
    window.choose_option(controls::Rbt_Cheque);
    issue("10,00", "0");
    EXPECT_EQ(calls_after_start_up()[10], pay("Cheque", "00000000001000"));
    // No option selected: the name the block still holds from the last coupon.
    window.choose_option("");
    issue("10,00", "0");
    EXPECT_EQ(calls_after_start_up()[16], pay("Cheque", "00000000001000"));
}

TEST_F(CouponTest, ShortOperatorTextIsFilledWithBlanks) {
    window.choose_entry(1);
    issue("10,00", "0");
    EXPECT_EQ(calls().back(),
              close_call("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT", "JOSE DA SILVA"));
    window.choose_entry(-1);
    issue("10,00", "0");
    EXPECT_EQ(calls().back(), close_call("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT", ""));
}

// --- the state table -------------------------------------------------------

TEST_F(CouponTest, FailedOpeningIsShownOnceWithoutRetryOrCancel) {
    engine.W_RESPOSTA = kAnswerYes; // an earlier Yes never repeats the opening
    script("iCFAbrir_ECF_Daruma 0\n");
    issue("10,00", "5,00", "12345678909");
    EXPECT_EQ(calls(), (std::vector<std::string>{kStartUp, open_call("12345678909")}));
    EXPECT_EQ(window.log_of("message_box"),
              (std::vector<std::string>{kMsgNoCommunication, kMsgNotOpened}));
    EXPECT_EQ(engine.W_STATUS_ECF, 'N');
    expect_reset();
}

TEST_F(CouponTest, FailedTotallingAnsweredYesTotalsAgainBeforeAnyPayment) {
    script("iCFTotalizarCupom_ECF_Daruma 0\n");
    window.answer(kAnswerYes);
    issue("10,00", "0");
    const std::vector<std::string> sent = calls_after_start_up();
    ASSERT_EQ(sent.size(), 7u);
    EXPECT_EQ(sent[3], kTotal);
    EXPECT_EQ(sent[4], kTotal);
    EXPECT_EQ(sent[5], pay("Dinheiro", "00000000001000"));
    EXPECT_EQ(window.log_of("message_box"),
              (std::vector<std::string>{kMsgNoCommunication, kMsgRetry}));
    EXPECT_EQ(window.unanswered(), 0u);
    expect_reset();
}

struct FailureCase {
    const char* name;
    const char* script;
    int answer;
    std::vector<std::string> after_items; // vendor calls after the item sale
};

class FailurePathTest : public CouponTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailurePathTest, FailureIsRetriedOrTheCouponCancelled) {
    const FailureCase& c = GetParam();
    script(c.script);
    window.answer(c.answer);
    issue("10,00", "0");
    std::vector<std::string> sent = calls_after_start_up();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 3, sent.end()), c.after_items);
    EXPECT_EQ(window.unanswered(), 0u);
    expect_reset();
}

const std::string kPay10 = pay("Dinheiro", "00000000001000");
const std::string kClose10 = close_call("Vlr aprox.tributos R$  1,00 (10,00%) Fonte=IBPT", "MARIA");

INSTANTIATE_TEST_SUITE_P(
    States, FailurePathTest,
    ::testing::Values(FailureCase{"TotallingNoCancels",
                                  "iCFTotalizarCupom_ECF_Daruma 0\n",
                                  kAnswerNo,
                                  {kTotal, kCancel}},
                      FailureCase{"PaymentYesPaysAgain",
                                  "iCFEfetuarPagamentoFormatado_ECF_Daruma -6\n",
                                  kAnswerYes,
                                  {kTotal, kPay10, kPay10, kClose10}},
                      FailureCase{"PaymentNoCancels",
                                  "iCFEfetuarPagamentoFormatado_ECF_Daruma -10\n",
                                  kAnswerNo,
                                  {kTotal, kPay10, kCancel}},
                      FailureCase{"ClosingYesSendsTheSameMessage",
                                  "iCFEncerrarConfigMsg_ECF_Daruma 0\n",
                                  kAnswerYes,
                                  {kTotal, kPay10, kClose10, kClose10}},
                      FailureCase{"ClosingNoCancels",
                                  "iCFEncerrarConfigMsg_ECF_Daruma -5\n",
                                  kAnswerNo,
                                  {kTotal, kPay10, kClose10, kCancel}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(CouponTest, FailedCancelAnsweredYesThenNoGivesUp) {
    script("iCFTotalizarCupom_ECF_Daruma 0\niCFCancelar_ECF_Daruma 0\niCFCancelar_ECF_Daruma 0\n");
    window.answer(kAnswerNo);  // totalling failed: cancel
    window.answer(kAnswerYes); // the cancel failed: try again
    window.answer(kAnswerNo);  // it failed again: give up
    issue("10,00", "0");
    const std::vector<std::string> sent = calls_after_start_up();
    EXPECT_EQ(std::vector<std::string>(sent.begin() + 3, sent.end()),
              (std::vector<std::string>{kTotal, kCancel, kCancel}));
    EXPECT_EQ(window.log_of("message_box 36").size(), 3u);
    EXPECT_EQ(window.unanswered(), 0u);
    expect_reset();
}

TEST_F(CouponTest, PrinterErrorCodeShowsEachResultInItsOwnBox) {
    // -12 makes the driver ask the printer; a known code fills STATUS-1 and MSG-1.
    script("iCFTotalizarCupom_ECF_Daruma -12\nrStatusUltimoCmdInt_ECF_Daruma 1 1\n");
    window.answer(kAnswerNo);
    issue("10,00", "0");
    const std::vector<std::string> boxes = window.log_of("message_box");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "message_box 16 Comando não executado !!!");
    EXPECT_EQ(boxes[1], "message_box 16 ECF com falha mecânica");
    EXPECT_EQ(boxes[2], kMsgRetry);
}

// A window whose printer reports low paper with every opening of a coupon.
class LowPaperWindow : public ScriptedWindow {
  public:
    void open_form(std::string_view form_name) override {
        ScriptedWindow::open_form(form_name);
        char* block = driver::parameter_block();
        if (equals_text(field(block, impfis::IMPFIS_COMANDO), "ABRE-CUPOM"))
            put_text(field(block, impfis::IMPFIS_STATUS_1), "Impressora com pouco papel");
    }
};

TEST_F(CouponTest, LowPaperIsShownAndTheCouponGoesOn) {
    LowPaperWindow low;
    low.list_add(controls::Cb_Operador, "MARIA               - 123456");
    low.choose_entry(0);
    low.type_number(controls::Ed_PERCREF, "10,00");
    low.type_number(controls::Ed_VALOREF, "10,00");
    low.type_number(controls::Ed_VALOTOT, "10,00");
    CouponEngine own(low);
    own.set_action("IMPCUP");
    own.PROC_ECF_01();
    EXPECT_EQ(low.log_of("message_box"),
              (std::vector<std::string>{"message_box 16 Impressora com pouco papel"}));
    EXPECT_EQ(calls().back(), kClose10);
    EXPECT_EQ(own.W_STATUS_ECF, 'S');
}

// --- the action code ---------------------------------------------------------

TEST_F(CouponTest, ActionIsComparedOverAllFifteenCharacters) {
    window.type(controls::Ed_DOCUMEN, "123.456.789-09");
    for (std::string_view code : {"", "IMPCU", "impcup", " VERCPF", "VERCPFX", "NADA"}) {
        engine.set_action(code);
        engine.PROC_ECF_01();
        EXPECT_EQ(std::string(engine.W_ACAO.data(), 15), std::string(15, ' ')) << code;
    }
    std::copy_n("VERCPF         ", 15, engine.W_ACAO.begin());
    engine.W_ACAO[14] = 'X';
    engine.PROC_ECF_01();
    EXPECT_TRUE(window.log().empty());
    EXPECT_TRUE(calls().empty());
}

} // namespace
} // namespace qv::test
