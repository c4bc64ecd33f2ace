// The torlib command: link blocks streamed through one process, and the
// subcommands with natural input, against the same examples.
#include "tests/support/files.h"
#include "tests/support/program.h"
#include "tests/support/scratch_folder.h"
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qv::torlib_test {
namespace {

using qv::test::ProgramRun;

// Runs the tool with `input` on its standard input.
ProgramRun run_tool(const std::vector<std::string>& args, const std::string& input = "") {
    return qv::test::run_program(TORLIB_TOOL, args,
                                 {.input = input, .folder = {}, .without_terminal = false});
}

std::string bytes(const Block& b) {
    return {b.data(), b.size()};
}

class ToolCall : public testing::Test {
  protected:
    void SetUp() override { std::ofstream(folder_.path() / "existe.txt") << "x"; }

    std::vector<Example> all_examples() const {
        std::vector<Example> all;
        for (auto table : {words_examples(), document_examples(), alphanumeric_cnpj_examples(),
                           calendar_examples(), text_examples(), dispatch_examples(),
                           file_examples(dir_ + "/existe.txt", dir_ + "/falta.txt")})
            all.insert(all.end(), table.begin(), table.end());
        return all;
    }
    qv::test::ScratchFolder folder_{"torlib-tool-files"};
    std::string dir_ = folder_.text();
};

// Every example, all through one process: each answer equals the example's
// expected block and the C entry's answer to the same block.
TEST_F(ToolCall, StreamsEveryExampleThroughOneProcess) {
    const std::vector<Example> examples = all_examples();
    std::string input;
    for (const Example& e : examples)
        input += bytes(e.input());
    const ProgramRun r = run_tool({"call"}, input);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.out.size(), examples.size() * L::kSize);
    for (std::size_t i = 0; i < examples.size(); ++i) {
        Block got;
        r.out.copy(got.data(), got.size(), i * L::kSize);
        EXPECT_EQ(differences(got, examples[i].expected()), "") << examples[i].name;
        EXPECT_EQ(bytes(got), bytes(call(examples[i].input()))) << examples[i].name;
    }
}

TEST_F(ToolCall, PartialLastBlockIsAnErrorAfterTheCompleteOnes) {
    const std::vector<Example> examples = words_examples();
    const std::string input =
        bytes(examples[0].input()) + bytes(examples[1].input()) + std::string(100, '0');
    const ProgramRun r = run_tool({"call"}, input);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bloco incompleto"), std::string::npos) << r.err;
    ASSERT_EQ(r.out.size(), 2 * L::kSize);
    EXPECT_EQ(r.out.substr(0, L::kSize), bytes(examples[0].expected()));
    EXPECT_EQ(r.out.substr(L::kSize), bytes(examples[1].expected()));
}

TEST_F(ToolCall, EmptyInputAnswersNothing) {
    const ProgramRun r = run_tool({"call"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

// Each block is answered as soon as it arrives, before the input ends: a
// caller can hold one process open and talk to it block by block.
TEST_F(ToolCall, AnswersEachBlockBeforeTheNextArrives) {
    qv::test::ProgramSession tool(TORLIB_TOOL, {"call"});
    ASSERT_TRUE(tool.started());
    const std::vector<Example> examples = document_examples();
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(tool.send(bytes(examples[i].input())));
        const std::string answer = tool.receive(L::kSize, 10);
        ASSERT_EQ(answer.size(), L::kSize) << "no answer to block " << i;
        EXPECT_EQ(answer, bytes(examples[i].expected())) << examples[i].name;
    }
    EXPECT_EQ(tool.finish(), 0);
}

struct Case {
    std::vector<std::string> args;
    int status;
    std::string out; // standard output, exactly; for status 2 a part of stderr
};

void check(const Case& c) {
    const ProgramRun r = run_tool(c.args);
    std::string shown;
    for (const auto& a : c.args)
        shown += a + " ";
    EXPECT_EQ(r.status, c.status) << shown << r.err;
    if (c.status == 2) {
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err.find(c.out), std::string::npos) << shown << r.err;
    } else {
        EXPECT_EQ(r.out, c.out) << shown;
    }
}

TEST(ToolCommands, Documento) {
    for (const Case& c : std::vector<Case>{
             {{"documento", "123.456.789-09"}, 0, "CPF válido\n"},
             {{"documento", "12345678900"}, 1, "CPF inválido\n"},
             {{"documento", "11.222.333/0001-81"}, 0, "CNPJ válido\n"},
             {{"documento", "11222333000180"}, 1, "CNPJ inválido\n"},
             {{"documento", "00000000000"}, 0, "CPF válido\n"},
             {{"documento", "123"}, 2, "11 dígitos"},
             {{"documento", "12.ABC.345/01DE-35"}, 0, "CNPJ válido\n"},
             {{"documento", "12abc34501de35"}, 0, "CNPJ válido\n"},
             {{"documento", "12ABC34501DE36"}, 1, "CNPJ inválido\n"},
             {{"documento", "12ABC34501DE3E"}, 1, "CNPJ inválido\n"},
             {{"documento", "123.456.789-0X"}, 2, "com letras tem 14"},
             {{"documento", "123.456.789-0*"}, 2, "só pode ter dígitos, letras"},
             {{"documento", "12ABC34501DÉ35"}, 2, "só pode ter dígitos, letras"},
             {{"documento"}, 2, "informe"},
         })
        check(c);
}

TEST(ToolCommands, ExtensoENumero) {
    for (const Case& c : std::vector<Case>{
             {{"extenso", "1.234,56"},
              0,
              "Um Mil e Duzentos e Trinta e Quatro Reais, Cinquenta e Seis Centavos.\n"},
             {{"extenso", "123,45"}, 0, "Cento e Vinte e Tres Reais, Quarenta e Cinco Centavos.\n"},
             {{"extenso", "1000000"}, 0, "Um Milhao de Reais\n"},
             {{"extenso", "0,01"}, 0, "Um Centavo.\n"},
             {{"extenso", "0"}, 0, "\n"},
             {{"extenso", "999.999.999,99"},
              0,
              "Novecentos e Noventa e Nove Milhoes, Novecentos e Noventa e Nove Mil e "
              "Novecentos e Noventa e Nove Reais, Noventa e Nove Centavos.\n"},
             {{"numero", "1234"}, 0, "Um Mil e Duzentos e Trinta e Quatro\n"},
             {{"numero", "1,50"}, 0, "Um\n"},
             {{"numero", "0,50"}, 0, "Cinquenta Centavos.\n"},
             {{"extenso", "1.000.000.000,00"}, 2, "999.999.999,99"},
             {{"extenso", "-1"}, 2, "negativo"},
             {{"extenso", "1,234"}, 2, "dois dígitos"},
             {{"extenso", "1234.56"}, 2, "vírgula"},
             {{"extenso", "doze"}, 2, "valor inválido"},
             {{"numero"}, 2, "informe"},
         })
        check(c);
}

TEST(ToolCommands, Maiusculas) {
    for (const Case& c : std::vector<Case>{
             {{"maiusculas", "São Paulo, Avenida Brasília 123"},
              0,
              "SAO PAULO, AVENIDA BRASILIA 123\n"},
             {{"maiusculas", "Ção", "ñÑ", "ü", "ÜÙ", "õ"}, 0, "CAO NN U UU O\n"},
             {{"maiusculas", "ÿýåÅ æß"}, 0, "ÿýåÅ æß\n"},
             {{"maiusculas", "日本"}, 2, "Windows-1252"},
             {{"maiusculas", std::string(211, 'a')}, 2, "210"},
         })
        check(c);
}

TEST(ToolCommands, Calendario) {
    const std::string dezembro = "dia da semana: 1\nnome curto: Domingo\nnome longo: Domingo\n"
                                 "mês: dezembro\npor extenso: 06 de dezembro de 2026\n";
    for (const Case& c : std::vector<Case>{
             {{"calendario", "06/12/2026"},
              0,
              "indicador: S\n" + dezembro + "data final: 06/12/2026\n"},
             {{"calendario", "06/12/2026", "+30"},
              0,
              "indicador: S\n" + dezembro + "data final: 05/01/2027\n"},
             {{"calendario", "6/12/2026", "06/12/2026"},
              0,
              "indicador: S\n" + dezembro + "dias: 0\n"},
             {{"calendario", "01/03/2024", "01/03/2025"},
              0,
              "indicador: S\ndia da semana: 6\nnome curto: Sexta\nnome longo: Sexta-Feira\n"
              "mês: março\npor extenso: 01 de março de 2024\ndias: 365\n"},
             {{"calendario", "01/03/2025", "01/03/2024"},
              1,
              "indicador: N\ndia da semana: 7\nnome curto: Sábado\nnome longo: Sábado\n"
              "mês: março\npor extenso: 01 de março de 2025\ndias: 999999\n"},
             {{"calendario", "25122012"},
              0,
              "indicador: S\ndia da semana: 3\nnome curto: Terça\nnome longo: Terça-Feira\n"
              "mês: dezembro\npor extenso: 25 de dezembro de 2012\ndata final: 25/12/2012\n"},
             {{"calendario", "29/02/2023"}, 1, "indicador: N\n"},
             {{"calendario", "01/01/2024", "31/04/2025"}, 1, "indicador: N\n"},
             {{"calendario", "31/12/9999", "+1"},
              1,
              "indicador: N\ndia da semana: 6\nnome curto: Sexta\nnome longo: Sexta-Feira\n"
              "mês: dezembro\npor extenso: 31 de dezembro de 9999\n"},
             {{"calendario", "2026-12-06"}, 2, "DD/MM/AAAA"},
             {{"calendario", "06/12/2026", "+1000000"}, 2, "999999"},
             {{"calendario", "06/12/2026", "-3"}, 2, "segunda data"},
             {{"calendario"}, 2, "informe"},
         })
        check(c);
}

TEST(ToolCommands, Existe) {
    for (const Case& c : std::vector<Case>{
             {{"existe", TORLIB_TOOL}, 0, "existe\n"},
             {{"existe", "/nao/existe/mesmo"}, 1, "não existe\n"},
             {{"existe", std::string(211, 'a')}, 2, "210"},
             {{"existe"}, 2, "informe"},
         })
        check(c);
}

TEST(ToolCommands, HelpAndUnknownCommands) {
    for (const char* command :
         {"call", "documento", "extenso", "numero", "maiusculas", "calendario", "existe"}) {
        const ProgramRun r = run_tool({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("Uso: torlib ") + command, 0), 0u) << r.out;
    }
    EXPECT_EQ(run_tool({"--help"}).status, 0);
    EXPECT_EQ(run_tool({}).status, 2);
    const ProgramRun r = run_tool({"somar"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("comando desconhecido"), std::string::npos);
}

} // namespace
} // namespace qv::torlib_test
