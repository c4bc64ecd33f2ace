// Qt edit fields with the form's edit masks. The rules of the masks live in
// the core (app/core/edit_mask.h); these fields hand them the typed text as
// Windows-1252 and refuse by themselves every character that Windows-1252
// cannot hold. When the focus leaves a numeric field its value is shown in
// the mask.
#pragma once

#include "app/core/edit_mask.h"
#include "shared/decimal.h"

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QValidator>

namespace qv {

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

    QString picture() const;
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
    Decimal value() const;
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
