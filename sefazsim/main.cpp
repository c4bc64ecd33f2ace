// quiterval-sefaz-simulada: a stand-in for the state's NFC-e web services,
// for the tests and for training, on the loopback over HTTPS with the
// client's certificate required.
//
//   quiterval-sefaz-simulada --ca CA.pem --cert SERVIDOR.pem --key SERVIDOR.key
//       [--port N] [--pasta PASTA] [--controle ARQUIVO]
//       [--comportamento autorizar|rejeitar|sem-resposta|resposta-perdida|duplicada]
//       [--rejeicao CODIGO] [--motivo TEXTO] [--prazo-cancelamento SEGUNDOS]
//       [--espera SEGUNDOS] [--fim-com-entrada]
//
// The first line written is the port it listens on (--port 0, the default,
// lets the system choose). The control file, read for every request, holds
// the same settings as key=value lines (comportamento=rejeitar, ...) and
// wins over the command line. With --fim-com-entrada it ends when its
// standard input closes; it always ends on SIGINT and SIGTERM.
#include "sefazsim/server.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <string>
#include <thread>

namespace {

std::atomic<bool> signalled{false};
// Set by the reader of the standard input, which may outlive main's locals.
std::atomic<bool> input_closed{false};

extern "C" void on_signal(int) {
    signalled = true;
}

int usage() {
    std::cerr << "uso: quiterval-sefaz-simulada --ca CA.pem --cert SERVIDOR.pem --key "
                 "SERVIDOR.key [--port N] [--pasta PASTA] [--controle ARQUIVO] "
                 "[--comportamento autorizar|rejeitar|sem-resposta|resposta-perdida|duplicada] "
                 "[--rejeicao CODIGO] [--motivo TEXTO] [--prazo-cancelamento SEGUNDOS] "
                 "[--espera SEGUNDOS] [--fim-com-entrada]\n";
    return 2;
}

// Takes the option `name` with its `value`; false for an unknown option or
// a port that is not one. The rules' options are gathered as control lines.
bool take_option(const std::string& name, const std::string& value, qv::sefazsim::Options& options,
                 std::string& rule_lines) {
    if (name == "--ca") {
        options.ca_file = value;
    } else if (name == "--cert") {
        options.cert_file = value;
    } else if (name == "--key") {
        options.key_file = value;
    } else if (name == "--pasta") {
        options.folder = value;
    } else if (name == "--controle") {
        options.control_file = value;
    } else if (name == "--port") {
        if (value.empty() || value.size() > 5 ||
            value.find_first_not_of("0123456789") != std::string::npos || std::stoi(value) > 65535)
            return false;
        options.port = std::stoi(value);
    } else if (name == "--comportamento" || name == "--rejeicao" || name == "--motivo" ||
               name == "--prazo-cancelamento" || name == "--espera") {
        if (value.find('\n') != std::string::npos) return false; // one control line each
        rule_lines += name.substr(2) + "=" + value + "\n";
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qv::sefazsim::Options options;
    options.folder = "sefaz-simulada";
    std::string rule_lines;
    bool end_with_input = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--fim-com-entrada") {
            end_with_input = true;
            continue;
        }
        if (i + 1 >= argc || !take_option(arg, argv[i + 1], options, rule_lines)) return usage();
        ++i;
    }
    if (options.ca_file.empty() || options.cert_file.empty() || options.key_file.empty())
        return usage();
    std::string error;
    const auto rules = qv::sefazsim::parse_rules(rule_lines, {}, &error);
    if (!rules) {
        std::cerr << "quiterval-sefaz-simulada: opção inválida: " << error << "\n";
        return 2;
    }
    options.rules = *rules;

    qv::sefazsim::Server server(options);
    if (!server.start(&error)) {
        std::cerr << "quiterval-sefaz-simulada: " << error << "\n";
        return 1;
    }
    std::cout << server.port() << std::endl;

    (void)std::signal(SIGINT, on_signal);
    (void)std::signal(SIGTERM, on_signal);
    if (end_with_input) {
        // Blocks on the input until it closes; left behind when a signal ends the program.
        std::thread([] {
            std::string line;
            while (std::getline(std::cin, line)) {
            }
            input_closed = true;
        }).detach();
    }
    std::thread watcher([&] {
        while (!signalled && !input_closed)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        server.stop();
    });
    server.serve();
    watcher.join();
    return 0;
}
