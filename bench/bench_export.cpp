// Export in Excel on a large view, beside Spreadsheet::WriteExcel (the Debian
// Perl writer) writing the same cells and formats:
//   export      Button3Click on a view of all lines of the register: reading
//               the view, the raw workbook, the report saved over it
//   writeexcel  bench/writeexcel_report.pl on the same cells, timed inside
//               the script from the new workbook to its close
// and the peak memory the export takes on top of the open window, against the
// size of the file it writes.
// Usage: bench_export DIR [REPETITIONS [SCRIPT]]; DIR is made with
// bench_generate DIR 65000 when it has no register yet.
#include "bench/BenchDialogs.h"
#include "bench/Measure.h"
#include "bench/RegisterGenerator.h"

#include "app/CreditLabel.h"
#include "app/Unit1.h"
#include "data/Database.h"
#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "export/ReportColumns.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void die(const QString& message) {
    std::fprintf(stderr, "bench_export: %s\n", qPrintable(message));
    std::exit(1);
}

qint64 statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').first().toLongLong();
    return 0;
}

// Starts a new peak: the kernel sets the high-water mark back to the
// resident size when "5" is written to clear_refs.
void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// The cells of the report for the Perl writer, tab-separated: the five title
// texts, the table's captions, a "t" or "n" per column (text or number), then
// one line per view line.
void dumpCells(TForm1& form, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        die(file.errorString());
    QTextStream out(&file);
    out << form.Label20->text() << '\t' << form.ecompany->text() << '\t'
        << form.statusPanels().text(StatusPanels::Filter) << '\t'
        << form.statusPanels().text(StatusPanels::Pieces) << '\t'
        << form.statusPanels().text(StatusPanels::Money) << '\n';
    // The table's captions, then which of its columns hold numbers.
    out << ReportColumns::captions().join(QLatin1Char('\t')) << '\n';
    for (int c = 0; c < ReportColumns::Count; ++c)
        out << (c ? "\t" : "")
            << (OrderColumns::at(ReportColumns::All[c].field).type == ColumnType::Text ? 't' : 'n');
    out << '\n';
    OrderTable& table = form.table();
    for (int row = 0; row < table.recordCount(); ++row) {
        for (int c = 0; c < ReportColumns::Count; ++c) {
            const OrderColumns::Index field = ReportColumns::All[c].field;
            const QVariant v = table.cellValue(row, field);
            const ColumnType type = OrderColumns::at(field).type;
            if (c)
                out << '\t';
            if (type == ColumnType::Currency)
                out << QString::number(v.value<Currency>().toDouble(), 'g', 17);
            else if (type == ColumnType::Integer)
                out << QString::number(v.toDouble(), 'g', 17);
            else
                out << v.toString().replace(QLatin1Char('\t'), QLatin1Char(' '));
        }
        out << '\n';
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        die(QStringLiteral("usage: bench_export DIR [REPETITIONS [SCRIPT]]"));
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    // Made absolute now: the window makes its own folder the working directory.
    const QString script =
        QFileInfo(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("bench/writeexcel_report.pl"))
            .absoluteFilePath();
    if (!QFileInfo::exists(QDir(dir).filePath(QLatin1String(Database::FileName)))) {
        RegisterGenerator generator(65000);
        if (!generator.write(dir))
            die(generator.errorString());
    }

    BenchDialogs dialogs;
    TForm1 form(dir, dialogs);
    if (!form.table().isActive())
        die(QStringLiteral("the window did not open the register"));
    form.cbfiltersup->setCurrentIndex(0);
    form.cbbatch->setCurrentIndex(0); // "All"
    form.cbfiltersupChange();
    const int lines = form.table().recordCount();
    const QString report = QDir(dir).filePath(QStringLiteral("Orders.xls"));
    const QString cells = QDir(dir).filePath(QStringLiteral("cells.tsv"));
    dumpCells(form, cells);

    std::vector<double> ours, theirs;
    qint64 extraKb = 0;
    for (int i = 0; i < repetitions; ++i) {
        resetPeak();
        const qint64 before = statusKb("VmRSS:");
        ours.push_back(Measure::ms([&] { form.Button3Click(); }));
        extraKb = std::max(extraKb, statusKb("VmHWM:") - before);

        QProcess perl;
        perl.start(QStringLiteral("perl"),
                   {script, cells, QDir(dir).filePath(QStringLiteral("writeexcel.xls"))});
        if (!perl.waitForFinished(600000) || perl.exitCode() != 0)
            die(QStringLiteral("%1 failed: %2")
                    .arg(script, QString::fromLocal8Bit(perl.readAllStandardError())));
        theirs.push_back(perl.readAllStandardOutput().trimmed().toDouble());
    }
    const double size = double(QFileInfo(report).size());
    const double ourMs = Measure::median(ours);
    const double theirMs = Measure::median(theirs);
    std::printf("lines\t%d\nexport_ms\t%.1f\nwriteexcel_ms\t%.1f\nratio\t%.3f\n", lines, ourMs, theirMs,
                ourMs / theirMs);
    std::printf(
        "file_bytes\t%.0f\nwriteexcel_file_bytes\t%lld\nexport_peak_extra_kb\t%lld\npeak_to_file\t%.2f\n",
        size, QFileInfo(QDir(dir).filePath(QStringLiteral("writeexcel.xls"))).size(), extraKb,
        extraKb * 1024.0 / size);
    return 0;
}
