// torlib: the service library from the command line.
#include "tools/console/console.h"
#include "tools/torlib/commands.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qv::torlib_tool;

constexpr std::string_view kHelp =
    "Uso: torlib COMANDO [ARGUMENTOS]\n"
    "\n"
    "Rotinas de serviço da biblioteca libtorlib.so.\n"
    "\n"
    "Comandos:\n"
    "  call                       blocos de ligação de 332 bytes da entrada padrão,\n"
    "                             respondidos um a um na saída padrão\n"
    "  documento CPF|CNPJ         confere os dígitos verificadores\n"
    "  extenso VALOR              valor em reais por extenso (1.234,56)\n"
    "  numero VALOR               número por extenso, sem moeda\n"
    "  maiusculas TEXTO           maiúsculas sem acentos\n"
    "  calendario DATA [+DIAS|DATA2]\n"
    "                             dia da semana, nomes, data por extenso; soma\n"
    "                             dias ou conta os dias entre duas datas\n"
    "  existe CAMINHO             diz se o arquivo existe\n"
    "\n"
    "Saída: 0 resposta válida ou positiva, 1 resposta \"N\", 2 entrada inutilizável.\n"
    "Use \"torlib COMANDO --help\" para os detalhes de cada comando.\n";

struct Command {
    std::string_view name;
    int (*run)(Args);
};
constexpr std::array<Command, 7> kCommands{{
    {"call", call},
    {"documento", documento},
    {"extenso", extenso},
    {"numero", numero},
    {"maiusculas", maiusculas},
    {"calendario", calendario},
    {"existe", existe},
}};

} // namespace

int main(int argc, char** argv) {
    const qv::console::StandardStreams streams;
    const std::vector<std::string> utf8 = qv::console::arguments(argc, argv);
    const std::vector<std::string_view> args(utf8.begin(), utf8.end());
    if (args.empty()) {
        (void)std::fputs(kHelp.data(), stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (void)std::fputs(kHelp.data(), stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (args[0] != c.name) continue;
        const int status = c.run(Args(args).subspan(1));
        // An answer that did not reach its reader is no answer.
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            (void)std::fprintf(stderr, "torlib %s: erro ao escrever a saída\n", utf8[0].c_str());
            return 2;
        }
        return status;
    }
    (void)std::fprintf(stderr, "torlib: comando desconhecido \"%.*s\" (veja torlib --help)\n",
                       static_cast<int>(args[0].size()), args[0].data());
    return 2;
}
