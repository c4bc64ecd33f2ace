// torlib call: link blocks in, answered link blocks out, one process for any
// number of blocks.
#include "tools/torlib/commands.h"

#include "shared/link_block.h"
#include "torlib/torlib.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

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

// Reads until `buf` is full or the input ends; the count read, or -1.
ssize_t read_block(int fd, std::span<char> buf) {
    std::size_t got = 0;
    while (got < buf.size()) {
        const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int call(Args args) {
    if (wants_help(args)) {
        (void)std::fputs(kHelp.data(), stdout);
        return 0;
    }
    if (!args.empty()) return usage_error("call", "não aceita argumentos");

    std::array<char, qv::link::kSize> block{};
    for (;;) {
        const ssize_t got = read_block(STDIN_FILENO, block);
        if (got < 0)
            return usage_error("call",
                               std::string("erro ao ler a entrada: ") + std::strerror(errno));
        if (got == 0) return 0;
        if (static_cast<std::size_t>(got) < block.size()) {
            return usage_error("call", "bloco incompleto no fim da entrada: " +
                                           std::to_string(got) + " de 332 bytes");
        }
        char* link = bind_shared_record(qv::link::kName, qv::link::kSize);
        if (link == nullptr) return usage_error("call", "o bloco L-LINK não pôde ser ligado");
        std::memcpy(link, block.data(), block.size());
        TORLIB();
        if (!write_all(STDOUT_FILENO, link, qv::link::kSize))
            return usage_error("call",
                               std::string("erro ao escrever a saída: ") + std::strerror(errno));
    }
}

} // namespace qv::torlib_tool
