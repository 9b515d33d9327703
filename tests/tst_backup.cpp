// The daily backup: made on a worker thread, checked in full, the oldest
// copies beyond the newest 14 removed only after a good copy, never seen
// under its name before it is whole; a register that fails the check is
// reported as damaged with the newest good copy; and the error box of a
// register that cannot be opened names the newest copy that passes the check.
// A server register's day: one copy a day whoever starts first, a folder
// that opens as a file register with the same lines, lists and photos, and
// nothing kept of a copy that fails its check.

#include "data/OrderColumns.h"
#include "data/PostgresEngine.h"
#include "data/RegisterBackup.h"
#include "data/RegisterTransfer.h"
#include "data/ServerBackup.h"
#include "data/ServerBackupDay.h"
#include "support/OtherClient.h"
#include "support/WindowFixture.h"
#include "transfer/SideFilesBackup.h"
#include "transfer/SideFilesMove.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>
#include <sqlite3.h>

namespace {

const QDate Today(2024, 3, 20);

QString backupName(int daysBefore) {
    return QStringLiteral("db1-%1.mdb").arg(Today.addDays(-daysBefore).toString(Qt::ISODate));
}

QStringList backupNames(int newest, int oldest) {
    QStringList names;
    for (int d = oldest; d >= newest; --d)
        names << backupName(d);
    return names;
}

qint64 lineCount(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Table1", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

void runSql(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s: %s", sql, error);
    sqlite3_close(db);
}

// Damage as a failing disk or an interrupted tool leaves it: "page" zeroes
// the page that holds the lines, "indexes" makes an index disagree with the
// lines (the quick check does not compare the two).
void damage(const QString& path, const QString& kind) {
    if (kind == QLatin1String("indexes")) {
        runSql(path,
               "PRAGMA writable_schema=ON; UPDATE sqlite_schema SET sql = "
               "'CREATE INDEX Table1_batch ON Table1 (artikul, polucbr, obsto)' WHERE name = 'Table1_batch'");
    } else if (kind == QLatin1String("page")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(4096)); // page 2: Table1's lines
        QCOMPARE(file.write(QByteArray(4096, '\0')), 4096);
    } else if (kind == QLatin1String("not a register")) {
        QFile::remove(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    }
}

QString serverName(int daysBefore) {
    return ServerBackup::folderName(Today.addDays(-daysBefore));
}

QStringList serverNames(int newest, int oldest) {
    QStringList names;
    for (int d = oldest; d >= newest; --d)
        names << serverName(d);
    return names;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// Every line of a register, each value as text, in key order.
QStringList lines(Engine& engine) {
    QStringList all;
    QString error;
    engine.query(
        QStringLiteral("SELECT %1 FROM Table1 ORDER BY key").arg(OrderColumns::nameList()), {},
        [&](const EngineRow& row) {
            QStringList values;
            for (int i = 0; i < row.count(); ++i)
                values << (row.isNull(i)
                               ? QStringLiteral("<null>")
                               : QString::fromUtf8(row.text(i).data(), qsizetype(row.text(i).size())));
            all << values.join(u'|');
            return true;
        },
        &error);
    return all;
}

// A server test register with two lines (the key of a third deleted), two
// lists, a company name and three photos, one in no batch folder.
void fillServerRegister(const TempAppDir& dir) {
    WindowFixture::insertLineInto(dir, {{"artikul", "coat"},
                                        {"polucbr", 3},
                                        {"pokupnacena", 125000},
                                        {"obsto", 375000},
                                        {"batch", "A1"},
                                        {"dostavcik", "Мария"}});
    const qint64 gone = WindowFixture::insertLineInto(dir, {{"artikul", "gone"}});
    WindowFixture::insertLineInto(dir, {{"artikul", "dress"}, {"polucbr", 2}, {"belejka", "two\nlines"}});
    OtherClient(dir).run(QStringLiteral("DELETE FROM Table1 WHERE key = ?"), {gone});
    dir.writeFile("Articles.txt", "coat\ndress\n");
    dir.writeFile("Company.txt", "Nelvo Ltd");
    dir.writeFile("pictures/a1/7.jpg", QByteArray(3000, 'x'));
    dir.writeFile("pictures/a1/8.jpg", QByteArray(10, 'y'));
    dir.writeFile("pictures/9.jpg", QByteArray(1, 'z'));
}

QString serverOf(const TempAppDir& dir) {
    QString error;
    return Database::serverSetting(dir.path(), &error);
}

ServerBackup::Result serverBackup(const TempAppDir& dir, QDate day,
                                  const ServerBackup::BeforeCheck& beforeCheck = {}) {
    SideFilesBackup sideFiles;
    std::atomic<bool> cancel{false};
    return ServerBackup::run(dir.path(), serverOf(dir), day, sideFiles, cancel, beforeCheck);
}

#define SKIP_ON_FILE()                                                                                       \
    do {                                                                                                     \
        if (!TempAppDir::onServer())                                                                         \
            QSKIP("about a server register's copy");                                                         \
    } while (false)

const QString Restore = QStringLiteral(
    "The newest backup that passes the check is %1 (to restore it, close the program, delete db1.mdb-wal and "
    "db1.mdb-shm if they are there and copy it over db1.mdb)");

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
  private slots:
    void dailyCopyAndRotation_data();
    void dailyCopyAndRotation();
    void openFailureNamesNewestBackup_data();
    void openFailureNamesNewestBackup();
    void copyIsNamedOnlyWhenWhole();
    void serverCopyOpensAsFileRegister();
    void serverCopyOnceADay_data();
    void serverCopyOnceADay();
    void serverCopyFailingItsCheck_data();
    void serverCopyFailingItsCheck();
    void serverCopyFailureToldInStatusBar();
};

void TestBackup::dailyCopyAndRotation_data() {
    SKIP_ON_SERVER();
    QTest::addColumn<QStringList>("existing"); // copies of the register before the damage
    QTest::addColumn<QString>("damage");       // of db1.mdb
    QTest::addColumn<QString>("damagedCopy");  // an existing copy, kept before the check was full
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("message"); // empty: the backup succeeds; %1: the backups folder
    QTest::addColumn<QStringList>("remaining");

    QTest::addRow("first copy") << QStringList() << ""
                                << "" << true << "" << QStringList{backupName(0)};
    QTest::addRow("fifteenth removes the oldest") << backupNames(1, 14) << ""
                                                  << "" << true << "" << backupNames(0, 13);
    QTest::addRow("all beyond the newest 14 removed") << backupNames(1, 20) << ""
                                                      << "" << true << "" << backupNames(0, 13);
    QTest::addRow("other files are not copies")
        << QStringList{"db1-copy.mdb", "notes.txt", backupName(3)} << ""
        << "" << true << "" << QStringList{backupName(3), backupName(0), "db1-copy.mdb", "notes.txt"};
    QTest::addRow("failed copy removes nothing")
        << backupNames(1, 14) << "not a register"
        << "" << true << "The daily backup of db1.mdb failed: file is not a database" << backupNames(1, 14);
    QTest::addRow("damaged page: nothing kept, nothing removed")
        << backupNames(1, 14) << "page"
        << "" << true
        << "db1.mdb is damaged: the engine's check of today's backup found \"Page 2: btreeInitPage() returns "
           "error "
           "code 11\", so that copy was not kept.\r\n" +
               Restore.arg("%1/" + backupName(1))
        << backupNames(1, 14);
    QTest::addRow("indexes out of step with the lines: the newest good copy named")
        << backupNames(1, 14) << "indexes" << backupName(1) << true
        << "db1.mdb is damaged: the engine's check of today's backup found \"row 1 missing from index "
           "Table1_batch\", so that copy was not kept.\r\n" +
               Restore.arg("%1/" + backupName(2))
        << backupNames(1, 14);
    QTest::addRow("damaged, no good copy")
        << QStringList{backupName(1)} << "indexes" << backupName(1) << true
        << "db1.mdb is damaged: the engine's check of today's backup found \"row 1 missing from index "
           "Table1_batch\", so that copy was not kept.\r\nNo earlier backup passes the check: keep db1.mdb "
           "as it "
           "is and have it repaired"
        << QStringList{backupName(1)};
    QTest::addRow("second start of the day") << backupNames(0, 14) << ""
                                             << "" << false << "" << backupNames(0, 14);
}

void TestBackup::dailyCopyAndRotation() {
    SKIP_ON_SERVER();
    QFETCH(QStringList, existing);
    QFETCH(QString, damage);
    QFETCH(QString, damagedCopy);
    QFETCH(bool, started);
    QFETCH(QString, message);
    QFETCH(QStringList, remaining);

    WindowFixture f;
    f.insertLine({{"artikul", "coat"}});
    f.insertLine({{"artikul", "dress"}});
    QVERIFY(QDir().mkpath(f.dir.filePath("backups")));
    for (const QString& name : existing)
        QVERIFY(QFile::copy(f.dir.databasePath(), f.dir.filePath("backups/" + name)));
    if (!damagedCopy.isEmpty())
        ::damage(f.dir.filePath("backups/" + damagedCopy), damage);
    ::damage(f.dir.databasePath(), damage);

    RegisterBackup backup;
    QSignalSpy spy(&backup, &RegisterBackup::finished);
    QCOMPARE(backup.startIfDue(f.dir.path(), Today), started);
    if (started) {
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.first().at(0).toBool(), message.isEmpty());
        QCOMPARE(spy.first().at(1).toString(),
                 message.contains("%1") ? message.arg(QDir::toNativeSeparators(f.dir.filePath("backups")))
                                        : message);
    }
    QStringList names = QDir(f.dir.filePath("backups")).entryList(QDir::Files, QDir::Name);
    std::sort(remaining.begin(), remaining.end());
    QCOMPARE(names, remaining);
    if (started && message.isEmpty())
        QCOMPARE(lineCount(RegisterBackup::pathFor(f.dir.path(), Today)), qint64(2));
}

void TestBackup::openFailureNamesNewestBackup_data() {
    SKIP_ON_SERVER();
    QTest::addColumn<QStringList>("halfWritten"); // of the copies 2024-01-02 and 2024-01-10
    QTest::addColumn<QString>("advice");          // %1: the backups folder
    const QString older = QStringLiteral("%1/db1-2024-01-02.mdb");
    QTest::addRow("newest is good") << QStringList() << Restore.arg("%1/db1-2024-01-10.mdb");
    QTest::addRow("newest half written") << QStringList{"db1-2024-01-10.mdb"} << Restore.arg(older);
    QTest::addRow("none is good")
        << QStringList{"db1-2024-01-02.mdb", "db1-2024-01-10.mdb"}
        << "No backup in %1 passes the engine's check, so none of them can be restored: "
           "keep db1.mdb as it is and have it repaired.";
}

void TestBackup::openFailureNamesNewestBackup() {
    SKIP_ON_SERVER();
    QFETCH(QStringList, halfWritten);
    QFETCH(QString, advice);
    WindowFixture f(false);
    QVERIFY(QDir().mkpath(f.dir.filePath("backups")));
    for (const QString name : {"db1-2024-01-02.mdb", "db1-2024-01-10.mdb"}) {
        const QString path = f.dir.filePath("backups/" + name);
        runSql(path, "CREATE TABLE Table1 (artikul TEXT); CREATE TABLE t2 (x); CREATE TABLE t3 (x); "
                     "INSERT INTO Table1 VALUES ('coat')");
        if (halfWritten.contains(name))
            QVERIFY(QFile::resize(path, QFileInfo(path).size() / 2));
    }
    f.open();
    QCOMPARE(f.dialogs.shown.size(), 1);
    const QString expected = ".\r\n" + advice.arg(QDir::toNativeSeparators(f.dir.filePath("backups")));
    QVERIFY2(f.dialogs.shown.first().endsWith(QDir::toNativeSeparators(expected)),
             qPrintable(f.dialogs.shown.first()));
}

// A large register is copied in steps; between them the day's name shows
// nothing (no earlier copy of the day is there), so a copy cut short by a
// crash never passes for the day's backup.
void TestBackup::copyIsNamedOnlyWhenWhole() {
    SKIP_ON_SERVER();
    WindowFixture f;
    runSql(f.dir.databasePath(),
           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
           "INSERT INTO Table1 (artikul, belejka) SELECT 'line ' || i, printf('%.1000c', 'x') FROM n");
    const QString name = RegisterBackup::pathFor(f.dir.path(), Today);
    int stepsBeforeTheEnd = 0;
    QStringList seen;
    const RegisterBackup::Result result =
        RegisterBackup::run(f.dir.path(), Today, [&](int copied, int total) {
            if (copied < total)
                ++stepsBeforeTheEnd;
            if (QFileInfo::exists(name))
                seen << QStringLiteral("%1 of %2 pages copied").arg(copied).arg(total);
        });
    QVERIFY2(result.ok, qPrintable(result.message));
    QVERIFY(stepsBeforeTheEnd >= 2);
    QCOMPARE(seen, QStringList());
    QCOMPARE(lineCount(name), qint64(3000));
}

// The day's copy, started as the window starts it, opened where it lies as a
// file register (no server setting there): the same lines with their keys,
// the same figures, the key sequence where the server's is, the lists and
// photos as files.
void TestBackup::serverCopyOpensAsFileRegister() {
    SKIP_ON_FILE();
    TempAppDir dir;
    fillServerRegister(dir);
    // A batch no folder can be named after: left out, and the copy still kept.
    OtherClient(dir).run(
        QStringLiteral("INSERT INTO shared_photos (batch, number, jpeg) VALUES ('../up', '1', 'ab')"));
    ServerBackup backup(std::make_shared<SideFilesBackup>());
    QSignalSpy spy(&backup, &ServerBackup::finished);
    backup.start(dir.path(), serverOf(dir), Today);
    QVERIFY(spy.wait(30000));
    QCOMPARE(spy.first(), (QVariantList{true, true, QString()}));

    const QString copy = ServerBackup::pathFor(dir.path(), Today);
    QCOMPARE(entries(copy), (QStringList{"Articles.txt", "Company.txt", "db1.mdb", "pictures"}));
    QFile company(copy + "/Company.txt");
    QVERIFY(company.open(QIODevice::ReadOnly));
    QCOMPARE(company.readAll(), QByteArray("Nelvo Ltd"));
    QCOMPARE(QFileInfo(copy + "/pictures/a1/7.jpg").size(), qint64(3000));
    QCOMPARE(QFileInfo(copy + "/pictures/9.jpg").size(), qint64(1));
    QVERIFY(!QFileInfo::exists(dir.filePath("up")) && !QFileInfo::exists(copy + "/up"));

    Database server;
    Database file;
    QVERIFY(server.open(dir.path()));
    QVERIFY2(file.open(copy), qPrintable(file.errorString()));
    QVERIFY(!file.isServer());
    QCOMPARE(lines(*file.engine()), lines(*server.engine()));
    QCOMPARE(lines(*file.engine()).size(), 2);
    RegisterFigures onServer, inCopy;
    QString error;
    QVERIFY(RegisterTransfer::readFigures(*server.engine(), &onServer, &error));
    QVERIFY(RegisterTransfer::readFigures(*file.engine(), &inCopy, &error));
    QCOMPARE(inCopy, onServer);
    QCOMPARE(file.engine()->lastKey(), server.engine()->lastKey());

    // Brought back as register_server move does, into an empty server register.
    TempAppDir restored;
    for (QDirIterator it(copy, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString relative = QDir(copy).relativeFilePath(it.next());
        QVERIFY(QDir().mkpath(QFileInfo(restored.filePath(relative)).absolutePath()));
        QFile::remove(restored.filePath(relative));
        QVERIFY(QFile::copy(it.filePath(), restored.filePath(relative)));
    }
    Database from;
    Database into;
    QVERIFY(from.openEmbedded(restored.path()));
    QVERIFY(into.open(restored.path()));
    RegisterTransfer transfer;
    SideFilesMove sideFiles;
    QVERIFY2(transfer.copy(*from.engine(), *into.engine(), {},
                           [&](Engine& to, QString* error) {
                               const bool moved = sideFiles.run(restored.path(), to);
                               *error = sideFiles.errorString();
                               return moved;
                           }),
             qPrintable(transfer.errorString()));
    QCOMPARE(lines(*into.engine()), lines(*server.engine()));
    QCOMPARE(sideFiles.summary(), QStringLiteral("2 lists, 3 photos (3011 bytes)"));
}

void TestBackup::serverCopyOnceADay_data() {
    QTest::addColumn<QStringList>("existing"); // folders and files in backups before
    QTest::addColumn<QString>("before");       // what another program did on the register first
    QTest::addColumn<bool>("made");
    QTest::addColumn<QStringList>("remaining");

    QTest::addRow("first of the day") << QStringList() << "" << true << QStringList{serverName(0)};
    QTest::addRow("another program made today's")
        << QStringList() << "copied today" << false << QStringList();
    QTest::addRow("another program is making it now")
        << QStringList() << "copying now" << false << QStringList();
    QTest::addRow("yesterday's copy is not today's")
        << QStringList() << "copied yesterday" << true << QStringList{serverName(0)};
    QTest::addRow("fifteenth removes the oldest") << serverNames(1, 20) + QStringList{backupName(3)} << ""
                                                  << true << QStringList{backupName(3)} + serverNames(0, 13);
}

void TestBackup::serverCopyOnceADay() {
    SKIP_ON_FILE();
    QFETCH(QStringList, existing);
    QFETCH(QString, before);
    QFETCH(bool, made);
    QFETCH(QStringList, remaining);
    TempAppDir dir;
    fillServerRegister(dir);
    const QString backups = RegisterBackup::folder(dir.path());
    for (const QString& name : existing)
        QVERIFY(name.endsWith(".mdb") ? QFile(backups + "/" + name).open(QIODevice::WriteOnly)
                                      : QDir().mkpath(backups + "/" + name));
    // Another computer: its own application folder on the same register.
    QTemporaryDir elsewhere;
    PostgresEngine other;
    QString error;
    QVERIFY(other.connect(serverOf(dir), &error));
    if (before == "copying now")
        QCOMPARE(ServerBackupDay::claim(other, Today, &error), ServerBackupDay::Claim::Ours);
    if (before.startsWith("copied")) {
        SideFilesBackup sideFiles;
        std::atomic<bool> cancel{false};
        const QDate day = before == "copied today" ? Today : Today.addDays(-1);
        QVERIFY(ServerBackup::run(elsewhere.path(), serverOf(dir), day, sideFiles, cancel).made);
    }

    const ServerBackup::Result result = serverBackup(dir, Today);
    QVERIFY2(result.ok, qPrintable(result.message));
    QCOMPARE(result.made, made);
    QStringList expected = remaining;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(entries(backups), expected);
}

// Damage made between writing and checking: nothing of the copy stays, the
// user is told why, and the day is left for the next start.
void TestBackup::serverCopyFailingItsCheck_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("why");
    QTest::addRow("db1.mdb damaged")
        << "page"
        << "the engine's check of the copy's db1.mdb found \"Page 2: btreeInitPage() "
           "returns error code 11\"";
    QTest::addRow("a line missing")
        << "line"
        << "the copy's db1.mdb holds 1 lines, 3 received, money 37.5 where the register "
           "holds 2 lines, 5 received, money 37.5";
    QTest::addRow("a photo missing")
        << "photo"
        << "the copy's pictures hold 2 files of 3010 bytes where the register holds 3 "
           "photos of 3011 bytes";
    QTest::addRow("a list changed") << "list"
                                    << "the copy's Articles.txt differs from the register's";
}

void TestBackup::serverCopyFailingItsCheck() {
    SKIP_ON_FILE();
    QFETCH(QString, damage);
    QFETCH(QString, why);
    TempAppDir dir;
    fillServerRegister(dir);
    const ServerBackup::Result failed = serverBackup(dir, Today, [&](const QString& part) {
        if (damage == "page") {
            ::damage(part + "/db1.mdb", damage);
        } else if (damage == "line") {
            runSql(part + "/db1.mdb", "DELETE FROM Table1 WHERE artikul = 'dress'");
        } else if (damage == "photo") {
            QFile::remove(part + "/pictures/9.jpg");
        } else {
            QFile list(part + "/Articles.txt");
            QVERIFY(list.open(QIODevice::Append));
            list.write("hat\n");
        }
    });
    QVERIFY(failed.made);
    QVERIFY(!failed.ok);
    QCOMPARE(failed.message, "Today's backup of the server register was not kept: " + why);
    QCOMPARE(entries(RegisterBackup::folder(dir.path())), QStringList());
    const ServerBackup::Result next = serverBackup(dir, Today);
    QVERIFY2(next.made && next.ok, qPrintable(next.message));
}

// The window starts the day's copy by itself and tells a failure beside the
// status bar's panels, in no box that would stop the clerk.
void TestBackup::serverCopyFailureToldInStatusBar() {
    SKIP_ON_FILE();
    WindowFixture f;
    f.dir.writeFile("backups", "not a folder");
    f.open();
    QLabel* notice = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((notice = f.form().statusBar()->findChild<QLabel*>("ServerBackupNotice")),
                             60000);
    const QString partial =
        f.dir.filePath("backups/" + ServerBackup::folderName(QDate::currentDate()) + ".part");
    QCOMPARE(notice->toolTip(), "Today's backup of the server register was not kept: the folder " +
                                    QDir::toNativeSeparators(partial) + " cannot be created");
    QVERIFY(notice->isVisible());
    QCOMPARE(f.dialogs.shown, QStringList());
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
