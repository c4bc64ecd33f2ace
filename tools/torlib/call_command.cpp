// torlib call: link blocks in, answered link blocks out, one process for any
// number of blocks.
#include "tools/torlib/commands.h"

#include "shared/link_block.h"
#include "shared/platform/platform.h"
#include "torlib/torlib.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace qv::torlib_tool {
namespace {

constexpr std::string_view kHelp =
    "Uso: torlib call < blocos > respostas\n"
    "\n"
    "Lê da entrada padrão blocos de ligação L-LINK de exatamente 332 bytes,\n"
    "um após o outro. Para cada bloco chama TORLIB e escreve os 332 bytes\n"
    "resultantes na saída padrão, logo em seguida (sem esperar o fim da\n"
    "entrada). Um bloco incompleto no fim é um erro: saída 2, depois de\n"
    "responder os blocos completos anteriores.\n";

} // namespace

int call(Args args) {
    if (wants_help(args)) {
        (void)std::fputs(kHelp.data(), stdout);
        return 0;
    }
    if (!args.empty()) return usage_error("call", "não aceita argumentos");

    platform::File in = platform::File::standard_input();
    platform::File out = platform::File::standard_output();
    std::array<char, qv::link::kSize> block{};
    for (;;) {
        const std::optional<std::size_t> got = platform::read_full(in, block);
        if (!got)
            return usage_error("call", "erro ao ler a entrada: " + platform::last_error_text());
        if (*got == 0) return 0;
        if (*got < block.size()) {
            return usage_error("call", "bloco incompleto no fim da entrada: " +
                                           std::to_string(*got) + " de 332 bytes");
        }
        char* link = bind_shared_record(qv::link::kName, qv::link::kSize);
        if (link == nullptr) return usage_error("call", "o bloco L-LINK não pôde ser ligado");
        std::memcpy(link, block.data(), block.size());
        TORLIB();
        if (!platform::write_all(out, std::string_view(link, qv::link::kSize)))
            return usage_error("call", "erro ao escrever a saída: " + platform::last_error_text());
    }
}

} // namespace qv::torlib_tool
