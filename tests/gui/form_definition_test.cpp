// The Qt form against the form's definition in the core, both ways: every
// widget of main_form.ui is a row of the definition and every property the
// file sets is one the definition states (or one of the few Qt-only settings
// listed here), with the same value; the fonts and colours that the form's
// style sheet gives are checked on the built window.
#include "app/core/form_definition.h"
#include "app/window/main_form.h"
#include "shared/cp1252.h"
#include "tests/gui/gui_support.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

namespace form = qv::form;
using qv::gui_test::name_of;

namespace {

// What main_form.ui says of one widget: its class and container, and every
// property as text ("x,y,w,h" for a rectangle).
struct UiWidget {
    QString widget_class;
    QString container;
    QMap<QString, QString> properties;
};

struct UiFile {
    QMap<QString, UiWidget> widgets; // the controls, by name
    QString window_name;
    QMap<QString, QString> window_properties;
    QStringList tab_stops;
    QStringList grid_headers;
    QStringList custom_widgets;
};

QString text_of(std::string_view bytes) {
    return QString::fromStdString(qv::cp1252_to_utf8(bytes));
}

// The value of a <property> or <attribute>, read up to its end tag. A blank
// string is read as empty, as uic makes it.
QString property_value(QXmlStreamReader& xml) {
    QString value;
    QStringList rect;
    const QString end = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == end) break;
        if (!xml.isStartElement()) continue;
        const QString kind = xml.name().toString();
        if (kind == u"rect") continue;
        if (kind == u"x" || kind == u"y" || kind == u"width" || kind == u"height") {
            rect << xml.readElementText();
        } else {
            value = xml.readElementText();
            if (kind == u"string" && value.trimmed().isEmpty()) value.clear();
        }
    }
    return rect.isEmpty() ? value : rect.join(u',');
}

UiFile read_ui(const QString& path) {
    UiFile ui;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot open %s", qPrintable(path));
    QXmlStreamReader xml(&file);
    QStringList open_widgets; // names, outermost first
    bool in_column = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString tag = xml.name().toString();
        if (xml.isEndElement() && tag == u"widget") open_widgets.removeLast();
        if (xml.isEndElement() && tag == u"column") in_column = false;
        if (!xml.isStartElement()) continue;
        if (tag == u"widget") {
            const QString name = xml.attributes().value(QLatin1String("name")).toString();
            if (open_widgets.isEmpty()) {
                ui.window_name = name;
            } else {
                if (ui.widgets.contains(name)) qFatal("%s twice in the form", qPrintable(name));
                const QString container = open_widgets.size() == 1
                                              ? text_of(form::kWindow.form_name)
                                              : open_widgets.last();
                ui.widgets.insert(
                    name,
                    {xml.attributes().value(QLatin1String("class")).toString(), container, {}});
            }
            open_widgets << name;
        } else if (tag == u"column") {
            in_column = true;
        } else if (tag == u"property" || tag == u"attribute") {
            const QString key = xml.attributes().value(QLatin1String("name")).toString();
            const QString value = property_value(xml);
            if (in_column) {
                ui.grid_headers << value;
            } else if (open_widgets.size() == 1) {
                ui.window_properties.insert(key, value);
            } else {
                QMap<QString, QString>& props = ui.widgets[open_widgets.last()].properties;
                if (props.contains(key)) qFatal("%s twice", qPrintable(key));
                props.insert(key, value);
            }
        } else if (tag == u"tabstop") {
            ui.tab_stops << xml.readElementText();
        } else if (tag == u"customwidget") {
            xml.readNextStartElement();
            ui.custom_widgets << xml.readElementText();
        }
    }
    if (xml.hasError()) qFatal("%s: %s", qPrintable(path), qPrintable(xml.errorString()));
    return ui;
}

QString rect_text(const form::Rect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.left).arg(r.top).arg(r.width).arg(r.height);
}

QString class_of(form::Kind kind) {
    switch (kind) {
    case form::Kind::TabControl:
        return QStringLiteral("QTabWidget");
    case form::Kind::Page:
        return QStringLiteral("QWidget");
    case form::Kind::Panel:
        return QStringLiteral("QFrame");
    case form::Kind::Frame:
        return QStringLiteral("QGroupBox");
    case form::Kind::Picture:
    case form::Kind::Label:
        return QStringLiteral("QLabel");
    case form::Kind::MaskedEdit:
        return QStringLiteral("qv::MaskedEdit");
    case form::Kind::OptionButton:
        return QStringLiteral("QRadioButton");
    case form::Kind::ComboBox:
        return QStringLiteral("QComboBox");
    case form::Kind::Grid:
        return QStringLiteral("QTableWidget");
    case form::Kind::Button:
        return QStringLiteral("QPushButton");
    }
    return {};
}

// The properties main_form.ui must set for a row of the definition, and no
// others. The Qt-only settings: buttons are never a dialog's default button,
// the tab control opens on its first page with all tabs in view, and the
// grid's size comes from the definition's grid.
QMap<QString, QString> expected_properties(const form::Control& c) {
    QMap<QString, QString> p;
    const QString yes = QStringLiteral("true");
    const QString no = QStringLiteral("false");
    if (c.kind == form::Kind::Page) {
        p[QStringLiteral("title")] = text_of(c.caption); // a tab's caption: no geometry
        return p;
    }
    p[QStringLiteral("geometry")] = rect_text(c.rect);
    switch (c.kind) {
    case form::Kind::Frame:
        p[QStringLiteral("title")] = text_of(c.caption);
        break;
    case form::Kind::Label:
    case form::Kind::OptionButton:
        p[QStringLiteral("text")] = text_of(c.caption);
        break;
    case form::Kind::Button:
        p[QStringLiteral("text")] = text_of(c.caption);
        p[QStringLiteral("autoDefault")] = no;
        break;
    case form::Kind::TabControl:
        p[QStringLiteral("currentIndex")] = QStringLiteral("0");
        p[QStringLiteral("usesScrollButtons")] = no;
        break;
    case form::Kind::Grid:
        p[QStringLiteral("rowCount")] = QString::number(form::kGridRows);
        p[QStringLiteral("columnCount")] = QString::number(std::size(form::kGridColumns));
        break;
    case form::Kind::MaskedEdit:
        p[QStringLiteral("picture")] = text_of(c.picture);
        break;
    default:
        break;
    }
    if (c.centred) p[QStringLiteral("alignment")] = QStringLiteral("Qt::AlignCenter");
    if (c.password) p[QStringLiteral("passwordMask")] = yes;
    if (c.whole_sums) p[QStringLiteral("wholeSums")] = yes;
    if (c.read_only) p[QStringLiteral("readOnly")] = yes;
    if (!c.visible) p[QStringLiteral("visible")] = no;
    if (c.checked) p[QStringLiteral("checked")] = yes;
    return p;
}

QColor colour(const form::Rgb& rgb) {
    return {rgb.red, rgb.green, rgb.blue};
}

} // namespace

class FormDefinitionTest : public QObject {
    Q_OBJECT

  private:
    UiFile ui_ = read_ui(QStringLiteral(MAIN_FORM_UI));

  private slots:
    void every_widget_of_the_file_is_defined() {
        QVERIFY(!ui_.widgets.isEmpty());
        for (auto it = ui_.widgets.cbegin(); it != ui_.widgets.cend(); ++it)
            QVERIFY2(form::find(it.key().toStdString()),
                     qPrintable(it.key() + " is not in the definition"));
        QCOMPARE(ui_.widgets.size(), static_cast<qsizetype>(form::all().size()));
    }

    void every_row_is_the_file_widget_data() {
        QTest::addColumn<QString>("name");
        for (const form::Control& c : form::all())
            QTest::newRow(qPrintable(name_of(c.name))) << name_of(c.name);
    }

    void every_row_is_the_file_widget() {
        QFETCH(QString, name);
        const form::Control& c = *form::find(name.toStdString());
        QVERIFY2(ui_.widgets.contains(name), "not in main_form.ui");
        const UiWidget& w = ui_.widgets[name];
        QCOMPARE(w.widget_class, class_of(c.kind));
        QCOMPARE(w.container, text_of(c.container));
        QCOMPARE(w.properties, expected_properties(c));
    }

    void window_grid_and_focus_order() {
        QCOMPARE(ui_.window_properties.value(QStringLiteral("windowTitle")),
                 text_of(form::kWindow.title));
        QCOMPARE(ui_.window_properties.value(QStringLiteral("geometry")),
                 rect_text({0, 0, form::kWindow.rect.width, form::kWindow.rect.height}));
        // The rest of the window's look is its style sheet, checked below.
        QCOMPARE(ui_.window_properties.size(), 3);
        QVERIFY(ui_.window_properties.contains(QStringLiteral("styleSheet")));

        QStringList headers;
        for (const form::GridColumn& column : form::kGridColumns)
            headers << text_of(column.header);
        QCOMPARE(ui_.grid_headers, headers);

        QStringList order(static_cast<qsizetype>(form::all().size()));
        qsizetype stops = 0;
        for (const form::Control& c : form::all())
            if (c.tab_order > 0) {
                order[c.tab_order - 1] = name_of(c.name);
                ++stops;
            }
        QCOMPARE(ui_.tab_stops, order.mid(0, stops));
        QCOMPARE(ui_.custom_widgets, QStringList{QStringLiteral("qv::MaskedEdit")});
    }

    // The style sheet's fonts and colours, as the built window has them.
    void the_window_draws_the_defined_look() {
        qv::gui_test::ScratchFolder scratch;
        qv::MainForm window;
        QCOMPARE(window.objectName(), text_of(form::kWindow.form_name));
        window.ensurePolished();
        QCOMPARE(window.font().family(), text_of(form::kWindow.font.family));
        QCOMPARE(window.font().pixelSize(), form::kWindow.font.pixels());
        QCOMPARE(window.palette().color(window.backgroundRole()), colour(form::kWindow.background));
        for (const form::Control& c : form::all()) {
            const QString name = name_of(c.name);
            QWidget* w = window.control(name);
            QVERIFY2(w, qPrintable(name));
            // A tab control's font and colours are its tabs'; a grid's
            // background is its cells' area.
            if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                w = tabs->tabBar();
                for (int i = 0; i < tabs->count(); ++i)
                    QCOMPARE(tabs->tabBar()->tabRect(i).size(),
                             QSize(form::kTabWidth, form::kTabHeight));
            }
            QWidget* area = w;
            if (auto* grid = qobject_cast<QAbstractScrollArea*>(w)) area = grid->viewport();
            w->ensurePolished();
            if (c.font) {
                QCOMPARE(w->font().family(), text_of(c.font->family));
                QCOMPARE(w->font().pixelSize(), c.font->pixels());
                QCOMPARE(w->font().bold(), c.font->bold);
            }
            if (c.text) QCOMPARE(w->palette().color(w->foregroundRole()), colour(*c.text));
            // Drawn colours: just inside the top left corner, and the left
            // edge halfway down.
            if (c.background)
                QCOMPARE(area->grab().toImage().pixelColor(2, 2), colour(*c.background));
            if (c.border) {
                const QImage drawn = w->grab().toImage();
                QCOMPARE(drawn.pixelColor(0, drawn.height() / 2), colour(*c.border));
            }
        }
    }
};

QTEST_MAIN(FormDefinitionTest)
#include "form_definition_test.moc"
