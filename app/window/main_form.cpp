#include "app/window/main_form.h"

#include "app/core/control_names.h"
#include "app/core/form_definition.h"
#include "app/core/printer_band.h"
#include "app/window/masked_edit.h"
#include "ui_main_form.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>

#include <iterator>

namespace qv {

namespace {

// Keys with a virtual-key code of their own that the window's key-down
// handler knows (Windows' codes); digits, letters and F1-F12 follow by range.
constexpr struct {
    int key;
    int code;
} kKeyCodes[] = {
    {Qt::Key_Return, kKeyEnter}, {Qt::Key_Enter, kKeyEnter}, {Qt::Key_Tab, kKeyTab},
    {Qt::Key_Backtab, kKeyTab},  {Qt::Key_Backspace, 8},     {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},         {Qt::Key_Left, 37},         {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},         {Qt::Key_Down, 40},         {Qt::Key_Delete, 46},
};

// The key code of a key as the window's key-down handler knows it (the
// Windows virtual-key codes); -1 for keys it has no code for.
int key_code(const QKeyEvent* key) {
    const int k = key->key();
    for (const auto& row : kKeyCodes)
        if (row.key == k) return row.code;
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return k;
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
    return -1;
}

} // namespace

void install_fonts() {
    // fonts-wine keeps its Tahoma outside fontconfig's path.
    const QDir wine(QStringLiteral("/usr/share/wine/fonts"));
    bool tahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
    for (const QString& file : wine.entryList(
             {QStringLiteral("tahoma*.ttf"), QStringLiteral("Tahoma*.ttf")}, QDir::Files))
        tahoma = QFontDatabase::addApplicationFont(wine.filePath(file)) >= 0 || tahoma;
    if (tahoma) {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma"));
        QFont::insertSubstitution(QStringLiteral("MS Shell Dlg"), QStringLiteral("Tahoma"));
        QFont::insertSubstitution(QStringLiteral("MS Shell Dlg 2"), QStringLiteral("Tahoma"));
    }
}

QIcon program_icon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/quiterval/icon16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/quiterval/icon32.png"), QSize(32, 32));
    return icon;
}

MainForm::MainForm(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MainForm>()),
      ops_(*this, [this] { show_printer_band(); }), engine_(ops_), handlers_(ops_, engine_) {
    ui_->setupUi(this);
    setObjectName(from_cp1252(form::kWindow.form_name));
    setAttribute(Qt::WA_StyledBackground);
    setWindowIcon(program_icon());
    setFixedSize(form::kWindow.rect.width, form::kWindow.rect.height);
    move(form::kWindow.rect.left, form::kWindow.rect.top);

    // The logo, 658 x 205, scaled into its 334 x 132 box keeping its shape.
    const QPixmap logo(QStringLiteral(":/quiterval/FD_CHECKOUT"));
    ui_->Img_FUNDO->setPixmap(
        logo.scaled(ui_->Img_FUNDO->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ui_->Img_FUNDO->setMouseTracking(true);

    // The operators grid: a narrow row-number column and two masked columns.
    QTableWidget* grid = ui_->Tab_Operadores;
    grid->verticalHeader()->setFixedWidth(form::kGridRowHeaderWidth);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->horizontalHeader()->setFixedHeight(18);
    for (int column = 0; column < static_cast<int>(std::size(form::kGridColumns)); ++column) {
        const form::GridColumn& c = form::kGridColumns[column];
        grid->setColumnWidth(column, c.width);
        grid->setItemDelegateForColumn(column,
                                       new MaskedCellDelegate(from_cp1252(c.picture), grid));
    }
    for (int row = 0; row < grid->rowCount(); ++row)
        grid->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(row + 1)));

    QComboBox* list = ui_->Cb_Operador;
    list->setMaxVisibleItems(7); // a list about 138 pixels high
    list->setCurrentIndex(-1);

    show_printer_band();
    ui_->Pst_ORELHAS->setCurrentIndex(0);
    wire_events();
}

// A till printing into the simulated printer, issuing NFC-e in homologação
// or with notes waiting in contingency, or one whose printer configuration
// is at fault, says so on the title and the coupon pages, in free space of
// each page; on page 2 above the login panel too. Shown again after every
// printer command: a coupon may have changed the contingency queue.
void MainForm::show_printer_band() {
    const form::PrinterBand printer = form::printer_band();
    for (QLabel* band : {ui_->CmStatic_SIMULADA1, ui_->CmStatic_SIMULADA2}) {
        band->setText(from_cp1252(printer.text));
        band->setAttribute(Qt::WA_TransparentForMouseEvents);
        band->setVisible(printer.shown);
        band->raise();
    }
}

MainForm::~MainForm() {
    if (qApp) qApp->removeEventFilter(this);
    // QWidget's destructor hides the window, which moves the focus and makes
    // the fields emit their signals after this form is already gone: cut
    // every connection and filter from the children first.
    for (QObject* child : findChildren<QObject*>()) {
        QObject::disconnect(child, nullptr, this, nullptr);
        child->removeEventFilter(this);
    }
}

QWidget* MainForm::control(const QString& name) const {
    return findChild<QWidget*>(name);
}

void MainForm::wire_events() {
    // Key presses are seen by the window before the focused control; the
    // one filter, on the application, sees every event of every control.
    qApp->installEventFilter(this);

    const QPair<MaskedEdit*, LostFocusHandler> fields[] = {
        {ui_->Ed_VALOREF, &FormHandlers::on_Ed_VALOREF_lost_focus},
        {ui_->Ed_VALOBEB, &FormHandlers::on_Ed_VALOBEB_lost_focus},
        {ui_->Ed_DOCUMEN, &FormHandlers::on_Ed_DOCUMEN_lost_focus},
        {ui_->Ed_SENHA, &FormHandlers::on_Ed_SENHA_lost_focus},
        {ui_->Ed_SENHAM, &FormHandlers::on_Ed_SENHAM_lost_focus},
    };
    for (const auto& [field, handler] : fields) {
        lost_focus_.append({field, handler});
        connect(field, &MaskedEdit::focusLeft, this,
                [this, f = field](Qt::FocusReason reason) { field_left(f, reason); });
    }

    const QPair<QPushButton*, void (FormHandlers::*)()> buttons[] = {
        {ui_->Bt_Imprime, &FormHandlers::on_Bt_Imprime_click},
        {ui_->Bt_LEITX, &FormHandlers::on_Bt_LEITX_click},
        {ui_->Bt_REDZ, &FormHandlers::on_Bt_REDZ_click},
        {ui_->Bt_LEITX1, &FormHandlers::on_Bt_LEITX1_click},
        {ui_->Bt_REDZ1, &FormHandlers::on_Bt_REDZ1_click},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QPushButton::clicked, this,
                [this, h = handler] { run_handler([this, h] { (handlers_.*h)(); }); });

    // The tab control's click: a click on the tab already on top fires no
    // page change, so it is taken from the click itself; a click on another
    // tab, and every page change by the keyboard, arrive as a page change,
    // after which the new page is on top, as the handler expects.
    QTabWidget* tabs = ui_->Pst_ORELHAS;
    const auto page_lock = [this] {
        if (opened_) run_handler([this] { handlers_.on_Pst_ORELHAS_click(); });
    };
    connect(tabs, &QTabWidget::tabBarClicked, this, [tabs, page_lock](int index) {
        if (index < 0 || index == tabs->currentIndex() || !tabs->isTabEnabled(index)) page_lock();
    });
    connect(tabs, &QTabWidget::currentChanged, this, page_lock);

    // The application's filter above already sees the logo's mouse events
    // and the panels' showing and hiding: a second filter on them would run
    // each handler twice (two browsers for one click on the logo).
}

void MainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!open_scheduled_) {
        open_scheduled_ = true;
        // The open event follows the first showing, once the window exists
        // on screen, so that the open handler may already close it.
        QMetaObject::invokeMethod(this, "opened", Qt::QueuedConnection);
    }
}

void MainForm::opened() {
    if (QGuiApplication::platformName() != u"offscreen") raise();
    activateWindow();
    opened_ = true;
    run_handler([this] { handlers_.on_window_open(); });
    if (!isVisible()) return;
    // An explicit first focus: the tab captions of the title page, from
    // where the keyboard reaches the other pages.
    if (!focusWidget() || !focusWidget()->isVisible())
        ui_->Pst_ORELHAS->setFocus(Qt::OtherFocusReason);
}

// Handlers run one at a time, each to completion, as the engine expects. A
// field that loses the focus while a handler runs (to the handler's own
// set_focus, or to a lock panel that disables it) has its departure queued
// and served when the running handler has finished; its own departure is not
// queued again while its handler runs. Anything else arriving meanwhile (no
// click can: message boxes are modal and the driver runs synchronously) is
// dropped rather than nested.
void MainForm::run_handler(const std::function<void()>& handler, QWidget* field) {
    if (busy_) {
        if (field && field != running_field_ && !left_fields_.contains(field))
            left_fields_.append(field);
        return;
    }
    busy_ = true;
    running_field_ = field;
    handler();
    // A handler that makes another field lose the focus may queue it; a
    // bound keeps two fields from sending the focus back and forth forever.
    for (int served = 0; !left_fields_.isEmpty() && served < 32 && isVisible(); ++served) {
        QWidget* next = left_fields_.takeFirst();
        running_field_ = next;
        for (const auto& [f, h] : lost_focus_)
            if (f == next) (handlers_.*h)();
    }
    left_fields_.clear();
    running_field_ = nullptr;
    busy_ = false;
}

// "Loses focus": the focus went to another control of this window, once per
// departure. A switch to another application, a message box popping up or
// a drop-down list opening is not a departure.
void MainForm::field_left(QWidget* field, Qt::FocusReason reason) {
    if (!opened_ || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    if (field == departure_taken_) return;
    const QWidget* now = QApplication::focusWidget();
    if (now && now->window() != this) return;
    if (!isVisible()) return;
    for (const auto& [f, h] : lost_focus_)
        if (f == field) run_handler([this, h = h] { (handlers_.*h)(); }, field);
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (event == own_tab_ || !watched->isWidgetType()) return false;
        auto* receiver = static_cast<QWidget*>(watched);
        if (receiver->window() != this) return false;
        // A key travels up to the parents when the control ignores it; the
        // window sees it once, at the control it was meant for.
        const QWidget* focus = QApplication::focusWidget();
        if (focus && receiver != focus && receiver->isAncestorOf(focus)) return false;
        return window_key_down(receiver, static_cast<QKeyEvent*>(event));
    }
    case QEvent::MouseMove:
        if (watched == ui_->Img_FUNDO && opened_)
            run_handler([this] { handlers_.on_Img_FUNDO_mouse_move(); });
        return false;
    case QEvent::MouseButtonRelease:
        if (watched == ui_->Img_FUNDO && opened_) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                ui_->Img_FUNDO->rect().contains(mouse->position().toPoint()))
                run_handler([this] { handlers_.on_Img_FUNDO_click(); });
        }
        return false;
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        if (watched == ui_->Frm_SENHA || watched == ui_->Frm_SENHAM) apply_locks();
        return false;
    default:
        return false;
    }
}

bool MainForm::window_key_down(QWidget* receiver, QKeyEvent* key) {
    const int code = key_code(key);
    if (code < 0 || busy_ || !opened_) return false;
    // Ctrl+Tab changes the page from anywhere on the tab control, also from
    // a control that would take the key for itself (the operator list).
    if (code == kKeyTab && (key->modifiers() & Qt::ControlModifier)) {
        QTabWidget* tabs = ui_->Pst_ORELHAS;
        if (!tabs->isEnabled() || !(tabs == receiver || tabs->isAncestorOf(receiver))) return true;
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        tabs->setCurrentIndex((tabs->currentIndex() + (back ? tabs->count() - 1 : 1)) %
                              tabs->count());
        return true;
    }
    if (code == kKeyTab && (key->modifiers() & Qt::AltModifier)) return false;
    QWidget* focus = QApplication::focusWidget();
    const std::string focused = focus ? focus->objectName().toStdString() : std::string();
    int result = code;
    run_handler([&] { result = handlers_.on_window_key_down(code, focused); });
    if (result == kKeyConsumed) return true;
    if (result == kKeyTab && (code == kKeyEnter || code == kKeyTab)) {
        // In a lock panel's password field the key handler has already
        // served the departure (a panel may leave nowhere else to go); the
        // focus move that follows is not a second one.
        const bool served = focus == ui_->Ed_SENHA || focus == ui_->Ed_SENHAM;
        departure_taken_ = served ? focus : nullptr;
        const bool backward = key->key() == Qt::Key_Backtab ||
                              (code == kKeyTab && (key->modifiers() & Qt::ShiftModifier));
        move_focus_as_tab(focus ? focus : receiver, backward);
        departure_taken_ = nullptr;
        return true;
    }
    return false;
}

void MainForm::move_focus_as_tab(QWidget* receiver, bool backward) {
    // The Tab goes to the control itself, so that the operators grid moves
    // from cell to cell as it does with Tab.
    QKeyEvent tab(QEvent::KeyPress, backward ? Qt::Key_Backtab : Qt::Key_Tab,
                  backward ? Qt::ShiftModifier : Qt::NoModifier);
    own_tab_ = &tab;
    QApplication::sendEvent(receiver, &tab);
    own_tab_ = nullptr;
}

// A shown lock panel really locks: nothing under it takes the focus or
// input, by mouse or by keyboard.
void MainForm::apply_locks() {
    const bool login = !ui_->Frm_SENHA->isHidden();
    const bool master = !ui_->Frm_SENHAM->isHidden();
    // Every control the handlers may lock behind a panel: the ones that can
    // take the focus.
    for (const form::Control& c : form::all()) {
        if (c.tab_order == 0) continue;
        const std::string_view name = c.name;
        if (QWidget* w =
                control(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))))
            w->setEnabled(!is_locked(name, login, master));
    }
}

} // namespace qv
