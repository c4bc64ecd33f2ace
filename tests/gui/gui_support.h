// Helpers of the window's tests: a scratch working folder per test, answers to
// modal message boxes, and the keyboard and mouse of a cashier.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QWidget;

namespace qv::gui_test {

// A control's name (qv::controls) as the window's object names hold it.
inline QString name_of(std::string_view control) {
    return QString::fromLatin1(control.data(), static_cast<qsizetype>(control.size()));
}
inline QStringList names_of(std::initializer_list<std::string_view> controls) {
    QStringList names;
    for (std::string_view c : controls)
        names << name_of(c);
    return names;
}

// A scratch working folder for one test: the settings file Quiterval.TOR is
// created there, the simulated printer keeps its folder (ECFSIM_DIR) and the
// driver its log inside it. The old working folder comes back at the end.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    QString path(const QString& name = {}) const;
    // The simulated printer's tape, as text ("" while nothing was printed).
    QString tape() const;

  private:
    QTemporaryDir dir_;
    QString previous_;
};

struct Operator {
    std::string name;
    int password = 0;
};
// Writes the settings file: the one 1061-character record under key "1".
void write_settings(const QString& file, int max_cents, int meal_percent_cents,
                    int drinks_percent_cents, int release_password,
                    const std::vector<Operator>& operators);

// Answers the modal message boxes that come up while it lives, in order:
// the n-th box gets the n-th button; NoButton presses Enter (the box's
// default button). Boxes beyond the list are answered with Enter too and
// noted. It polls for the box every few milliseconds, never longer than the
// bound, so a box that never comes cannot hang the test.
class BoxAnswers : public QObject {
    Q_OBJECT
  public:
    explicit BoxAnswers(std::vector<QMessageBox::StandardButton> buttons = {},
                        int bound_ms = 10000);
    ~BoxAnswers() override;

    struct Seen {
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton default_button;
        QMessageBox::StandardButtons buttons;
    };
    const std::vector<Seen>& seen() const { return seen_; }
    QStringList texts() const;

  private:
    void poll();

    std::vector<QMessageBox::StandardButton> buttons_;
    std::vector<Seen> seen_;
    QTimer timer_;
    int polls_left_;
};

// The widget with the keyboard focus, by its object name ("" when none).
QString focus_name();
// Types text into the focused control, key by key.
void type(const QString& text);
// Presses one key in the focused control.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Clicks the middle of a widget with the left button.
void click(QWidget* widget);

} // namespace qv::gui_test
