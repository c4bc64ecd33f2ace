// The torlib command: link blocks streamed through one process, and the
// subcommands with natural input, against the same examples.
#include "tests/support/files.h"
#include "tests/torlib/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qv::torlib_test {
namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

using qv::test::read_file;

// Runs the tool with `input` on its standard input.
ToolRun run_tool(const std::vector<std::string>& args, const std::string& input = "") {
    char dir[] = "/tmp/torlib-tool-test-XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
    const std::string in = std::string(dir) + "/in", out = std::string(dir) + "/out",
                      err = std::string(dir) + "/err";
    std::ofstream(in, std::ios::binary) << input;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv{const_cast<char*>(TORLIB_TOOL)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    ToolRun r;
    if (posix_spawn(&pid, TORLIB_TOOL, &actions, nullptr, argv.data(), environ) == 0) {
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.out = read_file(out);
    r.err = read_file(err);
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    rmdir(dir);
    return r;
}

std::string bytes(const Block& b) {
    return {b.data(), b.size()};
}

class ToolCall : public testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/torlib-tool-files-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
        std::ofstream(dir_ + "/existe.txt") << "x";
    }
    void TearDown() override {
        std::remove((dir_ + "/existe.txt").c_str());
        rmdir(dir_.c_str());
    }

    std::vector<Example> all_examples() const {
        std::vector<Example> all;
        for (auto table : {words_examples(), document_examples(), alphanumeric_cnpj_examples(),
                           calendar_examples(), text_examples(), dispatch_examples(),
                           file_examples(dir_ + "/existe.txt", dir_ + "/falta.txt")})
            all.insert(all.end(), table.begin(), table.end());
        return all;
    }
    std::string dir_;
};

// Every example, all through one process: each answer equals the example's
// expected block and the C entry's answer to the same block.
TEST_F(ToolCall, StreamsEveryExampleThroughOneProcess) {
    const std::vector<Example> examples = all_examples();
    std::string input;
    for (const Example& e : examples)
        input += bytes(e.input());
    const ToolRun r = run_tool({"call"}, input);
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
    const ToolRun r = run_tool({"call"}, input);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bloco incompleto"), std::string::npos) << r.err;
    ASSERT_EQ(r.out.size(), 2 * L::kSize);
    EXPECT_EQ(r.out.substr(0, L::kSize), bytes(examples[0].expected()));
    EXPECT_EQ(r.out.substr(L::kSize), bytes(examples[1].expected()));
}

TEST_F(ToolCall, EmptyInputAnswersNothing) {
    const ToolRun r = run_tool({"call"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

// Each block is answered as soon as it arrives, before the input ends: a
// caller can hold one process open and talk to it block by block.
TEST_F(ToolCall, AnswersEachBlockBeforeTheNextArrives) {
    int to_tool[2], from_tool[2];
    ASSERT_EQ(pipe(to_tool), 0);
    ASSERT_EQ(pipe(from_tool), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_tool[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_tool[1], 1);
    posix_spawn_file_actions_addclose(&actions, to_tool[1]);
    posix_spawn_file_actions_addclose(&actions, from_tool[0]);
    char* argv[] = {const_cast<char*>(TORLIB_TOOL), const_cast<char*>("call"), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, TORLIB_TOOL, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(to_tool[0]);
    close(from_tool[1]);

    const std::vector<Example> examples = document_examples();
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string block = bytes(examples[i].input());
        ASSERT_EQ(write(to_tool[1], block.data(), block.size()),
                  static_cast<ssize_t>(block.size()));
        std::string answer;
        while (answer.size() < L::kSize) {
            pollfd p{from_tool[0], POLLIN, 0};
            ASSERT_EQ(poll(&p, 1, 10000), 1) << "no answer to block " << i;
            char buf[L::kSize];
            const ssize_t n = read(from_tool[0], buf, L::kSize - answer.size());
            ASSERT_GT(n, 0);
            answer.append(buf, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(answer, bytes(examples[i].expected())) << examples[i].name;
    }
    close(to_tool[1]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    close(from_tool[0]);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0);
}

struct Case {
    std::vector<std::string> args;
    int status;
    std::string out; // standard output, exactly; for status 2 a part of stderr
};

void check(const Case& c) {
    const ToolRun r = run_tool(c.args);
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
        const ToolRun r = run_tool({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out.rfind(std::string("Uso: torlib ") + command, 0), 0u) << r.out;
    }
    EXPECT_EQ(run_tool({"--help"}).status, 0);
    EXPECT_EQ(run_tool({}).status, 2);
    const ToolRun r = run_tool({"somar"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("comando desconhecido"), std::string::npos);
}

} // namespace
} // namespace qv::torlib_test
