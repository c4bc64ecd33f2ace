// The main window `01-Quiterval`: the form drawn in main_form.ui (held to the
// core's definition of the form, app/core/form_definition.h), the window
// operations the engine and the handlers act through, and the routing of every
// (control, event) pair to exactly one handler of qv::FormHandlers.
#pragma once

#include "app/core/coupon_engine.h"
#include "app/core/form_handlers.h"
#include "app/window/qt_window_ops.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class QKeyEvent;

namespace Ui {
class MainForm;
}

namespace qv {

// Registers the fonts the fixed layout was drawn with, or metric-compatible
// stand-ins: the Tahoma that fonts-wine ships outside the font path, mapped
// also for "MS Sans Serif" and "MS Shell Dlg". Call once, after the
// application object exists.
void install_fonts();

// The program's icon (16 x 16 and 32 x 32).
QIcon program_icon();

class MainForm : public QWidget {
    Q_OBJECT
  public:
    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    WindowOps& window_ops() { return ops_; }
    CouponEngine& engine() { return engine_; }
    // The control of that name, or nullptr.
    QWidget* control(const QString& name) const;
    // True once the open handler has run.
    bool has_opened() const { return opened_; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using LostFocusHandler = void (FormHandlers::*)();

    // The window's open event: runs the open handler, then the first focus.
    Q_INVOKABLE void opened();
    void wire_events();
    void run_handler(const std::function<void()>& handler, QWidget* field = nullptr);
    void field_left(QWidget* field, Qt::FocusReason reason);
    bool window_key_down(QWidget* receiver, QKeyEvent* key);
    void move_focus_as_tab(QWidget* receiver, bool backward);
    void apply_locks();
    void show_printer_band();

    std::unique_ptr<Ui::MainForm> ui_;
    QtWindowOps ops_;
    CouponEngine engine_;
    FormHandlers handlers_;

    bool opened_ = false;
    bool open_scheduled_ = false;
    bool busy_ = false;                  // a handler is running
    QWidget* running_field_ = nullptr;   // whose lost-focus handler is running
    QList<QWidget*> left_fields_;        // departures waiting for the running handler
    QWidget* departure_taken_ = nullptr; // a departure the key handler already served
    const QEvent* own_tab_ = nullptr;    // the Tab this window sends itself
    QList<QPair<QWidget*, LostFocusHandler>> lost_focus_;
};

} // namespace qv
