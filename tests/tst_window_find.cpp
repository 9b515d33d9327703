// Finding a line by its text, repeating a line and the form's keys, driven
// through the real window as a clerk's hands do: each row is a list of
// steps, then what the clerk sees.
//
// Steps: "find T" (Ctrl+F, then T typed into the bar), "key K" (K pressed
// where the focus is, as QKeySequence writes it), "type FIELD T" (T typed
// into the form's field of that name), "list FIELD" (that list opened),
// "row N" (the grid's line N made current), "focus X" (X, a field or the
// grid, given the focus as a click does).

#include "app/FindBar.h"
#include "app/OrderGrid.h"
#include "support/WindowFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

QVariantMap line(const QString& article, const QString& supplier, int code, const QString& note,
                 const QString& colour) {
    return {{"artikul", article}, {"dostavcik", supplier}, {"kodovnom", code}, {"belejka", note},
            {"cvet", colour},     {"paracbr", 10},         {"polucbr", 10},    {"pokupnacena", 25000},
            {"obsto", 250000},    {"nomcuval", 7},         {"photo", 0},       {"razmeri", "M"}};
}

const QString PriceRefused =
    QStringLiteral("information: Purchasing Price is unknown!!! Please enter Purchasing Price to continue\r\n"
                   "or click on \"Cancel\" button to refuse changes.");

void press(const QString& keys) {
    const QKeyCombination key = QKeySequence::fromString(keys)[0];
    QWidget* target = QApplication::activePopupWidget();
    if (!target)
        target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    QTest::keyClick(target, key.key(), key.keyboardModifiers());
    QCoreApplication::processEvents();
}

// Typed key by key; QTest's own typing knows only ASCII.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCoreApplication::processEvents();
}

} // namespace

class WindowFindTest : public QObject {
    Q_OBJECT
  private slots:
    void clerkFindsRepeatsAndStoresByKeys_data();
    void clerkFindsRepeatsAndStoresByKeys();
};

void WindowFindTest::clerkFindsRepeatsAndStoresByKeys_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("row");            // the current line afterwards
    QTest::addColumn<QString>("state");      // B(rowse), E(dit) or I(nsert)
    QTest::addColumn<QString>("result");     // beside the find field
    QTest::addColumn<QString>("wrapped");    // the word on wrapping
    QTest::addColumn<QStringList>("shown");  // boxes
    QTest::addColumn<QVariantMap>("values"); // of the current line

    const QStringList none;
    QTest::addRow("Latin letter case, typing stays on a matching line")
        << QStringList{"find zara"} << 0 << "B"
        << "3 lines"
        << "" << none << QVariantMap{};
    QTest::addRow("F3 and Enter step on") << QStringList{"find ZARA", "key F3", "key Return"} << 3 << "B"
                                          << "3 lines"
                                          << "" << none << QVariantMap{};
    QTest::addRow("past the last match it wraps with a word")
        << QStringList{"row 3", "find zara", "key F3"} << 0 << "B"
        << "3 lines"
        << "Find went on from the first line" << none << QVariantMap{};
    QTest::addRow("Cyrillic letter case, Shift+F3 wraps back")
        << QStringList{"find палто", "key Shift+F3"} << 2 << "B"
        << "2 lines"
        << "Find went on from the last line" << none << QVariantMap{{"artikul", "ПАЛТО дълго"}};
    QTest::addRow("a number column") << QStringList{"find 4471"} << 0 << "B"
                                     << "1 line"
                                     << "" << none << QVariantMap{{"kodovnom", 4471}};
    QTest::addRow("a note, from the current line on") << QStringList{"row 1", "find RETURN"} << 3 << "B"
                                                      << "2 lines"
                                                      << "" << none << QVariantMap{{"artikul", "coat"}};
    QTest::addRow("blanks as typed") << QStringList{"find palto  "} << 0 << "B"
                                     << "No match"
                                     << "" << none << QVariantMap{};
    QTest::addRow("no match stays, without a box") << QStringList{"row 1", "find qqq"} << 1 << "B"
                                                   << "No match"
                                                   << "" << none << QVariantMap{};
    QTest::addRow("a find stores the pending line first")
        << QStringList{"type DBEdit13 blue", "find coat"} << 3 << "B"
        << "1 line"
        << "" << none << QVariantMap{};
    QTest::addRow("a refused store keeps the clerk on the line")
        << QStringList{"type DBEdit7 0", "find c"} << 0 << "E"
        << ""
        << "" << QStringList{PriceRefused} << QVariantMap{{"artikul", "Palto"}};
    QTest::addRow("Escape closes the bar, not the pending line")
        << QStringList{"type DBEdit13 blue", "find", "key Esc"} << 0 << "E"
        << ""
        << "" << none << QVariantMap{{"cvet", "blue"}};

    QTest::addRow("repeat copies the line's own columns")
        << QStringList{"row 2", "key Ctrl+R"} << 4 << "I"
        << ""
        << "" << none << QVariantMap{{"artikul", "ПАЛТО дълго"},
                                     {"dostavcik", "ZARA moda"},
                                     {"kodovnom", 5},
                                     {"nomcuval", 7},
                                     {"razmeri", "M"},
                                     {"pokupnacena", "2.5"},
                                     {"belejka", QVariant()},
                                     {"paracbr", QVariant()},
                                     {"photo", QVariant()}};
    QTest::addRow("repeat from the grid keeps the new line")
        << QStringList{"row 2", "focus DBGrid1", "key Ctrl+R"} << 4 << "I"
        << ""
        << "" << none << QVariantMap{{"artikul", "ПАЛТО дълго"}};
    QTest::addRow("F3 from a field stores its typed line first")
        << QStringList{"find coat", "row 0", "type DBEdit13 blue", "key F3"} << 3 << "B"
        << "1 line"
        << "" << none << QVariantMap{{"artikul", "coat"}};
    QTest::addRow("a repeated line is stored by Ctrl+S")
        << QStringList{"row 2", "key Ctrl+R", "type DBEdit16 3", "key Ctrl+S"} << 4 << "B"
        << ""
        << "" << none
        << QVariantMap{{"artikul", "ПАЛТО дълго"}, {"paracbr", 3}, {"obsto", "7.5"}, {"belejka", ""}};
    QTest::addRow("Ctrl+Enter in the note applies")
        << QStringList{"type DBMemo1 x", "key Ctrl+Return"} << 0 << "B"
        << ""
        << "" << none << QVariantMap{{"belejka", "return to supplierx"}};
    QTest::addRow("Escape cancels a pending line") << QStringList{"type DBEdit13 blue", "key Esc"} << 0 << "B"
                                                   << ""
                                                   << "" << none << QVariantMap{{"cvet", "Red"}};
    QTest::addRow("Escape in an open list only closes it")
        << QStringList{"type DBEdit13 blue", "list DBComboBox2", "key Esc"} << 0 << "E"
        << ""
        << "" << none << QVariantMap{{"cvet", "blue"}};
}

void WindowFindTest::clerkFindsRepeatsAndStoresByKeys() {
    QFETCH(QStringList, steps);
    QFETCH(int, row);
    QFETCH(QString, state);
    QFETCH(QString, result);
    QFETCH(QString, wrapped);
    QFETCH(QStringList, shown);
    QFETCH(QVariantMap, values);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\nZARA moda\r\nNelvo\r\nOther\r\n");
    f.dir.writeFile("articles.txt", "Palto\r\nshirt\r\nПАЛТО дълго\r\ncoat\r\n");
    f.insertLine(line("Palto", "Zara", 4471, "return to supplier", "Red"));
    f.insertLine(line("shirt", "Nelvo", 12, "като палто", "ЧЕРВЕН"));
    f.insertLine(line("ПАЛТО дълго", "ZARA moda", 5, "", "Red"));
    QVariantMap labelled = line("coat", "Other", 6, "Return it", "Red");
    labelled.insert("firmetiket", "zara-label");
    f.insertLine(labelled);
    TForm1& form = f.open();
    FindBar* bar = form.findBar();
    // Where the form's controls and the status panels stand: the bar moves none.
    const auto placed = [&form] {
        QStringList places;
        for (const QWidget* w : form.findChild<QWidget*>("UpperBand")->findChildren<QWidget*>())
            if (w->window() == &form) // not an open list's pop-up
                places
                    << w->objectName() +
                           QString(" %1,%2 %3x%4").arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height());
        for (int panel = 0; panel < StatusPanels::Count; ++panel)
            places
                << QString("panel %1 %2").arg(panel).arg(form.statusPanels().label(panel)->geometry().left());
        return places;
    };
    const QStringList placedAtStart = placed();
    for (const QString& step : steps) {
        const QString verb = step.section(' ', 0, 0);
        const QString rest = step.section(' ', 1);
        if (verb == "find") {
            press("Ctrl+F");
            QVERIFY(bar->field()->hasFocus());
            typeText(bar->field(), rest);
        } else if (verb == "key") {
            press(rest);
        } else if (verb == "type") {
            auto* field = form.findChild<QWidget*>(rest.section(' ', 0, 0));
            WindowFixture::focus(field);
            QTest::keyClick(field, Qt::Key_End);
            if (auto* edit = qobject_cast<QLineEdit*>(field))
                edit->selectAll();
            typeText(field, rest.section(' ', 1));
        } else if (verb == "list") {
            auto* box = form.findChild<QComboBox*>(rest);
            WindowFixture::focus(box);
            box->showPopup();
            QTRY_VERIFY(box->view()->isVisible());
        } else if (verb == "focus") {
            WindowFixture::focus(form.findChild<QWidget*>(rest));
        } else if (verb == "row") {
            QVERIFY(form.table().moveTo(rest.toInt()));
        }
    }
    QCOMPARE(form.table().currentRow(), row);
    const TableState expected = state == "E"   ? TableState::Edit
                                : state == "I" ? TableState::Insert
                                               : TableState::Browse;
    QCOMPARE(form.table().state(), expected);
    QCOMPARE(bar->resultText(), result);
    QCOMPARE(bar->wrappedText(), wrapped);
    QCOMPARE(f.dialogs.shown, shown);
    QCOMPARE(placed(), placedAtStart);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant value = form.table().value(it.key());
        if (it.value().metaType() == QMetaType::fromType<QString>() && value.isValid())
            QCOMPARE(form.table().asString(it.key()), it.value().toString());
        else
            QCOMPARE(value, it.value());
    }
}

QTEST_MAIN(WindowFindTest)
#include "tst_window_find.moc"
