// Quiterval: the till program. One window; closing it ends the program.
#include "app/window/main_form.h"
#include "driver/printer_choice.h"
#include "shared/version.h"

#include <QApplication>

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
    "biblioteca=CAMINHO de ~/.config/quiterval/impressora.conf ou, senão, de\n"
    "/etc/quiterval/impressora.conf; sem escolha (ou com biblioteca=simulada), a\n"
    "impressora simulada, para treinamento, sem valor fiscal. Com biblioteca=nfce,\n"
    "a NFC-e em vez da impressora fiscal, configurada no nfce.conf ao lado do\n"
    "impressora.conf que a escolheu.\n"
    "\n"
    "Variáveis de ambiente:\n"
    "  QUITERVAL_ECF_LIBRARY  biblioteca da impressora fiscal (ou nfce), antes dos\n"
    "                         arquivos\n"
    "  ECFSIM_DIR             pasta da impressora simulada (padrão ./ecf-simulado;\n"
    "                         a bobina fica em bobina.txt)\n"
    "  QUITERVAL_DRIVER_LOG   registro de erros da impressora\n"
    "  NFCE_CONF              o nfce.conf da NFC-e, em vez do que fica ao lado\n"
    "  NFCE_DIR               pasta das notas e dos XML da NFC-e (padrão ./nfce)\n"
    "  THERMALSIM_DIR         pasta da impressora térmica simulada (padrão\n"
    "                         ./termica-simulada)\n"
    "\n"
    "  --version  mostra a versão\n"
    "  --help     mostra esta ajuda\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            return std::printf("Quiterval (14.04a) %s\n", QUITERVAL_VERSION) < 0 ? 1 : 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            const std::string printer =
                "\n" + qv::driver::describe(qv::driver::choose_library()) + "\n";
            return std::fputs(kHelp, stdout) < 0 || std::fputs(printer.c_str(), stdout) < 0 ? 1 : 0;
        }
    }
    QApplication app(argc, argv); // takes Qt's own options (-platform ...)
    const QStringList rest = QApplication::arguments().mid(1);
    if (!rest.isEmpty()) {
        (void)std::fprintf(stderr, "quiterval: opção desconhecida: %s (veja --help)\n",
                           qPrintable(rest.first()));
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Quiterval"));
    QApplication::setWindowIcon(qv::program_icon());
    qv::install_fonts();

    qv::MainForm window;
    window.show();
    return QApplication::exec();
}
