// Edit fields with the form's edit masks: amounts "Z.ZZ9,99", percentages
// "z9,99", six digits "9(06)" / "999999" and texts "X(14)", "X(06)", "x(20)".
// The cashier types naturally (digits and one comma; a point typed before any
// comma is taken as the comma); whatever would not fit the mask is refused as
// it is typed, and so is every character that Windows-1252 cannot hold.
// When the focus leaves a numeric field its value is shown in the mask.
#pragma once

#include "app/core/window_ops.h"
#include "shared/decimal.h"

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QValidator>

namespace qv {

// What an edit mask accepts.
struct EditMask {
    enum class Kind { Text, Digits, Number };
    Kind kind = Kind::Text;
    // Text: characters; Digits: digits. Unparsed: a plain text control's.
    int length = static_cast<int>(kControlTextWidth);
    int int_digits = 0; // Number: integer digits
    int decimals = 0;   // Number: decimal digits
    QString picture;    // the picture with repetitions spelled out ("999999")

    // Reads "Z.ZZ9,99", "z9,99", "9(06)", "999999", "X(14)", "x(20)" ...
    static EditMask parse(const QString& picture);
    // The value of a text typed under this mask; blank reads as 0.
    Decimal value_of(const QString& text) const;
    // The value shown in the mask, without the leading blanks of zero
    // suppression (the field aligns numbers to the right instead).
    QString show(Decimal value) const;
};

// The picture of a plain text control, "X(n)" with n kControlTextWidth: any
// characters, as many as a control's text holds.
QString plain_text_picture();

// Accepts exactly the texts an edit mask allows while typing.
class MaskValidator : public QValidator {
    Q_OBJECT
  public:
    explicit MaskValidator(EditMask mask, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
    const EditMask& mask() const { return mask_; }

  private:
    EditMask mask_;
};

class MaskedEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QString picture READ picture WRITE setPicture)
    Q_PROPERTY(bool passwordMask READ passwordMask WRITE setPasswordMask)
    Q_PROPERTY(bool wholeSums READ wholeSums WRITE setWholeSums)
  public:
    explicit MaskedEdit(QWidget* parent = nullptr);

    QString picture() const { return mask_.picture; }
    void setPicture(const QString& picture);
    // Each character shown as "*".
    bool passwordMask() const { return echoMode() == QLineEdit::Password; }
    void setPasswordMask(bool on);
    // An amount field that shows a sum above 9.999,99 with all its integer
    // digits instead of cutting it to the mask (the read-only total).
    bool wholeSums() const { return whole_sums_; }
    void setWholeSums(bool on) { whole_sums_ = on; }

    const EditMask& mask() const { return mask_; }
    // The field's value; an empty field reads as 0.
    Decimal value() const { return mask_.value_of(text()); }
    // Shows a value in the mask.
    void setValue(Decimal value);
    // Shows a text put by the program: blanks empty the field, trailing
    // blanks are dropped and the text is cut to what the mask holds.
    void setFieldText(const QString& text);
    // Shows the current value in the mask (done when the focus leaves).
    void reformat();

  signals:
    // The focus has left the field (after it showed its value in the mask).
    void focusLeft(Qt::FocusReason reason);

  protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    EditMask mask_;
    bool whole_sums_ = false;
};

// Edits the operators grid's cells with the column's mask.
class MaskedCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    MaskedCellDelegate(QString picture, QObject* parent);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    QString picture_;
};

} // namespace qv
