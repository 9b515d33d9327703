// Two clerks storing at once on one server register: two processes, each
// storing LINES lines, started together once both are connected and ready.
//   program    each process stores through the real OrderTable (append, a few
//              fields, post: a nextval round trip and one INSERT per line)
//   reference  each process runs the same number of prepared INSERTs of a
//              whole line over libpq, one committed transaction each
// A round runs the program's pair and the reference's pair in turn (the order
// alternates); prints the medians over the rounds of the lines stored per
// second by both together and of the milliseconds per line, with the median
// of the per-round ratios. Lines stored here are deleted again at the end.
// Usage: bench_server_clients DIR LINES ROUNDS
//        bench_server_clients --child program|reference DIR LINES   (one clerk)
#include "bench/BenchWindow.h"
#include "bench/Measure.h"
#include "bench/ServerConnection.h"

#include "data/Database.h"
#include "data/OrderTable.h"

#include <QCoreApplication>
#include <QProcess>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

[[noreturn]] void die(const QString& message) {
    std::fprintf(stderr, "bench_server_clients: %s\n", qPrintable(message));
    std::exit(1);
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Says "ready", waits for a line on stdin, stores, then prints its start and
// end on the machine's monotonic clock (the same for every process).
template <typename Store> int clerk(int lines, Store&& storeOne) {
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
    const qint64 start = nowNs();
    for (int i = 0; i < lines; ++i)
        if (!storeOne())
            return 1;
    std::printf("%lld %lld\n", static_cast<long long>(start), static_cast<long long>(nowNs()));
    return 0;
}

int programClerk(const QString& dir, int lines) {
    Database database;
    if (!database.open(dir))
        die(database.errorString());
    OrderTable table(database);
    table.setErrorSink([](const QString& message) { die(message); });
    if (!table.open())
        return 1;
    return clerk(lines, [&] { return BenchWindow::storeLine(table); });
}

int referenceClerk(const QString& dir, int lines) {
    ServerConnection server;
    if (!server.open(dir) || !server.prepareInsert())
        die(server.errorString());
    return clerk(lines, [&] { return server.insertLine() || (die(server.errorString()), false); });
}

// Both clerks of one side at once; returns the wall time from the first
// clerk's start to the last one's end, in ms.
double pair(const QString& side, const QString& dir, int lines) {
    QProcess clerks[2];
    for (QProcess& p : clerks) {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QCoreApplication::applicationFilePath(), {"--child", side, dir, QString::number(lines)});
        if (!p.waitForReadyRead(60000) || !p.readLine().startsWith("ready"))
            die(QStringLiteral("a %1 clerk did not get ready").arg(side));
    }
    for (QProcess& p : clerks)
        p.write("go\n"), p.closeWriteChannel();
    qint64 first = 0, last = 0;
    for (QProcess& p : clerks) {
        if (!p.waitForFinished(600000) || p.exitCode() != 0)
            die(QStringLiteral("a %1 clerk failed").arg(side));
        const QList<QByteArray> times = p.readAll().trimmed().split(' ');
        const qint64 start = times.value(0).toLongLong(), end = times.value(1).toLongLong();
        first = first == 0 ? start : std::min(first, start);
        last = std::max(last, end);
    }
    return (last - first) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--child"))
        return args[2] == QLatin1String("program") ? programClerk(args[3], args[4].toInt())
                                                   : referenceClerk(args[3], args[4].toInt());
    if (args.size() != 4)
        die(QStringLiteral("usage: bench_server_clients DIR LINES ROUNDS"));
    const QString dir = args[1];
    const int lines = std::max(1, args[2].toInt()), rounds = std::max(1, args[3].toInt());

    ServerConnection server;
    if (!server.open(dir))
        die(server.errorString());
    const qint64 lastKey = server.scalar("SELECT COALESCE(MAX(key), 0) FROM Table1");
    std::vector<double> refMs, progMs, refRate, progRate, ratio;
    for (int round = 0; round < rounds; ++round) {
        double ref = 0, prog = 0;
        if (round % 2) {
            ref = pair(QStringLiteral("reference"), dir, lines);
            prog = pair(QStringLiteral("program"), dir, lines);
        } else {
            prog = pair(QStringLiteral("program"), dir, lines);
            ref = pair(QStringLiteral("reference"), dir, lines);
        }
        refMs.push_back(ref / (2.0 * lines)), progMs.push_back(prog / (2.0 * lines));
        refRate.push_back(2000.0 * lines / ref), progRate.push_back(2000.0 * lines / prog);
        ratio.push_back(prog / ref);
    }
    // figure, reference, program, ratio (program time / reference time), unit
    std::printf("two_clients_ms_per_line\t%.3f\t%.3f\t%.2f\tms\n", Measure::median(refMs),
                Measure::median(progMs), Measure::median(ratio));
    std::printf("two_clients_lines_per_s\t%.0f\t%.0f\t%.2f\t/s\n", Measure::median(refRate),
                Measure::median(progRate), Measure::median(ratio));
    if (server.rows("DELETE FROM Table1 WHERE key > " + QByteArray::number(lastKey)) < 0)
        die(server.errorString());
    return 0;
}
