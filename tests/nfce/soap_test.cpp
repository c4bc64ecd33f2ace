// The web services' SOAP side without a network: envelopes, actions, the
// requests against the schemas, answers read into typed results, and the
// client's use of its transport.
#include "nfce/config.h"
#include "nfce/soap.h"
#include "tests/nfce/schema_check.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

constexpr const char* kKey = "35261212345678000195650010000000101000012340";

TEST(Soap, EachServiceHasItsNamespaceOperationAndAction) {
    struct Case {
        Service service;
        const char* operation;
    };
    const Case cases[] = {
        {Service::status, "nfeStatusServicoNF"},     {Service::authorization, "nfeAutorizacaoLote"},
        {Service::protocol_query, "nfeConsultaNF"},  {Service::event, "nfeRecepcaoEvento"},
        {Service::disablement, "nfeInutilizacaoNF"},
    };
    for (const Case& c : cases) {
        const std::string name(kServiceNames.at(static_cast<std::size_t>(c.service)));
        SCOPED_TRACE(name);
        const std::string ns = "http://www.portalfiscal.inf.br/nfe/wsdl/" + name;
        EXPECT_EQ(wsdl_namespace(c.service), ns);
        EXPECT_EQ(soap_operation(c.service), c.operation);
        EXPECT_EQ(soap_content_type(c.service),
                  "application/soap+xml; charset=utf-8; action=\"" + ns + "/" + c.operation + "\"");
        const std::string envelope =
            soap_envelope(c.service, "<?xml version=\"1.0\"?>\n<consStatServ/>");
        EXPECT_NE(envelope.find("<soap12:Body><nfeDadosMsg xmlns=\"" + ns +
                                "\"><consStatServ/></nfeDadosMsg></soap12:Body>"),
                  std::string::npos)
            << envelope;
        EXPECT_EQ(envelope.find("<?xml", 1), std::string::npos);
    }
}

TEST(Soap, RequestsFollowTheSchemas) {
    struct Case {
        std::string xml;
        const char* xsd;
    };
    const Case cases[] = {
        {status_request(Environment::homologation, 35), "consStatServ_v4.00.xsd"},
        {protocol_query_request(Environment::production, kKey), "consSitNFe_v4.00.xsd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xsd);
        EXPECT_EQ(test::schema_errors(c.xml, NFCE_SCHEMA_FOLDER, c.xsd), "") << c.xml;
    }
    // The signed messages need their signature first: their ids and escaping here.
    const std::string event =
        cancel_event(Environment::homologation, 35, "12345678000195", kKey, "135260000000001",
                     "Erro de <digitação> & troco", "2026-12-08T15:45:00-03:00");
    EXPECT_NE(event.find("Id=\"ID110111" + std::string(kKey) + "01\""), std::string::npos);
    EXPECT_NE(event.find("<xJust>Erro de &lt;digitação&gt; &amp; troco</xJust>"),
              std::string::npos);
    const std::string disablement = disablement_request(Environment::homologation, 35, 2026,
                                                        "12345678000195", 1, 5, 9, "Falha");
    const auto id_at = disablement.find("Id=\"");
    ASSERT_NE(id_at, std::string::npos);
    // ID, cUF, year, CNPJ, model, series, first and last number: 41 digits
    EXPECT_EQ(disablement.substr(id_at + 4, 44), "ID35"
                                                 "26"
                                                 "12345678000195"
                                                 "65"
                                                 "001"
                                                 "000000005"
                                                 "000000009\"");
    EXPECT_NE(authorization_request("42", "<?xml version=\"1.0\"?><NFe/>")
                  .find("<idLote>42</idLote><indSinc>1</indSinc><NFe/></enviNFe>"),
              std::string::npos);
}

TEST(Soap, AnswersAreReadIntoTypedResults) {
    const std::string nfe = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
    struct Case {
        const char* name;
        std::string xml;
        TransportError error;
        int cstat;
        int protocol_cstat; // 0: none
        const char* number;
        const char* digest;
    };
    const Case cases[] = {
        {"authorised",
         "<retEnviNFe " + nfe +
             " versao=\"4.00\"><tpAmb>2</tpAmb><cStat>104</cStat>"
             "<xMotivo>Lote processado</xMotivo><dhRecbto>2026-12-08T15:00:00-03:00</dhRecbto>"
             "<protNFe versao=\"4.00\"><infProt><chNFe>" +
             std::string(kKey) +
             "</chNFe><dhRecbto>2026-12-08T15:00:00-03:00</dhRecbto><nProt>"
             "135260000000001</nProt><digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado"
             "</xMotivo></infProt></protNFe></retEnviNFe>",
         TransportError::none, 104, 100, "135260000000001", "abc="},
        {"event",
         "<retEnvEvento " + nfe +
             " versao=\"1.00\"><cStat>128</cStat><retEvento versao="
             "\"1.00\"><infEvento><cStat>135</cStat><xMotivo>Evento "
             "registrado</xMotivo><dhRegEvento>"
             "2026-12-08T15:00:00-03:00</dhRegEvento><nProt>135260000000002</nProt></infEvento>"
             "</retEvento></retEnvEvento>",
         TransportError::none, 128, 135, "135260000000002", ""},
        {"disablement",
         "<retInutNFe " + nfe +
             " versao=\"4.00\"><infInut><cStat>102</cStat>"
             "<xMotivo>Inutilização de número homologado</xMotivo><dhRecbto>x</dhRecbto><nProt>"
             "135260000000003</nProt></infInut></retInutNFe>",
         TransportError::none, 102, 102, "135260000000003", ""},
        {"status", "<retConsStatServ " + nfe + "><cStat>107</cStat></retConsStatServ>",
         TransportError::none, 107, 0, "", ""},
        {"no cStat", "<retConsStatServ " + nfe + "/>", TransportError::other, 0, 0, "", ""},
        {"a bad cStat", "<retConsStatServ><cStat>1x</cStat></retConsStatServ>",
         TransportError::other, 0, 0, "", ""},
        {"not XML", "<retConsStatServ", TransportError::other, 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SefazAnswer answer = read_answer(c.xml);
        EXPECT_EQ(answer.error, c.error);
        EXPECT_EQ(answer.cstat, c.cstat);
        ASSERT_EQ(answer.protocol.has_value(), c.protocol_cstat != 0);
        if (!answer.protocol) continue;
        EXPECT_EQ(answer.protocol->cstat, c.protocol_cstat);
        EXPECT_EQ(answer.protocol->number, c.number);
        EXPECT_EQ(answer.protocol->digest, c.digest);
        EXPECT_FALSE(answer.protocol->received_at.empty());
    }
}

TEST(Soap, TheResultKeepsTheNamespaceItsEnvelopeDeclared) {
    // Prefixes declared on the envelope, as some authorities answer.
    const std::string envelope =
        "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:n=\"http://www.portalfiscal.inf.br/nfe\"><env:Body><r:nfeResultMsg "
        "xmlns:r=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"
        "<n:retConsStatServ versao=\"4.00\"><n:cStat>107</n:cStat></n:retConsStatServ>"
        "</r:nfeResultMsg></env:Body></env:Envelope>";
    const auto result = soap_result(envelope);
    ASSERT_TRUE(result);
    EXPECT_NE(result->find("xmlns:n=\"http://www.portalfiscal.inf.br/nfe\""), std::string::npos)
        << *result;
    EXPECT_EQ(read_answer(*result).cstat, 107);
    EXPECT_FALSE(soap_result("<env:Envelope xmlns:env=\"x\"><env:Body/></env:Envelope>"));
    EXPECT_EQ(soap_fault("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body>"
                         "<e:Fault><e:Reason><e:Text>Pedido inválido</e:Text></e:Reason>"
                         "</e:Fault></e:Body></e:Envelope>"),
              "Pedido inválido");
}

// A transport that records what it was given and answers as told.
class ScriptedTransport final : public Transport {
  public:
    TransportAnswer post(const std::string& to, std::string_view type, std::string_view sent,
                         std::chrono::milliseconds within) override {
        url = to;
        content_type = type;
        body = sent;
        limit = within;
        return answer;
    }
    TransportAnswer answer;
    std::string url, content_type, body;
    std::chrono::milliseconds limit{};
};

TEST(SefazClientOverATransport, PostsToTheConfiguredAddressWithinTheContingencyTime) {
    Config config;
    config.issuer.uf = "SP";
    config.contingency_seconds = 7;
    config.addresses["NFeStatusServico4"] = "https://sefaz.example/status";
    ScriptedTransport transport;
    transport.answer.http_status = 200;
    transport.answer.body = soap_envelope(
        Service::status, "<retConsStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                         "<cStat>107</cStat><xMotivo>Serviço em Operação</xMotivo>"
                         "</retConsStatServ>");
    // (the envelope of a request stands in for the answer's: only nfeResultMsg differs)
    transport.answer.body.replace(transport.answer.body.find("nfeDadosMsg"), 11, "nfeResultMsg");
    transport.answer.body.replace(transport.answer.body.rfind("nfeDadosMsg"), 11, "nfeResultMsg");
    SefazClient client(config, transport);

    const SefazAnswer answer = client.status();
    EXPECT_EQ(transport.url, "https://sefaz.example/status");
    EXPECT_EQ(transport.content_type, soap_content_type(Service::status));
    EXPECT_EQ(transport.limit, std::chrono::seconds(7));
    EXPECT_NE(transport.body.find("<cUF>35</cUF>"), std::string::npos);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(answer.cstat, 107);
    EXPECT_EQ(answer.reason, "Serviço em Operação");

    struct Case {
        const char* name;
        TransportAnswer posted;
        TransportError error;
        const char* detail_part;
    };
    const Case cases[] = {
        {"a fault",
         {TransportError::http_status, 500,
          "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body>"
          "<e:Fault><e:Reason><e:Text>Falhou</e:Text></e:Reason></e:Fault></e:Body>"
          "</e:Envelope>",
          "HTTP 500"},
         TransportError::http_status,
         "HTTP 500: Falhou"},
        {"no result",
         {TransportError::none, 200, "<html/>", ""},
         TransportError::other,
         "nfeResultMsg"},
        {"a timeout",
         {TransportError::timeout, 0, "", "Operation timed out"},
         TransportError::timeout,
         "timed out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport.answer = c.posted;
        const SefazAnswer failed = client.status();
        EXPECT_FALSE(failed.answered());
        EXPECT_EQ(failed.error, c.error);
        EXPECT_NE(failed.detail.find(c.detail_part), std::string::npos) << failed.detail;
    }
    // No address for the service (a state the table does not know): nothing is posted.
    config.issuer.uf = "ZZ";
    transport.url.clear();
    EXPECT_EQ(client.query(kKey).error, TransportError::no_connection);
    EXPECT_EQ(transport.url, "");
}

} // namespace
} // namespace qv::nfce
