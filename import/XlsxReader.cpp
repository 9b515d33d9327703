#include "import/XlsxReader.h"

#include "import/SafeXml.h"
#include "import/ZipArchive.h"

#include <QHash>

namespace XlsxReader {

namespace {

struct SheetEntry {
    QString name;
    QString part;
};

bool readPart(ZipArchive& zip, const QString& part, QByteArray* bytes, QString* reason) {
    return zip.read(part, bytes, reason);
}

// Where a relationship target points, from the folder of the part that names it.
QString resolve(const QString& folder, QStringView target) {
    if (target.startsWith(u'/'))
        return target.mid(1).toString();
    return folder + target.toString();
}

bool readWorkbook(ZipArchive& zip, QVector<SheetEntry>* sheets, bool* date1904, QString* reason) {
    QByteArray bytes;
    if (!readPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), &bytes, reason))
        return false;
    QHash<QString, QString> targets;
    {
        SafeXml xml(bytes, QStringLiteral("xl/_rels/workbook.xml.rels"));
        while (xml.next())
            if (xml.isStart(QLatin1StringView("Relationship")))
                targets.insert(xml.attribute(QLatin1StringView("Id")).toString(),
                               resolve(QStringLiteral("xl/"), xml.attribute(QLatin1StringView("Target"))));
        if (!(*reason = xml.problem()).isEmpty())
            return false;
    }
    if (!readPart(zip, QStringLiteral("xl/workbook.xml"), &bytes, reason))
        return false;
    SafeXml xml(bytes, QStringLiteral("xl/workbook.xml"));
    while (xml.next()) {
        if (xml.isStart(QLatin1StringView("workbookPr"))) {
            const QStringView value = xml.attribute(QLatin1StringView("date1904"));
            *date1904 = value == u"1" || value == u"true";
        } else if (xml.isStart(QLatin1StringView("sheet"))) {
            const QString id =
                xml.xml()
                    .attributes()
                    .value(
                        QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships"),
                        QStringLiteral("id"))
                    .toString();
            if (targets.contains(id))
                *sheets << SheetEntry{xml.attribute(QLatin1StringView("name")).toString(), targets.value(id)};
        }
    }
    *reason = xml.problem();
    return reason->isEmpty();
}

// The text of an <si> or <is>: its own <t> and those of its runs, not the
// phonetic hints.
QString richText(SafeXml& xml, QLatin1StringView end) {
    QString text;
    bool inText = false;
    int phonetic = 0;
    while (xml.next() && !xml.isEnd(end)) {
        if (xml.isStart(QLatin1StringView("rPh")))
            ++phonetic;
        else if (xml.isEnd(QLatin1StringView("rPh")))
            --phonetic;
        else if (xml.isStart(QLatin1StringView("t")))
            inText = true;
        else if (xml.isEnd(QLatin1StringView("t")))
            inText = false;
        else if (inText && phonetic == 0 && xml.xml().isCharacters())
            text += xml.xml().text();
    }
    return text;
}

bool readSharedStrings(ZipArchive& zip, QStringList* strings, QString* reason) {
    const QString part = QStringLiteral("xl/sharedStrings.xml");
    if (!zip.has(part))
        return true;
    QByteArray bytes;
    if (!readPart(zip, part, &bytes, reason))
        return false;
    SafeXml xml(bytes, part);
    SheetBudget budget;
    while (xml.next()) {
        if (xml.isStart(QLatin1StringView("si"))) {
            if (!budget.addCell(reason))
                return false;
            *strings << richText(xml, QLatin1StringView("si"));
        }
    }
    *reason = xml.problem();
    return reason->isEmpty();
}

// "BC12" -> column 54 (from 0); -1 when the reference has no letters.
qint64 columnOf(QStringView reference) {
    qint64 column = 0;
    int letters = 0;
    for (QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
        if (++letters > 7) // far beyond any sheet's columns; stops an overflow
            return SheetLimits::MaxColumns;
    }
    return letters == 0 ? -1 : column - 1;
}

bool readSheet(ZipArchive& zip, const SheetEntry& entry, const QStringList& strings, SheetBudget& budget,
               Sheet* sheet, QString* reason) {
    QByteArray bytes;
    if (!readPart(zip, entry.part, &bytes, reason))
        return false;
    sheet->name = entry.name;
    SafeXml xml(bytes, entry.part);
    qint64 row = -1;
    qint64 column = -1;
    QString type;
    QString value;
    bool inValue = false;
    while (xml.next()) {
        if (xml.isStart(QLatin1StringView("row"))) {
            const QStringView r = xml.attribute(QLatin1StringView("r"));
            bool given = false;
            const qint64 number = r.toLongLong(&given);
            row = given && number > row + 1 ? number - 1 : row + 1;
            column = -1;
            if (!budget.place(row, 0, reason))
                return false;
        } else if (xml.isStart(QLatin1StringView("c"))) {
            const qint64 at = columnOf(xml.attribute(QLatin1StringView("r")));
            column = at > column ? at : column + 1;
            type = xml.attribute(QLatin1StringView("t")).toString();
            value.clear();
            if (row < 0)
                row = 0;
        } else if (xml.isStart(QLatin1StringView("v"))) {
            inValue = true;
        } else if (xml.isEnd(QLatin1StringView("v"))) {
            inValue = false;
        } else if (inValue && xml.xml().isCharacters()) {
            value += xml.xml().text();
        } else if (xml.isStart(QLatin1StringView("is"))) {
            value = richText(xml, QLatin1StringView("is"));
        } else if (xml.isEnd(QLatin1StringView("c"))) {
            SheetCell cell;
            if (type == u"s") {
                bool ok = false;
                const int index = value.toInt(&ok);
                if (!ok || index < 0 || index >= strings.size()) {
                    xml.fail(QStringLiteral("its part %1 names a shared string that is not there")
                                 .arg(entry.part));
                    break;
                }
                cell = SheetCell::fromText(strings[index]);
            } else if (type == u"str" || type == u"inlineStr" || type == u"e" || type == u"d") {
                cell = SheetCell::fromText(value);
            } else if (!value.isEmpty()) {
                bool ok = false;
                const double number = value.toDouble(&ok);
                cell = ok ? SheetCell::fromNumber(number) : SheetCell::fromText(value);
            }
            if (cell.kind == SheetCell::Kind::Empty)
                continue;
            if (!budget.place(row, column, reason) || !budget.addCell(reason))
                return false;
            if (sheet->rows.size() <= row)
                sheet->rows.resize(row + 1);
            SheetRow& cells = sheet->rows[row];
            if (cells.size() <= column)
                cells.resize(column + 1);
            cells[column] = cell;
        }
    }
    *reason = xml.problem();
    return reason->isEmpty();
}

} // namespace

bool read(const QString& path, Workbook* out, QString* reason) {
    ZipArchive zip;
    QVector<SheetEntry> entries;
    QStringList strings;
    if (!zip.open(path, reason) || !readWorkbook(zip, &entries, &out->date1904, reason) ||
        !readSharedStrings(zip, &strings, reason))
        return false;
    SheetBudget budget;
    for (const SheetEntry& entry : entries) {
        Sheet sheet;
        if (!readSheet(zip, entry, strings, budget, &sheet, reason))
            return false;
        out->sheets << sheet;
    }
    return true;
}

} // namespace XlsxReader
