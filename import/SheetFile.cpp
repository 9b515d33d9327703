#include "import/SheetFile.h"

#include "import/CsvReader.h"
#include "import/OdsReader.h"
#include "import/XlsReader.h"
#include "import/XlsxReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SheetFile {

QString dialogFilter() {
    return QStringLiteral("Spreadsheets (*.csv *.tsv *.txt *.xls *.xlsx *.ods);;All files (*)");
}

namespace {

QString tooLarge() {
    return QStringLiteral("it is larger than %1 MB").arg(SheetLimits::MaxBytes / (1024 * 1024));
}

bool readBytes(const QString& path, QByteArray* bytes, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    if (file.size() > SheetLimits::MaxBytes) {
        *reason = tooLarge();
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool readText(const QString& path, QChar delimiter, Workbook* out, QString* reason) {
    QByteArray bytes;
    Sheet sheet;
    sheet.name = QFileInfo(path).completeBaseName();
    if (!readBytes(path, &bytes, reason) || !CsvReader::read(bytes, delimiter, &sheet, reason))
        return false;
    out->sheets << sheet;
    return true;
}

bool readXls(const QString& path, Workbook* out, QString* reason) {
    // libfreexl reads the whole file into memory: the size is checked first.
    QFile file(path);
    if (file.size() > SheetLimits::MaxBytes) {
        *reason = tooLarge();
        return false;
    }
    return XlsReader::read(path, out, reason);
}

} // namespace

bool read(const QString& path, Workbook* out, QString* error) {
    *out = Workbook();
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString reason;
    bool read = false;
    if (suffix == u"csv" || suffix == u"txt")
        read = readText(path, QChar(), out, &reason);
    else if (suffix == u"tsv")
        read = readText(path, QChar(u'\t'), out, &reason);
    else if (suffix == u"xlsx" || suffix == u"xlsm")
        read = XlsxReader::read(path, out, &reason);
    else if (suffix == u"ods")
        read = OdsReader::read(path, out, &reason);
    else if (suffix == u"xls")
        read = readXls(path, out, &reason);
    else
        reason = QStringLiteral("only .csv, .tsv, .txt, .xls, .xlsx and .ods files are read");
    if (read && std::all_of(out->sheets.begin(), out->sheets.end(),
                            [](const Sheet& s) { return s.rows.isEmpty(); })) {
        read = false;
        reason = QStringLiteral("it holds no rows");
    }
    if (!read) {
        *out = Workbook();
        *error = QStringLiteral("%1 cannot be imported: %2").arg(QDir::toNativeSeparators(path), reason);
    }
    return read;
}

} // namespace SheetFile
