// The daily backup: made on a worker thread, checked in full, the oldest
// copies beyond the newest 14 removed only after a good copy, never seen
// under its name before it is whole; a register that fails the check is
// reported as damaged with the newest good copy; and the error box of a
// register that cannot be opened names the newest copy that passes the check.

#include "data/RegisterBackup.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QSignalSpy>
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

const QString Restore = QStringLiteral(
    "The newest backup that passes the check is %1 (to restore it, close the program, delete db1.mdb-wal and "
    "db1.mdb-shm if they are there and copy it over db1.mdb)");

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { SKIP_ON_SERVER(); }
    void dailyCopyAndRotation_data();
    void dailyCopyAndRotation();
    void openFailureNamesNewestBackup_data();
    void openFailureNamesNewestBackup();
    void copyIsNamedOnlyWhenWhole();
};

void TestBackup::dailyCopyAndRotation_data() {
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
    QTest::addColumn<QStringList>("halfWritten"); // of the copies 2024-01-02 and 2024-01-10
    QTest::addColumn<QString>("advice");          // %1: the backups folder
    const QString older = QStringLiteral("%1/db1-2024-01-02.mdb");
    QTest::addRow("newest is good") << QStringList() << Restore.arg("%1/db1-2024-01-10.mdb");
    QTest::addRow("newest half written") << QStringList{"db1-2024-01-10.mdb"} << Restore.arg(older);
    QTest::addRow("none is good") << QStringList{"db1-2024-01-02.mdb", "db1-2024-01-10.mdb"}
                                  << "No backup in %1 passes the engine's check, so none of them can be restored: "
                                     "keep db1.mdb as it is and have it repaired.";
}

void TestBackup::openFailureNamesNewestBackup() {
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
    QVERIFY2(f.dialogs.shown.first().endsWith(QDir::toNativeSeparators(expected)), qPrintable(f.dialogs.shown.first()));
}

// A large register is copied in steps; between them the day's name shows
// nothing (no earlier copy of the day is there), so a copy cut short by a
// crash never passes for the day's backup.
void TestBackup::copyIsNamedOnlyWhenWhole() {
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

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
