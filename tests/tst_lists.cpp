// Pick list files, number texts and the list order: the parts of the lists
// that need no window and no register.

#include "data/NumberText.h"
#include "data/TextOrder.h"
#include "lists/ListEdit.h"
#include "lists/PickListFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempAppDir.h"

#include <QStringEncoder>
#include <QtTest>
#include <optional>
#include <sys/stat.h>

class TestLists : public QObject {
    Q_OBJECT
  private slots:
    void readsEntries_data();
    void readsEntries();
    void editorTextNormalisesBreaks();
    void missingFileIsNotAnError();
    void unreadableFileReportsPathAndReason();
    void namesMatchWithoutCase_data();
    void namesMatchWithoutCase();
    void writesExactBytesAtomically();
    void writeFailureReportsPathAndReason_data();
    void writeFailureReportsPathAndReason();
    void sortOrder_data();
    void sortOrder();
    void generalText_data();
    void generalText();
    void countersReadBack_data();
    void countersReadBack();
    void listEditChanges_data();
    void listEditChanges();
};

// The text as Notepad's "Unicode" (little-endian) or "Unicode big endian" saves it.
static QByteArray utf16(const QString& text, bool bigEndian) {
    QStringEncoder encoder(bigEndian ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE,
                           QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

void TestLists::readsEntries_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    const QStringList abc{"a", "b", "c"};
    QTest::addRow("CR LF") << QByteArray("a\r\nb\r\nc") << abc;
    QTest::addRow("LF only reads like CR LF") << QByteArray("a\nb\nc") << abc;
    QTest::addRow("CR only") << QByteArray("a\rb\rc") << abc;
    QTest::addRow("mixed breaks") << QByteArray("a\rb\nc") << abc;
    QTest::addRow("break at the very end adds nothing") << QByteArray("a\r\nb\r\nc\r\n") << abc;
    QTest::addRow("second break at the end is an empty entry")
        << QByteArray("a\r\n\r\n") << QStringList{"a", ""};
    QTest::addRow("blank line in the middle") << QByteArray("a\r\n\r\nb") << QStringList{"a", "", "b"};
    QTest::addRow("LF CR is two breaks") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::addRow("empty file") << QByteArray() << QStringList{};
    QTest::addRow("only a break") << QByteArray("\r\n") << QStringList{""};
    QTest::addRow("no trimming, duplicates kept")
        << QByteArray(" a \r\n\tb\r\n a ") << QStringList{" a ", "\tb", " a "};
    QTest::addRow("UTF-8 Cyrillic") << QByteArray("Иван\r\nПетров ЕООД")
                                    << QStringList{"Иван", "Петров ЕООД"};
    QTest::addRow("UTF-8 byte-order mark skipped") << QByteArray("\xEF\xBB\xBF"
                                                                 "a\r\nb")
                                                   << QStringList{"a", "b"};
    QTest::addRow("U+FEFF starting a later line is kept") << QByteArray("a\r\n\xEF\xBB\xBF"
                                                                        "b")
                                                          << QStringList{"a", QStringLiteral("\uFEFFb")};
    QTest::addRow("Windows-1251 bytes") << QByteArray("\xC8\xE2\xE0\xED\r\n\xCF\xE5\xF2\xF0\xEE\xE2 \xB9 5")
                                        << QStringList{"Иван", "Петров № 5"};
    QTest::addRow("UTF-16 LE by its byte-order mark")
        << utf16("Иван\r\nZara 😀\r\n", false) << QStringList{"Иван", "Zara 😀"};
    QTest::addRow("UTF-16 BE by its byte-order mark") << utf16("b\ra\n", true) << QStringList{"b", "a"};
    QTest::addRow("UTF-16 keeps a U+FEFF after its mark")
        << utf16("\uFEFFa", false) << QStringList{"\uFEFFa"};
    QTest::addRow("UTF-16 mark alone") << QByteArray("\xFF\xFE") << QStringList{};
    QTest::addRow("one Windows-1251 line among UTF-8 ones")
        << QByteArray("Иван\r\n\xCF\xE5\xF2\xFA\r\nМария") << QStringList{"Иван", "Петъ", "Мария"};
}

void TestLists::readsEntries() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    TempAppDir dir(false);
    dir.writeFile("Suppliers.txt", bytes);
    const PickListFile::Entries read = PickListFile::readEntries(dir.filePath("Suppliers.txt"));
    QCOMPARE(read.status, PickListFile::Status::Ok);
    QCOMPARE(read.lines, entries);
}

void TestLists::editorTextNormalisesBreaks() {
    // The editor shows the file's text in its own order, breaks made uniform,
    // and a break at the end kept, so OK without a change writes it back.
    TempAppDir dir(false);
    dir.writeFile("Batches.txt", QByteArray("b2\rA1\nc3\r\n"));
    const PickListFile::Text read = PickListFile::readText(dir.filePath("Batches.txt"));
    QCOMPARE(read.status, PickListFile::Status::Ok);
    QCOMPARE(read.text, QString("b2\nA1\nc3\n"));
}

void TestLists::missingFileIsNotAnError() {
    TempAppDir dir(false);
    const PickListFile::Entries read = PickListFile::readEntries(dir.filePath("articles.txt"));
    QCOMPARE(read.status, PickListFile::Status::Missing);
    QVERIFY(read.lines.isEmpty());
    QVERIFY(read.error.isEmpty());
}

void TestLists::unreadableFileReportsPathAndReason() {
    // A folder in the file's place exists but cannot be read as a list.
    TempAppDir dir(false);
    QVERIFY(QDir().mkpath(dir.filePath("Suppliers.txt")));
    const PickListFile::Entries read = PickListFile::readEntries(dir.filePath("Suppliers.txt"));
    QCOMPARE(read.status, PickListFile::Status::Error);
    const QString prefix =
        "Cannot open file \"" + QDir::toNativeSeparators(dir.filePath("Suppliers.txt")) + "\". ";
    QVERIFY2(read.error.startsWith(prefix), qPrintable(read.error));
    QVERIFY2(read.error.size() > prefix.size(), "the system's reason is missing");
}

void TestLists::namesMatchWithoutCase_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("found");
    QTest::addRow("start-up spelling finds the editor's") << QStringList{"Articles.txt"} << "articles.txt"
                                                          << "Articles.txt";
    QTest::addRow("editor spelling finds the start-up one") << QStringList{"articles.txt"} << "Articles.txt"
                                                            << "articles.txt";
    QTest::addRow("exact spelling") << QStringList{"Batches.txt"} << "Batches.txt"
                                    << "Batches.txt";
    QTest::addRow("none exists: as asked") << QStringList{} << "Articles.txt"
                                           << "Articles.txt";
    QTest::addRow("two spellings: both askers reach the same")
        << QStringList{"articles.txt", "Articles.txt"} << "articles.txt"
        << "Articles.txt";
    QTest::addRow("other files ignored") << QStringList{"Articles.txt.bak", "xArticles.txt"} << "Articles.txt"
                                         << "Articles.txt";
}

void TestLists::namesMatchWithoutCase() {
    QFETCH(QStringList, existing);
    QFETCH(QString, asked);
    QFETCH(QString, found);
    TempAppDir dir(false);
    for (const QString& name : existing)
        dir.writeFile(name, "x");
    QCOMPARE(PickListFile::resolve(dir.path(), asked), dir.filePath(found));
}

void TestLists::writesExactBytesAtomically() {
    TempAppDir dir(false);
    dir.writeFile("Articles.txt", QByteArray("old\r\nlonger old content\r\n"));
    QString error;
    QVERIFY(PickListFile::write(dir.filePath("Articles.txt"), "Рокля\r\nb", &error));
    QCOMPARE(dir.readFile("Articles.txt"), QByteArray("\xD0\xA0\xD0\xBE\xD0\xBA\xD0\xBB\xD1\x8F\r\nb"));
    // No temporary file is left beside the list.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Articles.txt"});
}

void TestLists::writeFailureReportsPathAndReason_data() {
    // A file where a folder should be, or in the list's place a named pipe
    // ("pipe") or a link to one ("link"), which stand for a device too.
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to; 0: no limit
    QTest::addRow("folder does not exist") << QString() << "missing/Articles.txt" << 0;
    QTest::addRow("folder is a file") << "sub"
                                      << "sub/Articles.txt" << 0;
    QTest::addRow("disk full half-way: the old list survives") << QString() << "Articles.txt" << 8;
    QTest::addRow("named pipe in the list's place") << "pipe"
                                                    << "Articles.txt" << 0;
    QTest::addRow("link in the list's place") << "link"
                                              << "Articles.txt" << 0;
}

void TestLists::writeFailureReportsPathAndReason() {
    QFETCH(QString, blocker);
    QFETCH(QString, target);
    QFETCH(int, sizeLimit);
    TempAppDir dir(false);
    if (blocker == "pipe" || blocker == "link") {
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
        if (blocker == "link")
            QVERIFY(QFile::link(dir.filePath("pipe"), dir.filePath(target)));
        else
            QVERIFY(QFile::rename(dir.filePath("pipe"), dir.filePath(target)));
    } else if (!blocker.isEmpty()) {
        dir.writeFile(blocker, "not a folder");
    }
    const QByteArray old("old\r\nlist\r\n");
    if (sizeLimit > 0)
        dir.writeFile(target, old);
    QString error;
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit > 0)
            limit.emplace(rlim_t(sizeLimit));
        QVERIFY(!PickListFile::write(dir.filePath(target), QString(1000, u'n'), &error));
    }
    const QString prefix = "Cannot create file \"" + QDir::toNativeSeparators(dir.filePath(target)) + "\". ";
    QVERIFY2(error.startsWith(prefix), qPrintable(error));
    QVERIFY2(error.size() > prefix.size(), "the system's reason is missing");
    if (blocker == "pipe" || blocker == "link") // left as it was, not replaced by a regular file
        QVERIFY(!QFileInfo(dir.filePath(target)).isFile());
    if (sizeLimit > 0) {
        QCOMPARE(dir.readFile(target), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{target});
    }
}

void TestLists::sortOrder_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("sorted");
    QTest::addRow("case ignored") << QStringList{"beta", "Alpha", "gamma"}
                                  << QStringList{"Alpha", "beta", "gamma"};
    QTest::addRow("Cyrillic case ignored")
        << QStringList{"вера", "Борис", "ана", "Виктор"} << QStringList{"ана", "Борис", "вера", "Виктор"};
    QTest::addRow("empty entry first") << QStringList{"b", "", "a"} << QStringList{"", "a", "b"};
    QTest::addRow("duplicates kept in place")
        << QStringList{"b", "a", "B", "b"} << QStringList{"a", "b", "B", "b"};
    QTest::addRow("a supplier named All is an ordinary entry")
        << QStringList{"Zeta", "All", "Acme"} << QStringList{"Acme", "All", "Zeta"};
}

void TestLists::sortOrder() {
    QFETCH(QStringList, entries);
    QFETCH(QStringList, sorted);
    TextOrder::sort(entries);
    QCOMPARE(entries, sorted);
}

void TestLists::generalText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text"); // "." stands for the locale's separator
    QTest::addRow("zero") << 0.0 << "0";
    QTest::addRow("negative zero") << -0.0 << "0";
    QTest::addRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
    QTest::addRow("10.5 + 2.25") << 10.5 + 2.25 << "12.75";
    QTest::addRow("whole number has no separator") << 75.0 << "75";
    QTest::addRow("negative") << -3.5 << "-3.5";
    QTest::addRow("negative whole") << -1200.0 << "-1200";
    QTest::addRow("15 digits before the separator") << 999999999999999.0 << "999999999999999";
    QTest::addRow("16 digits before the separator") << 1e15 << "1E15";
    QTest::addRow("1e20") << 1e20 << "1E20";
    QTest::addRow("-1.5e20") << -1.5e20 << "-1.5E20";
    QTest::addRow("rounds to 15 digits") << 123456.78901234567 << "123456.789012346";
    QTest::addRow("0.00001 is still plain") << 0.00001 << "0.00001";
    QTest::addRow("0.0000123 is still plain") << 0.0000123 << "0.0000123";
    QTest::addRow("0.000001") << 0.000001 << "1E-6";
    QTest::addRow("-0.0000025") << -0.0000025 << "-2.5E-6";
    QTest::addRow("money of many lines") << 1234567.8901 << "1234567.8901";
}

void TestLists::generalText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberText::generalText(value, QLocale::c()), text);
    // A locale with a comma separator and grouping writes no grouping.
    const QLocale bulgarian(QLocale::Bulgarian, QLocale::Bulgaria);
    QCOMPARE(NumberText::generalText(value, bulgarian), QString(text).replace('.', bulgarian.decimalPoint()));
}

void TestLists::countersReadBack_data() {
    QTest::addColumn<double>("value");
    QTest::addRow("fraction") << 12.75;
    QTest::addRow("negative") << -0.3;
    QTest::addRow("large") << 1e20;
    QTest::addRow("large with a fraction") << -1.25e20;
    QTest::addRow("thousands") << 1500.25;
    QTest::addRow("small") << 0.000001;
    QTest::addRow("15 digits") << 123456789.012345;
}

void TestLists::countersReadBack() {
    QFETCH(double, value);
    // Written and read in the system's locale, as the counters are.
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Bulgarian, QLocale::Bulgaria),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        double back = 0;
        QVERIFY(NumberText::readNumber(NumberText::generalText(value), &back));
        QCOMPARE(back, value);
    }
    QLocale::setDefault(QLocale::c());
    double dotted = 0;
    QLocale::setDefault(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    QVERIFY(NumberText::readNumber("12.75", &dotted)); // "." is taken too
    QCOMPARE(dotted, 12.75);
    qint64 pieces = -1;
    QVERIFY(NumberText::readInteger("", &pieces)); // a counter never written reads 0
    QCOMPARE(pieces, 0);
    QVERIFY(!NumberText::readInteger("12x", &pieces));
    QLocale::setDefault(QLocale::c());
}

void TestLists::listEditChanges_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("renamed"); // "from>to"
    QTest::addColumn<QStringList>("removed");
    QTest::addRow("edited in place") << QStringList{"A", "B", "C"} << QStringList{"A", "B2", "C"}
                                     << QStringList{"B>B2"} << QStringList{};
    QTest::addRow("two edited in place")
        << QStringList{"A", "B"} << QStringList{"A1", "B1"} << QStringList{"A>A1", "B>B1"} << QStringList{};
    QTest::addRow("removed") << QStringList{"A", "B"} << QStringList{"A"} << QStringList{}
                             << QStringList{"B"};
    QTest::addRow("one gone, one new, lines shifted")
        << QStringList{"A", "B", "C"} << QStringList{"Z", "A", "C"} << QStringList{"B>Z"} << QStringList{};
    QTest::addRow("a duplicate removed is no change")
        << QStringList{"A", "A", "B"} << QStringList{"A", "B"} << QStringList{} << QStringList{};
    QTest::addRow("moved is no change")
        << QStringList{"A", "B"} << QStringList{"B", "A"} << QStringList{} << QStringList{};
    QTest::addRow("added only") << QStringList{"A"} << QStringList{"A", "B"} << QStringList{}
                                << QStringList{};
    QTest::addRow("emptied to a blank line")
        << QStringList{"A"} << QStringList{""} << QStringList{} << QStringList{"A"};
    QTest::addRow("two gone, one new elsewhere")
        << QStringList{"A", "B", "C"} << QStringList{"C", "D"} << QStringList{} << QStringList{"A", "B"};
}

void TestLists::listEditChanges() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    QFETCH(QStringList, renamed);
    QFETCH(QStringList, removed);
    const ListEdit::Changes changes = ListEdit::between(before, after);
    QStringList pairs;
    for (const auto& [from, to] : changes.renamed)
        pairs << from + ">" + to;
    QCOMPARE(pairs, renamed);
    QCOMPARE(changes.removed, removed);
}

QTEST_MAIN(TestLists)
#include "tst_lists.moc"
