// The filter rule, the summary counters, the title-click sort, the batch
// chooser and the pick list boxes, driven over a real register in a fresh
// application directory.

#include "data/Database.h"
#include "data/OrderColumns.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"
#include "lists/ListStore.h"
#include "lists/gui/BatchChooser.h"
#include "lists/gui/EntryUse.h"
#include "lists/gui/FilterRule.h"
#include "lists/gui/GridSort.h"
#include "lists/gui/PickLists.h"
#include "lists/gui/SummaryCounters.h"
#include "lists/gui/Unit2.h"
#include "support/ScriptedDialogs.h"
#include "support/TempAppDir.h"
#include "ui/ComboLookup.h"
#include "ui/StatusPanels.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <array>
#include <sys/stat.h>

namespace {

struct Line {
    QString supplier;
    QString batch;
    int received;
    qint64 moneyUnits; // ten-thousandths
};

// A register with the given lines, opened unfiltered and sorted by key.
// Engine errors are collected so that a test can insist there were none.
class Register {
  public:
    explicit Register(const QList<Line>& lines = {}) {
        if (!db.open(dir.path()))
            qFatal("cannot open test register: %s", qPrintable(db.errorString()));
        for (const Line& line : lines) {
            const QString sql =
                QStringLiteral("INSERT INTO Table1 (artikul, dostavcik, batch, polucbr, obsto) "
                               "VALUES ('Dress', %1, %2, %3, %4)")
                    .arg(FilterRule::quoted(line.supplier), FilterRule::quoted(line.batch))
                    .arg(line.received)
                    .arg(line.moneyUnits);
            if (!db.execute(sql))
                qFatal("cannot fill test register: %s", qPrintable(db.errorString()));
        }
        table.setErrorSink([this](const QString& message) { errors << message; });
        table.open();
    }

    // Starts a changed new line that every store refuses, as the checks do
    // for a line without its supplier.
    void pendRefusedLine() {
        table.setBeforePost([] { return false; });
        table.append();
        table.setValue(QStringLiteral("cvet"), QStringLiteral("red"));
    }

    TempAppDir dir;
    Database db;
    OrderTable table{db};
    QStringList errors;
};

// The filter, summary and status controls of the window, wired as it wires them.
class ViewControls {
  public:
    explicit ViewControls(OrderTable& table)
        : counters(table, &eobstbr, &etotal, panels),
          filter(table, &cbfiltersup, &cbbatch, &lrecalc, panels, counters) {
        eobstbr.setObjectName("eobstbr");
        etotal.setObjectName("etotal");
        for (int i = 0; i < StatusPanels::Count; ++i)
            panels.set(i, &panelLabels[i]);
        for (QLineEdit* field : {&eobstbr, &etotal})
            QObject::connect(field, &QLineEdit::textChanged, field,
                             [this, field] { counters.eobstbrChange(field); });
    }

    void setBoxes(const QStringList& suppliers, const QStringList& batches) {
        cbfiltersup.clear();
        cbfiltersup.addItems(QStringList{"All"} + suppliers);
        cbbatch.clear();
        cbbatch.addItems(QStringList{"All"} + batches);
    }

    QComboBox cbfiltersup;
    QComboBox cbbatch;
    QLabel lrecalc{"All"};
    QLineEdit eobstbr;
    QLineEdit etotal;
    std::array<QLabel, StatusPanels::Count> panelLabels;
    StatusPanels panels;
    SummaryCounters counters;
    FilterRule filter;
};

const QList<Line> sampleLines{
    {"Ann's", "B7", 3, 105000}, // 10.5
    {"Ann's", "B1", 2, 22500},  // 2.25
    {"X", "B7", 5, 1000},       // 0.1
    {"X", "B7", 1, 2000},       // 0.2
    {"All", "B1", 4, 10000},    // a supplier named All
};
const QStringList sampleSuppliers{"All", "Ann's", "X"};
const QStringList sampleBatches{"B1", "B7"};

} // namespace

class TestListsView : public QObject {
    Q_OBJECT
  private slots:
    void filterRule_data();
    void filterRule();
    void refusedFilterSwitchChangesNothing_data();
    void refusedFilterSwitchChangesNothing();
    void walkKeepsTheCurrentLine();
    void refusedWalkKeepsTheCounters();
    void counterAdjustments();
    void titleClicks_data();
    void titleClicks();
    void titleClickFollowsDraggedColumns();
    void refusedTitleClickChangesNothing();
    void resetSort();
    void followRule_data();
    void followRule();
    void pickIsKeptUntilStoredOrCancelled();
    void pickOnNewLineIsNoData();
    void startupLoading_data();
    void startupLoading();
    void startupGoesOnAfterUnreadableList_data();
    void startupGoesOnAfterUnreadableList();
    void editSuppliers();
    void editBatches();
    void editArticlesTouchesNothingElse();
    void cancelStillPostsThePendingLine();
    void editedEntriesAndTheirLines_data();
    void editedEntriesAndTheirLines();
};

void TestListsView::filterRule_data() {
    QTest::addColumn<int>("supplierIndex"); // in All, All, Ann's, X
    QTest::addColumn<int>("batchIndex");    // in All, B1, B7
    QTest::addColumn<QString>("filter");    // empty: filter off
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("pieces");
    QTest::addColumn<QString>("money");
    QTest::addRow("all, all: filter off") << 0 << 0 << ""
                                          << "All" << 5 << "15"
                                          << "14.05";
    QTest::addRow("supplier with a quote") << 2 << 0 << "dostavcik = 'Ann''s'"
                                           << "Ann's" << 2 << "5"
                                           << "12.75";
    QTest::addRow("batch only") << 0 << 2 << "batch = 'B7'"
                                << "All" << 3 << "9"
                                << "10.8";
    QTest::addRow("both") << 2 << 2 << "(dostavcik = 'Ann''s') AND (batch = 'B7')"
                          << "Ann's" << 1 << "3"
                          << "10.5";
    QTest::addRow("0.1 + 0.2 shows 0.3") << 3 << 2 << "(dostavcik = 'X') AND (batch = 'B7')"
                                         << "X" << 2 << "6"
                                         << "0.3";
    QTest::addRow("supplier named All filters") << 1 << 0 << "dostavcik = 'All'"
                                                << "All" << 1 << "4"
                                                << "1";
    QTest::addRow("empty view") << 3 << 1 << "(dostavcik = 'X') AND (batch = 'B1')"
                                << "X" << 0 << "0"
                                << "0";
}

void TestListsView::filterRule() {
    QFETCH(int, supplierIndex);
    QFETCH(int, batchIndex);
    QFETCH(QString, filter);
    QFETCH(QString, caption);
    QFETCH(int, count);
    QFETCH(QString, pieces);
    QFETCH(QString, money);
    Register reg(sampleLines);
    ViewControls view(reg.table);
    view.setBoxes(sampleSuppliers, sampleBatches);
    // Start from another filter, so that every row switches it.
    view.cbfiltersup.setCurrentIndex(3);
    QVERIFY(view.filter.cbfiltersupChange());
    reg.table.last();

    view.cbfiltersup.setCurrentIndex(supplierIndex);
    view.cbbatch.setCurrentIndex(batchIndex);
    QVERIFY(view.filter.cbfiltersupChange());
    QCOMPARE(reg.table.isFiltered(), !filter.isEmpty());
    if (!filter.isEmpty())
        QCOMPARE(reg.table.filter(), filter);
    QCOMPARE(reg.table.recordCount(), count);
    QCOMPARE(reg.table.currentRow(), count > 0 ? 0 : -1); // the first line of the new view
    QCOMPARE(view.lrecalc.text(), caption);
    QCOMPARE(view.lrecalc.toolTip(), caption);
    QCOMPARE(view.eobstbr.text(), pieces);
    QCOMPARE(view.etotal.text(), QString(money).replace('.', QLocale().decimalPoint()));
    QCOMPARE(view.eobstbr.toolTip(), view.eobstbr.text());
    QCOMPARE(view.etotal.toolTip(), view.etotal.text());
    QCOMPARE(view.panels.text(StatusPanels::Filter), "Supplier: " + caption);
    QCOMPARE(view.panels.text(StatusPanels::LineCount), "Articles Count: " + QString::number(count));
    QCOMPARE(view.panels.text(StatusPanels::Pieces), "Pieces Count: " + view.eobstbr.text());
    QCOMPARE(view.panels.text(StatusPanels::Money), "Money Summary: " + view.etotal.text());
    QVERIFY2(reg.errors.isEmpty(), qPrintable(reg.errors.join('\n')));
}

void TestListsView::refusedFilterSwitchChangesNothing_data() {
    QTest::addColumn<int>("startSupplier");
    QTest::addRow("filter was on") << 2;
    QTest::addRow("filter was off") << 0;
}

void TestListsView::refusedFilterSwitchChangesNothing() {
    QFETCH(int, startSupplier);
    Register reg(sampleLines);
    ViewControls view(reg.table);
    view.setBoxes(sampleSuppliers, sampleBatches);
    view.cbfiltersup.setCurrentIndex(startSupplier);
    QVERIFY(view.filter.cbfiltersupChange());
    const bool filtered = reg.table.isFiltered();
    const QString filterText = reg.table.filter();
    std::array<QString, 4> panels;
    for (int i = 0; i < 4; ++i)
        panels[i] = view.panels.text(i);
    const QString caption = view.lrecalc.text();

    reg.pendRefusedLine();
    view.cbfiltersup.setCurrentIndex(3);
    view.cbbatch.setCurrentIndex(1);
    QVERIFY(!view.filter.cbfiltersupChange());
    QCOMPARE(reg.table.isFiltered(), filtered);
    QCOMPARE(reg.table.filter(), filterText);
    QCOMPARE(view.lrecalc.text(), caption);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(view.panels.text(i), panels[i]);
    QCOMPARE(reg.table.state(), TableState::Insert);
    QCOMPARE(view.cbfiltersup.currentIndex(), 3); // the box shows the new choice
}

void TestListsView::walkKeepsTheCurrentLine() {
    Register reg(sampleLines);
    ViewControls view(reg.table);
    QVERIFY(reg.table.moveTo(3));
    QVERIFY(view.counters.walk());
    QCOMPARE(reg.table.currentRow(), 3);
    QCOMPARE(view.eobstbr.text(), QString("15"));
}

void TestListsView::refusedWalkKeepsTheCounters() {
    // Regression: writing "0" and "0" here would show plainly wrong totals.
    Register reg(sampleLines);
    ViewControls view(reg.table);
    QVERIFY(view.counters.walk());
    reg.pendRefusedLine();
    QVERIFY(!view.counters.walk());
    QCOMPARE(view.eobstbr.text(), QString("15"));
    QCOMPARE(view.etotal.text(), QString("14.05").replace('.', QLocale().decimalPoint()));
}

void TestListsView::counterAdjustments() {
    Register reg;
    ViewControls view(reg.table);
    QVERIFY(view.counters.walk());
    QCOMPARE(view.etotal.text(), QString("0"));
    QVERIFY(view.counters.addMoney(0.1));
    QVERIFY(view.counters.addMoney(0.2));
    QCOMPARE(view.etotal.text(), QString("0.3").replace('.', QLocale().decimalPoint()));
    QVERIFY(view.counters.addMoney(-0.3));
    QCOMPARE(view.etotal.text(), QString("0"));
    QVERIFY(view.counters.addPieces(7));
    QVERIFY(view.counters.addPieces(-10));
    QCOMPARE(view.eobstbr.text(), QString("-3"));
    QCOMPARE(view.panels.text(StatusPanels::Pieces), QString("Pieces Count: -3"));
    view.eobstbr.setText("garbage");
    QVERIFY(!view.counters.addPieces(1));
    QCOMPARE(view.eobstbr.text(), QString("garbage"));
}

// The grid's header and model over the sample register, with the window's
// sort column index.
class SortFixture {
  public:
    Register reg{sampleLines};
    QTableView grid;
    OrderGridModel model{reg.table};
    int sortColumnIndex = -1;
    GridSort sort{reg.table, model, grid.horizontalHeader(), sortColumnIndex};

    SortFixture() { grid.setModel(&model); }
};

void TestListsView::titleClicks_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("sort");
    QTest::addRow("first click on key after start-up") << QList<int>{0} << "key DESC";
    QTest::addRow("one click ascends") << QList<int>{2} << "artikul";
    QTest::addRow("two clicks descend") << QList<int>{2, 2} << "artikul DESC";
    QTest::addRow("three clicks ascend again") << QList<int>{2, 2, 2} << "artikul";
    QTest::addRow("another title ascends") << QList<int>{2, 2, 3} << "dostavcik";
}

void TestListsView::titleClicks() {
    QFETCH(QList<int>, clicks);
    SortFixture f;
    for (int column : clicks)
        QVERIFY(f.sort.DBGrid1TitleClick(column));
    QTEST(f.reg.table.sort(), "sort");
    QCOMPARE(f.model.sortTitleColumn(), clicks.last());
    QCOMPARE(f.sortColumnIndex, clicks.last());
    QVERIFY(f.reg.errors.isEmpty());
}

void TestListsView::titleClickFollowsDraggedColumns() {
    SortFixture f;
    f.grid.horizontalHeader()->moveSection(3, 0); // supplier dragged to the front
    QVERIFY(f.sort.DBGrid1TitleClick(3));
    QCOMPARE(f.reg.table.sort(), QString("dostavcik"));
    QCOMPARE(f.model.sortTitleColumn(), 3);
    QCOMPARE(f.sortColumnIndex, 0);
    QVERIFY(f.sort.DBGrid1TitleClick(0)); // key now stands second
    QCOMPARE(f.sortColumnIndex, 1);
}

void TestListsView::refusedTitleClickChangesNothing() {
    SortFixture f;
    QVERIFY(f.sort.DBGrid1TitleClick(2));
    f.reg.pendRefusedLine();
    QVERIFY(!f.sort.DBGrid1TitleClick(5));
    QCOMPARE(f.reg.table.sort(), QString("artikul"));
    QCOMPARE(f.model.sortTitleColumn(), 2);
    QCOMPARE(f.sortColumnIndex, 2);
    QCOMPARE(f.reg.table.state(), TableState::Insert);
}

void TestListsView::resetSort() {
    SortFixture f;
    QVERIFY(f.sort.DBGrid1TitleClick(4));
    QVERIFY(f.sort.DBGrid1TitleClick(4));
    f.sort.reset();
    QCOMPARE(f.reg.table.sort(), QString("key"));
    QCOMPARE(f.model.sortTitleColumn(), 0);
    QCOMPARE(f.sortColumnIndex, 0);
}

void TestListsView::followRule_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("placeholder"); // what the chooser reads with nothing selected
    const QStringList batches{"A1", "B1", "C3"};
    QTest::addRow("equal ignoring case") << batches << "b1" << 1 << "B1"
                                         << "";
    QTest::addRow("exact") << batches << "A1" << 0 << "A1"
                           << "";
    QTest::addRow("not in the list: kept and shown") << batches << "Z9" << -1 << "Z9"
                                                     << "Z9 (not in the list)";
    QTest::addRow("empty batch: last entry") << batches << "" << 2 << "C3"
                                             << "";
    QTest::addRow("Cyrillic ignoring case") << QStringList{"Б1", "пролет"} << "ПРОЛЕТ" << 1 << "пролет"
                                            << "";
    QTest::addRow("empty list: the line's batch") << QStringList{} << "A1" << -1 << "A1"
                                                  << "A1 (not in the list)";
    QTest::addRow("empty list, no batch: nothing") << QStringList{} << "" << -1 << ""
                                                   << "";
}

void TestListsView::followRule() {
    QFETCH(QStringList, entries);
    QFETCH(QString, batch);
    QFETCH(int, selected);
    QFETCH(QString, shown);
    QFETCH(QString, placeholder);
    Register reg({{"X", batch, 1, 10000}});
    QComboBox ComboBox2;
    ComboBox2.addItems(entries);
    ComboBox2.setCurrentIndex(0);
    bool lineHasData = false;
    BatchChooser chooser(reg.table, &ComboBox2, lineHasData);
    chooser.follow();
    QCOMPARE(ComboBox2.currentIndex(), selected);
    QCOMPARE(BatchChooser::shownBatch(&ComboBox2), shown);
    QCOMPARE(ComboBox2.placeholderText(), placeholder);
}

void TestListsView::pickIsKeptUntilStoredOrCancelled() {
    Register reg({{"X", "A1", 1, 10000}, {"X", "", 1, 10000}});
    QComboBox ComboBox2;
    ComboBox2.addItems({"A1", "B1", "C3"});
    bool lineHasData = false;
    BatchChooser chooser(reg.table, &ComboBox2, lineHasData);
    QObject::connect(&reg.table, &OrderTable::dataChanged, &ComboBox2, [&] { chooser.follow(); });
    chooser.follow();
    QCOMPARE(ComboBox2.currentText(), QString("A1"));

    ComboBox2.setCurrentIndex(1); // the user picks B1
    chooser.ComboBox2Change();
    QCOMPARE(reg.table.state(), TableState::Edit);
    QVERIFY(lineHasData); // the line had a batch
    QCOMPARE(ComboBox2.currentText(), QString("B1"));
    reg.table.setValue(QStringLiteral("cvet"), QStringLiteral("red")); // a later change keeps it
    QCOMPARE(ComboBox2.currentText(), QString("B1"));

    reg.table.cancel();
    QCOMPARE(ComboBox2.currentText(), QString("A1"));

    // Picked again and stored: the pick becomes the line's batch (the window
    // writes the chooser's text before every store).
    reg.table.setBeforePost(
        [&] { return reg.table.setValue(QStringLiteral("batch"), ComboBox2.currentText()); });
    ComboBox2.setCurrentIndex(2);
    chooser.ComboBox2Change();
    QVERIFY(reg.table.post());
    QCOMPARE(reg.table.asString(QStringLiteral("batch")), QString("C3"));
    QCOMPARE(ComboBox2.currentText(), QString("C3"));
    // Moving on, the chooser follows the lines again.
    QVERIFY(reg.table.next());
    QCOMPARE(ComboBox2.currentText(), QString("C3"));
    QVERIFY(reg.table.first());
    QCOMPARE(ComboBox2.currentText(), QString("C3"));
}

void TestListsView::pickOnNewLineIsNoData() {
    Register reg;
    QComboBox ComboBox2;
    ComboBox2.addItems({"A1", "B1"});
    bool lineHasData = false;
    BatchChooser chooser(reg.table, &ComboBox2, lineHasData);
    QObject::connect(&reg.table, &OrderTable::dataChanged, &ComboBox2, [&] { chooser.follow(); });
    // Picking while the view is empty starts a new line.
    ComboBox2.setCurrentIndex(0);
    chooser.ComboBox2Change();
    QCOMPARE(reg.table.state(), TableState::Insert);
    QCOMPARE(ComboBox2.currentText(), QString("A1"));
    QVERIFY(!lineHasData);
}

// The five boxes, the list editor and the pick lists over a register, wired
// as the window wires them.
class ListsFixture {
  public:
    explicit ListsFixture(const QList<Line>& lines = {})
        : reg(lines), view(reg.table), store(reg.dir.path(), reg.db), form(store, dialogs),
          lists({&DBComboBox1, &DBComboBox2, &view.cbfiltersup, &view.cbbatch, &ComboBox2}, store, reg.table,
                form, view.filter, dialogs) {
        // The lists find their boxes by the window's names.
        DBComboBox1.setObjectName("DBComboBox1");
        DBComboBox2.setObjectName("DBComboBox2");
        ComboBox2.setObjectName("ComboBox2");
    }

    // Opens the editor, replaces its text and presses OK (or Cancel).
    void edit(const QString& listName, const QString& text, bool ok) {
        QTimer::singleShot(0, &form, [&] {
            form.Memo1->setPlainText(text);
            (ok ? form.Button1 : form.Button2)->click();
            if (form.isVisible()) // OK answered with Cancel to its question
                form.Button2->click();
        });
        lists.editPickList(listName);
    }

    Register reg;
    ViewControls view;
    ScriptedDialogs dialogs;
    ListStore store;
    TForm2 form;
    QComboBox DBComboBox1, DBComboBox2, ComboBox2;
    PickLists lists;
};

// The sample register with its three lists loaded.
class EditFixture : public ListsFixture {
  public:
    EditFixture() : ListsFixture(sampleLines) {
        reg.dir.writeFile("Articles.txt", "Dress\r\nCoat");
        reg.dir.writeFile("Suppliers.txt", "X\r\nAnn's");
        reg.dir.writeFile("Batches.txt", "B1\r\nB7");
        lists.loadAtStartup();
    }
};

void TestListsView::startupLoading_data() {
    QTest::addColumn<QByteArray>("articles"); // "-" for no file
    QTest::addColumn<QByteArray>("suppliers");
    QTest::addColumn<QByteArray>("batches");
    QTest::addColumn<QStringList>("articleBox");
    QTest::addColumn<QStringList>("supplierBox");
    QTest::addColumn<QStringList>("batchFilter");
    QTest::addColumn<int>("batchFilterIndex");
    QTest::addRow("no files at all") << QByteArray("-") << QByteArray("-") << QByteArray("-")
                                     << QStringList{""} << QStringList{""} << QStringList{"All"} << 0;
    QTest::addRow("A1, B2, C3 selects C3")
        << QByteArray("-") << QByteArray("-") << QByteArray("B2\r\nC3\r\nA1\r\n") << QStringList{""}
        << QStringList{""} << QStringList{"All", "A1", "B2", "C3"} << 3;
    QTest::addRow("sorted, duplicates and All kept")
        << QByteArray("beta\nAlpha\ngamma") << QByteArray("Zeta\r\nAll\r\nacme\r\nZeta\r\n\r\n")
        << QByteArray("-") << QStringList{"Alpha", "beta", "gamma"}
        << QStringList{"", "acme", "All", "Zeta", "Zeta"} << QStringList{"All"} << 0;
}

void TestListsView::startupLoading() {
    QFETCH(QByteArray, articles);
    QFETCH(QByteArray, suppliers);
    QFETCH(QByteArray, batches);
    QFETCH(QStringList, articleBox);
    QFETCH(QStringList, supplierBox);
    QFETCH(QStringList, batchFilter);
    QFETCH(int, batchFilterIndex);
    ListsFixture f;
    const std::array<std::pair<const char*, QByteArray>, 3> files{
        {{"articles.txt", articles}, {"suppliers.txt", suppliers}, {"Batches.txt", batches}}};
    for (const auto& [name, bytes] : files) {
        if (bytes != "-")
            f.reg.dir.writeFile(name, bytes);
    }
    QSignalSpy supplierFilterChanges(&f.view.cbfiltersup, &QComboBox::currentIndexChanged);
    QSignalSpy batchFilterChanges(&f.view.cbbatch, &QComboBox::currentIndexChanged);
    f.lists.loadAtStartup();

    QCOMPARE(PickLists::entries(&f.DBComboBox1), articleBox);
    QCOMPARE(PickLists::entries(&f.DBComboBox2), supplierBox);
    QCOMPARE(PickLists::entries(&f.view.cbfiltersup), QStringList{"All"} + supplierBox);
    QCOMPARE(f.view.cbfiltersup.currentIndex(), 0);
    QCOMPARE(PickLists::entries(&f.view.cbbatch), batchFilter);
    QCOMPARE(f.view.cbbatch.currentIndex(), batchFilterIndex);
    QCOMPARE(PickLists::entries(&f.ComboBox2), batchFilter.mid(1));
    QCOMPARE(supplierFilterChanges.count(), 0);
    QCOMPARE(batchFilterChanges.count(), 0);
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(!f.reg.table.isFiltered()); // the window runs the filter rule later
}

void TestListsView::startupGoesOnAfterUnreadableList_data() {
    QTest::addColumn<QString>("kind"); // what is put in place of Suppliers.txt
    QTest::addColumn<QString>("reason");
    QTest::addRow("folder") << "folder"
                            << "It is not a regular file.";
    // Regression: memory grew by about 1 GB/s until the machine ran out.
    QTest::addRow("link to /dev/zero, never ends") << "/dev/zero"
                                                   << "It is not a regular file.";
    // Regression: opening it waited for a writer for ever.
    QTest::addRow("named pipe") << "pipe"
                                << "It is not a regular file.";
    // Regression: a 50 MB list held start-up for 30-40 s.
    QTest::addRow("one byte over 1 MB")
        << "1 MB + 1"
        << "It is larger than 1 MB, more than any list holds; it is left as it is.";
}

// One message naming the file, the list empty, the rest of start-up as usual,
// and the file as it was.
void TestListsView::startupGoesOnAfterUnreadableList() {
    SKIP_SIDE_FILES_ON_SERVER();
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    ListsFixture f;
    const QString path = f.reg.dir.filePath("Suppliers.txt");
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "/dev/zero") {
        QVERIFY(QFile::link("/dev/zero", path));
    } else if (kind == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        f.reg.dir.writeFile("Suppliers.txt", "Zara\r\n" + QByteArray(1024 * 1024 - 5, 'm'));
    }
    f.reg.dir.writeFile("Batches.txt", "B1");
    f.lists.loadAtStartup();
    QCOMPARE(f.dialogs.shown, QStringList{"standardError: Cannot open file \"" +
                                          QDir::toNativeSeparators(path) + "\". " + reason});
    QCOMPARE(PickLists::entries(&f.DBComboBox2), QStringList{""});
    QCOMPARE(PickLists::entries(&f.view.cbfiltersup), (QStringList{"All", ""}));
    QCOMPARE(PickLists::entries(&f.view.cbbatch), (QStringList{"All", "B1"}));
    if (kind == "1 MB + 1")
        QCOMPARE(QFileInfo(path).size(), 1024 * 1024 + 1);
}

void TestListsView::editSuppliers() {
    EditFixture f;
    f.view.cbfiltersup.setCurrentIndex(1); // Ann's
    QVERIFY(f.view.filter.cbfiltersupChange());
    f.edit("Suppliers", "X\nAnn's\nbob", true);
    QCOMPARE(f.reg.dir.readFile("Suppliers.txt"), QByteArray("X\r\nAnn's\r\nbob"));
    QCOMPARE(PickLists::entries(&f.DBComboBox2), (QStringList{"Ann's", "bob", "X"}));
    QCOMPARE(PickLists::entries(&f.view.cbfiltersup), (QStringList{"All", "Ann's", "bob", "X"}));
    QCOMPARE(f.view.cbfiltersup.currentIndex(), 0);
    QCOMPARE(f.view.lrecalc.text(), QString("All"));
    QCOMPARE(f.reg.table.recordCount(), 3); // only the batch filter B7 is left
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestListsView::editBatches() {
    EditFixture f;
    f.view.cbbatch.setCurrentIndex(1); // B1
    QVERIFY(f.view.filter.cbfiltersupChange());
    f.edit("Batches", "B1\nB7\nA0", true);
    QCOMPARE(PickLists::entries(&f.ComboBox2), (QStringList{"A0", "B1", "B7"}));
    QCOMPARE(f.ComboBox2.currentText(), QString("B7"));
    QCOMPARE(PickLists::entries(&f.view.cbbatch), (QStringList{"All", "A0", "B1", "B7"}));
    QCOMPARE(f.view.cbbatch.currentText(), QString("B7"));
    QCOMPARE(f.reg.table.filter(), QString("batch = 'B7'"));
    QCOMPARE(f.reg.table.recordCount(), 3);
}

void TestListsView::editArticlesTouchesNothingElse() {
    EditFixture f;
    f.view.cbfiltersup.setCurrentIndex(2); // X
    QVERIFY(f.view.filter.cbfiltersupChange());
    f.edit("Articles", "skirt\nCoat", true);
    QCOMPARE(PickLists::entries(&f.DBComboBox1), (QStringList{"Coat", "skirt"}));
    QCOMPARE(f.view.cbfiltersup.currentText(), QString("X"));
    QCOMPARE(f.reg.table.filter(), QString("(dostavcik = 'X') AND (batch = 'B7')"));
    QCOMPARE(f.view.lrecalc.text(), QString("X"));
}

void TestListsView::cancelStillPostsThePendingLine() {
    EditFixture f;
    QVERIFY(f.reg.table.edit());
    QVERIFY(f.reg.table.setValue(QStringLiteral("cvet"), QStringLiteral("blue")));
    f.edit("Suppliers", "changed", false);
    QCOMPARE(f.reg.dir.readFile("Suppliers.txt"), QByteArray("X\r\nAnn's"));
    QCOMPARE(PickLists::entries(&f.DBComboBox2), (QStringList{"Ann's", "X"}));
    QCOMPARE(f.reg.table.state(), TableState::Browse);
    QCOMPARE(f.reg.table.asString(QStringLiteral("cvet")), QString("blue"));
}

void TestListsView::editedEntriesAndTheirLines_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("text");          // typed over the list
    QTest::addColumn<QList<bool>>("answers");   // to the questions, in turn
    QTest::addColumn<QStringList>("questions"); // their openings
    QTest::addColumn<bool>("stored");           // the list was stored
    QTest::addColumn<QStringList>("linesHold"); // value=count of lines, after
    // "All", then the suppliers lines hold that the list does not (one line holds "All")
    QTest::addColumn<QStringList>("filterOffers");
    const QString annsInUse = "confirm: \"Ann's\" is held by 2 lines. Rename it to \"Ann's Ltd\"";
    QTest::addRow("supplier renamed in its lines")
        << "Suppliers"
        << "X\nAnn's Ltd" << QList<bool>{true} << QStringList{annsInUse} << true
        << QStringList{"Ann's Ltd=2", "Ann's=0"} << QStringList{"All", "All"};
    QTest::addRow("supplier renamed, lines keep it")
        << "Suppliers"
        << "X\nAnn's Ltd" << QList<bool>{false} << QStringList{annsInUse} << true
        << QStringList{"Ann's Ltd=0", "Ann's=2"} << QStringList{"All", "All", "Ann's"};
    const QString annsRemoved = "confirm: These entries are no longer in the list \"Suppliers\", but lines "
                                "still hold them: \"Ann's\" (2 lines)";
    QTest::addRow("supplier removed, stored anyway")
        << "Suppliers"
        << "X" << QList<bool>{true} << QStringList{annsRemoved} << true << QStringList{"Ann's=2"}
        << QStringList{"All", "All", "Ann's"};
    QTest::addRow("supplier removed, cancelled")
        << "Suppliers"
        << "X" << QList<bool>{false} << QStringList{annsRemoved} << false << QStringList{"Ann's=2"}
        << QStringList{"All", "All"};
    QTest::addRow("article no line holds removed") << "Articles"
                                                   << "Dress" << QList<bool>{} << QStringList{} << true
                                                   << QStringList{"Dress=5"} << QStringList{"All", "All"};
    QTest::addRow("article renamed in its lines")
        << "Articles"
        << "Gown\nCoat" << QList<bool>{true}
        << QStringList{"confirm: \"Dress\" is held by 5 lines. Rename it to \"Gown\""} << true
        << QStringList{"Gown=5", "Dress=0"} << QStringList{"All", "All"};
    // A batch names its photos' folder: renamed, it is named as removed.
    QTest::addRow("batch renamed is named as removed")
        << "Batches"
        << "B1\nB8" << QList<bool>{true}
        << QStringList{"confirm: These entries are no longer in the list \"Batches\", but lines still hold "
                       "them: "
                       "\"B7\" (3 lines)"}
        << true << QStringList{"B7=3", "B8=0"} << QStringList{"All", "All"};
}

// Lines keep their own value when the list changes: a removed entry lines
// hold is named before the list is stored, a renamed one is offered to its
// lines (another clerk's pending edit of such a line is then refused), and
// the supplier filter still offers a supplier only lines hold.
void TestListsView::editedEntriesAndTheirLines() {
    QFETCH(QString, list);
    QFETCH(QString, text);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, stored);
    QFETCH(QStringList, linesHold);
    QFETCH(QStringList, filterOffers);
    EditFixture f;
    f.lists.offerStoredSuppliers();
    const QString file = list + ".txt";
    const QByteArray before = f.reg.dir.readFile(file);
    const int column = EntryUse::column(list);
    const QString name = OrderColumns::name(column);
    // Another clerk is editing the first line that holds what is renamed.
    const QString renamed = questions.value(0).section('"', 1, 1);
    OrderTable other(f.reg.db);
    QStringList otherErrors;
    other.setErrorSink([&otherErrors](const QString& message) { otherErrors << message; });
    other.open();
    other.setFilter(QStringLiteral("%1 = %2").arg(name, FilterRule::quoted(renamed)), true);
    const bool othersLine =
        !questions.isEmpty() && questions[0].contains("Rename") && other.recordCount() > 0;
    if (othersLine) {
        QVERIFY(other.edit());
        QVERIFY(other.setValue(QStringLiteral("cvet"), QStringLiteral("green")));
    }
    for (bool answer : answers)
        f.dialogs.confirmAnswers << answer;
    f.edit(list, text, true);

    QStringList asked;
    for (const QString& shown : f.dialogs.shown)
        if (shown.startsWith("confirm: "))
            asked << shown;
    QCOMPARE(asked.size(), questions.size());
    for (int i = 0; i < questions.size(); ++i)
        QVERIFY2(asked[i].startsWith(questions[i]), qPrintable(asked[i]));
    QCOMPARE(f.reg.dir.readFile(file) != before, stored);
    for (const QString& hold : linesHold) {
        const QString value = hold.section('=', 0, -2);
        QString error;
        QHash<QString, qint64> counts;
        QVERIFY(f.reg.table.lineCountsByValue(column, &counts, &error));
        QCOMPARE(counts.value(value), hold.section('=', -1).toLongLong());
    }
    // The view shows the lines as stored now.
    const bool linesRenamed = answers.value(0) && questions.value(0).contains("Rename");
    for (int row = 0; row < f.reg.table.recordCount(); ++row) {
        QVERIFY(f.reg.table.moveTo(row));
        QVERIFY(!linesRenamed || f.reg.table.asString(name) != renamed);
    }
    QStringList offered;
    for (int i = 0; i < f.view.cbfiltersup.count(); ++i)
        if (i == 0 || f.view.cbfiltersup.itemData(i, ComboLookup::NotInListRole).isValid())
            offered << ComboLookup::valueAt(&f.view.cbfiltersup, i);
    QCOMPARE(offered, filterOffers);
    if (othersLine) {
        QCOMPARE(other.post(), !linesRenamed);
        if (linesRenamed)
            QVERIFY(otherErrors.join("\n").contains("changed by another user"));
    }
    // A supplier only lines hold can be filtered to.
    if (filterOffers.last() == "Ann's") {
        f.view.cbfiltersup.setCurrentIndex(f.view.cbfiltersup.count() - 1);
        f.view.cbbatch.setCurrentIndex(0);
        QVERIFY(f.view.filter.cbfiltersupChange());
        QCOMPARE(f.reg.table.recordCount(), 2);
        QCOMPARE(f.view.lrecalc.text(), filterOffers.last());
    }
}

QTEST_MAIN(TestListsView)
#include "tst_lists_view.moc"
