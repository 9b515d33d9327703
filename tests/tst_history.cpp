// The history of the register's lines on either engine: each store of a new
// line, store of a change and delete writes exactly one history row with
// who, what and the values, a store that fails writes none, and a deleted
// line comes back under its key with its values unless its key or photo
// number is taken by then.
#include "app/DeletedLinesWindow.h"
#include "app/LineHistoryWindow.h"
#include "app/OrderGrid.h"
#include "app/Unit1.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/LineHistory.h"
#include "data/LineHistorySchema.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"
#include "data/RegisterTransfer.h"
#include "data/RegisterUpgrade.h"
#include "data/RegisterVersion.h"
#include "support/OtherClient.h"
#include "support/TempAppDir.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <sqlite3.h>

namespace {

// A register opened on a fresh directory and the table over it.
struct Register {
    // On a register of its own, or on the one given.
    explicit Register(const TempAppDir* given = nullptr) : own(given == nullptr), dir(given ? *given : own) {
        if (!db.open(dir.path()))
            qFatal("cannot open test register: %s", qPrintable(db.errorString()));
        table = std::make_unique<OrderTable>(db);
        table->setErrorSink([this](const QString& message) { errors << message; });
        if (!table->open())
            qFatal("cannot open the table: %s", qPrintable(errors.join(u'\n')));
    }
    ~Register() {
        table.reset();
        db.close();
    }
    QVector<LineHistory::Entry> history(qint32 key) {
        QVector<LineHistory::Entry> entries;
        QString error;
        if (!LineHistory::ofLine(*db.engine(), key, &entries, &error))
            qFatal("history: %s", qPrintable(error));
        return entries;
    }
    qint64 historyRows() { return other().number(QStringLiteral("SELECT COUNT(*) FROM table1_history")); }
    OtherClient& other() {
        if (!m_other)
            m_other = std::make_unique<OtherClient>(dir);
        return *m_other;
    }
    qint32 addLine() {
        table->append();
        const qint32 key = table->pendingKey();
        table->setValue("artikul", "shirt");
        table->setValue("dostavcik", "Ann");
        table->setValue("paracbr", 3);
        table->setValue("obsto", 12.5);
        table->setValue("photo", key);
        if (!table->post())
            qFatal("store: %s", qPrintable(errors.join(u'\n')));
        return key;
    }
    LineHistory::Entry lastDeleted() {
        QVector<LineHistory::Entry> deleted;
        QString error;
        LineHistory::deletedLines(*db.engine(), QDateTime::currentDateTime().addDays(-1), "ANN", 10, &deleted,
                                  &error);
        return deleted.value(0);
    }

    TempAppDir own;
    const TempAppDir& dir;
    Database db;
    std::unique_ptr<OrderTable> table;
    QStringList errors;

  private:
    std::unique_ptr<OtherClient> m_other;
};

QString describe(const LineHistory::Change& change) {
    return QStringLiteral("%1: %2 > %3")
        .arg(OrderColumns::name(change.column), change.before.toString(), change.after.toString());
}

QString who() {
    return TempAppDir::byEngine(LineHistorySchema::desktopUser(), QString());
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

  private slots:
    void eachStepWritesOneRow_data();
    void eachStepWritesOneRow();
    void failedStepWritesNone_data();
    void failedStepWritesNone();
    void restoreRefused_data();
    void restoreRefused();
    void moveBringsHistory();
    void upgradeAddsHistory();
    void windowListsNewestFirst();
    void menuRestoresDeletedLine();
};

void TestHistory::eachStepWritesOneRow_data() {
    QTest::addColumn<int>("steps");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("changes");
    QTest::addColumn<bool>("lineThere");
    QTest::addRow("add") << 1 << "added" << QStringList() << true;
    QTest::addRow("change two columns")
        << 2 << "changed" << QStringList{"artikul: shirt > blouse", "paracbr: 3 > 5"} << true;
    QTest::addRow("delete with its photo") << 3 << "deleted" << QStringList() << false;
    QTest::addRow("restore") << 4 << "restored" << QStringList() << true;
}

void TestHistory::eachStepWritesOneRow() {
    QFETCH(int, steps);
    QFETCH(QString, action);
    QFETCH(QStringList, changes);
    QFETCH(bool, lineThere);
    Register r;
    const qint32 key = r.addLine();
    if (steps >= 2) {
        r.table->edit();
        r.table->setValue("artikul", "blouse");
        r.table->setValue("paracbr", 5);
        QVERIFY(r.table->post());
    }
    if (steps >= 3)
        QVERIFY(r.table->remove());
    if (steps >= 4) {
        QString error;
        QVERIFY2(LineHistory::restore(*r.db.engine(), r.lastDeleted(), &error), qPrintable(error));
    }

    const QVector<LineHistory::Entry> history = r.history(key);
    QCOMPARE(history.size(), steps);
    QCOMPARE(r.historyRows(), steps);
    const LineHistory::Entry& last = history.first();
    QCOMPARE(last.action, action);
    QCOMPARE(last.key, key);
    QVERIFY(qAbs(last.at.secsTo(QDateTime::currentDateTime())) < 24 * 3600);
    QCOMPARE(last.who, who().isEmpty() ? r.other().text("SELECT session_user") : who());
    QStringList described;
    for (const LineHistory::Change& change : last.changes)
        described << describe(change);
    QCOMPARE(described, changes);
    // A delete keeps the whole line as it was.
    if (action == "deleted") {
        QCOMPARE(last.line.value(OrderColumns::Artikul).toString(), "blouse");
        QCOMPARE(last.line.value(OrderColumns::Obsto).value<Currency>(), Currency::fromUnits(125000));
        QCOMPARE(last.line.value(OrderColumns::Photo).toInt(), key);
    }
    QCOMPARE(r.other().lineCount(), lineThere ? 1 : 0);
    if (lineThere) {
        QCOMPARE(r.other().stored(key, "artikul").toString(), steps >= 2 ? "blouse" : "shirt");
        QCOMPARE(r.other().stored(key, "obsto").toLongLong(), 125000);
        QCOMPARE(r.other().stored(key, "photo").toLongLong(), key);
        QCOMPARE(r.other().stored(key, "dostavcik").toString(), "Ann");
    }
}

void TestHistory::failedStepWritesNone_data() {
    QTest::addColumn<QString>("event");
    QTest::addRow("store of a new line refused") << "INSERT";
    QTest::addRow("store of a change refused") << "UPDATE";
    QTest::addRow("delete refused") << "DELETE";
    // The history row is written with the line or neither is.
    QTest::addRow("history cannot be written") << "history";
}

void TestHistory::failedStepWritesNone() {
    QFETCH(QString, event);
    Register r;
    r.addLine();
    if (event == "history") {
        r.other().run(TempAppDir::byEngine("CREATE TRIGGER refuse_history BEFORE INSERT ON table1_history "
                                           "BEGIN SELECT RAISE(ABORT, 'full'); END",
                                           "CREATE FUNCTION refuse_history() RETURNS trigger LANGUAGE "
                                           "plpgsql AS $$ BEGIN RAISE EXCEPTION 'full'; "
                                           "END $$"));
        if (TempAppDir::onServer())
            r.other().run(
                "CREATE TRIGGER refuse_history BEFORE INSERT ON table1_history FOR EACH ROW EXECUTE "
                "FUNCTION refuse_history()");
    } else {
        r.other().refuse(event, "refused by rule");
    }
    const qint64 before = r.historyRows();
    if (event == "INSERT" || event == "history") {
        r.table->append();
        r.table->setValue("artikul", "coat");
        QVERIFY(!r.table->post());
    } else if (event == "UPDATE") {
        r.table->edit();
        r.table->setValue("artikul", "coat");
        QVERIFY(!r.table->post());
    } else {
        QVERIFY(!r.table->remove());
    }
    QCOMPARE(r.historyRows(), before);
    QCOMPARE(r.other().lineCount(), 1);
}

void TestHistory::restoreRefused_data() {
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("message");
    QTest::addRow("key taken") << "key"
                               << "Line %1 was not restored: another line has its key %1 now.";
    QTest::addRow("photo number taken")
        << "photo"
        << "Line %1 was not restored: another line has its photo number %1 now.";
}

void TestHistory::restoreRefused() {
    QFETCH(QString, taken);
    QFETCH(QString, message);
    Register r;
    const qint32 key = r.addLine();
    const LineHistory::Entry kept = [&] {
        r.table->remove();
        return r.lastDeleted();
    }();
    QCOMPARE(kept.key, key);
    r.other().run(QStringLiteral("INSERT INTO Table1 (%1, artikul) VALUES (?, 'other')").arg(taken), {key});
    const qint64 rows = r.historyRows();
    QString error;
    QVERIFY(!LineHistory::restore(*r.db.engine(), kept, &error));
    QCOMPARE(error, message.arg(key));
    QCOMPARE(r.historyRows(), rows);
    QCOMPARE(r.other().lineCount(), 1);
}

// register_server move brings the file's history along with its lines,
// and does not record the moved lines as added on the server.
void TestHistory::moveBringsHistory() {
    if (!TempAppDir::onServer())
        QSKIP("a move goes from the file to a server");
    TempAppDir fileDir(false);
    QString error;
    QVERIFY(Database::createEmptyFile(fileDir.databasePath(), &error));
    Database file;
    QVERIFY(file.openEmbedded(fileDir.path()));
    QVERIFY(
        file.engine()->execute("INSERT INTO Table1 (key, artikul) VALUES (7, 'shirt')", {}, nullptr, &error));
    QVERIFY(file.engine()->execute("UPDATE Table1 SET artikul = 'coat' WHERE key = 7", {}, nullptr, &error));
    Register server;
    RegisterTransfer transfer;
    QVERIFY2(transfer.copy(*file.engine(), *server.db.engine(), {}), qPrintable(transfer.errorString()));
    const QVector<LineHistory::Entry> history = server.history(7);
    QCOMPARE(history.size(), 2);
    QCOMPARE(history[0].action, "changed");
    QCOMPARE(history[0].who, LineHistorySchema::desktopUser());
    QCOMPARE(history[1].action, "added");
}

// A file of the layout before the history gets its table on opening, and
// the program's stores are recorded from then on.
void TestHistory::upgradeAddsHistory() {
    if (TempAppDir::onServer())
        QSKIP("a server is upgraded only with nobody else connected: tst_data's version cases run it");
    TempAppDir dir;
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(dir.databasePath()).constData(), &raw), SQLITE_OK);
    QCOMPARE(
        sqlite3_exec(raw, "DROP TABLE table1_history; PRAGMA user_version = 2", nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(raw);
    Register r(&dir);
    QCOMPARE(r.other().number("PRAGMA user_version"), RegisterVersion::fileCurrent());
    QVERIFY(QFileInfo::exists(RegisterUpgrade::backupPath(dir.path(), RegisterVersion::fileCurrent())));
    const qint32 key = r.addLine();
    QCOMPARE(r.history(key).size(), 1);
}

// The window: one row per changed column under the grid's titles, newest
// first, the time in the user's date format, nothing to edit.
void TestHistory::windowListsNewestFirst() {
    Register r;
    const qint32 key = r.addLine();
    r.table->edit();
    r.table->setValue("artikul", "blouse");
    r.table->setValue("obsto", 20);
    QVERIFY(r.table->post());
    const QVector<LineHistory::Entry> history = r.history(key);
    LineHistoryWindow window(key, history);
    const QTableWidget* rows = window.rows();
    QStringList shown;
    for (int row = 0; row < rows->rowCount(); ++row) {
        QStringList cells;
        for (int column = 2; column < rows->columnCount(); ++column)
            cells << (rows->item(row, column) ? rows->item(row, column)->text() : QString());
        shown << cells.join(u'|');
    }
    const QString article = QString::fromUtf8(OrderColumns::at(OrderColumns::Artikul).title);
    const QString money = QString::fromUtf8(OrderColumns::at(OrderColumns::Obsto).title);
    QCOMPARE(shown, (QStringList{"changed|" + article + "|shirt|blouse",
                                 "changed|" + money + "|" +
                                     FieldCodec::text(QVariant::fromValue(Currency::fromUnits(125000))) +
                                     "|" + FieldCodec::text(QVariant::fromValue(Currency::fromUnits(200000))),
                                 "added|||"}));
    QCOMPARE(rows->item(0, 0)->text(), OrderGridModel::shortDate(history.first().at.date()) + u' ' +
                                           history.first().at.time().toString("HH:mm:ss"));
    QCOMPARE(rows->editTriggers(), QAbstractItemView::NoEditTriggers);
}

// From the main window: Shift+F7's list brings the deleted line back and the
// window shows it; F7 then lists its history.
void TestHistory::menuRestoresDeletedLine() {
    WindowFixture f;
    const qint32 key = qint32(f.insertLine({{"artikul", "shirt"}}));
    TForm1& form = f.open();
    OrderTable& table = form.table();
    QCOMPARE(table.value(OrderColumns::Key).toInt(), key);
    QVERIFY(table.remove());
    QStringList seen;
    // The windows are modal: each is answered once it is up.
    const auto answer = [&](const std::function<void(QDialog*)>& act) {
        QTimer::singleShot(0, &form, [&seen, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            seen << (dialog ? dialog->objectName() : QString());
            if (dialog)
                act(dialog);
        });
    };
    answer([](QDialog* dialog) { static_cast<DeletedLinesWindow*>(dialog)->restoreSelected(); });
    form.DBGrid1->findChild<QAction*>("DeletedLinesAction")->trigger();
    QCOMPARE(table.value(OrderColumns::Key).toInt(), key);
    QCOMPARE(table.value(OrderColumns::Artikul).toString(), "shirt");
    int rows = 0;
    answer([&rows](QDialog* dialog) {
        rows = static_cast<LineHistoryWindow*>(dialog)->rows()->rowCount();
        dialog->reject();
    });
    form.DBGrid1->findChild<QAction*>("LineHistoryAction")->trigger();
    QCOMPARE(seen, (QStringList{"DeletedLinesWindow", "LineHistoryWindow"}));
    QCOMPARE(rows, 3); // restored, deleted, added
}

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
