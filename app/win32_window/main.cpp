// Quiterval for Windows: the till program. One window; closing it ends the
// program. A program of the Windows subsystem: --version and --help write
// to where its standard output goes, or else to the console it was started
// from.
#include "app/win32_window/main_window.h"
#include "app/win32_window/wide_text.h"
#include "driver/printer_choice.h"
#include "shared/version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kHelp[] =
    "Uso: quiterval [--version | --help]\n"
    "\n"
    "Abre a janela do Quiterval: cupom fiscal avulso para restaurantes.\n"
    "A pasta atual guarda o arquivo de configuração Quiterval.TOR (criado na\n"
    "primeira execução).\n"
    "\n"
    "A impressora fiscal: a biblioteca escolhida pelo técnico na linha\n"
    "biblioteca=CAMINHO de %APPDATA%\\quiterval\\impressora.conf ou, senão, do\n"
    "impressora.conf ao lado dos programas; sem escolha (ou com\n"
    "biblioteca=simulada), a impressora simulada, para treinamento, sem valor\n"
    "fiscal. A NFC-e (biblioteca=nfce) ainda não está disponível no Windows.\n"
    "\n"
    "Variáveis de ambiente:\n"
    "  QUITERVAL_ECF_LIBRARY  biblioteca da impressora fiscal, antes dos arquivos\n"
    "  ECFSIM_DIR             pasta da impressora simulada (padrão .\\ecf-simulado;\n"
    "                         a bobina fica em bobina.txt)\n"
    "  QUITERVAL_DRIVER_LOG   registro de erros da impressora\n"
    "\n"
    "  --version  mostra a versão\n"
    "  --help     mostra esta ajuda\n";

// UTF-8 text out: to the console as UTF-16 (whatever its code page), to a
// file or a pipe as it is. A program without a console attaches to the one
// it was started from; with neither, nothing is written and 1 comes back.
int write_out(const std::string& utf8) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return 1;
        out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE) return 1;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(out, &mode)) {
        const int size = static_cast<int>(utf8.size());
        std::wstring wide(utf8.size(), L'\0');
        const int made = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), size);
        return ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(made), &written, nullptr) ? 0
                                                                                              : 1;
    }
    return ::WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) &&
                   written == utf8.size()
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return write_out(std::string("Quiterval (14.04a) ") + QUITERVAL_VERSION + "\n");
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return write_out(kHelp +
                             ("\n" + qv::driver::describe(qv::driver::choose_library()) + "\n"));
        (void)write_out(std::string("quiterval: opção desconhecida: ") + argv[i] +
                        " (veja --help)\n");
        return 2;
    }
    qv::win32::MainWindow window;
    window.show();
    return window.run();
}
