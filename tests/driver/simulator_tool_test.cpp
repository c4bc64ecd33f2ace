// quiterval-ecf on the simulated printer found beside it: a coupon issued one
// command per process, refusals decoded, and the day closed by a Z reduction.
#include "driver_fixture.h"
#include "shared/cp1252.h"
#include "tests/support/program.h"

namespace qv::driver::test {
namespace {

class OnSimulator : public DriverTest {
  public:
    void SetUp() override {
        DriverTest::SetUp();
        unset_env("QUITERVAL_ECF_LIBRARY"); // the default printer: the simulator
        set_env("ECFSIM_DIR", dir_ / "ecf");
        set_env("ECFSIM_NOW", "2026-12-07 12:00:00");
    }

    // One command as a fresh process: fills the block, runs it through
    // `quiterval-ecf block` and returns the block that comes back.
    std::string block(std::string_view command,
                      const std::vector<std::pair<FieldSpec, std::string>>& fields) {
        std::string b(kSize, ' ');
        put_text(field(b.data(), IMPFIS_COMANDO), command);
        for (const auto& [f, text] : fields)
            put_text(field(b.data(), f), text);
        const qv::test::ProgramRun r = qv::test::run_program(
            QUITERVAL_ECF_PATH, {"block"}, {.input = b, .folder = dir_, .without_terminal = false});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    // The tool's exit status; its output is kept for the failure message.
    int tool(const std::vector<std::string>& args) {
        const qv::test::ProgramRun r = qv::test::run_program(
            QUITERVAL_ECF_PATH, args, {.input = {}, .folder = dir_, .without_terminal = false});
        out_ = r.out;
        return r.status;
    }
    std::string out_;

    static bool succeeded(const std::string& b) {
        if (b.size() != kSize) return false;
        for (const FieldSpec& f : kResults) {
            if (!is_blank(field(b.data(), f))) return false;
        }
        return true;
    }
};

TEST_F(OnSimulator, CouponCommandByCommandReachesTheTape) {
    EXPECT_TRUE(succeeded(block("ABRE-CUPOM", {{IMPFIS_DOCUMENTO, "12345678909"}})));
    const std::string sold = block("VENDE-ITEM", {{IMPFIS_COD_ITEM, "0000000000002"},
                                                  {IMPFIS_DESCRICAO, "BEBIDAS"},
                                                  {IMPFIS_ALIQUOTA, "F"},
                                                  {IMPFIS_QUANTIDADE, "0001000"},
                                                  {IMPFIS_PRECO_UNIT, "00005000"},
                                                  {IMPFIS_DESC_ITEM, "00"}});
    EXPECT_TRUE(succeeded(sold));
    EXPECT_EQ(get_text(field(sold.data(), IMPFIS_ALIQUOTA)), "FF   ");
    EXPECT_TRUE(succeeded(block("INI-FCTO-CPOM", {{IMPFIS_TIPO_DESC, "D"},
                                                  {IMPFIS_MODO_DESC, "$"},
                                                  {IMPFIS_VALOR_DESC, "00000000000000"}})));
    EXPECT_TRUE(succeeded(block("EFET-FORM-PAGTO", {{IMPFIS_FORMA_PAGTO, "Dinheiro"},
                                                    {IMPFIS_VALOR_PAGTO, "00000000010000"}})));
    EXPECT_TRUE(succeeded(block("TERM-FECTO-CUPOM", {{IMPFIS_MENSAGEM, "OBRIGADO PELA VISITA"}})));
    const std::string tape = read_file(dir_ / "ecf" / "bobina.txt");
    for (const char* want : {"BEBIDAS", "SEM VALOR FISCAL", "OBRIGADO PELA VISITA", "50,00"})
        EXPECT_NE(tape.find(want), std::string::npos) << want << "\n" << tape;
}

TEST_F(OnSimulator, RefusalsComeBackDecodedAndLogged) {
    const std::string refused = block(
        "INI-FCTO-CPOM",
        {{IMPFIS_TIPO_DESC, "D"}, {IMPFIS_MODO_DESC, "$"}, {IMPFIS_VALOR_DESC, "00000000000000"}});
    ASSERT_EQ(refused.size(), kSize);
    EXPECT_EQ(get_int32le(field(refused.data(), IMPFIS_RETORNO)), -12);
    EXPECT_EQ(get_text(field(refused.data(), IMPFIS_STATUS_1)),
              pad("Comando não executado !!!"_cp1252, 30));
    EXPECT_FALSE(is_blank(field(refused.data(), IMPFIS_MSG_1)));
    EXPECT_EQ(lines_of(read_file(log_file())).size(), 6u);

    EXPECT_TRUE(succeeded(block("ABRE-CUPOM", {{IMPFIS_DOCUMENTO, ""}})));
    const std::string unknown_rate = block("VENDE-ITEM", {{IMPFIS_COD_ITEM, "0000000000001"},
                                                          {IMPFIS_DESCRICAO, "REFEICAO"},
                                                          {IMPFIS_ALIQUOTA, "99,99"},
                                                          {IMPFIS_QUANTIDADE, "0001000"},
                                                          {IMPFIS_PRECO_UNIT, "00005000"},
                                                          {IMPFIS_DESC_ITEM, "00"}});
    ASSERT_EQ(unknown_rate.size(), kSize);
    EXPECT_EQ(get_text(field(unknown_rate.data(), IMPFIS_MSG_1)),
              pad("Aliquota não programada!!!"_cp1252, 100));
}

TEST_F(OnSimulator, ZReductionClosesTheDay) {
    EXPECT_EQ(tool({"leiturax"}), 0) << out_;
    EXPECT_EQ(tool({"reducaoz", "--yes"}), 0) << out_;
    const std::string after = block("ABRE-CUPOM", {{IMPFIS_DOCUMENTO, ""}});
    ASSERT_EQ(after.size(), kSize);
    EXPECT_EQ(get_text(field(after.data(), IMPFIS_MSG_1)), pad("Já emitiu RZ de hoje"_cp1252, 100));
    EXPECT_EQ(tool({"cancela"}), 1);
}

} // namespace
} // namespace qv::driver::test
