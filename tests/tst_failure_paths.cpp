// What happens to the user's entries when something goes wrong: the engine
// refuses a store or a delete, a change is cancelled, a second program works
// on the same register, a derived value does not fit. Driven through the real
// window; the register is changed from outside as another program would.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "app/ServerWaitIndicator.h"
#include "data/OrderColumns.h"
#include "data/PostgresEngine.h"
#include "lists/gui/Unit2.h"
#include "photos/PhotoPictures.h"
#include "photos/gui/PhotoArea.h"
#include "support/FileSizeLimit.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

void activate(QWidget* window) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Supplier Zara and article coat in the lists; one stored line: price 5,
// ordered and received 4, money 20.
void prepare(WindowFixture& f) {
    f.dir.writeFile("Suppliers.txt", "Mango\r\nZara\r\n");
    f.dir.writeFile("articles.txt", "coat\r\n");
    f.insertLine({{"dostavcik", "Zara"},
                  {"artikul", "coat"},
                  {"paracbr", 4},
                  {"polucbr", 4},
                  {"pokupnacena", 50000},
                  {"obsto", 200000}});
}

// A small JPEG file of one colour, name relative to the application directory.
QString writePhoto(const WindowFixture& f, const QString& name, Qt::GlobalColor colour) {
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "JPG"))
        qFatal("cannot make %s", qPrintable(name));
    f.dir.writeFile(name, bytes); // on a server register, stored there too
    return f.dir.filePath(name);
}

// Attaches a new photo to the current line with a right click on the photo area.
void attachNewPhoto(WindowFixture& f, TForm1& form) {
    f.dialogs.fileAnswers << writePhoto(f, "new.jpg", Qt::green);
    QTest::mouseClick(form.Image1, Qt::RightButton);
}

// Fills the pending new line.
void fillNewLine(TForm1& form, const QString& price, const QString& ordered) {
    WindowFixture::choose(form.DBComboBox2, "Zara");
    WindowFixture::choose(form.DBComboBox1, "coat");
    WindowFixture::retype(form.DBEdit7, price);
    WindowFixture::retype(form.DBEdit16, ordered);
    WindowFixture::focus(form.DBEdit4); // leaving Ordered derives received and money
}

// A new line ordering 6 at price 3, or the stored line's order changed from 4 to 10.
void makePendingLine(TForm1& form, bool newLine) {
    if (newLine) {
        WindowFixture::click(form.Button1);
        fillNewLine(form, "3", "6");
    } else {
        WindowFixture::retype(form.DBEdit16, "10");
        WindowFixture::focus(form.DBEdit4);
    }
}

// A server of the test's own, which it stops and starts again while the
// run's server goes on serving the tests that run beside it.
class PrivateServer {
  public:
    PrivateServer() { m_connection = script("start"); }
    ~PrivateServer() { script("stop"); }
    void stop() { script("stop"); }
    void resume() { script("resume"); } // with its databases as they were
    // Makes dir's register an empty one on this server.
    void holdRegisterOf(const TempAppDir& dir) {
        PostgresEngine admin;
        QString error;
        if (!admin.connect(m_connection, &error) ||
            !admin.execute("DROP SCHEMA IF EXISTS r CASCADE", {}, nullptr, &error) ||
            !admin.execute("CREATE SCHEMA r", {}, nullptr, &error))
            qFatal("private server: %s", qPrintable(error));
        const QString setting = m_connection + " options='-c search_path=r'";
        bool created = false;
        if (!PostgresEngine::createRegister(setting, &created, &error))
            qFatal("private server: %s", qPrintable(error));
        dir.writeFile(Database::ServerSettingName, setting.toUtf8() + '\n');
    }

  private:
    QString script(const char* action) {
        QProcess run;
        run.setWorkingDirectory(QDir::rootPath()); // the window's folder may be gone by now
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.start("bash", {TEST_DATA_DIR "/../../scripts/pg-server.sh", action, m_dir.path()});
        if (!run.waitForFinished(120000) || run.exitCode() != 0)
            qFatal("pg-server.sh %s failed", action);
        return QString::fromUtf8(run.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir m_dir;
    QString m_connection;
};

// Lines 2 to 41 behind prepare's: the same supplier and article, ordered 1 to 40.
void addFortyLines(const WindowFixture& f) {
    OtherClient(f.dir).run("INSERT INTO Table1 (dostavcik, artikul, paracbr, polucbr, pokupnacena, obsto)"
                           " SELECT 'Zara', 'coat', n, n, 50000, n * 50000 FROM generate_series(1, 40) AS n");
}

QString storedLines(OtherClient& other) {
    return QStringLiteral("%1 lines, ordered %2")
        .arg(other.number("SELECT COUNT(*) FROM Table1"))
        .arg(other.number("SELECT SUM(paracbr) FROM Table1"));
}

} // namespace

class FailurePathsTest : public QObject {
    Q_OBJECT
  private slots:
    void engineRefusalKeepsTheLinePending_data();
    void engineRefusalKeepsTheLinePending();
    void countersTakeBackWhatWasNotStored_data();
    void countersTakeBackWhatWasNotStored();
    void twoProgramsOnOneRegister();
    void photoNumberIsNeverShared_data();
    void photoNumberIsNeverShared();
    void fieldRulesRunBeforeEveryStore_data();
    void fieldRulesRunBeforeEveryStore();
    void moneyOutOfRangeIsRefused_data();
    void moneyOutOfRangeIsRefused();
    void unlistedBatchIsKept();
    void attachCases_data();
    void attachCases();
    void noSilentOverwriteOfAnotherProgramsChange_data();
    void noSilentOverwriteOfAnotherProgramsChange();
    void cancelAfterAnotherProgramDeletedTheLine();
    void meetALineAnotherProgramDeleted_data();
    void meetALineAnotherProgramDeleted();
    void lostServerKeepsTheLinePending_data();
    void lostServerKeepsTheLinePending();
    void serverStoppedAndStartedAgain_data();
    void serverStoppedAndStartedAgain();
    void lockedRegisterCostsOneWait_data();
    void lockedRegisterCostsOneWait();
    void anotherClerksStoreIsNoticed_data();
    void anotherClerksStoreIsNoticed();
    void f5ShowsWhatOthersDid_data();
    void f5ShowsWhatOthersDid();

  private:
    std::unique_ptr<PrivateServer> m_privateServer; // made by the first case that needs it
};

void FailurePathsTest::engineRefusalKeepsTheLinePending_data() {
    QTest::addColumn<bool>("newLine");
    QTest::addColumn<QString>("block"); // a rule refusing INSERT or UPDATE, a lock, a full disk
    QTest::addColumn<QString>("message");
    QTest::addRow("new line, trigger") << true << "INSERT"
                                       << "standardError: refused by a rule.";
    QTest::addRow("edited line, trigger") << false << "UPDATE"
                                          << "standardError: refused by a rule.";
    QTest::addRow("new line, register locked")
        << true << "lock"
        << TempAppDir::byEngine("standardError: database is locked.",
                                "standardError: canceling statement due to lock timeout.");
    // No file may be written while the line is stored, as on a full disk. The
    // engine names the limit's EFBIG an I/O error (a full disk's ENOSPC would
    // read "database or disk is full"). A server writes its own files.
    if (!TempAppDir::onServer())
        QTest::addRow("new line, disk full") << true << "disk full"
                                             << "standardError: disk I/O error.";
}

void FailurePathsTest::engineRefusalKeepsTheLinePending() {
    QFETCH(bool, newLine);
    QFETCH(QString, block);
    QFETCH(QString, message);
    WindowFixture f;
    prepare(f);
    TForm1& form = f.open();
    OtherClient other(f.dir);
    makePendingLine(form, newLine);
    QCOMPARE(form.eobstbr->text(), "10"); // adjusted while typing
    std::unique_ptr<FileSizeLimit> diskFull;
    if (block == "disk full")
        diskFull = std::make_unique<FileSizeLimit>(0);
    else if (block == "lock")
        other.lock();
    else
        other.refuse(block, "refused by a rule");
    WindowFixture::focus(form.DBEdit4);
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.takeShown(), QStringList{message});
    if (block == "lock" && TempAppDir::onServer()) // the lock's timeout is waited out with the indicator
        QVERIFY(f.dialogs.waited.contains(ServerWaitIndicator::label()));
    QCOMPARE(form.table().state(), newLine ? TableState::Insert : TableState::Edit);
    QCOMPARE(form.DBEdit16->text(), newLine ? "6" : "10");
    QCOMPARE(form.DBComboBox2->currentText(), "Zara");
    QCOMPARE(storedLines(other), "1 lines, ordered 4");
    QCOMPARE(form.eobstbr->text(), "4"); // the stored lines again
    QCOMPARE(form.etotal->text(), "20");

    diskFull.reset();
    if (block == "lock")
        other.unlock();
    else if (block != "disk full")
        other.allow(block);
    WindowFixture::click(form.Button5); // stored once the engine takes it
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(storedLines(other), newLine ? "2 lines, ordered 10" : "1 lines, ordered 10");
    QCOMPARE(form.eobstbr->text(), "10");
    QCOMPARE(form.etotal->text(), newLine ? "38" : "50");
}

void FailurePathsTest::countersTakeBackWhatWasNotStored_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("pieces");
    QTest::addColumn<QString>("money");
    QTest::addRow("cancel an edit") << "cancel edit"
                                    << "4"
                                    << "20";
    QTest::addRow("cancel a new line") << "cancel new"
                                       << "4"
                                       << "20";
    QTest::addRow("delete the line being edited") << "delete edit"
                                                  << "0"
                                                  << "0";
}

void FailurePathsTest::countersTakeBackWhatWasNotStored() {
    QFETCH(QString, action);
    WindowFixture f;
    prepare(f);
    TForm1& form = f.open();
    if (action == "cancel new") {
        WindowFixture::click(form.Button1);
        fillNewLine(form, "3", "6");
    } else {
        WindowFixture::retype(form.DBEdit7, "7"); // money 28
        WindowFixture::retype(form.DBEdit16, "10");
        WindowFixture::focus(form.DBEdit4);
    }
    QCOMPARE(form.eobstbr->text(), "10");
    if (action == "delete edit") {
        f.dialogs.confirmAnswers << true;
        WindowFixture::click(form.Button2);
    } else {
        WindowFixture::click(form.Button7);
    }
    QTEST(form.eobstbr->text(), "pieces");
    QTEST(form.etotal->text(), "money");
    QCOMPARE(form.statusPanels().text(StatusPanels::Pieces), "Pieces Count: " + form.eobstbr->text());
}

// Two copies of the program on one register: each new line gets a number of
// its own, and Recalculate shows the sums of exactly the lines its grid holds.
void FailurePathsTest::twoProgramsOnOneRegister() {
    WindowFixture f;
    prepare(f);
    TForm1& first = f.open();
    ScriptedDialogs secondDialogs;
    TForm1 second(f.dir.path(), secondDialogs);
    second.show();

    activate(&first);
    WindowFixture::click(first.Button1);
    activate(&second);
    WindowFixture::click(second.Button1);
    const qint32 firstNumber = first.table().pendingKey();
    const qint32 secondNumber = second.table().pendingKey();
    QVERIFY(firstNumber > 1 && secondNumber > 1);
    QVERIFY(firstNumber != secondNumber);

    fillNewLine(second, "1", "5");
    WindowFixture::click(second.Button5);
    activate(&first);
    fillNewLine(first, "2", "3");
    WindowFixture::click(first.Button5);
    QCOMPARE(f.dialogs.shown + secondDialogs.shown, QStringList());
    OtherClient other(f.dir);
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1 WHERE photo = key"), 2);
    QCOMPARE(other.number(QStringLiteral("SELECT photo FROM Table1 WHERE paracbr = 3")), firstNumber);

    WindowFixture::click(first.Button4); // Recalculate
    const OrderTable& table = first.table();
    QCOMPARE(table.recordCount(), 3);
    qint64 shownPieces = 0;
    for (int row = 0; row < table.recordCount(); ++row)
        shownPieces += table.cellValue(row, OrderColumns::Polucbr).toLongLong();
    QCOMPARE(shownPieces, 12);
    QCOMPARE(first.eobstbr->text(), "12");

    // F5 does the same: the second program's next line is seen and counted.
    activate(&second);
    WindowFixture::click(second.Button1);
    fillNewLine(second, "1", "7");
    WindowFixture::click(second.Button5);
    activate(&first);
    QTest::keyClick(&first, Qt::Key_F5);
    QCOMPARE(table.recordCount(), 4);
    QCOMPARE(first.eobstbr->text(), "19");
}

void FailurePathsTest::photoNumberIsNeverShared_data() {
    QTest::addColumn<QString>("route");
    QTest::addRow("Add") << "add";
    QTest::addRow("typing into an empty view") << "type";
    QTest::addRow("batch pick in an empty view") << "pick";
}

void FailurePathsTest::photoNumberIsNeverShared() {
    QFETCH(QString, route);
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "A1\r\nB2\r\n");
    prepare(f); // key 1, batch empty
    f.insertLine({{"dostavcik", "Zara"},
                  {"artikul", "coat"},
                  {"batch", "B2"},
                  {"photo", 1},
                  {"paracbr", 1},
                  {"pokupnacena", 10000}});
    f.insertLine({{"dostavcik", "Zara"}, {"batch", "B2"}, {"photo", 3}});
    OtherClient(f.dir).run("DELETE FROM Table1 WHERE key = 3"); // the largest key is gone
    writePhoto(f, "pictures/B2/1.jpg", Qt::red);
    const QByteArray othersPhoto = f.dir.readFile("pictures/B2/1.jpg");
    TForm1& form = f.open();
    WindowFixture::choose(form.cbfiltersup, "Mango"); // an empty view: no line of Mango in B2
    QCOMPARE(form.table().recordCount(), 0);

    if (route == "add") {
        WindowFixture::click(form.Button1);
    } else if (route == "type") {
        WindowFixture::typeInto(form.DBEdit6, "M");
    } else {
        WindowFixture::choose(form.ComboBox2, "B2");
    }
    QCOMPARE(form.table().state(), TableState::Insert);
    attachNewPhoto(f, form);
    QVERIFY(!f.dir.readFile("pictures/B2/4.jpg").isEmpty()); // the key after 3, never given before
    QCOMPARE(f.dir.readFile("pictures/B2/1.jpg"), othersPhoto);

    WindowFixture::choose(form.DBComboBox2, "Mango");
    WindowFixture::choose(form.DBComboBox1, "coat");
    WindowFixture::retype(form.DBEdit7, "1");
    WindowFixture::retype(form.DBEdit16, "1");
    WindowFixture::click(form.Button5);
    OtherClient other(f.dir);
    QCOMPARE(other.number("SELECT photo FROM Table1 WHERE dostavcik = 'Mango'"), 4);
    QCOMPARE(other.number("SELECT key FROM Table1 WHERE dostavcik = 'Mango'"), 4);
}

void FailurePathsTest::fieldRulesRunBeforeEveryStore_data() {
    QTest::addColumn<QString>("route");
    QTest::addRow("right click on the photo area") << "attach";
    QTest::addRow("grid title click") << "title";
    QTest::addRow("closing while another window is active") << "close";
}

// The price is typed and the field is never left by a focus move.
void FailurePathsTest::fieldRulesRunBeforeEveryStore() {
    QFETCH(QString, route);
    WindowFixture f;
    prepare(f);
    OtherClient(f.dir).run("UPDATE Table1 SET paracbr = 10, polucbr = 10, obsto = 500000");
    TForm1& form = f.open();
    WindowFixture::retype(form.DBEdit7, "12.05");
    if (route == "attach") {
        attachNewPhoto(f, form);
    } else if (route == "title") {
        QHeaderView* header = form.DBGrid1->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    } else {
        QWidget other;
        other.show();
        activate(&other);
        form.close();
    }
    QCOMPARE(f.dialogs.shown.filter("standardError"), QStringList());
    OtherClient other(f.dir);
    QCOMPARE(other.number("SELECT pokupnacena FROM Table1"), 120500);
    QCOMPARE(other.number("SELECT obsto FROM Table1"), 1205000);
    QCOMPARE(form.etotal->text(), "120.5");
    QCOMPARE(form.DBEdit7->text(), "12.05");
    QCOMPARE(form.table().cellText(0, OrderColumns::Pokupnacena), "12.05");
}

void FailurePathsTest::moneyOutOfRangeIsRefused_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addRow("price")
        << "DBEdit7"
        << "1000000000000"
        << "Purchasing Price: the money of this line, 1000000000000 x 10000, is out of range.";
    QTest::addRow("ordered") << "DBEdit16"
                             << "2000000000"
                             << "Ordered: the money of this line, 1000000 x 2000000000, is out of range.";
}

void FailurePathsTest::moneyOutOfRangeIsRefused() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    WindowFixture f;
    prepare(f);
    OtherClient other(f.dir);
    // Price 1,000,000 and 10,000 pieces: money 10,000,000,000.
    other.run("UPDATE Table1 SET pokupnacena = 10000000000, paracbr = 10000, polucbr = 10000, "
              "obsto = 100000000000000");
    TForm1& form = f.open();
    auto* edit = form.findChild<QLineEdit*>(field);
    WindowFixture::retype(edit, text);
    WindowFixture::focus(form.DBEdit4);
    QCOMPARE(f.dialogs.takeShown(), QStringList{"standardError: " + message});
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(form.DBEdit12->text(), "10000000000");
    WindowFixture::click(form.Button5);
    QCOMPARE(other.number("SELECT pokupnacena FROM Table1"), 10000000000LL);
    QCOMPARE(other.number("SELECT paracbr FROM Table1"), 10000);
    QCOMPARE(other.number("SELECT obsto FROM Table1"), 100000000000000LL);
}

// A line whose batch is not in the batch list keeps it when another field is
// stored, and the chooser shows it.
void FailurePathsTest::unlistedBatchIsKept() {
    WindowFixture f;
    f.dir.writeFile("Batches.txt", "A1\r\nB2\r\n");
    prepare(f);
    OtherClient other(f.dir);
    other.run("UPDATE Table1 SET batch = 'OLD'");
    TForm1& form = f.open();
    WindowFixture::choose(form.cbbatch, "All");
    QCOMPARE(form.ComboBox2->currentIndex(), -1);
    QCOMPARE(form.ComboBox2->placeholderText(), "OLD (not in the list)");
    WindowFixture::retype(form.DBEdit6, "XL");
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1 WHERE batch = 'OLD' AND razmeri = 'XL'"), 1);
}

void FailurePathsTest::attachCases_data() {
    QTest::addColumn<qint64>("price"); // ten-thousandths
    QTest::addColumn<bool>("showPicture");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<TableState>("state");
    QTest::addRow("store refused: the line stays in edit, the file stays")
        << qint64(0) << true
        << QStringList{"information: Purchasing Price is unknown!!! Please enter Purchasing Price to "
                       "continue\r\n"
                       "or click on \"Cancel\" button to refuse changes."}
        << TableState::Edit;
    QTest::addRow("Show Picture off: stored, the disabled picture stays")
        << qint64(50000) << false << QStringList() << TableState::Browse;
}

void FailurePathsTest::attachCases() {
    QFETCH(qint64, price);
    QFETCH(bool, showPicture);
    QFETCH(QStringList, messages);
    QFETCH(TableState, state);
    WindowFixture f;
    prepare(f);
    OtherClient other(f.dir);
    other.run(QStringLiteral("UPDATE Table1 SET photo = 5, pokupnacena = %1").arg(price));
    TForm1& form = f.open();
    if (!showPicture)
        WindowFixture::click(form.cshowpic);
    attachNewPhoto(f, form);
    QCOMPARE(f.dialogs.shown.filter(QRegularExpression("^(information|standardError)")), messages);
    QCOMPARE(form.table().state(), state);
    QCOMPARE(f.dir.readFile("pictures/5.jpg"), f.dir.readFile("new.jpg"));
    if (!showPicture) {
        QCOMPARE(form.Image1->width(), 250);
        QCOMPARE(form.Image1->pixmap().toImage(), PhotoPictures::photoDisabled().toImage());
    }
}

void FailurePathsTest::noSilentOverwriteOfAnotherProgramsChange_data() {
    QTest::addColumn<bool>("deleting");
    QTest::addRow("store of an edit") << false;
    QTest::addRow("delete") << true;
}

// Two programs show the same line; the first stores a new price, then the
// second, which still shows the old one, stores a count or deletes the line.
void FailurePathsTest::noSilentOverwriteOfAnotherProgramsChange() {
    QFETCH(bool, deleting);
    WindowFixture f;
    prepare(f);
    TForm1& first = f.open();
    ScriptedDialogs secondDialogs;
    TForm1 second(f.dir.path(), secondDialogs);
    second.show();
    QCOMPARE(second.DBEdit7->text(), "5");

    WindowFixture::retype(first.DBEdit7, "7");
    WindowFixture::click(first.Button5);
    activate(&second);
    if (deleting) {
        secondDialogs.confirmAnswers << true;
        WindowFixture::click(second.Button2);
    } else {
        WindowFixture::retype(second.DBEdit16, "9");
        WindowFixture::click(second.Button5);
    }
    QCOMPARE(secondDialogs.shown.filter("standardError").size(), 1);
    QVERIFY2(secondDialogs.shown.last().contains("changed by another user"),
             qPrintable(secondDialogs.shown.last()));
    OtherClient other(f.dir);
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1"), 1);
    QCOMPARE(other.number("SELECT pokupnacena FROM Table1"), 70000); // the first program's work stays
    QCOMPARE(other.number("SELECT paracbr FROM Table1"), 4);
    if (!deleting) {
        QCOMPARE(second.table().state(), TableState::Edit); // the entries stay pending
        QCOMPARE(second.DBEdit16->text(), "9");
        WindowFixture::click(second.Button7);
    }
    QCOMPARE(second.DBEdit7->text(), "7"); // the other version, once seen
}

// The other program deleted the line being edited: the store is refused, and
// Cancel shows the register as it is, the line gone from grid and counters.
void FailurePathsTest::cancelAfterAnotherProgramDeletedTheLine() {
    WindowFixture f;
    prepare(f);
    f.insertLine({{"dostavcik", "Zara"},
                  {"artikul", "coat"},
                  {"paracbr", 2},
                  {"polucbr", 2},
                  {"pokupnacena", 10000},
                  {"obsto", 20000}});
    TForm1& form = f.open();
    const qint32 edited = form.table().asInteger("key");
    WindowFixture::retype(form.DBEdit16, "9");
    OtherClient(f.dir).run("DELETE FROM Table1 WHERE key = ?", {edited});
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown.last().contains("changed by another user"), qPrintable(f.dialogs.shown.last()));

    WindowFixture::click(form.Button7);
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(form.DBGrid1->model()->rowCount(), 1);
    QCOMPARE(form.eobstbr->text(), "2");
    QCOMPARE(form.etotal->text(), "2");
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), "Articles Count: 1");
    QVERIFY(form.table().asInteger("key") != edited);
}

void FailurePathsTest::meetALineAnotherProgramDeleted_data() {
    QTest::addColumn<QString>("step"); // what meets the line
    QTest::addRow("Last moves to it") << "last";
    QTest::addRow("grid scrolls to it") << "paint";
    QTest::addRow("grid scrolls to it while a line is edited") << "paint while editing";
}

// The step meets a line the other program deleted, one the grid has not
// shown yet: no blank line is shown; the view and its counters are read
// anew without it.
void FailurePathsTest::meetALineAnotherProgramDeleted() {
    QFETCH(QString, step);
    WindowFixture f;
    prepare(f);
    qint64 deleted = 0;
    for (int i = 0; i < 80; ++i)
        deleted = f.insertLine({{"dostavcik", "Zara"},
                                {"artikul", "coat"},
                                {"paracbr", 1},
                                {"polucbr", 1},
                                {"pokupnacena", 10000},
                                {"obsto", 10000}});
    TForm1& form = f.open();
    QCOMPARE(form.eobstbr->text(), "84");
    OtherClient(f.dir).run("DELETE FROM Table1 WHERE key = ?", {deleted});
    if (step == "last") {
        WindowFixture::click(form.SpeedButton4);
    } else {
        if (step == "paint while editing")
            WindowFixture::typeInto(form.findChild<QWidget*>("DBEdit6"), "XL");
        form.DBGrid1->scrollToBottom();
        form.DBGrid1->viewport()->repaint();
    }
    if (step == "paint while editing") {
        // The view is not read under the pending line (reading it would
        // store it); Cancel settles it, then the view is read.
        QCoreApplication::processEvents();
        QCOMPARE(form.table().state(), TableState::Edit);
        QCOMPARE(form.DBGrid1->model()->rowCount(), 81);
        WindowFixture::click(form.Button7);
    }
    QTRY_COMPARE(form.DBGrid1->model()->rowCount(), 80);
    QCOMPARE(f.dialogs.shown, QStringList());
    QVERIFY(form.table().asInteger("key") > 0);
    QCOMPARE(form.eobstbr->text(), "83");
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), "Articles Count: 80");
}

void FailurePathsTest::lostServerKeepsTheLinePending_data() {
    QTest::addColumn<bool>("newLine");
    QTest::addColumn<bool>("landed");  // the server stored the line before the answer was lost
    QTest::addColumn<bool>("pending"); // false: F5 with no line pending
    QTest::addRow("new line") << true << false << true;
    QTest::addRow("new line, stored before the connection broke") << true << true << true;
    QTest::addRow("edited line") << false << false << true;
    QTest::addRow("edited line, stored before the connection broke") << false << true << true;
    // Regression: the message promised entries that were not there.
    QTest::addRow("nothing pending, F5") << false << false << false;
}

// The server goes away under a pending line: the store fails with a message
// that says so, the entries stay, and the next store connects again and
// stores the line once.
void FailurePathsTest::lostServerKeepsTheLinePending() {
    if (!TempAppDir::onServer())
        QSKIP("the embedded file has no connection to lose");
    QFETCH(bool, newLine);
    QFETCH(bool, landed);
    QFETCH(bool, pending);
    WindowFixture f;
    prepare(f);
    TForm1& form = f.open();
    if (pending)
        makePendingLine(form, newLine);
    OtherClient other(f.dir);
    other.cutOffOthers();
    if (!pending) {
        QTest::keyClick(&form, Qt::Key_F5);
        const QStringList shown = f.dialogs.takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].endsWith("The next step connects again."), qPrintable(shown[0]));
        return;
    }
    WindowFixture::click(form.Button5);
    const QStringList shown = f.dialogs.takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains("connection to the register's server was lost"), qPrintable(shown[0]));
    QVERIFY2(shown[0].contains("Your entries are kept"), qPrintable(shown[0]));
    QCOMPARE(form.table().state(), newLine ? TableState::Insert : TableState::Edit);
    QCOMPARE(form.DBEdit16->text(), newLine ? "6" : "10");
    QCOMPARE(storedLines(other), "1 lines, ordered 4");
    if (landed && newLine)
        other.run("INSERT INTO Table1 (key, paracbr) VALUES (?, 6)", {form.table().pendingKey()});
    if (landed && !newLine)
        other.run("UPDATE Table1 SET paracbr = 10, polucbr = 10, obsto = 500000");

    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(storedLines(other), newLine ? "2 lines, ordered 10" : "1 lines, ordered 10");
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1 WHERE dostavcik = 'Zara' AND paracbr = 6"),
             newLine ? 1 : 0);
    // What the other program stored while the window had no session is
    // announced once the window has one again.
    if (landed)
        QTRY_COMPARE_WITH_TIMEOUT(form.othersChangedNotice(), "Lines were changed by another user: press F5",
                                  60000);
}

void FailurePathsTest::serverStoppedAndStartedAgain_data() {
    QTest::addColumn<bool>("downAtStart");
    QTest::addRow("stopped under the open window") << false;
    QTest::addRow("down when the program started") << true;
}

// The server goes down and comes back: meanwhile a step says it cannot be
// reached and the line shown stays; afterwards the next step works on a
// new session, and the window shows what is stored.
void FailurePathsTest::serverStoppedAndStartedAgain() {
    if (!TempAppDir::onServer())
        QSKIP("the embedded file has no server to stop");
    QFETCH(bool, downAtStart);
    if (!m_privateServer)
        m_privateServer = std::make_unique<PrivateServer>();
    PrivateServer& server = *m_privateServer;
    server.resume(); // running, whatever a failed row before left
    WindowFixture f;
    server.holdRegisterOf(f.dir);
    prepare(f);
    addFortyLines(f);

    if (downAtStart) {
        server.stop();
        TForm1& form = f.open();
        QCOMPARE(f.dialogs.takeShown().size(), 1);
        server.resume();
        QTest::keyClick(&form, Qt::Key_F5);
        QCOMPARE(f.dialogs.takeShown(), QStringList());
        QCOMPARE(form.DBGrid1->model()->rowCount(), 41);
        QCOMPARE(form.DBEdit16->text(), "4");
        return;
    }
    TForm1& form = f.open();
    QCOMPARE(form.DBEdit16->text(), "4");
    server.stop();
    WindowFixture::click(form.SpeedButton4); // Last: its line was never read
    QStringList shown = f.dialogs.takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains("register's server"), qPrintable(shown[0]));
    QCOMPARE(form.table().currentRow(), 0);
    QCOMPARE(form.DBEdit16->text(), "4");

    WindowFixture::retype(form.DBEdit16, "10");
    WindowFixture::focus(form.DBEdit4);
    WindowFixture::click(form.Button5);
    QElapsedTimer sinceFailedTry;
    sinceFailedTry.start();
    shown = f.dialogs.takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains("The register's server cannot be reached"), qPrintable(shown[0]));
    QCOMPARE(form.table().state(), TableState::Edit);

    server.resume();
    // Past the pause after a failed try, which spares a server that is gone
    // a try per painted line.
    QTest::qWait(int(qMax<qint64>(0, 700 - sinceFailedTry.elapsed())));
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    QCOMPARE(form.table().state(), TableState::Browse);
    OtherClient other(f.dir);
    QCOMPARE(other.number("SELECT paracbr FROM Table1 WHERE key = 1"), 10);
    QCOMPARE(form.DBEdit16->text(), "10");
    WindowFixture::click(form.SpeedButton4);
    QCOMPARE(form.DBEdit16->text(), "40");
    QCOMPARE(f.dialogs.takeShown(), QStringList());
}

void FailurePathsTest::lockedRegisterCostsOneWait_data() {
    QTest::addColumn<bool>("painting");
    QTest::addRow("store of an edit") << false;
    QTest::addRow("painting lines not read yet") << true;
}

// Another program holds the register locked: after a moment the window says
// it waits, and the clerk gives the step up. A store given up keeps its
// entries; a grid whose lines cannot be read asks the server once, not once
// per line.
void FailurePathsTest::lockedRegisterCostsOneWait() {
    if (!TempAppDir::onServer())
        QSKIP("the embedded file waits for its lock without a server to cancel");
    QFETCH(bool, painting);
    WindowFixture f;
    prepare(f);
    addFortyLines(f);
    TForm1& form = f.open();
    OtherClient other(f.dir);
    // Given up only once the lock is held: on a slow machine an ordinary
    // step may show the box too, and must not be given up.
    const QStringList waiting{ServerWaitIndicator::label()};
    if (painting) {
        other.run("BEGIN");
        other.run("LOCK TABLE Table1 IN ACCESS EXCLUSIVE MODE");
        f.dialogs.waited.clear();
        f.dialogs.giveUpWaiting = true;
        form.DBGrid1->scrollToBottom();
        form.DBGrid1->viewport()->repaint();
        form.DBGrid1->viewport()->repaint();
        QCOMPARE(f.dialogs.waited, waiting);
        QCOMPARE(f.dialogs.takeShown(), QStringList());
        other.unlock();
        return;
    }
    other.lock();
    makePendingLine(form, false);
    f.dialogs.waited.clear();
    f.dialogs.giveUpWaiting = true;
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.waited, waiting);
    QCOMPARE(f.dialogs.takeShown(),
             QStringList({"standardError: The step was given up before the register's server answered; "
                          "nothing of it was stored. Your entries are kept."}));
    QCOMPARE(form.table().state(), TableState::Edit);
    QCOMPARE(form.DBEdit16->text(), "10");
    other.unlock();
    WindowFixture::click(form.Button5);
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    QCOMPARE(other.number("SELECT paracbr FROM Table1 WHERE key = 1"), 10);
}

void FailurePathsTest::anotherClerksStoreIsNoticed_data() {
    QTest::addColumn<bool>("byListEdit");
    QTest::addRow("F5") << false;
    QTest::addRow("the supplier list edited, which reads the view") << true;
}

// A second window learns that the first stored a line, without a read of its
// own; its pending entries stay as typed, and the next read of the view shows
// the other's work and ends the notice.
void FailurePathsTest::anotherClerksStoreIsNoticed() {
    QFETCH(bool, byListEdit);
    if (!TempAppDir::onServer())
        QSKIP("the embedded file is one clerk's");
    WindowFixture f;
    prepare(f);
    TForm1& first = f.open();
    ScriptedDialogs secondDialogs;
    TForm1 second(f.dir.path(), secondDialogs);
    second.show();
    activate(&second);
    WindowFixture::retype(second.DBEdit4, "p9");

    activate(&first);
    WindowFixture::retype(first.DBEdit7, "7");
    WindowFixture::click(first.Button5);
    const QString notice = "Lines were changed by another user: press F5";
    QTRY_COMPARE_WITH_TIMEOUT(second.othersChangedNotice(), notice, 60000);
    QCOMPARE(second.table().state(), TableState::Edit);
    QCOMPARE(second.DBEdit4->text(), "p9");
    QCOMPARE(second.DBEdit7->text(), "5");
    QTest::qWait(600); // the first window's own store is no news to it
    QCOMPARE(first.othersChangedNotice(), QString());

    activate(&second);
    WindowFixture::click(second.Button7);
    if (byListEdit) {
        QTimer::singleShot(0, second.Form2, [&second] {
            second.Form2->Memo1->setPlainText("Zara\nMango");
            second.Form2->Button1->click();
        });
        WindowFixture::click(second.Button8);
    } else {
        QTest::keyClick(&second, Qt::Key_F5);
    }
    QCOMPARE(second.othersChangedNotice(), QString());
    QCOMPARE(second.DBEdit7->text(), "7");
    QCOMPARE(secondDialogs.shown, QStringList());
}

void FailurePathsTest::f5ShowsWhatOthersDid_data() {
    QTest::addColumn<QString>("change");
    // Regression: the notice came back at the next look after F5 had read everything.
    QTest::addRow("server's sessions ended") << "restart";
    // Regression: the new name showed only at the next start, and an export wrote the old one.
    QTest::addRow("company renamed by another clerk") << "company";
}

// F5 reads what other clerks did and ends the notice that they did something.
void FailurePathsTest::f5ShowsWhatOthersDid() {
    QFETCH(QString, change);
    if (!TempAppDir::onServer())
        QSKIP("the embedded file is one clerk's");
    WindowFixture f;
    prepare(f);
    TForm1& form = f.open();
    if (change == "restart") {
        OtherClient(f.dir).cutOffOthers();
        QTest::keyClick(&form, Qt::Key_F5); // may be the step that finds the session gone
        f.dialogs.takeShown();
    } else {
        ScriptedDialogs otherDialogs;
        TForm1 other(f.dir.path(), otherDialogs);
        other.show();
        activate(&other);
        WindowFixture::retype(other.ecompany, "Nelvo Ltd");
        QTest::keyClick(other.ecompany, Qt::Key_Return);
        QCOMPARE(otherDialogs.shown, QStringList());
        activate(&form);
    }
    QTest::keyClick(&form, Qt::Key_F5);
    QCOMPARE(f.dialogs.takeShown(), QStringList());
    form.checkOthersChanged(); // the watch's next look
    QCOMPARE(form.othersChangedNotice(), QString());
    if (change == "company")
        QCOMPARE(form.ecompany->text(), "Nelvo Ltd");
}

QTEST_MAIN(FailurePathsTest)
#include "tst_failure_paths.moc"
