// The order table as the window uses it: opening, the data modes and the
// settle-on-move rules, sorting, filtering, storing and deleting, typed field
// access, and the grid model over it. Every case runs in its own application
// directory with a register of a few lines written by SQL.

#include "data/DataLink.h"
#include "data/Database.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"
#include "data/PostgresEngine.h"
#include "data/RegisterUpgrade.h"
#include "data/RegisterVersion.h"
#include "data/SharedStore.h"
#include "support/OtherClient.h"
#include "support/TempAppDir.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QFileInfo>
#include <QPalette>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QUrl>
#include <QtTest>
#include <atomic>
#include <limits>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

namespace {

struct Line {
    QString artikul;
    QString dostavcik;
    QString batch;
    int paracbr;
};

// A register opened on a fresh directory, the table over it, and what the
// table reported.
class Register {
  public:
    explicit Register(const QVector<Line>& lines = {}) {
        if (!db.open(dir.path()))
            qFatal("cannot open test register: %s", qPrintable(db.errorString()));
        for (const Line& line : lines)
            add(line);
        table = std::make_unique<OrderTable>(db);
        table->setErrorSink([this](const QString& message) { errors << message; });
    }
    ~Register() {
        table.reset();
        db.close();
    }

    void add(const Line& line) {
        other().run("INSERT INTO Table1 (artikul, dostavcik, batch, paracbr, pokupnacena, polucbr, obsto) "
                    "VALUES (?, ?, ?, ?, 10000, ?, ?)",
                    {line.artikul, line.dostavcik, line.batch, line.paracbr, line.paracbr,
                     qint64(line.paracbr) * 10000});
    }

    QVariant stored(qint32 key, const QString& column) { return other().stored(key, column); }
    int storedCount() { return int(other().lineCount()); }

    // Another program on the same register.
    OtherClient& other() {
        if (!m_other)
            m_other = std::make_unique<OtherClient>(dir);
        return *m_other;
    }

    // Keys of the view in the grid's order.
    QVector<int> viewKeys() const;

    int currentKey() const { return table->value(OrderColumns::Key).toInt(); }

    TempAppDir dir;
    Database db;
    std::unique_ptr<OrderTable> table;
    QStringList errors;

  private:
    std::unique_ptr<OtherClient> m_other;
};

// Keys 1..6: mixed case Latin and Cyrillic articles, two pairs equal but for case.
const QVector<Line> Mixed = {
    {"жилетка", "Ann's", "B1", 1}, // 1
    {"Bluse", "Zeta", "B2", 2},    // 2
    {"Жилетка", "Ann's", "B1", 3}, // 3
    {"apron", "Zeta", "B1", 4},    // 4
    {"bluse", "Ann's", "B2", 5},   // 5
    {"Яке", "Zeta", "B2", 6},      // 6
};

QVector<int> keysOf(const OrderTable& table) {
    QVector<int> keys;
    for (int row = 0; row < table.recordCount(); ++row)
        keys << table.cellValue(row, OrderColumns::Key).toInt();
    return keys;
}

class Link : public DataLink {
  public:
    std::function<bool()> commit = [] { return true; };
    int calls = 0;
    bool commitPendingText() override {
        ++calls;
        return commit();
    }
};

QVector<int> Register::viewKeys() const {
    return keysOf(*table);
}

// What a version case reads back from a register, past the program.
struct RegisterState {
    int version = -1;    // 0: none kept
    bool season = false; // the test step's column is there
    qint64 lines = -1;
    friend bool operator==(const RegisterState& a, const RegisterState& b) {
        return a.version == b.version && a.season == b.season && a.lines == b.lines;
    }
};

char* toString(const RegisterState& s) {
    return QTest::toString(
        QStringLiteral("version %1, season %2, %3 lines").arg(s.version).arg(s.season).arg(s.lines));
}

qint64 fileNumber(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

// Read without writing anything, not even a lock file.
RegisterState fileState(const QString& path) {
    RegisterState state;
    sqlite3* db = nullptr;
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?immutable=1";
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        state.version = int(fileNumber(db, "PRAGMA user_version"));
        state.season =
            fileNumber(db, "SELECT COUNT(*) FROM pragma_table_info('Table1') WHERE name = 'season'") == 1;
        state.lines = fileNumber(db, "SELECT COUNT(*) FROM Table1");
    }
    sqlite3_close(db);
    return state;
}

void runOn(const QString& setting, const QString& sql) {
    PostgresEngine engine;
    QString error;
    if (!engine.connect(setting, &error) || !engine.execute(sql, {}, nullptr, &error))
        qFatal("test server: %s: %s", qPrintable(sql), qPrintable(error));
}

RegisterState serverState(const QString& setting) {
    RegisterState state;
    PostgresEngine engine;
    QString error;
    if (!engine.connect(setting, &error))
        return state;
    // -2: not one row holding a whole number.
    state.version =
        int(engine.number("SELECT CASE WHEN COUNT(*) = 1 AND MIN(version::text) ~ '^-?[0-9]{1,9}$' "
                          "THEN MIN(version::text)::int ELSE -2 END FROM register_version"));
    if (state.version == -1) // no table register_version
        state.version = 0;
    state.season =
        engine.number("SELECT COUNT(*) FROM information_schema.columns WHERE table_schema = "
                      "current_schema() AND table_name = 'table1' AND column_name = 'season'") == 1;
    state.lines = engine.number("SELECT COUNT(*) FROM Table1");
    return state;
}

// A server upgrade waits for every other connection to the register's
// database, and the suite's other programs share the run's: the version
// cases have a database of their own.
QString versionDatabaseSetting() {
    return qEnvironmentVariable("ORDERS_TEST_SERVER") +
           QStringLiteral(" dbname=versions_%1").arg(QCoreApplication::applicationPid());
}

// Until the server has seen the case's own setup connections go: a
// closed session leaves the server's list of connections a moment later.
void awaitNoConnections() {
    PostgresEngine maintenance;
    QString error;
    if (!maintenance.connect(qEnvironmentVariable("ORDERS_TEST_SERVER") + " dbname=postgres", &error))
        qFatal("test server: %s", qPrintable(error));
    const QString count =
        QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = 'versions_%1'")
            .arg(QCoreApplication::applicationPid());
    for (int i = 0; i < 10000 && maintenance.number(count) != 0; ++i)
        QThread::msleep(1);
}

// A register in dir of the layout of version, holding one line and stored as
// version (0: none kept, the first layout; -1: made by this program).
QString makeVersionedRegister(const TempAppDir& dir, int version) {
    if (TempAppDir::onServer()) {
        const QString setting = versionDatabaseSetting();
        bool created = false;
        QString error;
        // The database is made by the first case; each case starts its register afresh.
        if (!PostgresEngine::createRegister(setting, &created, &error))
            qFatal("test server: %s", qPrintable(error));
        runOn(setting, "DROP TABLE IF EXISTS table1, register_version, shared_texts, shared_photos CASCADE");
        runOn(setting, "DROP SEQUENCE IF EXISTS shared_versions");
        if (!PostgresEngine::createRegister(setting, &created, &error))
            qFatal("test server: %s", qPrintable(error));
        dir.writeFile(QLatin1String(Database::ServerSettingName), setting.toUtf8() + '\n');
    }
    OtherClient other(dir);
    // The layout of that version: without the columns added since.
    for (int column = 0; version >= 0 && column < OrderColumns::Count; ++column)
        if (!OrderColumns::inVersion(column, qMax(version, RegisterVersion::First)))
            other.run("ALTER TABLE Table1 DROP COLUMN " + OrderColumns::name(column));
    other.run("INSERT INTO Table1 (artikul) VALUES ('shirt')");
    const QString setVersion =
        TempAppDir::onServer()
            ? (version == 0 ? QStringLiteral("DROP TABLE register_version")
                            : QStringLiteral("UPDATE register_version SET version = %1").arg(version))
            : QStringLiteral("PRAGMA user_version = %1").arg(version);
    if (version >= 0)
        other.run(setVersion);
    return TempAppDir::onServer() ? QString() : dir.databasePath();
}

// Another program of the same version upgrading the register at path by
// step: it holds the write lock from before this one opens the register
// until a moment after this one's copy is made, when this one is at its own
// step, and lets go at the latest once this one has answered.
class UpgradingProgram {
  public:
    UpgradingProgram(const QString& path, const QString& step) {
        const QByteArray sql =
            "PRAGMA journal_mode=WAL; BEGIN IMMEDIATE; " + step.toUtf8() + "; PRAGMA user_version = 2";
        if (sqlite3_open(QFile::encodeName(path).constData(), &m_db) != SQLITE_OK ||
            sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            qFatal("another program's upgrade: %s", sqlite3_errmsg(m_db));
        const QString copy = RegisterUpgrade::backupPath(QFileInfo(path).absolutePath(), 2);
        m_thread = std::thread([this, copy] {
            while (!QFileInfo::exists(copy) && !m_answered)
                QThread::msleep(1);
            // Only the chance to see a fault: a sound program waits for the
            // lock however long this takes, up to its busy timeout.
            QThread::msleep(200);
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        });
    }
    ~UpgradingProgram() {
        m_answered = true;
        m_thread.join();
        sqlite3_close(m_db);
    }

  private:
    sqlite3* m_db = nullptr;
    std::atomic<bool> m_answered{false};
    std::thread m_thread;
};

} // namespace

class TestData : public QObject {
    Q_OBJECT

  private slots:
    void openReadsWholeTableInKeyOrder();
    void openFailsWithEngineMessage_data();
    void openFailsWithEngineMessage();
    void databaseFileProblems_data();
    void databaseFileProblems();
    void closedDatasetRefuses_data();
    void closedDatasetRefuses();

    void settleOnMove_data();
    void settleOnMove();
    void dataLinkRefusalStopsMove();
    void priorOnFirstAndNextOnLast();
    void editOnEmptyViewStartsNewLine();
    void setValueOutsideEditRefused();
    void deleteOnEmptyView();
    void deleteInInsertOnlyCancels();
    void deleteKeepsPosition_data();
    void deleteKeepsPosition();
    void cancelRestoresLine();

    void sortOrder_data();
    void sortOrder();
    void sortKeepsCurrentAndPendingLine();
    void sortUnknownColumnRefused();
    void unchangedSortDoesNothing();
    void bookmarksSurviveResorts();
    void storedLinesTakeSortedPlace_data();
    void storedLinesTakeSortedPlace();
    void numberSortSignAndNull();
    void cachesStayInStepWithStores_data();
    void cachesStayInStepWithStores();

    void filterReselectsAndMovesToFirst();
    void filterRefusedSettleChangesNothing();
    void invalidFilterKeepsView();
    void sumsFollowView();

    void textCutToWidth_data();
    void textCutToWidth();
    void invalidNumbersRefused_data();
    void invalidNumbersRefused();
    void currencyIsExact();
    void currencyTakesItsWholeRange();
    void newLineWritesNullsAndNoKey();
    void noteDisplayTextTrimmed();

    void engineRefusalReportsPostErrorFirst();
    void vanishedLineFailsUpdate();
    void disabledControlsReportOnce();

    void gridModelFollowsTable();
    void gridTitleColours();

    void registerVersions_data();
    void registerVersions();
    void sharedTablesComeWithVersionTwo();
    void upgradeStepsAscendToTheProgram();
    void stepLeavingAWrongTypeKeepsNothing();
    void cleanupTestCase();
};

void TestData::openReadsWholeTableInKeyOrder() {
    Register reg(Mixed);
    QStringList events;
    connect(reg.table.get(), &OrderTable::stateChanged, this, [&](TableState) { events << "state"; });
    connect(reg.table.get(), &OrderTable::dataChanged, this,
            [&](int c) { events << QString("data %1").arg(c); });
    connect(reg.table.get(), &OrderTable::viewReset, this, [&] { events << "view"; });

    QVERIFY(reg.table->open());
    QCOMPARE(reg.table->state(), TableState::Browse);
    QCOMPARE(events, QStringList({"state", "data -1", "view"}));
    QCOMPARE(reg.viewKeys(), QVector<int>({1, 2, 3, 4, 5, 6}));
    QCOMPARE(reg.table->currentRow(), 0);
    QCOMPARE(reg.table->asString("artikul"), QString("жилетка"));
    QVERIFY(reg.table->bof());
    QVERIFY(!reg.table->eof());
    QVERIFY(reg.errors.isEmpty());
}

void TestData::openFailsWithEngineMessage_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("message");
    QTest::addRow("no Table1") << "DROP TABLE Table1"
                               << TempAppDir::byEngine("no such table: Table1",
                                                       "relation \"table1\" does not exist");
    QTest::addRow("column missing") << "ALTER TABLE Table1 DROP COLUMN belejka"
                                    << TempAppDir::byEngine("no such column: belejka",
                                                            "column \"belejka\" does not exist");
}

void TestData::openFailsWithEngineMessage() {
    QFETCH(QString, damage);
    QFETCH(QString, message);
    Register reg;
    // On the file through a connection of its own: the program's records
    // its stores with triggers that name every column, which a column's
    // drop there would have to change first.
    if (TempAppDir::onServer()) {
        QVERIFY(reg.db.execute(damage));
    } else {
        sqlite3* raw = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(reg.dir.databasePath()).constData(), &raw), SQLITE_OK);
        QCOMPARE(sqlite3_exec(raw, damage.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    QSignalSpy states(reg.table.get(), &OrderTable::stateChanged);
    QVERIFY(!reg.table->open());
    QCOMPARE(reg.errors, QStringList{message});
    QCOMPARE(reg.table->state(), TableState::Inactive);
    QCOMPARE(states.count(), 0);
}

void TestData::databaseFileProblems_data() {
    QTest::addColumn<QString>("name");       // the file given the content
    QTest::addColumn<QByteArray>("content"); // empty: no file at all; "pipe", "/dev/zero": such a file
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("message");
    QTest::addRow("missing db1.mdb")
        << "db1.mdb" << QByteArray() << false
        << "db1.mdb is not in \"%1\" (unable to open database file): put the register "
           "file there and start the program again";
    QTest::addRow("not a database")
        << "db1.mdb" << QByteArray("Standard Jet DB, honestly\n").repeated(200) << false
        << "db1.mdb in \"%1\" is damaged or is not a register (file is not a database)";
    QTest::addRow("read-only file")
        << "db1.mdb" << QByteArray("sqlite") << true
        << "db1.mdb in \"%1\" is read-only for this program, which must store lines in "
           "it (attempt to write a readonly database): allow this user to write db1.mdb "
           "and its folder (or copy it where they can be written) and start the program "
           "again";
    // Regression: start-up waited for a writer with no window.
    QTest::addRow("db1.mdb a named pipe")
        << "db1.mdb" << QByteArray("pipe") << false
        << "db1.mdb in \"%1\" is not a regular file, so it cannot be the "
           "register: put the register file there and start the program again";
    const QString setting = QStringLiteral("The server setting %1/db1.conninfo cannot be read: ");
    QTest::addRow("setting a named pipe")
        << "db1.conninfo" << QByteArray("pipe") << false << setting + "it is not a regular file";
    // Regression: read whole until the memory ran out.
    QTest::addRow("setting a link to /dev/zero")
        << "db1.conninfo" << QByteArray("/dev/zero") << false << setting + "it is not a regular file";
    QTest::addRow("setting over 64 KB")
        << "db1.conninfo"
        << "host=x" + QByteArray(64 * 1024, ' ') << false
        << setting + "it is larger than 64 KB, more than any connection string holds";
    // Regression: the setting ended at the NUL, and the library connected to its defaults.
    QTest::addRow("setting with a NUL")
        << "db1.conninfo" << QByteArray("# server\nhost=/nowhere\0 port=1\n", 31) << false
        << setting + "line 2 holds a NUL character; remove it";
    QTest::addRow("setting not a connection string")
        << "db1.conninfo" << QByteArray("host=/nowhere port\n") << false
        << setting + "missing \"=\" after \"port\" in connection info string";
}

void TestData::databaseFileProblems() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, readOnly);
    QFETCH(QString, message);
    SKIP_ON_SERVER();
    TempAppDir dir(readOnly);
    if (content == "pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600), 0);
    else if (content == "/dev/zero")
        QVERIFY(QFile::link("/dev/zero", dir.filePath(name)));
    else if (!readOnly && !content.isEmpty())
        dir.writeFile(name, content);
    QString path = dir.databasePath();
    if (readOnly)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    // The superuser writes any file regardless of its permissions; an
    // immutable file is read-only even for them.
    const bool immutable =
        readOnly && QFileInfo(path).isWritable() && QProcess::execute("chattr", {"+i", path}) == 0;
    const auto unlock = qScopeGuard([&] {
        if (immutable)
            QProcess::execute("chattr", {"-i", path});
    });
    if (readOnly && !immutable && QFileInfo(path).isWritable())
        QSKIP("cannot make a file read-only for this user");
    const bool regular = QFileInfo(path).isFile() || !QFileInfo::exists(path);
    const QByteArray before = regular ? dir.readFile("db1.mdb") : QByteArray();

    Database db;
    QVERIFY(!db.open(dir.path()));
    QCOMPARE(db.errorString(),
             message.contains("%1") ? message.arg(QDir(dir.path()).absolutePath()) : message);
    QVERIFY(!db.isOpen());
    if (!regular)
        return;
    QCOMPARE(dir.readFile("db1.mdb"), before);
    QCOMPARE(QFileInfo::exists(path), !before.isEmpty());
    QVERIFY(!QFileInfo::exists(path + "-wal"));
}

void TestData::closedDatasetRefuses_data() {
    QTest::addColumn<int>("operation");
    const char* names[] = {"first", "prior", "next",   "last",     "moveTo",       "append",
                           "edit",  "post",  "delete", "setValue", "gotoBookmark", "sums"};
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::addRow("%s", names[i]) << i;
}

void TestData::closedDatasetRefuses() {
    QFETCH(int, operation);
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    ViewSums sums;
    const std::function<bool()> operations[] = {
        [&] { return t.first(); },
        [&] { return t.prior(); },
        [&] { return t.next(); },
        [&] { return t.last(); },
        [&] { return t.moveTo(1); },
        [&] { return t.append(); },
        [&] { return t.edit(); },
        [&] { return t.post(); },
        [&] { return t.remove(); },
        [&] { return t.setValue("artikul", "x"); },
        [&] { return t.gotoBookmark("1"); },
        [&] { return t.sums(&sums); },
    };
    QVERIFY(!operations[operation]());
    QCOMPARE(reg.errors, QStringList{"Cannot perform this operation on a closed dataset"});
    QVERIFY(!t.value("artikul").isValid());
    QCOMPARE(t.asInteger("paracbr"), 0);
    QCOMPARE(reg.errors.size(), 1);
    QCOMPARE(t.state(), TableState::Inactive);
}

void TestData::settleOnMove_data() {
    QTest::addColumn<bool>("insert"); // a new line, else an edit of line 2
    QTest::addColumn<bool>("change"); // set a column before moving
    QTest::addColumn<bool>("hookAnswer");
    QTest::addColumn<int>("hookCalls");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<int>("linesAfter");
    QTest::addRow("changed edit is posted") << false << true << true << 1 << true << 3;
    QTest::addRow("unchanged edit is cancelled") << false << false << true << 0 << true << 3;
    QTest::addRow("refused edit stays") << false << true << false << 1 << false << 3;
    QTest::addRow("changed new line is posted") << true << true << true << 1 << true << 4;
    QTest::addRow("unchanged new line is dropped") << true << false << true << 0 << true << 3;
    QTest::addRow("refused new line stays") << true << true << false << 1 << false << 3;
}

void TestData::settleOnMove() {
    QFETCH(bool, insert);
    QFETCH(bool, change);
    QFETCH(bool, hookAnswer);
    QFETCH(int, hookCalls);
    QFETCH(bool, moves);
    QFETCH(int, linesAfter);
    Register reg({{"a", "S", "B", 1}, {"b", "S", "B", 2}, {"c", "S", "B", 3}});
    OrderTable& t = *reg.table;
    int calls = 0;
    t.setBeforePost([&] {
        ++calls;
        return hookAnswer;
    });
    QSignalSpy afterPost(&t, &OrderTable::afterPost);
    QVERIFY(t.open());
    QVERIFY(t.moveTo(1));
    QVERIFY(insert ? t.append() : t.edit());
    const TableState pending = t.state();
    if (change)
        QVERIFY(t.setValue("artikul", "new"));

    QCOMPARE(t.first(), moves);
    QCOMPARE(calls, hookCalls);
    QCOMPARE(reg.storedCount(), linesAfter);
    QCOMPARE(t.recordCount(), linesAfter);
    if (moves) {
        QCOMPARE(t.state(), TableState::Browse);
        QCOMPARE(t.currentRow(), 0);
        QCOMPARE(afterPost.count(), change ? 1 : 0);
        if (change)
            QCOMPARE(reg.stored(insert ? 4 : 2, "artikul").toString(), QString("new"));
        else
            QCOMPARE(reg.stored(2, "artikul").toString(), QString("b"));
    } else {
        QCOMPARE(t.state(), pending);
        QCOMPARE(t.asString("artikul"), QString("new"));
        QCOMPARE(afterPost.count(), 0);
    }
    QVERIFY(reg.errors.isEmpty());
}

void TestData::dataLinkRefusalStopsMove() {
    Register reg({{"a", "S", "B", 1}, {"b", "S", "B", 2}});
    OrderTable& t = *reg.table;
    Link link;
    t.addDataLink(&link);
    QVERIFY(t.open());
    QVERIFY(t.edit());
    // The control writes its typed text: that alone makes the line changed.
    link.commit = [&] { return t.setValue("cvet", "red"); };
    QVERIFY(t.next());
    QCOMPARE(reg.stored(1, "cvet").toString(), QString("red"));
    QCOMPARE(t.currentRow(), 1);

    QVERIFY(t.edit());
    link.commit = [] { return false; };
    QVERIFY(!t.prior());
    QVERIFY(!t.post());
    QCOMPARE(t.state(), TableState::Edit);
    QCOMPARE(t.currentRow(), 1);
    t.removeDataLink(&link);
    QVERIFY(t.prior());
}

void TestData::priorOnFirstAndNextOnLast() {
    Register reg({{"a", "S", "B", 1}, {"b", "S", "B", 2}});
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QSignalSpy moved(&t, &OrderTable::currentRowChanged);
    QVERIFY(t.prior());
    QCOMPARE(t.currentRow(), 0);
    QVERIFY(t.bof());
    QVERIFY(t.next());
    QVERIFY(!t.eof());
    QVERIFY(t.next());
    QCOMPARE(t.currentRow(), 1);
    QVERIFY(t.eof());
    QCOMPARE(moved.count(), 1);

    // The walk the summary does: first, then next until the end.
    int visited = 0;
    for (t.first(); !t.eof(); t.next())
        ++visited;
    QCOMPARE(visited, 2);
}

void TestData::editOnEmptyViewStartsNewLine() {
    Register reg;
    QVERIFY(reg.table->open());
    QCOMPARE(reg.table->currentRow(), -1);
    QVERIFY(reg.table->eof() && reg.table->bof());
    QVERIFY(reg.table->edit());
    QCOMPARE(reg.table->state(), TableState::Insert);
    QCOMPARE(reg.table->viewRowCount(), 1);
    QCOMPARE(reg.table->recordCount(), 0);
    QVERIFY(reg.table->bookmark().isEmpty());
}

void TestData::setValueOutsideEditRefused() {
    Register reg(Mixed);
    QVERIFY(reg.table->open());
    QVERIFY(!reg.table->setValue("artikul", "x"));
    QCOMPARE(reg.errors, QStringList{"Dataset not in edit or insert mode"});
    QVERIFY(reg.table->edit());
    QVERIFY(!reg.table->setValue("key", 99));
    QVERIFY(!reg.table->setValue("nosuch", 1));
    QCOMPARE(reg.errors.size(), 3);
    QVERIFY(!reg.table->isModified());
}

void TestData::deleteOnEmptyView() {
    Register reg;
    int hooks = 0;
    reg.table->setBeforeDelete([&] { return ++hooks, true; });
    QVERIFY(reg.table->open());
    QVERIFY(!reg.table->remove());
    QCOMPARE(reg.errors, QStringList{"Cannot perform this operation on an empty dataset"});
    QCOMPARE(hooks, 0);
}

void TestData::deleteInInsertOnlyCancels() {
    Register reg(Mixed);
    int hooks = 0;
    reg.table->setBeforeDelete([&] { return ++hooks, true; });
    QSignalSpy afterDelete(reg.table.get(), &OrderTable::afterDelete);
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->moveTo(2));
    QVERIFY(reg.table->append());
    QVERIFY(reg.table->setValue("artikul", "x"));
    QVERIFY(reg.table->remove());
    QCOMPARE(reg.table->state(), TableState::Browse);
    QCOMPARE(hooks, 0);
    QCOMPARE(afterDelete.count(), 0);
    QCOMPARE(reg.storedCount(), 6);
    QCOMPARE(reg.table->currentRow(), 2);
    QCOMPARE(reg.table->viewRowCount(), 6);
}

void TestData::deleteKeepsPosition_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<int>("rowAfter");
    QTest::addColumn<int>("keyAfter");
    QTest::addRow("middle line") << 2 << false << 2 << 4;
    QTest::addRow("last line") << 5 << false << 4 << 5;
    QTest::addRow("line being edited") << 0 << true << 0 << 2;
}

void TestData::deleteKeepsPosition() {
    QFETCH(int, row);
    QFETCH(bool, editing);
    QFETCH(int, rowAfter);
    QFETCH(int, keyAfter);
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QStringList events;
    t.setBeforeDelete([&] {
        events << "before " + t.asString("artikul");
        return true;
    });
    connect(&t, &OrderTable::afterDelete, this, [&] { events << QString("after %1").arg(t.recordCount()); });
    QVERIFY(t.open());
    QVERIFY(t.moveTo(row));
    const QString artikul = t.asString("artikul");
    const int key = reg.currentKey();
    if (editing) {
        QVERIFY(t.edit());
        QVERIFY(t.setValue("artikul", "changed"));
    }
    QVERIFY(t.remove());
    QCOMPARE(events, QStringList({"before " + (editing ? QString("changed") : artikul), "after 5"}));
    QCOMPARE(t.state(), TableState::Browse);
    QCOMPARE(t.currentRow(), rowAfter);
    QCOMPARE(reg.currentKey(), keyAfter);
    QVERIFY(!reg.stored(key, "key").isValid());
    QVERIFY(!reg.viewKeys().contains(key));

    // A refusing hook keeps the line.
    t.setBeforeDelete([] { return false; });
    QVERIFY(!t.remove());
    QCOMPARE(reg.storedCount(), 5);
    QVERIFY(reg.errors.isEmpty());
}

void TestData::cancelRestoresLine() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.moveTo(3));
    QVERIFY(t.edit());
    QVERIFY(t.setValue("artikul", "other"));
    QCOMPARE(t.cellText(3, OrderColumns::Artikul), QString("other"));
    t.cancel();
    QCOMPARE(t.state(), TableState::Browse);
    QCOMPARE(t.asString("artikul"), QString("apron"));
    QCOMPARE(reg.stored(4, "artikul").toString(), QString("apron"));

    QSignalSpy resets(&t, &OrderTable::viewReset);
    QSignalSpy shown(&t, &OrderTable::newLineShown);
    QSignalSpy dropped(&t, &OrderTable::newLineDropped);
    QVERIFY(t.append());
    QCOMPARE(t.currentRow(), 6);
    t.cancel();
    QCOMPARE(shown.count(), 1); // the extra row came and went,
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(resets.count(), 0); // without resetting the other rows
    QCOMPARE(t.currentRow(), 3);
    QCOMPARE(t.viewRowCount(), 6);
}

void TestData::sortOrder_data() {
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QVector<int>>("keys");
    // Letter case is ignored for Latin and Cyrillic; equal values keep key order.
    // The Bulgarian alphabetical order puts Cyrillic before Latin.
    QTest::addRow("article ascending") << "artikul" << QVector<int>{1, 3, 6, 4, 2, 5};
    QTest::addRow("article descending") << "artikul DESC" << QVector<int>{2, 5, 4, 6, 1, 3};
    QTest::addRow("supplier, ties by key") << "dostavcik" << QVector<int>{1, 3, 5, 2, 4, 6};
    QTest::addRow("supplier descending") << "dostavcik DESC" << QVector<int>{2, 4, 6, 1, 3, 5};
    QTest::addRow("ordered count descending") << "paracbr DESC" << QVector<int>{6, 5, 4, 3, 2, 1};
    QTest::addRow("money, ties by key") << "pokupnacena" << QVector<int>{1, 2, 3, 4, 5, 6};
    QTest::addRow("key descending") << "key DESC" << QVector<int>{6, 5, 4, 3, 2, 1};
    QTest::addRow("batch then key") << "batch" << QVector<int>{1, 3, 4, 2, 5, 6};
}

void TestData::sortOrder() {
    QFETCH(QString, sort);
    QFETCH(QVector<int>, keys);
    // Sorting before opening and after gives the same view.
    for (bool beforeOpen : {true, false}) {
        Register reg(Mixed);
        if (beforeOpen)
            QVERIFY(reg.table->setSort(sort));
        QVERIFY(reg.table->open());
        QVERIFY(reg.table->setSort(sort));
        QCOMPARE(reg.table->sort(), sort);
        QCOMPARE(reg.viewKeys(), keys);
        QVERIFY(reg.errors.isEmpty());
    }
}

void TestData::sortKeepsCurrentAndPendingLine() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.moveTo(1)); // key 2
    QVERIFY(t.edit());
    QVERIFY(t.setValue("cvet", "blue"));
    QVERIFY(t.setSort("artikul DESC"));
    QCOMPARE(t.state(), TableState::Edit);
    QCOMPARE(t.currentRow(), 0);
    QCOMPARE(t.asString("cvet"), QString("blue"));
    QVERIFY(t.post());
    QCOMPARE(reg.currentKey(), 2);

    QVERIFY(t.append());
    QVERIFY(t.setValue("artikul", "Ц"));
    QVERIFY(t.setSort("artikul"));
    QCOMPARE(t.state(), TableState::Insert);
    QCOMPARE(t.currentRow(), 6);
    QCOMPARE(t.cellText(6, OrderColumns::Artikul), QString("Ц"));
}

void TestData::sortUnknownColumnRefused() {
    Register reg(Mixed);
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->setSort("artikul"));
    QVERIFY(!reg.table->setSort("nosuch DESC"));
    QVERIFY(!reg.table->setSort("artikul sideways"));
    QCOMPARE(reg.errors, QStringList({"Field 'nosuch' not found", "Invalid sort order 'artikul sideways'"}));
    QCOMPARE(reg.table->sort(), QString("artikul"));
    QCOMPARE(reg.viewKeys(), QVector<int>({1, 3, 6, 4, 2, 5}));
}

void TestData::unchangedSortDoesNothing() {
    Register reg(Mixed);
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->moveTo(2));
    QSignalSpy resets(reg.table.get(), &OrderTable::viewReset);
    QVERIFY(reg.table->setSort("key"));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(reg.table->currentRow(), 2);
}

void TestData::bookmarksSurviveResorts() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.moveTo(4));
    const QString mark = t.bookmark();
    QCOMPARE(mark, QString("5"));
    for (const char* sort : {"artikul", "artikul DESC", "dostavcik", "key DESC"}) {
        QVERIFY(t.setSort(sort));
        QCOMPARE(reg.currentKey(), 5);
        QVERIFY(t.first());
        QVERIFY(t.gotoBookmark(mark));
        QCOMPARE(reg.currentKey(), 5);
    }
    QVERIFY(t.remove());
    QVERIFY(!t.gotoBookmark(mark));
    QCOMPARE(reg.errors, QStringList{"Record not found"});
    QVERIFY(!t.gotoBookmark(QString()));
    QCOMPARE(reg.errors.size(), 1);
}

void TestData::storedLinesTakeSortedPlace_data() {
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("artikul");
    QTest::addColumn<int>("row");
    QTest::addRow("key order: at the end") << "key"
                                           << "a" << 6;
    QTest::addRow("key descending: at the top") << "key DESC"
                                                << "a" << 0;
    QTest::addRow("new article among others") << "artikul"
                                              << "BLUSE" << 6;
    QTest::addRow("new distinct article") << "artikul"
                                          << "Зебра" << 2;
    QTest::addRow("new distinct article, descending") << "artikul DESC"
                                                      << "Зебра" << 4;
}

void TestData::storedLinesTakeSortedPlace() {
    QFETCH(QString, sort);
    QFETCH(QString, artikul);
    QFETCH(int, row);
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.setSort(sort));
    QVERIFY(t.append());
    QVERIFY(t.setValue("artikul", artikul));
    QVERIFY(t.post());
    QCOMPARE(reg.currentKey(), 7);
    QCOMPARE(t.currentRow(), row);
    // The same place as a fresh sort of the stored lines gives.
    const QVector<int> kept = reg.viewKeys();
    QVERIFY(t.setSort("key"));
    QVERIFY(t.setSort(sort));
    QCOMPARE(reg.viewKeys(), kept);

    // An edit that changes the sort column moves the line to its new place.
    if (sort.startsWith("artikul")) {
        QVERIFY(t.gotoBookmark("7"));
        QVERIFY(t.edit());
        QVERIFY(t.setValue("artikul", "ААА"));
        QVERIFY(t.post());
        QCOMPARE(t.currentRow(), sort.endsWith("DESC") ? 6 : 0);
        QCOMPARE(reg.currentKey(), 7);
    }
}

void TestData::numberSortSignAndNull() {
    Register reg(Mixed);
    QVERIFY(
        reg.db.execute("UPDATE Table1 SET paracbr = CASE key WHEN 1 THEN 5 WHEN 2 THEN -3 WHEN 3 THEN NULL "
                       "WHEN 4 THEN 0 WHEN 5 THEN -3 ELSE 2147483647 END"));
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->setSort("paracbr"));
    QCOMPARE(reg.viewKeys(), QVector<int>({3, 2, 5, 4, 1, 6}));
    QVERIFY(reg.table->setSort("paracbr DESC"));
    QCOMPARE(reg.viewKeys(), QVector<int>({6, 1, 4, 2, 5, 3}));
}

void TestData::cachesStayInStepWithStores_data() {
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QVariantList>("values");
    const QVariantList texts = {"Ёлка", "ёлка", "apron", "Zz", "", QVariant(), "жилетка", "Ábc", "abc"};
    QTest::addRow("article") << "artikul" << texts;
    QTest::addRow("article descending") << "artikul DESC" << texts;
    QTest::addRow("note") << "belejka" << texts;
    QTest::addRow("ordered descending")
        << "paracbr DESC" << QVariantList{-5, 7, 0, QVariant(), 3, 7, -5, 1, 2};
    QTest::addRow("money") << "obsto"
                           << QVariantList{"0.0001", "-2", QVariant(), "1", "0", "1", "3.5", "-2", "9"};
    QTest::addRow("date") << "date"
                          << QVariantList{QDate(2020, 1, 1), QDate(1999, 12, 31), QVariant(),
                                          QDate(2020, 1, 1), QDate(2030, 5, 5),   QDate(2000, 1, 1),
                                          QVariant(),        QDate(2001, 1, 1),   QDate(1990, 1, 1)};
}

void TestData::cachesStayInStepWithStores() {
    QFETCH(QString, sort);
    QFETCH(QVariantList, values);
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    const QString column = sort.section(' ', 0, 0);
    QVERIFY(t.open());
    QVERIFY(t.setSort(sort)); // the column is now cached and kept up to date
    for (int i = 0; i < values.size(); ++i) {
        if (i % 3 == 2) { // change an existing line
            QVERIFY(t.moveTo(i % t.recordCount()));
            QVERIFY(t.edit());
        } else {
            QVERIFY(t.append());
        }
        QVERIFY(t.setValue(column, values[i]));
        QVERIFY(t.post());
        QCOMPARE(t.value(column), t.cellValue(t.currentRow(), OrderColumns::indexOf(column)));
        if (i == 4) {
            QVERIFY(t.moveTo(1));
            QVERIFY(t.remove());
        }
    }
    OrderTable fresh(reg.db);
    QVERIFY(fresh.setSort(sort));
    QVERIFY(fresh.open());
    QCOMPARE(reg.viewKeys(), keysOf(fresh));
    QVERIFY(reg.errors.isEmpty());
}

void TestData::filterReselectsAndMovesToFirst() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.setSort("artikul DESC"));
    QVERIFY(t.open());
    QVERIFY(t.moveTo(3));
    QVERIFY(t.setFilterText("dostavcik = 'Ann''s'")); // stored only while off
    QCOMPARE(t.recordCount(), 6);
    QSignalSpy resets(&t, &OrderTable::viewReset);
    QVERIFY(t.setFiltered(true));
    QCOMPARE(reg.viewKeys(), QVector<int>({5, 1, 3}));
    QCOMPARE(t.currentRow(), 0);
    QCOMPARE(resets.count(), 1);
    QVERIFY(t.moveTo(2));
    QVERIFY(t.setFilterText("(dostavcik = 'Zeta') AND (batch = 'B2')"));
    QCOMPARE(reg.viewKeys(), QVector<int>({2, 6}));
    QCOMPARE(t.currentRow(), 0);
    QVERIFY(t.setFiltered(false));
    QCOMPARE(t.recordCount(), 6);
    QVERIFY(reg.errors.isEmpty());
}

void TestData::filterRefusedSettleChangesNothing() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    t.setBeforePost([] { return false; });
    QVERIFY(t.open());
    QVERIFY(t.moveTo(3));
    QVERIFY(t.edit());
    QVERIFY(t.setValue("artikul", "x"));
    QVERIFY(t.setFilterText("dostavcik = 'Zeta'"));
    QVERIFY(!t.setFiltered(true));
    QVERIFY(!t.isFiltered());
    QCOMPARE(t.recordCount(), 6);
    QCOMPARE(t.currentRow(), 3);
    QCOMPARE(t.state(), TableState::Edit);
}

void TestData::invalidFilterKeepsView() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.moveTo(2));
    QVERIFY(t.setFilterText("nosuch = 1"));
    QVERIFY(!t.setFiltered(true));
    QCOMPARE(reg.errors,
             QStringList{TempAppDir::byEngine("no such column: nosuch", "column \"nosuch\" does not exist")});
    QVERIFY(!t.isFiltered());
    QVERIFY(t.setFilterText("1); DELETE FROM Table1; SELECT (1"));
    QVERIFY(!t.setFiltered(true));
    QCOMPARE(reg.errors.size(), 2);
    QCOMPARE(reg.storedCount(), 6);
    QCOMPARE(t.recordCount(), 6);
    QCOMPARE(t.currentRow(), 2);
}

void TestData::sumsFollowView() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    ViewSums sums;
    QVERIFY(t.sums(&sums));
    QCOMPARE(sums.count, 6);
    QCOMPARE(sums.pieces, 21);
    QCOMPARE(sums.money, Currency::fromUnits(21 * 10000));
    // A line with no counts is counted and adds nothing, whether the sums
    // come with the view's keys or are asked for apart.
    reg.other().run("INSERT INTO Table1 (dostavcik, polucbr, obsto) VALUES ('Ann''s', NULL, NULL)");
    ViewSums withView;
    QVERIFY(t.setFilter("dostavcik = 'Ann''s'", true, &withView));
    QVERIFY(t.sums(&sums));
    for (const ViewSums& read : {withView, sums}) {
        QCOMPARE(read.count, 4);
        QCOMPARE(read.pieces, 9);
        QCOMPARE(read.money, Currency::fromUnits(9 * 10000));
    }
    reg.other().run("DELETE FROM Table1 WHERE polucbr IS NULL");
    QVERIFY(t.refresh(&sums));
    QCOMPARE(sums.count, 3);
    QCOMPARE(sums.pieces, 9);
    // A line stored with another supplier stays in the view and in its sums.
    QVERIFY(t.append());
    QVERIFY(t.setValue("dostavcik", "Zeta"));
    QVERIFY(t.setValue("polucbr", 100));
    QVERIFY(t.setValue("obsto", "0.5"));
    QVERIFY(t.post());
    QCOMPARE(t.recordCount(), 4);
    QVERIFY(t.sums(&sums));
    QCOMPARE(sums.count, 4);
    QCOMPARE(sums.pieces, 109);
    QCOMPARE(sums.money, Currency::fromUnits(9 * 10000 + 5000));
    QVERIFY(t.remove());
    QVERIFY(t.sums(&sums));
    QCOMPARE(sums.count, 3);
}

void TestData::textCutToWidth_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    const QString fifty = QString(50, u'ж');
    QTest::addRow("batch of 9") << "batch"
                                << "2024-03AB"
                                << "2024-03";
    QTest::addRow("batch of 7") << "batch"
                                << "ИСТ-12Б"
                                << "ИСТ-12Б";
    QTest::addRow("article of 51") << "artikul" << fifty + "x" << fifty;
    QTest::addRow("note is not cut") << "belejka" << QString(300, u'n') << QString(300, u'n');
    // A character of two UTF-16 units at the limit is not cut in half.
    QTest::addRow("no half character") << "batch" << QStringLiteral("ABCDEF\U0001F600") << "ABCDEF";
}

void TestData::textCutToWidth() {
    QFETCH(QString, column);
    QFETCH(QString, input);
    QFETCH(QString, stored);
    Register reg;
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->append());
    QVERIFY(reg.table->setValue(column, input));
    QCOMPARE(reg.table->asString(column), stored);
    QVERIFY(reg.table->post());
    QCOMPARE(reg.stored(1, column).toString(), stored);
}

void TestData::invalidNumbersRefused_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QString>("message");
    QTest::addRow("letters for a count")
        << "paracbr" << QVariant("12a") << "'12a' is not a valid integer value";
    QTest::addRow("fraction for a count")
        << "paracbr" << QVariant("1.5") << "'1.5' is not a whole number; counts are whole numbers";
    QTest::addRow("count beyond 32 bits")
        << "dostavbr" << QVariant("2147483648") << "'2147483648' is not a valid integer value";
    QTest::addRow("letters for money") << "edro" << QVariant("abc") << "'abc' is not a valid currency value";
    QTest::addRow("money beyond its range") << "edro" << QVariant("922337203685477.5808")
                                            << "'922337203685477.5808' is not a valid currency value";
    QTest::addRow("text for a date") << "date" << QVariant("soon") << "'soon' is not a valid date";
}

void TestData::invalidNumbersRefused() {
    QFETCH(QString, column);
    QFETCH(QVariant, input);
    QFETCH(QString, message);
    Register reg(Mixed);
    QVERIFY(reg.table->open());
    QVERIFY(reg.table->edit());
    const QVariant before = reg.table->value(column);
    QVERIFY(!reg.table->setValue(column, input));
    QCOMPARE(reg.errors, QStringList{message});
    QCOMPARE(reg.table->value(column), before);
    QVERIFY(!reg.table->isModified());
}

void TestData::currencyTakesItsWholeRange() {
    Currency value;
    QVERIFY(Currency::parse("922337203685477.5807", &value));
    QCOMPARE(value.units(), Q_INT64_C(9223372036854775807));
    QVERIFY(Currency::parse("-922337203685477.5808", &value));
    QCOMPARE(value.units(), std::numeric_limits<qint64>::min());
    QCOMPARE(value.toString(QLocale::c()), "-922337203685477.5808");
    QVERIFY(!Currency::parse("922337203685477.5808", &value));
    // More decimals than four are rounded, a half to the even neighbour.
    const QList<QPair<QString, qint64>> rounded{
        {"0.33335", 3334}, {"0.33345", 3334}, {"0.333451", 3335}, {"0.99995", 10000}, {"-0.00005", 0}};
    for (const auto& [text, units] : rounded) {
        QVERIFY2(Currency::parse(text, &value), qPrintable(text));
        QCOMPARE(value.units(), units);
    }
    QVERIFY(!Currency::parse("99999999999999999999", &value));
}

void TestData::currencyIsExact() {
    Register reg;
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(t.append());
        QVERIFY(t.setValue("pokupnacena", "0.3333"));
        QVERIFY(t.setValue("paracbr", "3"));
        Currency money;
        QVERIFY(Currency::multiply(t.asCurrency("pokupnacena"), t.asInteger("paracbr"), &money));
        QVERIFY(t.setValue("obsto", QVariant::fromValue(money)));
        QVERIFY(t.post());
    }
    QCOMPARE(reg.stored(1, "pokupnacena").toLongLong(), 3333);
    QCOMPARE(reg.stored(1, "obsto").toLongLong(), 9999);
    QVERIFY(t.first());
    QCOMPARE(t.asCurrency("obsto"), Currency::fromUnits(9999));
    QCOMPARE(t.asString("pokupnacena"), Currency::fromUnits(3333).toString(QLocale()));
    QCOMPARE(t.asFloat("obsto"), 0.9999);
    ViewSums sums;
    QVERIFY(t.sums(&sums));
    QCOMPARE(sums.money, Currency::fromUnits(29997));
    // Whole numbers and doubles are amounts, not ten-thousandths.
    QVERIFY(t.edit());
    QVERIFY(t.setValue("edro", 7));
    QVERIFY(t.setValue("drebno", 0.1 + 0.2));
    QCOMPARE(t.asCurrency("edro"), Currency::fromUnits(70000));
    QCOMPARE(t.asCurrency("drebno"), Currency::fromUnits(3000));
}

void TestData::newLineWritesNullsAndNoKey() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.append());
    QVERIFY(t.isNull("paracbr"));
    QCOMPARE(t.asInteger("paracbr"), 0);
    QCOMPARE(t.asString("artikul"), QString());
    QVERIFY(t.setValue("artikul", "x"));
    QVERIFY(t.setValue("date", QDate(2026, 12, 7)));
    QVERIFY(t.setValue("nomcuval", QString()));
    QVERIFY(t.post());
    QCOMPARE(reg.currentKey(), 7);
    QCOMPARE(reg.stored(7, "date").toString(), QString("2026-12-07"));
    QCOMPARE(t.asDate("date"), QDate(2026, 12, 7));
    QCOMPARE(t.cellText(6, OrderColumns::Date), QString("2026-12-07"));
    QVERIFY(t.isNull("nomcuval"));
    QVERIFY(!reg.stored(7, "nomcuval").isValid() || reg.stored(7, "nomcuval").isNull());
}

void TestData::noteDisplayTextTrimmed() {
    Register reg;
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QVERIFY(t.append());
    const QString note = "  \t first line\r\nsecond \r\n\r\n";
    QVERIFY(t.setValue("belejka", note));
    QVERIFY(t.setValue("firmetiket", "  label  "));
    QVERIFY(t.post());
    QCOMPARE(t.cellText(0, OrderColumns::Belejka), QString("first line\r\nsecond"));
    QCOMPARE(t.cellText(0, OrderColumns::Firmetiket), QString("  label  "));
    QCOMPARE(t.asString("belejka"), note);
    QCOMPARE(reg.stored(1, "belejka").toString(), note);
}

void TestData::engineRefusalReportsPostErrorFirst() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    reg.other().refuse("INSERT", "the engine refuses");
    QStringList events;
    t.setErrorSink([&](const QString& message) { events << "sink: " + message; });
    connect(&t, &OrderTable::postError, this, [&](const QString& message) {
        events << "postError: " + message;
        t.cancel(); // what the window's handler does
    });
    QSignalSpy afterPost(&t, &OrderTable::afterPost);
    QVERIFY(t.open());
    QVERIFY(t.moveTo(2));
    QVERIFY(t.append());
    QVERIFY(t.setValue("artikul", "x"));
    QVERIFY(!t.post());
    QCOMPARE(events, QStringList({"postError: the engine refuses", "sink: the engine refuses"}));
    QCOMPARE(t.state(), TableState::Browse);
    QCOMPARE(t.currentRow(), 2);
    QCOMPARE(t.viewRowCount(), 6);
    QCOMPARE(reg.storedCount(), 6);
    QCOMPARE(afterPost.count(), 0);
}

void TestData::vanishedLineFailsUpdate() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QSignalSpy postErrors(&t, &OrderTable::postError);
    QVERIFY(t.open());
    QVERIFY(t.edit());
    QVERIFY(t.setValue("artikul", "x"));
    QVERIFY(reg.db.execute("DELETE FROM Table1 WHERE key = 1"));
    QVERIFY(!t.post());
    QCOMPARE(postErrors.count(), 1);
    QCOMPARE(reg.errors.size(), 1);
    QVERIFY2(reg.errors[0].startsWith("This line was changed by another user (or deleted)"),
             qPrintable(reg.errors[0]));
    QCOMPARE(reg.storedCount(), 5);
}

void TestData::disabledControlsReportOnce() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    QVERIFY(t.open());
    QSignalSpy data(&t, &OrderTable::dataChanged);
    QSignalSpy resets(&t, &OrderTable::viewReset);
    QSignalSpy rows(&t, &OrderTable::rowChanged);
    QSignalSpy moves(&t, &OrderTable::currentRowChanged);
    QSignalSpy states(&t, &OrderTable::stateChanged);
    t.disableControls();
    t.disableControls();
    for (t.first(); !t.eof(); t.next()) {
    }
    QVERIFY(t.edit());
    QVERIFY(t.setValue("cvet", "x"));
    QVERIFY(t.setSort("artikul"));
    QVERIFY(t.post());
    t.enableControls();
    QVERIFY(t.controlsDisabled());
    QCOMPARE(data.count() + resets.count() + rows.count() + moves.count(), 0);
    QCOMPARE(states.count(), 2); // still told: the mode shows in the status bar
    t.enableControls();
    QVERIFY(!t.controlsDisabled());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).toInt(), -1);
    QCOMPARE(rows.count(), 0);
}

void TestData::gridModelFollowsTable() {
    Register reg(Mixed);
    OrderTable& t = *reg.table;
    OrderGridModel model(t);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), int(OrderColumns::Count));
    QVERIFY(t.open());
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(model.index(3, OrderColumns::Artikul).data().toString(), QString("apron"));
    QCOMPARE(model.index(0, OrderColumns::Pokupnacena).data().toString(),
             Currency::fromUnits(10000).toString());
    QCOMPARE(model.headerData(OrderColumns::Pokupnacena, Qt::Horizontal).toString(), QString("p.price"));
    QVERIFY(!(model.flags(model.index(0, OrderColumns::Key)) & Qt::ItemIsEditable));

    QVERIFY(t.append());
    QCOMPARE(model.rowCount(), 7);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(t.setValue("artikul", "new"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 6);
    QCOMPARE(model.index(6, OrderColumns::Artikul).data().toString(), QString("new"));
    QVERIFY(t.post());
    QCOMPARE(model.rowCount(), 7);
    QVERIFY(t.append());
    QCOMPARE(model.rowCount(), 8);
    t.cancel();
    QCOMPARE(model.rowCount(), 7);
    QVERIFY(t.setSort("artikul DESC"));
    QCOMPARE(model.index(0, OrderColumns::Artikul).data().toString(), QString("new"));
    QVERIFY(t.setFilterText("dostavcik = 'Zeta'"));
    QVERIFY(t.setFiltered(true));
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(t.remove());
    QCOMPARE(model.rowCount(), 2);
    t.close();
    QCOMPARE(model.rowCount(), 0);
}

void TestData::gridTitleColours() {
    Register reg(Mixed);
    OrderGridModel model(*reg.table);
    const QColor green(0xA5, 0xDB, 0x92);
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    QCOMPARE(model.headerData(OrderColumns::Key, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
             green);
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    model.setSortTitleColumn(OrderColumns::Artikul);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(
        model.headerData(OrderColumns::Artikul, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(),
        green);
    for (int column : {int(OrderColumns::Key), int(OrderColumns::Batch), int(OrderColumns::Dostavcik),
                       OrderColumns::Count - 1})
        QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), face);
}

void TestData::registerVersions_data() {
    const QString file = QStringLiteral("db1.mdb");
    const QString server = QStringLiteral("The register on the server");
    const QString newer =
        QStringLiteral("%1 was made by a newer version of the program (register version 2; this "
                       "program knows up to version 1). Use the newer program.");
    const QString failed =
        QStringLiteral("%1 could not be upgraded from version 1 to version 2 (%2); it was left "
                       "as it was.");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QStringList>("damage"); // run on the register after it is made
    QTest::addColumn<int>("known");          // the version the program knows up to
    QTest::addColumn<bool>("failingStep");   // the step to version 2 fails halfway
    // Another program: "connected" to the register, or "upgrading" it (it
    // holds the write lock for the same step and finishes while this one
    // waits); "no copy": a file stands where the folder of copies goes.
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("message"); // empty: opens
    QTest::addColumn<int>("versionAfter");
    QTest::addColumn<bool>("upgraded");
    QTest::addRow("no version kept: the first layout")
        << 0 << QStringList() << 1 << false << QString() << "" << 0 << false;
    QTest::addRow("made by this program")
        << -1 << QStringList() << 1 << false << QString() << "" << 1 << false;
    QTest::addRow("no version kept, upgraded")
        << 0 << QStringList() << 2 << false << QString() << "" << 2 << true;
    QTest::addRow("version 1 upgraded") << 1 << QStringList() << 2 << false << QString() << "" << 2 << true;
    QTest::addRow("newer register refused")
        << 2 << QStringList() << 1 << false << QString()
        << TempAppDir::byEngine(newer.arg(file), newer.arg(server)) << 2 << false;
    QTest::addRow("failing step keeps nothing")
        << 1 << QStringList() << 2 << true << QString()
        << TempAppDir::byEngine(failed.arg(file, "no such table: no_such_table"),
                                failed.arg(server, "relation \"no_such_table\" does not exist"))
        << 1 << false;
    // The file has no such rule: its engine locks it for the transaction.
    QTest::addRow("another program connected")
        << 1 << QStringList() << 2 << false << "connected"
        << TempAppDir::byEngine("",
                                "The register on the server must be upgraded from version 1 to version 2, "
                                "which is only done while no other program is connected to its database (1 "
                                "connected now): close the program on the other computers and start it again "
                                "here first.")
        << (TempAppDir::onServer() ? 1 : 2) << !TempAppDir::onServer();
    const QString wrongTable =
        QStringLiteral("The register on the server cannot be opened: its version table "
                       "register_version holds %1 where it must hold exactly one row, the "
                       "register's version. Put the right version back in it alone.");
    const QString wrongValue =
        QStringLiteral("%1 cannot be opened: %2 holds \"%3\", which is not a version: it must "
                       "be a whole number from %4 to 2147483647. Put the right version back.");
    const QString serverTable = QStringLiteral("its version table register_version");
    const QStringList toText{"ALTER TABLE register_version ALTER COLUMN version TYPE text"};
    QTest::addRow("negative version refused")
        << -1
        << QStringList{TempAppDir::byEngine("PRAGMA user_version = -5",
                                            "UPDATE register_version SET version = -5")}
        << 1 << false << QString()
        << TempAppDir::byEngine(wrongValue.arg(file, "its version (PRAGMA user_version)", "-5", "0"),
                                wrongValue.arg(server, serverTable, "-5", "1"))
        << -5 << false;
    if (!TempAppDir::onServer()) {
        QTest::addRow("another program upgrading at the same moment: the step runs once")
            << 1 << QStringList() << 2 << false << "upgrading"
            << "" << 2 << true;
        QTest::addRow("copy before the upgrade fails: nothing upgraded")
            << 1 << QStringList() << 2 << false << "no copy"
            << "db1.mdb was not upgraded from version 1 to version 2: its copy before the upgrade failed: "
               "the "
               "folder %1 cannot be created" // the folder's path
            << 1 << false;
        return;
    }
    QTest::addRow("version table emptied") << -1 << QStringList{"DELETE FROM register_version"} << 1 << false
                                           << QString() << wrongTable.arg("no row") << -2 << false;
    QTest::addRow("versions 1 and 2")
        << -1 << QStringList{"INSERT INTO register_version VALUES (2)"} << 2 << false << QString()
        << wrongTable.arg("more than one row") << -2 << false;
    QTest::addRow("versions 2 and 99")
        << -1
        << QStringList{"UPDATE register_version SET version = 2", "INSERT INTO register_version VALUES (99)"}
        << 2 << false << QString() << wrongTable.arg("more than one row") << -2 << false;
    QTest::addRow("version not a number")
        << -1 << (toText + QStringList{"UPDATE register_version SET version = 'garbage'"}) << 1 << false
        << QString() << wrongValue.arg(server, serverTable, "garbage", "1") << -2 << false;
    QTest::addRow("version out of range")
        << -1 << (toText + QStringList{"UPDATE register_version SET version = '9999999999'"}) << 1 << false
        << QString() << wrongValue.arg(server, serverTable, "9999999999", "1") << -2 << false;
}

void TestData::registerVersions() {
    QFETCH(int, stored);
    QFETCH(QStringList, damage);
    QFETCH(int, known);
    QFETCH(bool, failingStep);
    QFETCH(QString, other);
    QFETCH(QString, message);
    QFETCH(int, versionAfter);
    QFETCH(bool, upgraded);
    // Every program of the case, the setup's too, knows up to version 1, or
    // has a step to version 2 that adds a column to both engines' Table1.
    std::optional<RegisterVersion::StepsOverride> program;
    program.emplace(QVector<UpgradeStep>{});
    TempAppDir dir(!TempAppDir::onServer());
    if (other == "no copy")
        message = message.arg(QDir::toNativeSeparators(dir.filePath("backups")));
    // On a server it also adds the program's own shared tables, which the
    // setup's register has already: a step makes only what is missing.
    UpgradeStep season{2,
                       {"ALTER TABLE Table1 ADD COLUMN season TEXT DEFAULT ''"},
                       SharedStore::schemaStatements()
                           << "ALTER TABLE Table1 ADD COLUMN season text DEFAULT ''"};
    if (failingStep) {
        season.fileSql << "INSERT INTO no_such_table VALUES (1)";
        season.serverSql << "INSERT INTO no_such_table VALUES (1)";
    }
    const QString path = makeVersionedRegister(dir, stored);
    for (const QString& sql : damage) // past the program, which may refuse the register meanwhile
        TempAppDir::onServer() ? runOn(versionDatabaseSetting(), sql) : void(OtherClient(dir).run(sql));
    if (TempAppDir::onServer())
        awaitNoConnections();
    std::unique_ptr<OtherClient> connected;
    if (other == "connected")
        connected = std::make_unique<OtherClient>(dir);
    if (other == "no copy")
        dir.writeFile("backups", "not a folder");
    const QByteArray before = dir.readFile("db1.mdb");
    if (known == 2)
        program.emplace(QVector<UpgradeStep>{season});
    std::optional<UpgradingProgram> upgrading;
    if (other == "upgrading")
        upgrading.emplace(path, season.fileSql.first());

    {
        Database db;
        const bool opened = db.open(dir.path());
        upgrading.reset();
        QCOMPARE(db.errorString(), message);
        QCOMPARE(opened, message.isEmpty());
    }
    connected.reset();
    const RegisterState after{versionAfter, upgraded, 1};
    const QString backup = RegisterUpgrade::backupPath(dir.path(), 2);
    if (TempAppDir::onServer()) {
        QCOMPARE(serverState(versionDatabaseSetting()), after);
        return;
    }
    QCOMPARE(fileState(path), after);
    if (stored > known)
        QCOMPARE(dir.readFile("db1.mdb"), before);
    // The copy made just before holds the register as it was.
    const bool copied = known > qMax(stored, 1) && other != "no copy";
    QCOMPARE(QFileInfo::exists(backup), copied);
    if (copied)
        QCOMPARE(fileState(backup), (RegisterState{stored, false, 1}));
}

// The program's own steps to versions 2 and 3 give a server register made
// before them the tables of lists and photos the clerks share, and the
// photos' previews; a file register keeps
// its side files, its layout and so its version 1, and is not copied first.
void TestData::sharedTablesComeWithVersionTwo() {
    TempAppDir dir(!TempAppDir::onServer());
    makeVersionedRegister(dir, 1);
    if (TempAppDir::onServer()) {
        runOn(versionDatabaseSetting(), "DROP TABLE shared_texts, shared_photos");
        runOn(versionDatabaseSetting(), "DROP SEQUENCE shared_versions");
        awaitNoConnections();
    }
    {
        Database db;
        QVERIFY2(db.open(dir.path()), qPrintable(db.errorString()));
    }
    // The file's layout moves on only with a later step's own tables.
    if (!TempAppDir::onServer()) {
        QCOMPARE(fileState(dir.databasePath()).version, RegisterVersion::fileCurrent());
        QVERIFY(!QFileInfo::exists(RegisterUpgrade::backupPath(dir.path(), 2)));
        return;
    }
    // Steps 2 and 3 (the previews' column) in order, and whatever later steps the program has.
    QCOMPARE(serverState(versionDatabaseSetting()).version, RegisterVersion::current());
    PostgresEngine engine;
    QString error;
    QVERIFY(engine.connect(versionDatabaseSetting(), &error));
    SharedStore store(engine);
    QCOMPARE(store.writeText("suppliers", "Zara", 0, &error), SharedStore::Written::Done);
    qint64 version = 0;
    QVERIFY2(store.writePhoto("c3", "7", "jpeg bytes", "preview bytes", &version, &error), qPrintable(error));
    QCOMPARE(store.readPhoto("c3", "7", 0, 100).jpeg, QByteArray("jpeg bytes"));
    QCOMPARE(store.readPreview("c3", "7", 0, 100).jpeg, QByteArray("preview bytes"));
}

// A column given a version already released would never reach the
// registers of that version: their upgrade has run.
void TestData::upgradeStepsAscendToTheProgram() {
    const QVector<UpgradeStep>& steps = RegisterVersion::steps();
    for (int i = 1; i < steps.size(); ++i)
        QVERIFY2(steps[i - 1].version < steps[i].version, qPrintable(QString::number(steps[i].version)));
    QCOMPARE(steps.last().version, RegisterVersion::Program);
    for (int column = 1; column < OrderColumns::Count; ++column)
        QVERIFY2(OrderColumns::at(column - 1).version <= OrderColumns::at(column).version,
                 OrderColumns::at(column).name);
    QVERIFY(OrderColumns::at(OrderColumns::Count - 1).version <= RegisterVersion::Program);
    // The released layouts, each up to its last column.
    const QVector<QPair<int, int>> released{{1, OrderColumns::Photo}, {2, OrderColumns::Photo}};
    for (const auto& [version, last] : released)
        for (int column = 0; column < OrderColumns::Count; ++column)
            QCOMPARE(OrderColumns::inVersion(column, version), column <= last);
}

// The step's own layout check refuses it inside its transaction: committed,
// the register would be refused by the same program at every start.
void TestData::stepLeavingAWrongTypeKeepsNothing() {
    // The setup's register is made by a program that knows version 1 only.
    std::optional<RegisterVersion::StepsOverride> program;
    program.emplace(QVector<UpgradeStep>{});
    TempAppDir dir(!TempAppDir::onServer());
    const QString path = makeVersionedRegister(dir, 1);
    if (TempAppDir::onServer())
        awaitNoConnections();
    program.emplace(QVector<UpgradeStep>{
        {2,
         {"ALTER TABLE Table1 DROP COLUMN photo", "ALTER TABLE Table1 ADD COLUMN photo TEXT DEFAULT ''"},
         {"ALTER TABLE Table1 ALTER COLUMN photo TYPE text"}}});
    {
        Database db;
        QVERIFY(!db.open(dir.path()));
        const QString where = TempAppDir::byEngine("db1.mdb", "The register on the server");
        QCOMPARE(db.errorString(),
                 QStringLiteral("%1 could not be upgraded from version 1 to version 2 (Column photo "
                                "of Table1 holds %2; this register needs %3 there.); it was left "
                                "as it was.")
                     .arg(where, TempAppDir::byEngine("TEXT", "text"),
                          TempAppDir::byEngine("INTEGER", "integer")));
    }
    const RegisterState unchanged{1, false, 1};
    QCOMPARE(TempAppDir::onServer() ? serverState(versionDatabaseSetting()) : fileState(path), unchanged);
}

void TestData::cleanupTestCase() {
    if (TempAppDir::onServer())
        runOn(qEnvironmentVariable("ORDERS_TEST_SERVER") + " dbname=postgres",
              QStringLiteral("DROP DATABASE IF EXISTS versions_%1").arg(QCoreApplication::applicationPid()));
}

QTEST_MAIN(TestData)
#include "tst_data.moc"
