#include "nfce/config.h"

#include "nfce/states.h"
#include "tests/nfce/sample_config.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

std::string joined(const std::vector<std::string>& errors) {
    std::string all;
    for (const std::string& e : errors)
        all += e + "\n";
    return all;
}

// The sample with the line that begins with `key=` replaced by `line`
// (dropped when `line` is empty), or `line` added when no line has the key.
std::string with_line(const std::string& key, const std::string& line) {
    std::string out;
    bool replaced = false;
    for (const std::string& l : test::lines_of(test::kSampleConfig)) {
        if (l.starts_with(key + "=")) {
            replaced = true;
            if (!line.empty()) out += line + "\n";
        } else {
            out += l + "\n";
        }
    }
    if (!replaced) out += line + "\n";
    return out;
}

TEST(NfceConfig, TheSampleReadsWhole) {
    const ConfigResult r = parse_config(test::kSampleConfig, "nfce.conf");
    ASSERT_TRUE(r.config) << joined(r.errors);
    const Config& c = *r.config;
    EXPECT_EQ(c.issuer.cnpj, "11222333000181");
    EXPECT_EQ(c.issuer.name, "Restaurante Bom Prato Ltda");
    EXPECT_EQ(c.issuer.city, "São Paulo");
    EXPECT_EQ(c.issuer.crt, 1);
    EXPECT_EQ(c.series, 1);
    EXPECT_EQ(c.environment, Environment::homologation);
    EXPECT_EQ(c.csc_id, "1"); // "000001" without its leading zeros
    EXPECT_EQ(c.items.at("1").ncm, "21069090");
    EXPECT_EQ(c.items.at("2").csosn, "500");
    EXPECT_EQ(c.items.at("2").unit, "UN"); // not given: the default
    EXPECT_EQ(c.items.at("1").unit, "PRATO");
    EXPECT_EQ(c.payment_codes.at("Cartao"), "03");
    EXPECT_EQ(c.contingency_seconds, 15);
    EXPECT_EQ(c.danfe_width, 80);
    EXPECT_EQ(c.printer, "192.168.0.50:9100");
    EXPECT_EQ(c.technical.email, "suporte@softwarehouse.com.br");
}

TEST(NfceConfig, TheShippedExampleReads) {
    const std::string text = test::read_file(NFCE_EXAMPLE_CONFIG);
    ASSERT_FALSE(text.empty());
    const ConfigResult r = parse_config(text, "nfce.conf");
    EXPECT_TRUE(r.config) << joined(r.errors);
}

TEST(NfceConfig, EveryFaultNamesTheFileTheLineAndTheKey) {
    struct Case {
        const char* key;
        const char* line;
        const char* expected; // a part of the one error
    } cases[] = {
        {"CNPJ", "CNPJ=11222333000182", "nfce.conf:2: CNPJ: CNPJ inválido"},
        {"CNPJ", "CNPJ=11.222.333/0001-81", "CNPJ: CNPJ inválido"},
        {"CNPJ", "CNPJ=12abc34501de35", "CNPJ: CNPJ inválido"}, // letters upper case only
        {"UF", "UF=XX", "UF: UF desconhecida"},
        {"cMun", "cMun=355030", "cMun: deve ter 7 dígitos"},
        {"cMun", "cMun=3304557", "cMun: o código do município deve começar pelo código da UF SP"},
        {"CRT", "CRT=3", "CRT: só o Simples Nacional é atendido"},
        {"CRT", "CRT=2", "o regime 2 não"},
        {"item.1.NCM", "item.1.NCM=2106909", "item.1.NCM: deve ter 8 dígitos"},
        {"item.1.CFOP", "item.1.CFOP=6102", "item.1.CFOP: CFOP de 4 dígitos"},
        {"item.2.CSOSN", "item.2.CSOSN=101", "item.2.CSOSN: CSOSN atendido"},
        {"item.2.CST_PIS", "item.2.CST_PIS=01", "item.2.CST_PIS: CST atendido"},
        {"pagamento.Cartao", "pagamento.Cartao=3", "pagamento.Cartao: código de pagamento"},
        {"danfe_largura", "danfe_largura=76", "danfe_largura: largura do papel"},
        {"impressora", "impressora=impressora-da-cozinha", "impressora: impressora:"},
        {"impressora", "impressora=10.0.0.1:70000", "impressora: impressora:"},
        {"contingencia_segundos", "contingencia_segundos=0", "de 1 a 120 segundos"},
        {"ambiente", "ambiente=teste", "ambiente: deve ser homologacao ou producao"},
        {"serie", "serie=890", "serie: série de 0 a 889"},
        {"CSC", "CSC=curto", "CSC: CSC de 16 a 36"},
        {"xNome", "xNome=Bar \x01", "xNome: texto com caractere inválido"},
        {"xNome", "xNome=Caf\xE9", "xNome: texto com caractere inválido"}, // Latin-1, not UTF-8
        {"respTec.email", "respTec.email=suporte", "respTec.email: endereço de e-mail inválido"},
        {"certificado", "certificado=cert.pfx", "certificado: caminho completo"},
        {"url.QRCode", "url.QRCode=ftp://qr.example/qrcode", "url.QRCode: endereço http://"},
        {"url.Outro", "url.Outro=https://example.com.br/x", "url.Outro: serviço desconhecido"},
        {"segredo", "segredo=1", "segredo: chave desconhecida"},
        {"item.x", "item.x.NCM=21069090", "item.x.NCM: chave de item"},
        {"item.1.cor", "item.1.cor=azul", "item.1.cor: campo de item desconhecido"},
        {"pagamento.Pix", "pagamento.Pix=17", "pagamento.Pix: forma de pagamento desconhecida"},
        {"xFant", "xFant", "nfce.conf:5: linha sem chave=valor"},
        {"IE", "", "nfce.conf: falta a chave IE"},
        {"item.2.NCM", "", "nfce.conf: falta a chave item.2.NCM"},
        {"pagamento.Cheque", "", "nfce.conf: falta a chave pagamento.Cheque"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ConfigResult r = parse_config(with_line(c.key, c.line), "nfce.conf");
        EXPECT_FALSE(r.config);
        ASSERT_EQ(r.errors.size(), 1u) << joined(r.errors);
        EXPECT_NE(r.errors[0].find(c.expected), std::string::npos) << r.errors[0];
    }
}

TEST(NfceConfig, AcceptsWhatTheShopMayWrite) {
    struct Case {
        const char* key;
        const char* line;
    } cases[] = {
        {"CNPJ", "CNPJ=12ABC34501DE35"},                   // the alphanumeric CNPJ
        {"CRT", "CRT=4"},                                  // MEI
        {"item.1.NCM", "item.0000000000001.NCM=21069090"}, // the engine's code, zeros and all
        {"impressora", "impressora=/dev/usb/lp0"},
        {"impressora", "impressora=simulada"},
        {"danfe_largura", "danfe_largura=58"},
        {"ambiente", "ambiente=producao"},
        {"xCpl", "xCpl=Loja 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string text = with_line(c.key, c.line);
        // Production in São Paulo has no confirmed QR code pages: the shop names them.
        if (std::string(c.line) == "ambiente=producao")
            text += "url.QRCode=https://www.nfce.fazenda.sp.gov.br/qrcode\n"
                    "url.urlChave=https://www.nfce.fazenda.sp.gov.br/consulta\n";
        const ConfigResult r = parse_config(text, "nfce.conf");
        EXPECT_TRUE(r.config) << joined(r.errors);
    }
}

TEST(NfceConfig, ToleratesAByteOrderMarkCarriageReturnsAndBlanks) {
    std::string text = "\xEF\xBB\xBF";
    for (const std::string& l : test::lines_of(test::kSampleConfig))
        text += "  " + l + "  \r\n";
    EXPECT_TRUE(parse_config(text, "nfce.conf").config);
}

TEST(NfceConfig, ARepeatedKeyIsAFault) {
    const ConfigResult r = parse_config(std::string(test::kSampleConfig) + "UF=RJ\n", "nfce.conf");
    ASSERT_EQ(r.errors.size(), 1u) << joined(r.errors);
    EXPECT_NE(r.errors[0].find(": UF: chave repetida"), std::string::npos);
}

TEST(NfceConfig, AStateWithoutKnownAddressesNeedsThemInTheFile) {
    std::string text = with_line("UF", "UF=MG");
    text = std::string(text).replace(text.find("cMun=3550308"), 12, "cMun=3106200");
    const ConfigResult r = parse_config(text, "nfce.conf");
    EXPECT_EQ(r.errors.size(), kServiceCount) << joined(r.errors);
    EXPECT_NE(joined(r.errors).find("nfce.conf: a UF MG não tem endereço conhecido de "
                                    "NFeAutorizacao4 em homologação: informe "
                                    "url.NFeAutorizacao4"),
              std::string::npos);
    for (const std::string_view name : kServiceNames)
        text += "url." + std::string(name) + "=https://nfce.example.mg.gov.br/" +
                std::string(name) + "\n";
    EXPECT_TRUE(parse_config(text, "nfce.conf").config);
}

TEST(NfceConfig, ThePasswordFileMustBeTheOwnersAlone) {
    test::ScratchFolder folder("qv-nfce");
    const std::filesystem::path password = folder.path() / "senha";
    test::write_file(password, "segredo\n");
    const std::string text =
        with_line("senha_certificado", "senha_certificado=" + test::utf8(password));
    test::write_file(folder.path() / "nfce.conf", text);
    const std::string conf = test::utf8(folder.path() / "nfce.conf");
    namespace fs = std::filesystem;

    fs::permissions(password, fs::perms::owner_read | fs::perms::owner_write);
    ConfigResult r = read_config(conf);
    EXPECT_TRUE(r.config) << joined(r.errors);

    fs::permissions(password, fs::perms::owner_read | fs::perms::group_read);
    r = read_config(conf);
    EXPECT_FALSE(r.config);
    ASSERT_EQ(r.errors.size(), 1u) << joined(r.errors);
    EXPECT_NE(r.errors[0].find("deve ser acessível só pelo dono"), std::string::npos);

    fs::remove(password);
    r = read_config(conf);
    ASSERT_EQ(r.errors.size(), 1u) << joined(r.errors);
    EXPECT_NE(r.errors[0].find("senha_certificado: arquivo ilegível"), std::string::npos);

    r = read_config(test::utf8(folder.path() / "nenhum.conf"));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_NE(r.errors[0].find("nenhum.conf: arquivo de configuração da NFC-e ilegível"),
              std::string::npos);
}

} // namespace
} // namespace qv::nfce
