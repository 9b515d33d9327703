// The main window as the user meets it: start-up, failures to open the
// register, data modes, navigation, the Tab order, the bold count rule, close.

#include "app/CreditLabel.h"
#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/DBMemo.h"
#include "app/OrderGrid.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "support/SentStatements.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <sqlite3.h>

namespace {

QVariantMap line(const QString& supplier, const QString& article, int delivered = 0,
                 const QString& batch = {}) {
    return {{"dostavcik", supplier}, {"artikul", article},    {"dostavbr", delivered}, {"batch", batch},
            {"paracbr", 10},         {"pokupnacena", 125000}, {"polucbr", 10},         {"obsto", 1250000}};
}

QColor gridBase(TForm1& form) {
    return form.DBGrid1->viewport()->palette().color(QPalette::Base);
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsFromAnotherWorkingDirectory();
    void missingDatabaseOpensWindowWithTableClosed();
    void serverNoteWhenTheFileIsThereToo_data();
    void serverNoteWhenTheFileIsThereToo();
    void firstStartSaysWhereToBegin_data();
    void firstStartSaysWhereToBegin();
    void startupErrorBoxesHaveTheProgramsCaption_data();
    void startupErrorBoxesHaveTheProgramsCaption();
    void damagedDatabaseIsReportedAndLeftUntouched_data();
    void damagedDatabaseIsReportedAndLeftUntouched();
    void lockedDatabaseIsReported();
    void captionsHintsAndGeometry();
    void tabOrderRunsThroughTheForm();
    void dataModesShowInStatusAndGrid();
    void navigationStaysAtTheEnds();
    void moveSettlesAPendingEdit();
    void boldFollowsDeliveredCount();
    void closeWithUntouchedNewLineIsRefusedOnce();
    void closeStoresAChangedLine();
    void invalidNumberKeepsTheFocus();
    void textFieldsAcceptTheColumnWidth();
    void startsOnTheLastBatch();
    void startupSendsEachStatementOnce_data();
    void startupSendsEachStatementOnce();
    void storeSendsOnlyItsInsert();
    void stepPaintsOnlyWhatItChanges_data();
    void stepPaintsOnlyWhatItChanges();
    void rowSelectSwitch();
    void focusColours_data();
    void focusColours();
    void leavingTheGridDropsAnUntouchedNewLine();
    void creditLineOpensThePage();
};

void WindowTest::startsFromAnotherWorkingDirectory() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    f.insertLine(line("B", "coat"));
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    TForm1& form = f.open();
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(form.table().recordCount(), 2);
    QCOMPARE(QDir::currentPath() + '/', f.dir.path());
    QCOMPARE(form.windowTitle(), QStringLiteral("Nelvo 1.1"));
    QCOMPARE(form.statusPanels().text(StatusPanels::DataMode), QStringLiteral("View Data Mode"));
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), QStringLiteral("Articles Count: 2"));
}

void WindowTest::missingDatabaseOpensWindowWithTableClosed() {
    WindowFixture f(false);
    f.dir.writeFile("Suppliers.txt", "Zeta\r\nAlpha\r\n");
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY(f.dialogs.shown.first().startsWith("standardError: "));
    QVERIFY(form.isVisible());
    QCOMPARE(form.table().state(), TableState::Inactive);
    for (int panel = 0; panel < StatusPanels::Count; ++panel)
        QVERIFY2(form.statusPanels().text(panel).isEmpty(), qPrintable(form.statusPanels().text(panel)));
    QCOMPARE(form.DBGrid1->model()->rowCount(), 0);
    QCOMPARE(form.DBComboBox2->itemText(0), QStringLiteral("Alpha")); // the lists load all the same
    QVERIFY(!QFile::exists(f.dir.databasePath()));                    // nothing created

    f.dialogs.shown.clear();
    WindowFixture::click(form.SpeedButton1);
    QCOMPARE(f.dialogs.shown,
             QStringList{"standardError: Cannot perform this operation on a closed dataset."});
    QVERIFY(!QFile::exists(f.dir.databasePath()));
}

void WindowTest::serverNoteWhenTheFileIsThereToo_data() {
    QTest::addColumn<bool>("fileThere"); // db1.mdb in the application directory
    QTest::addRow("db1.mdb there too") << true;
    QTest::addRow("no db1.mdb") << false;
}

// On a server register a db1.mdb beside the server setting is not the
// register: the status bar says so. On the file register there is no note.
void WindowTest::serverNoteWhenTheFileIsThereToo() {
    QFETCH(bool, fileThere);
    WindowFixture f;
    QString error;
    if (fileThere)
        QVERIFY(Database::createEmptyFile(f.dir.databasePath(), &error));
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(QFile::exists(f.dir.databasePath()), fileThere || !TempAppDir::onServer());
    QCOMPARE(form.serverNote(),
             TempAppDir::onServer() && fileThere ? "using the server; db1.mdb is not used" : "");
}

void WindowTest::firstStartSaysWhereToBegin_data() {
    QTest::addColumn<QString>("listFile"); // written before the start, when named
    QTest::addColumn<bool>("lineStored");
    QTest::addColumn<bool>("noteShown");
    QTest::addColumn<bool>("addEndsIt"); // else opening a list editor does
    QTest::addRow("empty register, no lists") << QString() << false << true << false;
    QTest::addRow("empty register, Add pressed") << QString() << false << true << true;
    QTest::addRow("a supplier listed") << "Suppliers.txt" << false << false << false;
    QTest::addRow("an article listed") << "articles.txt" << false << false << false;
    QTest::addRow("a batch listed") << "Batches.txt" << false << false << false;
    QTest::addRow("a line stored, no lists") << QString() << true << false << false;
}

// A new shop's first start says in the empty grid where to begin, without a
// box; a list editor opened, or a line in the grid, ends the note.
void WindowTest::firstStartSaysWhereToBegin() {
    QFETCH(QString, listFile);
    QFETCH(bool, lineStored);
    QFETCH(bool, noteShown);
    QFETCH(bool, addEndsIt);
    WindowFixture f;
    if (!listFile.isEmpty())
        f.dir.writeFile(listFile, "A1\r\n");
    if (lineStored)
        f.insertLine({{"artikul", "coat"}});
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown, QStringList());
    const QString note = "An empty register: first fill in the suppliers, articles and batches with "
                         "Edit Suppliers, Edit Articles and Edit batches";
    QCOMPARE(form.firstStepsNote(), noteShown ? note : QString());
    for (QPushButton* editor : {form.Button6, form.Button8, form.Button9})
        QVERIFY(note.contains(editor->text()));
    if (addEndsIt)
        WindowFixture::click(form.Button1);
    else
        emit form.Button8->pressed();
    QCOMPARE(form.firstStepsNote(), QString());
}

void WindowTest::damagedDatabaseIsReportedAndLeftUntouched_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addRow("text file") << QByteArray("this is not a register\n").repeated(100);
    QTest::addRow("empty header") << QByteArray(4096, '\0');
    QTest::addRow("empty file") << QByteArray();
}

void WindowTest::damagedDatabaseIsReportedAndLeftUntouched() {
    QFETCH(QByteArray, content);
    WindowFixture f(false);
    f.dir.writeFile("db1.mdb", content);
    TForm1& form = f.open();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY(f.dialogs.shown.first().startsWith("standardError: "));
    QCOMPARE(form.table().state(), TableState::Inactive);
    QCOMPARE(f.dir.readFile("db1.mdb"), content);
    QVERIFY(!QFile::exists(f.dir.filePath("db1.mdb-wal")) ||
            QFileInfo(f.dir.filePath("db1.mdb-wal")).size() == 0);
}

void WindowTest::startupErrorBoxesHaveTheProgramsCaption_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content");
    // Regression: read before the program had its name, the box said the executable's.
    QTest::addRow("Company.txt with a NUL") << "Company.txt" << QByteArray("Nelvo\0 Ltd\r\n", 12);
    QTest::addRow("db1.mdb not a register")
        << "db1.mdb" << QByteArray("this is not a register\n").repeated(100);
}

void WindowTest::startupErrorBoxesHaveTheProgramsCaption() {
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    SKIP_SIDE_FILES_ON_SERVER();
    WindowFixture f(file != "db1.mdb");
    f.dir.writeFile(file, content);
    QCoreApplication::setApplicationName("tst_window");
    f.open();
    QCOMPARE(f.dialogs.captions, QStringList{"Kasbo 1.1"});
}

void WindowTest::lockedDatabaseIsReported() {
    SKIP_ON_SERVER();
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(f.dir.databasePath()).constData(), &other);
    QCOMPARE(
        sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
        SQLITE_OK);
    TForm1& form = f.open();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown.first().contains("locked"), qPrintable(f.dialogs.shown.first()));
    QCOMPARE(form.table().state(), TableState::Inactive);
}

void WindowTest::captionsHintsAndGeometry() {
    WindowFixture f;
    TForm1& form = f.open();
    QCOMPARE(form.centralWidget()->size().width(), 1016);
    QCOMPARE(form.size(), QSize(1016, 706));
    QCOMPARE(form.findChild<QWidget*>("UpperBand")->height(), 247);
    const QColor maroon(0x80, 0, 0);
    for (QWidget* required :
         {static_cast<QWidget*>(form.DBComboBox1), static_cast<QWidget*>(form.DBComboBox2),
          static_cast<QWidget*>(form.DBEdit7), static_cast<QWidget*>(form.DBEdit16)}) {
        QLabel* caption = nullptr;
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label->buddy() == required)
                caption = label;
        QVERIFY(caption);
        QCOMPARE(caption->palette().color(QPalette::WindowText), maroon);
        QVERIFY(caption->font().underline());
    }
    QCOMPARE(form.DBEdit7->toolTip(), QStringLiteral("Покупна цена"));
    QCOMPARE(form.Button1->text(), QStringLiteral("Add"));
    QCOMPARE(form.Button1->toolTip(), QStringLiteral("Добави"));
    QCOMPARE(form.ecompany->text(), QStringLiteral("Unspecified Company Ltd"));
    QVERIFY(form.cshowpic->isChecked());
    QVERIFY(!form.cberow->isChecked());
    QVERIFY(form.DBEdit11->isReadOnly());
    QVERIFY(form.DBEdit12->isReadOnly());
    const int widths[] = {250, 180, 210, 230};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(form.statusPanels().label(i)->width(), widths[i]);
}

void WindowTest::tabOrderRunsThroughTheForm() {
    WindowFixture f;
    TForm1& form = f.open();
    WindowFixture::focus(form.DBComboBox1);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 14; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, QStringList({"DBComboBox1", "DBEdit6", "DBEdit5", "DBEdit13", "DBEdit15", "DBComboBox2",
                                   "DBEdit2", "DBEdit3", "DBEdit14", "DBEdit7", "DBEdit16", "DBEdit4",
                                   "DBMemo1", "Button1", "DBComboBox1"}));
}

void WindowTest::dataModesShowInStatusAndGrid() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    const QColor window = gridBase(form);

    WindowFixture::typeInto(form.DBEdit6, "XL");
    QCOMPARE(form.statusPanels().text(StatusPanels::DataMode), QStringLiteral("Edit Data Mode"));
    QCOMPARE(gridBase(form), QColor(0xFD, 0xB5, 0xB6));

    WindowFixture::click(form.Button7);
    QCOMPARE(form.statusPanels().text(StatusPanels::DataMode), QStringLiteral("View Data Mode"));
    QCOMPARE(gridBase(form), window);
    QCOMPARE(form.DBEdit6->text(), QString());

    WindowFixture::click(form.Button1);
    QCOMPARE(form.statusPanels().text(StatusPanels::DataMode), QStringLiteral("Add New Data Mode"));
    QCOMPARE(gridBase(form), QColor(0x9F, 0xDF, 0x94));
    QCOMPARE(form.DBGrid1->model()->rowCount(), 2);
    WindowFixture::click(form.Button7);
    QCOMPARE(form.statusPanels().text(StatusPanels::DataMode), QStringLiteral("View Data Mode"));
    QCOMPARE(form.DBGrid1->model()->rowCount(), 1);
}

void WindowTest::navigationStaysAtTheEnds() {
    WindowFixture f;
    f.insertLine(line("A", "first"));
    f.insertLine(line("A", "middle"));
    f.insertLine(line("A", "last"));
    TForm1& form = f.open();
    QCOMPARE(form.table().currentRow(), 0);
    WindowFixture::click(form.SpeedButton2);
    QCOMPARE(form.table().currentRow(), 0);
    WindowFixture::click(form.SpeedButton4);
    QCOMPARE(form.table().asString("artikul"), QStringLiteral("last"));
    WindowFixture::click(form.SpeedButton3);
    QCOMPARE(form.table().asString("artikul"), QStringLiteral("last"));
    WindowFixture::click(form.SpeedButton2);
    QCOMPARE(form.table().asString("artikul"), QStringLiteral("middle"));
    WindowFixture::click(form.SpeedButton1);
    QCOMPARE(form.table().asString("artikul"), QStringLiteral("first"));
    QCOMPARE(form.DBGrid1->currentIndex().row(), 0);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void WindowTest::moveSettlesAPendingEdit() {
    WindowFixture f;
    f.insertLine(line("A", "first"));
    f.insertLine(line("A", "second"));
    TForm1& form = f.open();
    WindowFixture::typeInto(form.DBEdit13, "red");
    WindowFixture::click(form.SpeedButton3); // the typed colour is stored before the move
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(form.table().asString("artikul"), QStringLiteral("second"));
    WindowFixture::click(form.SpeedButton1);
    QCOMPARE(form.table().asString("cvet"), QStringLiteral("red"));
    QCOMPARE(form.DBEdit13->text(), QStringLiteral("red"));
}

void WindowTest::boldFollowsDeliveredCount() {
    WindowFixture f;
    f.insertLine(line("A", "delivered", 5));
    f.insertLine(line("A", "ordered", 0));
    TForm1& form = f.open();
    QVERIFY(form.DBEdit17->font().bold());
    QVERIFY(!form.DBEdit16->font().bold());
    WindowFixture::click(form.SpeedButton3);
    QVERIFY(!form.DBEdit17->font().bold());
    QVERIFY(form.DBEdit16->font().bold());
}

void WindowTest::closeWithUntouchedNewLineIsRefusedOnce() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    WindowFixture::click(form.Button1);
    QVERIFY(!form.close());
    QCOMPARE(f.dialogs.shown, QStringList{"information: Last line is ignored because it contain no data"});
    QVERIFY(form.isVisible());
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(form.table().recordCount(), 1);
    QVERIFY(form.close());
}

void WindowTest::closeStoresAChangedLine() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    WindowFixture::typeInto(form.DBEdit5, "wool");
    QVERIFY(form.close());
    f.window.reset();
    TForm1& again = f.open();
    QCOMPARE(again.table().asString("sastav"), QStringLiteral("wool"));
}

void WindowTest::invalidNumberKeepsTheFocus() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    WindowFixture::focus(form.DBEdit14);
    QTest::keyClick(form.DBEdit14, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(form.DBEdit14, "12a");
    WindowFixture::focus(form.DBEdit13);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit14));
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown.first().contains("12a"), qPrintable(f.dialogs.shown.first()));
    QCOMPARE(form.DBEdit14->text(), QStringLiteral("12a"));
    QCOMPARE(form.DBEdit13->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    // The refused text also stops a store, and each action it stops says why.
    WindowFixture::click(form.Button5);
    WindowFixture::click(form.SpeedButton3);
    QCOMPARE(f.dialogs.shown.size(), 3);
    QCOMPARE(f.dialogs.shown.at(2), f.dialogs.shown.at(0));
    QCOMPARE(form.table().state(), TableState::Edit);
    QCOMPARE(form.table().currentRow(), 0);
    form.DBEdit14->setText("12");
    WindowFixture::typeInto(form.DBEdit14, "3");
    WindowFixture::click(form.Button5);
    QCOMPARE(form.table().asInteger("nomcuval"), 123);
}

void WindowTest::textFieldsAcceptTheColumnWidth() {
    WindowFixture f;
    TForm1& form = f.open();
    QCOMPARE(form.DBEdit6->maxLength(), 50);
    QCOMPARE(form.DBEdit4->maxLength(), 50);
}

void WindowTest::startsOnTheLastBatch() {
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "B2\r\nC3\r\nA1\r\n");
    f.insertLine(line("A", "old", 0, "A1"));
    f.insertLine(line("A", "new", 0, "C3"));
    f.insertLine(line("B", "newer", 0, "C3"));
    TForm1& form = f.open();
    QCOMPARE(form.cbbatch->currentText(), QStringLiteral("C3"));
    QCOMPARE(form.cbfiltersup->currentText(), QStringLiteral("All"));
    QCOMPARE(form.table().recordCount(), 2);
    QCOMPARE(form.statusPanels().text(StatusPanels::Filter), QStringLiteral("Supplier: All"));
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), QStringLiteral("Articles Count: 2"));
    QCOMPARE(form.eobstbr->text(), QStringLiteral("20"));
    QCOMPARE(form.statusPanels().text(StatusPanels::Pieces), QStringLiteral("Pieces Count: 20"));
    QCOMPARE(form.ComboBox2->currentText(), QStringLiteral("C3"));
}

void WindowTest::startupSendsEachStatementOnce_data() {
    QTest::addColumn<QByteArray>("batches"); // the batch list
    QTest::addColumn<int>("lastBatchLines"); // lines in C3, after one in B2
    QTest::addColumn<int>("shown");          // lines of the start-up view
    QTest::addRow("on the last batch") << QByteArray("B2\r\nC3\r\n") << 2 << 2;
    QTest::addRow("all lines, no batch list") << QByteArray() << 2 << 3;
    QTest::addRow("more lines than the grid shows") << QByteArray("B2\r\nC3\r\n") << 60 << 60;
}

// Start-up reads the view's lines, their counters and each line it shows
// once, and the lines of the first screen together: the same statement
// twice, or one per line, is time the clerk waits for nothing, on a server a
// round trip each.
void WindowTest::startupSendsEachStatementOnce() {
    QFETCH(QByteArray, batches);
    QFETCH(int, lastBatchLines);
    QFETCH(int, shown);
    WindowFixture f;
    if (!batches.isEmpty())
        f.dir.writeFile("Batches.txt", batches);
    f.insertLine(line("A", "old", 0, "B2"));
    for (int i = 0; i < lastBatchLines; ++i)
        f.insertLine(line("A", "new", 0, "C3"));
    SentStatements observed;
    const QStringList& sent = observed.list;
    TForm1& form = f.open();
    // The first paint reads the lines shown.
    QCoreApplication::processEvents();
    form.DBGrid1->viewport()->repaint();
    QStringList twice;
    for (int i = 0; i < sent.size(); ++i)
        if (sent.indexOf(sent[i]) < i && !twice.contains(sent[i]))
            twice << sent[i];
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join('\n')));
    // The look-up tried once when the table opens, then the form's line
    // with the rest of the screen.
    QCOMPARE(sent.filter("FROM Table1 WHERE key ").size(), 2);
    // On a server a filtered view's counters are added up from its keys'
    // statement, with no sums statement and no transaction around the two.
    const bool oneStatement = TempAppDir::onServer() && !batches.isEmpty();
    QCOMPARE(sent.filter(QRegularExpression("^(BEGIN|SELECT COUNT\\(\\*\\), .* FROM Table1)")).size(),
             oneStatement ? 0 : 2);
    QCOMPARE(form.table().recordCount(), shown);
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount),
             QStringLiteral("Articles Count: %1").arg(shown));
    QCOMPARE(form.eobstbr->text(), QString::number(10 * shown));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void WindowTest::stepPaintsOnlyWhatItChanges_data() {
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("changed"); // the widgets the step changes, besides the rows
    QTest::addRow("a supplier chosen in the filter") << "filter"
                                                     << "StatusPanel1";
    QTest::addRow("a line stored") << "store"
                                   << "StatusPanel4";
    QTest::addRow("a title clicked") << "sort"
                                     << "titles";
}

// A step paints what it changes once: the grid's rows, the changed panels of
// the status bar (a new text does not make the bar paint itself whole again),
// the column titles only when the sort's title changes (a new view of the
// rows leaves them as they are, and a new sort title does not lay the rows
// out again for a second paint).
void WindowTest::stepPaintsOnlyWhatItChanges() {
    QFETCH(QString, step);
    QFETCH(QString, changed);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\nMango\r\n");
    f.insertLine(line("Zara", "shirt"));
    f.insertLine(line("Mango", "coat"));
    TForm1& form = f.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QMap<QObject*, int> paints;
    struct PaintCount : QObject {
        QMap<QObject*, int>* paints;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                ++(*paints)[watched];
            return false;
        }
    } count;
    count.paints = &paints;
    QWidget* bar = form.findChild<QWidget*>("StatusBar1");
    QVERIFY(bar);
    QWidget* titles = form.DBGrid1->horizontalHeader()->viewport();
    titles->setObjectName("titles");
    QWidget* rows = form.DBGrid1->viewport();
    for (QWidget* widget : bar->findChildren<QWidget*>() + QList<QWidget*>{bar, titles, rows})
        widget->installEventFilter(&count);
    if (step == "store") { // typed and left, so that the press of Apply moves no focus
        WindowFixture::typeInto(form.DBEdit16, "7");
        QTest::keyClick(form.DBEdit16, Qt::Key_Tab);
    }
    QCoreApplication::processEvents();
    paints.clear();
    if (step == "filter")
        WindowFixture::choose(form.cbfiltersup, "Mango");
    else if (step == "store")
        WindowFixture::click(form.Button5);
    else
        form.DBGrid1TitleClick(OrderColumns::Artikul);
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
    QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
    QCOMPARE(paints.value(rows), 1);
    QCOMPARE(paints.value(form.findChild<QWidget*>(changed)), 1);
    QCOMPARE(paints.value(titles), int(changed == "titles"));
    for (auto painted = paints.cbegin(); painted != paints.cend(); ++painted)
        QVERIFY2(painted.value() == 1,
                 qPrintable(QStringLiteral("%1 \"%2\" painted %3 times")
                                .arg(painted.key()->metaObject()->className(), painted.key()->objectName())
                                .arg(painted.value())));
}

// Apply stores a new line with one INSERT and does not read the line again:
// the stored line comes back with it. The key of the next new line is taken
// with it, so the next Add asks for none.
void WindowTest::storeSendsOnlyItsInsert() {
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Zara\r\n");
    f.dir.writeFile("articles.txt", "shirt\r\n");
    f.insertLine(line("Zara", "shirt"));
    TForm1& form = f.open();
    SentStatements sent;
    for (const QString price : {"2.5", "4"}) {
        sent.list.clear();
        WindowFixture::click(form.Button1);
        const QStringList added = sent.list;
        WindowFixture::choose(form.DBComboBox2, "Zara");
        WindowFixture::choose(form.DBComboBox1, "shirt");
        WindowFixture::typeInto(form.DBEdit7, price);
        WindowFixture::typeInto(form.DBEdit16, "3");
        sent.list.clear();
        WindowFixture::click(form.Button5);
        QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
        const QString applied = sent.list.join('\n');
        QVERIFY2(sent.list.filter(QRegularExpression("^INSERT INTO Table1 ")).size() == 1,
                 qPrintable(applied));
        QVERIFY2(sent.list.filter(QRegularExpression("^SELECT .* FROM Table1 ")).isEmpty(),
                 qPrintable(applied));
        // The stored line's photo is asked for by the INSERT itself.
        QVERIFY2(sent.list.filter(QRegularExpression("^SELECT .* FROM shared_photos ")).isEmpty(),
                 qPrintable(applied));
        if (price != QLatin1String("2.5"))
            QVERIFY2(added.filter(QRegularExpression("nextval|sqlite_sequence")).isEmpty(),
                     qPrintable(added.join('\n')));
        // What the form and the grid show is the line as stored.
        QCOMPARE(form.DBEdit7->text(), form.table().asString(OrderColumns::Pokupnacena));
        QCOMPARE(form.table().value(OrderColumns::Polucbr).toInt(), 3);
        QCOMPARE(
            form.DBGrid1->model()->index(form.table().currentRow(), OrderColumns::Artikul).data().toString(),
            QStringLiteral("shirt"));
    }
    QCOMPARE(form.table().recordCount(), 3);
}

void WindowTest::rowSelectSwitch() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    QCOMPARE(form.DBGrid1->selectionBehavior(), QAbstractItemView::SelectItems);
    WindowFixture::click(form.cberow);
    QCOMPARE(form.DBGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
    WindowFixture::click(form.cberow);
    QCOMPARE(form.DBGrid1->selectionBehavior(), QAbstractItemView::SelectItems);
}

void WindowTest::focusColours_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QColor>("colour");
    const QColor green(0xA5, 0xDB, 0x92), red(0xFD, 0xB5, 0xB6);
    QTest::addRow("article list") << "DBComboBox1" << green;
    QTest::addRow("supplier list") << "DBComboBox2" << green;
    QTest::addRow("size") << "DBEdit6" << green;
    QTest::addRow("received, read-only") << "DBEdit11" << red;
    QTest::addRow("money, read-only") << "DBEdit12" << red;
    QTest::addRow("notes") << "DBMemo1" << green;
    QTest::addRow("pieces counter") << "eobstbr" << red;
    QTest::addRow("company") << "ecompany" << green;
    QTest::addRow("price") << "DBEdit7" << green;
    QTest::addRow("delivered") << "DBEdit17" << green;
    QTest::addRow("batch chooser") << "ComboBox2" << green;
    QTest::addRow("supplier filter") << "cbfiltersup" << QColor(0xFE, 0xEB, 0x94);
}

void WindowTest::focusColours() {
    QFETCH(QString, field);
    QFETCH(QColor, colour);
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    auto* widget = form.findChild<QWidget*>(field);
    QVERIFY(widget);
    const QColor normal = QApplication::palette(widget).color(QPalette::Base);
    WindowFixture::focus(widget);
    QCOMPARE(widget->palette().color(QPalette::Base), colour);
    WindowFixture::focus(form.DBEdit4);
    QCOMPARE(widget->palette().color(QPalette::Base), normal);
}

void WindowTest::leavingTheGridDropsAnUntouchedNewLine() {
    WindowFixture f;
    f.insertLine(line("A", "shirt"));
    TForm1& form = f.open();
    WindowFixture::click(form.Button1);
    WindowFixture::focus(form.DBGrid1);
    QCOMPARE(form.table().state(), TableState::Insert);
    WindowFixture::focus(form.DBEdit6);
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(form.DBGrid1->model()->rowCount(), 1);
    QVERIFY(f.dialogs.shown.isEmpty());
}

void WindowTest::creditLineOpensThePage() {
    WindowFixture f;
    TForm1& form = f.open();
    QTest::mouseClick(form.Label20, Qt::LeftButton);
    QCOMPARE(f.dialogs.opened.size(), 1);
    QCOMPARE(QUrl(f.dialogs.opened.at(0)), QUrl::fromLocalFile(f.dir.filePath("about.html")));
    // The build placed the page beside the program.
    QFile page(qEnvironmentVariable("PROGRAM_DIR") + "/about.html");
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    const QString html = QString::fromUtf8(page.readAll());
    for (const char* part : {"version 1.1", "db1.mdb", "How to restore a backup"})
        QVERIFY2(html.contains(QLatin1String(part)), part);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
