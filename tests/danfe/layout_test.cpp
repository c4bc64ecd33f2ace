// Whole DANFEs printed on the simulated thermal printer: each division's
// content on the paper, nothing wider than the paper, and the QR code read
// back from the picture by an independent reader (zbarimg).
#include "danfe/danfe.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"
#include "thermalsim/thermal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using qv::Decimal;
using qv::danfe::Document;
using qv::danfe::PaperWidth;

Decimal amount(const char* text) {
    return *Decimal::parse(text);
}

constexpr const char* kKey = "35191212345678000195650010000001231000012345";
constexpr const char* kQr = "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p="
                            "35191212345678000195650010000001231000012345|2|2|1|"
                            "3A9F1C0B7E5D2A4C6B8E0F1A3C5E7B9D2F4A6C8E";

Document sample() {
    Document d;
    d.issuer = {"Restaurante Sabor Caseiro Ltda", "12345678000195", "123456789110",
                "Rua das Flores, 100 - Centro - São Paulo - SP"};
    d.items = {{"001", "Refeição", amount("1"), "UN", amount("45,90"), amount("45,90")},
               {"002", "Bebidas", amount("2"), "UN", amount("6,50"), amount("13,00")}};
    d.total = amount("58,90");
    d.amount_to_pay = d.total;
    d.payments = {{"Dinheiro", amount("58,90")}};
    d.consultation_url = "https://www.nfce.fazenda.sp.gov.br/consulta";
    d.access_key = kKey;
    d.number = "000000123";
    d.series = "001";
    d.issued_at = "12/12/2019 12:30:00";
    d.protocol = "135190000000123";
    d.authorized_at = "12/12/2019 12:30:05";
    d.qr_code = kQr;
    d.taxes_line = "Trib aprox R$ 7,65 Federal e R$ 10,60 Estadual Fonte: IBPT";
    d.additional_info = {"Operador: MARIA"};
    return d;
}

struct Case {
    const char* name;
    PaperWidth width;
    bool homologation = false;
    bool contingency = false;
    bool consumer = false;
    bool long_item = false;
    bool discount = false;
    bool change = false;
};

// The paper's words joined by single spaces: a text wrapped over lines, or
// spread over a line, is found whole.
std::string flat(const std::string& text) {
    std::string out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        for (std::string word; words >> word;)
            out += (out.empty() ? "" : " ") + word;
    }
    return out;
}

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

Document document_for(const Case& c) {
    Document d = sample();
    d.homologation = c.homologation;
    if (c.contingency) {
        d.contingency = true;
        d.protocol.clear();
        d.authorized_at.clear();
        d.contingency_texts = {std::string(qv::danfe::kPendingAuthorization)};
    }
    if (c.consumer) {
        d.consumer_document = "12345678909";
        d.consumer_name = "José da Silva";
    }
    if (c.long_item)
        d.items.push_back({"0003",
                           "Prato executivo de frango grelhado com arroz feijão salada "
                           "e farofa da casa porção individual",
                           amount("1"), "UN", amount("32,50"), amount("32,50")});
    if (c.discount) {
        d.discount = amount("8,90");
        d.amount_to_pay = d.total - d.discount;
    }
    if (c.change) d.payments = {{"Dinheiro", amount("100,00")}};
    if (c.change) d.change = amount("41,10");
    return d;
}

class Danfe : public testing::TestWithParam<Case> {};

TEST_P(Danfe, PrintsEveryDivisionWithinThePaper) {
    const Case& c = GetParam();
    const Document d = document_for(c);
    const qv::danfe::Printout out = qv::danfe::layout(d, c.width);
    ASSERT_TRUE(out.ok()) << out.error;
    const int dots =
        c.width == PaperWidth::mm80 ? qv::thermalsim::kDots80mm : qv::thermalsim::kDots58mm;
    const std::size_t columns = c.width == PaperWidth::mm80 ? 48 : 32;
    const qv::thermalsim::Paper paper = qv::thermalsim::print(out.bytes, dots);
    ASSERT_TRUE(paper.problems.empty())
        << paper.problems[0].offset << ": " << paper.problems[0].what;
    EXPECT_EQ(paper.wrapped_lines, 0) << paper.text;
    EXPECT_EQ(paper.cuts, 1);
    std::istringstream lines(paper.text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(characters(line), columns) << line;

    const std::string text = flat(paper.text);
    const auto shown = [&](const std::string& needle, bool expected) {
        EXPECT_EQ(text.find(needle) != std::string::npos, expected) << needle << "\n" << paper.text;
    };
    const auto shows = [&](const std::string& needle) { shown(needle, true); };
    const auto lacks = [&](const std::string& needle) { shown(needle, false); };
    // I issuer
    shows("Restaurante Sabor Caseiro Ltda");
    shows("CNPJ: 12.345.678/0001-95 IE: 123456789110");
    shows("Rua das Flores, 100 - Centro - São Paulo - SP");
    shows("Documento Auxiliar da Nota Fiscal de Consumidor Eletrônica");
    // II items
    shows("001 Refeição");
    shows("1 UN x 45,90");
    shows("2 UN x 6,50");
    if (c.long_item)
        shows("0003 Prato executivo de frango grelhado com arroz feijão salada e farofa da casa "
              "porção individual");
    // III totals and payment
    shows(std::string("Qtde. total de itens ") + (c.long_item ? "3" : "2"));
    shows("Valor total R$");
    shows(c.discount ? "Valor a Pagar R$ 50,00" : "Valor a Pagar R$ 58,90");
    shown("Desconto R$ 8,90", c.discount);
    shows(c.change ? "Dinheiro 100,00" : "Dinheiro 58,90");
    shown("Troco R$ 41,10", c.change);
    // IV consultation by the key, in groups of four
    shown("EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL", c.homologation);
    shows("Consulte pela Chave de Acesso em");
    shows("3519 1212 3456 7800 0195 6500 1000 0001 2310 0001 2345");
    // V consumer
    if (c.consumer) {
        shows("CONSUMIDOR - CPF 123.456.789-09 - José da Silva");
        lacks("NÃO IDENTIFICADO");
    } else {
        shows("CONSUMIDOR NÃO IDENTIFICADO");
    }
    // VI identification and protocol, or contingency
    shows("NFC-e nº 000000123 Série 001 12/12/2019 12:30:00");
    if (c.contingency) {
        shows("EMITIDA EM CONTINGÊNCIA Pendente de autorização");
        lacks("Protocolo");
    } else {
        shows("Protocolo de autorização: 135190000000123");
        shows("Data de autorização: 12/12/2019 12:30:05");
        lacks("CONTINGÊNCIA");
    }
    // VII QR code, then VIII taxes and IX additional information
    const std::size_t qr = text.find("[imagem ");
    ASSERT_NE(qr, std::string::npos);
    EXPECT_LT(text.find("NFC-e nº"), qr);
    EXPECT_GT(text.find("Trib aprox R$ 7,65 Federal e R$ 10,60 Estadual Fonte: IBPT"), qr);
    EXPECT_GT(text.find("Operador: MARIA"), qr);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, Danfe,
    testing::Values(
        Case{"Plain80", PaperWidth::mm80}, Case{"Plain58", PaperWidth::mm58},
        Case{"Homologation80", PaperWidth::mm80, true},
        Case{"Homologation58", PaperWidth::mm58, true},
        Case{"Contingency80", PaperWidth::mm80, false, true},
        Case{"ContingencyHomologation58", PaperWidth::mm58, true, true},
        Case{"Consumer80", PaperWidth::mm80, false, false, true},
        Case{"Consumer58", PaperWidth::mm58, false, false, true},
        Case{"LongItem80", PaperWidth::mm80, false, false, false, true},
        Case{"LongItem58", PaperWidth::mm58, false, false, false, true},
        Case{"DiscountAndChange80", PaperWidth::mm80, false, false, true, true, true, true},
        Case{"DiscountAndChange58", PaperWidth::mm58, true, false, false, true, true, true}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// The reader's output, or nullopt when zbarimg cannot be started.
std::optional<std::string> read_qr(const std::filesystem::path& png) {
    const qv::test::ProgramRun run = qv::test::run_program(
        "zbarimg", {"--quiet", "--raw", "-Sdisable", "-Sqrcode.enable", png.string()});
    if (run.status == -1) return std::nullopt;
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
}

TEST(DanfeQrCode, ReadsBackFromThePicture) {
    for (const PaperWidth width : {PaperWidth::mm80, PaperWidth::mm58}) {
        const qv::danfe::Printout out = qv::danfe::layout(sample(), width);
        ASSERT_TRUE(out.ok()) << out.error;
        const qv::thermalsim::Paper paper =
            qv::thermalsim::print(out.bytes, width == PaperWidth::mm80 ? qv::thermalsim::kDots80mm
                                                                       : qv::thermalsim::kDots58mm);
        qv::test::ScratchFolder folder("qv-danfe");
        const std::filesystem::path file = folder.path() / "danfe.png";
        std::ofstream(file, std::ios::binary) << qv::thermalsim::png(paper);
        const std::optional<std::string> read = read_qr(file);
        if (!read) GTEST_SKIP() << "zbarimg (Debian zbar-tools) is not installed";
        EXPECT_EQ(*read, std::string(kQr) + "\n");
    }
}

TEST(DanfeLayout, RefusesAnUnusableDocument) {
    struct Refusal {
        const char* name;
        void (*spoil)(Document&);
    };
    const Refusal refusals[] = {
        {"short key", [](Document& d) { d.access_key.pop_back(); }},
        {"long key", [](Document& d) { d.access_key += "1"; }},
        {"letter in key", [](Document& d) { d.access_key[10] = 'A'; }},
        {"no QR text", [](Document& d) { d.qr_code.clear(); }},
        {"QR text too long", [](Document& d) { d.qr_code = std::string(3000, 'x'); }},
    };
    for (const Refusal& r : refusals) {
        Document d = sample();
        r.spoil(d);
        const qv::danfe::Printout out = qv::danfe::layout(d, PaperWidth::mm80);
        EXPECT_FALSE(out.ok()) << r.name;
        EXPECT_TRUE(out.bytes.empty()) << r.name;
    }
}

// A printer that gets the bytes cut short anywhere prints what it got and
// says where the cut command starts; it never reads past the end.
TEST(DanfeLayout, BytesCutShortAreReportedNotOverrun) {
    const std::string bytes = qv::danfe::layout(sample(), PaperWidth::mm58).bytes;
    const std::size_t raster = bytes.find("\x1dv0");
    ASSERT_NE(raster, std::string::npos);
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < 80; ++n)
        lengths.push_back(n);
    for (std::size_t n = raster; n < raster + 12; ++n)
        lengths.push_back(n);
    lengths.push_back(bytes.size() - 1);
    for (const std::size_t n : lengths) {
        const qv::thermalsim::Paper paper =
            qv::thermalsim::print(std::string_view(bytes).substr(0, n), qv::thermalsim::kDots58mm);
        for (const qv::thermalsim::Problem& p : paper.problems) {
            EXPECT_LT(p.offset, n);
            EXPECT_TRUE(p.what.find("incompleto") != std::string::npos ||
                        p.what.find("cortada") != std::string::npos)
                << n << ": " << p.what;
        }
    }
}

TEST(DanfeLayout, StartsWithTheCodePageAndEndsWithACut) {
    const qv::danfe::Printout out = qv::danfe::layout(sample(), PaperWidth::mm58);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.bytes.substr(0, 5), std::string("\x1b@\x1bt\x10"));
    EXPECT_EQ(out.bytes.substr(out.bytes.size() - 4), std::string("\x1dV\x42\x03"));
}

} // namespace
