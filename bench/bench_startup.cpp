// Whole-process start-up comparison: runs the reference grid and the program
// in turn (A B A B ...) on the same register, each from process start until it
// leaves after its first paint, and reads each one's peak memory from the
// kernel. Prints the medians and the median of the pairwise ratios, first for
// the start-up itself, then for a start-up that also sorts the whole register
// by artikul (the memory of the column cache).
// Usage: bench_startup DIR [RUNS]   (QT_QPA_PLATFORM=offscreen is set for the children)
#include "bench/BenchWindow.h"
#include "bench/Measure.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double ms = 0;
    double rssMb = 0;
};

Run runOnce(const QByteArray& program, const QByteArray& dir, const char* mode) {
    char* args[] = {const_cast<char*>(program.constData()), const_cast<char*>(dir.constData()),
                    const_cast<char*>(mode), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    rusage usage{};
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, args, environ) != 0 ||
        wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_startup: %s %s %s failed\n", program.constData(), dir.constData(),
                     mode ? mode : "");
        std::exit(1);
    }
    Run run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.rssMb = usage.ru_maxrss / 1024.0;
    return run;
}

// A B A B ... after one warm-up of each (the page cache then holds the file, as
// on a second start). Prints time and memory lines under the given names.
void compare(const QByteArray& reference, const QByteArray& program, const QByteArray& dir, const char* mode,
             int runs, const char* timeName, const char* memoryName) {
    runOnce(reference, dir, mode);
    runOnce(program, dir, mode);
    std::vector<double> refMs, progMs, refMb, progMb, timeRatio, memRatio;
    for (int i = 0; i < runs; ++i) {
        const Run a = runOnce(reference, dir, mode);
        const Run b = runOnce(program, dir, mode);
        refMs.push_back(a.ms);
        progMs.push_back(b.ms);
        refMb.push_back(a.rssMb);
        progMb.push_back(b.rssMb);
        timeRatio.push_back(b.ms / a.ms);
        memRatio.push_back(b.rssMb / a.rssMb);
    }
    // figure, reference, program, ratio (median of the pairs), unit
    std::printf("%s\t%.1f\t%.1f\t%.2f\tms\n", timeName, Measure::median(refMs), Measure::median(progMs),
                Measure::median(timeRatio));
    std::printf("%s\t%.1f\t%.1f\t%.2f\tMiB\n", memoryName, Measure::median(refMb), Measure::median(progMb),
                Measure::median(memRatio));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        BenchWindow::backUpToday(QFile::decodeName(argv[1]));
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup DIR [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QDir here(QCoreApplication::applicationDirPath());
    const QByteArray reference = QFile::encodeName(here.filePath(QStringLiteral("bench_reference_grid")));
    const QByteArray program = QFile::encodeName(here.filePath(QStringLiteral("bench_program_startup")));
    const QByteArray dir = argv[1];
    compare(reference, program, dir, nullptr, runs, "startup", "peak_rss");
    compare(reference, program, dir, "sorted", runs, "startup_sorted_all", "peak_rss_sorted_all");
    return 0;
}
