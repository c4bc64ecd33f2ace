// Takes the cashier's guide's pictures (docs/caixa.md) of the real window:
// the three pages and the two lock panels, as PNG files in the given folder.
// Runs in a scratch working folder of its own making (the settings file is
// created there).
//
//   quiterval-screenshots <folder>        (QT_QPA_PLATFORM=offscreen works)
#include "app/core/control_names.h"
#include "app/window/main_form.h"
#include "tests/gui/gui_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace controls = qv::controls;
using qv::gui_test::name_of;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        (void)std::fprintf(stderr, "uso: quiterval-screenshots <pasta>\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QTemporaryDir scratch;
    if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) return 1;
    qputenv("ECFSIM_DIR", QDir(scratch.path()).filePath(QStringLiteral("ecf")).toLocal8Bit());
    qv::install_fonts();

    qv::MainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    QTest::qWait(50);
    qv::WindowOps& ops = form.window_ops();
    ops.set_grid_text(controls::Tab_Operadores, 1, 1, "MARIA");
    ops.set_grid_number(controls::Tab_Operadores, 1, 2, qv::Decimal::from_int(123456));
    ops.set_grid_text(controls::Tab_Operadores, 2, 1, "JOAO");
    ops.set_grid_number(controls::Tab_Operadores, 2, 2, qv::Decimal::from_int(654321));
    ops.list_add(controls::Cb_Operador, "MARIA                - 123456");
    ops.set_text(controls::Cb_Operador, "MARIA                - 123456");

    auto* tabs = static_cast<QTabWidget*>(form.control(name_of(controls::Pst_ORELHAS)));
    bool ok = form.grab().save(out + "/janela-pagina1.png");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    ok = form.grab().save(out + "/janela-login.png") && ok;
    ops.set_visible(controls::Frm_SENHA, false);
    ops.set_number(controls::Ed_VALOREF, qv::Decimal::from_int(42));
    ops.set_number(controls::Ed_VALOBEB, qv::Decimal::from_units(125'000));
    ops.set_number(controls::Ed_VALOTOT, qv::Decimal::from_units(545'000));
    ok = form.grab().save(out + "/janela-pagina2.png") && ok;
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(2).center());
    ops.set_text(controls::Ed_SENHAM, "7319");
    ok = form.grab().save(out + "/janela-senha-master.png") && ok;
    ops.set_visible(controls::Frm_SENHAM, false);
    ok = form.grab().save(out + "/janela-pagina3.png") && ok;
    return ok ? 0 : 1;
}
