// The technician's quiterval-nfce against the stand-in SEFAZ, through the
// tool's own entry with its streams: the queue sent on request, numbers
// voided only when no note with them may exist (the request and answer kept,
// valid and signed), and the state of things shown.
#include "tools/quiterval-nfce/commands.h"

#include "nfce/access_key.h"
#include "nfce/backend_setup.h"
#include "nfce/issuer.h"
#include "tests/nfce/schema_check.h"
#include "tests/nfce/shop.h"
#include "tests/sefazsim/running_sefaz.h"
#include "tests/support/environment.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace qv::nfce {
namespace {

using test::RunningSefaz;
using test::TestPki;
namespace fs = std::filesystem;

constexpr const char* kReason = "Numeração pulada por falha do sistema";

// A key of the tests' shop, series 1, for `number`.
std::string key_of(std::uint32_t number, int emission = 1) {
    return access_key({35, 2026, 12, test::kPkiCnpj, 1, number, emission, 12345678});
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QV_NEED_PKI("xmlsec1");
        fresh();
    }

    // A new data folder and a new authority: the table-driven tests start
    // each case so.
    void fresh() {
        sefaz_.reset();
        folder_ = std::make_unique<test::ScratchFolder>("qv-nfce-tool");
        control("");
        sefaz_ = std::make_unique<RunningSefaz>(test::stand_in_options(folder_->path()));
        places_ = {test::utf8(folder_->path() / "nfce.conf"), test::utf8(folder_->path() / "nfce"),
                   ""};
        test::write_file(places_.config_file, config_text());
        store_ = std::make_unique<Store>(places_.data_folder);
    }

    std::string config_text() const { return test::shop_config_text(sefaz_->port(), 1); }

    void control(const std::string& text) const {
        test::write_file(folder_->path() / "controle.txt", text);
    }

    int tool(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = nfce_tool::run(args, places_, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    // One coupon through the program's back end, made as the tool makes it.
    void sell() {
        test::EnvGuard paper("THERMALSIM_DIR");
        test::set_env("THERMALSIM_DIR", folder_->path() / "termica");
        std::string error;
        const auto made = make_backend(places_.config_file, places_.data_folder, error);
        ASSERT_TRUE(made) << error;
        CommandData data;
        ASSERT_TRUE(made->backend->run("ABRE-CUPOM", data).ok());
        data.item_code = "0000000000001";
        data.description = "REFEICAO";
        data.unit_price = *Decimal::parse("10,00");
        ASSERT_TRUE(made->backend->run("VENDE-ITEM", data).ok());
        data.discount_type = "D";
        ASSERT_TRUE(made->backend->run("INI-FCTO-CPOM", data).ok());
        data.payment = "Dinheiro";
        data.paid = *Decimal::parse("10,00");
        ASSERT_TRUE(made->backend->run("EFET-FORM-PAGTO", data).ok());
        data.message = std::string(240, ' ');
        ASSERT_TRUE(made->backend->run("TERM-FECTO-CUPOM", data).ok());
    }

    NumberState state_of(std::uint32_t number) const { return store_->numbers(1).at(number).state; }

    // The stand-in's log: every request it answered.
    std::string sefaz_log() const {
        const fs::path log = folder_->path() / "sefaz" / "sefaz-simulada.log";
        return fs::exists(log) ? test::read_file(log) : std::string();
    }

    // The dated XML files kept whose names end with `suffix`.
    std::vector<fs::path> kept(const std::string& suffix) const {
        std::vector<fs::path> found;
        const fs::path xml = test::from_utf8(places_.data_folder) / "xml";
        if (!fs::exists(xml)) return found;
        for (const auto& entry : fs::recursive_directory_iterator(xml))
            if (test::utf8(entry.path().filename()).ends_with(suffix))
                found.push_back(entry.path());
        return found;
    }

    std::unique_ptr<test::ScratchFolder> folder_;
    std::unique_ptr<RunningSefaz> sefaz_;
    std::unique_ptr<Store> store_;
    nfce_tool::Places places_;
    std::string out_;
    std::string err_;
};

TEST_F(ToolTest, EnviarSendsTheQueueAndSaysWhatBecameOfEachNote) {
    struct Case {
        const char* name;
        const char* control; // the state's rules once the note is queued
        int status;
        const char* said;
        NumberState state;
        std::size_t queued;
    };
    const Case cases[] = {
        {"authorised", "", nfce_tool::kDone, "autorizada, protocolo 1", NumberState::authorised, 0},
        {"refused",
         "comportamento=rejeitar\nrejeicao=778\nmotivo=Rejeição: Informado NCM inexistente\n",
         nfce_tool::kNotDone,
         "recusada: Rejeição 778: Informado NCM inexistente (continua na fila)",
         NumberState::contingency, 1},
        {"no answer", "comportamento=sem-resposta\nespera=20\n", nfce_tool::kNotDone,
         "SEFAZ sem resposta (timeout)", NumberState::contingency, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        control("comportamento=sem-resposta\nespera=20\n");
        sell();
        ASSERT_EQ(store_->queue().size(), 1U);
        control(c.control);
        EXPECT_EQ(tool({"enviar"}), c.status) << err_;
        EXPECT_NE(out_.find(c.said), std::string::npos) << out_;
        EXPECT_EQ(state_of(1), c.state);
        EXPECT_EQ(store_->queue().size(), c.queued);
    }
    fresh();
    EXPECT_EQ(tool({"enviar"}), nfce_tool::kDone);
    EXPECT_EQ(out_, "Fila de contingência vazia: nada a enviar.\n");
}

TEST_F(ToolTest, InutilizarRefusesInWordsBeforeSendingAnything) {
    // 1 authorised, 2 in contingency, 3 sent without answer, 4 cancelled,
    // 5 voided, 6 rejected, 7 reserved with its offline note queued (the
    // journal not yet saying so), 8 reserved.
    ASSERT_TRUE(store_->mark(1, 1, NumberState::authorised, key_of(1), "135260000000001"));
    ASSERT_TRUE(store_->mark(1, 2, NumberState::contingency, key_of(2, 9)));
    ASSERT_TRUE(store_->enqueue(key_of(2, 9), "<NFe/>", std::time(nullptr)));
    ASSERT_TRUE(store_->mark(1, 3, NumberState::sent, key_of(3)));
    ASSERT_TRUE(store_->mark(1, 4, NumberState::cancelled, key_of(4)));
    ASSERT_TRUE(store_->mark(1, 5, NumberState::voided, {}));
    ASSERT_TRUE(store_->mark(1, 6, NumberState::rejected, key_of(6), "778 NCM"));
    ASSERT_TRUE(store_->mark(1, 7, NumberState::reserved, {}));
    ASSERT_TRUE(store_->enqueue(key_of(7, 9), "<NFe/>", std::time(nullptr)));
    ASSERT_TRUE(store_->mark(1, 8, NumberState::reserved, {}));
    const auto journal_before = store_->numbers(1).size();

    const std::string long_reason(256, 'x');
    struct Case {
        std::vector<std::string> args;
        const char* said;
    };
    const Case cases[] = {
        {{"1", "1", kReason}, "O número 1 tem NFC-e autorizada"},
        {{"2", "2", kReason}, "O número 2 tem NFC-e emitida em contingência"},
        {{"3", "3", kReason}, "O número 3 tem NFC-e enviada sem resposta da SEFAZ"},
        {{"4", "4", kReason}, "O número 4 tem NFC-e cancelada"},
        {{"5", "5", kReason}, "O número 5 já foi inutilizado"},
        {{"7", "7", kReason}, "O número 7 tem NFC-e na fila de contingência"},
        {{"6", "8", kReason}, "O número 7 tem NFC-e na fila de contingência"},
        {{"8", "6", kReason}, "O início (8) é maior que o fim (6)"},
        {{"0", "6", kReason}, "Os números vão de 1 a 999999999"},
        {{"11", "12", kReason}, "A faixa deixaria os números 9 a 10 sem registro: comece em 9"},
        {{"9", "1009", kReason}, "No máximo 1000 números por pedido de inutilização"},
        {{"6", "6", "Falha no PDV"}, "A justificativa deve ter de 15 a 255 caracteres (tem 12)"},
        {{"6", "6", "   Falha no PDV     "}, "de 15 a 255 caracteres (tem 12)"},
        {{"6", "6", long_reason}, "de 15 a 255 caracteres (tem 256)"},
        {{"6", "6", "Falha do sistema\nno caixa"}, "caracteres que a SEFAZ não aceita"},
        {{"6", "6", "Falha “do sistema” no caixa"}, "caracteres que a SEFAZ não aceita"},
        {{"--serie", "1000", "6", "6", kReason}, "A série deve ser de 0 a 999"},
        {{"seis", "6", kReason}, "INICIO, FIM e a série são números inteiros"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"inutilizar"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(c.said);
        EXPECT_EQ(tool(args), nfce_tool::kRefused);
        EXPECT_NE(err_.find(c.said), std::string::npos) << err_;
    }
    EXPECT_EQ(sefaz_log().find("NFeInutilizacao4"), std::string::npos) << sefaz_log();
    EXPECT_EQ(store_->numbers(1).size(), journal_before);
    EXPECT_EQ(state_of(6), NumberState::rejected);
    EXPECT_TRUE(kept("-procInutNFe.xml").empty());
}

TEST_F(ToolTest, InutilizarVoidsTheNumbersKeepsTheSignedAnswerAndTheBackEndSkipsThem) {
    ASSERT_TRUE(store_->mark(1, 1, NumberState::reserved, {}));
    ASSERT_TRUE(store_->mark(1, 2, NumberState::rejected, key_of(2), "778 NCM"));
    EXPECT_EQ(tool({"inutilizar", "1", "2", kReason}), nfce_tool::kDone) << err_;
    EXPECT_NE(out_.find("Série 1, números 1 a 2: inutilizados, protocolo 1"), std::string::npos)
        << out_;
    EXPECT_EQ(state_of(1), NumberState::voided);
    EXPECT_EQ(state_of(2), NumberState::voided);
    const std::vector<fs::path> proc = kept("-procInutNFe.xml");
    ASSERT_EQ(proc.size(), 1U);
    EXPECT_EQ(
        test::schema_errors(test::read_file(proc[0]), NFCE_SCHEMA_FOLDER, "procInutNFe_v4.00.xsd"),
        "");
    const test::ProgramRun check =
        test::run_program("xmlsec1", {"--verify", "--id-attr:Id", "infInut", "--trusted-pem",
                                      TestPki::get().file("ca.pem"), test::utf8(proc[0])});
    EXPECT_EQ(check.status, 0) << check.err;

    // The back end goes on after them.
    sell();
    EXPECT_EQ(state_of(3), NumberState::authorised);
    // Numbers never used: voided with a warning, and the series goes on after.
    EXPECT_EQ(tool({"inutilizar", "4", "5", kReason}), nfce_tool::kDone) << err_;
    EXPECT_NE(out_.find("Aviso: os números 4 a 5 nunca foram usados; a SEFAZ aceita, e a série "
                        "seguirá no 6"),
              std::string::npos)
        << out_;
    sell();
    EXPECT_EQ(state_of(6), NumberState::authorised);

    // Another till's data folder over the same state: the state refuses,
    // with its code and words, and nothing is journalled.
    struct Case {
        const char* last;
        const char* said;
    };
    const Case cases[] = {
        {"2", "a SEFAZ recusou a inutilização: Rejeição 256: Uma NF-e da faixa já está "
              "inutilizada na Base de dados da SEFAZ"},
        {"3", "a SEFAZ recusou a inutilização: Rejeição 241: Um número da faixa já foi utilizado"},
    };
    places_.data_folder = test::utf8(folder_->path() / "outro-caixa");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last);
        EXPECT_EQ(tool({"inutilizar", "1", c.last, kReason}), nfce_tool::kNotDone);
        EXPECT_NE(err_.find(c.said), std::string::npos) << err_;
        EXPECT_TRUE(Store(places_.data_folder).numbers(1).empty());
    }
    const std::vector<fs::path> answers = kept("-inutilizacao-retorno.xml");
    EXPECT_EQ(answers.size(), 2U); // one per range: kept under the request's Id
    for (const fs::path& answer : answers)
        EXPECT_EQ(test::schema_errors(test::read_file(answer), NFCE_SCHEMA_FOLDER,
                                      "retInutNFe_v4.00.xsd"),
                  "");
}

TEST_F(ToolTest, SituacaoShowsTheStateTheQueueAndTheNumbersThatNeedAttention) {
    ASSERT_TRUE(store_->mark(1, 1, NumberState::authorised, key_of(1), "135260000000001"));
    ASSERT_TRUE(store_->mark(1, 2, NumberState::rejected, key_of(2), "778 NCM"));
    ASSERT_TRUE(store_->mark(1, 3, NumberState::sent, key_of(3)));
    ASSERT_TRUE(store_->mark(1, 4, NumberState::reserved, {}));
    ASSERT_TRUE(store_->mark(1, 5, NumberState::contingency, key_of(5, 9)));
    ASSERT_TRUE(store_->enqueue(key_of(5, 9), "<NFe/>", std::time(nullptr) - 25 * 3600));
    ASSERT_TRUE(store_->mark(1, 6, NumberState::authorised, key_of(6), "135260000000002"));
    EXPECT_EQ(tool({"situacao"}), nfce_tool::kDone) << err_;
    for (const std::string& line : {
             std::string("Ambiente: homologação (sem valor fiscal)\n"),
             std::string("SEFAZ: 107 Serviço em Operação\n"),
             std::string("Fila de contingência: 1 NFC-e\n"),
             "  nº 5 " + key_of(5, 9) + " há 25 h ",
             std::string(kQueueLateWarning) + " (quiterval-nfce enviar)\n",
             std::string("Série 1: último número 6\n"),
             "Enviada sem resposta (a próxima venda consulta a SEFAZ): nº 3 " + key_of(3) + "\n",
             std::string("Sem NFC-e e nunca reaproveitados (candidatos à inutilização): 2, 4\n"),
         })
        EXPECT_NE(out_.find(line), std::string::npos) << line << "\n" << out_;

    // A data folder with nothing pending says so, and nothing loud.
    places_.data_folder = test::utf8(folder_->path() / "outro-caixa");
    EXPECT_EQ(tool({"situacao"}), nfce_tool::kDone) << err_;
    EXPECT_NE(out_.find("Nenhum número da série pede atenção.\n"), std::string::npos) << out_;
    EXPECT_EQ(out_.find("ATENÇÃO"), std::string::npos) << out_;
}

TEST(ToolUse, BadUseAndBadConfigurationsAreRefusedWithStatus2) {
    const nfce_tool::Places places{"/nao/existe/nfce.conf", "nfce-nao-usada",
                                   "a impressora escolhida não é a NFC-e"};
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* said; // on the error stream, or on the output for --help
    };
    const Case cases[] = {
        {{}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"imprimir"}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"enviar", "agora"}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"inutilizar", "1", "2"}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"--serie", "2", "enviar"}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"situacao", "--config"}, nfce_tool::kRefused, "uso: quiterval-nfce"},
        {{"situacao"}, nfce_tool::kRefused, "/nao/existe/nfce.conf"},
        {{"situacao"}, nfce_tool::kRefused, "aviso: a impressora escolhida não é a NFC-e"},
        {{"enviar", "--config", "/outro/nfce.conf"}, nfce_tool::kRefused, "/outro/nfce.conf"},
        {{"--help"}, nfce_tool::kDone, "nfce.conf: /nao/existe/nfce.conf\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(nfce_tool::run(c.args, places, out, err), c.status);
        const std::string said = c.status == nfce_tool::kDone ? out.str() : err.str();
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists("nfce-nao-usada"));
}

} // namespace
} // namespace qv::nfce
