// The daily backup: made on a worker thread, checked, the oldest copies
// beyond the newest 14 removed only after a good copy; and the error box of
// a register that cannot be opened names the newest copy.

#include "data/RegisterBackup.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <sqlite3.h>

namespace {

const QDate Today(2024, 3, 20);

QString backupName(int daysBefore)
{
    return QStringLiteral("db1-%1.mdb").arg(Today.addDays(-daysBefore).toString(Qt::ISODate));
}

QStringList backupNames(int newest, int oldest)
{
    QStringList names;
    for (int d = oldest; d >= newest; --d)
        names << backupName(d);
    return names;
}

qint64 lineCount(const QString& path)
{
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

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_ON_SERVER(); }
    void dailyCopyAndRotation_data();
    void dailyCopyAndRotation();
    void openFailureNamesNewestBackup();
};

void TestBackup::dailyCopyAndRotation_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("registerReadable");
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("remaining");

    QTest::addRow("first copy") << QStringList() << true << true << true << QStringList {backupName(0)};
    QTest::addRow("fifteenth removes the oldest")
        << backupNames(1, 14) << true << true << true << backupNames(0, 13);
    QTest::addRow("all beyond the newest 14 removed")
        << backupNames(1, 20) << true << true << true << backupNames(0, 13);
    QTest::addRow("other files are not copies") << QStringList {"db1-copy.mdb", "notes.txt", backupName(3)} << true
                                                << true << true
                                                << QStringList {backupName(3), backupName(0), "db1-copy.mdb", "notes.txt"};
    QTest::addRow("failed copy removes nothing") << backupNames(1, 14) << false << true << false << backupNames(1, 14);
    QTest::addRow("second start of the day") << backupNames(0, 14) << true << false << false << backupNames(0, 14);
}

void TestBackup::dailyCopyAndRotation()
{
    QFETCH(QStringList, existing);
    QFETCH(bool, registerReadable);
    QFETCH(bool, started);
    QFETCH(bool, ok);
    QFETCH(QStringList, remaining);

    WindowFixture f(registerReadable);
    if (registerReadable) {
        f.insertLine({{"artikul", "coat"}});
        f.insertLine({{"artikul", "dress"}});
    } else {
        f.dir.writeFile("db1.mdb", QByteArray(8192, 'x'));
    }
    for (const QString& name : existing)
        f.dir.writeFile("backups/" + name, "old copy");

    RegisterBackup backup;
    QSignalSpy spy(&backup, &RegisterBackup::finished);
    QCOMPARE(backup.startIfDue(f.dir.path(), Today), started);
    if (started) {
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.first().at(0).toBool(), ok);
    }
    QStringList names = QDir(f.dir.filePath("backups")).entryList(QDir::Files, QDir::Name);
    std::sort(remaining.begin(), remaining.end());
    QCOMPARE(names, remaining);
    if (ok)
        QCOMPARE(lineCount(RegisterBackup::pathFor(f.dir.path(), Today)), qint64(2));
}

void TestBackup::openFailureNamesNewestBackup()
{
    WindowFixture f(false);
    f.dir.writeFile("backups/db1-2024-01-02.mdb", "copy");
    f.dir.writeFile("backups/db1-2024-01-10.mdb", "copy");
    f.open();
    QCOMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown.first().endsWith(
                 QStringLiteral(".\r\nThe newest backup is %1 (to restore it, close the program, delete "
                                "db1.mdb-wal and db1.mdb-shm if they are there and copy it over db1.mdb)")
                     .arg(QDir::toNativeSeparators(f.dir.filePath("backups/db1-2024-01-10.mdb")))),
             qPrintable(f.dialogs.shown.first()));
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
