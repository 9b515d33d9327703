// The spreadsheet readers on arbitrary bytes: what an import would make of
// any file chosen. The first byte picks the reader (text, .xlsx, .ods,
// .xls); the rest is the file. A file read must stay inside the readers'
// limits, and its rows must go through the header search and the line rules
// without harm.

#include "import/ColumnMatch.h"
#include "import/SheetFile.h"
#include "import/SheetLines.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    static const char* const endings[] = {"csv", "xlsx", "ods", "xls"};
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.") + QLatin1String(endings[data[0] % 4]));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    Workbook book;
    QString error;
    if (!SheetFile::read(path, &book, &error)) {
        if (error.isEmpty() || !book.sheets.isEmpty())
            std::abort();
        return 0;
    }
    for (const Sheet& sheet : book.sheets) {
        if (sheet.rows.size() > SheetLimits::MaxRows)
            std::abort();
        for (const SheetRow& row : sheet.rows)
            if (row.size() > SheetLimits::MaxColumns)
                std::abort();
        SheetLineSettings settings;
        settings.headerRow = ColumnMatch::findHeaderRow(sheet);
        settings.columnOf = ColumnMatch::mapHeader(sheet.rows.value(settings.headerRow));
        settings.today = QDate(2024, 1, 1);
        SheetLines lines = SheetLines::read(sheet, settings);
        lines.keepSheetMoney(true);
        lines.sums();
    }
    return 0;
}
