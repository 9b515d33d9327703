// The report workbook: the export statement's text, the report of the view
// written through the real window and read back by an independent reader
// (tools/xls-inspect: Spreadsheet::ParseExcel plus its own record walk, with
// --strict for what strict readers require), the refusals, and golden bytes
// of the writer's container and string table.

#include "app/OrderGrid.h"
#include "data/OrderColumns.h"
#include "export/ArialWidths.h"
#include "export/BiffStream.h"
#include "export/CompoundFile.h"
#include "export/ExportQuery.h"
#include "export/ReportColumns.h"
#include "export/SharedStrings.h"
#include "export/Workbook.h"
#include "export/WorkbookWriter.h"
#include "export/gui/ExcelExport.h"
#include "support/OtherClient.h"
#include "support/PrintedPages.h"
#include "support/WindowFixture.h"
#include "support/XlsInspect.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString cellName(int row, int column) {
    return QChar('A' + column) + QString::number(row);
}

struct Line {
    const char* supplier;
    const char* article;
    qint64 price; // ten-thousandths
    int ordered;
    qint64 money;
};

// Inserted in this order, so key order differs from article order, and a
// binary sort of the articles would differ from the grid's.
const Line Lines[] = {
    {"Ann's", "Banana \"Lux\"", 3333, 3, 9999},
    {"Зара", "cherry", 125000, 3, 375000},
    {"Зара", "apple", 20000, 10, 200000},
};

void clickTitle(TForm1& form, int column) {
    emit form.DBGrid1->horizontalHeader()->sectionClicked(column);
    QCoreApplication::processEvents();
}

// 65,530 lines in one statement, beyond what a report holds.
void fillLines(const TempAppDir& dir, int count) {
    OtherClient(dir).run(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO Table1 (dostavcik, artikul) SELECT 'S', 'a' FROM n")
            .arg(count));
}

void fillBeyondLimit(const TempAppDir& dir) {
    fillLines(dir, ExcelExport::MaxLines + 1);
}

// A line of the register as the printed-report cases give it: supplier,
// article, material, colour, size; price and money in ten-thousandths.
QVariantMap line(const QString& supplier, const QString& article, const QString& material,
                 const QString& colour, const QString& size, qint64 price, int ordered, qint64 money) {
    return {{"dostavcik", supplier}, {"artikul", article}, {"sastav", material},
            {"cvet", colour},        {"razmeri", size},    {"pokupnacena", price},
            {"paracbr", ordered},    {"polucbr", ordered}, {"obsto", money}};
}

// Thirty lines of a trader's usual texts, as wide as such a report gets.
QVariantList ordinaryLines() {
    QVariantList lines;
    for (int i = 0; i < 30; ++i)
        lines << line("Текстил Мода ООД", QString("Дамска рокля модел %1").arg(100 + i),
                      "памук 95%, еластан 5%", "тъмносин", "S-M-L-XL", 125000 + i, 24, 3000000 + 24 * i);
    return lines;
}

// Another process holding a POSIX lock on a file, as an office suite does on
// the document it has open.
class LockHolder {
  public:
    explicit LockHolder(const QString& path) {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        const QByteArray name = QFile::encodeName(path);
        m_pid = ::fork();
        if (m_pid == 0) { // only async-signal-safe calls from here on
            struct flock lock = {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            const int fd = ::open(name.constData(), O_RDWR);
            const char held = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 1 : 0;
            (void)!::write(ready[1], &held, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char held = 0;
        m_holding = m_pid > 0 && ::read(ready[0], &held, 1) == 1 && held == 1;
        ::close(ready[0]);
    }
    ~LockHolder() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool holding() const { return m_holding; }

  private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

// Makes a folder refuse new files even to the superuser, for as long as it lives.
class ImmutableFolder {
  public:
    explicit ImmutableFolder(const QString& path) : m_path(path) {
        m_set = QProcess::execute("chattr", {"+i", path}) == 0;
        if (!m_set)
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~ImmutableFolder() {
        if (m_set)
            QProcess::execute("chattr", {"-i", m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The system's word for the refusal.
    QString reason() const { return m_set ? "Operation not permitted" : "Permission denied"; }
    bool refusesFiles() const {
        QFile probe(QDir(m_path).filePath("probe"));
        const bool made = probe.open(QIODevice::WriteOnly);
        if (made)
            probe.remove();
        return !made;
    }

  private:
    QString m_path;
    bool m_set = false;
};

// A device that accepts only so many bytes, as a full disk does.
class FullDevice : public QIODevice {
  public:
    explicit FullDevice(qint64 room) : m_room(room) { open(WriteOnly); }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        if (len > m_room) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_room -= len;
        return len;
    }

  private:
    qint64 m_room;
};

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

    // Workbooks of printedReport, printed together by printedReportOnPaper:
    // LibreOffice takes seconds to start.
    struct PaperCheck {
        QString workbook;
        int pages;
        QStringList whole;
        QStringList endsBefore;
    };
    QTemporaryDir m_paperDir;
    QHash<QString, PaperCheck> m_paper;

  private slots:
    void photoReportMatchesOrdersXls_data();
    void photoReportMatchesOrdersXls();
    void queryText_data();
    void queryText();
    void reportOfTheView_data();
    void reportOfTheView();
    void printedReport_data();
    void printedReport();
    void printedReportOnPaper();
    void secondExportReplacesTheFirst();
    void reportAfterAnotherClerksChange_data();
    void reportAfterAnotherClerksChange();
    void wholeSheetIsExported();
    void refusalsLeaveTheOldReport_data();
    void refusalsLeaveTheOldReport();
    void compoundFileLayout_data();
    void compoundFileLayout();
    void stringTableContinues_data();
    void stringTableContinues();
    void textIsMeasuredInItsWeight_data();
    void textIsMeasuredInItsWeight();
    void longTextCutToACell_data();
    void longTextCutToACell();
    void failedWriteIsReported();
};

void ExportTest::queryText_data() {
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("expected");
    const QString head =
        "SELECT dostavcik, artikul, sastav, cvet, razmeri, pokupnacena, paracbr, obsto INTO Orders "
        "IN \"Orders.xls\" \"Excel 8.0;\" ";
    QTest::addRow("no filter, by key") << false << "dostavcik = 'X'"
                                       << "key" << head + "FROM Table1 ORDER BY key";
    QTest::addRow("supplier, article descending")
        << true << "dostavcik = 'X'"
        << "artikul DESC" << head + "FROM Table1 WHERE dostavcik = 'X' ORDER BY artikul DESC";
    QTest::addRow("supplier with a quote and batch")
        << true << "(dostavcik = 'Ann''s') AND (batch = 'Y')"
        << "obsto" << head + "FROM Table1 WHERE (dostavcik = 'Ann''s') AND (batch = 'Y') ORDER BY obsto";
}

void ExportTest::queryText() {
    QFETCH(bool, filtered);
    QFETCH(QString, filter);
    QFETCH(QString, sort);
    QFETCH(QString, expected);
    QCOMPARE(ExportQuery::text(filtered, filter, sort), expected);
}

void ExportTest::reportOfTheView_data() {
    QTest::addColumn<int>("lineCount");       // of Lines, inserted before start-up
    QTest::addColumn<QString>("supplier");    // filter box entry, empty for "All"
    QTest::addColumn<QList<int>>("titles");   // grid titles clicked
    QTest::addColumn<QList<int>>("expected"); // Lines in report order
    QTest::addRow("empty view") << 0 << "" << QList<int>{} << QList<int>{};
    QTest::addRow("all lines by key") << 3 << "" << QList<int>{} << QList<int>{0, 1, 2};
    QTest::addRow("article descending, letter case ignored")
        << 3 << "" << QList<int>{OrderColumns::Artikul, OrderColumns::Artikul} << QList<int>{1, 0, 2};
    QTest::addRow("Cyrillic supplier, by money")
        << 3 << "Зара" << QList<int>{OrderColumns::Obsto} << QList<int>{2, 1};
}

void ExportTest::reportOfTheView() {
    QFETCH(int, lineCount);
    QFETCH(QString, supplier);
    QFETCH(QList<int>, titles);
    QFETCH(QList<int>, expected);
    // The caption of the sort field is marked (none for a field the report
    // does not show, such as the key).
    const int sortColumn = titles.isEmpty() ? -1 : ReportColumns::ofField(titles.last());
    const QString sortCell = sortColumn < 0 ? QString() : ReportColumns::letter(sortColumn) + "7";
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Ann's\r\nЗара\r\n");
    f.dir.writeFile("Company.txt", "Модна къща \"Елит\"\r\n");
    for (int i = 0; i < lineCount; ++i) {
        const Line& l = Lines[i];
        f.insertLine({{"dostavcik", QString::fromUtf8(l.supplier)},
                      {"artikul", QString::fromUtf8(l.article)},
                      {"sastav", "памук"},
                      {"pokupnacena", l.price},
                      {"paracbr", l.ordered},
                      {"polucbr", l.ordered},
                      {"obsto", l.money}});
    }
    TForm1& form = f.open();
    if (!supplier.isEmpty()) {
        form.cbfiltersup->setCurrentIndex(form.cbfiltersup->findText(supplier));
        emit form.cbfiltersup->activated(form.cbfiltersup->currentIndex());
    }
    for (int column : titles)
        clickTitle(form, column);
    WindowFixture::click(form.Button3);
    QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
    const QString path = f.dir.filePath("Orders.xls");
    QCOMPARE(f.dialogs.opened, QStringList{path});

    const QJsonObject report = inspectWorkbook(path);
    QVERIFY(!report.isEmpty());
    const QJsonObject sheet = report["sheets"][0].toObject();
    QCOMPARE(sheet["name"].toString(), "Orders");
    const int lastRow = 7 + int(expected.size());
    const QString lastColumn = ReportColumns::letter(ReportColumns::Count - 1);
    QCOMPARE(sheet["dimensions"]["range"].toString(), "A1:" + lastColumn + QString::number(lastRow));
    QHash<QString, QJsonObject> cells;
    for (const QJsonValue c : sheet["cells"].toArray())
        cells.insert(c["cell"].toString(), c.toObject());
    const auto text = [&](const QString& cell) { return cells.value(cell)["value"].toString(); };
    const auto format = [&](const QString& cell) -> const QJsonObject {
        return cells.value(cell)["format"].toObject();
    };

    // Title rows: texts, fonts, fills, the outline of B3:D5.
    QCOMPARE(text("B2"), QString("Модна къща \"Елит\""));
    QCOMPARE(format("B2")["font"]["name"].toString(), "Arial");
    QCOMPARE(format("B2")["font"]["size"].toInt(), 32);
    const int panels[] = {StatusPanels::Filter, StatusPanels::Pieces, StatusPanels::Money};
    const char* fills[] = {"FFFFFF", "008000", "FF0000"};
    for (int r = 3; r <= 5; ++r) {
        QCOMPARE(text(cellName(r, 1)), form.statusPanels().text(panels[r - 3]));
        for (int c = 1; c <= 3; ++c) {
            const QJsonObject fmt = format(cellName(r, c));
            QCOMPARE(fmt["fill"]["color"].toString(), fills[r - 3]);
            const QJsonObject edges = fmt["borders"].toObject();
            QCOMPARE(edges["left"].isObject(), c == 1);
            QCOMPARE(edges["right"].isObject(), c == 3);
            QCOMPARE(edges["top"].isObject(), r == 3);
            QCOMPARE(edges["bottom"].isObject(), r == 5);
        }
        QCOMPARE(format(cellName(r, 1))["font"]["bold"].toBool(), r > 3);
        QCOMPARE(format(cellName(r, 1))["font"]["color"].toString(), r > 3 ? "FFFFFF" : "auto");
    }
    QCOMPARE(text("B3"), supplier.isEmpty() ? QString("Supplier: All") : "Supplier: " + supplier);

    // The table: captions, lines in the view's order, silver borders all round.
    const QStringList captions = ReportColumns::captions();
    for (int c = 0; c < ReportColumns::Count; ++c)
        QCOMPARE(text(cellName(7, c)), captions[c]);
    for (int i = 0; i < expected.size(); ++i) {
        const Line& l = Lines[expected[i]];
        const int r = 8 + i;
        const auto at = [&](OrderColumns::Index field) {
            return cells.value(cellName(r, ReportColumns::ofField(field)));
        };
        QCOMPARE(at(OrderColumns::Dostavcik)["value"].toString(), QString::fromUtf8(l.supplier));
        QCOMPARE(at(OrderColumns::Artikul)["value"].toString(), QString::fromUtf8(l.article));
        QCOMPARE(at(OrderColumns::Sastav)["value"].toString(), QString("памук"));
        QCOMPARE(at(OrderColumns::Pokupnacena)["type"].toString(), "number");
        QCOMPARE(at(OrderColumns::Pokupnacena)["value"].toDouble(), l.price / 10000.0);
        QCOMPARE(at(OrderColumns::Paracbr)["value"].toDouble(), double(l.ordered));
        QCOMPARE(at(OrderColumns::Obsto)["value"].toDouble(), l.money / 10000.0);
    }
    for (int r = 7; r <= lastRow; ++r) {
        for (int c = 0; c < ReportColumns::Count; ++c) {
            const QJsonObject fmt = format(cellName(r, c));
            QCOMPARE(fmt["number_format"].toString(), "General");
            for (const char* edge : {"left", "right", "top", "bottom"}) {
                QCOMPARE(fmt["borders"][edge]["style"].toString(), "thin");
                QCOMPARE(fmt["borders"][edge]["color"].toString(), "C0C0C0");
            }
            const bool marked = cellName(r, c) == sortCell;
            QCOMPARE(fmt["fill"]["color"].toString(), marked ? QString("CCFFCC") : QString());
        }
    }

    // Comment, frozen rows, print titles, page setup.
    const QJsonArray comments = sheet["comments"].toArray();
    QCOMPARE(comments.size(), sortCell.isEmpty() ? 0 : 1);
    if (!sortCell.isEmpty()) {
        QCOMPARE(comments[0]["cell"].toString(), sortCell);
        QCOMPARE(comments[0]["text"].toString(), "Sort Criteria");
    }
    QCOMPARE(sheet["freeze"]["rows"].toInt(), 7);
    QCOMPARE(sheet["freeze"]["cols"].toInt(), 0);
    QCOMPARE(sheet["print_titles"]["rows"].toString(), "$7:$7");
    const QJsonObject page = sheet["page_setup"].toObject();
    QCOMPARE(page["orientation"].toString(), "portrait");
    QVERIFY(page["black_and_white"].toBool());
    const QJsonObject margins = page["margins_pt"].toObject();
    QCOMPARE(QList<double>({margins["left"].toDouble(), margins["right"].toDouble(),
                            margins["top"].toDouble(), margins["bottom"].toDouble(),
                            margins["header"].toDouble(), margins["footer"].toDouble()}),
             QList<double>({30, 30, 40, 40, 25, 25}));
}

void ExportTest::printedReport_data() {
    QTest::addColumn<QVariantList>("lines");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("pages");              // printed by LibreOffice; 0: not printed
    QTest::addColumn<QStringList>("whole");      // words printed whole
    QTest::addColumn<QStringList>("endsBefore"); // "a|b": word a ends left of where b starts
    const QString company = "Модна къща";
    QVariantList short4;
    for (const char* article : {"a", "b", "c", "d"})
        short4 << line("S", article, "", "", "", 491911000, 1, 491911000);
    QTest::addRow("status texts wider than their coloured band")
        << short4 << company << "" << 1 << QStringList{"196764.4"}
        << QStringList{"196764.4|Size", "Count:|Size"};
    QTest::addRow("prices and money with four decimals")
        << QVariantList{line("S", "a", "", "", "", 12345678, 1, 12345678),
                        line("S", "b", "", "", "", 1, 2, 999999999)}
        << company << "" << 1 << QStringList{"1234.5678", "0.0001", "99999.9999"} << QStringList{};
    QTest::addRow("thirty ordinary lines, one page wide")
        << ordinaryLines() << company << "" << 1 << QStringList{"Money", "12.5029", "300.0696"}
        << QStringList{};
    QTest::addRow("Cyrillic capitals of a supplier")
        << QVariantList{line("ЮРОФОНД ООД", "Блуза", "", "", "", 10000, 1, 10000)} << company << "" << 1
        << QStringList{"ЮРОФОНД", "ООД"} << QStringList{"ООД|Блуза"};
    QTest::addRow("a very long company name")
        << QVariantList{line("S", "a", "", "", "", 10000, 1, 10000)}
        << "Търговска къща за облекло и обувки „Модна линия България“ ЕООД, клон Пловдив"
        << "" << 1 << QStringList{"Money"} << QStringList{};
    QTest::addRow("lock file left behind by an office suite")
        << QVariantList{line("S", "a", "", "", "", 10000, 1, 10000)} << company << "stale lock" << 0
        << QStringList{} << QStringList{};
    QTest::addRow("no program opens the report")
        << QVariantList{line("S", "a", "", "", "", 10000, 1, 10000)} << company << "no opener" << 0
        << QStringList{} << QStringList{};
}

void ExportTest::printedReport() {
    QFETCH(QVariantList, lines);
    QFETCH(QString, company);
    QFETCH(QString, situation);
    QFETCH(int, pages);
    QFETCH(QStringList, whole);
    QFETCH(QStringList, endsBefore);
    WindowFixture f;
    f.dir.writeFile("Company.txt", company.toUtf8() + "\r\n");
    for (const QVariant& l : lines)
        f.insertLine(l.toMap());
    if (situation == "stale lock")
        f.dir.writeFile(".~lock.Orders.xls#", "someone,host,home,01.01.2024 10:00,");
    f.dialogs.desktopOpens = situation != "no opener";
    TForm1& form = f.open();
    WindowFixture::click(form.Button3);

    const QString path = f.dir.filePath("Orders.xls");
    QCOMPARE(f.dialogs.shown, situation == "no opener"
                                  ? QStringList{"information: " + ExcelExport::notOpenedMessage(path)}
                                  : QStringList());
    QCOMPARE(f.dialogs.opened, QStringList{path});
    // A lock file that no program held is gone, so the suite opens the report without asking.
    QCOMPARE(QDir(f.dir.path()).entryList({"*Orders*"}, QDir::Files | QDir::Hidden),
             QStringList{"Orders.xls"});
    const QJsonObject report = inspectWorkbook(path);
    QVERIFY(!report.isEmpty());
    const QJsonObject sheet = report["sheets"][0].toObject();
    const QJsonObject page = sheet["page_setup"].toObject();
    QVERIFY(page["fit_to_page"].toBool());
    QCOMPARE(page["fit_width"].toInt(), 1);
    QCOMPARE(page["fit_height"].toInt(), 0);
    QCOMPARE(page["orientation"].toString(), "portrait");
    QCOMPARE(sheet["print_area"].toString(), "$A$1:$" + ReportColumns::letter(ReportColumns::Count - 1) +
                                                 "$" + QString::number(7 + lines.size()));
    QCOMPARE(sheet["print_titles"]["rows"].toString(), "$7:$7");

    if (pages > 0) {
        const QString copy = QDir(m_paperDir.path()).filePath(QString("case%1.xls").arg(m_paper.size()));
        QVERIFY(QFile::copy(path, copy));
        m_paper.insert(QTest::currentDataTag(), {copy, pages, whole, endsBefore});
    }
}

void ExportTest::printedReportOnPaper() {
    if (TempAppDir::onServer())
        QSKIP("printing does not depend on the register's engine: the embedded run prints");
    if (!libreOfficeInstalled())
        QSKIP("soffice is missing (Debian: libreoffice-calc-nogui): the reports are not printed");
    if (m_paper.isEmpty())
        QSKIP("printedReport left no workbooks to print");
    QStringList workbooks;
    for (const PaperCheck& c : std::as_const(m_paper))
        workbooks << c.workbook;
    QHash<QString, PrintedPages> printed;
    const QString error = printWithLibreOffice(workbooks, m_paperDir.path(), &printed);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QStringList faults; // of every case, not only the first
    for (auto it = m_paper.cbegin(); it != m_paper.cend(); ++it) {
        const PaperCheck& c = it.value();
        const PrintedPages& paper = printed[c.workbook];
        const QString what = it.key() + ": ";
        if (paper.pages != c.pages)
            faults << what + QString("%1 pages").arg(paper.pages);
        for (const QString& word : c.whole)
            if (!paper.find(word))
                faults << what + "no whole " + word;
        for (const QString& pair : c.endsBefore) {
            const PrintedWord* left = paper.find(pair.section('|', 0, 0));
            const PrintedWord* right = paper.find(pair.section('|', 1));
            // A text cut at its cell's edge, or run on past its band, reaches
            // into the next column, whose text begins 2 points into it.
            if (!left || !right)
                faults << what + pair + " not printed";
            else if (left->xMax > right->xMin - 2)
                faults << what + QString("%1 at %2 and %3").arg(pair).arg(left->xMax).arg(right->xMin);
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
}

void ExportTest::secondExportReplacesTheFirst() {
    WindowFixture f;
    f.insertLine({{"dostavcik", "Zara"}, {"artikul", "coat"}});
    TForm1& form = f.open();
    WindowFixture::click(form.Button3);
    clickTitle(form, OrderColumns::Artikul);
    WindowFixture::click(form.Button3);
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(f.dialogs.opened.size(), 2);
    const QJsonObject report = inspectWorkbook(f.dir.filePath("Orders.xls"));
    QCOMPARE(report["sheets"][0]["comments"][0]["cell"].toString(),
             ReportColumns::letter(ReportColumns::ofField(OrderColumns::Artikul)) + "7");
    QCOMPARE(QDir(f.dir.path()).entryList({"*Orders*"}, QDir::Files | QDir::Hidden),
             QStringList{"Orders.xls"}); // no temporary file left behind
}

void ExportTest::reportAfterAnotherClerksChange_data() {
    QTest::addColumn<QString>("statement");    // what another clerk stores after the window read the view
    QTest::addColumn<QStringList>("articles"); // column B of the report's lines
    QTest::addColumn<QList<double>>("money");  // column H
    QTest::addColumn<QString>("pieces");
    QTest::addColumn<QString>("total");
    QTest::addRow("line deleted") << "DELETE FROM Table1 WHERE key = 2"
                                  << QStringList{"Banana \"Lux\"", "apple"} << QList<double>{0.9999, 20}
                                  << "13"
                                  << "20.9999";
    QTest::addRow("line changed") << "UPDATE Table1 SET polucbr = 15, obsto = 300000 WHERE key = 3"
                                  << QStringList{"Banana \"Lux\"", "cherry", "apple"}
                                  << QList<double>{0.9999, 37.5, 30} << "21"
                                  << "68.4999";
    QTest::addRow("line added")
        << "INSERT INTO Table1 (dostavcik, artikul, polucbr, obsto) VALUES ('Ann''s', 'added', 2, 50000)"
        << QStringList{"Banana \"Lux\"", "cherry", "apple", "added"} << QList<double>{0.9999, 37.5, 20, 5}
        << "18"
        << "63.4999";
}

// Exported without F5 after another clerk's store: the report holds the
// register's lines at the click, its counters add up those very lines, and
// the window's counters and grid show the same.
void ExportTest::reportAfterAnotherClerksChange() {
    QFETCH(QString, statement);
    QFETCH(QStringList, articles);
    QFETCH(QList<double>, money);
    QFETCH(QString, pieces);
    QFETCH(QString, total);
    WindowFixture f;
    for (const Line& l : Lines)
        f.insertLine({{"dostavcik", QString::fromUtf8(l.supplier)},
                      {"artikul", QString::fromUtf8(l.article)},
                      {"pokupnacena", l.price},
                      {"paracbr", l.ordered},
                      {"polucbr", l.ordered},
                      {"obsto", l.money}});
    TForm1& form = f.open();
    QCOMPARE(form.etotal->text(), "58.4999");
    OtherClient(f.dir).run(statement);
    WindowFixture::click(form.Button3);
    QCOMPARE(f.dialogs.shown, QStringList());

    const QJsonObject sheet = inspectWorkbook(f.dir.filePath("Orders.xls"))["sheets"][0].toObject();
    QHash<QString, QJsonValue> cells;
    for (const QJsonValue c : sheet["cells"].toArray())
        cells.insert(c["cell"].toString(), c["value"]);
    QCOMPARE(sheet["dimensions"]["range"].toString(),
             "A1:" + ReportColumns::letter(ReportColumns::Count - 1) + QString::number(7 + articles.size()));
    for (int i = 0; i < articles.size(); ++i) {
        QCOMPARE(cells.value(cellName(8 + i, ReportColumns::ofField(OrderColumns::Artikul))).toString(),
                 articles[i]);
        QCOMPARE(cells.value(cellName(8 + i, ReportColumns::ofField(OrderColumns::Obsto))).toDouble(),
                 money[i]);
    }
    QCOMPARE(cells.value("B4").toString(), "Pieces Count: " + pieces);
    QCOMPARE(cells.value("B5").toString(), "Money Summary: " + total);
    QCOMPARE(form.eobstbr->text(), pieces);
    QCOMPARE(form.etotal->text(), total);
    QCOMPARE(form.statusPanels().text(StatusPanels::LineCount),
             "Articles Count: " + QString::number(articles.size()));
    QCOMPARE(form.DBGrid1->model()->rowCount(), articles.size());
}

// The limit itself is exported; one line more is refused (see the refusals).
void ExportTest::wholeSheetIsExported() {
    WindowFixture f;
    fillLines(f.dir, 65529);
    TForm1& form = f.open();
    WindowFixture::click(form.Button3);
    QCOMPARE(f.dialogs.shown, QStringList());
    QCOMPARE(f.dialogs.opened, QStringList{f.dir.filePath("Orders.xls")});
}

void ExportTest::refusalsLeaveTheOldReport_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message"); // <dir>: the application folder, <reason>: the system's
    QTest::addRow("pending line refused by the checks")
        << "pending"
        << "information: Supplier is unknown!!! Please enter supplier to continue\r\nor click on "
           "\"Cancel\" button to refuse changes.";
    QTest::addRow("workbook open in an office suite")
        << "open"
        << "error: " + ExcelExport::inUseMessage() + "\r\nThe file to close: <dir>Orders.xls";
    QTest::addRow("one line more than a sheet holds")
        << "large"
        << "error: " + ExcelExport::tooLargeMessage(65530, 65529);
    QTest::addRow("folder that cannot be written")
        << "folder"
        << "error: Operation can not be completed!\r\nThe report can not be written in the folder\r\n"
           "<dir>\r\n(<reason>). Please allow writing in that folder and try again.";
}

void ExportTest::refusalsLeaveTheOldReport() {
    QFETCH(QString, situation);
    QFETCH(QString, message);
    WindowFixture f;
    f.dir.writeFile("Orders.xls", "the previous report");
    std::unique_ptr<LockHolder> suite;
    if (situation == "open") {
        f.dir.writeFile(".~lock.Orders.xls#", "someone,host,home,01.01.2024 10:00,");
        suite = std::make_unique<LockHolder>(f.dir.filePath("Orders.xls"));
        QVERIFY(suite->holding());
    }
    if (situation == "large")
        fillBeyondLimit(f.dir);
    TForm1& form = f.open();
    if (situation == "pending") {
        WindowFixture::click(form.Button1);
        WindowFixture::typeInto(form.findChild<QWidget*>("DBEdit6"), "XL");
    }
    std::unique_ptr<ImmutableFolder> folder;
    if (situation == "folder") {
        folder = std::make_unique<ImmutableFolder>(f.dir.path());
        if (!folder->refusesFiles())
            QSKIP("cannot make a folder refuse new files for this user");
        message.replace("<reason>", folder->reason());
    }
    WindowFixture::click(form.Button3);
    folder.reset();
    QCOMPARE(f.dialogs.shown, QStringList{message.replace("<dir>", f.dir.path())});
    QCOMPARE(f.dialogs.opened, QStringList());
    QCOMPARE(f.dir.readFile("Orders.xls"), QByteArray("the previous report"));
}

void ExportTest::compoundFileLayout_data() {
    QTest::addColumn<int>("streamBytes");
    QTest::addColumn<int>("fatSectors");
    QTest::addColumn<int>("difatSectors");
    // A short stream is padded to the mini stream cut-off: 8 sectors.
    QTest::addRow("tiny stream") << 100 << 1 << 0;
    // 14,063 stream sectors need 111 FAT sectors: two beyond the header's 109.
    QTest::addRow("stream beyond 6.8 MiB") << 7200000 << 111 << 1;
}

void ExportTest::compoundFileLayout() {
    QFETCH(int, streamBytes);
    QFETCH(int, fatSectors);
    QFETCH(int, difatSectors);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY(CompoundFile::write(&buffer, QByteArray(streamBytes, 'x'), &error));
    const QByteArray file = buffer.data();
    const auto u32 = [&](qint64 at) { return qFromLittleEndian<quint32>(file.constData() + at); };
    const int n = (std::max(streamBytes, 4096) + 511) / 512;
    QCOMPARE(file.size(), 512 * (1 + n + 1 + fatSectors + difatSectors));
    QCOMPARE(file.left(34).toHex(' '),
             QByteArray("d0 cf 11 e0 a1 b1 1a e1 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                        "00 00 3e 00 03 00 fe ff 09 00 06 00"));
    QCOMPARE(u32(44), quint32(fatSectors));
    QCOMPARE(u32(48), quint32(n)); // directory after the stream
    QCOMPARE(u32(68), difatSectors ? quint32(n + 1 + fatSectors) : 0xFFFFFFFE);
    QCOMPARE(u32(72), quint32(difatSectors));
    // Directory: "Workbook" with its whole size, starting at sector 0.
    const qint64 dir = 512 * (n + 1);
    QCOMPARE(file.mid(dir + 128, 16), QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16));
    QCOMPARE(u32(dir + 128 + 116), 0u);
    QCOMPARE(u32(dir + 128 + 120), quint32(std::max(streamBytes, 4096)));
    // FAT: the stream's chain, the directory's end, the marks of FAT and DIFAT sectors.
    const auto fat = [&](int sector) {
        const int fatSector = sector / 128;
        const quint32 where = fatSector < 109 ? u32(76 + 4 * fatSector)
                                              : u32(512 * (n + 2 + fatSectors) + 4 * (fatSector - 109));
        return u32(512 * (where + 1) + 4 * (sector % 128));
    };
    QCOMPARE(fat(0), n > 1 ? 1u : 0xFFFFFFFEu);
    QCOMPARE(fat(n - 1), 0xFFFFFFFEu);
    QCOMPARE(fat(n), 0xFFFFFFFEu);
    for (int i = 0; i < fatSectors; ++i)
        QCOMPARE(fat(n + 1 + i), 0xFFFFFFFDu);
    for (int i = 0; i < difatSectors; ++i)
        QCOMPARE(fat(n + 1 + fatSectors + i), 0xFFFFFFFCu);
    QCOMPARE(fat(n + 1 + fatSectors + difatSectors), 0xFFFFFFFFu);
}

void ExportTest::stringTableContinues_data() {
    QTest::addColumn<QStringList>("strings");
    QTest::addColumn<int>("sstLength");
    QTest::addColumn<QByteArray>("continueStart"); // first bytes of the CONTINUE's data
    QTest::addColumn<int>("continueLength");
    // 8 bytes of counts, a 3-byte header, 8,213 characters; the rest follows
    // its own option byte.
    QTest::addRow("Latin-1 text split between characters")
        << QStringList{QString(8300, 'x')} << 8224 << QByteArray("\x00xx", 3) << 1 + 87;
    // One byte is left at the end: a UTF-16 unit is never cut.
    QTest::addRow("UTF-16 text split between units")
        << QStringList{QString(4200, QChar(0x0416))} << 8223 << QByteArray("\x01\x16\x04", 3) << 1 + 2 * 94;
    // Three bytes left: a header with its first character needs four.
    QTest::addRow("header kept with its first character") << QStringList{QString(8210, 'a'), "bc"} << 8221
                                                          << QByteArray("\x02\x00\x00"
                                                                        "bc",
                                                                        5)
                                                          << 5;
}

void ExportTest::stringTableContinues() {
    QFETCH(QStringList, strings);
    QFETCH(int, sstLength);
    QFETCH(QByteArray, continueStart);
    QFETCH(int, continueLength);
    BiffStream out;
    SharedStrings::write(out, QVector<QString>(strings.begin(), strings.end()), 1);
    const QByteArray b = out.bytes();
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    QCOMPARE(u16(0), 0x00FC);
    QCOMPARE(int(u16(2)), sstLength);
    const int next = 4 + sstLength;
    QCOMPARE(u16(next), 0x003C);
    QCOMPARE(int(u16(next + 2)), continueLength);
    QCOMPARE(b.mid(next + 4, continueStart.size()), continueStart);
    QCOMPARE(u16(next + 4 + continueLength), 0x00FF); // EXTSST follows
    QCOMPARE(qFromLittleEndian<quint32>(b.constData() + next + 4 + continueLength + 6), 12u); // first string
}

void ExportTest::textIsMeasuredInItsWeight_data() {
    QTest::addColumn<bool>("bold");
    QTest::addRow("regular") << false;
    QTest::addRow("bold, as the status texts") << true;
}

// Every letter's width is the one Liberation Sans (Arial's metrics) gives in
// that weight: bold measured as regular leaves the bold texts' columns too
// narrow, and they are cut.
void ExportTest::textIsMeasuredInItsWeight() {
    QFETCH(bool, bold);
    QFont font("Liberation Sans");
    font.setPixelSize(1000);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QRawFont raw = QRawFont::fromFont(font);
    if (raw.familyName() != "Liberation Sans")
        QSKIP("Liberation Sans is missing (Debian: fonts-liberation)");
    const QString text = "Count: 1234.5678 Money rtfib ЮРОФОНД Блуза";
    QStringList faults;
    for (const char32_t u : text.toUcs4()) {
        const QString letter = QString::fromUcs4(&u, 1);
        const double expected =
            raw.advancesForGlyphIndexes(raw.glyphIndexesForString(letter), QRawFont::UseDesignMetrics)
                .value(0)
                .x();
        if (std::abs(ArialWidths::advance(u, bold) - expected) > 1)
            faults << QString("%1: %2, not %3").arg(letter).arg(ArialWidths::advance(u, bold)).arg(expected);
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(", ")));
}

void ExportTest::longTextCutToACell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kept");
    // Beyond 65,535 the string table's count would wrap and the file be garbage.
    QTest::addRow("70,000 characters") << QString(70000, 'x') << Workbook::MaxTextLength;
    QTest::addRow("a pair of surrogates across the cut")
        << QString(Workbook::MaxTextLength - 1, 'x') + QStringLiteral("\U0001F600")
        << Workbook::MaxTextLength - 1;
}

void ExportTest::longTextCutToACell() {
    QFETCH(QString, text);
    QFETCH(int, kept);
    Workbook book;
    book.setText(0, 0, text);
    QCOMPARE(book.texts().first(), text.left(kept));
}

void ExportTest::failedWriteIsReported() {
    Workbook book;
    book.setText(0, 0, "a");
    for (qint64 room : {100, 5000}) {
        FullDevice device(room);
        WorkbookWriter writer;
        QVERIFY(!writer.write(book, &device));
        QCOMPARE(writer.errorString(), "No space left on device");
    }
}

// Every cell of the cells the parsed .xlsx holds, keyed "A7", as text.
QHash<QString, QString> xlsxCells(const QString& path) {
    QProcess perl;
    perl.start("perl",
               {"-MSpreadsheet::ParseXLSX", "-MJSON::PP", "-e",
                "my $b = Spreadsheet::ParseXLSX->new->parse($ARGV[0]) or die; my $s = ($b->worksheets)[0];"
                "my %c; my ($r0, $r1) = $s->row_range; my ($c0, $c1) = $s->col_range;"
                "for my $r ($r0..$r1) { for my $c ($c0..$c1) { my $x = $s->get_cell($r, $c) or next;"
                "$c{chr(65 + $c) . ($r + 1)} = '' . $x->unformatted } }"
                "print JSON::PP->new->utf8->encode(\\%c)",
                path});
    perl.waitForFinished(120000);
    const QByteArray problems = perl.readAllStandardError();
    if (!problems.isEmpty())
        qWarning("%s", problems.constData());
    QHash<QString, QString> cells;
    const QJsonObject object = QJsonDocument::fromJson(perl.readAllStandardOutput()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        cells.insert(it.key(), it.value().toString());
    return cells;
}

void ExportTest::photoReportMatchesOrdersXls_data() {
    QTest::addColumn<QList<bool>>("photos"); // per line: whether it has a photo
    QTest::addColumn<QString>("supplier");   // the filter, empty: none
    QTest::addRow("photos on some lines") << QList<bool>{true, false, true} << "";
    QTest::addRow("filtered to lines with and without") << QList<bool>{true, true, false} << "Зара";
}

// The report with photos holds the values of Orders.xls cell for cell, the
// batch and the received count beside them, and, printed by LibreOffice, one
// image per line with a photo on one page.
void ExportTest::photoReportMatchesOrdersXls() {
    QFETCH(QList<bool>, photos);
    QFETCH(QString, supplier);
    WindowFixture f;
    f.dir.writeFile("Suppliers.txt", "Ann's\r\nЗара\r\n");
    for (int i = 0; i < photos.size(); ++i) {
        f.insertLine({{"dostavcik", i == 1 ? QString("Ann's") : QString("Зара")},
                      {"artikul", QString("coat %1").arg(i)},
                      {"batch", "B1"},
                      {"pokupnacena", 120000},
                      {"paracbr", 5},
                      {"polucbr", 3 + i},
                      {"obsto", 360000},
                      {"photo", photos[i] ? QVariant(i + 1) : QVariant()}});
        if (photos[i]) {
            QImage picture(1200, 900, QImage::Format_RGB32);
            picture.fill(QColor(40 * i, 90, 200));
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPG", 90));
            f.dir.writeFile(QString("pictures/B1/%1.jpg").arg(i + 1), jpeg);
        }
    }
    TForm1& form = f.open();
    if (!supplier.isEmpty()) {
        form.cbfiltersup->setCurrentIndex(form.cbfiltersup->findText(supplier));
        emit form.cbfiltersup->activated(form.cbfiltersup->currentIndex());
    }
    WindowFixture::click(form.Button3);
    auto* action = form.findChild<QAction*>("ExportWithPhotos");
    QVERIFY(action);
    action->trigger();
    QVERIFY2(f.dialogs.shown.isEmpty(), qPrintable(f.dialogs.shown.join('\n')));
    const QString xlsx = f.dir.filePath("Orders-photos.xlsx");
    QCOMPARE(f.dialogs.opened, (QStringList{f.dir.filePath("Orders.xls"), xlsx}));

    const QJsonObject xls = inspectWorkbook(f.dir.filePath("Orders.xls"));
    const QHash<QString, QString> cells = xlsxCells(xlsx);
    QVERIFY(!cells.isEmpty());
    int rows = 0;
    for (const QJsonValue c : xls["sheets"][0]["cells"].toArray()) {
        const QString name = c["cell"].toString();
        const QJsonValue value = c["value"];
        if (value.isDouble())
            QCOMPARE(cells.value(name).toDouble(), value.toDouble());
        else
            QCOMPARE(cells.value(name), value.toString());
        rows = qMax(rows, name.mid(1).toInt());
    }
    int withPhoto = 0;
    for (int r = 8; r <= rows; ++r) {
        QCOMPARE(cells.value(cellName(r, ReportColumns::Count)), QString("B1"));
        const int line = cells.value(cellName(r, 1)).section(' ', 1).toInt();
        QCOMPARE(cells.value(cellName(r, ReportColumns::Count + 1)).toInt(), 3 + line);
        withPhoto += photos[line];
    }
    QCOMPARE(cells.value(cellName(7, ReportColumns::Count + 2)), QString("Photo"));

    if (!libreOfficeInstalled())
        QSKIP("LibreOffice is not installed");
    QHash<QString, PrintedPages> printed;
    QCOMPARE(printWithLibreOffice({xlsx}, m_paperDir.path(), &printed), QString());
    QCOMPARE(printed.value(xlsx).pages, 1);
    QProcess images;
    images.start("pdfimages", {"-list", m_paperDir.filePath("Orders-photos.pdf")});
    QVERIFY(images.waitForFinished(120000));
    // Two heading lines, then one line per image.
    QCOMPARE(QString::fromLocal8Bit(images.readAllStandardOutput()).trimmed().split('\n').size() - 2,
             withPhoto);
}

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
