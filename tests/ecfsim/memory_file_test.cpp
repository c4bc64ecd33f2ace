// Memory files written by the printer load and write back to the same bytes,
// and a damaged one is refused with the same words and line as always.
#include "ecfsim/memory.h"
#include "shared/cp1252.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace qv::ecfsim {
namespace {

std::string sample(const std::string& name) {
    std::ifstream in(std::string(MEMORY_SAMPLES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class MemorySample : public testing::TestWithParam<const char*> {};

TEST_P(MemorySample, LoadsAndWritesBackTheSameBytes) {
    const std::string text = sample(GetParam());
    ASSERT_FALSE(text.empty()) << GetParam();
    const auto m = memory_from_text(text);
    ASSERT_TRUE(std::holds_alternative<FiscalMemory>(m)) << std::get<LoadError>(m).text;
    EXPECT_EQ(to_text(std::get<FiscalMemory>(m)), text);
}

INSTANTIATE_TEST_SUITE_P(Files, MemorySample,
                         testing::Values("cupom_pagamento", "cupom_finalizacao", "cupom_fechado",
                                         "cupom_cancelado", "leitura_x", "reducao_z"));

struct Broken {
    const char* sample;
    int line;         // 1-based; replaced whole
    std::string with; // the line's new text
    std::string error;
};

class BrokenSample : public testing::TestWithParam<Broken> {};

TEST_P(BrokenSample, IsRefusedWithItsLine) {
    const Broken& b = GetParam();
    std::string text = sample(b.sample);
    std::size_t from = 0;
    for (int i = 1; i < b.line; ++i)
        from = text.find('\n', from) + 1;
    text.replace(from, text.find('\n', from) - from, b.with);
    const auto m = memory_from_text(text);
    ASSERT_TRUE(std::holds_alternative<LoadError>(m)) << text;
    EXPECT_EQ(std::get<LoadError>(m).text, b.error);
}

const std::string kBad = "valor inválido para "_cp1252;

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenSample,
    testing::Values(
        Broken{"cupom_pagamento", 1, "ECFSIM-MEMORIA 2",
               "linha 1: cabeçalho \"ECFSIM-MEMORIA 1\" ausente"_cp1252},
        Broken{"cupom_pagamento", 2, "coo=doze", "linha 2: " + kBad + "\"coo\""},
        Broken{"cupom_pagamento", 5, "cro=1000000", "linha 5: " + kBad + "\"cro\""},
        Broken{"cupom_pagamento", 6, "gt=-1,0000", "linha 6: " + kBad + "\"gt\""},
        Broken{"cupom_pagamento", 8, "data_ultima_rz=2026-02-30",
               "linha 8: " + kBad + "\"data_ultima_rz\""},
        Broken{"cupom_pagamento", 9, "ultimo_documento=outro",
               "linha 9: " + kBad + "\"ultimo_documento\""},
        Broken{"cupom_pagamento", 10, "ultimo_documento_em=ontem",
               "linha 10: " + kBad + "\"ultimo_documento_em\""},
        Broken{"cupom_pagamento", 14, "dia.descontos=-2,0000",
               "linha 14: " + kBad + "\"dia.descontos\""},
        Broken{"cupom_pagamento", 17, "cupom.fase=voando", "linha 17: " + kBad + "\"cupom.fase\""},
        Broken{"cupom_pagamento", 20, "cupom.documento=123456789012345678901",
               "linha 20: " + kBad + "\"cupom.documento\""},
        Broken{"cupom_pagamento", 21, "cupom.ajuste=1,0a",
               "linha 21: " + kBad + "\"cupom.ajuste\""},
        Broken{"cupom_pagamento", 23, "cupom.item=2;Bebida;KG;F;1,0000;5,0000;5,0000",
               "linha 23: " + kBad + "\"cupom.item\""},
        Broken{"cupom_pagamento", 25, "cupom.pagamento=Cheque;-5,0000",
               "linha 25: " + kBad + "\"cupom.pagamento\""},
        Broken{"cupom_pagamento", 25, "cupom.pagamento=;5,0000",
               "linha 25: " + kBad + "\"cupom.pagamento\""},
        Broken{"leitura_x", 19, "dia.aliquota=T17;1,0000",
               "linha 19: " + kBad + "\"dia.aliquota\""},
        Broken{"leitura_x", 22, "dia.pagamento=Cartao;1,0000",
               "linha 22: " + kBad + "\"dia.pagamento\""},
        Broken{"cupom_pagamento", 3, "ccf 1", "linha 3: falta \"=\""},
        Broken{"cupom_pagamento", 4, "coo=1", "linha 4: \"coo\" repetido"},
        Broken{"cupom_pagamento", 11, "dia.copos=0", "linha 11: chave desconhecida \"dia.copos\""},
        Broken{"cupom_pagamento", 16, "", "falta \"dia.cancelamentos\""},
        Broken{"leitura_x", 24, "cupom.fase=nenhuma", "cupom sem fase com itens ou pagamentos"},
        Broken{"cupom_pagamento", 18, "cupom.coo=2", "COO ou CCF do cupom fora da memória"_cp1252},
        Broken{"cupom_pagamento", 17, "cupom.fase=finalizacao",
               "cupom pago sem todos os pagamentos"},
        Broken{"cupom_pagamento", 7, "data_movimento=", "cupom aberto sem data de movimento"}),
    [](const testing::TestParamInfo<Broken>& p) { return "Case" + std::to_string(p.index); });

TEST(MemorySample, EmptyOrCutIsNamed) {
    const std::string text = sample("cupom_fechado");
    EXPECT_EQ(std::get<LoadError>(memory_from_text("")).text, "arquivo vazio");
    EXPECT_EQ(std::get<LoadError>(memory_from_text(text.substr(0, text.size() - 1))).text,
              "arquivo cortado no meio de uma linha");
}

} // namespace
} // namespace qv::ecfsim
