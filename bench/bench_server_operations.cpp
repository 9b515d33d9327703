// In-process figures of the program on a server register, each beside its
// references measured in the same process, repetitions alternating:
//   filter_*    filter rule with its counters + paint
//               / the same two statements (view's keys, sums) in one
//                 REPEATABLE READ transaction over libpq in this process
//               / the same through psql, a whole process (name_psql);
//               from the start-up view to a supplier, both or all lines, from
//               the supplier back to the start-up batch, and from all lines
//   sort_first  first title click on artikul over all lines + paint, once
//               / SELECT key, artikul FROM Table1 ORDER BY key over libpq
//               / the same through psql (sort_first_psql)
//   store       append, a few fields, post (All lines, key order)
//               / one INSERT of a whole line, prepared, over libpq
//   store_startup_view  the same store on the start-up view (the batch filter on)
//   store_supplier_view the same store on the view of the line's own supplier
//   store_table the same line through a bare OrderTable (no window) / the INSERT,
//               and the key's round trip alone (store_key_round_trip)
//   find_first  the find bar's Next on all lines, from the first line to the
//               next one holding a word in other letter case + paint / the
//               statement the find sends for the view's matching keys, over libpq
//   find_none   the same with a text no line holds
//   repaint     the grid repainted, nothing changed (in every figure with a paint)
// Prints one line per figure: name, reference ms, program ms, ratio, unit.
// Lines stored here are deleted again at the end.
// Usage: bench_server_operations DIR [REPETITIONS [FIGURE,...]]
#include "bench/BenchWindow.h"
#include "bench/ChildProcess.h"
#include "bench/Measure.h"
#include "bench/RegisterGenerator.h"
#include "bench/ServerConnection.h"
#include "data/OrderColumns.h"

#include "data/Database.h"
#include "data/OrderTable.h"
#include "data/TextOrder.h"
#include "lists/gui/FilterRule.h"

#include <QApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {

using Program = BenchWindow;

void report(const char* name, const std::vector<double>& reference, const std::vector<double>& program) {
    const double ref = Measure::median(reference);
    const double prog = Measure::median(program);
    std::printf("%s\t%.3f\t%.3f\t%.2f\tms\n", name, ref, prog, ref > 0 ? prog / ref : 0.0);
    std::fflush(stdout);
}

void check(bool ok, ServerConnection& server) {
    if (!ok)
        Program::die(server.errorString());
}

// psql as a whole process, each statement its own -c (one round trip each,
// as the program sends them), output thrown away.
double psqlMs(const QByteArray& server, const QList<QByteArray>& statements) {
    QList<QByteArray> args{"psql", "-X", "-q", "-o", "/dev/null", "-v", "ON_ERROR_STOP=1", "-d", server};
    for (const QByteArray& statement : statements)
        args << "-c" << statement;
    const ChildRun run = ChildProcess::run(args, true);
    if (!run.ok)
        Program::die(QStringLiteral("psql failed: %1").arg(QString::fromUtf8(statements.join("; "))));
    return run.ms;
}

struct Choice {
    QString supplier;
    QString batch;
};

// The statements the program sends for a filter change, in the program's own
// words (OrderTable::selectView and readSums).
QList<QByteArray> filterStatements(const Choice& to) {
    const FilterRule::Choice rule =
        FilterRule::choose(to.supplier.isEmpty() ? 0 : 1, to.supplier, to.batch.isEmpty() ? 0 : 1, to.batch,
                           QStringLiteral("All"));
    const QString where = rule.text.isEmpty() ? QString() : QStringLiteral(" WHERE (%1)").arg(rule.text);
    return {"BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY",
            QStringLiteral("SELECT key FROM Table1%1 ORDER BY key").arg(where).toUtf8(),
            (OrderColumns::sumsQuery() + where).toUtf8(), "COMMIT"};
}

void filter(const char* name, Program& program, ServerConnection& server, const QByteArray& conninfo,
            const Choice& from, const Choice& to, int repetitions) {
    const QList<QByteArray> statements = filterStatements(to);
    std::vector<double> ref, viaPsql, prog;
    std::vector<qint32> keys;
    for (int i = 0; i < repetitions; ++i) {
        program.filter(from.supplier, from.batch);
        program.paint();
        ref.push_back(Measure::ms([&] {
            check(server.rows(statements[0]) >= 0 && server.keys(statements[1], &keys) &&
                      server.rows(statements[2]) == 1 && server.rows(statements[3]) >= 0,
                  server);
        }));
        viaPsql.push_back(psqlMs(conninfo, statements));
        prog.push_back(Measure::ms([&] {
            program.filter(to.supplier, to.batch);
            program.paint();
        }));
    }
    report(name, ref, prog);
    report(QByteArray(name).append("_psql").constData(), viaPsql, prog);
}

// Once per process (a second click finds the column loaded); the side that
// goes first alternates between processes, so neither always meets colder caches.
void sortFirst(Program& program, ServerConnection& server, const QByteArray& conninfo) {
    const QByteArray sql = "SELECT key, artikul FROM Table1 ORDER BY key";
    program.filter(QString(), QString());
    program.paint();
    std::vector<double> ref, viaPsql, prog;
    auto references = [&] {
        ref.push_back(Measure::ms([&] { check(server.rows(sql) > 0, server); }));
        viaPsql.push_back(psqlMs(conninfo, {sql}));
    };
    auto programSort = [&] {
        prog.push_back(Measure::ms([&] {
            program.sort(QStringLiteral("artikul"));
            program.paint();
        }));
    };
    Measure::inAlternatingOrder(references, programSort);
    report("sort_first", ref, prog);
    report("sort_first_psql", viaPsql, prog);
}

// view: the view each store is made from. The reference's INSERT is another
// clerk's store to the window, after which its view is read anew: the view
// is selected again, untimed, before each of the window's stores, which then
// meet the register as a clerk alone on it does. The server's notice of the
// INSERT reaches the window a moment after its commit: the selection waits
// for it, or it would keep the view and the store would read it instead.
void store(const char* name, Program& program, ServerConnection& server, int repetitions,
           const Choice* view = nullptr) {
    check(server.prepareInsert(), server);
    // Key order; all lines, or the view (selected again before each store).
    program.sort(QStringLiteral("key"));
    if (!view)
        program.filter(QString(), QString());
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        // From a view, the reference's lines stay out of it, as other clerks'
        // lines of other suppliers do.
        ref.push_back(Measure::ms([&] { check(server.insertLine(view ? "Reference line" : ""), server); }));
        if (view) {
            QThread::msleep(20);
            program.filter(view->supplier, view->batch);
        }
        // A line of the view's batch, as a clerk types it there: it stays in the view.
        prog.push_back(Measure::ms([&] { program.storeLine(view ? view->batch : QString()); }));
    }
    report(name, ref, prog);
}

// Where a store's time goes: the same line through a bare OrderTable on its
// own connection (no window: no before- and after-post steps, no grid), and
// the key's round trip alone, the statement the engine sends for it.
void storeBreakdown(const QString& dir, ServerConnection& server, int repetitions) {
    Database database;
    if (!database.open(dir))
        Program::die(database.errorString());
    OrderTable table(database);
    table.setErrorSink([](const QString& message) { Program::die(message); });
    if (!table.open())
        Program::die(QStringLiteral("the bare table did not open"));
    check(server.prepareInsert(), server);
    const QByteArray nextKey = "SELECT nextval(pg_get_serial_sequence('table1', 'key'))";
    std::vector<double> ref, prog, key;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] { check(server.insertLine(), server); }));
        prog.push_back(
            Measure::ms([&] { BenchWindow::storeLine(table) || (Program::die(QString()), false); }));
        key.push_back(Measure::ms([&] { check(server.rows(nextKey) == 1, server); }));
    }
    report("store_table", ref, prog);
    std::printf("store_key_round_trip\t%.3f\t-\t-\tms\n", Measure::median(key));
}

// A find on all lines, from the first line, beside the engine's answer to
// the statement the find sends.
void find(const char* name, Program& program, ServerConnection& server, const QString& text,
          int repetitions) {
    program.filter(QString(), QString());
    const QByteArray sql = program.findStatement(text).toUtf8();
    std::vector<qint32> keys;
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] { check(server.keys(sql, &keys), server); }));
        program.table().first();
        program.paint();
        prog.push_back(Measure::ms([&] { program.findNext(text); }));
    }
    report(name, ref, prog);
}

// The grid's repaint alone, nothing changed: part of every figure above that
// ends with a paint (the libpq references paint nothing).
void repaintAlone(Program& program, int repetitions) {
    std::vector<double> prog;
    for (int i = 0; i < repetitions; ++i)
        prog.push_back(Measure::ms([&] { program.paint(); }));
    std::printf("repaint\t-\t%.3f\t-\tms\n", Measure::median(prog));
}

// The batch the program opens on: the alphabetically last of the batch list.
QString startupBatch() {
    QStringList batches = RegisterGenerator::batches();
    TextOrder::sort(batches);
    return batches.last();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        Program::die(QStringLiteral("usage: bench_server_operations DIR [REPETITIONS [FIGURE,...]]"));
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const QStringList only =
        argc > 3 ? QString::fromLocal8Bit(argv[3]).split(QLatin1Char(',')) : QStringList();
    auto wanted = [&](const char* figure) { return only.isEmpty() || only.contains(QLatin1String(figure)); };
    QString error;
    const QByteArray conninfo = Database::serverSetting(dir, &error).toUtf8();

    ServerConnection server;
    check(server.open(dir), server);
    const qint64 lastKey = server.scalar("SELECT COALESCE(MAX(key), 0) FROM Table1");
    check(lastKey >= 0, server);
    {
        Program program(dir);
        const Choice startup{QString(), startupBatch()};
        const Choice supplier{RegisterGenerator::filterSupplier(), QString()};
        const Choice both{RegisterGenerator::filterSupplier(), RegisterGenerator::filterBatch()};
        if (wanted("repaint"))
            repaintAlone(program, repetitions);
        if (wanted("filter_supplier"))
            filter("filter_supplier", program, server, conninfo, startup, supplier, repetitions);
        if (wanted("filter_startup_batch"))
            filter("filter_startup_batch", program, server, conninfo, supplier, startup, repetitions);
        if (wanted("filter_both"))
            filter("filter_both", program, server, conninfo, startup, both, repetitions);
        if (wanted("filter_all"))
            filter("filter_all", program, server, conninfo, startup, Choice(), repetitions);
        // From "All": no old filter to switch off, so only the new view is selected.
        if (wanted("filter_supplier_from_all"))
            filter("filter_supplier_from_all", program, server, conninfo, Choice(), supplier, repetitions);
        if (wanted("filter_both_from_all"))
            filter("filter_both_from_all", program, server, conninfo, Choice(), both, repetitions);
        if (wanted("sort_first"))
            sortFirst(program, server, conninfo);
        if (wanted("find_first"))
            find("find_first", program, server, Program::findText(), repetitions);
        if (wanted("find_none"))
            find("find_none", program, server, Program::unfoundText(), repetitions);
        if (wanted("store"))
            store("store", program, server, std::max(repetitions, 50));
        if (wanted("store_startup_view"))
            store("store_startup_view", program, server, std::max(repetitions, 50), &startup);
        if (wanted("store_supplier_view"))
            store("store_supplier_view", program, server, std::max(repetitions, 50), &supplier);
        if (wanted("store_table"))
            storeBreakdown(dir, server, std::max(repetitions, 50));
        std::printf("peak_rss_after_operations\t-\t%.1f\t-\tMiB\n", Measure::peakRssKb() / 1024.0);
    }
    // Back to the register as generated (the key sequence stays where it is).
    check(server.rows("DELETE FROM Table1 WHERE key > " + QByteArray::number(lastKey)) >= 0, server);
    return 0;
}
