// The benchmark registers must be what the figures claim: valid lines of the
// program's schema, the same data on every run, and the pick list files the
// window reads at start-up.
#include "bench/RegisterGenerator.h"

#include "data/Database.h"
#include "data/OrderColumns.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

// A read-only look at a generated register.
class Register {
  public:
    explicit Register(const QString& folder) {
        const QByteArray path = QFile::encodeName(folder + QStringLiteral("/db1.mdb"));
        sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Register() { sqlite3_close(m_db); }

    qint64 number(const QString& sql) const {
        sqlite3_stmt* statement = nullptr;
        qint64 value = -1;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return value;
    }
    // A digest of every value of every line, in key order.
    QByteArray digest() const {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT * FROM Table1 ORDER BY key", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            for (int column = 0; column < sqlite3_column_count(statement); ++column)
                hash.addData(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                        sqlite3_column_bytes(statement, column)) +
                             '\x1f');
        sqlite3_finalize(statement);
        return hash.result();
    }

  private:
    sqlite3* m_db = nullptr;
};

QStringList readList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
}

} // namespace

class TestRegisterGenerator : public QObject {
    Q_OBJECT
  private slots:
    void linesKeepTheRules_data();
    void linesKeepTheRules();
    void sameLinesEveryRun();
    void listFilesAsTheWindowReadsThem();
    void filterValuesHaveTheirShares();
    void replacesAnOldRegisterOnlyWhenComplete();
    void unwritableFolderIsReported();
};

void TestRegisterGenerator::linesKeepTheRules_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("empty register") << 0;
    QTest::newRow("one line") << 1;
    QTest::newRow("one line per batch") << 25;
    QTest::newRow("uneven batches") << 1003;
}

void TestRegisterGenerator::linesKeepTheRules() {
    QFETCH(int, rows);
    QTemporaryDir dir;
    RegisterGenerator generator(rows);
    QVERIFY2(generator.write(dir.path()), qPrintable(generator.errorString()));
    Register db(dir.path());

    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1"), qint64(rows));
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE key NOT BETWEEN 1 AND " + QString::number(rows)),
             0);
    // The program's own schema, indexes included.
    for (QString statement : OrderColumns::schemaStatements())
        QCOMPARE(db.number("SELECT COUNT(*) FROM sqlite_master WHERE sql = '" + statement.replace("'", "''") +
                           "'"),
                 1);
    QStringList anyNull;
    for (int column = 0; column < OrderColumns::Count; ++column)
        anyNull << OrderColumns::name(column) + " IS NULL";
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE " + anyNull.join(" OR ")), 0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE length(batch) > 7 OR length(artikul) > 50 OR "
                       "length(dostavcik) > 50 OR length(firmetiket) > 50 OR length(cvet) > 50 OR "
                       "length(razmeri) > 50 OR length(sastav) > 50 OR length(belejka) > 200"),
             0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE artikul = '' OR dostavcik = '' OR "
                       "pokupnacena = 0 OR paracbr = 0"),
             0);
    // The derived columns follow the program's rules exactly.
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE polucbr != "
                       "CASE WHEN dostavbr != 0 THEN dostavbr - defectbr ELSE paracbr END"),
             0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE obsto != polucbr * pokupnacena"), 0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE dostavbr > paracbr OR defectbr > dostavbr"), 0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE pokupnacena NOT BETWEEN 5000 AND 900000"), 0);
    // Key order is date order.
    QCOMPARE(
        db.number("SELECT COUNT(*) FROM Table1 a JOIN Table1 b ON b.key = a.key + 1 WHERE b.date < a.date"),
        0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE date NOT GLOB '20[0-9][0-9]-[01][0-9]-[0-3][0-9]'"),
             0);
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE photo != 0 AND photo != key"), 0);
}

void TestRegisterGenerator::sameLinesEveryRun() {
    QTemporaryDir first, second;
    QVERIFY(RegisterGenerator(2000).write(first.path()));
    QVERIFY(RegisterGenerator(2000).write(second.path()));
    QCOMPARE(Register(first.path()).digest(), Register(second.path()).digest());
}

void TestRegisterGenerator::listFilesAsTheWindowReadsThem() {
    QTemporaryDir dir;
    QVERIFY(RegisterGenerator(10).write(dir.path()));
    const QStringList suppliers = readList(dir.filePath("Suppliers.txt"));
    const QStringList articles = readList(dir.filePath("articles.txt"));
    const QStringList batches = readList(dir.filePath("Batches.txt"));
    QCOMPARE(suppliers, RegisterGenerator::suppliers());
    QCOMPARE(articles, RegisterGenerator::articles());
    QCOMPARE(batches, RegisterGenerator::batches());
    QCOMPARE(suppliers.size(), 60);
    QCOMPARE(QSet<QString>(articles.begin(), articles.end()).size(), 394);
    QCOMPARE(batches.size(), 25);
    QVERIFY(suppliers.contains(RegisterGenerator::filterSupplier()));
    QVERIFY(batches.contains(RegisterGenerator::filterBatch()));
    QVERIFY(batches.contains(QStringLiteral("ИСТ-12")));
    for (const QString& batch : batches)
        QVERIFY2(batch.size() <= 7, qPrintable(batch));
    // No line break after the last entry, and none but CR LF inside.
    QFile file(dir.filePath("Batches.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.endsWith('\n'));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
}

void TestRegisterGenerator::filterValuesHaveTheirShares() {
    QTemporaryDir dir;
    QVERIFY(RegisterGenerator(25000).write(dir.path()));
    Register db(dir.path());
    const qint64 supplier = db.number("SELECT COUNT(*) FROM Table1 WHERE dostavcik = 'D''Angelo Moda'");
    QVERIFY2(supplier > 25000 * 0.025 && supplier < 25000 * 0.045, qPrintable(QString::number(supplier)));
    QCOMPARE(db.number("SELECT COUNT(*) FROM Table1 WHERE batch = '22-09B'"), 1000);
    QCOMPARE(db.number("SELECT COUNT(DISTINCT dostavcik) FROM Table1"), 60);
    QCOMPARE(db.number("SELECT MAX(n) - MIN(n) FROM (SELECT COUNT(*) AS n FROM Table1 GROUP BY batch)"), 0);
    const qint64 emptyNotes = db.number("SELECT COUNT(*) FROM Table1 WHERE belejka = ''");
    QVERIFY2(emptyNotes > 25000 * 0.45 && emptyNotes < 25000 * 0.55, qPrintable(QString::number(emptyNotes)));
}

void TestRegisterGenerator::replacesAnOldRegisterOnlyWhenComplete() {
    QTemporaryDir dir;
    QVERIFY(RegisterGenerator(10).write(dir.path()));
    QVERIFY(RegisterGenerator(30).write(dir.path()));
    QCOMPARE(Register(dir.path()).number("SELECT COUNT(*) FROM Table1"), 30);
    QVERIFY(!QFile::exists(dir.filePath("db1.mdb.generating")));
}

void TestRegisterGenerator::unwritableFolderIsReported() {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegisterGenerator generator(10);
    QVERIFY(!generator.write(dir.filePath("file/register")));
    QVERIFY(!generator.errorString().isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("file/register/db1.mdb")));
}

QTEST_GUILESS_MAIN(TestRegisterGenerator)
#include "tst_register_generator.moc"
