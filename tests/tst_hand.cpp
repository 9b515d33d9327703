// What a hand does with mouse and wheel never loses or rewrites a line: a
// refused move leaves the grid on the pending line, a batch pick is stored
// like any change, the wheel turns only the box being worked in, and a batch the
// line cannot hold is refused. Each case drives the real window.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest>

namespace {

QVariantMap line(const QString& batch, const QString& article = QStringLiteral("coat")) {
    return {{"dostavcik", "Zara"}, {"artikul", article},   {"batch", batch}, {"paracbr", 2},
            {"polucbr", 2},        {"pokupnacena", 10000}, {"obsto", 20000}};
}

void prepareLists(WindowFixture& f, const QByteArray& batches) {
    f.dir.writeFile("Suppliers.txt", "Mango\r\nZara\r\n");
    f.dir.writeFile("articles.txt", "coat\r\nshirt\r\n");
    f.dir.writeFile("Batches.txt", batches);
}

// The rows the grid marks: its current row and every selected cell's row.
QList<int> markedRows(OrderGrid* grid) {
    QList<int> rows{grid->currentIndex().row()};
    for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    return rows;
}

void heldClickOnRow(OrderGrid* grid, int row) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 2));
    WindowFixture::heldClick(grid->viewport(), cell.center());
}

void turnWheel(QWidget* widget) {
    const QPointF at = QPointF(widget->rect().center());
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

} // namespace

class HandTest : public QObject {
    Q_OBJECT
  private slots:
    void refusedMoveKeepsTheGridOnThePendingLine_data();
    void refusedMoveKeepsTheGridOnThePendingLine();
    void batchPickIsStoredByAMove_data();
    void batchPickIsStoredByAMove();
    void wheelTurnsOnlyTheFocusedBox_data();
    void wheelTurnsOnlyTheFocusedBox();
    void batchTooLongForTheLineIsRefused_data();
    void batchTooLongForTheLineIsRefused();
};

void HandTest::refusedMoveKeepsTheGridOnThePendingLine_data() {
    QTest::addColumn<bool>("rowSelect");
    QTest::addRow("cells selected") << false;
    QTest::addRow("whole rows selected") << true;
}

// Ordered 0 cannot be stored: clicking another row is refused, and the grid
// keeps marking the line the form holds, so Delete asks about that one.
void HandTest::refusedMoveKeepsTheGridOnThePendingLine() {
    QFETCH(bool, rowSelect);
    WindowFixture f;
    for (const char* article : {"coat", "shirt", "coat"})
        f.insertLine(line("", article));
    TForm1& form = f.open();
    if (rowSelect)
        WindowFixture::click(form.cberow);
    WindowFixture::retype(form.DBEdit16, "0");
    heldClickOnRow(form.DBGrid1, 2);
    QCOMPARE(f.dialogs.shown,
             QStringList{"information: Ordered count is unknown!!! Please enter ordered count to "
                         "continue\r\nor click on \"Cancel\" button to refuse changes."});
    QCOMPARE(form.table().currentRow(), 0);
    QCOMPARE(markedRows(form.DBGrid1), QList<int>{0});
}

void HandTest::batchPickIsStoredByAMove_data() {
    QTest::addColumn<QString>("move");
    QTest::addRow("Next") << "Next";
    QTest::addRow("Last") << "Last";
    QTest::addRow("a click on another row") << "row";
}

void HandTest::batchPickIsStoredByAMove() {
    QFETCH(QString, move);
    WindowFixture f;
    prepareLists(f, "A1\r\nB2\r\n");
    const qint64 first = f.insertLine(line("B2"));
    for (int i = 0; i < 2; ++i)
        f.insertLine(line("B2"));
    TForm1& form = f.open();
    WindowFixture::choose(form.ComboBox2, "A1");
    if (move == "Next")
        WindowFixture::heldClick(form.SpeedButton3);
    else if (move == "Last")
        WindowFixture::heldClick(form.SpeedButton4);
    else
        heldClickOnRow(form.DBGrid1, 1);
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(OtherClient(f.dir).stored(qint32(first), "batch").toString(), "A1");
    QCOMPARE(form.table().state(), TableState::Browse);
}

void HandTest::wheelTurnsOnlyTheFocusedBox_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QString>("shown"); // the box's text after the turn
    QTest::addRow("article box, focus in the grid") << "DBComboBox1" << false << "coat";
    QTest::addRow("supplier box, focus in the grid") << "DBComboBox2" << false << "Mango";
    QTest::addRow("batch chooser, focus in the grid") << "ComboBox2" << false << "A1";
    QTest::addRow("supplier filter, focus in the grid") << "cbfiltersup" << false << "All";
    QTest::addRow("article box with the focus") << "DBComboBox1" << true << "shirt";
}

// A turn over a box the user is not in changes nothing and starts no edit.
void HandTest::wheelTurnsOnlyTheFocusedBox() {
    QFETCH(QString, box);
    QFETCH(bool, focused);
    QFETCH(QString, shown);
    WindowFixture f;
    prepareLists(f, "A1\r\nB2\r\n");
    QVariantMap mango = line("A1");
    mango["dostavcik"] = "Mango";
    f.insertLine(mango);
    TForm1& form = f.open();
    WindowFixture::choose(form.cbbatch, "A1");
    auto* target = form.findChild<QComboBox*>(box);
    WindowFixture::focus(focused ? static_cast<QWidget*>(target) : form.DBGrid1);
    turnWheel(target);
    QCOMPARE(target->currentText(), shown);
    QCOMPARE(form.table().state(), focused ? TableState::Edit : TableState::Browse);
    QCOMPARE(form.table().recordCount(), 1);
}

void HandTest::batchTooLongForTheLineIsRefused_data() {
    QTest::addColumn<bool>("newLine");
    QTest::addRow("new line") << true;
    QTest::addRow("stored line") << false;
}

// A batch list from outside may hold a name longer than the column; a line
// stored with it cut would leave the batch's view and lose its photo folder.
void HandTest::batchTooLongForTheLineIsRefused() {
    QFETCH(bool, newLine);
    WindowFixture f;
    prepareLists(f, "2025-Spring\r\nA1\r\n2025-01\r\n");
    const qint64 stored = f.insertLine(line("A1"));
    TForm1& form = f.open();
    f.dialogs.shown.clear(); // the start-up names the long entry
    if (newLine) {
        WindowFixture::click(form.Button1);
        WindowFixture::choose(form.DBComboBox1, "coat");
        WindowFixture::choose(form.DBComboBox2, "Zara");
        WindowFixture::retype(form.DBEdit7, "5");
        WindowFixture::retype(form.DBEdit16, "4");
    }
    WindowFixture::choose(form.ComboBox2, "2025-Spring");
    WindowFixture::heldClick(form.Button5);
    QCOMPARE(
        f.dialogs.shown,
        QStringList{"information: The batch \"2025-Spring\" is longer than the 7 characters a line can hold, "
                    "so the line was not stored.\r\nPlease choose another batch, or shorten this one with "
                    "\"Edit batches\"."});
    QCOMPARE(form.table().state(), newLine ? TableState::Insert : TableState::Edit);
    OtherClient other(f.dir);
    QCOMPARE(other.lineCount(), 1);
    QCOMPARE(other.stored(qint32(stored), "batch").toString(), "A1");

    WindowFixture::choose(form.ComboBox2, "2025-01"); // a batch as long as the column is stored
    WindowFixture::heldClick(form.Button5);
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(other.lineCount(), newLine ? 2 : 1);
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1 WHERE batch = '2025-01'"), 1);
}

QTEST_MAIN(HandTest)
#include "tst_hand.moc"
