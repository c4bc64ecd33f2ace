// quiterval-ecf: the fiscal printer driver from the command line, for the
// shop's technician (an X reading, a Z reduction at closing time, cancelling
// the last coupon) and for tests.
//
//   quiterval-ecf leiturax          X reading
//   quiterval-ecf reducaoz [--yes]  Z reduction (asks on the terminal unless --yes)
//   quiterval-ecf cancela           cancel the last coupon
//   quiterval-ecf block             one 1025-byte parameter block from standard
//                                   input through the driver to standard output
//   quiterval-ecf --help            this use, and which printer library is used
//                                   and why
//
// Exit status: 0 the command succeeded, 1 the printer command failed, 2 bad
// use, bad input or a Z reduction not confirmed.
#include "driver/fiscal_driver.h"
#include "driver/printer_choice.h"
#include "shared/cp1252.h"
#include "shared/fixed_field.h"
#include "shared/impfis_block.h"
#include "tools/console/console.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qv::impfis;

constexpr std::string_view kUse =
    "uso: quiterval-ecf leiturax | reducaoz [--yes] | cancela | block\n";

int usage() {
    std::cerr << kUse;
    return 2;
}

int help() {
    std::cout << kUse
              << "\n"
                 "  leiturax   leitura X\n"
                 "  reducaoz   redução Z (pergunta no terminal, a menos que --yes)\n"
                 "  cancela    cancela o último cupom\n"
                 "  block      um bloco de parâmetros de 1025 bytes da entrada para a saída\n"
                 "\n"
                 "A biblioteca da impressora vem de QUITERVAL_ECF_LIBRARY, senão de\n"
                 "~/.config/quiterval/impressora.conf, senão de /etc/quiterval/impressora.conf\n"
                 "(linha biblioteca=CAMINHO ou biblioteca=simulada); sem escolha, a impressora\n"
                 "simulada. Com biblioteca=nfce, a NFC-e, configurada no nfce.conf ao lado.\n"
              << qv::driver::describe(qv::driver::choose_library()) << '\n';
    return std::cout.flush() ? 0 : 1;
}

// The driver form, opened in this process.
void open_driver(std::string_view form) {
    qv::driver::invoke_form(form);
}

// Runs the command and prints each non-blank result text, then
// "Comando executado." when the command succeeded.
int run_command(std::string_view command) {
    char* rec = qv::driver::parameter_block();
    if (command == "REDUCAOZ") {
        qv::blank(qv::field(rec, IMPFIS_REDUCAO_1));
        qv::blank(qv::field(rec, IMPFIS_REDUCAO_2));
    }
    qv::driver::run(rec, command, open_driver);
    const qv::driver::Outcome outcome = qv::driver::outcome(rec);
    for (const std::string& text : outcome.texts)
        std::cout << qv::cp1252_to_utf8(text) << '\n';
    if (!outcome.succeeded) return 1;
    std::cout << "Comando executado.\n";
    return 0;
}

// Asks on the terminal itself, so a redirected input cannot confirm by
// accident.
bool confirmed_on_terminal() {
    const std::optional<bool> yes =
        qv::console::ask_on_terminal("A redução Z encerra o dia fiscal. Confirma? (s/N) ");
    if (!yes) {
        std::cerr << "quiterval-ecf: sem terminal para confirmar a redução Z; "
                     "use --yes\n";
        return false;
    }
    if (!*yes) std::cerr << "quiterval-ecf: redução Z não feita\n";
    return *yes;
}

int run_block() {
    std::string block(kSize + 1, '\0');
    const std::size_t got = std::fread(block.data(), 1, block.size(), stdin);
    if (got != kSize) {
        std::cerr << "quiterval-ecf: o bloco de parâmetros deve ter exatamente " << kSize
                  << " bytes; "
                  << (got < kSize ? "recebidos só " + std::to_string(got)
                                  : std::string("recebidos mais"))
                  << '\n';
        return 2;
    }
    char* rec = qv::driver::parameter_block();
    std::memcpy(rec, block.data(), kSize);
    qv::driver::invoke_form(qv::driver::kFormName);
    if (std::fwrite(rec, 1, kSize, stdout) != kSize || std::fflush(stdout) != 0) {
        std::cerr << "quiterval-ecf: não foi possível escrever o bloco\n";
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const qv::console::StandardStreams streams;
    const std::vector<std::string> args = qv::console::arguments(argc, argv);
    if (args.empty()) return usage();
    const std::string_view what = args[0];
    if (what == "--help" || what == "-h") return args.size() == 1 ? help() : usage();
    bool yes = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--yes" && what == "reducaoz") {
            yes = true;
        } else {
            return usage();
        }
    }
    if (what == "leiturax") return run_command("LEITURAX");
    if (what == "cancela") return run_command("CANC-CUPOM");
    if (what == "reducaoz") {
        if (!yes && !confirmed_on_terminal()) return 2;
        return run_command("REDUCAOZ");
    }
    if (what == "block") return run_block();
    return usage();
}
