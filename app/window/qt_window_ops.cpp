#include "app/window/qt_window_ops.h"

#include "app/core/form_definition.h"
#include "app/core/form_handlers.h"
#include "app/window/masked_edit.h"
#include "driver/fiscal_driver.h"
#include "shared/cp1252.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QtDebug>

namespace qv {

namespace {

// The operators grid's password column, under its mask.
constexpr std::string_view kDigitsPicture = form::kGridColumns[1].picture;

QString name_of(std::string_view control) {
    return QString::fromLatin1(control.data(), static_cast<qsizetype>(control.size()));
}

QTableWidgetItem* cell(QWidget* grid_widget, int row, int column, bool create) {
    auto* grid = qobject_cast<QTableWidget*>(grid_widget);
    if (!grid || row < 1 || row > std::min(form::kGridRows, grid->rowCount()) || column < 1 ||
        column > grid->columnCount())
        return nullptr;
    QTableWidgetItem* item = grid->item(row - 1, column - 1);
    if (!item && create) {
        item = new QTableWidgetItem;
        grid->setItem(row - 1, column - 1, item);
    }
    return item;
}

// A message box whose Yes/No question only a button answers: Escape and the
// window manager's close button leave it on screen (read as No, they would
// cancel a paid coupon or skip a Z reduction without anyone saying so).
class AnsweredBox : public QMessageBox {
  public:
    AnsweredBox(QWidget* parent, bool question) : QMessageBox(parent), question_(question) {}

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (question_ && event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (question_ && clickedButton() == nullptr) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

  private:
    bool question_;
};

QString trimmed_right(QString s) {
    while (s.endsWith(u' '))
        s.chop(1);
    return s;
}

} // namespace

QString from_cp1252(std::string_view bytes) {
    return QString::fromStdString(cp1252_to_utf8(bytes));
}

std::string to_cp1252(const QString& text) {
    return utf8_to_cp1252_lossy(text.toStdString());
}

std::string padded_text(const QString& text) {
    std::string s = to_cp1252(text);
    s.resize(kControlTextWidth, ' ');
    return s;
}

QCursor hand_cursor() {
    const QBitmap bits(QStringLiteral(":/quiterval/mao.xbm"));
    const QBitmap mask(QStringLiteral(":/quiterval/mao_mask.xbm"));
    if (bits.isNull() || mask.isNull()) return QCursor(Qt::PointingHandCursor);
    return QCursor(bits, mask, 5, 0);
}

QWidget* QtWindowOps::find(std::string_view control) const {
    const QString name = name_of(control);
    if (window_.objectName() == name) return &window_;
    QWidget* w = window_.findChild<QWidget*>(name);
    if (!w) qWarning("quiterval: no control named %s", qPrintable(name));
    return w;
}

std::string QtWindowOps::get_text(std::string_view control) {
    QWidget* w = find(control);
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        text = edit->text();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // The whole entry, password part included, although the list shows
        // only the name.
        text = combo->currentIndex() < 0 ? QString() : combo->currentData().toString();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        text = button->text();
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        text = label->text();
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        text = box->title();
    } else if (w) {
        text = w->windowTitle();
    }
    return padded_text(text);
}

void QtWindowOps::set_text(std::string_view control, std::string_view text) {
    QWidget* w = find(control);
    const QString t = from_cp1252(text);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) {
        masked->setFieldText(t);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(trimmed_right(t));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QString wanted = trimmed_right(t);
        int found = -1;
        for (int i = 0; i < combo->count() && !wanted.isEmpty(); ++i)
            if (trimmed_right(combo->itemData(i).toString()) == wanted) found = i;
        combo->setCurrentIndex(found);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(trimmed_right(t));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(trimmed_right(t));
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(trimmed_right(t));
    }
}

Decimal QtWindowOps::get_number(std::string_view control) {
    QWidget* w = find(control);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) return masked->value();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return EditMask::parse(plain_text_picture()).value_of(to_cp1252(edit->text()));
    if (auto* option = qobject_cast<QRadioButton*>(w))
        return Decimal::from_int(option->isChecked() ? -1 : 0);
    return Decimal{};
}

void QtWindowOps::set_number(std::string_view control, Decimal value) {
    QWidget* w = find(control);
    if (auto* masked = qobject_cast<MaskedEdit*>(w)) {
        masked->setValue(value);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(from_cp1252(EditMask::parse(plain_text_picture()).show(value)));
    }
}

void QtWindowOps::set_visible(std::string_view control, bool visible) {
    if (QWidget* w = find(control)) w->setVisible(visible);
}

void QtWindowOps::set_position(std::string_view control, int left, int top) {
    QWidget* w = find(control);
    if (!w) return;
    QPoint at(left, top);
    // A panel of a page is placed in the tab control's coordinates, as the
    // page panels are: (0, 24) lies just below the tab captions.
    QWidget* page = w->parentWidget();
    QWidget* stack = page ? page->parentWidget() : nullptr;
    auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    if (tabs && qobject_cast<QStackedWidget*>(stack)) at = page->mapFrom(tabs, at);
    w->move(at);
}

void QtWindowOps::set_focus(std::string_view control) {
    if (QWidget* w = find(control)) w->setFocus(Qt::OtherFocusReason);
}

int QtWindowOps::selected_page(std::string_view control) {
    auto* tabs = qobject_cast<QTabWidget*>(find(control));
    return tabs ? tabs->currentIndex() + 1 : 0;
}

namespace {

// The icon bits of a Windows message-box style (0x70) as Qt's icon.
QMessageBox::Icon icon_of(int icon_bits) {
    constexpr struct {
        int bits;
        QMessageBox::Icon icon;
    } kIcons[] = {{16, QMessageBox::Critical},
                  {32, QMessageBox::Question},
                  {48, QMessageBox::Warning},
                  {64, QMessageBox::Information}};
    for (const auto& row : kIcons)
        if (row.bits == icon_bits) return row.icon;
    return QMessageBox::NoIcon;
}

} // namespace

int QtWindowOps::message_box(std::string_view text, int style) {
    // Windows style value: buttons in the low bits, the icon in 0x70, the
    // default button in 0x300.
    const int buttons = style & 0x7;
    const int icon = style & 0x70;
    const int default_button = (style & 0x300) >> 8;

    AnsweredBox box(&window_, buttons == 4);
    box.setWindowTitle(window_.windowTitle());
    box.setText(trimmed_right(from_cp1252(text)));
    box.setIcon(icon_of(icon));
    QList<QPushButton*> order;
    if (buttons == 4) { // Yes and No
        order << box.addButton(QMessageBox::Yes) << box.addButton(QMessageBox::No);
        order[0]->setText(QStringLiteral("&Sim"));
        order[1]->setText(QStringLiteral("&N\u00E3o"));
    } else {
        order << box.addButton(QMessageBox::Ok);
        box.setEscapeButton(order[0]);
    }
    box.setDefaultButton(order.value(default_button, order.first()));

    QWidget* had_focus = window_.focusWidget();
    box.exec();
    // Without a window manager (a kiosk till) and on the offscreen platform
    // nothing gives the window back its activation after a modal box, and
    // the fields get no focus events until it is active again.
    if (QGuiApplication::platformName() != u"offscreen") window_.raise();
    window_.activateWindow();
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(&window_);
    QT_WARNING_POP
    if (had_focus && !QApplication::focusWidget() && had_focus->isVisible())
        had_focus->setFocus(Qt::ActiveWindowFocusReason);

    const QAbstractButton* pressed = box.clickedButton();
    if (buttons == 4) return pressed == order[0] ? kAnswerYes : kAnswerNo;
    return kAnswerOk;
}

void QtWindowOps::open_form(std::string_view form_name) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ran = driver::invoke_form(form_name);
    QApplication::restoreOverrideCursor();
    if (!ran) qWarning("quiterval: no form named %s", qPrintable(name_of(form_name)));
    if (ran && after_driver_) after_driver_();
}

void QtWindowOps::close_window() {
    window_.close();
}

void QtWindowOps::run_program(std::string_view command_line, int show_mode) {
    // The command line is the program's path, one blank and its argument
    // (the browser and the maker's address). A path may itself hold blanks,
    // so the argument is what follows the last blank. The show mode only
    // means something to Windows (3: maximised); elsewhere the browser decides.
    const QString line = trimmed_right(from_cp1252(command_line));
    const qsizetype blank = line.lastIndexOf(u' ');
    const QString program = blank < 0 ? line : line.left(blank);
    const QStringList arguments = blank < 0 ? QStringList{} : QStringList{line.mid(blank + 1)};
    if (program.isEmpty()) return;
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setCreateProcessArgumentsModifier([show_mode](QProcess::CreateProcessArguments* a) {
        a->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        a->startupInfo->wShowWindow = static_cast<WORD>(show_mode);
    });
    process.startDetached();
#else
    (void)show_mode;
    QProcess::startDetached(program, arguments);
#endif
}

void QtWindowOps::set_pointer(std::string_view cursor) {
    if (name_of(cursor).compare(QStringLiteral("Mao"), Qt::CaseInsensitive) == 0)
        window_.setCursor(hand_cursor());
}

std::string QtWindowOps::grid_text(std::string_view grid, int row, int column) {
    QTableWidgetItem* item = cell(find(grid), row, column, false);
    return padded_text(item ? item->text() : QString());
}

void QtWindowOps::set_grid_text(std::string_view grid, int row, int column, std::string_view text) {
    if (QTableWidgetItem* item = cell(find(grid), row, column, true))
        item->setText(trimmed_right(from_cp1252(text)));
}

Decimal QtWindowOps::grid_number(std::string_view grid, int row, int column) {
    QTableWidgetItem* item = cell(find(grid), row, column, false);
    return item ? EditMask::parse(kDigitsPicture).value_of(to_cp1252(item->text())) : Decimal{};
}

void QtWindowOps::set_grid_number(std::string_view grid, int row, int column, Decimal value) {
    if (QTableWidgetItem* item = cell(find(grid), row, column, true))
        item->setText(from_cp1252(EditMask::parse(kDigitsPicture).show(value)));
}

void QtWindowOps::list_clear(std::string_view combo) {
    if (auto* c = qobject_cast<QComboBox*>(find(combo))) c->clear();
}

void QtWindowOps::list_add(std::string_view combo, std::string_view entry) {
    auto* c = qobject_cast<QComboBox*>(find(combo));
    if (!c) return;
    // The list shows the operator's name only; the entry with its password
    // part stays behind the item for get_text.
    const int was = c->currentIndex();
    c->addItem(from_cp1252(login_entry_caption(entry)), from_cp1252(entry));
    c->setCurrentIndex(was); // nobody is chosen until the cashier picks a name
}

int QtWindowOps::option_value(std::string_view option) {
    auto* o = qobject_cast<QRadioButton*>(find(option));
    return o && o->isChecked() ? -1 : 0;
}

} // namespace qv
