#include "app/window/masked_edit.h"

#include "app/window/qt_window_ops.h"
#include "shared/cp1252.h"

#include <QFocusEvent>

namespace qv {

MaskValidator::MaskValidator(EditMask mask, QObject* parent)
    : QValidator(parent), mask_(std::move(mask)) {}

QValidator::State MaskValidator::validate(QString& input, int& pos) const {
    (void)pos;
    // A character without a Windows-1252 byte never reaches the mask.
    std::optional<std::string> typed = utf8_to_cp1252(input.toStdString());
    if (!typed) return Invalid;
    const std::string before = *typed;
    switch (mask_.check(*typed)) {
    case MaskDecision::Acceptable:
        break;
    case MaskDecision::Intermediate:
        return Intermediate;
    case MaskDecision::Invalid:
        return Invalid;
    }
    if (*typed != before) input = from_cp1252(*typed);
    return Acceptable;
}

MaskedEdit::MaskedEdit(QWidget* parent) : QLineEdit(parent) {
    setPicture(from_cp1252(plain_text_picture()));
}

QString MaskedEdit::picture() const {
    return from_cp1252(mask_.picture);
}

void MaskedEdit::setPicture(const QString& picture) {
    mask_ = EditMask::parse(to_cp1252(picture));
    setValidator(new MaskValidator(mask_, this));
    setMaxLength(mask_.text_limit());
    setAlignment(mask_.kind == EditMask::Kind::Number ? Qt::AlignRight | Qt::AlignVCenter
                                                      : Qt::AlignLeft | Qt::AlignVCenter);
}

void MaskedEdit::setPasswordMask(bool on) {
    // The password character is the asterisk, whatever the style would use.
    setStyleSheet(on ? QStringLiteral("lineedit-password-character: 42;") : QString());
    setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}

Decimal MaskedEdit::value() const {
    return mask_.value_of(to_cp1252(text()));
}

void MaskedEdit::setValue(Decimal value) {
    setText(from_cp1252(whole_sums_ ? mask_.show_whole(value) : mask_.show(value)));
}

void MaskedEdit::setFieldText(const QString& text) {
    const std::string shown = mask_.put_text(to_cp1252(text));
    if (shown.empty()) {
        clear();
        return;
    }
    setText(from_cp1252(shown));
}

void MaskedEdit::reformat() {
    const std::optional<std::string> shown =
        mask_.left_text(to_cp1252(text()), FieldOptions{passwordMask(), whole_sums_});
    if (!shown) return;
    if (shown->empty()) {
        clear();
        return;
    }
    setText(from_cp1252(*shown));
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
