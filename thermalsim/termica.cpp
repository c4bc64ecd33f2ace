// quiterval-termica: the simulated thermal printer as a program. Reads
// ESC/POS bytes from a file or standard input and writes the paper into the
// simulator's folder as papel.txt (UTF-8) and papel.png (203 dpi).
//
//   quiterval-termica [--largura 80|58] [--pasta PASTA] [ARQUIVO]
//
// Exit status: 0 printed, 1 printed with problems (listed on standard
// error with their offsets), 2 nothing printed.
#include "thermalsim/thermal.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qv::thermalsim::Paper;

int usage() {
    std::cerr << "uso: quiterval-termica [--largura 80|58] [--pasta PASTA] [ARQUIVO]\n";
    return 2;
}

bool write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out.good();
}

} // namespace

int main(int argc, char** argv) {
    int dots = qv::thermalsim::kDots80mm;
    fs::path dir = qv::thermalsim::simulator_dir();
    std::string input;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--largura" && i + 1 < argc) {
            const std::string w = argv[++i];
            if (w != "80" && w != "58") return usage();
            dots = w == "80" ? qv::thermalsim::kDots80mm : qv::thermalsim::kDots58mm;
        } else if (arg == "--pasta" && i + 1 < argc) {
            dir = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && input.empty()) {
            input = arg;
        } else {
            return usage();
        }
    }

    std::string bytes;
    if (input.empty()) {
        std::ostringstream all;
        all << std::cin.rdbuf();
        bytes = all.str();
    } else {
        std::ifstream in(input, std::ios::binary);
        if (!in) {
            std::cerr << "quiterval-termica: não consegui ler " << input << "\n";
            return 2;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    const Paper paper = qv::thermalsim::print(bytes, dots);
    for (const qv::thermalsim::Problem& p : paper.problems)
        std::cerr << "quiterval-termica: byte " << p.offset << ": " << p.what << "\n";
    std::error_code ec;
    fs::create_directories(dir, ec);
    const std::string image = qv::thermalsim::png(paper);
    if (!write_file(dir / "papel.txt", paper.text) ||
        (!image.empty() && !write_file(dir / "papel.png", image))) {
        std::cerr << "quiterval-termica: não consegui gravar o papel em " << dir.string() << "\n";
        return 2;
    }
    std::cout << (dir / "papel.txt").string() << "\n";
    if (!image.empty()) std::cout << (dir / "papel.png").string() << "\n";
    return paper.problems.empty() ? 0 : 1;
}
