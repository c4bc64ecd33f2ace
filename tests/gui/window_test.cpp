// The real window driven with key and mouse events on the offscreen platform:
// the form against its definition, login and locks, Enter as Tab and the
// total, the release password, printing on the simulated printer, the
// fiscal-day buttons, the configuration page and the edit masks.
#include "app/core/control_names.h"
#include "app/window/main_form.h"
#include "app/window/masked_edit.h"
#include "tests/gui/gui_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <memory>
#include <optional>

using namespace qv::gui_test;
namespace controls = qv::controls;
using Button = QMessageBox::StandardButton;

class WindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ScratchFolder> scratch_;
    std::unique_ptr<qv::MainForm> form_;

    template <class T = QWidget> T* w(std::string_view name) {
        auto* found = qobject_cast<T*>(form_->control(name_of(name)));
        if (!found) qFatal("no control %s", qPrintable(name_of(name)));
        return found;
    }
    QTabWidget* tabs() { return w<QTabWidget>(controls::Pst_ORELHAS); }
    QString text(std::string_view name) { return w<QLineEdit>(name)->text(); }
    bool panel_shown(std::string_view name) { return !w(name)->isHidden(); }

    void open_window() {
        form_ = std::make_unique<qv::MainForm>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QTRY_VERIFY(form_->has_opened());
    }
    void click_tab(int index) {
        QTabBar* bar = tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Page 2, an operator chosen with the arrow keys (0 = first entry), the
    // password typed and left with Enter.
    void log_in(int entry, const QString& password) {
        click_tab(1);
        QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
        for (int i = 0; i <= entry; ++i)
            press(Qt::Key_Down);
        click(w(controls::Ed_SENHA));
        type(password);
        press(Qt::Key_Return);
    }
    void open_configuration() {
        click_tab(2);
        QCOMPARE(focus_name(), name_of(controls::Ed_SENHAM));
        type(QStringLiteral("731946"));
        press(Qt::Key_Return);
        QVERIFY(!panel_shown(controls::Frm_SENHAM));
    }
    // Replaces a field's contents by what the cashier types.
    void fill(std::string_view name, const QString& typed) {
        click(w(name));
        QCOMPARE(focus_name(), name_of(name));
        w<QLineEdit>(name)->selectAll();
        press(Qt::Key_Delete);
        type(typed);
    }

  private slots:
    void initTestCase() { qv::install_fonts(); }
    void init() {
        scratch_ = std::make_unique<ScratchFolder>();
        // Maximum 100,00, taxes 10 % and 20 %, release password 4321;
        // ANA's password cell was left empty.
        write_settings(scratch_->path(QStringLiteral("Quiterval.TOR")), 10000, 1000, 2000, 4321,
                       {{"MARIA", 123456}, {"JOAO", 654321}, {"ANA", 0}});
        open_window();
    }
    void cleanup() {
        form_.reset();
        scratch_.reset();
    }

    void form_matches_its_definition_data();
    void form_matches_its_definition();
    void tab_order();
    void start_state();
    void login_data();
    void login();
    void every_tab_click_locks_again();
    void keyboard_page_changes_lock_too();
    void nothing_behind_a_panel_takes_the_focus();
    void master_password_data();
    void master_password();
    void enter_moves_focus_and_updates_total();
    void total_above_the_mask_shows_whole();
    void release_password_data();
    void release_password();
    void printed_coupon_reaches_printer_and_resets_form();
    void z_reduction_is_no_by_default();
    void cancel_last_coupon_with_nothing_typed();
    void configuration_edits_take_effect_and_gravar_saves();
    void masks_refuse_what_they_must_data();
    void masks_refuse_what_they_must();
    void fields_show_their_value_in_the_mask();
    void operator_list_shows_names_only();
    void window_gets_focus_back_after_a_message_box();
    void logo_pointer_and_click();
    void printer_band_data();
    void cnpj_with_letters_shows_in_upper_case();
    void printer_band();
    void message_box_styles_data();
    void message_box_styles();
    void escape_and_close_leave_a_question_up_data();
    void escape_and_close_leave_a_question_up();
    void texts_cross_as_windows_1252();
    void fonts_stand_in_for_the_windows_ones();
};

// ---------------------------------------------------------------- the form

void WindowTest::form_matches_its_definition_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("caption");
    struct Row {
        std::string_view name;
        const char* kind;
        std::string_view container;
        QRect geometry;
        const char* caption;
    };
    const Row rows[] = {
        {controls::Pst_ORELHAS, "QTabWidget", "01-Quiterval", {6, 8, 350, 318}, ""},
        {controls::Frm_SENHAM, "QFrame", "01-Quiterval", {6, 8, 350, 318}, ""},
        {controls::Frm_Logo, "QFrame", controls::Pst_ORELHAS, {0, 24, 349, 295}, ""},
        {controls::Frm_Dados, "QFrame", controls::Pst_ORELHAS, {0, 24, 349, 295}, ""},
        {controls::Frm_Dados1, "QFrame", controls::Pst_ORELHAS, {0, 24, 349, 295}, ""},
        {controls::Frm_SENHA, "QFrame", controls::Pst_ORELHAS, {0, 24, 349, 295}, ""},
        {controls::Img_FUNDO, "QLabel", controls::Frm_Logo, {5, 79, 334, 132}, ""},
        {controls::Frm_DOCUMENTO1, "QGroupBox", controls::Frm_Dados, {9, 6, 326, 33}, " Refeição"},
        {controls::Ed_VALOREF, "qv::MaskedEdit", controls::Frm_DOCUMENTO1, {224, 4, 79, 23}, ""},
        {controls::Frm_DOCUMENTO2, "QGroupBox", controls::Frm_Dados, {9, 45, 326, 33}, " Bebidas"},
        {controls::Ed_VALOBEB, "qv::MaskedEdit", controls::Frm_DOCUMENTO2, {224, 4, 79, 23}, ""},
        {controls::Frm_DOCUMENTO3,
         "QGroupBox",
         controls::Frm_Dados,
         {9, 84, 326, 33},
         " T O T A L "},
        {controls::Ed_VALOTOT, "qv::MaskedEdit", controls::Frm_DOCUMENTO3, {224, 4, 79, 23}, ""},
        {controls::Frm_DOCUMENTO13, "QGroupBox", controls::Frm_Dados, {9, 123, 326, 33}, ""},
        {controls::Rbt_Dinheiro,
         "QRadioButton",
         controls::Frm_DOCUMENTO13,
         {10, 4, 94, 22},
         " Dinheiro"},
        {controls::Rbt_Cheque,
         "QRadioButton",
         controls::Frm_DOCUMENTO13,
         {116, 4, 94, 22},
         " Cheque"},
        {controls::Rbt_Cartao,
         "QRadioButton",
         controls::Frm_DOCUMENTO13,
         {221, 4, 94, 22},
         "Cartão"},
        {controls::Frm_DOCUMENTO,
         "QGroupBox",
         controls::Frm_Dados,
         {9, 162, 326, 33},
         " Documento"},
        {controls::Ed_DOCUMEN, "qv::MaskedEdit", controls::Frm_DOCUMENTO, {140, 4, 165, 23}, ""},
        {controls::Frm_DOCUMENTO12,
         "QGroupBox",
         controls::Frm_Dados,
         {9, 201, 326, 33},
         " Senha de Liberação"},
        {controls::Ed_LIBERAC, "qv::MaskedEdit", controls::Frm_DOCUMENTO12, {236, 4, 67, 23}, ""},
        {controls::Bt_Imprime,
         "QPushButton",
         controls::Frm_Dados,
         {9, 249, 146, 36},
         "IMPRIME CUPOM"},
        {controls::Bt_LEITX1,
         "QPushButton",
         controls::Frm_Dados,
         {189, 249, 146, 36},
         "CANCELA ÚLT. CUPOM"},
        {controls::Frm_DOCUMENTO11,
         "QGroupBox",
         controls::Frm_SENHA,
         {42, 98, 263, 53},
         " Usuário"},
        {controls::Cb_Operador, "QComboBox", controls::Frm_DOCUMENTO11, {84, 13, 167, 23}, ""},
        {controls::Frm_DOCUMENTO10, "QGroupBox", controls::Frm_SENHA, {42, 164, 263, 53}, " Senha"},
        {controls::Ed_SENHA, "qv::MaskedEdit", controls::Frm_DOCUMENTO10, {181, 14, 64, 23}, ""},
        {controls::Frm_DOCUMENTO4,
         "QGroupBox",
         controls::Frm_Dados1,
         {5, 6, 334, 148},
         " Operadores"},
        {controls::Tab_Operadores, "QTableWidget", controls::Frm_DOCUMENTO4, {97, 5, 173, 134}, ""},
        {controls::Frm_DOCUMENTO5,
         "QGroupBox",
         controls::Frm_Dados1,
         {5, 159, 334, 33},
         " Valor Máximo                     Senha"},
        {controls::Ed_VALOMAX, "qv::MaskedEdit", controls::Frm_DOCUMENTO5, {119, 4, 79, 23}, ""},
        {controls::Ed_SENHLIB, "qv::MaskedEdit", controls::Frm_DOCUMENTO5, {260, 4, 65, 23}, ""},
        {controls::Frm_DOCUMENTO9,
         "QGroupBox",
         controls::Frm_Dados1,
         {6, 195, 334, 52},
         "% Lei 12.741"},
        {controls::CmStatic1, "QLabel", controls::Frm_DOCUMENTO9, {146, 4, 57, 18}, "Refeições"},
        {controls::CmStatic2, "QLabel", controls::Frm_DOCUMENTO9, {270, 4, 51, 18}, "Bebidas"},
        {controls::Ed_PERCREF, "qv::MaskedEdit", controls::Frm_DOCUMENTO9, {146, 23, 54, 23}, ""},
        {controls::Ed_PERCBEB, "qv::MaskedEdit", controls::Frm_DOCUMENTO9, {264, 23, 54, 23}, ""},
        {controls::Bt_LEITX, "QPushButton", controls::Frm_Dados1, {5, 253, 98, 31}, "LEITURA X"},
        {controls::Bt_REDZ, "QPushButton", controls::Frm_Dados1, {124, 253, 98, 31}, "REDUÇÃO Z"},
        {controls::Bt_REDZ1, "QPushButton", controls::Frm_Dados1, {242, 253, 98, 31}, "GRAVAR"},
        {controls::Frm_DOCUMENTO8,
         "QGroupBox",
         controls::Frm_SENHAM,
         {60, 119, 224, 53},
         " Senha Master"},
        {controls::Ed_SENHAM, "qv::MaskedEdit", controls::Frm_DOCUMENTO8, {140, 14, 69, 23}, ""},
    };
    for (const Row& r : rows)
        QTest::newRow(qPrintable(name_of(r.name)))
            << name_of(r.name) << QString::fromLatin1(r.kind) << name_of(r.container) << r.geometry
            << QString::fromUtf8(r.caption);
}

void WindowTest::form_matches_its_definition() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    // Panels of a page sit in the tab control's coordinates; the lock panels
    // are placed at their working positions when the window opens.
    QWidget* c = form_->control(name);
    QVERIFY2(c, qPrintable(name));
    QCOMPARE(QString::fromLatin1(c->metaObject()->className()), kind);
    QWidget* box = container == form_->objectName() ? form_.get() : form_->control(container);
    QVERIFY(box && box->isAncestorOf(c));
    QCOMPARE(QRect(c->mapTo(box, QPoint(0, 0)), c->size()), geometry);
    if (auto* group = qobject_cast<QGroupBox*>(c)) QCOMPARE(group->title(), caption);
    if (auto* button = qobject_cast<QAbstractButton*>(c)) QCOMPARE(button->text(), caption);
    if (auto* label = qobject_cast<QLabel*>(c); label && name != name_of(controls::Img_FUNDO))
        QCOMPARE(label->text(), caption);
}

void WindowTest::tab_order() {
    const QStringList expected =
        names_of({controls::Ed_VALOREF, controls::Ed_VALOBEB,     controls::Rbt_Dinheiro,
                  controls::Rbt_Cheque, controls::Rbt_Cartao,     controls::Ed_DOCUMEN,
                  controls::Ed_LIBERAC, controls::Bt_Imprime,     controls::Ed_VALOTOT,
                  controls::Bt_LEITX,   controls::Bt_REDZ,        controls::Pst_ORELHAS,
                  controls::Ed_VALOMAX, controls::Ed_SENHLIB,     controls::Ed_PERCREF,
                  controls::Ed_PERCBEB, controls::Bt_REDZ1,       controls::Bt_LEITX1,
                  controls::Ed_SENHAM,  controls::Tab_Operadores, controls::Ed_SENHA,
                  controls::Cb_Operador});
    QStringList chain;
    QWidget* start = w(controls::Ed_VALOREF);
    QWidget* at = start;
    do {
        if (expected.contains(at->objectName()) && !chain.contains(at->objectName()))
            chain << at->objectName();
        at = at->nextInFocusChain();
    } while (at != start);
    QCOMPARE(chain, expected);
    // Frames, labels and the picture take no focus.
    for (std::string_view name : {controls::Frm_DOCUMENTO1, controls::CmStatic1,
                                  controls::Img_FUNDO, controls::Frm_SENHA, controls::Frm_Dados})
        QCOMPARE(w(name)->focusPolicy(), Qt::NoFocus);
}

void WindowTest::start_state() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Quiterval (14.04a)"));
    QCOMPARE(form_->size(), QSize(363, 334));
    QCOMPARE(tabs()->currentIndex(), 0);
    QCOMPARE(tabs()->tabText(2), QStringLiteral("CONFIGURAÇÃO"));
    QVERIFY(!panel_shown(controls::Frm_SENHA));
    QVERIFY(!panel_shown(controls::Frm_SENHAM));
    QVERIFY(w<QRadioButton>(controls::Rbt_Dinheiro)->isChecked());
    // The window has the keyboard: the tab captions hold the first focus.
    QVERIFY(form_->isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), tabs()->tabBar());
    // The settings reached the controls.
    QCOMPARE(w<QComboBox>(controls::Cb_Operador)->count(), 3);
    QCOMPARE(text(controls::Ed_VALOMAX), QStringLiteral("100,00"));
    QCOMPARE(text(controls::Ed_SENHLIB), QStringLiteral("004321"));
    QCOMPARE(text(controls::Ed_PERCREF), QStringLiteral("10,00"));
    QCOMPARE(w<QTableWidget>(controls::Tab_Operadores)->item(2, 1)->text(),
             QStringLiteral("000000"));
}

// ------------------------------------------------------------ login, locks

void WindowTest::login_data() {
    QTest::addColumn<int>("entry"); // -1: nobody chosen
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("logs_in");
    QTest::newRow("right password") << 0 << "123456" << true;
    QTest::newRow("second operator") << 1 << "654321" << true;
    QTest::newRow("blank password") << 0 << "" << false;
    QTest::newRow("another operator's password") << 0 << "654321" << false;
    QTest::newRow("password cut short") << 0 << "12345" << false;
    QTest::newRow("nobody chosen") << -1 << "123456" << false;
    QTest::newRow("empty cell is 000000") << 2 << "000000" << true;
    QTest::newRow("empty cell is not 0") << 2 << "0" << false;
}

void WindowTest::login() {
    QFETCH(int, entry);
    QFETCH(QString, password);
    QFETCH(bool, logs_in);
    click_tab(1);
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
    for (int i = 0; i <= entry; ++i)
        press(Qt::Key_Down);
    QCOMPARE(w<QComboBox>(controls::Cb_Operador)->currentIndex(), entry);
    click(w(controls::Ed_SENHA));
    type(password);
    QCOMPARE(w<QLineEdit>(controls::Ed_SENHA)->displayText(), QString(password.size(), u'*'));
    press(Qt::Key_Return);
    QCOMPARE(panel_shown(controls::Frm_SENHA), !logs_in);
    if (logs_in) QCOMPARE(focus_name(), name_of(controls::Ed_VALOREF));
    // The same by Tab: a wrong password leaves the panel, whatever the key.
    if (!logs_in) {
        click(w(controls::Ed_SENHA));
        press(Qt::Key_Tab);
        QVERIFY(panel_shown(controls::Frm_SENHA));
    }
}

void WindowTest::every_tab_click_locks_again() {
    log_in(0, QStringLiteral("123456"));
    QVERIFY(!panel_shown(controls::Frm_SENHA));
    fill(controls::Ed_LIBERAC, QStringLiteral("4321"));
    // A click on the tab of the page already on top locks again and blanks
    // both passwords.
    click_tab(1);
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QCOMPARE(text(controls::Ed_SENHA), QString());
    QCOMPARE(text(controls::Ed_LIBERAC), QString());
    QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
    // Page 3 by a click: the master panel, over the tab captions too.
    click_tab(2);
    QVERIFY(panel_shown(controls::Frm_SENHAM));
    QCOMPARE(focus_name(), name_of(controls::Ed_SENHAM));
    QTest::mouseClick(form_.get(), Qt::LeftButton, {},
                      tabs()->mapTo(form_.get(), tabs()->tabBar()->tabRect(0).center()));
    QCOMPARE(tabs()->currentIndex(), 2);
    open_configuration();
    QCOMPARE(focus_name(), name_of(controls::Ed_VALOMAX));
    click_tab(2);
    QVERIFY(panel_shown(controls::Frm_SENHAM));
    QCOMPARE(text(controls::Ed_SENHAM), QString());
}

void WindowTest::keyboard_page_changes_lock_too() {
    QCOMPARE(QApplication::focusWidget(), tabs()->tabBar());
    press(Qt::Key_Right);
    QCOMPARE(tabs()->currentIndex(), 1);
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 2);
    QVERIFY(panel_shown(controls::Frm_SENHAM));
    QCOMPARE(focus_name(), name_of(controls::Ed_SENHAM));
    // Behind the master panel the keyboard cannot change the page either.
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs()->currentIndex(), 2);
    open_configuration();
    tabs()->setFocus();
    press(Qt::Key_Left);
    QCOMPARE(tabs()->currentIndex(), 1);
    QVERIFY(panel_shown(controls::Frm_SENHA));
}

void WindowTest::nothing_behind_a_panel_takes_the_focus() {
    click_tab(1);
    const QStringList coupon = names_of(
        {controls::Ed_VALOREF, controls::Ed_VALOBEB, controls::Rbt_Dinheiro, controls::Rbt_Cheque,
         controls::Rbt_Cartao, controls::Ed_DOCUMEN, controls::Ed_LIBERAC, controls::Bt_Imprime,
         controls::Ed_VALOTOT, controls::Bt_LEITX1});
    for (int i = 0; i < 30; ++i) {
        press(Qt::Key_Tab);
        QVERIFY2(!coupon.contains(focus_name()), qPrintable(focus_name()));
    }
    // A click where a coupon field lies lands on the panel.
    QTest::mouseClick(form_.get(), Qt::LeftButton, {},
                      w(controls::Ed_VALOREF)->mapTo(form_.get(), QPoint(10, 10)));
    QVERIFY(!coupon.contains(focus_name()));
    click(w(controls::Ed_VALOREF));
    QVERIFY(!coupon.contains(focus_name()));

    // The master panel leaves only its own field; Tab and Enter stay there.
    click_tab(2);
    for (int i = 0; i < 10; ++i) {
        press(i % 2 ? Qt::Key_Tab : Qt::Key_Return);
        QCOMPARE(focus_name(), name_of(controls::Ed_SENHAM));
    }
    click(w(controls::Bt_REDZ));
    QCOMPARE(focus_name(), name_of(controls::Ed_SENHAM));
}

void WindowTest::master_password_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("opens");
    QTest::newRow("right, Enter") << "731946" << int(Qt::Key_Return) << true;
    QTest::newRow("right, Tab") << "731946" << int(Qt::Key_Tab) << true;
    QTest::newRow("wrong") << "731947" << int(Qt::Key_Return) << false;
    QTest::newRow("short") << "73194" << int(Qt::Key_Return) << false;
    QTest::newRow("blank") << "" << int(Qt::Key_Return) << false;
}

void WindowTest::master_password() {
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, opens);
    click_tab(2);
    type(typed);
    QCOMPARE(w<QLineEdit>(controls::Ed_SENHAM)->displayText(), QString(typed.size(), u'*'));
    press(key);
    QCOMPARE(panel_shown(controls::Frm_SENHAM), !opens);
    QCOMPARE(focus_name(), opens ? name_of(controls::Ed_VALOMAX) : name_of(controls::Ed_SENHAM));
}

// --------------------------------------------------------- coupon entry

void WindowTest::enter_moves_focus_and_updates_total() {
    log_in(0, QStringLiteral("123456"));
    type(QStringLiteral("10,50"));
    press(Qt::Key_Return);
    QCOMPARE(focus_name(), name_of(controls::Ed_VALOBEB));
    QCOMPARE(text(controls::Ed_VALOREF), QStringLiteral("10,50"));
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("10,50"));
    type(QStringLiteral("4,25"));
    press(Qt::Key_Return);
    QCOMPARE(focus_name(), name_of(controls::Rbt_Dinheiro));
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("14,75"));
    // Clearing the drinks and leaving the field by a click.
    fill(controls::Ed_VALOBEB, QString());
    click(w(controls::Ed_DOCUMEN));
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("10,50"));
    // Typing alone does not recompute: only leaving the field does.
    fill(controls::Ed_VALOREF, QStringLiteral("1"));
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("10,50"));
    press(Qt::Key_Tab);
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("1,00"));
    // The total is read-only.
    QVERIFY(w<QLineEdit>(controls::Ed_VALOTOT)->isReadOnly());
}

void WindowTest::total_above_the_mask_shows_whole() {
    log_in(0, QStringLiteral("123456"));
    type(QStringLiteral("9999,99"));
    press(Qt::Key_Return);
    type(QStringLiteral("9999,99"));
    press(Qt::Key_Return);
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("19.999,98"));
    QCOMPARE(form_->window_ops().get_number(controls::Ed_VALOTOT),
             qv::Decimal::from_units(199'999'800));
}

void WindowTest::release_password_data() {
    QTest::addColumn<QString>("meal");
    QTest::addColumn<QString>("release");
    QTest::addColumn<bool>("prints");
    QTest::newRow("below the maximum") << "99,99"
                                       << "" << true;
    QTest::newRow("at the maximum") << "100,00"
                                    << "" << true;
    QTest::newRow("above, no password") << "100,01"
                                        << "" << false;
    QTest::newRow("above, wrong password") << "150,00"
                                           << "1234" << false;
    QTest::newRow("above, right password") << "150,00"
                                           << "4321" << true;
    QTest::newRow("above, right with zeros") << "150,00"
                                             << "004321" << true;
}

void WindowTest::release_password() {
    QFETCH(QString, meal);
    QFETCH(QString, release);
    QFETCH(bool, prints);
    log_in(0, QStringLiteral("123456"));
    type(meal);
    fill(controls::Ed_LIBERAC, release);
    BoxAnswers boxes;
    click(w(controls::Bt_Imprime));
    if (prints) {
        QTRY_VERIFY(scratch_->tape().contains(QStringLiteral("REFEICAO")));
        QVERIFY(panel_shown(controls::Frm_SENHA));
    } else {
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral(
                     "Informe a senha correta para emitir cupom acima do valor permitido !!!")});
        QCOMPARE(boxes.seen()[0].icon, QMessageBox::Critical);
        QCOMPARE(scratch_->tape().contains(QStringLiteral("REFEICAO")), false);
        // Nothing changed: the typed release password is still there.
        QCOMPARE(text(controls::Ed_LIBERAC), release);
        QVERIFY(!panel_shown(controls::Frm_SENHA));
    }
}

void WindowTest::printed_coupon_reaches_printer_and_resets_form() {
    log_in(1, QStringLiteral("654321"));
    type(QStringLiteral("10,50"));
    press(Qt::Key_Return);
    type(QStringLiteral("4,25"));
    press(Qt::Key_Return);
    w<QRadioButton>(controls::Rbt_Cartao)->click();
    BoxAnswers boxes;
    click(w(controls::Bt_Imprime));
    QTRY_VERIFY(scratch_->tape().contains(QStringLiteral("BEBIDAS")));
    const QString tape = scratch_->tape();
    QVERIFY2(tape.contains(QStringLiteral("OPERADOR: JOAO")), qPrintable(tape));
    QVERIFY(tape.contains(QStringLiteral("Fonte=IBPT")));
    QVERIFY2(boxes.seen().empty(), qPrintable(boxes.texts().join(u'|')));
    // The form reset: fields blank, the login panel back, focus in the list,
    // the payment option unchanged.
    for (std::string_view name : {controls::Ed_VALOREF, controls::Ed_VALOBEB, controls::Ed_VALOTOT,
                                  controls::Ed_DOCUMEN, controls::Ed_LIBERAC, controls::Ed_SENHA})
        QCOMPARE(text(name), QString());
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
    QVERIFY(w<QRadioButton>(controls::Rbt_Cartao)->isChecked());
    QVERIFY(form_->isActiveWindow());
}

// ------------------------------------------------------ fiscal-day buttons

void WindowTest::z_reduction_is_no_by_default() {
    open_configuration();
    const QString before = scratch_->tape();
    {
        BoxAnswers boxes; // Enter: the default button
        click(w(controls::Bt_REDZ));
        QCOMPARE(boxes.seen().size(), std::size_t{1});
        QCOMPARE(
            boxes.seen()[0].text,
            QStringLiteral(
                "Deseja realmente fazer a REDUÇÃO Z, a impressora não funcionará mais HOJE ?"));
        QCOMPARE(boxes.seen()[0].icon, QMessageBox::Question);
        QCOMPARE(boxes.seen()[0].default_button, QMessageBox::No);
        QCOMPARE(boxes.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(scratch_->tape(), before);
    }
    // Yes sends it.
    BoxAnswers yes({QMessageBox::Yes});
    click(w(controls::Bt_REDZ));
    QTRY_VERIFY(scratch_->tape().size() > before.size());
}

void WindowTest::cancel_last_coupon_with_nothing_typed() {
    log_in(0, QStringLiteral("123456"));
    BoxAnswers boxes;
    click(w(controls::Bt_LEITX1));
    // The printer refuses (nothing to cancel) and says so, one stop box a
    // text; the coupon page is locked again behind the login panel.
    QCOMPARE(boxes.texts(), (QStringList{QStringLiteral("Comando não executado !!!"),
                                         QStringLiteral("Último documento não é cancelável")}));
    QCOMPARE(boxes.seen()[0].icon, QMessageBox::Critical);
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QCOMPARE(focus_name(), name_of(controls::Cb_Operador));
}

// ----------------------------------------------------------- configuration

void WindowTest::configuration_edits_take_effect_and_gravar_saves() {
    open_configuration();
    QCOMPARE(focus_name(), name_of(controls::Ed_VALOMAX));
    w<QLineEdit>(controls::Ed_VALOMAX)->selectAll();
    type(QStringLiteral("50"));
    press(Qt::Key_Return);
    QCOMPARE(focus_name(), name_of(controls::Ed_SENHLIB));
    QCOMPARE(text(controls::Ed_VALOMAX), QStringLiteral("50,00"));
    // The new limit holds at once, unsaved.
    log_in(0, QStringLiteral("123456"));
    type(QStringLiteral("60"));
    {
        BoxAnswers boxes;
        click(w(controls::Bt_Imprime));
        QCOMPARE(boxes.seen().size(), std::size_t{1});
    }
    // A new operator and the save.
    open_configuration();
    auto* grid = w<QTableWidget>(controls::Tab_Operadores);
    grid->setFocus();
    grid->setCurrentCell(3, 0);
    press(Qt::Key_F2);
    type(QStringLiteral("JOSÉ"));
    press(Qt::Key_Return);
    QCOMPARE(grid->item(3, 0)->text(), QStringLiteral("JOSÉ"));
    fill(controls::Ed_PERCBEB, QStringLiteral("12,5"));
    click(w(controls::Bt_REDZ1));
    QTRY_VERIFY(!form_->isVisible());
    QFile saved(scratch_->path(QStringLiteral("Quiterval.TOR")));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray record = saved.readAll();
    QCOMPARE(record.size(), 1061);
    QCOMPARE(record.left(21), QByteArray("1005000100012500043"
                                         "21"));
    QCOMPARE(record.mid(21 + 3 * 26, 26), QByteArray("JOS\xC9                000000"));
}

// ---------------------------------------------------------------- masks

void WindowTest::masks_refuse_what_they_must_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("amount: four integer digits") << name_of(controls::Ed_VALOREF) << "12345"
                                                 << "1234";
    QTest::newRow("amount: two decimals") << name_of(controls::Ed_VALOREF) << "1,234"
                                          << "1,23";
    QTest::newRow("amount: letters") << name_of(controls::Ed_VALOREF) << "a1b2"
                                     << "12";
    QTest::newRow("amount: no sign") << name_of(controls::Ed_VALOREF) << "-5"
                                     << "5";
    QTest::newRow("amount: keypad point is the comma") << name_of(controls::Ed_VALOBEB) << "7.5"
                                                       << "7,5";
    QTest::newRow("amount: one comma") << name_of(controls::Ed_VALOBEB) << "1,2,3"
                                       << "1,23";
    QTest::newRow("percentage: 99,99 at most") << name_of(controls::Ed_PERCREF) << "123,456"
                                               << "12,45";
    QTest::newRow("digits: six") << name_of(controls::Ed_SENHLIB) << "1234567"
                                 << "123456";
    QTest::newRow("digits: nothing else") << name_of(controls::Ed_SENHLIB) << "1a2,3"
                                          << "123";
    QTest::newRow("release password digits") << name_of(controls::Ed_LIBERAC) << "12x34567"
                                             << "123456";
    QTest::newRow("document: 14 characters") << name_of(controls::Ed_DOCUMEN) << "123456789012345"
                                             << "12345678901234";
    QTest::newRow("document: Windows-1252 kept") << name_of(controls::Ed_DOCUMEN) << "ÇÃ€1"
                                                 << "ÇÃ€1";
    QTest::newRow("document: outside Windows-1252") << name_of(controls::Ed_DOCUMEN) << "1ő2→3"
                                                    << "123";
    QTest::newRow("master: six characters") << name_of(controls::Ed_SENHAM) << "abcdefg"
                                            << "abcdef";
}

void WindowTest::masks_refuse_what_they_must() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    if (field == name_of(controls::Ed_SENHAM)) {
        click_tab(2);
    } else if (field.startsWith(name_of(controls::Ed_SENHLIB)) || field.startsWith(u"Ed_PERC")) {
        open_configuration();
    } else {
        log_in(0, QStringLiteral("123456"));
    }
    auto* edit = qobject_cast<QLineEdit*>(form_->control(field));
    QVERIFY(edit);
    edit->setFocus();
    edit->clear();
    type(typed);
    QCOMPARE(edit->text(), kept);
}

void WindowTest::fields_show_their_value_in_the_mask() {
    open_configuration();
    struct Case {
        std::string_view field;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {controls::Ed_VALOMAX, "1234", "1.234,00"}, {controls::Ed_VALOMAX, "0,5", "0,50"},
        {controls::Ed_VALOMAX, ",", "0,00"},        {controls::Ed_SENHLIB, "42", "000042"},
        {controls::Ed_PERCREF, "7,5", "7,50"},      {controls::Ed_PERCBEB, "", ""}};
    for (const Case& c : cases) {
        fill(c.field, QString::fromLatin1(c.typed));
        press(Qt::Key_Tab);
        QCOMPARE(text(c.field), QString::fromLatin1(c.shown));
    }
    // Password fields stay as typed and show only asterisks.
    auto* release = w<qv::MaskedEdit>(controls::Ed_LIBERAC);
    QVERIFY(release->passwordMask());
    QVERIFY(w<qv::MaskedEdit>(controls::Ed_SENHA)->passwordMask());
    QVERIFY(w<qv::MaskedEdit>(controls::Ed_SENHAM)->passwordMask());
    QVERIFY(!w<qv::MaskedEdit>(controls::Ed_SENHLIB)->passwordMask());
}

void WindowTest::operator_list_shows_names_only() {
    auto* list = w<QComboBox>(controls::Cb_Operador);
    QCOMPARE(list->itemText(0), QStringLiteral("MARIA"));
    QCOMPARE(list->itemText(1), QStringLiteral("JOAO"));
    QCOMPARE(list->currentIndex(), -1);
    for (int i = 0; i < list->count(); ++i)
        QVERIFY(!list->itemText(i).contains(u'-'));
    click_tab(1);
    press(Qt::Key_Down);
    QCOMPARE(list->currentText(), QStringLiteral("MARIA"));
    const std::string entry = form_->window_ops().get_text(controls::Cb_Operador);
    QCOMPARE(entry.size(), std::size_t{256});
    QCOMPARE(QString::fromStdString(entry.substr(0, 29)),
             QStringLiteral("MARIA                - 123456"));
}

void WindowTest::window_gets_focus_back_after_a_message_box() {
    log_in(0, QStringLiteral("123456"));
    type(QStringLiteral("500"));
    press(Qt::Key_Return);
    {
        BoxAnswers boxes;
        w<QPushButton>(controls::Bt_Imprime)->setFocus();
        press(Qt::Key_Space);
        QCOMPARE(boxes.seen().size(), std::size_t{1});
    }
    QVERIFY(form_->isActiveWindow());
    QCOMPARE(focus_name(), name_of(controls::Bt_Imprime));
    // Focus events flow again: leaving an amount field updates the total.
    click(w(controls::Ed_VALOREF));
    w<QLineEdit>(controls::Ed_VALOREF)->selectAll();
    type(QStringLiteral("2"));
    press(Qt::Key_Return);
    QCOMPARE(text(controls::Ed_VALOTOT), QStringLiteral("2,00"));
    // A message box shown from a field that is being left is no departure of
    // the field that gets the focus back: an invalid document is reported once.
    BoxAnswers boxes;
    fill(controls::Ed_DOCUMEN, QStringLiteral("123.456"));
    press(Qt::Key_Return);
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Documento inválido !!!")});
    QCOMPARE(focus_name(), name_of(controls::Ed_DOCUMEN));
    QVERIFY(form_->isActiveWindow());
}

void WindowTest::logo_pointer_and_click() {
    // A stand-in browser records how it was started.
    const QString bin = scratch_->path(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile browser(bin + QStringLiteral("/xdg-open"));
    QVERIFY(browser.open(QIODevice::WriteOnly));
    browser.write("#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/opened\"\n");
    browser.close();
    browser.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ':' + path);

    QWidget* logo = w(controls::Img_FUNDO);
    QVERIFY(!w<QLabel>(controls::Img_FUNDO)->pixmap().isNull());
    QCOMPARE(form_->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(logo, QPoint(20, 20));
    QCOMPARE(form_->cursor().shape(), Qt::BitmapCursor);
    QCOMPARE(form_->cursor().hotSpot(), QPoint(5, 0));
    QCOMPARE(form_->cursor().bitmap().size(), QSize(32, 32));
    QTest::mouseClick(logo, Qt::LeftButton);
    QTRY_VERIFY(QFile::exists(bin + QStringLiteral("/opened")));
    // One click, one browser: a second start would have written its line
    // long before the wait is over.
    QTest::qWait(500);
    QFile opened(bin + QStringLiteral("/opened"));
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll(), QByteArray("https://www.quiterval.com.br\n"));
    qputenv("PATH", path);
}

// The band of the simulated printer: on the title page and on the coupon
// page (over the login panel too), in free space, and only when the printer
// is simulated or its configuration at fault.
void WindowTest::printer_band_data() {
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("user_file"); // empty: none
    QTest::addColumn<QString>("band");         // empty: no band
    const QString simulated = QStringLiteral("IMPRESSORA SIMULADA - SEM VALOR FISCAL");
    QTest::newRow("nothing chosen") << QByteArray() << QByteArray() << simulated;
    QTest::newRow("simulator by name")
        << QByteArray() << QByteArray("biblioteca=simulada\n") << simulated;
    QTest::newRow("vendor by variable")
        << QByteArray("/opt/fabricante/libecf.so") << QByteArray() << QString();
    QTest::newRow("vendor by file")
        << QByteArray() << QByteArray("biblioteca=/opt/fabricante/libecf.so\n") << QString();
    QTest::newRow("file at fault") << QByteArray() << QByteArray("biblioteca: /opt/x.so\n")
                                   << QStringLiteral("ERRO NA CONFIGURAÇÃO DA IMPRESSORA");
}

void WindowTest::printer_band() {
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, user_file);
    QFETCH(QString, band);
    form_.reset();
    if (!user_file.isEmpty()) {
        QVERIFY(QDir().mkpath(scratch_->path(QStringLiteral("config/quiterval"))));
        QFile f(scratch_->path(QStringLiteral("config/quiterval/impressora.conf")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(user_file);
    }
    qputenv("QUITERVAL_ECF_LIBRARY", variable);
    open_window();
    qunsetenv("QUITERVAL_ECF_LIBRARY");

    for (std::string_view name : {controls::CmStatic_SIMULADA1, controls::CmStatic_SIMULADA2}) {
        auto* label = w<QLabel>(name);
        QCOMPARE(label->isHidden(), band.isEmpty());
        if (band.isEmpty()) continue;
        QCOMPARE(label->text(), band);
        // Shown where it covers no control: no other widget of its page,
        // apart from the page panels it lies on, meets it.
        QWidget* page = label->parentWidget();
        while (page->parentWidget() != tabs()->findChild<QStackedWidget*>())
            page = page->parentWidget();
        const QRect area(label->mapTo(page, QPoint(0, 0)), label->size());
        for (QWidget* other : page->findChildren<QWidget*>()) {
            const bool panel = other->objectName() == name_of(controls::Frm_Dados) ||
                               other->objectName() == name_of(controls::Frm_SENHA) ||
                               other->isAncestorOf(label);
            // The operator list's drop-down is a window of its own.
            if (other->window() != form_.get()) continue;
            if (other == label || panel) continue;
            const QRect r(other->mapTo(page, QPoint(0, 0)), other->size());
            QVERIFY2(!r.intersects(area), qPrintable(other->objectName()));
        }
    }
    if (band.isEmpty()) return;
    // Seen on top on page 1, and on page 2 over the login panel.
    const auto red_at = [this](std::string_view name) {
        QWidget* label = w(name);
        const QImage shot = form_->grab().toImage();
        const QColor c = shot.pixelColor(label->mapTo(form_.get(), QPoint(2, 2)));
        return c.red() > 150 && c.green() < 60 && c.blue() < 60;
    };
    QVERIFY(red_at(controls::CmStatic_SIMULADA1));
    click_tab(1);
    QVERIFY(panel_shown(controls::Frm_SENHA));
    QVERIFY(red_at(controls::CmStatic_SIMULADA2));
}

void WindowTest::cnpj_with_letters_shows_in_upper_case() {
    log_in(0, QStringLiteral("123456"));
    BoxAnswers boxes;
    fill(controls::Ed_DOCUMEN, QStringLiteral("12abc34501de35"));
    press(Qt::Key_Return);
    QCOMPARE(text(controls::Ed_DOCUMEN), QStringLiteral("12ABC34501DE35"));
    QVERIFY(boxes.texts().isEmpty());
    fill(controls::Ed_DOCUMEN, QStringLiteral("12abc34501de36"));
    press(Qt::Key_Return);
    QCOMPARE(text(controls::Ed_DOCUMEN), QStringLiteral("12ABC34501DE36"));
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Documento inválido !!!")});
}

// ------------------------------------------------------ window operations

void WindowTest::message_box_styles_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("button"); // QMessageBox::StandardButton; NoButton: Enter
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("default_button");
    QTest::addColumn<int>("answer");
    QTest::newRow("16 stop, OK") << 16 << int(QMessageBox::NoButton) << int(QMessageBox::Critical)
                                 << int(QMessageBox::Ok) << 1;
    QTest::newRow("48 exclamation, OK") << 48 << int(QMessageBox::NoButton)
                                        << int(QMessageBox::Warning) << int(QMessageBox::Ok) << 1;
    QTest::newRow("36 Enter is Yes") << 36 << int(QMessageBox::NoButton)
                                     << int(QMessageBox::Question) << int(QMessageBox::Yes) << 6;
    QTest::newRow("36 No") << 36 << int(QMessageBox::No) << int(QMessageBox::Question)
                           << int(QMessageBox::Yes) << 7;
    QTest::newRow("292 Enter is No") << 292 << int(QMessageBox::NoButton)
                                     << int(QMessageBox::Question) << int(QMessageBox::No) << 7;
    QTest::newRow("292 Yes") << 292 << int(QMessageBox::Yes) << int(QMessageBox::Question)
                             << int(QMessageBox::No) << 6;
}

void WindowTest::message_box_styles() {
    QFETCH(int, style);
    QFETCH(int, button);
    QFETCH(int, icon);
    QFETCH(int, default_button);
    QFETCH(int, answer);
    open_configuration();
    BoxAnswers boxes({static_cast<Button>(button)});
    QCOMPARE(form_->window_ops().message_box("Tenta novamente?", style), answer);
    QCOMPARE(boxes.seen().size(), std::size_t{1});
    QCOMPARE(boxes.seen()[0].text, QStringLiteral("Tenta novamente?"));
    QCOMPARE(int(boxes.seen()[0].icon), icon);
    QCOMPARE(int(boxes.seen()[0].default_button), default_button);
    // The window is active again with the focus where it was.
    QVERIFY(form_->isActiveWindow());
    QCOMPARE(focus_name(), name_of(controls::Ed_VALOMAX));
}

void WindowTest::escape_and_close_leave_a_question_up_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("question");
    QTest::newRow("36 retry question") << 36 << true;
    QTest::newRow("292 Z-reduction question") << 292 << true;
    QTest::newRow("16 OK box closes") << 16 << false;
    QTest::newRow("48 OK box closes") << 48 << false;
}

void WindowTest::escape_and_close_leave_a_question_up() {
    QFETCH(int, style);
    QFETCH(bool, question);
    open_configuration();
    bool stayed = false;
    int polls = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            if (++polls > 1000) timer.stop();
            return;
        }
        timer.stop();
        QTest::keyClick(box, Qt::Key_Escape);
        if (!question) return; // an OK box is gone now
        box->close();          // the window manager's close button
        QApplication::processEvents();
        stayed = box->isVisible();
        box->button(QMessageBox::Yes)->click();
    });
    timer.start();
    const int answer = form_->window_ops().message_box("Tenta novamente?", style);
    timer.stop();
    QCOMPARE(stayed, question);
    QCOMPARE(answer, question ? 6 : 1);
}

void WindowTest::texts_cross_as_windows_1252() {
    qv::WindowOps& ops = form_->window_ops();
    ops.set_text(controls::Ed_DOCUMEN, "\xC7\xC3O \x80 1");
    QCOMPARE(text(controls::Ed_DOCUMEN), QStringLiteral("ÇÃO € 1"));
    const std::string back = ops.get_text(controls::Ed_DOCUMEN);
    QCOMPARE(back.size(), std::size_t{256});
    QCOMPARE(back.substr(0, 8), std::string("\xC7\xC3O \x80 1 "));
    QVERIFY(back.find_first_not_of(' ', 7) == std::string::npos);
    // A blank text empties a field; a number shows in the field's mask.
    ops.set_text(controls::Ed_DOCUMEN, std::string(14, ' '));
    QCOMPARE(text(controls::Ed_DOCUMEN), QString());
    ops.set_number(controls::Ed_PERCREF, qv::Decimal::from_units(123'456));
    QCOMPARE(text(controls::Ed_PERCREF), QStringLiteral("12,34"));
    QCOMPARE(ops.get_number(controls::Ed_PERCREF), qv::Decimal::from_units(123'400));
    QCOMPARE(ops.get_number(controls::Ed_VALOREF), qv::Decimal{});
    // Grid cells: names as text, passwords as six-digit numbers.
    ops.set_grid_text(controls::Tab_Operadores, 40, 1, "\xC1GATA");
    ops.set_grid_number(controls::Tab_Operadores, 40, 2, qv::Decimal::from_int(42));
    QCOMPARE(ops.grid_text(controls::Tab_Operadores, 40, 1).substr(0, 6), std::string("\xC1GATA "));
    QCOMPARE(w<QTableWidget>(controls::Tab_Operadores)->item(39, 1)->text(),
             QStringLiteral("000042"));
    QCOMPARE(ops.grid_number(controls::Tab_Operadores, 40, 2), qv::Decimal::from_int(42));
    QCOMPARE(ops.grid_number(controls::Tab_Operadores, 41, 2), qv::Decimal{});
    QCOMPARE(ops.option_value(controls::Rbt_Dinheiro), -1);
    QCOMPARE(ops.option_value(controls::Rbt_Cheque), 0);
    QCOMPARE(ops.selected_page(controls::Pst_ORELHAS), 1);
}

void WindowTest::fonts_stand_in_for_the_windows_ones() {
    if (!QDir(QStringLiteral("/usr/share/wine/fonts")).exists(QStringLiteral("tahoma.ttf")))
        QSKIP("fonts-wine is not installed");
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("Tahoma")));
    QCOMPARE(QFont::substitute(QStringLiteral("MS Shell Dlg")).toLower(), QStringLiteral("tahoma"));
    QCOMPARE(QFont::substitute(QStringLiteral("MS Sans Serif")).toLower(),
             QStringLiteral("tahoma"));
    QCOMPARE(QFontInfo(w(controls::Ed_VALOREF)->font()).family(), QStringLiteral("Tahoma"));
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
