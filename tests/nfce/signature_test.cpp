#include "nfce/signature.h"

#include "nfce/note.h"
#include "tests/nfce/sample_config.h"
#include "tests/nfce/shop.h"
#include "tests/nfce/xml_check.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

using test::TestPki;

// The sample configuration, issued by the holder of the tests' certificate.
Config config() {
    std::string text = test::kSampleConfig;
    text.replace(text.find("CNPJ=11222333000181"), 19, std::string("CNPJ=") + test::kPkiCnpj);
    const ConfigResult r = parse_config(text, "nfce.conf");
    EXPECT_TRUE(r.config);
    return *r.config;
}

Decimal d(const char* text) {
    return *Decimal::parse(text);
}

// What xmlsec1 says of the document's signature of `element` (by its Id),
// trusting the tests' authority; its exit status and its words.
test::ProgramRun xmlsec1_verify(const std::string& xml, const char* element) {
    static int n = 0;
    const std::string file = TestPki::get().file("assinado-") + std::to_string(++n) + ".xml";
    test::write_file(file, xml);
    return test::run_program("xmlsec1", {"--verify", "--id-attr:Id", element, "--trusted-pem",
                                         TestPki::get().file("ca.pem"), file});
}

struct Signed {
    std::string name;
    std::string xml;
    const char* element;
    const char* parent;
};

// Notes of the till's coupons, an event and a voiding of numbers, signed.
std::vector<Signed> signed_documents() {
    const Config c = config();
    const IssueTime time{2026, 12, 8, 12, 30, 5, -180};
    const CouponItem meal{"0000000000001", "REFEICAO", d("32,90"), d("3,29")};
    const CouponItem drinks{"0000000000002", "BEBIDAS", d("8,50"), d("1,70")};
    struct NoteCase {
        const char* name;
        Coupon coupon;
        NoteNumbers numbers;
    } notes[] = {
        {"cash",
         {"",
          {meal, drinks},
          {},
          "Dinheiro",
          d("50,00"),
          "Vlr aprox.tributos R$ 4,99 Fonte=IBPT",
          "OPERADOR: JOÃO"},
         {1, 10000001, 1, "", ""}},
        {"card with CPF",
         {"12345678909", {meal}, {}, "Cartao", d("32,90"), "", ""},
         {2, 2, 1, "", ""}},
        {"discount, offline contingency",
         {"", {meal, drinks}, d("1,40"), "Cheque", d("40,00"), "", ""},
         {3, 3, 9, "2026-12-08T12:00:00-03:00", "Sem resposta da SEFAZ no tempo limite"}},
    };
    std::vector<Signed> out;
    for (const NoteCase& n : notes) {
        const NoteResult note = build_note(c, n.coupon, n.numbers, time);
        EXPECT_TRUE(note.note) << n.name << ": " << note.error;
        if (!note.note) continue;
        const SignResult s = sign(note.note->xml, "infNFe", test::shop_certificate());
        EXPECT_EQ(s.error, "") << n.name;
        out.push_back({n.name, s.xml, "infNFe", "NFe"});
    }
    const std::string ns = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
    const std::string event =
        "<evento " + ns +
        " versao=\"1.00\"><infEvento Id=\"ID1101113526121234567800019565001000000001110000000101"
        "\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>12345678000195</CNPJ><descEvento>"
        "Cancelamento</descEvento><xJust>Cliente desistiu da compra</xJust></infEvento></evento>";
    const std::string voiding = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<inutNFe " + ns +
                                " versao=\"4.00\"><infInut Id=\"ID35261234567800019565001000000010"
                                "000000020\"><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><xJust>"
                                "Numeração pulada por falha do sistema</xJust></infInut></inutNFe>";
    for (const auto& [name, xml, element, parent] :
         {std::tuple{"event", event, "infEvento", "evento"},
          std::tuple{"voiding", voiding, "infInut", "inutNFe"}}) {
        const SignResult s = sign(xml, element, test::shop_certificate());
        EXPECT_EQ(s.error, "") << name;
        out.push_back({name, s.xml, element, parent});
    }
    return out;
}

TEST(NfceSignature, SignedDocumentsPassAnIndependentCheckAndTheSchema) {
    QV_NEED_PKI("xmlsec1");
    for (const Signed& s : signed_documents()) {
        SCOPED_TRACE(s.name);
        const test::ProgramRun check = xmlsec1_verify(s.xml, s.element);
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        EXPECT_NE(check.err.find("OK"), std::string::npos) << check.err;
        const VerifyResult own = verify(s.xml);
        EXPECT_TRUE(own.valid) << own.error;
        EXPECT_EQ(own.digest_value.size(), 28u);
        // The Signature closes the element that holds the signed one.
        test::XmlCheck xml(s.xml);
        const std::string parent = std::string("/*[local-name()='") + s.parent + "']";
        EXPECT_EQ(xml.count((parent + "/*[last()][local-name()='Signature' and namespace-uri()="
                                      "'http://www.w3.org/2000/09/xmldsig#']")
                                .c_str()),
                  1);
        EXPECT_EQ(xml.count((parent + "/*[last()-1][local-name()='" + s.element + "']").c_str()),
                  1);
        EXPECT_EQ(xml.count("//*[local-name()='Reference']/@URI"), 1);
        EXPECT_EQ(xml.text("//*[local-name()='Reference']/@URI"),
                  "#" +
                      xml.text(("//*[local-name()='" + std::string(s.element) + "']/@Id").c_str()));
        EXPECT_EQ(xml.text("//*[local-name()='X509Certificate']"),
                  test::shop_certificate().der_base64());
        // A signed note stands up to the schema with its own signature.
        if (std::string(s.parent) == "NFe") {
            EXPECT_EQ(xml.schema_errors(), "");
        }
    }
}

TEST(NfceSignature, AnyChangeAfterSigningIsCaught) {
    QV_NEED_PKI("xmlsec1");
    const std::vector<Signed> documents = signed_documents();
    ASSERT_FALSE(documents.empty());
    const std::string original = documents.front().xml;
    const auto changed = [&](const std::string& from, const std::string& to) {
        std::string xml = original;
        const auto at = xml.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? xml : xml.replace(at, from.size(), to);
    };
    struct Case {
        const char* name;
        std::string xml;
        const char* own_error;
    } cases[] = {
        {"the total", changed("<vNF>41.40</vNF>", "<vNF>41.41</vNF>"), "DigestValue"},
        {"a byte of the name", changed("Bom Prato Ltda", "Bom Prato Ltdb"), "DigestValue"},
        {"the item's code", changed("<cProd>0000000000001</cProd>", "<cProd>0000000000003</cProd>"),
         "DigestValue"},
        {"the signed part of the signature", changed("#rsa-sha1\"/>", "#rsa-sha1\"/> "),
         "SignatureValue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.xml, original);
        const test::ProgramRun check = xmlsec1_verify(c.xml, "infNFe");
        EXPECT_NE(check.status, 0) << check.err;
        const VerifyResult own = verify(c.xml);
        EXPECT_FALSE(own.valid);
        EXPECT_NE(own.error.find(c.own_error), std::string::npos) << own.error;
    }
}

TEST(NfceSignature, RefusesWhatItCannotSign) {
    QV_NEED_PKI("openssl");
    struct Case {
        const char* xml;
        const char* element;
        const char* error;
    } cases[] = {
        {"<NFe><infNFe>sem Id</infNFe></NFe>", "infNFe", "elemento com Id não encontrado"},
        {"<NFe><outro Id=\"x\"/></NFe>", "infNFe", "elemento com Id não encontrado"},
        {"<infNFe Id=\"raiz\"/>", "infNFe", "elemento com Id não encontrado"},
        {"<NFe><infNFe Id=\"x\">", "infNFe", "o XML não pôde ser lido"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        const SignResult r = sign(c.xml, c.element, test::shop_certificate());
        EXPECT_EQ(r.xml, "");
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
    EXPECT_FALSE(verify("<NFe><infNFe Id=\"x\"/></NFe>").valid);
}

TEST(NfceSignature, TheQrCodeSignatureChecksWithTheCertificatesKey) {
    QV_NEED_PKI("openssl");
    const TestPki& pki = TestPki::get();
    const std::string text = "35261212345678000195650010000000039123456789|3|2|08|41.40||";
    const std::string signature = qr_signer(test::shop_certificate())(text);
    const std::optional<std::string> raw = detail::from_base64(signature);
    ASSERT_TRUE(raw);
    test::write_file(pki.file("qr.txt"), text);
    test::write_file(pki.file("qr.sig"), *raw);
    const test::ProgramRun key =
        test::run_program("openssl", {"x509", "-pubkey", "-noout", "-in", pki.file("a1.pem")});
    ASSERT_EQ(key.status, 0) << key.err;
    test::write_file(pki.file("a1.pub"), key.out);
    const auto check = [&](const std::string& file) {
        return test::run_program("openssl", {"dgst", "-sha1", "-verify", pki.file("a1.pub"),
                                             "-signature", pki.file("qr.sig"), file});
    };
    const test::ProgramRun good = check(pki.file("qr.txt"));
    EXPECT_EQ(good.status, 0) << good.out << good.err;
    test::write_file(pki.file("qr-outro.txt"), text + "1");
    EXPECT_NE(check(pki.file("qr-outro.txt")).status, 0);
}

} // namespace
} // namespace qv::nfce
