// Importing order lines from a spreadsheet: the readers of each format, the
// header and column matching, the rules every row passes, and the store of
// the lines in one transaction, on both engines. The sample sheets are made
// here: text sheets as bytes, .xlsx and .ods zipped by hand with libzip.

#include "app/DBComboBox.h"
#include "app/SheetImport.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/LineImport.h"
#include "import/ColumnMatch.h"
#include "import/SheetFile.h"
#include "import/SheetLines.h"
#include "lists/gui/PickLists.h"
#include "support/TempAppDir.h"
#include "support/WindowFixture.h"

#include <QLineEdit>
#include <QStringEncoder>
#include <QtTest>
#include <zip.h>

namespace {

using Cells = QVector<SheetCell>;

SheetCell t(const QString& text) {
    return SheetCell::fromText(text);
}
SheetCell n(double number) {
    return SheetCell::fromNumber(number);
}

// The sample: a title block, Bulgarian and English headers, an unknown
// column, decimal commas, Cyrillic texts, empty rows, dates as local text,
// ISO text and a day number, a money that disagrees, a batch too long, a
// row without its article.
QVector<Cells> sampleRows(bool typedCells) {
    const auto num = [typedCells](double value, const QString& asText) {
        return typedCells ? n(value) : t(asText);
    };
    return {
        {t("Поръчки на магазина, 2024")},
        {},
        {t("Доставчик"), t("Артикул"), t("batch"), t("Поръчани"), t("Delivered"), t("defectbr"),
         t("Покупна цена"), t("Money"), t("date"), t("Цвят"), t("Бележки"), t("Склад")},
        {t("Иванов ООД"),
         t("Рокля"),
         t("B1"),
         num(10, "10"),
         {},
         {},
         num(12.5, "12,5"),
         num(125, "125"),
         t("05.03.2024"),
         t("червен"),
         t("  first "),
         t("A")},
        {t("Petrov"),
         t("Shirt"),
         {},
         num(3, "3"),
         {},
         {},
         t("0,3333"),
         t("0,9999"),
         t("2024-03-06"),
         t("blue")},
        {},
        {t("Иванов ООД"), t("Пола"), t("B1"), num(10, "10"), num(8, "8"), num(2, "2"), num(2.5, "2.5"),
         num(99, "99"), num(45358, "2024-03-07")},
        {t("Petrov"), t("Coat"), t("TOOLONGB"), num(1, "1"), {}, {}, num(1, "1"), {}, {}},
        {t("Petrov"), {}, t("B1"), num(1, "1"), {}, {}, num(1, "1")},
    };
}

// What the register then holds, line by line.
const QStringList SampleStored{
    "Иванов ООД|Рокля|B1|10|0|0|10|125000|1250000|2024-03-05|червен|  first ",
    "Petrov|Shirt|CH1|3|0|0|3|3333|9999|2024-03-06|blue|",
    "Иванов ООД|Пола|B1|10|8|2|6|25000|150000|2024-03-07||",
};
const QString SampleRefused =
    "Row 8: batch \"TOOLONGB\" is longer than 7 characters\nRow 9: article is empty";

QByteArray csvBytes(const QVector<Cells>& rows, QChar delimiter) {
    QStringList lines;
    for (const Cells& row : rows) {
        QStringList fields;
        for (const SheetCell& cell : row) {
            QString text = cell.shown();
            if (text.contains(delimiter) || text.contains(u'"'))
                text = '"' + text.replace(u'"', QStringLiteral("\"\"")) + '"';
            fields << text;
        }
        lines << fields.join(delimiter);
    }
    return lines.join(QStringLiteral("\r\n")).toUtf8();
}

QByteArray zipped(const QVector<QPair<QString, QByteArray>>& members) {
    QTemporaryDir dir;
    const QString path = dir.filePath("z.zip");
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
    }
    if (zip_close(archive) != 0)
        qFatal("cannot zip");
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

const QByteArray XlsxRels = R"(<?xml version="1.0" encoding="UTF-8"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="worksheet" Target="worksheets/sheet1.xml"/></Relationships>)";

QByteArray xlsxWorkbook(bool date1904) {
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"
 xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)") +
           (date1904 ? "<workbookPr date1904=\"1\"/>" : "<workbookPr/>") +
           R"(<sheets><sheet name="Поръчки" sheetId="1" r:id="rId1"/></sheets></workbook>)";
}

QByteArray xlsxBytes(const QVector<Cells>& rows, const QByteArray& sheetXml = {}) {
    QStringList strings;
    QString sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (int r = 0; r < rows.size(); ++r) {
        if (rows[r].isEmpty())
            continue; // an empty row is left out, as the spreadsheet programs do
        sheet += QString("<row r=\"%1\">").arg(r + 1);
        for (int c = 0; c < rows[r].size(); ++c) {
            const SheetCell& cell = rows[r][c];
            const QString ref = QChar(u'A' + c) + QString::number(r + 1);
            if (cell.kind == SheetCell::Kind::Number)
                sheet += QString("<c r=\"%1\"><v>%2</v></c>").arg(ref).arg(cell.number, 0, 'g', 17);
            else if (cell.kind == SheetCell::Kind::Text && c % 2 == 0) {
                sheet += QString("<c r=\"%1\" t=\"s\"><v>%2</v></c>").arg(ref).arg(strings.size());
                strings << cell.text;
            } else if (cell.kind == SheetCell::Kind::Text) // inline, as some writers do
                sheet += QString("<c r=\"%1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">%2</t></is></c>")
                             .arg(ref, escaped(cell.text));
        }
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    QString shared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (const QString& text : strings) // one split into runs with a phonetic hint
        shared +=
            text.size() > 3
                ? QString(
                      "<si><r><t>%1</t></r><r><t xml:space=\"preserve\">%2</t></r><rPh><t>x</t></rPh></si>")
                      .arg(escaped(text.left(2)), escaped(text.mid(2)))
                : QString("<si><t>%1</t></si>").arg(escaped(text));
    shared += "</sst>";
    return zipped({{"xl/workbook.xml", xlsxWorkbook(false)},
                   {"xl/_rels/workbook.xml.rels", XlsxRels},
                   {"xl/sharedStrings.xml", shared.toUtf8()},
                   {"xl/worksheets/sheet1.xml", sheetXml.isEmpty() ? sheet.toUtf8() : sheetXml}});
}

QByteArray odsBytes(const QVector<Cells>& rows, const QByteArray& contentXml = {}) {
    QString content = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
                      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                      "<office:spreadsheet><table:table table:name=\"Поръчки\">";
    for (const Cells& row : rows) {
        content += "<table:table-row>";
        for (const SheetCell& cell : row) {
            if (cell.kind == SheetCell::Kind::Number)
                content += QString("<table:table-cell office:value-type=\"float\" office:value=\"%1\">"
                                   "<text:p>%2</text:p></table:table-cell>")
                               .arg(cell.number, 0, 'g', 17)
                               .arg(QString::number(cell.number).replace('.', ','));
            else if (cell.kind == SheetCell::Kind::Text)
                content += QString("<table:table-cell office:value-type=\"string\"><text:p>%1</text:p>"
                                   "</table:table-cell>")
                               .arg(escaped(cell.text).replace("  ", " <text:s/>"));
            else
                content += "<table:table-cell/>";
        }
        content += "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>";
    }
    content += "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
               "table:number-columns-repeated=\"16384\"/></table:table-row>"
               "</table:table></office:spreadsheet></office:body></office:document-content>";
    return zipped({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                   {"content.xml", contentXml.isEmpty() ? content.toUtf8() : contentXml}});
}

QByteArray windows1251(const QByteArray& utf8) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(QString::fromUtf8(utf8));
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The stored lines as "supplier|article|batch|ordered|delivered|defective|
// received|price|money|date|colour|note", key order; photo must equal key.
QStringList storedLines(Engine& engine) {
    QStringList lines;
    QString error;
    const bool read = engine.query(
        "SELECT dostavcik, artikul, batch, paracbr, dostavbr, defectbr, polucbr, pokupnacena, obsto, date, "
        "cvet, "
        "belejka, key, photo FROM Table1 ORDER BY key",
        {},
        [&](const EngineRow& row) {
            QStringList values;
            for (int i = 0; i < 12; ++i)
                values << QString::fromUtf8(row.text(i).data(), int(row.text(i).size()));
            if (row.integer(12) != row.integer(13))
                values << "photo differs from key";
            lines << values.join(u'|');
            return true;
        },
        &error);
    if (!read)
        lines << "read failed: " + error;
    return lines;
}

SheetLineSettings settingsFor(const Workbook& book) {
    SheetLineSettings settings;
    settings.headerRow = ColumnMatch::findHeaderRow(book.sheets.value(0));
    settings.columnOf = ColumnMatch::mapHeader(book.sheets.value(0).rows.value(settings.headerRow));
    settings.batch = "CH1";
    settings.date1904 = book.date1904;
    settings.today = QDate(2024, 1, 2);
    return settings;
}

} // namespace

Q_DECLARE_METATYPE(SheetCell)

class TestImport : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // One sample in every format, read, checked and stored; the register
    // then holds its lines value by value.
    void importSample_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("csv, UTF-8 with a mark, semicolons")
            << "orders.csv"
            << "\xEF\xBB\xBF" + csvBytes(sampleRows(false), u';');
        QTest::addRow("txt, Windows-1251, commas, quoted")
            << "orders.txt" << windows1251(csvBytes(sampleRows(false), u','));
        const QByteArray utf16 =
            QByteArray("\xFF\xFE", 2) +
            QByteArray(
                reinterpret_cast<const char*>(QString::fromUtf8(csvBytes(sampleRows(false), u'\t')).utf16()),
                QString::fromUtf8(csvBytes(sampleRows(false), u'\t')).size() * 2);
        QTest::addRow("tsv, UTF-16") << "orders.tsv" << utf16;
        // As typed by hand: ragged rows, a comma in the title and in the
        // numbers, which count more often than the semicolons of the lines.
        QTest::addRow("csv, ragged rows by hand")
            << "orders.csv"
            << QByteArray(
                   "Поръчки на магазина, 2024\n;\n"
                   "Доставчик;Артикул;batch;Поръчани;Delivered;defectbr;Покупна "
                   "цена;Money;date;Цвят;Бележки;Склад\n"
                   "Иванов ООД;Рокля;B1;10;;;12,5;125;05.03.2024;червен;\"  first \";A\n"
                   "Petrov;Shirt;;3;;;0,3333;0,9999;2024-03-06;blue\n;\n"
                   "Иванов "
                   "ООД;Пола;B1;10;8;2;2,5;99;2024-03-07\nPetrov;Coat;TOOLONGB;1;;;1;;\nPetrov;;B1;1;;;1\n");
        QTest::addRow("xlsx, shared and inline strings") << "orders.xlsx" << xlsxBytes(sampleRows(true));
        QTest::addRow("ods, repeated empty cells and rows") << "orders.ods" << odsBytes(sampleRows(true));
        QFile xls(QStringLiteral(TEST_DATA_DIR "/import/orders.xls"));
        QVERIFY(xls.open(QIODevice::ReadOnly));
        QTest::addRow("xls made by LibreOffice") << "orders.xls" << xls.readAll();
    }
    void importSample() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QTemporaryDir files;
        const QString path = writeFile(files, name, bytes);
        Workbook book;
        QString error;
        QVERIFY2(SheetFile::read(path, &book, &error), qPrintable(error));
        const SheetLineSettings settings = settingsFor(book);
        QCOMPARE(settings.headerRow, 2);
        QCOMPARE(settings.columnOf.count(-1), 1); // "Склад"
        SheetLines lines = SheetLines::read(book.sheets[0], settings);
        QCOMPARE(lines.refusedText(), SampleRefused);
        QCOMPARE(lines.differingText(), "Row 7: money 99 in the sheet, 15 = price x received");
        lines.keepSheetMoney(false);

        TempAppDir dir;
        Database db;
        QVERIFY2(db.open(dir.path()), qPrintable(db.errorString()));
        QVector<QVector<QVariant>> values;
        for (const SheetLine& line : lines.lines)
            values << line.values;
        const LineSums sums = lines.sums();
        QVERIFY2(LineImport::store(*db.engine(), values, {sums.lines, sums.pieces, sums.money}, &error),
                 qPrintable(error));
        QCOMPARE(storedLines(*db.engine()), SampleStored);
    }

    // A store whose sums do not come out as expected keeps nothing.
    void storeIsAllOrNothing() {
        TempAppDir dir;
        Database db;
        QVERIFY(db.open(dir.path()));
        QTemporaryDir files;
        Workbook book;
        QString error;
        QVERIFY(SheetFile::read(writeFile(files, "a.csv", csvBytes(sampleRows(false), u';')), &book, &error));
        const SheetLines lines = SheetLines::read(book.sheets[0], settingsFor(book));
        QVector<QVector<QVariant>> values;
        for (const SheetLine& line : lines.lines)
            values << line.values;
        QVERIFY(!LineImport::store(*db.engine(), values, {3, 19, Currency::fromUnits(1)}, &error));
        QVERIFY2(error.contains("nothing was imported"), qPrintable(error));
        QCOMPARE(storedLines(*db.engine()), QStringList());
    }

    // One cell for one column: what the register would store, or why not.
    void parseCell_data() {
        QTest::addColumn<SheetCell>("cell");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("date1904");
        QTest::addColumn<QString>("stored"); // or the reason
        QTest::addRow("binary money rounded once") << n(0.1 + 0.2) << "pokupnacena" << false << "0.3";
        QTest::addRow("money with five decimals") << n(1.23456) << "pokupnacena" << false << "1.2346";
        QTest::addRow("money text, decimal comma") << t("1 234,5") << "pokupnacena" << false << "1234.5";
        QTest::addRow("money text, letters")
            << t("12 лв") << "pokupnacena" << false << "p.price: '12 лв' is not a valid currency value";
        QTest::addRow("count with a fraction")
            << n(2.5) << "paracbr" << false
            << "ordered: '2.5' is not a whole number; counts are whole numbers";
        QTest::addRow("count beyond 32 bits")
            << n(3e9) << "paracbr" << false << "ordered: '3000000000' is not a valid integer value";
        QTest::addRow("number in a text column") << n(42) << "razmeri" << false << "42";
        QTest::addRow("text of 51 characters")
            << t(QString(51, u'я')) << "cvet" << false
            << "color \"" + QString(51, u'я') + "\" is longer than 50 characters";
        QTest::addRow("day number, 1900 system") << n(45358.75) << "date" << false << "2024-03-07";
        QTest::addRow("day number before the missing 29 February")
            << n(59) << "date" << false << "1900-02-28";
        QTest::addRow("day number of that 29 February")
            << n(60) << "date" << false << "date \"60\" is not a date";
        QTest::addRow("day number, 1904 system") << n(43896) << "date" << true << "2024-03-07";
        QTest::addRow("ISO with a time") << t("2024-03-07T00:00:00") << "date" << false << "2024-03-07";
        QTest::addRow("day.month.year") << t("7.3.2024") << "date" << false << "2024-03-07";
        QTest::addRow("no date") << t("March") << "date" << false << "date \"March\" is not a date";
    }
    void parseCell() {
        QFETCH(SheetCell, cell);
        QFETCH(QString, column);
        QFETCH(bool, date1904);
        QFETCH(QString, stored);
        QVariant value;
        QString reason;
        const int index = ColumnMatch::columnFor(column);
        if (SheetLines::parseCell(cell, index, date1904, &value, &reason)) {
            const QString shown =
                value.metaType() == QMetaType::fromType<Currency>() ? value.value<Currency>().toString()
                : value.metaType().id() == QMetaType::QDate         ? value.toDate().toString(Qt::ISODate)
                                                                    : value.toString();
            QCOMPARE(shown, stored);
        } else {
            QCOMPARE(reason, stored);
        }
    }

    // The import through the real window, the preview answered by the test:
    // refused rows stop it whole unless only the passed rows are asked for;
    // then the view and the counters show the lines stored.
    void windowImport_data() {
        QTest::addColumn<bool>("onlyPassed");
        QTest::addColumn<bool>("keepSheetMoney");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("pieces");
        QTest::addRow("refused rows stop the import")
            << false << false << 0 << "error: Nothing was imported: 2 rows were refused:\n" + SampleRefused
            << "0";
        QTest::addRow("only the rows that passed, the derived money")
            << true << false << 3
            << "information: 3 lines imported: 19 pieces, money 140.9999, as the sheet adds them up."
            << "19";
        QTest::addRow("only the rows that passed, the sheet's money")
            << true << true << 3
            << "information: 3 lines imported: 19 pieces, money 224.9999, as the sheet adds them up."
            << "19";
    }
    void windowImport() {
        QFETCH(bool, onlyPassed);
        QFETCH(bool, keepSheetMoney);
        QFETCH(int, stored);
        QFETCH(QString, message);
        QFETCH(QString, pieces);
        WindowFixture fixture;
        TForm1& form = fixture.open();
        QTemporaryDir files;
        fixture.dialogs.fileAnswers << writeFile(files, "orders.csv", csvBytes(sampleRows(false), u';'));
        SheetImport::setPreview([&](const QString&, const Workbook&, SheetImportChoice* choice) {
            choice->onlyPassed = onlyPassed;
            choice->keepSheetMoney = keepSheetMoney;
            return true;
        });
        fixture.dialogs.takeShown();
        fixture.dialogs.confirmAnswers << keepSheetMoney; // the suppliers added in that row only
        form.ImportLinesClick();
        SheetImport::setPreview({});
        const QStringList shown = fixture.dialogs.takeShown();
        QVERIFY(shown[0].startsWith("openFile: Import lines from a spreadsheet"));
        QCOMPARE(shown[1], message);
        // New suppliers, articles and batches are offered, not added unasked.
        const QStringList offered = shown.mid(2);
        QCOMPARE(offered.size(), stored > 0 ? 3 : 0);
        if (stored > 0) {
            QCOMPARE(offered[0],
                     "confirm: The imported lines name 2 suppliers that the pick list does not hold:\r\n"
                     "Иванов ООД\r\nPetrov\r\nAdd them to the list?");
            const QStringList suppliers =
                keepSheetMoney ? QStringList{"Иванов ООД", "Petrov"} : QStringList{""};
            QCOMPARE(PickLists::entries(form.DBComboBox2), suppliers);
        }
        QCOMPARE(form.table().viewRowCount(), stored);
        QCOMPARE(form.eobstbr->text(), pieces);
        QCOMPARE(form.firstStepsNote().isEmpty(),
                 stored > 0); // an empty register's note goes with its emptiness
        const QStringList copies =
            QDir(fixture.dir.filePath("backups")).entryList({"db1-before-import-*.mdb"});
        QCOMPARE(copies.size(), stored > 0 && !TempAppDir::onServer() ? 1 : 0);
    }

    // A copy of the register that cannot be made stops the import before
    // anything is stored.
    void failedCopyStoresNothing() {
        SKIP_ON_SERVER();
        WindowFixture fixture;
        TForm1& form = fixture.open();
        fixture.dir.writeFile("backups", "a file where the folder should be");
        QTemporaryDir files;
        fixture.dialogs.fileAnswers << writeFile(files, "orders.csv", csvBytes(sampleRows(false), u';'));
        SheetImport::setPreview([](const QString&, const Workbook&, SheetImportChoice* choice) {
            choice->onlyPassed = true;
            return true;
        });
        fixture.dialogs.takeShown();
        form.ImportLinesClick();
        SheetImport::setPreview({});
        const QStringList shown = fixture.dialogs.takeShown();
        QVERIFY2(shown.last().startsWith("error: Nothing was imported: the copy of db1.mdb"),
                 qPrintable(shown.last()));
        QCOMPARE(form.table().viewRowCount(), 0);
    }

    // Files that are no sheet, or more than a shop's sheet can be, get a
    // message naming the file and why, and nothing else.
    void badFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::addRow("NUL in a text sheet")
            << "a.csv" << QByteArray("a;b\n\0;c", 7) << "Line 2 holds a NUL character";
        QTest::addRow("unknown ending")
            << "a.pdf" << QByteArray("%PDF") << "only .csv, .tsv, .txt, .xls, .xlsx and .ods files are read";
        QTest::addRow("empty text sheet") << "a.csv" << QByteArray() << "it holds no rows";
        const QByteArray sample = xlsxBytes(sampleRows(true));
        QTest::addRow("damaged zip") << "a.xlsx" << sample.left(sample.size() / 2) << "no zip archive";
        QByteArray flipped = sample;
        flipped[flipped.indexOf("sheet1.xml") + 60] = flipped[flipped.indexOf("sheet1.xml") + 60] ^ 0x55;
        QTest::addRow("member fails its checksum") << "a.xlsx" << flipped << "it is damaged";
        QTest::addRow("text named .xlsx") << "a.xlsx" << QByteArray("supplier;article\n") << "no zip archive";
        QTest::addRow("text named .xls")
            << "a.xls" << QByteArray("supplier;article\n") << "not an Excel 97-2003 workbook";
        QTest::addRow("password-protected workbook")
            << "a.xlsx" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0')
            << "it is password-protected";
        QTest::addRow("password-protected ods")
            << "a.ods"
            << zipped({{"META-INF/manifest.xml", "<manifest:encryption-data/>"}, {"content.xml", "\x01\x02"}})
            << "it is password-protected";
        QTest::addRow("entity bomb")
            << "a.xlsx"
            << xlsxBytes({}, "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                             "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><worksheet>&b;</worksheet>")
            << "its part xl/worksheets/sheet1.xml holds a document type declaration";
        QTest::addRow("a million columns")
            << "a.ods"
            << odsBytes({}, "<document-content><body><spreadsheet><table name=\"x\"><table-row><table-cell "
                            "value-type=\"string\" number-columns-repeated=\"1000000\"><p>x</p></table-cell>"
                            "</table-row></table></spreadsheet></body></document-content>")
            << "it has more than 16384 columns";
        QTest::addRow("column beyond the last one")
            << "a.xlsx"
            << xlsxBytes({}, "<worksheet><sheetData><row r=\"1\"><c r=\"AAAAAAAAAA1\"><v>1</v></c>"
                             "</row></sheetData></worksheet>")
            << "it has more than 16384 columns";
        QFile xls(QStringLiteral(TEST_DATA_DIR "/import/orders.xls"));
        QVERIFY(xls.open(QIODevice::ReadOnly));
        QByteArray hugeSheet = xls.readAll(); // its DIMENSIONS record claims 2^31 rows by 255 columns
        const qsizetype dimensions = hugeSheet.indexOf(QByteArray("\x00\x02\x0e\x00", 4));
        QVERIFY(dimensions > 0);
        hugeSheet.replace(dimensions + 4, 12, QByteArray("\0\0\0\0\xF0\xFF\xFF\x7F\0\0\xFF\0", 12));
        QTest::addRow("xls claiming two billion rows")
            << "a.xls" << hugeSheet << "it is damaged (a sheet claims more cells";
        QTest::addRow("zip bomb") << "a.xlsx" << xlsxBytes({}, QByteArray(SheetLimits::MaxBytes + 1, ' '))
                                  << "it unpacks to more than 100 MB";
    }
    void badFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir files;
        const QString path = writeFile(files, name, bytes);
        Workbook book;
        QString error;
        QVERIFY(!SheetFile::read(path, &book, &error));
        QVERIFY2(error.startsWith(QDir::toNativeSeparators(path) + " cannot be imported: ") &&
                     error.contains(reason),
                 qPrintable(error));
        QVERIFY(book.sheets.isEmpty());
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
