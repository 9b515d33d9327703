// The daily backup on a generated register, each figure the median of RUNS
// pairs measured in turn (A B A B ...):
//  - backup: RegisterBackup::run (online backup API on its own connection,
//    then PRAGMA integrity_check, then the rotation) against the sqlite3
//    tool's ".backup" of the same file, whole process, and against that plus
//    the tool's integrity_check of its copy (the same work);
//  - start-up: the program from process start to its first paint with the
//    day's backup due (scheduled for a worker thread 2 s after start-up)
//    against the same with the day's backup already made.
// The backups folder it makes in DIR is removed at the end.
// Usage: bench_backup DIR [RUNS]
#include "bench/Measure.h"
#include "data/RegisterBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

void spawnAndWait(std::vector<QByteArray> argv) {
    std::vector<char*> args;
    for (QByteArray& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    // The tool's output ("ok") is not part of the table.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int status = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench_backup: %s failed\n", args[0]);
        std::exit(1);
    }
}

void print(const char* name, const std::vector<double>& reference, const std::vector<double>& program) {
    std::vector<double> ratios;
    for (size_t i = 0; i < program.size(); ++i)
        ratios.push_back(program[i] / reference[i]);
    std::printf("%s\t%.1f\t%.1f\t%.2f\tms\n", name, Measure::median(reference), Measure::median(program),
                Measure::median(ratios));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_backup DIR [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QDate today = QDate::currentDate();
    const QString ours = RegisterBackup::pathFor(dir, today);
    const QString theirs = QDir(dir).filePath(QStringLiteral("cli-backup.mdb"));
    const QByteArray registerPath = QFile::encodeName(QDir(dir).filePath(QStringLiteral("db1.mdb")));

    std::vector<double> cli, cliWithCheck, program;
    for (int i = 0; i <= runs; ++i) { // the first pair warms the page cache
        QFile::remove(ours);
        QFile::remove(theirs);
        const double a = Measure::ms([&] {
            spawnAndWait({"sqlite3", registerPath, ".backup '" + QFile::encodeName(theirs) + "'"});
        });
        const double b = Measure::ms([&] {
            if (!RegisterBackup::run(dir, today).ok)
                std::exit(1);
        });
        // The same check on the tool's copy, for the reference of the whole work.
        const double c = Measure::ms([&] {
            spawnAndWait({"sqlite3", QFile::encodeName(theirs), "PRAGMA integrity_check"});
        });
        if (i > 0) {
            cli.push_back(a);
            cliWithCheck.push_back(a + c);
            program.push_back(b);
        }
    }
    QFile::remove(theirs);
    print("backup_vs_sqlite3_backup", cli, program);
    print("backup_vs_sqlite3_backup_and_check", cliWithCheck, program);

    const QByteArray startup = QFile::encodeName(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench_program_startup")));
    std::vector<double> notDue, due;
    for (int i = 0; i <= runs; ++i) {
        if (!QFile::exists(ours) && !RegisterBackup::run(dir, today).ok)
            return 1;
        const double a = Measure::ms([&] { spawnAndWait({startup, QFile::encodeName(dir)}); });
        QFile::remove(ours);
        const double b = Measure::ms([&] { spawnAndWait({startup, QFile::encodeName(dir)}); });
        if (i > 0) {
            notDue.push_back(a);
            due.push_back(b);
        }
    }
    print("startup_backup_due_vs_not", notDue, due);
    QDir(RegisterBackup::folder(dir)).removeRecursively();
    return 0;
}
