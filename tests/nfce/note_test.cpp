#include "nfce/note.h"

#include "tests/nfce/sample_config.h"
#include "tests/nfce/xml_check.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

// The sample configuration, in production when asked, with the QR code
// pages São Paulo's table leaves to the shop.
Config sample(bool production = false) {
    std::string text = test::kSampleConfig;
    if (production)
        text.replace(text.find("ambiente=homologacao"), 20, "ambiente=producao") +=
            "url.QRCode=https://www.nfce.fazenda.sp.gov.br/qrcode\n"
            "url.urlChave=https://www.nfce.fazenda.sp.gov.br/consulta\n";
    const ConfigResult r = parse_config(text, "nfce.conf");
    EXPECT_TRUE(r.config);
    return *r.config;
}

Decimal d(const char* text) {
    return *Decimal::parse(text);
}

CouponItem meal(const char* amount, const char* tax) {
    return {"0000000000001", "REFEICAO", d(amount), d(tax)};
}
CouponItem drinks(const char* amount, const char* tax) {
    return {"0000000000002", "BEBIDAS", d(amount), d(tax)};
}

constexpr IssueTime kTime{2026, 12, 8, 12, 30, 5, -180};

TEST(NfceNote, CouponsBecomeValidNotesWhoseTotalsAddUp) {
    struct Case {
        const char* name;
        Coupon coupon;
        const char* total;
        const char* change; // vTroco, empty when none
        const char* tpag;
        bool schema_knows_cnpj; // the shipped schema predates the alphanumeric CNPJ
    } cases[] = {
        {"cash with change",
         {"",
          {meal("100,00", "10,00"), drinks("50,00", "10,00")},
          {},
          "Dinheiro",
          d("200,00"),
          "Vlr aprox.tributos R$ 20,00 (13,33%) Fonte=IBPT",
          "OPERADOR: JOAO"},
         "150.00",
         "50.00",
         "01",
         true},
        {"card, exact",
         {"", {meal("32,90", "3,29")}, {}, "Cartao", d("32,90"), "", "OPERADOR: ANA"},
         "32.90",
         "",
         "03",
         true},
        {"cheque",
         {"",
          {meal("45,00", "4,50"), drinks("12,00", "2,40")},
          {},
          "Cheque",
          d("57,00"),
          "Vlr aprox.tributos R$  6,90 (12,10%) Fonte=IBPT",
          "OPERADOR: BIA"},
         "57.00",
         "",
         "02",
         true},
        {"CPF",
         {"12345678909", {meal("10,00", "1,00")}, {}, "Dinheiro", d("10,00"), "", ""},
         "10.00",
         "",
         "01",
         true},
        {"numeric CNPJ",
         {"11222333000181", {meal("10,00", "1,00")}, {}, "Dinheiro", d("20,00"), "", ""},
         "10.00",
         "10.00",
         "01",
         true},
        {"alphanumeric CNPJ",
         {"12ABC34501DE35", {meal("10,00", "1,00")}, {}, "Dinheiro", d("10,00"), "", ""},
         "10.00",
         "",
         "01",
         false},
        {"drinks only (meal zero, not sold)",
         {"", {drinks("8,50", "1,70")}, {}, "Dinheiro", d("10,00"), "", ""},
         "8.50",
         "1.50",
         "01",
         true},
        {"discount shared out, with a cent left by the cuts",
         {"",
          {meal("10,00", "1,00"), drinks("10,00", "1,00"), meal("10,00", "0,00")},
          d("1,00"),
          "Cartao",
          d("29,00"),
          "",
          ""},
         "29.00",
         "",
         "03",
         true},
        {"four decimals from the form are cut, not rounded",
         {"", {meal("10,0099", "1,0099")}, d("0,0099"), "Dinheiro", d("10,0099"), "", ""},
         "10.00",
         "",
         "01",
         true},
    };
    const Config config = sample();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NoteResult r = build_note(config, c.coupon, {123, 45678901, 1, "", ""}, kTime);
        ASSERT_TRUE(r.note) << r.error;
        const Note& n = *r.note;
        test::XmlCheck xml(n.xml);
        ASSERT_TRUE(xml.parsed());
        const std::string problems = xml.schema_errors_with_stand_in_signature();
        if (c.schema_knows_cnpj) {
            EXPECT_EQ(problems, "");
        } else {
            EXPECT_NE(problems.find("CNPJ"), std::string::npos) << problems;
        }
        // The key and the note agree.
        EXPECT_EQ(xml.text("//n:infNFe/@Id"), "NFe" + n.key);
        EXPECT_EQ(xml.text("//n:ide/n:cNF"), n.key.substr(35, 8));
        EXPECT_EQ(xml.text("//n:ide/n:cNF"), "45678901");
        EXPECT_EQ(xml.text("//n:ide/n:cDV"), n.key.substr(43));
        EXPECT_EQ(n.key.substr(0, 6), "352612");
        EXPECT_EQ(xml.text("//n:ide/n:dhEmi"), "2026-12-08T12:30:05-03:00");
        // The totals add up to the cent.
        const Decimal products = xml.sum("//n:det/n:prod/n:vProd");
        const Decimal discounts = xml.sum("//n:det/n:prod/n:vDesc");
        EXPECT_EQ(xml.number("//n:ICMSTot/n:vProd"), products);
        EXPECT_EQ(xml.number("//n:ICMSTot/n:vDesc"), discounts);
        EXPECT_EQ(xml.number("//n:ICMSTot/n:vDesc"), c.coupon.discount.truncated(2));
        EXPECT_EQ(xml.number("//n:ICMSTot/n:vNF"), products - discounts);
        EXPECT_EQ(xml.text("//n:ICMSTot/n:vNF"), c.total);
        EXPECT_EQ(xml.number("//n:ICMSTot/n:vTotTrib"), xml.sum("//n:det/n:imposto/n:vTotTrib"));
        EXPECT_EQ(xml.sum("//n:detPag/n:vPag") - xml.sum("//n:pag/n:vTroco"), n.total);
        EXPECT_EQ(xml.text("//n:pag/n:vTroco"), c.change);
        EXPECT_EQ(xml.text("//n:detPag/n:tPag"), c.tpag);
        EXPECT_EQ(xml.count("//n:detPag/n:card/n:tpIntegra[.='2']"),
                  std::string(c.tpag) == "03" ? 1 : 0);
        // The customer's document, when typed.
        EXPECT_EQ(xml.text("//n:dest/n:CPF") + xml.text("//n:dest/n:CNPJ"), c.coupon.document);
        EXPECT_EQ(xml.count("//n:dest/n:indIEDest[.='9']"), c.coupon.document.empty() ? 0 : 1);
        // Homologation marks the first item.
        EXPECT_EQ(xml.text("//n:det[@nItem='1']/n:prod/n:xProd"), kHomologationItem);
    }
}

TEST(NfceNote, TheItemsTaxGroupsFollowTheConfiguration) {
    const Config config = sample();
    const NoteResult r = build_note(config,
                                    {"",
                                     {meal("20,00", "2,00"), drinks("5,00", "1,00")},
                                     {},
                                     "Dinheiro",
                                     d("25,00"),
                                     "Vlr aprox.tributos R$  3,00 (12,00%) Fonte=IBPT",
                                     "OPERADOR: JOAO DA SILVA"},
                                    {7, 1, 1, "", ""}, kTime);
    ASSERT_TRUE(r.note) << r.error;
    test::XmlCheck xml(r.note->xml);
    EXPECT_EQ(xml.text("//n:det[@nItem='1']//n:ICMSSN102/n:CSOSN"), "102");
    EXPECT_EQ(xml.text("//n:det[@nItem='2']//n:ICMSSN500/n:CSOSN"), "500");
    EXPECT_EQ(xml.text("//n:det[@nItem='1']//n:PISOutr/n:CST"), "49");
    EXPECT_EQ(xml.text("//n:det[@nItem='1']//n:COFINSOutr/n:vCOFINS"), "0.00");
    EXPECT_EQ(xml.text("//n:det[@nItem='2']//n:PISNT/n:CST"), "04");
    EXPECT_EQ(xml.text("//n:det[@nItem='2']//n:COFINSNT/n:CST"), "04");
    EXPECT_EQ(xml.text("//n:det[@nItem='2']/n:prod/n:xProd"), "BEBIDAS");
    EXPECT_EQ(xml.text("//n:det[@nItem='2']/n:prod/n:CFOP"), "5405");
    EXPECT_EQ(xml.text("//n:det[@nItem='1']/n:prod/n:uCom"), "PRATO");
    EXPECT_EQ(xml.text("//n:det[@nItem='1']/n:prod/n:cEAN"), "SEM GTIN");
    EXPECT_EQ(xml.text("//n:infAdic/n:infCpl"),
              "Vlr aprox.tributos R$  3,00 (12,00%) Fonte=IBPT OPERADOR: JOAO DA SILVA");
    EXPECT_EQ(xml.text("//n:infRespTec/n:CNPJ"), "11444777000161");
    EXPECT_EQ(xml.text("//n:emit/n:enderEmit/n:xMun"), "São Paulo");
    EXPECT_EQ(xml.text("//n:transp/n:modFrete"), "9");
    EXPECT_EQ(xml.text("//n:ide/n:verProc").rfind("Quiterval ", 0), 0u);
}

TEST(NfceNote, ProductionAndContingency) {
    const Config config = sample(true);
    NoteNumbers numbers{9, 12345, 9, "2026-12-08T12:00:00-03:00",
                        "Sem resposta da SEFAZ no tempo limite"};
    const NoteResult r = build_note(
        config, {"", {meal("10,00", "1,00")}, {}, "Dinheiro", d("10,00"), "", ""}, numbers, kTime);
    ASSERT_TRUE(r.note) << r.error;
    test::XmlCheck xml(r.note->xml);
    EXPECT_EQ(xml.schema_errors_with_stand_in_signature(), "");
    EXPECT_EQ(xml.text("//n:ide/n:tpAmb"), "1");
    EXPECT_EQ(xml.text("//n:ide/n:tpEmis"), "9");
    EXPECT_EQ(r.note->key[34], '9');
    EXPECT_EQ(xml.text("//n:ide/n:dhCont"), "2026-12-08T12:00:00-03:00");
    EXPECT_EQ(xml.text("//n:det/n:prod/n:xProd"), "REFEICAO");
}

TEST(NfceNote, RefusesCouponsThatCannotBeNotes) {
    struct Case {
        const char* name;
        Coupon coupon;
        const char* error;
    } cases[] = {
        {"no items", {"", {}, {}, "Dinheiro", d("1,00"), "", ""}, "cupom sem itens"},
        {"bad CPF",
         {"12345678900", {meal("1,00", "0")}, {}, "Dinheiro", d("1,00"), "", ""},
         "CPF/CNPJ do consumidor inválido"},
        {"unknown payment",
         {"", {meal("1,00", "0")}, {}, "Vale", d("1,00"), "", ""},
         "forma de pagamento sem código"},
        {"unknown item",
         {"", {{"0000000000009", "X", d("1,00"), {}}}, {}, "Dinheiro", d("1,00"), "", ""},
         "item sem dados fiscais"},
        {"short payment",
         {"", {meal("10,00", "0")}, {}, "Dinheiro", d("9,99"), "", ""},
         "pagamento menor que o total"},
        {"card above the total",
         {"", {meal("10,00", "0")}, {}, "Cartao", d("11,00"), "", ""},
         "pagamento diferente do total em Cartao"},
        {"discount of it all",
         {"", {meal("10,00", "0")}, d("10,00"), "Dinheiro", d("0"), "", ""},
         "desconto deve ser menor"},
    };
    const Config config = sample();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NoteResult r = build_note(config, c.coupon, {1, 2, 1, "", ""}, kTime);
        EXPECT_FALSE(r.note);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
}

TEST(NfceNote, NumbersInTheSchemasForm) {
    struct Case {
        const char* value;
        int decimals;
        const char* text;
    } cases[] = {{"0", 2, "0.00"},
                 {"1234,5678", 2, "1234.56"},
                 {"0,0099", 2, "0.00"},
                 {"-3,5", 2, "-3.50"},
                 {"12", 4, "12.0000"},
                 {"7,1", 0, "7"},
                 {"99999999999999,9999", 2, "99999999999999.99"}};
    for (const Case& c : cases)
        EXPECT_EQ(decimal_text(d(c.value), c.decimals), c.text) << c.value;
    EXPECT_EQ(date_time_text({2027, 1, 2, 3, 4, 5, 0}), "2027-01-02T03:04:05+00:00");
    EXPECT_EQ(date_time_text({2027, 1, 2, 3, 4, 5, -300}), "2027-01-02T03:04:05-05:00");
}

} // namespace
} // namespace qv::nfce
