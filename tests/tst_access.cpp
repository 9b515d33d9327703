// Moving over from the Windows register: each Access column type read
// exactly from small public Access files, and the conversion of Table1 at
// start-up with its checks, through the real window and a stand-in source of
// order rows (the public files hold no order lines).

#include "app/AccessImport.h"
#include "data/AccessFile.h"
#include "data/Currency.h"
#include "data/OrderColumns.h"
#include "support/WindowFixture.h"

#include <QDate>
#include <QDir>
#include <QtTest>
#include <sqlite3.h>

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(TEST_DATA_DIR "/access/") + name;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QVariant money(qint64 units)
{
    return QVariant::fromValue(Currency::fromUnits(units));
}

// Order rows given by the test; it may claim more rows than it gives, as a
// damaged file whose reader skips rows would.
class StandInSource : public RowSource {
public:
    QVector<QVector<QVariant>> rows;
    qint64 declared = -1;

    QStringList columnNames() const override
    {
        QStringList names;
        for (int i = 0; i < OrderColumns::Count; ++i)
            names << OrderColumns::name(i).toUpper(); // Access keeps its own spelling
        return names;
    }
    QVector<Kind> columnKinds() const override
    {
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
    bool next(QVector<QVariant>* row) override
    {
        if (m_next >= rows.size())
            return false;
        *row = rows[m_next++];
        return true;
    }
    QString errorString() const override { return {}; }

private:
    int m_next = 0;
};

QVector<QVariant> orderRow(int key, const QVariantMap& values)
{
    QVector<QVariant> row(OrderColumns::Count);
    row[OrderColumns::Key] = key;
    for (auto it = values.begin(); it != values.end(); ++it)
        row[OrderColumns::indexOf(it.key())] = it.value();
    return row;
}

QVector<QVector<QVariant>> twoLines()
{
    return {
        orderRow(5, {{"batch", "a1"}, {"artikul", QString::fromUtf8("рокля")}, {"dostavcik", "Zara"},
                     {"paracbr", 3}, {"dostavbr", QVariant()}, {"polucbr", 3}, {"pokupnacena", money(12345)},
                     {"obsto", money(37035)}, {"date", QDate(2009, 3, 1)}, {"belejka", "first\r\nsecond"},
                     {"photo", 5}, {"cvet", ""}}),
        orderRow(9, {{"batch", "b2"}, {"artikul", "coat"}, {"dostavcik", "Mango"}, {"paracbr", 4},
                     {"polucbr", 4}, {"pokupnacena", money(20000)}, {"obsto", money(80000)},
                     {"date", QDate(1899, 12, 29)}, {"photo", 9}}),
    };
}

QString queryText(const QString& path, const QString& sql)
{
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

} // namespace

class TestAccess : public QObject {
    Q_OBJECT
private slots:
    // The Windows register's file becomes db1.mdb; a server register is filled by its own command.
    void initTestCase() { SKIP_ON_SERVER(); }
    void cleanup() { AccessImport::setSourceOpener({}); }

    void readsEachType_data();
    void readsEachType();
    void convertsAtStartup_data();
    void convertsAtStartup();
};

void TestAccess::readsEachType_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("expected");

    const QString all = fixture("jet4-all-types.mdb");
    QTest::addRow("Jet 4 counter") << all << "Table1" << 0 << "ID" << QVariant(1);
    QTest::addRow("Jet 4 text") << all << "Table1" << 0 << "ShortTextField" << QVariant("the quick");
    QTest::addRow("Jet 4 Chinese text") << all << "Table1" << 1 << "ShortTextField"
                                        << QVariant(QString::fromUtf8("普林斯顿大学"));
    QTest::addRow("Jet 4 long") << all << "Table1" << 0 << "NumberField" << QVariant(3);
    QTest::addRow("Jet 4 currency") << all << "Table1" << 0 << "CurrencyField" << money(62300);
    QTest::addRow("Jet 4 zero currency") << all << "Table1" << 1 << "CurrencyField" << money(0);
    QTest::addRow("Jet 4 date") << all << "Table1" << 0 << "DateField" << QVariant(QDate(2015, 6, 24));
    QTest::addRow("Jet 4 null date") << all << "Table1" << 1 << "DateField" << QVariant();
    QTest::addRow("Jet 4 yes") << all << "Table1" << 0 << "YesNoField" << QVariant(true);
    QTest::addRow("Jet 4 no") << all << "Table1" << 1 << "YesNoField" << QVariant(false);
    QTest::addRow("Jet 4 memo") << all << "Table1" << 0 << "PlainTextMemo" << QVariant("red and brown");
    QTest::addRow("Jet 4 empty memo") << all << "Table1" << 1 << "PlainTextMemo" << QVariant(QString(""));
    QTest::addRow("Jet 4 hyperlink") << all << "Table1" << 0 << "HyperLinkField"
                                     << QVariant("#http://tika.apach.org#");

    const QString unicode = fixture("jet4-unicode-text.mdb");
    QTest::addRow("Jet 4 Cyrillic") << unicode << "Table" << 2 << "Unicode" << QVariant(QString::fromUtf8("Мир"));
    QTest::addRow("Jet 4 Greek") << unicode << "Table" << 3 << "Unicode"
                                 << QVariant(QString::fromUtf16(u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C "
                                                                u"\u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1"));
    QTest::addRow("Jet 4 compressed Latin-1") << unicode << "Table" << 1 << "Unicode"
                                              << QVariant(QString::fromUtf8("ääkkösiä"));

    const QString jet3 = fixture("jet3-basic.mdb");
    QTest::addRow("Jet 3 text") << jet3 << "Table1" << 1 << "A" << QVariant("abcdefg");
    QTest::addRow("Jet 3 byte") << jet3 << "Table1" << 1 << "C" << QVariant(2);
    QTest::addRow("Jet 3 integer") << jet3 << "Table1" << 1 << "D" << QVariant(222);
    QTest::addRow("Jet 3 long") << jet3 << "Table1" << 1 << "E" << QVariant(333333333);
    QTest::addRow("Jet 3 double") << jet3 << "Table1" << 1 << "F" << QVariant(444.555);
    QTest::addRow("Jet 3 date") << jet3 << "Table1" << 0 << "G" << QVariant(QDate(1981, 12, 12));
    QTest::addRow("Jet 3 currency") << jet3 << "Table1" << 1 << "H" << money(35000);
    QTest::addRow("Jet 3 yes") << jet3 << "Table1" << 1 << "I" << QVariant(true);
    // The same file with "abcdefg" overwritten by Windows-1251 bytes.
    QTest::addRow("Jet 3 Windows-1251 text") << "cp1251" << "Table1" << 1 << "A"
                                             << QVariant(QString::fromUtf8("Абвгдеж"));
}

void TestAccess::readsEachType()
{
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(int, row);
    QFETCH(QString, column);
    QFETCH(QVariant, expected);

    QTemporaryDir dir;
    if (file == QLatin1String("cp1251")) {
        QByteArray bytes = fileBytes(fixture("jet3-basic.mdb"));
        const int at = bytes.indexOf("abcdefg");
        QVERIFY(at > 0);
        bytes.replace(at, 7, "\xC0\xE1\xE2\xE3\xE4\xE5\xE6");
        file = dir.filePath("cp1251.mdb");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    }
    AccessTableReader reader;
    QVERIFY2(reader.open(file, table), qPrintable(reader.errorString()));
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

void TestAccess::convertsAtStartup_data()
{
    QTest::addColumn<QString>("accessFile"); // fixture copied to db1.mdb
    QTest::addColumn<bool>("standIn");       // rows from twoLines() instead of the file
    QTest::addColumn<qint64>("declared");    // rows the stand-in claims, -1: as many as it gives
    QTest::addColumn<bool>("answer");
    QTest::addColumn<qint64>("cancelAt");
    QTest::addColumn<QString>("lastBox"); // beginning of the last box shown
    QTest::addColumn<bool>("converted");

    const QString jet4 = QStringLiteral("jet4-all-types.mdb");
    QTest::addRow("converted") << jet4 << true << qint64(-1) << true << qint64(-1)
                               << "information: The Access register was converted: 2 lines, 7 pieces received, "
                                  "money 11.7035, the same as in the Access file.\r\nThe Access file is kept as "
                                  "db1-access.mdb."
                               << true;
    QTest::addRow("declined") << jet4 << true << qint64(-1) << false << qint64(-1) << "confirm: db1.mdb is a Microsoft "
                                                                                      "Access file (Access 2000-2003, "
                                                                                      "Jet 4)"
                              << false;
    QTest::addRow("rows missing") << jet4 << true << qint64(3) << true << qint64(-1)
                                  << "standardError: The converted register does not match the Access file (Access "
                                     "file: 3 lines, 7 pieces received, money 11.7035; converted: 2 lines"
                                  << false;
    QTest::addRow("cancelled") << jet4 << true << qint64(-1) << true << qint64(0)
                               << "progress: Converting the Access register..." << false;
    QTest::addRow("no Table1") << "jet4-unicode-text.mdb" << false << qint64(-1) << true << qint64(-1)
                               << "standardError: db1.mdb cannot be converted: there is no table Table1." << false;
    QTest::addRow("Table1 without order columns")
        << jet4 << false << qint64(-1) << true << qint64(-1)
        << "standardError: db1.mdb cannot be converted: Table1 lacks the order columns key, batch, artikul," << false;
    QTest::addRow("damaged") << "truncated" << false << qint64(-1) << true << qint64(-1)
                             << "standardError: db1.mdb cannot be converted: the file is damaged" << false;
}

void TestAccess::convertsAtStartup()
{
    QFETCH(QString, accessFile);
    QFETCH(bool, standIn);
    QFETCH(qint64, declared);
    QFETCH(bool, answer);
    QFETCH(qint64, cancelAt);
    QFETCH(QString, lastBox);
    QFETCH(bool, converted);

    WindowFixture f(false);
    const QByteArray original = accessFile == QLatin1String("truncated")
                                    ? fileBytes(fixture("jet4-all-types.mdb")).left(4096 * 3)
                                    : fileBytes(fixture(accessFile));
    f.dir.writeFile("db1.mdb", original);
    if (standIn)
        AccessImport::setSourceOpener([declared](const QString&, QString*) {
            auto source = std::make_unique<StandInSource>();
            source->rows = twoLines();
            source->declared = declared;
            return std::unique_ptr<RowSource>(std::move(source));
        });
    f.dialogs.confirmAnswers << answer;
    f.dialogs.cancelProgressAt = cancelAt;
    TForm1& form = f.open();

    QVERIFY2(f.dialogs.shown.last().startsWith(lastBox), qPrintable(f.dialogs.shown.join('\n')));
    QVERIFY(f.dialogs.shown.first().startsWith("confirm: "));
    QVERIFY(!QFile::exists(f.dir.filePath("db1.mdb.new")));
    if (!converted) {
        QCOMPARE(fileBytes(f.dir.databasePath()), original);
        QVERIFY(!QFile::exists(f.dir.filePath("db1-access.mdb")));
        QVERIFY(!form.table().isActive());
        return;
    }
    QCOMPARE(fileBytes(f.dir.filePath("db1-access.mdb")), original);
    QVERIFY(form.table().isActive());
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount), QStringLiteral("Articles Count: 2"));
    const QString path = f.dir.databasePath();
    QCOMPARE(queryText(path, "SELECT key, batch, artikul, dostavbr, cvet, firmetiket, pokupnacena, obsto, date, "
                             "belejka FROM Table1 ORDER BY key"),
             QString::fromUtf8("5|a1|рокля|NULL||NULL|12345|37035|2009-03-01|first\r\nsecond|"
                               "9|b2|coat|NULL|NULL|NULL|20000|80000|1899-12-29|NULL"));
    QCOMPARE(queryText(path, "SELECT seq FROM sqlite_sequence WHERE name = 'Table1'"), QStringLiteral("9"));
    QCOMPARE(queryText(path, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index'"), QStringLiteral("2"));
}

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
