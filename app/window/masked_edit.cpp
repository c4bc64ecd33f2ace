#include "app/window/masked_edit.h"

#include "shared/cp1252.h"

#include <QFocusEvent>
#include <QRegularExpression>

namespace qv {

namespace {

// Spells out repetitions: "9(06)" -> "999999", "X(14)" -> 14 times "X".
QString spell_out(const QString& picture) {
    QString out;
    for (qsizetype i = 0; i < picture.size(); ++i) {
        const QChar c = picture[i];
        if (c == u'(') {
            const qsizetype close = picture.indexOf(u')', i);
            if (close < 0 || out.isEmpty()) break;
            const int count = picture.mid(i + 1, close - i - 1).toInt();
            out += QString(std::max(0, count - 1), out.back());
            i = close;
            continue;
        }
        out += c;
    }
    return out;
}

bool fits_cp1252(char32_t code_point) {
    if (code_point < 0x20 || code_point == 0x7F) return false;
    if (code_point >= 0x80 && code_point <= 0x9F) return false; // C1 controls
    return unicode_to_cp1252(code_point).has_value();
}

} // namespace

QString plain_text_picture() {
    return QStringLiteral("X(%1)").arg(kControlTextWidth);
}

EditMask EditMask::parse(const QString& picture) {
    EditMask m;
    m.picture = spell_out(picture);
    const QString& p = m.picture;
    if (!p.isEmpty() && (p.count(u'X') + p.count(u'x')) == p.size()) {
        m.kind = Kind::Text;
        m.length = static_cast<int>(p.size());
    } else if (!p.isEmpty() && p.count(u'9') == p.size()) {
        m.kind = Kind::Digits;
        m.length = static_cast<int>(p.size());
    } else {
        m.kind = Kind::Number;
        const qsizetype comma = p.indexOf(u',');
        const QString whole = comma < 0 ? p : p.left(comma);
        m.int_digits = static_cast<int>(whole.count(u'Z') + whole.count(u'z') + whole.count(u'9'));
        m.decimals = comma < 0 ? 0 : static_cast<int>(p.size() - comma - 1);
        m.length = static_cast<int>(p.size());
    }
    return m;
}

Decimal EditMask::value_of(const QString& text) const {
    QString t = text.trimmed();
    if (t.isEmpty()) return Decimal{};
    if (t.startsWith(u',')) t.prepend(u'0');
    if (t.endsWith(u',')) t.append(u'0');
    const QByteArray bytes = t.toLatin1();
    const auto v = Decimal::parse(std::string_view(bytes.constData(), bytes.size()));
    return v ? *v : Decimal{};
}

QString EditMask::show(Decimal value) const {
    if (kind == Kind::Text) {
        QString s = QString::fromStdString(value.to_string());
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u',')) s.chop(1);
        return s.left(length);
    }
    const std::string edited = edit(value, picture.toStdString());
    return QString::fromLatin1(edited.data(), static_cast<qsizetype>(edited.size())).trimmed();
}

MaskValidator::MaskValidator(EditMask mask, QObject* parent)
    : QValidator(parent), mask_(std::move(mask)) {}

QValidator::State MaskValidator::validate(QString& input, int& pos) const {
    (void)pos;
    switch (mask_.kind) {
    case EditMask::Kind::Text: {
        const QList<uint> code_points = input.toUcs4();
        if (code_points.size() > mask_.length) return Invalid;
        for (const uint cp : code_points)
            if (!fits_cp1252(static_cast<char32_t>(cp))) return Invalid;
        return Acceptable;
    }
    case EditMask::Kind::Digits: {
        static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
        if (input.size() > mask_.length || !digits.match(input).hasMatch()) return Invalid;
        return Acceptable;
    }
    case EditMask::Kind::Number: {
        // A point typed before any comma is the decimal key of the numeric
        // keypad: it becomes the comma. Thousands points are never typed.
        if (mask_.decimals > 0 && !input.contains(u',') && input.count(u'.') == 1)
            input.replace(u'.', u',');
        const QString pattern = mask_.decimals > 0
                                    ? QStringLiteral("^[0-9]{0,%1}(,[0-9]{0,%2})?$")
                                          .arg(mask_.int_digits)
                                          .arg(mask_.decimals)
                                    : QStringLiteral("^[0-9]{0,%1}$").arg(mask_.int_digits);
        const QRegularExpression re(pattern);
        return re.match(input).hasMatch() ? Acceptable : Invalid;
    }
    }
    return Invalid;
}

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {
    setPicture(plain_text_picture());
}

void MaskedEdit::setPicture(const QString& picture) {
    mask_ = EditMask::parse(picture);
    setValidator(new MaskValidator(mask_, this));
    setMaxLength(mask_.kind == EditMask::Kind::Number ? mask_.length + 8 : mask_.length);
    setAlignment(mask_.kind == EditMask::Kind::Number ? Qt::AlignRight | Qt::AlignVCenter
                                                      : Qt::AlignLeft | Qt::AlignVCenter);
}

void MaskedEdit::setPasswordMask(bool on) {
    // The password character is the asterisk, whatever the style would use.
    setStyleSheet(on ? QStringLiteral("lineedit-password-character: 42;") : QString());
    setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}

void MaskedEdit::setValue(Decimal value) {
    if (whole_sums_ && mask_.kind == EditMask::Kind::Number) {
        const std::string s = edit_amount_whole(value);
        setText(QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())).trimmed());
        return;
    }
    setText(mask_.show(value));
}

void MaskedEdit::setFieldText(const QString& text) {
    QString t = text;
    while (t.endsWith(u' '))
        t.chop(1);
    if (t.trimmed().isEmpty()) {
        clear();
        return;
    }
    setText(t.left(maxLength()));
}

void MaskedEdit::reformat() {
    // A password stays exactly as typed: the login compares characters.
    if (passwordMask() || mask_.kind == EditMask::Kind::Text) return;
    if (text().trimmed().isEmpty()) {
        clear();
        return;
    }
    setValue(value());
}

bool MaskedEdit::event(QEvent* event) {
    const bool done = QLineEdit::event(event);
    // The line edit asks the style for its password character at a style
    // change; the style sheet's asterisk may only arrive later with the
    // polish, so ask again whenever the field is polished or shown.
    if ((event->type() == QEvent::Polish || event->type() == QEvent::Show) &&
        echoMode() == QLineEdit::Password) {
        QEvent change(QEvent::StyleChange);
        QLineEdit::changeEvent(&change);
    }
    return done;
}

void MaskedEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    reformat();
    emit focusLeft(event->reason());
}

MaskedCellDelegate::MaskedCellDelegate(QString picture, QObject* parent)
    : QStyledItemDelegate(parent), picture_(std::move(picture)) {}

QWidget* MaskedCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex&) const {
    auto* editor = new MaskedEdit(parent);
    editor->setPicture(picture_);
    editor->setFrame(false);
    return editor;
}

void MaskedCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
    auto* edit = static_cast<MaskedEdit*>(editor);
    edit->reformat();
    model->setData(index, edit->text(), Qt::EditRole);
}

} // namespace qv
