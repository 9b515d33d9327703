// Every refusal says why: a number the field cannot take, a closed register,
// a store that takes its line out of the view. Driven through the real window.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "lists/gui/Unit2.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

const QString Closed = QStringLiteral("standardError: Cannot perform this operation on a closed dataset.");

QVariantMap line(const QString& supplier, const QString& batch) {
    return {{"dostavcik", supplier}, {"artikul", "coat"},    {"batch", batch}, {"paracbr", 2},
            {"polucbr", 2},          {"pokupnacena", 10000}, {"obsto", 20000}, {"nomcuval", 7}};
}

// Runs one of the actions that ask for a store of the pending line, with a
// click as a hand makes it.
void act(TForm1& form, const QString& action) {
    const QMap<QString, QWidget*> buttons{{"Apply", form.Button5},       {"Next", form.SpeedButton3},
                                          {"Last", form.SpeedButton4},   {"Add", form.Button1},
                                          {"Recalculate", form.Button4}, {"Export", form.Button3},
                                          {"Delete", form.Button2}};
    const QMap<QString, QWidget*> editors{{"Edit batches", form.Button9}, {"Edit Suppliers", form.Button8}};
    if (buttons.contains(action)) {
        WindowFixture::heldClick(buttons[action]);
    } else if (action == "Apply, let go elsewhere") {
        // The button is let go over another program's window, so the window
        // never sees the release and nothing is clicked; the next key press
        // ends the wait for it, and the field has the focus again.
        QWidget* field = QApplication::focusWidget();
        QTest::mousePress(form.Button5, Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Shift);
        QTRY_COMPARE(QApplication::focusWidget(), field);
        // The release comes at last, away from the button: still no click.
        QTest::mouseRelease(form.Button5, Qt::LeftButton, {}, QPoint(-20, -20));
        QCoreApplication::processEvents();
    } else if (editors.contains(action)) {
        // The list editor opens; its OK is pressed once it shows.
        TForm2* editor = form.findChild<TForm2*>("Form2");
        QTimer ok;
        QObject::connect(&ok, &QTimer::timeout, editor, [editor] {
            if (editor->isVisible())
                editor->Button1->click();
        });
        ok.start(0);
        WindowFixture::heldClick(editors[action]);
    } else {
        form.close();
        QCoreApplication::processEvents(); // the user reads the message
    }
}

} // namespace

class RefusalsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::system()); }
    void refusedNumberSaysWhyAndCancelWorks_data();
    void refusedNumberSaysWhyAndCancelWorks();
    void numbersAreReadAsTyped_data();
    void numbersAreReadAsTyped();
    void storeThatLeavesTheViewEndsQuietly_data();
    void storeThatLeavesTheViewEndsQuietly();
    void closedRegisterSaysSo_data();
    void closedRegisterSaysSo();
};

void RefusalsTest::refusedNumberSaysWhyAndCancelWorks_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    const QString money = QStringLiteral("'%1' is not a valid currency value.");
    const QString count = QStringLiteral("'%1' is not a valid integer value.");
    QTest::addRow("price, Apply") << "DBEdit7"
                                  << "12,5"
                                  << "Apply"
                                  << "Purchasing Price: " + money.arg("12,5");
    QTest::addRow("cost price, Next") << "DBEdit8"
                                      << "abc"
                                      << "Next"
                                      << "Cost Price: " + money.arg("abc");
    QTest::addRow("trade price, Last") << "DBEdit9"
                                       << "1,2,3"
                                       << "Last"
                                       << "Trade Price: " + money.arg("1,2,3");
    QTest::addRow("street price, Add") << "DBEdit10"
                                       << "x"
                                       << "Add"
                                       << "Street Price: " + money.arg("x");
    QTest::addRow("ordered, Recalculate") << "DBEdit16"
                                          << "2,5"
                                          << "Recalculate"
                                          << "Ordered: " + count.arg("2,5");
    QTest::addRow("delivered, close") << "DBEdit17"
                                      << "1.5"
                                      << "close"
                                      << "Delivered: '1.5' is not a whole number; counts are whole numbers.";
    QTest::addRow("defective, Apply") << "DBEdit18"
                                      << "-"
                                      << "Apply"
                                      << "Defective: " + count.arg("-");
    QTest::addRow("sack, Next") << "DBEdit14"
                                << "12a"
                                << "Next"
                                << "Sack Nomber: " + count.arg("12a");
    QTest::addRow("code, Add") << "DBEdit15"
                               << "9x"
                               << "Add"
                               << "Code Nomber: " + count.arg("9x");
    QTest::addRow("price, Export") << "DBEdit7"
                                   << "12x"
                                   << "Export"
                                   << "Purchasing Price: " + money.arg("12x");
    QTest::addRow("price, Apply let go elsewhere") << "DBEdit7"
                                                   << "12x"
                                                   << "Apply, let go elsewhere"
                                                   << "Purchasing Price: " + money.arg("12x");
    QTest::addRow("ordered, Delete, nothing asked") << "DBEdit16"
                                                    << "2,5"
                                                    << "Delete"
                                                    << "Ordered: " + count.arg("2,5");
    // Regression: the editor was followed by the same reason twice.
    QTest::addRow("price, Edit batches") << "DBEdit7"
                                         << "12x"
                                         << "Edit batches"
                                         << "Purchasing Price: " + money.arg("12x");
    QTest::addRow("ordered, Edit Suppliers") << "DBEdit16"
                                             << "2,5"
                                             << "Edit Suppliers"
                                             << "Ordered: " + count.arg("2,5");
}

void RefusalsTest::refusedNumberSaysWhyAndCancelWorks() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, action);
    QFETCH(QString, message);
    WindowFixture f;
    f.insertLine(line("Zara", ""));
    f.insertLine(line("Zara", ""));
    TForm1& form = f.open();
    auto* edit = form.findChild<QLineEdit*>(field);
    const QString stored = edit->text();
    WindowFixture::retype(edit, text);
    WindowFixture::focus(form.DBEdit4);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    QCOMPARE(f.dialogs.takeShown(), QStringList{"standardError: " + message});

    act(form, action); // stopped, with the reason
    const bool clicked = action != "Apply, let go elsewhere";
    QCOMPARE(f.dialogs.takeShown(), clicked ? QStringList{"standardError: " + message} : QStringList());
    QCOMPARE(form.table().state(), TableState::Edit);
    QCOMPARE(form.table().currentRow(), 0);
    QVERIFY(form.isVisible());

    WindowFixture::heldClick(form.Button7); // Cancel abandons the refused text too
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(edit->text(), stored);
    WindowFixture::click(form.SpeedButton3);
    QCOMPARE(form.table().currentRow(), 1);
    QCOMPARE(f.dialogs.shown, QStringList());
}

void RefusalsTest::numbersAreReadAsTyped_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("column");
    QTest::addColumn<qint64>("stored"); // money in ten-thousandths; -1: refused
    QTest::addColumn<QString>("message");
    const QLocale bg(QLocale::Bulgarian, QLocale::Bulgaria);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    QTest::addRow("bg grouping with a space") << bg << "DBEdit7"
                                              << "1 000,5"
                                              << "pokupnacena" << qint64(10005000) << QString();
    QTest::addRow("bg grouping as the locale writes it") << bg << "DBEdit7" << bg.toString(1000) + ",5"
                                                         << "pokupnacena" << qint64(10005000) << QString();
    QTest::addRow("en grouping") << en << "DBEdit7"
                                 << "1,000.5"
                                 << "pokupnacena" << qint64(10005000) << QString();
    QTest::addRow("five decimals rounded") << QLocale::c() << "DBEdit7"
                                           << "1.23456"
                                           << "pokupnacena" << qint64(12346) << QString();
    QTest::addRow("bg count grouped") << bg << "DBEdit16"
                                      << "1 000"
                                      << "paracbr" << qint64(1000) << QString();
    QTest::addRow("bg count with a fraction")
        << bg << "DBEdit16"
        << "2,5"
        << "paracbr" << qint64(-1) << "Ordered: '2,5' is not a whole number; counts are whole numbers.";
    QTest::addRow("en comma that is no grouping")
        << en << "DBEdit16"
        << "12,5"
        << "paracbr" << qint64(-1) << "Ordered: '12,5' is not a valid integer value.";
}

void RefusalsTest::numbersAreReadAsTyped() {
    QFETCH(QLocale, locale);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, column);
    QFETCH(qint64, stored);
    QFETCH(QString, message);
    QLocale::setDefault(locale);
    WindowFixture f;
    f.insertLine(line("Zara", ""));
    TForm1& form = f.open();
    WindowFixture::retype(form.findChild<QLineEdit*>(field), text);
    WindowFixture::focus(form.DBEdit4);
    if (stored < 0) {
        QCOMPARE(f.dialogs.shown, QStringList{"standardError: " + message});
        return;
    }
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.shown, QStringList());
    const QVariant value = form.table().value(column);
    QCOMPARE(column == "pokupnacena" ? value.value<Currency>().units() : value.toLongLong(), stored);
}

void RefusalsTest::storeThatLeavesTheViewEndsQuietly_data() {
    QTest::addColumn<QString>("supplierFilter");
    QTest::addColumn<bool>("leaves"); // the view is read anew only when the supplier filter is left
    QTest::addRow("batch filter") << "All" << true;
    QTest::addRow("supplier and batch filter") << "Zara" << false;
}

// The line's batch is changed under a batch filter: it is stored, and when
// the view is read anew it leaves it and the form shows a neighbour; either
// way without an error box.
void RefusalsTest::storeThatLeavesTheViewEndsQuietly() {
    QFETCH(QString, supplierFilter);
    QFETCH(bool, leaves);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "A1\r\nB2\r\n");
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    for (int i = 0; i < 3; ++i)
        f.insertLine(line("Zara", "B2"));
    TForm1& form = f.open();
    WindowFixture::choose(form.cbfiltersup, supplierFilter);
    WindowFixture::click(form.SpeedButton3);
    const qint32 moved = form.table().asInteger("key");
    WindowFixture::choose(form.ComboBox2, "A1");
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(form.table().recordCount(), leaves ? 2 : 3);
    QVERIFY(form.table().currentRow() >= 0);
    QCOMPARE(form.table().asInteger("key") != moved, leaves);
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount),
             leaves ? "Articles Count: 2" : "Articles Count: 3");
}

void RefusalsTest::closedRegisterSaysSo_data() {
    QTest::addColumn<QString>("action");
    QTest::addRow("Recalculate") << "recalculate";
    QTest::addRow("filter change") << "filter";
    QTest::addRow("Ctrl+Delete in the grid") << "grid delete";
}

void RefusalsTest::closedRegisterSaysSo() {
    QFETCH(QString, action);
    WindowFixture f(false); // no db1.mdb
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    TForm1& form = f.open();
    f.dialogs.shown.clear();
    const QString label = form.lrecalc->text();
    if (action == "recalculate") {
        WindowFixture::click(form.Button4);
    } else if (action == "filter") {
        WindowFixture::choose(form.cbfiltersup, "Zara");
    } else {
        f.dialogs.confirmAnswers << true;
        WindowFixture::focus(form.DBGrid1);
        QTest::keyClick(form.DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
    }
    QCOMPARE(f.dialogs.shown, QStringList{Closed});
    QCOMPARE(form.lrecalc->text(), label);
}

QTEST_MAIN(RefusalsTest)
#include "tst_refusals.moc"
