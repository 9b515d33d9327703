// Moving over from the Windows register: each Access column type read
// exactly from small public Access files by the reader program, the reader
// program ending badly (a crash, a hang, garbage, no end of output), and the
// conversion of Table1 at start-up with its checks, through the real window:
// from the order fixtures (compared value by value with mdb-export), from
// damaged copies of them made here, and from a stand-in source of order rows.

#include "app/AccessImport.h"
#include "data/AccessFile.h"
#include "data/AccessReaderProcess.h"
#include "data/Currency.h"
#include "data/OrderColumns.h"
#include "data/RegisterVersion.h"
#include "support/WindowFixture.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QtTest>
#include <sqlite3.h>

namespace {

QString fixture(const QString& name) {
    return QStringLiteral(TEST_DATA_DIR "/access/") + name;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QVariant money(qint64 units) {
    return QVariant::fromValue(Currency::fromUnits(units));
}

// Order rows given by the test; it may claim more rows than it gives, as a
// damaged file whose reader skips rows would.
class StandInSource : public RowSource {
  public:
    QVector<QVector<QVariant>> rows;
    qint64 declared = -1;
    QVector<int> absent;       // order columns under another name
    QString removedWhenClosed; // a file this source takes away when the conversion closes it

    ~StandInSource() override {
        if (!removedWhenClosed.isEmpty())
            QFile::remove(removedWhenClosed);
    }
    QStringList columnNames() const override {
        QStringList names;
        for (int i = 0; i < OrderColumns::Count; ++i)
            names << (absent.contains(i) ? QStringLiteral("x") + OrderColumns::name(i)
                                         : OrderColumns::name(i).toUpper()); // Access keeps its own spelling
        return names;
    }
    QVector<Kind> columnKinds() const override {
        QVector<Kind> kinds;
        for (const ColumnDef& c : OrderColumns::all())
            kinds << (c.type == ColumnType::Currency ? Kind::Money
                      : c.type == ColumnType::Date   ? Kind::DateTime
                      : c.type == ColumnType::Memo   ? Kind::Memo
                      : c.type == ColumnType::Text   ? Kind::Text
                                                     : Kind::Integer);
        return kinds;
    }
    qint64 declaredRowCount() const override { return declared < 0 ? rows.size() : declared; }
    bool next(QVector<QVariant>* row) override {
        if (m_next >= rows.size())
            return false;
        *row = rows[m_next++];
        return true;
    }
    QString errorString() const override { return {}; }

  private:
    int m_next = 0;
};

QVector<QVariant> orderRow(int key, const QVariantMap& values) {
    QVector<QVariant> row(OrderColumns::Count);
    row[OrderColumns::Key] = key;
    for (auto it = values.begin(); it != values.end(); ++it)
        row[OrderColumns::indexOf(it.key())] = it.value();
    return row;
}

QVector<QVector<QVariant>> twoLines() {
    return {
        orderRow(5, {{"batch", "a1"},
                     {"artikul", QString::fromUtf8("рокля")},
                     {"dostavcik", "Zara"},
                     {"paracbr", 3},
                     {"dostavbr", QVariant()},
                     {"polucbr", 3},
                     {"pokupnacena", money(12345)},
                     {"obsto", money(37035)},
                     {"date", QDate(2009, 3, 1)},
                     {"belejka", "first\r\nsecond"},
                     {"photo", 5},
                     {"cvet", ""}}),
        orderRow(9, {{"batch", "b2"},
                     {"artikul", "coat"},
                     {"dostavcik", "Mango"},
                     {"paracbr", 4},
                     {"polucbr", 4},
                     {"pokupnacena", money(20000)},
                     {"obsto", money(80000)},
                     {"date", QDate(1899, 12, 29)},
                     {"photo", 9}}),
    };
}

QString queryText(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr);
    QStringList cells;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            cells << (sqlite3_column_type(st, i) == SQLITE_NULL
                          ? QStringLiteral("NULL")
                          : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return cells.join(QLatin1Char('|'));
}

// Damaged copies of a fixture, as a disk or a copy goes wrong.
QByteArray cutShort(const QByteArray& bytes, int pages) {
    return bytes.left(pages * 4096);
}

QByteArray zeroPage(QByteArray bytes, int page) {
    bytes.replace(page * 4096, 4096, QByteArray(4096, '\0'));
    return bytes;
}

// In the Jet 4 row that holds the given text, the offset of the row's first
// variable-length column is moved past the second's, so that column's size
// reads negative. A data page: row count at 12, row offsets from 14 (each
// row ends where the one before it begins); a row ends with its null mask
// (3 bytes for 24 columns), the count of variable columns and their offsets.
QByteArray negativeFieldSize(QByteArray bytes, const QByteArray& text) {
    const qsizetype at = bytes.indexOf(text);
    const qsizetype page = at / 4096 * 4096;
    const auto word = [&bytes](qsizetype i) {
        return int(quint8(bytes[i])) | int(quint8(bytes[i + 1])) << 8;
    };
    const int rows = word(page + 12);
    int rowEnd = 4096;
    for (int i = 0; i < rows; ++i) {
        const int rowStart = word(page + 14 + 2 * i) & 0x1fff;
        if (page + rowStart <= at && at < page + rowEnd) {
            const qsizetype firstOffset = page + rowEnd - 3 - 2 - 2;
            const int moved = word(firstOffset - 2) + 100;
            bytes[firstOffset] = char(moved & 0xff);
            bytes[firstOffset + 1] = char(moved >> 8);
            return bytes;
        }
        rowEnd = rowStart;
    }
    return QByteArray();
}

// The two bytes at offset set to a little-endian value.
QByteArray wordAt(QByteArray bytes, qsizetype offset, int value) {
    bytes[offset] = char(value & 0xff);
    bytes[offset + 1] = char(value >> 8 & 0xff);
    return bytes;
}

QByteArray littleEndian(qint64 value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

QByteArray littleEndian(double value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// The rows of mdb-export's CSV; a field that was not quoted and is empty is a null ("NULL").
QVector<QStringList> csvRows(const QString& text) {
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                inQuotes = false;
            else
                field += c;
        } else if (c == u'"') {
            inQuotes = quoted = true;
        } else if (c == u',' || c == u'\n') {
            row << (field.isEmpty() && !quoted ? QStringLiteral("NULL") : field);
            field.clear();
            quoted = false;
            if (c == u'\n') {
                rows << row;
                row.clear();
            }
        } else {
            field += c;
        }
    }
    return rows;
}

// Each line of a register as texts, in the file's order (as mdb-export gives
// them): money with four decimals, a date as YYYY-MM-DD, a null as "NULL",
// and so an empty text too (mdb-export writes both as nothing).
QVector<QStringList> registerRows(const QString& path) {
    QStringList columns;
    for (int i = 0; i < OrderColumns::Count; ++i) {
        const QString name = QStringLiteral("\"%1\"").arg(OrderColumns::name(i));
        columns << (OrderColumns::at(i).type == ColumnType::Currency
                        ? QStringLiteral(
                              "CASE WHEN %1 IS NULL THEN NULL ELSE printf('%s%d.%04d', CASE WHEN %1 < 0 "
                              "THEN '-' ELSE '' END, abs(%1) / 10000, abs(%1) % 10000) END")
                              .arg(name)
                        : name);
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        db, QStringLiteral("SELECT %1 FROM Table1 ORDER BY rowid").arg(columns.join(u',')).toUtf8(), -1, &st,
        nullptr);
    QVector<QStringList> rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < OrderColumns::Count; ++i) {
            const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            row << (text.isEmpty() ? QStringLiteral("NULL") : text);
        }
        rows << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// A stand-in for the reader program: a shell script.
QString script(const QTemporaryDir& dir, const QByteArray& body) {
    const QString path = dir.filePath("reader.sh");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

} // namespace

class TestAccess : public QObject {
    Q_OBJECT
  private slots:
    // The Windows register's file becomes db1.mdb; a server register is filled by its own command.
    void initTestCase() { SKIP_ON_SERVER(); }
    void init() { AccessReaderProcess::setProgramPath(QStringLiteral(ACCESS_READER)); }
    void cleanup() { AccessImport::setSourceOpener({}); }

    void readsEachType_data();
    void readsEachType();
    void readerEndsBadly_data();
    void readerEndsBadly();
    void convertsFixtures_data();
    void convertsFixtures();
    void convertsAtStartup_data();
    void convertsAtStartup();
};

void TestAccess::readsEachType_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QByteArray>("patchFrom"); // bytes replaced in a copy of the file, if any
    QTest::addColumn<QByteArray>("patchTo");

    const QString all = fixture("jet4-all-types.mdb");
    const QByteArray none;
    QTest::addRow("Jet 4 counter") << all << "Table1" << 0 << "ID" << QVariant(1) << none << none;
    QTest::addRow("Jet 4 text") << all << "Table1" << 0 << "ShortTextField" << QVariant("the quick") << none
                                << none;
    QTest::addRow("Jet 4 Chinese text") << all << "Table1" << 1 << "ShortTextField"
                                        << QVariant(QString::fromUtf8("普林斯顿大学")) << none << none;
    QTest::addRow("Jet 4 long") << all << "Table1" << 0 << "NumberField" << QVariant(3) << none << none;
    QTest::addRow("Jet 4 currency") << all << "Table1" << 0 << "CurrencyField" << money(62300) << none
                                    << none;
    QTest::addRow("Jet 4 zero currency")
        << all << "Table1" << 1 << "CurrencyField" << money(0) << none << none;
    QTest::addRow("Jet 4 date") << all << "Table1" << 0 << "DateField" << QVariant(QDate(2015, 6, 24)) << none
                                << none;
    QTest::addRow("Jet 4 null date") << all << "Table1" << 1 << "DateField" << QVariant() << none << none;
    QTest::addRow("Jet 4 yes") << all << "Table1" << 0 << "YesNoField" << QVariant(true) << none << none;
    QTest::addRow("Jet 4 no") << all << "Table1" << 1 << "YesNoField" << QVariant(false) << none << none;
    QTest::addRow("Jet 4 memo") << all << "Table1" << 0 << "PlainTextMemo" << QVariant("red and brown")
                                << none << none;
    QTest::addRow("Jet 4 empty memo")
        << all << "Table1" << 1 << "PlainTextMemo" << QVariant(QString("")) << none << none;
    QTest::addRow("Jet 4 hyperlink") << all << "Table1" << 0 << "HyperLinkField"
                                     << QVariant("#http://tika.apach.org#") << none << none;

    const QString unicode = fixture("jet4-unicode-text.mdb");
    QTest::addRow("Jet 4 Cyrillic") << unicode << "Table" << 2 << "Unicode"
                                    << QVariant(QString::fromUtf8("Мир")) << none << none;
    QTest::addRow("Jet 4 Greek") << unicode << "Table" << 3 << "Unicode"
                                 << QVariant(QString::fromUtf16(
                                        u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C "
                                        u"\u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1"))
                                 << none << none;
    QTest::addRow("Jet 4 compressed Latin-1")
        << unicode << "Table" << 1 << "Unicode" << QVariant(QString::fromUtf8("ääkkösiä")) << none << none;

    const QString jet3 = fixture("jet3-basic.mdb");
    QTest::addRow("Jet 3 text") << jet3 << "Table1" << 1 << "A" << QVariant("abcdefg") << none << none;
    QTest::addRow("Jet 3 byte") << jet3 << "Table1" << 1 << "C" << QVariant(2) << none << none;
    QTest::addRow("Jet 3 integer") << jet3 << "Table1" << 1 << "D" << QVariant(222) << none << none;
    QTest::addRow("Jet 3 long") << jet3 << "Table1" << 1 << "E" << QVariant(333333333) << none << none;
    QTest::addRow("Jet 3 double") << jet3 << "Table1" << 1 << "F" << QVariant(444.555) << none << none;
    QTest::addRow("Jet 3 date") << jet3 << "Table1" << 0 << "G" << QVariant(QDate(1981, 12, 12)) << none
                                << none;
    QTest::addRow("Jet 3 currency") << jet3 << "Table1" << 1 << "H" << money(35000) << none << none;
    QTest::addRow("Jet 3 yes") << jet3 << "Table1" << 1 << "I" << QVariant(true) << none << none;
    QTest::addRow("Jet 3 Windows-1251 text")
        << jet3 << "Table1" << 1 << "A" << QVariant(QString::fromUtf8("Абвгдеж")) << QByteArray("abcdefg")
        << QByteArray("\xC0\xE1\xE2\xE3\xE4\xE5\xE6");
    // 3.5000 made 2^32 ten-thousandths larger, and negative: its low 32 bits stay 35000 and -1234.
    QTest::addRow("currency beyond 32 bits")
        << jet3 << "Table1" << 1 << "H" << money(4295002296LL) << littleEndian(qint64(35000))
        << littleEndian(qint64(4295002296LL));
    QTest::addRow("negative currency beyond 32 bits")
        << jet3 << "Table1" << 1 << "H" << money(-4294968530LL) << littleEndian(qint64(35000))
        << littleEndian(qint64(-4294968530LL));
    // 1974-09-21 made day -1.5: noon of 1899-12-29, the day number cut towards zero.
    QTest::addRow("date before 1899-12-30 with a time of day")
        << jet3 << "Table1" << 1 << "G" << QVariant(QDate(1899, 12, 29)) << littleEndian(27293.0)
        << littleEndian(-1.5);
}

void TestAccess::readsEachType() {
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QVariant, expected);
    QFETCH(QByteArray, patchFrom);
    QFETCH(QByteArray, patchTo);

    QTemporaryDir dir;
    if (!patchFrom.isEmpty()) {
        QByteArray bytes = fileBytes(file);
        const qsizetype at = bytes.indexOf(patchFrom);
        QVERIFY(at > 0 && bytes.indexOf(patchFrom, at + 1) < 0);
        bytes.replace(at, patchFrom.size(), patchTo);
        file = dir.filePath("patched.mdb");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    }
    AccessReaderProcess reader;
    QVERIFY2(reader.open(file, table, AccessReaderProcess::limitsFor(QFileInfo(file).size())),
             qPrintable(reader.errorString()));
    const int index = reader.columnNames().indexOf(column);
    QVERIFY(index >= 0);
    QVector<QVariant> values;
    for (int i = 0; i <= row; ++i)
        QVERIFY2(reader.next(&values), qPrintable(reader.errorString()));
    QCOMPARE(values.value(index).metaType(), expected.metaType());
    if (expected.metaType() == QMetaType::fromType<Currency>())
        QCOMPARE(values.value(index).value<Currency>().units(), expected.value<Currency>().units());
    else
        QCOMPARE(values.value(index), expected);
}

void TestAccess::readerEndsBadly_data() {
    QTest::addColumn<QByteArray>("reader"); // script standing in for the reader program; empty: the real one
    QTest::addColumn<QByteArray>("accessFile"); // what it reads
    QTest::addColumn<qint64>("memory");
    QTest::addColumn<qint64>("milliseconds");
    QTest::addColumn<qint64>("output");
    QTest::addColumn<QString>("error"); // beginning of the error
    QTest::addColumn<bool>("damaged");

    const QByteArray order = fileBytes(fixture("order-jet4.mdb"));
    const qint64 G = 1LL << 30;
    QTest::addRow("crash") << QByteArray("kill -SEGV $$") << order << G << qint64(60000) << G
                           << "the reader program stopped on signal 11 (Segmentation fault)" << true;
    QTest::addRow("hang") << QByteArray("exec sleep 600") << order << G << qint64(2000) << G
                          << "reading it takes longer than 2 seconds" << true;
    QTest::addRow("garbage") << QByteArray("printf 'X\\0\\0\\0\\0'") << order << G << qint64(60000) << G
                             << "the reader program's output is garbled" << true;
    QTest::addRow("output without end")
        << QByteArray("printf 'H\\014\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0'; while :; do printf "
                      "'R\\0\\0\\0\\0'; done")
        << order << G << qint64(60000) << qint64(100000) << "reading it gives more than the file can hold"
        << true;
    QTest::addRow("frame longer than allowed")
        << QByteArray("printf 'H\\377\\377\\377\\177'; exec sleep 600") << order << G << qint64(60000) << G
        << "reading it gives more than the file can hold" << true;
    QTest::addRow("exits early") << QByteArray("exit 3") << order << G << qint64(60000) << G
                                 << "the reader program ended with status 3" << true;
    // A header of no columns, so that any byte of a row is one too many.
    const QByteArray header("printf 'H\\014\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0\\0'; ");
    QTest::addRow("row longer than its columns")
        << header + "printf 'R\\001\\0\\0\\0XZ\\0\\0\\0\\0'" << order << G << qint64(60000) << G
        << "the reader program's output is garbled" << true;
    QTest::addRow("fails after its end marker")
        << header + "printf 'Z\\0\\0\\0\\0'; exit 3" << order << G << qint64(60000) << G
        << "the reader program ended with status 3" << true;
    const QString installation =
        ": the program's installation is incomplete; install the program again (db1.mdb "
        "itself is not at fault)";
    QTest::addRow("missing") << QByteArray("missing") << order << G << qint64(60000) << G
                             << "the reader program %1 is missing" + installation << false;
    // Regression: both were reported as damage to db1.mdb.
    QTest::addRow("not executable") << QByteArray("not executable") << order << G << qint64(60000) << G
                                    << "the reader program %1 is not executable" + installation << false;
    QTest::addRow("loader cannot run it")
        << QByteArray("exit 127") << order << G << qint64(60000) << G
        << "the reader program %1 cannot run (it ended with status 127 before "
           "reading anything)" +
               installation
        << false;
    // libmdb loops for ever on this file, its memory growing, until the limit ends it.
    QTest::addRow("memory limit") << QByteArray() << cutShort(order, 81) << 256 * (1LL << 20)
                                  << qint64(120000) << G << "the reader program " << true;
}

void TestAccess::readerEndsBadly() {
    QFETCH(QByteArray, reader);
    QFETCH(QByteArray, accessFile);
    QFETCH(qint64, memory);
    QFETCH(qint64, milliseconds);
    QFETCH(qint64, output);
    QFETCH(QString, error);
    QFETCH(bool, damaged);

    QTemporaryDir dir;
    if (reader == "missing")
        AccessReaderProcess::setProgramPath(dir.filePath("access_reader"));
    else if (!reader.isEmpty())
        AccessReaderProcess::setProgramPath(script(dir, reader));
    if (reader == "not executable")
        QFile::setPermissions(AccessReaderProcess::programPath(), QFile::ReadOwner | QFile::WriteOwner);
    error.replace("%1", QDir::toNativeSeparators(AccessReaderProcess::programPath()));
    const QString path = dir.filePath("db1.mdb");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(accessFile) == accessFile.size());
    file.close();

    AccessReaderProcess process;
    AccessReaderProcess::Limits limits;
    limits.memoryBytes = memory;
    limits.milliseconds = milliseconds;
    limits.outputBytes = output;
    QVector<QVariant> row;
    if (process.open(path, "Table1", limits))
        while (process.next(&row)) {
        }
    QVERIFY2(process.errorString().startsWith(error), qPrintable(process.errorString()));
    QCOMPARE(process.isDamaged(), damaged);
    QCOMPARE(fileBytes(path), accessFile);
}

void TestAccess::convertsFixtures_data() {
    QTest::addColumn<QString>("accessFile");
    QTest::addColumn<QString>("figures");

    QTest::addRow("Jet 4") << "order-jet4.mdb"
                           << "400 lines, 54415 pieces received, money 26994990.5794";
    QTest::addRow("Jet 3, Windows-1251") << "order-jet3.mdb"
                                         << "200 lines, 24178 pieces received, money 11742159.2053";
}

// Every value of the converted register equals what mdb-export reads from the Access file.
void TestAccess::convertsFixtures() {
    QFETCH(QString, accessFile);
    QFETCH(QString, figures);

    QProcess exporter;
    exporter.setProcessEnvironment([] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MDB_JET3_CHARSET", "CP1251");
        return environment;
    }());
    exporter.start("mdb-export", {"-T", "%Y-%m-%d", fixture(accessFile), "Table1"});
    QVERIFY2(exporter.waitForFinished(60000) && exporter.exitCode() == 0,
             "mdb-export (Debian package mdbtools) is needed");
    QVector<QStringList> expected = csvRows(QString::fromUtf8(exporter.readAllStandardOutput()));
    QCOMPARE(expected.takeFirst(), OrderColumns::nameList().split(", "));

    WindowFixture f(false);
    f.dir.writeFile("db1.mdb", fileBytes(fixture(accessFile)));
    f.dialogs.confirmAnswers << true;
    TForm1& form = f.open();

    QCOMPARE(f.dialogs.shown.last(), "information: The Access register was converted: " + figures +
                                         ", the same as in the Access file.\r\nThe Access file is kept as "
                                         "db1-access.mdb.");
    QVERIFY(form.table().isActive());
    // The converted register carries the version of the layout it was given.
    QCOMPARE(queryText(f.dir.databasePath(), "PRAGMA user_version"),
             QString::number(RegisterVersion::fileCurrent()));
    const QVector<QStringList> converted = registerRows(f.dir.databasePath());
    QCOMPARE(converted.size(), expected.size());
    for (int i = 0; i < converted.size(); ++i)
        QCOMPARE(converted[i], expected[i]);
}
void TestAccess::convertsAtStartup_data() {
    QTest::addColumn<QByteArray>("accessFile"); // becomes db1.mdb
    QTest::addColumn<QString>("standIn");       // rows from twoLines() instead of the file: how they differ
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<qint64>("cancelAt");
    QTest::addColumn<QStringList>("boxes"); // beginning of each box shown
    QTest::addColumn<QString>("outcome");   // "converted", "access" (db1.mdb as it was) or "empty register"

    const QByteArray jet4 = fileBytes(fixture("jet4-all-types.mdb"));
    const QByteArray order = fileBytes(fixture("order-jet4.mdb"));
    const QString ask = "confirm: db1.mdb is a Microsoft Access file (Access 2000-2003, Jet 4)";
    const QString offer =
        "confirm: db1.mdb stays the Access file, and the program cannot work with it.\r\nSet the "
        "Access file aside as db1-access.mdb and start an empty register? (Cancel: the program "
        "opens without a register and asks again at its next start.)";
    const QString progress = "progress: Converting the Access register...";
    const QString damaged = "standardError: db1.mdb is damaged: ";
    const QString cannot = "standardError: db1.mdb cannot be converted: ";

    QTest::addRow("converted")
        << jet4 << "as given" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress,
                       "information: The Access register was converted: 2 lines, 7 pieces "
                       "received, money 11.7035, the same as in the Access file.\r\nThe "
                       "Access file is kept as db1-access.mdb."}
        << "converted";
    QTest::addRow("declined") << jet4 << "as given" << QList<bool>{false, false} << qint64(-1)
                              << QStringList{ask, offer} << "access";
    QTest::addRow("declined, empty register instead")
        << jet4 << "as given" << QList<bool>{false, true} << qint64(-1) << QStringList{ask, offer}
        << "empty register";
    QTest::addRow("rows missing")
        << jet4 << "one row more declared" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress,
                       "standardError: The converted register does not match the Access "
                       "file (Access file: 3 lines, 7 pieces received, money 11.7035; "
                       "converted: 2 lines",
                       offer}
        << "access";
    QTest::addRow("cancelled") << jet4 << "as given" << QList<bool>{true} << qint64(0)
                               << QStringList{ask, progress, offer} << "access";
    QTest::addRow("no Table1") << fileBytes(fixture("jet4-unicode-text.mdb")) << "" << QList<bool>{true, true}
                               << qint64(-1) << QStringList{ask, cannot + "there is no table Table1.", offer}
                               << "empty register";
    QTest::addRow("Table1 without order columns")
        << jet4 << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress,
                       cannot + "Table1 holds no order lines: it has none of the register's columns.", offer}
        << "access";
    QTest::addRow("order columns missing")
        << jet4 << "without artikul and obsto" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress, cannot + "Table1 lacks the columns for Article, Money.", offer}
        << "access";
    QTest::addRow("money not price times received")
        << jet4 << "money of the second line off" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress,
                       cannot + "line 2 of Table1 (key 9) holds what no register can: Money 8.01 is not "
                                "Purchasing "
                                "Price 2 × Received 4.",
                       offer}
        << "access";
    // Money 3423.4784 of the first line (key 3) grown by 2^40 ten-thousandths.
    QByteArray hugeMoney = order;
    hugeMoney.replace(hugeMoney.indexOf(littleEndian(qint64(34234784))), 8,
                      littleEndian(qint64(34234784) + (qint64(1) << 40)));
    QTest::addRow("money of a damaged file")
        << hugeMoney << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress,
                       cannot + "line 1 of Table1 (key 3) holds what no register can: Money 109954586.256 is "
                                "not Purchasing Price 427.9348 × Received 8.",
                       offer}
        << "access";
    QTest::addRow("renaming the register fails")
        << jet4 << "converted file taken away" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress, "standardError: The converted register cannot be renamed to db1.mdb (",
                       offer}
        << "access";

    QTest::addRow("first pages only")
        << cutShort(jet4, 3) << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, damaged + "its list of tables cannot be read.", offer} << "access";
    QTest::addRow("cut short in its list of tables")
        << cutShort(order, 10) << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, damaged + "its list of tables cannot be read.", offer} << "access";
    QTest::addRow("cut short in its lines")
        << cutShort(order, 104) << "" << QList<bool>{true}
        << qint64(-1)
        // The notes of the first lines are on the pages cut off.
        << QStringList{ask, progress, damaged + "a text in column belejka of Table1 is damaged.", offer}
        << "access";
    QTest::addRow("a page of lines zeroed")
        << zeroPage(order, 110) << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress, damaged + "only 380 of the 400 lines of Table1 can be read.", offer}
        << "access";
    QTest::addRow("negative field size")
        << negativeFieldSize(order, "\xff\xfeO'Neil") << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress, damaged + "a value in column batch of Table1 is damaged.", offer}
        << "access";
    // Regression: every text of every line was converted as null.
    QTest::addRow("definition without its variable-length columns")
        << wordAt(order, 37 * 4096 + 43, 0) << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask,
                       damaged +
                           "the definition of Table1 declares 0 columns of variable length but lists 10.",
                       offer}
        << "access";
    // Regression: a long note whose page was zeroed was converted as an empty text.
    QTest::addRow("a note's page zeroed")
        << zeroPage(order, 104) << "" << QList<bool>{true} << qint64(-1)
        << QStringList{ask, progress, damaged + "a text in column belejka of Table1 is damaged.", offer}
        << "access";
    // libmdb loops for ever on this file, its memory growing; a limit ends it.
    QTest::addRow("reader stopped by a limit") << cutShort(order, 81) << "" << QList<bool>{true} << qint64(-1)
                                               << QStringList{ask, damaged, offer} << "access";
}

void TestAccess::convertsAtStartup() {
    QFETCH(QByteArray, accessFile);
    QFETCH(QString, standIn);
    QFETCH(QList<bool>, answers);
    QFETCH(qint64, cancelAt);
    QFETCH(QStringList, boxes);
    QFETCH(QString, outcome);

    WindowFixture f(false);
    f.dir.writeFile("db1.mdb", accessFile);
    f.dir.writeFile("db1.mdb.new", "left by a run that was interrupted");
    const QString converted = f.dir.filePath("db1.mdb.new");
    if (!standIn.isEmpty())
        AccessImport::setSourceOpener([standIn, converted](const QString&) {
            auto source = std::make_unique<StandInSource>();
            source->rows = twoLines();
            if (standIn == "one row more declared")
                source->declared = 3;
            if (standIn == "without artikul and obsto")
                source->absent = {OrderColumns::Artikul, OrderColumns::Obsto};
            if (standIn == "money of the second line off")
                source->rows[1][OrderColumns::Obsto] = money(80100);
            if (standIn == "converted file taken away")
                source->removedWhenClosed = converted;
            return std::unique_ptr<RowSource>(std::move(source));
        });
    f.dialogs.confirmAnswers.append(answers);
    f.dialogs.cancelProgressAt = cancelAt;
    TForm1& form = f.open();

    const QString shown = f.dialogs.shown.join('\n');
    QCOMPARE(f.dialogs.shown.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QVERIFY2(f.dialogs.shown[i].startsWith(boxes[i]), qPrintable(shown));
    QVERIFY(!QFile::exists(converted));
    if (outcome == "access") {
        QCOMPARE(fileBytes(f.dir.databasePath()), accessFile);
        QVERIFY(!QFile::exists(f.dir.filePath("db1-access.mdb")));
        QVERIFY(!form.table().isActive());
        return;
    }
    QCOMPARE(fileBytes(f.dir.filePath("db1-access.mdb")), accessFile);
    QVERIFY(form.table().isActive());
    const QString path = f.dir.databasePath();
    if (outcome == "empty register") {
        QCOMPARE(queryText(path, "SELECT COUNT(*) FROM Table1"), QStringLiteral("0"));
        return;
    }
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), QStringLiteral("Articles Count: 2"));
    QCOMPARE(queryText(path,
                       "SELECT key, batch, artikul, dostavbr, cvet, firmetiket, pokupnacena, obsto, date, "
                       "belejka FROM Table1 ORDER BY key"),
             QString::fromUtf8("5|a1|рокля|NULL||NULL|12345|37035|2009-03-01|first\r\nsecond|"
                               "9|b2|coat|NULL|NULL|NULL|20000|80000|1899-12-29|NULL"));
    QCOMPARE(queryText(path, "SELECT seq FROM sqlite_sequence WHERE name = 'Table1'"), QStringLiteral("9"));
    QCOMPARE(
        queryText(path, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Table1'"),
        QStringLiteral("2"));
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
