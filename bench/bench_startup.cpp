// Whole-process start-up comparison: runs the reference grid and the program
// in turn (A B A B ...) on the same register, each from process start until it
// leaves after its first paint, and reads each one's peak memory from the
// kernel. Prints the medians and the median of the pairwise ratios.
// Usage: bench_startup DIR [RUNS]   (QT_QPA_PLATFORM=offscreen is set for the children)
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
    bool ok = false;
};

Run runOnce(const QByteArray& program, const QByteArray& dir)
{
    Run run;
    char* args[] = {const_cast<char*>(program.constData()), const_cast<char*>(dir.constData()), nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.constData(), nullptr, nullptr, args, environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.rssMb = usage.ru_maxrss / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup DIR [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QDir here(QCoreApplication::applicationDirPath());
    const QByteArray reference = QFile::encodeName(here.filePath(QStringLiteral("bench_reference_grid")));
    const QByteArray program = QFile::encodeName(here.filePath(QStringLiteral("bench_program_startup")));
    const QByteArray dir = argv[1];

    // One warm-up of each: the page cache holds the file afterwards, as on a second start.
    if (!runOnce(reference, dir).ok || !runOnce(program, dir).ok) {
        std::fprintf(stderr, "bench_startup: a start-up run failed\n");
        return 1;
    }
    std::vector<double> refMs, progMs, refMb, progMb, timeRatio, memRatio;
    for (int i = 0; i < runs; ++i) {
        const Run a = runOnce(reference, dir);
        const Run b = runOnce(program, dir);
        if (!a.ok || !b.ok) {
            std::fprintf(stderr, "bench_startup: a start-up run failed\n");
            return 1;
        }
        refMs.push_back(a.ms);
        progMs.push_back(b.ms);
        refMb.push_back(a.rssMb);
        progMb.push_back(b.rssMb);
        timeRatio.push_back(b.ms / a.ms);
        memRatio.push_back(b.rssMb / a.rssMb);
    }
    // figure, reference, program, ratio (median of the pairs), unit
    std::printf("startup\t%.1f\t%.1f\t%.2f\tms\n", Measure::median(refMs), Measure::median(progMs),
                Measure::median(timeRatio));
    std::printf("peak_rss\t%.1f\t%.1f\t%.2f\tMiB\n", Measure::median(refMb), Measure::median(progMb),
                Measure::median(memRatio));
    return 0;
}
