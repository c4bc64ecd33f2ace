// The back end against the stand-in SEFAZ over HTTPS on the loopback: the
// coupon's commands as the engine sends them become a note that is
// authorised, rejected and then corrected under the same number, issued in
// contingency and sent later, found by the protocol query after a lost
// answer, and cancelled in time or refused too late. Every XML the back end
// keeps stands up to the schemas, and every signature to xmlsec1.
#include "nfce/issuer.h"

#include "sefazsim/server.h"
#include "shared/cp1252.h"
#include "tests/nfce/schema_check.h"
#include "tests/nfce/shop.h"
#include "tests/sefazsim/running_sefaz.h"
#include "tests/support/environment.h"
#include "thermalsim/thermal.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>

#include <sys/resource.h>

namespace qv::nfce {
namespace {

using test::RunningSefaz;
using test::TestPki;
namespace fs = std::filesystem;

Decimal d(const char* text) {
    return *Decimal::parse(text);
}

// The shop's transport, with the authority's rules changed after a note is
// sent: the stand-in applies one rule to every service, where the
// real state, after losing an answer, still answers the query.
class ChangingTransport final : public Transport {
  public:
    ChangingTransport(std::unique_ptr<Transport> inner, std::function<void()> after_each_note)
        : inner_(std::move(inner)), after_(std::move(after_each_note)) {}
    TransportAnswer post(const std::string& url, std::string_view content_type,
                         std::string_view body, std::chrono::milliseconds limit) override {
        TransportAnswer answer = inner_->post(url, content_type, body, limit);
        if (url.find("NFeAutorizacao4") != std::string::npos) after_();
        return answer;
    }

  private:
    std::unique_ptr<Transport> inner_;
    std::function<void()> after_;
};

// The closing message as the engine composes it: the tax line in 48
// characters, the operator's in 30, spaces to 240.
std::string message(const std::string& tax, const std::string& op) {
    std::string m = utf8_to_cp1252_lossy(tax);
    m.resize(48, ' ');
    m += utf8_to_cp1252_lossy(op);
    m.resize(240, ' ');
    return m;
}

class IssuerTest : public ::testing::Test {
  protected:
    // Also run again by the table-driven tests, so that each case starts
    // with a new data folder and a new authority.
    void SetUp() override {
        QV_NEED_PKI("xmlsec1");
        backend_.reset();
        store_.reset();
        sefaz_.reset();
        papers_.clear();
        then_.clear();
        folder_ = std::make_unique<test::ScratchFolder>("qv-nfce-issuer");
        control("");
        sefaz_ = std::make_unique<RunningSefaz>(test::stand_in_options(folder_->path()));
        const ConfigResult r = parse_config(test::shop_config_text(sefaz_->port(), 2), "nfce.conf");
        ASSERT_TRUE(r.config) << (r.errors.empty() ? "" : r.errors.front());
        config_ = *r.config;
        transport_ = std::make_unique<ChangingTransport>(
            make_https_transport({test::read_file(TestPki::get().file("a1.pem")),
                                  test::read_file(TestPki::get().file("a1.key")),
                                  TestPki::get().file("ca.pem")}),
            [this] {
                if (then_.empty()) return;
                control(then_);
                then_.clear();
            });
        store_ = std::make_unique<Store>(test::utf8(folder_->path() / "nfce"));
        backend_ = std::make_unique<Backend>(
            config_, test::shop_certificate(), *transport_, *store_,
            [this] {
                Moment m;
                m.epoch = std::time(nullptr);
                m.local = {2026, 12, 8, 12, 30, seconds_++ % 60, -180};
                return m;
            },
            [this](std::string_view escpos, std::string_view name) {
                papers_.emplace_back(name, thermalsim::print(escpos, thermalsim::kDots80mm).text);
                return std::string();
            });
    }

    void control(const std::string& text) const {
        test::write_file(test::utf8(folder_->path() / "controle.txt"), text);
    }

    Result send(const char* command, const CommandData& data = {}) {
        return backend_->run(command, data);
    }

    // One coupon as the engine sends it: meal 32,90, drinks 8,50, cash 50,00.
    Result sell() {
        CommandData data;
        data.document = "123.456.789-09";
        EXPECT_TRUE(send("ABRE-CUPOM", data).ok());
        for (const auto& [code, description, price] :
             {std::tuple{"0000000000001", "REFEICAO", "32,90"},
              std::tuple{"0000000000002", "BEBIDAS", "8,50"}}) {
            data.item_code = code;
            data.description = description;
            data.unit_price = d(price);
            EXPECT_TRUE(send("VENDE-ITEM", data).ok());
        }
        data.discount_type = "D";
        EXPECT_TRUE(send("INI-FCTO-CPOM", data).ok());
        data.payment = "Dinheiro";
        data.paid = d("50,00");
        EXPECT_TRUE(send("EFET-FORM-PAGTO", data).ok());
        return closing();
    }
    Result closing() {
        CommandData data;
        data.message = message("Vlr aprox.tributos R$  4,99 (12,05%) Fonte=IBPT", "OPERADOR: JOÃO");
        return send("TERM-FECTO-CUPOM", data);
    }

    NumberState state_of(std::uint32_t number) const { return store_->numbers(1).at(number).state; }

    // Every XML kept: valid against its schema; every signature, to xmlsec1.
    void expect_every_xml_valid() const {
        const std::pair<const char*, const char*> schemas[] = {
            {"-procNFe.xml", "procNFe_v4.00.xsd"},
            {"-nfe.xml", "nfe_v4.00.xsd"},
            {"-nfe-rejeitada.xml", "nfe_v4.00.xsd"},
            {"-retorno.xml", "retEnviNFe_v4.00.xsd"},
            {"-consulta.xml", "retConsSitNFe_v4.00.xsd"},
            {"-cancelamento.xml", "envEventoCancNFe_v1.00.xsd"},
            {"-cancelamento-retorno.xml", "retEnvEventoCancNFe_v1.00.xsd"},
        };
        int checked = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder_->path() / "nfce")) {
            if (!entry.is_regular_file() || entry.path().extension() != ".xml") continue;
            const std::string name = test::utf8(entry.path().filename());
            const std::string xml = test::read_file(test::utf8(entry.path()));
            const char* xsd = nullptr;
            std::size_t best = 0;
            for (const auto& [suffix, schema] : schemas)
                if (name.ends_with(suffix) && std::strlen(suffix) > best) {
                    xsd = schema;
                    best = std::strlen(suffix);
                }
            if (name.find("contingencia") == std::string::npos &&
                entry.path().parent_path().filename() == "contingencia")
                xsd = "nfe_v4.00.xsd";
            ASSERT_NE(xsd, nullptr) << name;
            SCOPED_TRACE(name);
            EXPECT_EQ(test::schema_errors(xml, NFCE_SCHEMA_FOLDER, xsd), "");
            ++checked;
            const bool note = xml.find("<infNFe") != std::string::npos;
            const bool event =
                xml.find("<infEvento") != std::string::npos && name.ends_with("-cancelamento.xml");
            if (!note && !event) continue;
            const test::ProgramRun check = test::run_program(
                "xmlsec1",
                {"--verify", "--id-attr:Id", note ? "infNFe" : "infEvento", "--trusted-pem",
                 TestPki::get().file("ca.pem"), test::utf8(entry.path())});
            EXPECT_EQ(check.status, 0) << check.err;
        }
        EXPECT_GT(checked, 0);
    }

    std::unique_ptr<test::ScratchFolder> folder_;
    std::unique_ptr<RunningSefaz> sefaz_;
    Config config_;
    std::unique_ptr<Transport> transport_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<Backend> backend_;
    int seconds_ = 0;
    std::string then_; // the authority's rules once the next note is sent
    std::vector<std::pair<std::string, std::string>> papers_; // key, printed text
};

TEST_F(IssuerTest, EachAnswerOfTheStateEndsTheCouponAsItShould) {
    struct Case {
        const char* name;
        const char* control;
        const char* then; // the rules after the first note
        bool ok;
        std::string msg; // IMPFIS-MSG-1, UTF-8
        NumberState state;
        std::size_t queued;
        const char* printed; // on the DANFE; nullptr: nothing printed
    };
    const Case cases[] = {
        {"authorised", "comportamento=autorizar\n", "", true, "", NumberState::authorised, 0,
         "Protocolo de autoriza"},
        {"rejected",
         "comportamento=rejeitar\nrejeicao=778\nmotivo=Rejeição: Informado NCM inexistente\n", "",
         false, "Rejeição 778: Informado NCM inexistente", NumberState::rejected, 0, nullptr},
        {"no answer", "comportamento=sem-resposta\nespera=20\n", "", true, "",
         NumberState::contingency, 1, "EMITIDA EM CONTINGÊNCIA"},
        {"lost answer, found by the query", "comportamento=resposta-perdida\n",
         "comportamento=autorizar\n", true, "", NumberState::authorised, 0,
         "Protocolo de autoriza"},
        {"lost answer, the query lost too", "comportamento=resposta-perdida\n", "", true, "",
         NumberState::contingency, 1, "EMITIDA EM CONTINGÊNCIA"},
        {"duplicate", "comportamento=duplicada\n", "", true, "", NumberState::authorised, 0,
         "Protocolo de autoriza"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_TRUE(backend_);
        control(c.control);
        then_ = c.then;
        const Result r = sell();
        EXPECT_EQ(r.ok(), c.ok);
        EXPECT_EQ(cp1252_to_utf8(r.texts[2]), c.msg);
        EXPECT_EQ(state_of(1), c.state);
        EXPECT_EQ(store_->queue().size(), c.queued);
        if (c.printed == nullptr) {
            EXPECT_TRUE(papers_.empty());
        } else {
            ASSERT_EQ(papers_.size(), 1U);
            EXPECT_NE(papers_[0].second.find(c.printed), std::string::npos) << papers_[0].second;
            EXPECT_NE(papers_[0].second.find("OPERADOR: JOÃO"), std::string::npos);
        }
        expect_every_xml_valid();
    }
}

TEST_F(IssuerTest, ARejectedNoteIsCorrectedUnderTheSameNumber) {
    control("comportamento=rejeitar\nrejeicao=778\nmotivo=Rejeição: Informado NCM inexistente\n");
    ASSERT_FALSE(sell().ok());
    control("comportamento=autorizar\n");
    // The engine's "try again": the closing alone, with the same message.
    const Result again = closing();
    EXPECT_TRUE(again.ok()) << cp1252_to_utf8(again.texts[2]);
    EXPECT_EQ(state_of(1), NumberState::authorised);
    EXPECT_EQ(store_->numbers(1).size(), 1U);
    EXPECT_FALSE(store_->coupon());
    expect_every_xml_valid();
}

TEST_F(IssuerTest, NotesIssuedOfflineAreSentBeforeTheNextOne) {
    control("comportamento=sem-resposta\nespera=20\n");
    ASSERT_TRUE(sell().ok());
    const std::string offline_key = store_->queue().at(0).key;
    EXPECT_EQ(offline_key[34], '9'); // tpEmis
    control("comportamento=autorizar\n");
    ASSERT_TRUE(sell().ok());
    EXPECT_TRUE(store_->queue().empty());
    EXPECT_EQ(state_of(1), NumberState::authorised);
    EXPECT_EQ(store_->numbers(1).at(1).key, offline_key);
    EXPECT_EQ(state_of(2), NumberState::authorised);
    expect_every_xml_valid();
}

TEST_F(IssuerTest, AnOfflineNoteWhoseNumberWasAuthorisedAfterAllKeepsTheFirstKey) {
    // Sent and authorised, but neither the answer nor the query came back.
    control("comportamento=resposta-perdida\n");
    ASSERT_TRUE(sell().ok());
    ASSERT_EQ(state_of(1), NumberState::contingency);
    const std::string journal =
        test::read_file(test::utf8(folder_->path() / "nfce" / "numeracao" / "serie-001.txt"));
    const std::string first_key = journal.substr(journal.find(" enviada ") + 9, 44);
    ASSERT_EQ(first_key[34], '1');
    control("comportamento=autorizar\n");
    ASSERT_TRUE(sell().ok());
    EXPECT_TRUE(store_->queue().empty());
    EXPECT_EQ(store_->numbers(1).at(1).state, NumberState::authorised);
    EXPECT_EQ(store_->numbers(1).at(1).key, first_key);
    EXPECT_EQ(state_of(2), NumberState::authorised);
}

TEST_F(IssuerTest, CancelsTheLastAuthorisedNoteInTimeAndSaysWhyNotWhenLate) {
    struct Case {
        const char* name;
        const char* control;
        bool ok;
        std::string msg_start;
        NumberState state;
    };
    const Case cases[] = {
        {"in time", "", true, "", NumberState::cancelled},
        {"too late", "prazo-cancelamento=0\n", false, "Rejeição 501: ", NumberState::authorised},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_TRUE(backend_);
        ASSERT_TRUE(sell().ok());
        if (std::string(c.control).empty()) {
            control("");
        } else {
            control(c.control);
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        }
        const Result r = send("CANC-CUPOM");
        EXPECT_EQ(r.ok(), c.ok) << cp1252_to_utf8(r.texts[2]);
        EXPECT_EQ(cp1252_to_utf8(r.texts[2]).substr(0, c.msg_start.size()), c.msg_start);
        EXPECT_LE(r.texts[2].size(), 100U);
        EXPECT_EQ(state_of(1), c.state);
        expect_every_xml_valid();
    }
}

TEST_F(IssuerTest, AQueuedNoteTheStateRefusesKeepsItsNumberAndItsPlace) {
    control("comportamento=sem-resposta\nespera=20\n");
    ASSERT_TRUE(sell().ok());
    control("comportamento=rejeitar\nrejeicao=778\nmotivo=Rejeição: Informado NCM inexistente\n");
    then_ = "comportamento=autorizar\n";
    ASSERT_TRUE(sell().ok());
    EXPECT_EQ(state_of(1), NumberState::contingency);
    EXPECT_NE(store_->numbers(1).at(1).detail.find("rejeitada 778"), std::string::npos);
    EXPECT_EQ(store_->queue().size(), 1U);
    EXPECT_EQ(state_of(2), NumberState::authorised);
    // The cashier's "cancel the last coupon" never reaches back past it.
    control("");
    ASSERT_TRUE(sell().ok());
    ASSERT_TRUE(send("CANC-CUPOM").ok());
    EXPECT_EQ(state_of(3), NumberState::cancelled);
    EXPECT_EQ(cp1252_to_utf8(send("CANC-CUPOM").texts[2]),
              "Nenhuma NFC-e autorizada para cancelar");
    EXPECT_EQ(state_of(2), NumberState::authorised);
}

TEST_F(IssuerTest, TheLastNoteInContingencyIsNotCancelledNorAnOlderOneInItsPlace) {
    ASSERT_TRUE(sell().ok());
    control("comportamento=sem-resposta\nespera=20\n");
    ASSERT_TRUE(sell().ok());
    const Result r = send("CANC-CUPOM");
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(cp1252_to_utf8(r.texts[2]),
              "A última NFC-e (nº 2) ainda não foi autorizada: cancele-a depois de transmitida");
    EXPECT_EQ(state_of(1), NumberState::authorised);
}

TEST_F(IssuerTest, ADanfeThatDidNotPrintIsPrintedAgainWithoutANewNote) {
    const auto printer = [this](bool works) {
        backend_ = std::make_unique<Backend>(
            config_, test::shop_certificate(), *transport_, *store_, now,
            [this, works](std::string_view escpos, std::string_view name) {
                if (!works) return std::string("Impressora sem papel");
                papers_.emplace_back(name, thermalsim::print(escpos, 576).text);
                return std::string();
            });
    };
    printer(false);
    const Result failed = sell();
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(cp1252_to_utf8(failed.texts[2]), "NFC-e autorizada; Impressora sem papel");
    EXPECT_EQ(state_of(1), NumberState::authorised);
    // The engine's "try again": the closing once more.
    EXPECT_FALSE(closing().ok());
    printer(true);
    EXPECT_TRUE(closing().ok());
    ASSERT_EQ(papers_.size(), 1U);
    EXPECT_NE(papers_[0].second.find("Protocolo de autoriza"), std::string::npos);
    EXPECT_EQ(store_->numbers(1).size(), 1U);
    EXPECT_FALSE(closing().ok()); // printed: nothing left to print
}

// Where a process stops in the middle of a note: thrown through the back
// end, which leaves behind only what it had written, as a kill does.
struct Stopped {};
enum class StopAt { before_the_note_leaves, after_the_state_authorised, before_the_danfe_prints };

class StoppingTransport final : public Transport {
  public:
    StoppingTransport(Transport& inner, StopAt at) : inner_(inner), at_(at) {}
    TransportAnswer post(const std::string& url, std::string_view content_type,
                         std::string_view body, std::chrono::milliseconds limit) override {
        const bool note = url.find("NFeAutorizacao4") != std::string::npos;
        if (note && at_ == StopAt::before_the_note_leaves) throw Stopped{};
        TransportAnswer answer = inner_.post(url, content_type, body, limit);
        if (note && at_ == StopAt::after_the_state_authorised) throw Stopped{};
        return answer;
    }

  private:
    Transport& inner_;
    StopAt at_;
};

TEST_F(IssuerTest, ANoteAProcessStoppedInIsFinishedByTheNextNeverIssuedTwice) {
    struct Case {
        const char* name;
        StopAt at;
        const char* rules; // the authority's while the first process runs
    };
    const Case cases[] = {
        {"before the note left", StopAt::before_the_note_leaves, ""},
        {"after the state authorised it", StopAt::after_the_state_authorised, ""},
        {"before its DANFE printed", StopAt::before_the_danfe_prints, ""},
        {"before its offline DANFE printed", StopAt::before_the_danfe_prints,
         "comportamento=sem-resposta\nespera=20\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_TRUE(backend_);
        control(c.rules);
        StoppingTransport stopping(*transport_, c.at);
        backend_ =
            std::make_unique<Backend>(config_, test::shop_certificate(), stopping, *store_, now,
                                      [&c](std::string_view, std::string_view) -> std::string {
                                          if (c.at == StopAt::before_the_danfe_prints)
                                              throw Stopped{};
                                          return {};
                                      });
        EXPECT_THROW(sell(), Stopped);

        // The next process: the first sale's note finished when the second
        // would open.
        control("");
        store_ = std::make_unique<Store>(test::utf8(folder_->path() / "nfce"));
        backend_ = std::make_unique<Backend>(
            config_, test::shop_certificate(), *transport_, *store_, now,
            [this](std::string_view escpos, std::string_view name) {
                papers_.emplace_back(name, thermalsim::print(escpos, 576).text);
                return std::string();
            });
        // The cashier, who may have typed the sale again, is told.
        const Result opening = send("ABRE-CUPOM");
        EXPECT_EQ(cp1252_to_utf8(opening.texts[2]),
                  "Venda interrompida concluída: NFC-e nº 1 emitida e impressa. Confira antes de "
                  "repetir a venda");
        EXPECT_FALSE(store_->coupon());
        const Result next = sell();
        ASSERT_TRUE(next.ok()) << cp1252_to_utf8(next.texts[2]);
        EXPECT_FALSE(store_->coupon());
        EXPECT_TRUE(store_->queue().empty());
        const auto numbers = store_->numbers(1);
        ASSERT_EQ(numbers.size(), 2U);
        EXPECT_EQ(numbers.at(1).state, NumberState::authorised);
        EXPECT_EQ(numbers.at(2).state, NumberState::authorised);
        // Each sale printed once, the first before the second.
        ASSERT_EQ(papers_.size(), 2U);
        EXPECT_NE(papers_[0].first, papers_[1].first);
        // The authority holds one note for each number.
        std::map<std::uint32_t, int> held;
        for (const std::string& line : test::lines_of(
                 test::read_file(test::utf8(folder_->path() / "sefaz" / "autorizadas.txt"))))
            if (line.starts_with("N|"))
                ++held[static_cast<std::uint32_t>(std::stoul(line.substr(2 + 25, 9)))];
        EXPECT_EQ(held, (std::map<std::uint32_t, int>{{1, 1}, {2, 1}}));
        expect_every_xml_valid();
    }
}

// A disk that fills up under the back end, as a file size limit stands for
// it: this process's files may not grow past `bytes` while it lives.
class FullDisk {
  public:
    explicit FullDisk(rlim_t bytes) {
        old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit limit{bytes, old_.rlim_max};
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_signal_);
    }

  private:
    rlimit old_{};
    void (*old_signal_)(int) = SIG_DFL;
};

TEST_F(IssuerTest, AFullDiskNeverSendsANoteItCouldNotKeepNorLosesOneTheStateAuthorised) {
    // The sizes of a note and of its nfeProc, from a first sale.
    ASSERT_TRUE(sell().ok());
    std::uintmax_t note = 0;
    std::uintmax_t proc = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder_->path() / "nfce" / "xml")) {
        const std::string name = test::utf8(entry.path().filename());
        if (name.ends_with("-nfe.xml")) note = entry.file_size();
        if (name.ends_with("-procNFe.xml")) proc = entry.file_size();
    }
    ASSERT_GT(proc, note + 200);
    papers_.clear();
    struct Case {
        const char* name;
        std::uintmax_t room;
        const char* shown;       // the start of what the cashier reads
        NumberState left;        // the number's step until there is room
        std::size_t state_holds; // notes the state holds by then
    };
    const Case cases[] = {
        {"no room for the note", note / 2, "NFC-e não pôde ser gravada em ", NumberState::rejected,
         1},
        {"no room for its nfeProc", (note + proc) / 2,
         "NFC-e autorizada, mas seu XML não pôde ser gravado em ", NumberState::sent, 3},
    };
    std::uint32_t number = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++number;
        {
            const FullDisk full(c.room);
            const Result r = sell();
            EXPECT_EQ(cp1252_to_utf8(r.texts[2]).rfind(c.shown, 0), 0U)
                << cp1252_to_utf8(r.texts[2]);
        }
        EXPECT_EQ(state_of(number), c.left);
        EXPECT_TRUE(papers_.empty());
        EXPECT_EQ(test::lines_of(
                      test::read_file(test::utf8(folder_->path() / "sefaz" / "autorizadas.txt")))
                      .size(),
                  c.state_holds);
        // With room again, the engine's "try again": the same sale, once.
        const Result again = closing();
        EXPECT_TRUE(again.ok()) << cp1252_to_utf8(again.texts[2]);
        EXPECT_EQ(state_of(number), NumberState::authorised);
        EXPECT_EQ(papers_.size(), 1U);
        papers_.clear();
    }
    EXPECT_EQ(store_->numbers(1).size(), 3U);
    EXPECT_EQ(
        test::lines_of(test::read_file(test::utf8(folder_->path() / "sefaz" / "autorizadas.txt")))
            .size(),
        3U);
    expect_every_xml_valid();
}

TEST_F(IssuerTest, CancellingACouponNotYetClosedIssuesNothing) {
    ASSERT_TRUE(send("ABRE-CUPOM").ok());
    ASSERT_TRUE(store_->coupon());
    EXPECT_TRUE(send("CANC-CUPOM").ok());
    EXPECT_FALSE(store_->coupon());
    EXPECT_TRUE(store_->numbers(1).empty());
    const Result none = send("CANC-CUPOM");
    EXPECT_FALSE(none.ok());
    EXPECT_EQ(cp1252_to_utf8(none.texts[2]), "Nenhuma NFC-e autorizada para cancelar");
}

TEST_F(IssuerTest, ACouponBegunInOneProcessIsFinishedByTheNext) {
    CommandData data;
    data.document = "123.456.789-09";
    ASSERT_TRUE(send("ABRE-CUPOM", data).ok());
    data.item_code = "0000000000001";
    data.description = "REFEICAO";
    data.unit_price = d("32,90");
    ASSERT_TRUE(send("VENDE-ITEM", data).ok());
    // A new process: its own store and back end over the same folder.
    store_ = std::make_unique<Store>(test::utf8(folder_->path() / "nfce"));
    backend_ = std::make_unique<Backend>(
        config_, test::shop_certificate(), *transport_, *store_, now,
        [this](std::string_view escpos, std::string_view name) {
            papers_.emplace_back(name, thermalsim::print(escpos, 576).text);
            return std::string();
        });
    data.payment = "Cartao";
    data.paid = d("32,90");
    ASSERT_TRUE(send("EFET-FORM-PAGTO", data).ok());
    ASSERT_TRUE(closing().ok());
    ASSERT_EQ(papers_.size(), 1U);
    EXPECT_NE(papers_[0].second.find("32,90"), std::string::npos);
    EXPECT_NE(papers_[0].second.find("CPF 123.456.789-09"), std::string::npos);
    EXPECT_EQ(papers_[0].second.find("BEBIDAS"), std::string::npos);
}

TEST_F(IssuerTest, ANumberLeftSentByAStoppedProcessIsAskedAboutBeforeAnyOther) {
    struct Case {
        const char* name;
        bool reached_the_state;
        std::uint32_t new_number;
    };
    const Case cases[] = {{"never reached the state", false, 1},
                          {"authorised", true, 2},
                          {"issued offline, the journal not yet saying so", true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        ASSERT_TRUE(backend_);
        std::string key = "35261212345678000195650010000000011000000011";
        const bool offline = std::string(c.name).starts_with("issued offline");
        if (c.reached_the_state) {
            // Authorised (or queued), then the journal cut back to "sent",
            // as a stop before the outcome was written leaves it.
            if (offline) control("comportamento=sem-resposta\nespera=20\n");
            ASSERT_TRUE(sell().ok());
            control("");
            key = store_->numbers(1).at(1).key;
            const fs::path journal = folder_->path() / "nfce" / "numeracao" / "serie-001.txt";
            std::string text = test::read_file(test::utf8(journal));
            text.resize(text.find(offline ? " contingencia " : " autorizada "));
            text.resize(text.rfind('\n') + 1);
            test::write_file(test::utf8(journal), text);
            papers_.clear();
        } else {
            ASSERT_EQ(store_->reserve(1), 1U);
            ASSERT_TRUE(store_->mark(1, 1, NumberState::sent, key));
        }
        ASSERT_EQ(store_->unresolved(1).size(), 1U);
        ASSERT_TRUE(sell().ok());
        EXPECT_TRUE(store_->unresolved(1).empty());
        EXPECT_EQ(state_of(c.new_number), NumberState::authorised);
        EXPECT_EQ(store_->numbers(1).size(), c.new_number);
        EXPECT_EQ(store_->numbers(1).at(1).key == key, c.reached_the_state);
    }
}

TEST_F(IssuerTest, TheReadingsShowTheStateTheQueueAndTheDay) {
    ASSERT_TRUE(sell().ok());
    control("comportamento=sem-resposta\nespera=20\n");
    ASSERT_TRUE(sell().ok());
    struct Case {
        const char* command;
        const char* rules; // the authority's
        std::vector<std::string> lines;
    };
    // Each reading tries the queue first; the X reading while the state is
    // silent counts it still waiting.
    const Case cases[] = {
        {"LEITURAX",
         "comportamento=sem-resposta\nespera=20\n",
         {"LEITURA X", "SEFAZ sem resposta", "Fila de contingência não enviada",
          "NFC-e em contingência na fila: 1", "A mais antiga há 0 h", "Autorizadas: 1",
          "Em contingência: 1", "Total do dia R$ 82,80"}},
        {"LEITURAX",
         "",
         {"LEITURA X", "SEFAZ: 107 Serviço em Operação", "NFC-e em contingência na fila: 0",
          "Autorizadas: 2", "Em contingência: 0", "Total do dia R$ 82,80"}},
        {"REDUCAOZ",
         "",
         {"REDUÇÃO Z - RESUMO DO DIA", "NFC-e em contingência na fila: 0", "Autorizadas: 2",
          "Em contingência: 0", "Total do dia R$ 82,80"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        control(c.rules);
        papers_.clear();
        const Result r = send(c.command);
        EXPECT_TRUE(r.ok()) << cp1252_to_utf8(r.texts[2]);
        ASSERT_EQ(papers_.size(), 1U);
        for (const std::string& line : c.lines)
            EXPECT_NE(papers_[0].second.find(line), std::string::npos) << line << "\n"
                                                                       << papers_[0].second;
    }
}

TEST_F(IssuerTest, AQueuedNoteOlderThanADaySpeaksUp) {
    ASSERT_TRUE(store_->enqueue("35261212345678000195650010000000019000000011", "<NFe/>",
                                std::time(nullptr) - 25 * 3600));
    const Result r = send("LEITURAX");
    EXPECT_FALSE(r.ok());
    EXPECT_NE(cp1252_to_utf8(r.texts[2]).find("há mais de 24 horas"), std::string::npos);
    ASSERT_EQ(papers_.size(), 1U);
    EXPECT_NE(papers_[0].second.find("ATENÇÃO: CONTINGÊNCIA HÁ MAIS DE 24 HORAS"),
              std::string::npos)
        << papers_[0].second;
    EXPECT_NE(papers_[0].second.find("A mais antiga há 25 h"), std::string::npos);
}

TEST(IssuerPrinter, TheConfiguredPrinterWritesThePaperOrSaysWhyNot) {
    test::ScratchFolder folder("qv-nfce-printer");
    test::EnvGuard guard("THERMALSIM_DIR");
    test::set_env("THERMALSIM_DIR", folder.path() / "termica");
    Config config;
    const std::string escpos = "\x1b@\x1bt\x10Ol\xe1\n"; // Windows-1252 page
    struct Case {
        std::string printer;
        bool printed;
        fs::path written;
    } cases[] = {
        {"simulada", true, folder.path() / "termica" / "chave.txt"},
        {test::utf8(folder.path() / "porta"), true, folder.path() / "porta"},
        {test::utf8(folder.path() / "sem" / "porta"), false, {}},
        {"192.168.0.50:9100", false, {}},
        {"COM1", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printer);
        config.printer = c.printer;
        const std::string error = configured_printer(config)(escpos, "chave");
        EXPECT_EQ(error.empty(), c.printed) << error;
        if (!c.printed) continue;
        const std::string text = test::read_file(test::utf8(c.written));
        EXPECT_EQ(text, c.printer == "simulada" ? std::string("Olá\n") : escpos);
    }
    EXPECT_TRUE(fs::exists(folder.path() / "termica" / "chave.png"));
    EXPECT_FALSE(fs::exists("192.168.0.50:9100"));
}

TEST(IssuerText, TheRejectionKeepsTheStatesWordsCutToTheField) {
    const std::string long_reason(150, 'x');
    struct Case {
        int cstat;
        std::string reason;
        std::string text;
    } cases[] = {
        {778, "Rejeição: Informado NCM inexistente", "Rejeição 778: Informado NCM inexistente"},
        {539, "Duplicidade de NF-e", "Rejeição 539: Duplicidade de NF-e"},
        {999, long_reason, ("Rejeição 999: " + long_reason).substr(0, 102)},
    };
    for (const Case& c : cases) {
        const std::string text = detail::rejection_text(c.cstat, c.reason);
        EXPECT_LE(text.size(), 100U);
        EXPECT_EQ(cp1252_to_utf8(text), c.text);
    }
}

TEST(IssuerText, TheTaxLinesAmountIsRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT", "20"},
        {"Vlr aprox.tributos R$  0,50 ( 9,87%) Fonte=IBPT", "0,5"},
        {"Valor aprox. tributos R$ 1.234,99 (12,34%)", "1234,99"},
        {"sem valor", "0"},
    };
    for (const auto& [line, amount] : cases)
        EXPECT_EQ(detail::tax_of_line(line), d(amount)) << line;
}

} // namespace
} // namespace qv::nfce
