#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace qv::gui_test {

ScratchFolder::ScratchFolder() : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    QDir(dir_.path()).mkdir(QStringLiteral("ecf"));
    qputenv("ECFSIM_DIR", path(QStringLiteral("ecf")).toLocal8Bit());
    qputenv("QUITERVAL_DRIVER_LOG", path(QStringLiteral("DARUMA.txt")).toLocal8Bit());
    // The printer configuration of the machine's user takes no part.
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
}

ScratchFolder::~ScratchFolder() {
    QDir::setCurrent(previous_);
}

QString ScratchFolder::path(const QString& name) const {
    return name.isEmpty() ? dir_.path() : QDir(dir_.path()).filePath(name);
}

QString ScratchFolder::tape() const {
    QFile f(path(QStringLiteral("ecf/bobina.txt")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

void write_settings(const QString& file, int max_cents, int meal_percent_cents,
                    int drinks_percent_cents, int release_password,
                    const std::vector<Operator>& operators) {
    auto digits = [](long value, int width) {
        return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')).toStdString();
    };
    std::string record = "1" + digits(max_cents, 6) + digits(meal_percent_cents, 4) +
                         digits(drinks_percent_cents, 4) + digits(release_password, 6);
    for (int n = 0; n < 40; ++n) {
        const Operator op = n < static_cast<int>(operators.size()) ? operators[n] : Operator{};
        std::string name = op.name;
        name.resize(20, ' ');
        record += name + digits(op.password, 6);
    }
    QFile f(file);
    if (f.open(QIODevice::WriteOnly)) f.write(record.data(), static_cast<qint64>(record.size()));
}

BoxAnswers::BoxAnswers(std::vector<QMessageBox::StandardButton> buttons, int bound_ms)
    : buttons_(std::move(buttons)), polls_left_(bound_ms / 5) {
    connect(&timer_, &QTimer::timeout, this, &BoxAnswers::poll);
    timer_.start(5);
}

BoxAnswers::~BoxAnswers() {
    timer_.stop();
}

QStringList BoxAnswers::texts() const {
    QStringList out;
    for (const Seen& s : seen_)
        out << s.text;
    return out;
}

void BoxAnswers::poll() {
    if (--polls_left_ <= 0) {
        timer_.stop();
        return;
    }
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    const QMessageBox::StandardButton default_button =
        box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
    seen_.push_back({box->text(), box->icon(), default_button, box->standardButtons()});
    const std::size_t n = seen_.size() - 1;
    const QMessageBox::StandardButton wanted =
        n < buttons_.size() ? buttons_[n] : QMessageBox::NoButton;
    if (wanted != QMessageBox::NoButton && box->button(wanted))
        box->button(wanted)->click();
    else
        QTest::keyClick(box, Qt::Key_Return);
}

QString focus_name() {
    const QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

void type(const QString& text) {
    for (const QChar c : text) {
        QWidget* w = QApplication::focusWidget();
        if (!w) return;
        if (c.unicode() > 0x20 && c.unicode() < 0x7F)
            QTest::keyClick(w, static_cast<char>(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void press(int key, Qt::KeyboardModifiers modifiers) {
    if (QWidget* w = QApplication::focusWidget())
        QTest::keyClick(w, static_cast<Qt::Key>(key), modifiers);
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

} // namespace qv::gui_test
