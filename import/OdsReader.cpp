#include "import/OdsReader.h"

#include "import/SafeXml.h"
#include "import/ZipArchive.h"

namespace OdsReader {

namespace {

qint64 repeats(SafeXml& xml, QLatin1StringView attribute) {
    bool ok = false;
    const qint64 count = xml.attribute(attribute).toLongLong(&ok);
    return ok && count > 1 ? count : 1;
}

// The text of a cell: its paragraphs, one a line, with their spaces, tabs
// and breaks; notes attached to the cell are left out.
QString cellText(SafeXml& xml) {
    QString text;
    int paragraphs = 0;
    while (xml.next() && !xml.isEnd(QLatin1StringView("table-cell")) &&
           !xml.isEnd(QLatin1StringView("covered-table-cell"))) {
        if (xml.isStart(QLatin1StringView("annotation"))) {
            xml.skip();
        } else if (xml.isStart(QLatin1StringView("p"))) {
            if (paragraphs++ > 0)
                text += u'\n';
        } else if (xml.isStart(QLatin1StringView("s"))) {
            text += QString(int(std::min<qint64>(repeats(xml, QLatin1StringView("c")), 1000)), u' ');
        } else if (xml.isStart(QLatin1StringView("tab"))) {
            text += u'\t';
        } else if (xml.isStart(QLatin1StringView("line-break"))) {
            text += u'\n';
        } else if (xml.xml().isCharacters()) {
            text += xml.xml().text();
        }
    }
    return text;
}

SheetCell readCell(SafeXml& xml) {
    const QStringView type = xml.attribute(QLatin1StringView("value-type"));
    const bool empty = xml.xml().isStartElement() && type.isEmpty();
    SheetCell cell;
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        bool ok = false;
        const double number = xml.attribute(QLatin1StringView("value")).toDouble(&ok);
        if (ok)
            cell = SheetCell::fromNumber(number);
    } else if (type == u"date") {
        cell = SheetCell::fromText(xml.attribute(QLatin1StringView("date-value")).toString());
    }
    const QString text = cellText(xml);
    if (cell.kind == SheetCell::Kind::Empty && !empty)
        cell = SheetCell::fromText(text);
    return cell;
}

bool isEncrypted(ZipArchive& zip, QString* reason) {
    QByteArray manifest;
    return zip.has(QStringLiteral("META-INF/manifest.xml")) &&
           zip.read(QStringLiteral("META-INF/manifest.xml"), &manifest, reason) &&
           manifest.contains("encryption-data");
}

} // namespace

bool read(const QString& path, Workbook* out, QString* reason) {
    ZipArchive zip;
    if (!zip.open(path, reason))
        return false;
    if (isEncrypted(zip, reason)) {
        *reason = QStringLiteral("it is password-protected");
        return false;
    }
    QByteArray bytes;
    if (!reason->isEmpty() || !zip.read(QStringLiteral("content.xml"), &bytes, reason))
        return false;
    SafeXml xml(bytes, QStringLiteral("content.xml"));
    SheetBudget budget;
    Sheet* sheet = nullptr;
    qint64 row = 0;
    qint64 column = 0;
    qint64 rowRepeats = 1;
    while (xml.next()) {
        if (xml.isStart(QLatin1StringView("table"))) {
            out->sheets << Sheet{xml.attribute(QLatin1StringView("name")).toString(), {}};
            sheet = &out->sheets.back();
            row = 0;
        } else if (sheet && xml.isStart(QLatin1StringView("table-row"))) {
            rowRepeats = repeats(xml, QLatin1StringView("number-rows-repeated"));
            column = 0;
        } else if (sheet && xml.isEnd(QLatin1StringView("table-row"))) {
            // A row with content repeated is that many rows, each counted.
            if (sheet->rows.size() == row + 1)
                for (qint64 i = 1; i < rowRepeats; ++i) {
                    if (!budget.place(row + i, 0, reason))
                        return false;
                    for (qsizetype c = 0; c < sheet->rows[row].size(); ++c)
                        if (!budget.addCell(reason))
                            return false;
                    sheet->rows << sheet->rows[row];
                }
            row += rowRepeats;
        } else if (sheet && (xml.isStart(QLatin1StringView("table-cell")) ||
                             xml.isStart(QLatin1StringView("covered-table-cell")))) {
            const qint64 count = repeats(xml, QLatin1StringView("number-columns-repeated"));
            const SheetCell cell = readCell(xml);
            if (cell.kind != SheetCell::Kind::Empty) {
                if (!budget.place(row, column + count - 1, reason))
                    return false;
                if (sheet->rows.size() <= row)
                    sheet->rows.resize(row + 1);
                SheetRow& cells = sheet->rows[row];
                cells.resize(column);
                for (qint64 i = 0; i < count; ++i) {
                    if (!budget.addCell(reason))
                        return false;
                    cells << cell;
                }
            }
            column += count;
        }
    }
    *reason = xml.problem();
    return reason->isEmpty();
}

} // namespace OdsReader
