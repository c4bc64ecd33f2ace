#include "tools/console/console.h"

#include <cstdio>

namespace qv::console {

std::vector<std::string> arguments(int argc, char** argv) {
    return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

StandardStreams::StandardStreams() = default;

StandardStreams::~StandardStreams() {
    (void)std::fflush(stdout);
    (void)std::fflush(stderr);
}

std::optional<bool> ask_on_terminal(std::string_view question) {
    std::FILE* tty = std::fopen("/dev/tty", "r+");
    if (tty == nullptr) return std::nullopt;
    (void)std::fwrite(question.data(), 1, question.size(), tty);
    (void)std::fflush(tty);
    char answer[16] = {};
    const bool yes =
        std::fgets(answer, sizeof answer, tty) != nullptr && (answer[0] == 's' || answer[0] == 'S');
    (void)std::fclose(tty);
    return yes;
}

} // namespace qv::console
