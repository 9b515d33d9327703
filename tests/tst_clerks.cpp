// Several programs storing on one register at the same time: each line gets
// a key and a photo number of its own, none is lost, none is skipped.
//
// The test starts two copies of itself as workers; each stores lines through
// a real order table, as the window does (the photo number is the key the
// new line reserved).

#include "data/Database.h"
#include "data/OrderTable.h"
#include "support/OtherClient.h"
#include "support/TempAppDir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

namespace {

const char* const WorkerFlag = "--store-lines";

// Stores count lines into the register of folder; the exit status says how it went.
int storeLines(const QString& folder, int count)
{
    Database db;
    if (!db.open(folder)) {
        qCritical("worker: %s", qPrintable(db.errorString()));
        return 1;
    }
    OrderTable table(db);
    table.setErrorSink([](const QString& message) { qCritical("worker: %s", qPrintable(message)); });
    if (!table.open())
        return 1;
    for (int i = 0; i < count; ++i) {
        const bool stored = table.append() && table.setValue("photo", table.pendingKey()) &&
                            table.setValue("artikul", QStringLiteral("line %1").arg(i)) &&
                            table.setValue("paracbr", 1) && table.post();
        if (!stored)
            return 1;
    }
    return 0;
}

} // namespace

class ClerksTest : public QObject {
    Q_OBJECT
private slots:
    void twoProgramsStoreAtOnce();
};

void ClerksTest::twoProgramsStoreAtOnce()
{
    constexpr int PerProgram = 1000;
    TempAppDir dir;
    QProcess workers[2];
    for (QProcess& worker : workers) {
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        worker.start(QCoreApplication::applicationFilePath(),
                     {WorkerFlag, dir.path(), QString::number(PerProgram)});
    }
    for (QProcess& worker : workers) {
        QVERIFY(worker.waitForFinished(240000));
        QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
        QCOMPARE(worker.exitCode(), 0);
    }
    OtherClient other(dir);
    QCOMPARE(other.lineCount(), 2 * PerProgram);
    QCOMPARE(other.number("SELECT COUNT(DISTINCT key) FROM Table1"), 2 * PerProgram);
    QCOMPARE(other.number("SELECT MAX(key) - MIN(key) + 1 FROM Table1"), 2 * PerProgram); // no gap
    QCOMPARE(other.number("SELECT COUNT(DISTINCT photo) FROM Table1"), 2 * PerProgram);
    QCOMPARE(other.number("SELECT COUNT(*) FROM Table1 WHERE photo <> key"), 0);
    QCOMPARE(other.number("SELECT SUM(paracbr) FROM Table1"), 2 * PerProgram);
}

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], WorkerFlag) == 0) {
        QCoreApplication app(argc, argv);
        return storeLines(QString::fromLocal8Bit(argv[2]), atoi(argv[3]));
    }
    QCoreApplication app(argc, argv);
    ClerksTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clerks.moc"
