// Whole printer commands through the real driver against the simulated
// printer, as the coupon engine and the fiscal-day buttons send them.
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using namespace qv::impfis;
using namespace qv::literals;

using qv::test::read_file;
using qv::test::set_env;
using qv::test::unset_env;

struct Result {
    std::string status1, status2, msg1, msg2;
    std::int32_t ret;
    bool ok() const { return status1.empty() && status2.empty() && msg1.empty() && msg2.empty(); }
};

class ThroughDriver : public testing::Test {
  public:
    void SetUp() override {
        set_env("ECFSIM_DIR", dir_ / "ecf");
        set_env("ECFSIM_NOW", "2026-12-07 12:30:00");
        set_env("QUITERVAL_DRIVER_LOG", dir_ / "DARUMA.txt");
        set_env("QUITERVAL_ECF_LIBRARY", ECFSIM_LIBRARY);
        unset_env("ECFSIM_FALHAS");
        rec_ = qv::driver::parameter_block();
        ASSERT_NE(rec_, nullptr);
    }
    void put(const qv::FieldSpec& f, std::string_view text) {
        qv::put_text(qv::field(rec_, f), text);
    }
    std::string get(const qv::FieldSpec& f) const { return qv::trimmed(qv::field(rec_, f)); }
    Result send(std::string_view command) {
        put(IMPFIS_COMANDO, command);
        EXPECT_TRUE(qv::driver::invoke_form(qv::driver::kFormName));
        return {get(IMPFIS_STATUS_1), get(IMPFIS_STATUS_2), get(IMPFIS_MSG_1), get(IMPFIS_MSG_2),
                qv::get_int32le(qv::field(rec_, IMPFIS_RETORNO))};
    }
    void put_item(std::string_view code, std::string_view desc, std::string_view tax,
                  std::string_view price) {
        put(IMPFIS_COD_ITEM, code);
        put(IMPFIS_DESCRICAO, desc);
        put(IMPFIS_UNIDADE, "UN");
        put(IMPFIS_ALIQUOTA, tax);
        put(IMPFIS_RESERVA_1, "F");
        put(IMPFIS_QUANTIDADE, "0001000");
        qv::put_int32le(qv::field(rec_, IMPFIS_RESERVA_2), 2);
        put(IMPFIS_PRECO_UNIT, price);
        put(IMPFIS_RESERVA_3, " ");
        put(IMPFIS_RESERVA_4, "00");
        put(IMPFIS_DESC_ITEM, "00");
    }
    // The coupon of the engine's worked example: meals 100,00, drinks 50,00.
    void coupon(std::string_view method = "Dinheiro") {
        put(IMPFIS_DOCUMENTO, "12345678909");
        ASSERT_TRUE(send("ABRE-CUPOM").ok());
        put_item("0000000000001", "REFEICAO", "18,00", "00010000");
        ASSERT_TRUE(send("VENDE-ITEM").ok());
        put_item("0000000000002", "BEBIDAS", "F", "00005000");
        ASSERT_TRUE(send("VENDE-ITEM").ok());
        EXPECT_EQ(qv::get_text(qv::field(rec_, IMPFIS_ALIQUOTA)), "FF   ");
        put(IMPFIS_TIPO_DESC, "D");
        put(IMPFIS_MODO_DESC, "$");
        put(IMPFIS_VALOR_DESC, "00000000000000");
        ASSERT_TRUE(send("INI-FCTO-CPOM").ok());
        put(IMPFIS_FORMA_PAGTO, method);
        put(IMPFIS_VALOR_PAGTO, "00000000015000");
        ASSERT_TRUE(send("EFET-FORM-PAGTO").ok());
        std::string msg = "Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT";
        msg += " OPERADOR: JOÃO"_cp1252;
        put(IMPFIS_MENSAGEM, msg);
        ASSERT_TRUE(send("TERM-FECTO-CUPOM").ok());
    }
    fs::path tape() const { return dir_ / "ecf" / "bobina.txt"; }

    qv::test::ScratchFolder scratch_{"ecfsim-driver"};
    fs::path dir_ = scratch_.path();
    char* rec_ = nullptr;
};

TEST_F(ThroughDriver, CouponAppearsOnTheTape) {
    coupon();
    const std::string t = read_file(tape());
    for (const char* line :
         {"CPF/CNPJ consumidor: 12345678909\n", "001 0000000000001 REFEICAO\n",
          "     1,000 UN x 100,00 T18,00%            100,00\n", "002 0000000000002 BEBIDAS\n",
          "     1,000 UN x 50,00 FF                   50,00\n",
          "TOTAL R$                                  150,00\n",
          "Dinheiro                                  150,00\n",
          "Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT\n", "OPERADOR: JOÃO\n",
          "SEM VALOR FISCAL"})
        EXPECT_NE(t.find(line), std::string::npos) << line;
    EXPECT_FALSE(fs::exists(dir_ / "DARUMA.txt"));
}

TEST_F(ThroughDriver, RefusalsComeBackAsThePrinterErrorText) {
    struct Case {
        const char* command;
        std::function<void(ThroughDriver&)> before;
        const char* msg; // Windows-1252
    };
    const Case cases[] = {
        {"VENDE-ITEM",
         [](ThroughDriver& t) { t.put_item("0000000000001", "REFEICAO", "18,00", "00001000"); },
         "CF não aberto"_cp1252},
        {"TERM-FECTO-CUPOM", [](ThroughDriver&) {}, "CF não aberto"_cp1252},
        {"CANC-CUPOM", [](ThroughDriver&) {}, "Último documento não é cancelável"_cp1252},
        {"ABRE-CUPOM", [](ThroughDriver& t) { ASSERT_TRUE(t.send("ABRE-CUPOM").ok()); },
         "CF aberto"},
        {"EFET-FORM-PAGTO",
         [](ThroughDriver& t) {
             t.put(IMPFIS_FORMA_PAGTO, "Cheque");
             t.put(IMPFIS_VALOR_PAGTO, "00000000001000");
         },
         "Não em fase de pagamento ou totalização"_cp1252},
        {"LEITURAX", [](ThroughDriver&) {}, "CF aberto"},
        {"REDUCAOZ", [](ThroughDriver&) {}, "CF aberto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        c.before(*this);
        const Result r = send(c.command);
        EXPECT_EQ(r.ret, -12);
        EXPECT_EQ(r.status1, "Comando não executado !!!"_cp1252);
        EXPECT_EQ(r.msg1, c.msg);
    }
    const std::string log = read_file(dir_ / "DARUMA.txt");
    EXPECT_EQ(log.size(), std::size(cases) * 6 * 81);
}

TEST_F(ThroughDriver, InjectedFaultsReachTheCallerAndTheRetryPathWorks) {
    set_env("ECFSIM_FALHAS", "iCFAbrir_ECF_Daruma -6; iCFEncerrarConfigMsg_ECF_Daruma feito:0; "
                             "iCFTotalizarCupom_ECF_Daruma erro:72");
    put(IMPFIS_DOCUMENTO, "");
    const Result off = send("ABRE-CUPOM");
    EXPECT_EQ(off.msg1, "Impressora Desligada!!!   -6");
    EXPECT_TRUE(off.status1.empty());
    ASSERT_TRUE(send("ABRE-CUPOM").ok()); // tried again: now it opens
    put_item("0000000000001", "REFEICAO", "18,00", "00002000");
    ASSERT_TRUE(send("VENDE-ITEM").ok());
    put(IMPFIS_TIPO_DESC, "D");
    put(IMPFIS_MODO_DESC, "$");
    put(IMPFIS_VALOR_DESC, "00000000000000");
    const Result paper = send("INI-FCTO-CPOM");
    EXPECT_EQ(paper.msg1, "Fim do papel");
    ASSERT_TRUE(send("INI-FCTO-CPOM").ok()); // paper changed, tried again
    put(IMPFIS_FORMA_PAGTO, "Dinheiro");
    put(IMPFIS_VALOR_PAGTO, "00000000002000");
    ASSERT_TRUE(send("EFET-FORM-PAGTO").ok());
    put(IMPFIS_MENSAGEM, "Obrigado");
    // printed, but answered as a lost connection
    EXPECT_EQ(send("TERM-FECTO-CUPOM").msg1, "Erro de comunicação!!!"_cp1252);
    // the engine's retry finds the coupon already closed ...
    EXPECT_EQ(send("TERM-FECTO-CUPOM").msg1, "CF não aberto"_cp1252);
    // ... and the operator's No cancels it: the closed coupon can be cancelled
    EXPECT_TRUE(send("CANC-CUPOM").ok());
    EXPECT_NE(read_file(tape()).find("CANCELAMENTO DE CUPOM FISCAL"), std::string::npos);
}

TEST_F(ThroughDriver, FiscalDayCommandsPrintTheirReports) {
    coupon("Cartao");
    ASSERT_TRUE(send("LEITURAX").ok());
    std::string t = read_file(tape());
    EXPECT_NE(t.find("LEITURA X"), std::string::npos);
    EXPECT_NE(t.find("  Cartao                                  150,00\n"), std::string::npos);
    EXPECT_NE(t.find("Arquivos do ECF: C:\\DARUMA\\"), std::string::npos);
    ASSERT_TRUE(send("REDUCAOZ").ok());
    t = read_file(tape());
    EXPECT_NE(t.find("REDUÇÃO Z"), std::string::npos);
    EXPECT_NE(t.find("CRZ 000000"), std::string::npos); // on the X reading
    EXPECT_NE(t.find("CRZ 000001"), std::string::npos); // on the Z reduction
    // the application message lines set by the X reading close later coupons
    set_env("ECFSIM_NOW", "2026-12-08 12:00:00");
    coupon();
    EXPECT_NE(read_file(tape()).rfind("*** www.quiterval.com.br ***"), std::string::npos);
    const Result again = send("REDUCAOZ");
    EXPECT_TRUE(again.ok());
    EXPECT_EQ(send("ABRE-CUPOM").msg1, "Já emitiu RZ de hoje"_cp1252);
}

TEST_F(ThroughDriver, DefaultLibraryIsTheSimulatorBesideTheProgram) {
    unset_env("QUITERVAL_ECF_LIBRARY");
    ASSERT_TRUE(send("LEITURAX").ok());
    EXPECT_NE(read_file(tape()).find("LEITURA X"), std::string::npos);
}

} // namespace
