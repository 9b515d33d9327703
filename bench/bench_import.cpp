// Importing a spreadsheet of many lines, beside LibreOffice converting the
// same file to CSV:
//   import       reading the .xlsx, the checks of every row, the store of
//                all lines in one transaction into an empty register (what
//                the window's import does after its preview)
//   libreoffice  soffice --headless --convert-to csv on the same file, the
//                whole process
// The .xlsx is written by LibreOffice from a generated CSV, once per DIR.
// Usage: bench_import DIR [ROWS [REPETITIONS]]; prints the medians and the
// ratio.
#include "data/Database.h"
#include "data/LineImport.h"
#include "import/ColumnMatch.h"
#include "import/SheetFile.h"
#include "import/SheetLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void die(const QString& message) {
    std::fprintf(stderr, "bench_import: %s\n", qPrintable(message));
    std::exit(1);
}

bool soffice(const QDir& dir, const QStringList& arguments) {
    QProcess process;
    process.start(
        QStringLiteral("soffice"),
        QStringList{QStringLiteral("--headless"),
                    QStringLiteral("-env:UserInstallation=file://%1").arg(dir.filePath("lo-profile"))} +
            arguments);
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

QString makeWorkbook(const QDir& dir, int rows) {
    const QString xlsx = dir.filePath(QStringLiteral("orders-%1.xlsx").arg(rows));
    if (QFile::exists(xlsx))
        return xlsx;
    const QString csv = dir.filePath(QStringLiteral("orders-%1.csv").arg(rows));
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly))
        die("cannot write " + csv);
    file.write("Доставчик;Артикул;batch;Поръчани;Доставени;Дефектни;Покупна "
               "цена;Пари;date;Цвят;Размер;Материя;Бележки\n");
    for (int i = 0; i < rows; ++i) {
        const int ordered = 1 + i % 40;
        const int delivered = i % 3 == 0 ? ordered - 1 : 0;
        const int received = delivered != 0 ? delivered - 1 : ordered;
        const qint64 price = 1000 + (i * 37) % 90000; // ten-thousandths
        file.write(QStringLiteral(
                       "Доставчик %1;Артикул %2;B%3;%4;%5;%6;%7.%8;%9;2024-%10-%11;червен;XL;памук;ред %12\n")
                       .arg(i % 50)
                       .arg(i % 700)
                       .arg(i % 12)
                       .arg(ordered)
                       .arg(delivered)
                       .arg(delivered != 0 ? 1 : 0)
                       .arg(price / 10000)
                       .arg(price % 10000, 4, 10, QChar(u'0'))
                       .arg(QString::number(double(price * received) / 10000, 'f', 4))
                       .arg(1 + i % 12, 2, 10, QChar(u'0'))
                       .arg(1 + i % 28, 2, 10, QChar(u'0'))
                       .arg(i)
                       .toUtf8());
    }
    file.close();
    if (!soffice(dir, {QStringLiteral("--infilter=CSV:59,34,76,1,,1033"), QStringLiteral("--convert-to"),
                       QStringLiteral("xlsx"), QStringLiteral("--outdir"), dir.path(), csv}))
        die("LibreOffice could not write the workbook");
    QFile::rename(dir.filePath(QStringLiteral("orders-%1.xlsx").arg(rows)), xlsx);
    return xlsx;
}

qint64 importOnce(const QDir& dir, const QString& xlsx, int rows, int run) {
    const QString registerDir = dir.filePath(QStringLiteral("register-%1").arg(run));
    QDir(registerDir).removeRecursively();
    QDir().mkpath(registerDir);
    QString error;
    if (!Database::createEmptyFile(QDir(registerDir).filePath(Database::FileName), &error))
        die(error);
    Database db;
    if (!db.open(registerDir))
        die(db.errorString());
    QElapsedTimer timer;
    timer.start();
    Workbook book;
    if (!SheetFile::read(xlsx, &book, &error))
        die(error);
    SheetLineSettings settings;
    settings.headerRow = ColumnMatch::findHeaderRow(book.sheets.value(0));
    settings.columnOf = ColumnMatch::mapHeader(book.sheets.value(0).rows.value(settings.headerRow));
    settings.today = QDate::currentDate();
    const SheetLines lines = SheetLines::read(book.sheets.value(0), settings);
    if (lines.lines.size() != rows || !lines.refused.isEmpty() || !lines.moneyDiffers.isEmpty())
        die(QStringLiteral("%1 lines read, %2 refused (%3), %4 with other money")
                .arg(lines.lines.size())
                .arg(lines.refused.size())
                .arg(lines.refusedText().left(200))
                .arg(lines.moneyDiffers.size()));
    QVector<QVector<QVariant>> values;
    values.reserve(lines.lines.size());
    for (const SheetLine& line : lines.lines)
        values << line.values;
    const LineSums sums = lines.sums();
    if (!LineImport::store(*db.engine(), values, {sums.lines, sums.pieces, sums.money}, &error))
        die(error);
    return timer.elapsed();
}

qint64 convertOnce(const QDir& dir, const QString& xlsx) {
    QElapsedTimer timer;
    timer.start();
    if (!soffice(dir, {QStringLiteral("--convert-to"), QStringLiteral("csv"), QStringLiteral("--outdir"),
                       dir.filePath(QStringLiteral("converted")), xlsx}))
        die("LibreOffice could not convert the workbook");
    return timer.elapsed();
}

qint64 median(QVector<qint64> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        die("usage: bench_import DIR [ROWS [REPETITIONS]]");
    QDir dir(args[1]);
    QDir().mkpath(dir.path());
    const int rows = args.size() > 2 ? args[2].toInt() : 50000;
    const int repetitions = args.size() > 3 ? args[3].toInt() : 5;
    const QString xlsx = makeWorkbook(dir, rows);
    convertOnce(dir, xlsx); // LibreOffice's profile and caches, as a user's would be
    QVector<qint64> ours;
    QVector<qint64> theirs;
    for (int run = 0; run < repetitions; ++run) { // in turn, so that both see the same load
        ours << importOnce(dir, xlsx, rows, run);
        theirs << convertOnce(dir, xlsx);
    }
    std::printf(
        "import of %d rows of .xlsx: %lld ms; LibreOffice to CSV: %lld ms; ratio %.2f (medians of %d)\n",
        rows, static_cast<long long>(median(ours)), static_cast<long long>(median(theirs)),
        double(median(ours)) / double(median(theirs)), repetitions);
    return 0;
}
