// The control names of app/core/control_names.h against the form
// (main_form.ui): each name there with the same widget class, and each
// control of the form in the list, once.
#include "app/core/control_names.h"

#include <QFile>
#include <QMap>
#include <QTest>
#include <QXmlStreamReader>

namespace {

QString text_of(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The form's controls, name -> widget class; the form itself (the outermost
// widget) is not a control. Fails the test on a file it cannot read.
QMap<QString, QString> form_controls(const QString& path) {
    QMap<QString, QString> controls;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot open %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    bool outermost = true;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("widget")) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (outermost) {
            outermost = false;
            continue;
        }
        const QString name = a.value(QLatin1String("name")).toString();
        if (controls.contains(name)) qFatal("control %s twice in the form", qPrintable(name));
        controls.insert(name, a.value(QLatin1String("class")).toString());
    }
    if (xml.hasError()) qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return controls;
}

} // namespace

class ControlNamesTest : public QObject {
    Q_OBJECT

  private slots:
    void every_name_is_a_control_of_its_class() {
        const QMap<QString, QString> form = form_controls(QStringLiteral(MAIN_FORM_UI));
        QVERIFY(!form.isEmpty());
        for (const qv::controls::Control& c : qv::controls::kAll) {
            const QString name = text_of(c.name);
            QVERIFY2(form.contains(name), qPrintable(name + " is not in the form"));
            QCOMPARE(form.value(name), text_of(c.widget_class));
        }
    }

    void every_control_is_named_once() {
        const QMap<QString, QString> form = form_controls(QStringLiteral(MAIN_FORM_UI));
        QMap<QString, int> listed;
        for (const qv::controls::Control& c : qv::controls::kAll)
            ++listed[text_of(c.name)];
        for (auto it = listed.cbegin(); it != listed.cend(); ++it)
            QVERIFY2(it.value() == 1, qPrintable(it.key() + " is listed twice"));
        for (auto it = form.cbegin(); it != form.cend(); ++it)
            QVERIFY2(listed.contains(it.key()), qPrintable(it.key() + " has no name in the list"));
    }
};

QTEST_GUILESS_MAIN(ControlNamesTest)
#include "control_names_test.moc"
