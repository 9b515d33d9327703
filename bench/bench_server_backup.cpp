// The server register's daily copy (ServerBackup, with the photos and lists
// of SideFilesBackup) on a register of LINES lines and PHOTOS photos of
// 50 KB, made in a schema of its own (bench_backup) of the database the
// connection string names; each figure the median of RUNS rounds:
//  - backup: ServerBackup::run, from the claim to the rotation, against the
//    reference pg_dump -Fc of the same schema plus copying the photos' bytes
//    as files (cp -r of a folder holding them); the budget is twice the dump
//    plus the copy;
//  - store: a clerk's store (one INSERT of a line, its own session) while no
//    backup runs, and while one runs on a thread: median and largest.
// Usage: bench_server_backup CONNINFO WORKDIR [LINES] [PHOTOS] [RUNS]
#include "bench/Measure.h"
#include "data/PostgresEngine.h"
#include "data/ServerBackup.h"
#include "transfer/SideFilesBackup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void check(bool ok, const char* what, const QString& error = {}) {
    if (!ok) {
        std::fprintf(stderr, "bench_server_backup: %s %s\n", what, qPrintable(error));
        std::exit(1);
    }
}

void shell(const QString& command) {
    check(std::system(command.toLocal8Bit().constData()) == 0, "failed:", command);
}

void fill(const QString& conninfo, int lines, int photos) {
    PostgresEngine engine;
    QString error;
    check(engine.connect(conninfo, &error), "connect", error);
    std::fprintf(stderr, "filling %d lines and %d photos\n", lines, photos);
    check(
        engine.execute(
            QStringLiteral(
                "INSERT INTO Table1 (batch, artikul, dostavcik, cvet, razmeri, polucbr, pokupnacena, obsto, "
                "belejka, photo) SELECT 'B' || (i % 50), 'article ' || i, 'supplier ' || (i % 300), 'blue', "
                "'M', i % 7, 125000, (i % 7) * 125000, 'note of line ' || i, CASE WHEN i <= %1 THEN i END "
                "FROM generate_series(1, %2) AS i")
                .arg(photos)
                .arg(lines),
            {}, nullptr, &error),
        "lines", error);
    // 50 KB each, not compressible (as a JPEG is not).
    check(engine.execute(
              QStringLiteral("INSERT INTO shared_photos (batch, number, jpeg) SELECT 'b' || (i % 50), "
                             "i::text, (SELECT decode(string_agg(md5(random()::text || i || g), ''), "
                             "'hex') FROM generate_series(1, 3200) AS g) FROM generate_series(1, %1) AS i")
                  .arg(photos),
              {}, nullptr, &error),
          "photos", error);
    check(engine.execute(
              QStringLiteral("INSERT INTO shared_texts (name, body) VALUES ('articles', 'coat\ndress')"), {},
              nullptr, &error),
          "lists", error);
    check(engine.execute(QStringLiteral("VACUUM ANALYZE"), {}, nullptr, &error), "vacuum", error);
}

// Stores of one clerk, each timed, until stop is set (at least count).
std::vector<double> stores(const QString& conninfo, int count, const std::atomic<bool>* running) {
    PostgresEngine clerk;
    QString error;
    check(clerk.connect(conninfo, &error), "connect", error);
    std::vector<double> times;
    while ((int)times.size() < count || (running && *running)) {
        times.push_back(Measure::ms([&] {
            check(
                clerk.execute(QStringLiteral("INSERT INTO Table1 (artikul, polucbr, obsto) VALUES (?, 1, 0)"),
                              {QStringLiteral("stored meanwhile")}, nullptr, &error),
                "store", error);
        }));
        if (running && !*running && (int)times.size() >= count)
            break;
    }
    return times;
}

// The value that share (0..1) of the values do not exceed.
double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_server_backup CONNINFO WORKDIR [LINES] [PHOTOS] [RUNS]\n");
        return 2;
    }
    const QString server = QString::fromLocal8Bit(argv[1]);
    const QString work = QString::fromLocal8Bit(argv[2]);
    const int lines = argc > 3 ? std::atoi(argv[3]) : 100000;
    const int photos = argc > 4 ? std::atoi(argv[4]) : 1000;
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 3;
    const QString schema = QStringLiteral("bench_backup");
    const QString conninfo = server + QStringLiteral(" options='-c search_path=%1'").arg(schema);
    const QString pgBin = qEnvironmentVariable("PG_BIN", QStringLiteral("/usr/lib/postgresql/15/bin"));
    QDir(work).removeRecursively();
    check(QDir().mkpath(work), "cannot make", work);

    PostgresEngine admin;
    QString error;
    check(admin.connect(server, &error), "connect", error);
    check(admin.execute(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema), {}, nullptr, &error),
          "drop", error);
    check(admin.execute(QStringLiteral("CREATE SCHEMA %1").arg(schema), {}, nullptr, &error), "schema",
          error);
    bool created = false;
    check(PostgresEngine::createRegister(conninfo, &created, &error), "create", error);
    fill(conninfo, lines, photos);

    // The reference's photo files: the same bytes, written once by a copy.
    const QString app1 = work + QStringLiteral("/app");
    SideFilesBackup sideFiles;
    std::atomic<bool> cancel{false};
    const QDate first(2030, 1, 1);
    const ServerBackup::Result made = ServerBackup::run(app1, conninfo, first, sideFiles, cancel);
    check(made.made && made.ok, "first backup", made.message);
    const QString photoSource = ServerBackup::pathFor(app1, first) + QStringLiteral("/pictures");

    std::vector<double> dump, copy, backup, quiet, during;
    for (int run = 0; run < runs; ++run) {
        dump.push_back(Measure::ms([&] {
            shell(QStringLiteral("%1/pg_dump -Fc -n %2 -f %3/dump.fc \"%4\"")
                      .arg(pgBin, schema, work, QString(server).replace('"', "\\\"")));
        }));
        copy.push_back(Measure::ms([&] {
            shell(QStringLiteral("cp -r %1 %2/photos-copy && sync -f %2/photos-copy").arg(photoSource, work));
        }));
        shell(QStringLiteral("rm -rf %1/photos-copy %1/dump.fc").arg(work));
        const QDate day = first.addDays(run + 1);
        backup.push_back(Measure::ms([&] {
            const ServerBackup::Result result = ServerBackup::run(app1, conninfo, day, sideFiles, cancel);
            check(result.made && result.ok, "backup", result.message);
        }));
        // A clerk storing while no backup runs, then while one runs.
        const std::vector<double> alone = stores(conninfo, 200, nullptr);
        quiet.insert(quiet.end(), alone.begin(), alone.end());
        std::atomic<bool> running{true};
        std::thread worker([&] {
            const ServerBackup::Result result =
                ServerBackup::run(app1, conninfo, day.addDays(100), sideFiles, cancel);
            check(result.made && result.ok, "backup", result.message);
            running = false;
        });
        const std::vector<double> meanwhile = stores(conninfo, 1, &running);
        worker.join();
        during.insert(during.end(), meanwhile.begin(), meanwhile.end());
    }
    const double budget = 2 * Measure::median(dump) + Measure::median(copy);
    std::printf("figure\treference\tprogram\tratio\tunit\n");
    std::printf("pg_dump -Fc\t%.0f\t\t\tms\n", Measure::median(dump));
    std::printf("copy of the photos' bytes\t%.0f\t\t\tms\n", Measure::median(copy));
    std::printf("server backup (budget: 2 x dump + copy)\t%.0f\t%.0f\t%.2f\tms\n", budget,
                Measure::median(backup), Measure::median(backup) / budget);
    std::printf("store, median (alone / during a backup)\t%.2f\t%.2f\t%+.2f\tms\n", Measure::median(quiet),
                Measure::median(during), Measure::median(during) - Measure::median(quiet));
    for (const double share : {0.99, 1.0})
        std::printf("store, %s (alone / during a backup)\t%.2f\t%.2f\t%+.2f\tms\n",
                    share < 1 ? "99th percentile" : "largest", percentile(quiet, share),
                    percentile(during, share), percentile(during, share) - percentile(quiet, share));
    std::printf("stores during the backups\t%zu\n", during.size());
    check(admin.execute(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema), {}, nullptr, &error), "drop",
          error);
    QDir(work).removeRecursively();
    return 0;
}
