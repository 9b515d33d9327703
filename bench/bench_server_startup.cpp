// Whole-process start-up on a server register: in turn (A B C A B C ...)
//   A  psql running the statements the program's start-up sends (a script)
//   B  the program on the server register (bench_program_startup SERVER_DIR)
//   C  the program on the same lines in the embedded file (FILE_DIR)
// each from process start until it ends (the program right after the grid's
// first paint). Prints the median of each and the median of the per-round
// ratios: B against A (what the server itself needs) and B against C (what
// the server costs the program compared with the file).
// Usage: bench_server_startup SERVER_DIR FILE_DIR RUNS PSQL_SCRIPT
#include "bench/ChildProcess.h"
#include "bench/Measure.h"

#include "data/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace {

ChildRun mustRun(const QList<QByteArray>& args) {
    const ChildRun run = ChildProcess::run(args, true);
    if (!run.ok) {
        std::fprintf(stderr, "bench_server_startup: %s failed\n", args.join(' ').constData());
        std::exit(1);
    }
    return run;
}

void print(const char* name, const std::vector<double>& reference, const std::vector<double>& program,
           const std::vector<double>& ratio, const char* unit) {
    std::printf("%s\t%.1f\t%.1f\t%.2f\t%s\n", name, Measure::median(reference), Measure::median(program),
                Measure::median(ratio), unit);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_server_startup SERVER_DIR FILE_DIR RUNS PSQL_SCRIPT\n");
        return 2;
    }
    QString error;
    const QByteArray server = Database::serverSetting(QString::fromLocal8Bit(argv[1]), &error).toUtf8();
    if (server.isEmpty()) {
        std::fprintf(stderr, "bench_server_startup: %s has no server setting %s\n", argv[1],
                     qPrintable(error));
        return 1;
    }
    const int runs = std::max(1, std::atoi(argv[3]));
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QByteArray program = QFile::encodeName(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_program_startup")));
    const QList<QByteArray> psql{"psql", "-X",   "-q", "-o",   "/dev/null", "-v", "ON_ERROR_STOP=1",
                                 "-d",   server, "-f", argv[4]};
    const QList<QByteArray> onServer{program, argv[1]};
    const QList<QByteArray> onFile{program, argv[2]};

    // One warm-up of each: the server's and the file's pages are then cached.
    mustRun(psql), mustRun(onServer), mustRun(onFile);
    std::vector<double> psqlMs, serverMs, fileMs, vsPsql, vsFile, serverMb, fileMb, memRatio;
    for (int i = 0; i < runs; ++i) {
        const ChildRun a = mustRun(psql), b = mustRun(onServer), c = mustRun(onFile);
        psqlMs.push_back(a.ms), serverMs.push_back(b.ms), fileMs.push_back(c.ms);
        vsPsql.push_back(b.ms / a.ms), vsFile.push_back(b.ms / c.ms);
        serverMb.push_back(b.rssMb), fileMb.push_back(c.rssMb), memRatio.push_back(b.rssMb / c.rssMb);
    }
    // figure, reference, program, ratio, unit (as bench/run.sh reads them)
    print("startup", psqlMs, serverMs, vsPsql, "ms");
    print("startup_vs_file", fileMs, serverMs, vsFile, "ms");
    print("peak_rss_vs_file", fileMb, serverMb, memRatio, "MiB");
    return 0;
}
