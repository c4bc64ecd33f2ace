#include "nfce/qr_code.h"

#include "nfce/digest.h"
#include "nfce/note.h"
#include "nfce/states.h"
#include "tests/nfce/sample_config.h"
#include "tests/nfce/xml_check.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

TEST(NfceDigest, Sha1OfTheStandardsExamples) {
    struct Case {
        std::string data;
        const char* digest;
    } cases[] = {
        {"", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {std::string(1'000'000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        // 55 and 56 bytes: the length fits in the last block, and then does not.
        {std::string(55, 'a'), "C1C8BBDC22796E28C0E15163D20899B65621D65A"},
        {std::string(56, 'a'), "C2DB330F6083854C99D4B5BFB6E8F29F201BE699"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sha1_hex(c.data), c.digest) << c.data.size();
    EXPECT_EQ(hex("jJ="), "6A4A3D");
}

constexpr const char* kCsc = "0123456789ABCDEF0123456789ABCDEF";
constexpr const char* kOnlineKey = "35261211222333000181650010000001231876543217";
constexpr const char* kOfflineKey = "35261211222333000181650010000001239876543210";
constexpr const char* kAddress = "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode";

TEST(NfceQrCode, Version2WithTheCscsHash) {
    // The hashes are SHA-1 of the text before "|hash" followed by the CSC,
    // computed apart from this program (Python's hashlib).
    struct Case {
        QrFields fields;
        const char* address;
        const char* text;
    } cases[] = {
        {{kOnlineKey, Environment::homologation, 8, *Decimal::parse("150"), "", ""},
         kAddress,
         "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p="
         "35261211222333000181650010000001231876543217|2|2|1|"
         "2CF062F22FC7E79B4E88BA58D427533FB0C31B10"},
        {{kOfflineKey, Environment::homologation, 8, *Decimal::parse("150"), "12345678909",
          "jJDUXoVZeaW4zCNRwRtpPAHfaLw="},
         kAddress,
         "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p="
         "35261211222333000181650010000001239876543210|2|2|08|150.00|"
         "6A4A4455586F565A656157347A434E527752747050414866614C773D|1|"
         "91D821E569D5D532C458F7F093CF89C409B9D0A5"},
        // An address that ends in "?" gets no second one.
        {{kOnlineKey, Environment::homologation, 8, {}, "", ""},
         "http://www.fazenda.pr.gov.br/nfce/qrcode?",
         "http://www.fazenda.pr.gov.br/nfce/qrcode?p="
         "35261211222333000181650010000001231876543217|2|2|1|"
         "2CF062F22FC7E79B4E88BA58D427533FB0C31B10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qr_code_v2(c.address, c.fields, "1", kCsc), c.text);
}

TEST(NfceQrCode, Version3SignsOnlyOffline) {
    std::string signed_text;
    const QrSigner sign = [&](std::string_view text) {
        signed_text = text;
        return std::string("QUJD+/==");
    };
    struct Case {
        QrFields fields;
        const char* text;
        const char* signed_part; // what the certificate signs; empty when nothing
    } cases[] = {
        {{kOnlineKey, Environment::production, 8, *Decimal::parse("10"), "12345678909", ""},
         "https://x.example/qrcode?p=35261211222333000181650010000001231876543217|3|1",
         ""},
        {{kOfflineKey, Environment::homologation, 8, *Decimal::parse("10,5"), "12345678909", ""},
         "https://x.example/qrcode?p=35261211222333000181650010000001239876543210|3|2|08|10.50|2|"
         "12345678909|QUJD+/==",
         "35261211222333000181650010000001239876543210|3|2|08|10.50|2|12345678909"},
        {{kOfflineKey, Environment::homologation, 31, *Decimal::parse("7"), "11222333000181", ""},
         "https://x.example/qrcode?p=35261211222333000181650010000001239876543210|3|2|31|7.00|1|"
         "11222333000181|QUJD+/==",
         "35261211222333000181650010000001239876543210|3|2|31|7.00|1|11222333000181"},
        {{kOfflineKey, Environment::homologation, 1, {}, "", ""},
         "https://x.example/qrcode?p=35261211222333000181650010000001239876543210|3|2|01|0.00|||"
         "QUJD+/==",
         "35261211222333000181650010000001239876543210|3|2|01|0.00||"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        signed_text.clear();
        EXPECT_EQ(qr_code_v3("https://x.example/qrcode", c.fields, sign), c.text);
        EXPECT_EQ(signed_text, c.signed_part);
    }
}

// The note with its supplement, as the schema orders it: before the signature.
std::string with_supplement(std::string xml, const std::string& qr, const std::string& url) {
    xml.insert(xml.rfind("</NFe>"), "<infNFeSupl><qrCode>" + qr + "</qrCode><urlChave>" + url +
                                        "</urlChave></infNFeSupl>");
    return xml;
}

TEST(NfceQrCode, EveryFormFitsTheSchemasPatterns) {
    const QrSigner sign = [](std::string_view) { return std::string("c2lnbmF0dXJl"); };
    for (const int version : {2, 3})
        for (const int emission : {1, 9}) {
            SCOPED_TRACE(std::to_string(version) + " " + std::to_string(emission));
            std::string text = test::kSampleConfig;
            text += "versao_qrcode=" + std::to_string(version) + "\n";
            const ConfigResult config = parse_config(text, "nfce.conf");
            ASSERT_TRUE(config.config);
            const Coupon coupon{"12345678909",
                                {{"1", "REFEICAO", *Decimal::parse("25,90"), {}}},
                                {},
                                "Dinheiro",
                                *Decimal::parse("30"),
                                "",
                                ""};
            const NoteNumbers numbers{77, 1234, emission, "2026-12-08T12:00:00-03:00",
                                      "Sem resposta da SEFAZ no tempo limite"};
            const NoteResult note =
                build_note(*config.config, coupon, numbers, {2026, 12, 8, 12, 30, 0, -180});
            ASSERT_TRUE(note.note) << note.error;
            const QrFields fields{
                note.note->key,   Environment::homologation, 8,
                note.note->total, coupon.document,           "jJDUXoVZeaW4zCNRwRtpPAHfaLw="};
            const std::string qr = qr_code(*config.config, fields, sign);
            const std::string base = address(*config.config, Service::qr_code) + "?p=";
            EXPECT_EQ(qr.substr(0, base.size() + 48),
                      base + note.note->key + "|" + std::to_string(version) + "|2");
            test::XmlCheck xml(
                with_supplement(note.note->xml, qr, address(*config.config, Service::key_query)));
            EXPECT_EQ(xml.schema_errors_with_stand_in_signature(), "");
        }
}

} // namespace
} // namespace qv::nfce
