// The stand-in tax authority and the client over real HTTPS on the
// loopback: each behaviour's typed result, schema-valid answers, the
// records kept across a restart, refused certificates, the time limit.
#include "sefaz_fixture.h"
#include "tests/nfce/schema_check.h"

#include <chrono>
#include <functional>

namespace qv::test {
namespace {

using nfce::SefazAnswer;
using nfce::SefazClient;
using nfce::TransportError;

constexpr const char* kDigest = "2jmj7l5rSw0yVb/vlWAYkK/YBwk=";

// An access key of the test shop: series 1, `number`, code `code`.
std::string key_of(int number, int code) {
    std::string n = std::to_string(number);
    std::string c = std::to_string(code);
    return "35"
           "2612"
           "12345678000195"
           "65"
           "001" +
           std::string(9 - n.size(), '0') + n + "1" + std::string(8 - c.size(), '0') + c + "0";
}

// A signed note as far as the authority reads it: the key, the
// environment and the signature's digest.
std::string note(const std::string& key, const std::string& digest = kDigest) {
    return "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe" + key +
           "\" versao=\"4.00\"><ide><cUF>35</cUF><tpAmb>2</tpAmb></ide></infNFe>"
           "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo><Reference>"
           "<DigestValue>" +
           digest + "</DigestValue></Reference></SignedInfo></Signature></NFe>";
}

std::string cancellation(const std::string& key, const std::string& protocol) {
    return nfce::cancel_event(nfce::Environment::homologation, 35, "12345678000195", key, protocol,
                              "Cliente desistiu da compra", "2026-12-08T15:45:00-03:00");
}

class SefazTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { pki_ = &TestPki::get(); }
    void SetUp() override {
        if (!pki_->missing().empty()) GTEST_SKIP() << pki_->missing();
    }

    sefazsim::Options options() const { return stand_in_options(folder_.path()); }
    void control(const std::string& text) const {
        std::ofstream(folder_.path() / "controle.txt", std::ios::binary | std::ios::trunc) << text;
    }
    static nfce::TlsSettings shop() {
        return {read_file(pki_->file("a1.pem")), read_file(pki_->file("a1.key")),
                pki_->file("ca.pem")};
    }
    std::string log() const { return read_file(folder_.path() / "sefaz" / "sefaz-simulada.log"); }

    static const TestPki* pki_;
    ScratchFolder folder_{"qv-sefaz"};
};
const TestPki* SefazTest::pki_ = nullptr;

void expect_valid(const SefazAnswer& answer, const char* xsd) {
    EXPECT_EQ(schema_errors(answer.xml, NFCE_SCHEMA_FOLDER, xsd), "") << answer.xml;
}

TEST_F(SefazTest, EachServiceAnswersWithItsTypedResultAndAValidDocument) {
    struct Case {
        const char* name;
        const char* control;
        std::function<SefazAnswer(SefazClient&)> call;
        int cstat;
        int protocol_cstat; // 0: no protocol
        bool numbered;      // the protocol has an nProt
        const char* xsd;
    };
    const Case cases[] = {
        {"status", "", [](SefazClient& c) { return c.status(); }, 107, 0, false,
         "retConsStatServ_v4.00.xsd"},
        {"authorised", "comportamento=autorizar\n",
         [](SefazClient& c) { return c.authorize(note(key_of(1, 11)), "1"); }, 104, 100, true,
         "retEnviNFe_v4.00.xsd"},
        {"rejected",
         "comportamento=rejeitar\nrejeicao=778\nmotivo=Rejeição: Informado NCM "
         "inexistente\n",
         [](SefazClient& c) { return c.authorize(note(key_of(2, 12)), "2"); }, 104, 778, false,
         "retEnviNFe_v4.00.xsd"},
        {"a digest that is not base64", "",
         [](SefazClient& c) { return c.authorize(note(key_of(5, 15), "a|b"), "3"); }, 225, 0, false,
         "retEnviNFe_v4.00.xsd"},
        {"unknown note", "", [](SefazClient& c) { return c.query(key_of(3, 13)); }, 217, 0, false,
         "retConsSitNFe_v4.00.xsd"},
        {"cancelling an unknown note", "",
         [](SefazClient& c) {
             return c.send_event(cancellation(key_of(4, 14), "135260000000001"), "7");
         },
         128, 217, false, "retEnvEventoCancNFe_v1.00.xsd"},
        {"disablement", "",
         [](SefazClient& c) {
             return c.disable(nfce::disablement_request(nfce::Environment::homologation, 35, 26,
                                                        "12345678000195", 1, 5, 9,
                                                        "Falha do sistema na emissão"));
         },
         102, 102, true, "retInutNFe_v4.00.xsd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("qv-sefaz-case");
        sefazsim::Options o = options();
        o.folder = folder.path();
        control(c.control);
        RunningSefaz sefaz(o);
        const nfce::Config config = client_config(sefaz.port(), 10);
        const auto transport = nfce::make_https_transport(shop());
        SefazClient client(config, *transport);
        const SefazAnswer answer = c.call(client);
        ASSERT_EQ(answer.error, TransportError::none) << answer.detail;
        EXPECT_EQ(answer.http_status, 200);
        EXPECT_EQ(answer.cstat, c.cstat) << answer.reason;
        EXPECT_EQ(answer.received_at.empty(), c.protocol_cstat == 217 && c.cstat == 128);
        ASSERT_EQ(answer.protocol.has_value(), c.protocol_cstat != 0);
        if (answer.protocol) {
            EXPECT_EQ(answer.protocol->cstat, c.protocol_cstat) << answer.protocol->reason;
            EXPECT_EQ(answer.protocol->number.size(), c.numbered ? 15U : 0U);
        }
        expect_valid(answer, c.xsd);
    }
}

TEST_F(SefazTest, AuthorisesOnceAndReportsDuplicatesAsTheManualSays) {
    RunningSefaz sefaz(options());
    const nfce::Config config = client_config(sefaz.port(), 10);
    const auto transport = nfce::make_https_transport(shop());
    SefazClient client(config, *transport);
    const std::string key = key_of(10, 1234);

    const SefazAnswer first = client.authorize(note(key), "1");
    ASSERT_TRUE(first.answered()) << first.detail;
    ASSERT_TRUE(first.protocol);
    EXPECT_EQ(first.protocol->cstat, 100);
    EXPECT_EQ(first.protocol->digest, kDigest);
    EXPECT_NE(first.protocol->xml.find("<protNFe"), std::string::npos);
    const std::string number = first.protocol->number;

    struct Case {
        const char* name;
        std::string key;
        int cstat;
        std::string reason_part;
    };
    const Case cases[] = {
        {"the same key again", key, 204, "[nProt:" + number + "]"},
        {"the same number under another key", key_of(10, 9999), 539, "[chNFe:" + key + "]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SefazAnswer again = client.authorize(note(c.key), "2");
        ASSERT_TRUE(again.answered()) << again.detail;
        ASSERT_TRUE(again.protocol);
        EXPECT_EQ(again.protocol->cstat, c.cstat);
        EXPECT_NE(again.protocol->reason.find(c.reason_part), std::string::npos)
            << again.protocol->reason;
        EXPECT_EQ(again.protocol->number, "");
        expect_valid(again, "retEnviNFe_v4.00.xsd");
    }
    const SefazAnswer found = client.query(key);
    ASSERT_TRUE(found.answered()) << found.detail;
    EXPECT_EQ(found.cstat, 100);
    ASSERT_TRUE(found.protocol);
    EXPECT_EQ(found.protocol->number, number);
    EXPECT_EQ(found.protocol->digest, kDigest);
    expect_valid(found, "retConsSitNFe_v4.00.xsd");

    // A duplicate asked for: a new note answered 204, its protocol found by the query.
    control("comportamento=duplicada\n");
    const std::string other = key_of(11, 4321);
    const SefazAnswer duplicate = client.authorize(note(other), "3");
    ASSERT_TRUE(duplicate.protocol) << duplicate.detail;
    EXPECT_EQ(duplicate.protocol->cstat, 204);
    const SefazAnswer recovered = client.query(other);
    ASSERT_TRUE(recovered.protocol) << recovered.detail;
    EXPECT_EQ(recovered.cstat, 100);
    EXPECT_NE(duplicate.protocol->reason.find("[nProt:" + recovered.protocol->number + "]"),
              std::string::npos)
        << duplicate.protocol->reason;
}

TEST_F(SefazTest, ALostAnswerWasAuthorisedAndTheQueryFindsItsProtocol) {
    RunningSefaz sefaz(options());
    const nfce::Config config = client_config(sefaz.port(), 10);
    const auto transport = nfce::make_https_transport(shop());
    SefazClient client(config, *transport);
    const std::string key = key_of(20, 77);

    control("comportamento=resposta-perdida\n");
    const SefazAnswer lost = client.authorize(note(key), "1");
    EXPECT_EQ(lost.error, TransportError::connection_lost) << lost.detail;
    EXPECT_FALSE(lost.answered());

    control("comportamento=autorizar\n");
    const SefazAnswer found = client.query(key);
    ASSERT_TRUE(found.answered()) << found.detail;
    EXPECT_EQ(found.cstat, 100);
    ASSERT_TRUE(found.protocol);
    EXPECT_EQ(found.protocol->number.size(), 15U);
    const SefazAnswer again = client.authorize(note(key), "2");
    ASSERT_TRUE(again.protocol);
    EXPECT_EQ(again.protocol->cstat, 204);
    EXPECT_NE(again.protocol->reason.find(found.protocol->number), std::string::npos);
    EXPECT_NE(log().find("resposta perdida"), std::string::npos);
}

TEST_F(SefazTest, CancelsInTimeOnceAndRefusesLateOrWrongCancellations) {
    // One note authorised an hour ago, recorded before this start, so the
    // records of an earlier run are read as well.
    const auto hour_ago = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count() -
                          3600;
    const std::string old_key = key_of(30, 1);
    std::filesystem::create_directories(options().folder);
    std::ofstream(options().folder / "autorizadas.txt")
        << "N|" << old_key << "|2|135260000000001|2026-12-08T14:00:00-03:00|" << kDigest << "|"
        << hour_ago << "\n";
    control("prazo-cancelamento=1800\n");
    RunningSefaz sefaz(options());
    const nfce::Config config = client_config(sefaz.port(), 10);
    const auto transport = nfce::make_https_transport(shop());
    SefazClient client(config, *transport);

    const std::string key = key_of(31, 2);
    const SefazAnswer authorised = client.authorize(note(key), "1");
    ASSERT_TRUE(authorised.protocol);
    const std::string number = authorised.protocol->number;

    struct Case {
        const char* name;
        std::string key;
        std::string protocol;
        int cstat;
    };
    const Case cases[] = {
        {"another protocol", key, "135269999999999", 222},
        {"in time", key, number, 135},
        {"twice", key, number, 573},
        {"too late", old_key, "135260000000001", 501},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SefazAnswer answer = client.send_event(cancellation(c.key, c.protocol), "5");
        ASSERT_TRUE(answer.answered()) << answer.detail;
        EXPECT_EQ(answer.cstat, 128);
        ASSERT_TRUE(answer.protocol);
        EXPECT_EQ(answer.protocol->cstat, c.cstat) << answer.protocol->reason;
        EXPECT_EQ(answer.protocol->number.empty(), c.cstat != 135);
        expect_valid(answer, "retEnvEventoCancNFe_v1.00.xsd");
    }
    const SefazAnswer cancelled = client.query(key);
    EXPECT_EQ(cancelled.cstat, 101);
    expect_valid(cancelled, "retConsSitNFe_v4.00.xsd");
}

TEST_F(SefazTest, ARestartFindsWhatWasAuthorised) {
    const std::string key = key_of(40, 5);
    std::string number;
    {
        RunningSefaz sefaz(options());
        const auto transport = nfce::make_https_transport(shop());
        const nfce::Config config = client_config(sefaz.port(), 10);
        SefazClient client(config, *transport);
        const SefazAnswer answer = client.authorize(note(key), "1");
        ASSERT_TRUE(answer.protocol);
        number = answer.protocol->number;
    }
    RunningSefaz sefaz(options());
    const auto transport = nfce::make_https_transport(shop());
    const nfce::Config config = client_config(sefaz.port(), 10);
    SefazClient client(config, *transport);
    const SefazAnswer found = client.query(key);
    ASSERT_TRUE(found.protocol) << found.detail;
    EXPECT_EQ(found.protocol->number, number);
    // and numbers the next protocol after it
    const SefazAnswer next = client.authorize(note(key_of(41, 6)), "2");
    ASSERT_TRUE(next.protocol);
    EXPECT_GT(next.protocol->number, number);
}

TEST_F(SefazTest, RefusedCertificatesOnEitherSide) {
    struct Case {
        const char* name;
        bool client_certificate;
        bool server_of_other_authority;
    };
    const Case cases[] = {
        {"client without certificate", false, false},
        {"server certificate from an untrusted authority", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder("qv-sefaz-case");
        sefazsim::Options o = options();
        o.folder = folder.path();
        if (c.server_of_other_authority) {
            o.cert_file = pki_->other("server.pem");
            o.key_file = pki_->other("server.key");
        }
        RunningSefaz sefaz(o);
        nfce::TlsSettings settings = shop();
        if (!c.client_certificate) settings.client_certificate_pem = settings.client_key_pem = "";
        const auto transport = nfce::make_https_transport(settings);
        const nfce::Config config = client_config(sefaz.port(), 10);
        SefazClient client(config, *transport);
        const SefazAnswer answer = client.status();
        EXPECT_FALSE(answer.answered());
        if (c.server_of_other_authority) {
            EXPECT_EQ(answer.error, TransportError::tls) << answer.detail;
        } else {
            // Under TLS 1.3 the refusal may reach the client as a reset.
            EXPECT_TRUE(answer.error == TransportError::tls ||
                        answer.error == TransportError::connection_lost)
                << answer.detail;
            // The server logs the refusal on its own thread, which may come
            // after the client has already seen the reset.
            bool logged = false;
            for (int i = 0; i < 100 && !logged; ++i) {
                logged = read_file(folder.path() / "sefaz-simulada.log").find("conexão recusada") !=
                         std::string::npos;
                if (!logged) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            EXPECT_TRUE(logged);
        }
    }
}

TEST_F(SefazTest, NoAnswerEndsAtTheTimeLimitAndNothingListeningIsNoConnection) {
    const auto transport = nfce::make_https_transport(shop());
    int free_port = 0;
    {
        control("comportamento=sem-resposta\nespera=60\n");
        RunningSefaz sefaz(options());
        free_port = sefaz.port();
        const nfce::Config config = client_config(sefaz.port(), 2);
        SefazClient client(config, *transport);
        const auto start = std::chrono::steady_clock::now();
        const SefazAnswer answer = client.status();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(answer.error, TransportError::timeout) << answer.detail;
        EXPECT_GE(took, std::chrono::milliseconds(1900));
        EXPECT_LT(took, std::chrono::seconds(6));
    }
    const nfce::Config config = client_config(free_port, 2);
    SefazClient client(config, *transport);
    EXPECT_EQ(client.status().error, TransportError::no_connection);
}

TEST(SefazRules, ControlFileTextOverTheStartingRules) {
    struct Case {
        const char* text;
        bool good;
        sefazsim::Behaviour behaviour;
        int code;
        long limit;
    };
    const Case cases[] = {
        {"", true, sefazsim::Behaviour::authorise, 999, 1800},
        {"# comentário\n\ncomportamento=rejeitar\r\nrejeicao=539\n", true,
         sefazsim::Behaviour::reject, 539, 1800},
        {"comportamento=sem-resposta\nprazo-cancelamento=0", true, sefazsim::Behaviour::no_answer,
         999, 0},
        {"comportamento=resposta-perdida\n", true, sefazsim::Behaviour::lost_answer, 999, 1800},
        {"comportamento=duplicada\nmotivo=Rejeição: X\n", true, sefazsim::Behaviour::duplicate, 999,
         1800},
        {"comportamento=outro\n", false, {}, 0, 0},
        {"rejeicao=99\n", false, {}, 0, 0},
        {"rejeicao=5x9\n", false, {}, 0, 0},
        {"espera=-1\n", false, {}, 0, 0},
        {"sem igual\n", false, {}, 0, 0},
        {"chave=1\n", false, {}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto rules = sefazsim::parse_rules(c.text, {}, &error);
        ASSERT_EQ(rules.has_value(), c.good);
        if (!c.good) {
            EXPECT_NE(error.find("linha"), std::string::npos);
            continue;
        }
        EXPECT_EQ(rules->behaviour, c.behaviour);
        EXPECT_EQ(rules->rejection_code, c.code);
        EXPECT_EQ(rules->cancel_limit_seconds, c.limit);
    }
}

TEST_F(SefazTest, TheProgramPrintsItsPortAndServesUntilItsInputCloses) {
    ScratchFolder folder("qv-sefaz-program");
    ProgramSession program(SEFAZ_PROGRAM,
                           {"--ca", pki_->file("ca.pem"), "--cert", pki_->file("server.pem"),
                            "--key", pki_->file("server.key"), "--port", "0", "--pasta",
                            folder.text(), "--fim-com-entrada"});
    ASSERT_TRUE(program.started());
    std::string line;
    while (line.find('\n') == std::string::npos) {
        const std::string got = program.receive(1, 30);
        if (got.empty()) break;
        line += got;
    }
    ASSERT_FALSE(line.empty());
    const int port = std::stoi(line);
    ASSERT_GT(port, 0);
    const auto transport = nfce::make_https_transport(shop());
    const nfce::Config config = client_config(port, 10);
    SefazClient client(config, *transport);
    EXPECT_EQ(client.status().cstat, 107);
    EXPECT_EQ(program.finish(), 0);
    EXPECT_NE(read_file(folder.path() / "sefaz-simulada.log").find("NFeStatusServico4 cStat=107"),
              std::string::npos);
}

} // namespace
} // namespace qv::test
