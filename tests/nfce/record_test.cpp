// The back end behind the driver's record: the engine's fields in, the
// driver's results out, with nfce.conf, the certificate and the data folder
// found where the process is told, against the stand-in SEFAZ.
#include "nfce/record.h"

#include "sefazsim/server.h"
#include "shared/cp1252.h"
#include "shared/field_decimal.h"
#include "shared/impfis_block.h"
#include "tests/nfce/shop.h"
#include "tests/support/environment.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace qv::nfce {
namespace {

using test::TestPki;
namespace fs = std::filesystem;

class RecordTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QV_NEED_PKI("openssl");
        rec_.fill(' ');
        server_ = std::make_unique<sefazsim::Server>(test::stand_in_options(folder_.path()));
        std::string error;
        ASSERT_TRUE(server_->start(&error)) << error;
        thread_ = std::thread([this] { server_->serve(); });
    }
    void TearDown() override {
        if (server_) server_->stop();
        if (thread_.joinable()) thread_.join();
    }

    // nfce.conf for the tests' shop and the stand-in authority.
    std::string config_text() const { return test::shop_config_text(server_->port(), 15); }

    void command(const char* name) {
        put_text(field(rec_.data(), impfis::IMPFIS_COMANDO), name);
        run_record(rec_.data(), test::utf8(folder_.path() / "nfce" / "nfce.conf"));
    }
    std::string text(const FieldSpec& f) const {
        return cp1252_to_utf8(trimmed(field(rec_.data(), f)));
    }

    test::ScratchFolder folder_{"qv-nfce-record"};
    std::unique_ptr<sefazsim::Server> server_;
    std::thread thread_;
    std::array<char, impfis::kSize> rec_{};
};

TEST_F(RecordTest, TheEnginesFieldsBecomeANoteAndTheResultsComeBackInTheRecord) {
    test::EnvGuard dir("NFCE_DIR");
    test::EnvGuard paper("THERMALSIM_DIR");
    test::set_env("NFCE_DIR", folder_.path() / "nfce");
    test::set_env("THERMALSIM_DIR", folder_.path() / "termica");
    using namespace impfis;

    // No nfce.conf yet: refused, saying which file.
    command("ABRE-CUPOM");
    EXPECT_NE(text(IMPFIS_MSG_1).find("nfce.conf"), std::string::npos) << text(IMPFIS_MSG_1);
    EXPECT_EQ(get_int32le(field(rec_.data(), IMPFIS_RETORNO)), 0);

    fs::create_directories(folder_.path() / "nfce");
    test::write_file(test::utf8(folder_.path() / "nfce" / "nfce.conf"), config_text());
    put_text(field(rec_.data(), IMPFIS_DOCUMENTO), "11.222.333/0001-81");
    command("ABRE-CUPOM");
    EXPECT_EQ(text(IMPFIS_MSG_1), "");
    put_text(field(rec_.data(), IMPFIS_COD_ITEM), "0000000000001");
    put_text(field(rec_.data(), IMPFIS_DESCRICAO), "REFEICAO");
    put_decimal(rec_.data(), IMPFIS_PRECO_UNIT, *Decimal::parse("25,00"));
    command("VENDE-ITEM");
    put_text(field(rec_.data(), IMPFIS_TIPO_DESC), "D");
    put_decimal(rec_.data(), IMPFIS_VALOR_DESC, *Decimal::parse("1,00"));
    command("INI-FCTO-CPOM");
    put_text(field(rec_.data(), IMPFIS_FORMA_PAGTO), "Cartao");
    put_decimal(rec_.data(), IMPFIS_VALOR_PAGTO, *Decimal::parse("24,00"));
    command("EFET-FORM-PAGTO");
    put_text(field(rec_.data(), IMPFIS_MENSAGEM),
             "Vlr aprox.tributos R$  2,40 (10,00%) Fonte=IBPT OPERADOR: MARIA");
    command("TERM-FECTO-CUPOM");
    for (const FieldSpec& f : kResults)
        EXPECT_EQ(text(f), "") << text(f);
    EXPECT_EQ(get_int32le(field(rec_.data(), IMPFIS_RETORNO)), 1);

    // The DANFE on the simulated printer: the discount, the customer's CNPJ.
    bool printed = false;
    for (const auto& entry : fs::directory_iterator(folder_.path() / "termica")) {
        if (entry.path().extension() != ".txt") continue;
        const std::string sheet = test::read_file(test::utf8(entry.path()));
        EXPECT_NE(sheet.find("24,00"), std::string::npos) << sheet;
        EXPECT_NE(sheet.find("11.222.333/0001-81"), std::string::npos) << sheet;
        printed = true;
    }
    EXPECT_TRUE(printed);

    // A rejection comes back filled with spaces to its field.
    test::write_file(test::utf8(folder_.path() / "controle.txt"),
                     "comportamento=rejeitar\nrejeicao=539\nmotivo=Rejeição: Duplicidade\n");
    command("ABRE-CUPOM");
    command("VENDE-ITEM");
    command("INI-FCTO-CPOM");
    command("EFET-FORM-PAGTO");
    command("TERM-FECTO-CUPOM");
    EXPECT_EQ(text(IMPFIS_MSG_1), "Rejeição 539: Duplicidade");
    EXPECT_EQ(get_text(field(rec_.data(), IMPFIS_MSG_1)).size(), 100U);
    EXPECT_EQ(text(IMPFIS_STATUS_1), "");
    command("CANC-CUPOM");
    EXPECT_EQ(text(IMPFIS_MSG_1), "");

    // nfce.conf edited while the till runs: the next command takes it.
    test::write_file(test::utf8(folder_.path() / "controle.txt"), "");
    std::string edited = config_text();
    edited.replace(edited.find("serie=1\n"), 8, "serie=7\n");
    test::write_file(test::utf8(folder_.path() / "nfce" / "nfce.conf"), edited);
    for (const char* name :
         {"ABRE-CUPOM", "VENDE-ITEM", "INI-FCTO-CPOM", "EFET-FORM-PAGTO", "TERM-FECTO-CUPOM"})
        command(name);
    EXPECT_EQ(text(IMPFIS_MSG_1), "");
    EXPECT_TRUE(fs::exists(folder_.path() / "nfce" / "numeracao" / "serie-007.txt"));
}

} // namespace
} // namespace qv::nfce
