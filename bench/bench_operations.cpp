// In-process figures after start-up, each beside its reference measured in the
// same process on the same file, repetitions alternating between the two:
//   store         one line appended and posted   / one committed INSERT (WAL, FULL)
//                 (All, key order); store_startup_view the same on the start-up
//                 view (batch filter, supplier "All"), store_supplier_view on
//                 the view of the line's own supplier
//   last          move to the last line + paint  / the reference grid scrolled to its end + paint
//   filter_*      filter rule with its sums + paint / engine's filtered key query + aggregate;
//                 from the start-up view to a supplier, both, or all lines, from
//                 the supplier back to the start-up batch, and from all lines
//   sort_first    first title click on artikul + paint / SELECT key, artikul + rank sort
//   sort_second   next clicks (DESC, ASC) + paint  / the rank sort alone
//   recalculate   Recalculate on all lines sorted by article + paint / key query,
//                 aggregate and rank sort of the column
//   find_first    the find bar's Next on all lines, from the first line to the
//                 next one holding a word in other letter case + paint / the
//                 statement the find sends for the view's matching keys
//   find_none     the same with a text no line holds
// Prints one line per figure: name, reference ms, program ms, ratio, unit.
// Lines stored by the benchmark are removed again at the end, so the register
// stays as generated. Usage: bench_operations DIR [REPETITIONS [FIGURE,...]]
#include "bench/BenchWindow.h"
#include "bench/EngineConnection.h"
#include "bench/KeyGridModel.h"
#include "bench/Measure.h"
#include "bench/PaintWaiter.h"
#include "bench/RankSort.h"
#include "bench/ReferenceGrid.h"
#include "bench/RegisterGenerator.h"

#include "app/OrderGrid.h"
#include "app/Unit1.h"
#include "data/Database.h"
#include "data/OrderTable.h"
#include "data/SqliteEngine.h"
#include "data/TextOrder.h"
#include "lists/gui/FilterRule.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>

namespace {

void report(const char* name, const std::vector<double>& reference, const std::vector<double>& program) {
    const double ref = Measure::median(reference);
    const double prog = Measure::median(program);
    std::printf("%s\t%.3f\t%.3f\t%.2f\tms\n", name, ref, prog, ref > 0 ? prog / ref : 0.0);
    std::fflush(stdout);
}

[[noreturn]] void die(const QString& message) {
    std::fprintf(stderr, "bench_operations: %s\n", qPrintable(message));
    std::exit(1);
}

// The selections of the two filter boxes; empty means "All".
struct Choice {
    QString supplier;
    QString batch;
};

using Program = BenchWindow;

// The reference's side: the engine through the C API, and a minimal grid.
struct Reference {
    EngineConnection engine;
    KeyGridModel* model = nullptr;
    std::unique_ptr<ReferenceGrid> view;
    PaintWaiter* painted = nullptr;

    explicit Reference(const QString& path) {
        if (!engine.open(path))
            die(engine.errorString());
        model = new KeyGridModel(engine.handle());
        if (!model->load(QStringLiteral("SELECT key FROM Table1 ORDER BY key")))
            die(engine.errorString());
        view = std::make_unique<ReferenceGrid>(model);
        model->setParent(view.get());
        view->show();
        painted = new PaintWaiter(view->viewport());
        painted->updateAndWait();
    }
    // The view's keys and its sums; an empty condition means the whole register.
    void filter(const QString& where) {
        std::vector<qint64> keys;
        EngineSums sums;
        const QString condition = where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where;
        if (!engine.keys(QStringLiteral("SELECT key FROM Table1%1 ORDER BY key").arg(condition), &keys) ||
            !engine.sums(where, &sums))
            die(engine.errorString());
    }
};

// A full line, as the program writes one: every column but key bound.
class ReferenceInsert {
  public:
    explicit ReferenceInsert(sqlite3* db) {
        QStringList names, marks;
        for (int column = 1; column < OrderColumns::Count; ++column) {
            names << OrderColumns::name(column);
            marks << QStringLiteral("?");
        }
        const QByteArray sql =
            ("INSERT INTO Table1 (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")").toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &m_statement, nullptr) != SQLITE_OK)
            die(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~ReferenceInsert() { sqlite3_finalize(m_statement); }
    void run(const QByteArray& supplier, const QByteArray& article, const QByteArray& batch) {
        for (int column = 1; column < OrderColumns::Count; ++column) {
            const bool text = OrderColumns::at(column).type == ColumnType::Text ||
                              OrderColumns::at(column).type == ColumnType::Memo;
            if (text)
                sqlite3_bind_text(m_statement, column, "", 0, SQLITE_STATIC);
            else
                sqlite3_bind_int64(m_statement, column, 0);
        }
        sqlite3_bind_text(m_statement, OrderColumns::Batch, batch.constData(), int(batch.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(m_statement, OrderColumns::Artikul, article.constData(), int(article.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(m_statement, OrderColumns::Dostavcik, supplier.constData(), int(supplier.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int64(m_statement, OrderColumns::Paracbr, 12);
        sqlite3_bind_int64(m_statement, OrderColumns::Polucbr, 12);
        sqlite3_bind_int64(m_statement, OrderColumns::Pokupnacena, 125000);
        sqlite3_bind_int64(m_statement, OrderColumns::Obsto, 1500000);
        sqlite3_bind_text(m_statement, OrderColumns::Date, "2023-07-10", 10, SQLITE_STATIC);
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            die(QStringLiteral("reference insert failed"));
        sqlite3_reset(m_statement);
    }

  private:
    sqlite3_stmt* m_statement = nullptr;
};

// view: the view each store is made from. The reference's INSERT is another
// program's store to the window, after which its view is read anew: the view
// is selected again, untimed, before each of the window's stores, which then
// meet the register as a clerk alone on it does.
void store(const char* name, Program& program, Reference& reference, int repetitions,
           const Choice* view = nullptr) {
    // From a view, the reference's lines stay out of it, as other clerks'
    // lines of other suppliers do.
    const QString supplier = view ? QStringLiteral("Reference line") : RegisterGenerator::filterSupplier();
    const QString article = RegisterGenerator::articles().first();
    const QString batch = RegisterGenerator::batches().last();
    // Key order; all lines, or the view (selected again before each store).
    program.sort(QStringLiteral("key"));
    if (!view)
        program.filter(QString(), QString());
    ReferenceInsert insert(reference.engine.handle());
    const QByteArray supplierBytes = supplier.toUtf8(), articleBytes = article.toUtf8(),
                     batchBytes = batch.toUtf8();
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] { insert.run(supplierBytes, articleBytes, batchBytes); }));
        if (view)
            program.filter(view->supplier, view->batch);
        // A line of the view's batch, as a clerk types it there: it stays in the view.
        prog.push_back(Measure::ms([&] { program.storeLine(view ? view->batch : QString()); }));
    }
    report(name, ref, prog);
}

void moveToLast(Program& program, Reference& reference, int repetitions) {
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        reference.view->setCurrentIndex(reference.model->index(0, 0));
        reference.painted->updateAndWait();
        ref.push_back(Measure::ms([&] {
            reference.view->setCurrentIndex(reference.model->index(reference.model->rowCount() - 1, 0));
            reference.painted->updateAndWait();
        }));
        program.table().first();
        program.paint();
        prog.push_back(Measure::ms([&] {
            program.table().last();
            program.paint();
        }));
    }
    report("last", ref, prog);
}

// From one filtered view to another, as a user switches from one supplier or
// batch to the next: the rule first switches the old filter off.
void filter(const char* name, Program& program, Reference& reference, const Choice& from, const Choice& to,
            int repetitions) {
    const QString where = FilterRule::choose(to.supplier.isEmpty() ? 0 : 1, to.supplier,
                                             to.batch.isEmpty() ? 0 : 1, to.batch, QStringLiteral("All"))
                              .text;
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        program.filter(from.supplier, from.batch);
        program.paint();
        ref.push_back(Measure::ms([&] { reference.filter(where); }));
        prog.push_back(Measure::ms([&] {
            program.filter(to.supplier, to.batch);
            program.paint();
        }));
    }
    report(name, ref, prog);
}

void sorts(Program& program, Reference& reference, int repetitions) {
    program.filter(QString(), QString());
    RankSort rank;
    std::vector<double> ref, prog;
    auto referenceSort = [&] {
        ref.push_back(Measure::ms([&] {
            if (!rank.load(reference.engine.handle(), QStringLiteral("artikul")))
                die(reference.engine.errorString());
            rank.rank();
            rank.sorted(false);
        }));
    };
    auto programSort = [&] {
        prog.push_back(Measure::ms([&] {
            program.sort(QStringLiteral("artikul"));
            program.paint();
        }));
    };
    // A first sort happens once per process.
    Measure::inAlternatingOrder(referenceSort, programSort);
    report("sort_first", ref, prog);

    ref.clear();
    prog.clear();
    for (int i = 0; i < repetitions; ++i) {
        const bool descending = i % 2 == 0;
        ref.push_back(Measure::ms([&] { rank.sorted(descending); }));
        prog.push_back(Measure::ms([&] {
            program.sort(descending ? QStringLiteral("artikul DESC") : QStringLiteral("artikul"));
            program.paint();
        }));
    }
    report("sort_second", ref, prog);
}

// Recalculate on the whole register sorted by article, the costliest case: the
// view's keys and sums are read anew and the sort column is loaded again, so
// that lines other programs stored are counted and sorted. The reference is
// the engine's key query, its aggregate and the rank sort of the column.
void recalculate(Program& program, Reference& reference, int repetitions) {
    program.filter(QString(), QString());
    program.sort(QStringLiteral("artikul"));
    RankSort rank;
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] {
            reference.filter(QString());
            if (!rank.load(reference.engine.handle(), QStringLiteral("artikul")))
                die(reference.engine.errorString());
            rank.rank();
            rank.sorted(false);
        }));
        prog.push_back(Measure::ms([&] {
            program.form.Button4Click();
            program.paint();
        }));
    }
    report("recalculate", ref, prog);
}

// A find on all lines, from the first line: the engine's answer to the
// statement the find sends, through the C API with the engine's functions,
// beside the find bar's step.
void find(const char* name, Program& program, Reference& reference, const QString& text, int repetitions) {
    program.filter(QString(), QString());
    SqliteEngine::addFunctions(reference.engine.handle());
    const QString sql = program.findStatement(text);
    std::vector<qint64> keys;
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] {
            if (!reference.engine.keys(sql, &keys))
                die(reference.engine.errorString());
        }));
        program.table().first();
        program.paint();
        prog.push_back(Measure::ms([&] { program.findNext(text); }));
    }
    report(name, ref, prog);
}

// The grid's repaint alone, nothing changed: part of every figure of the
// program above that ends with a paint; the reference is the minimal grid's.
void repaintAlone(Program& program, Reference& reference, int repetitions) {
    std::vector<double> ref, prog;
    for (int i = 0; i < repetitions; ++i) {
        ref.push_back(Measure::ms([&] { reference.painted->updateAndWait(); }));
        prog.push_back(Measure::ms([&] { program.paint(); }));
    }
    report("repaint", ref, prog);
}

// The batch the program opens on: the alphabetically last of the batch list.
QString startupBatch() {
    QStringList batches = RegisterGenerator::batches();
    TextOrder::sort(batches);
    return batches.last();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        BenchWindow::backUpToday(QString::fromLocal8Bit(argv[1]));
    QApplication app(argc, argv);
    if (argc < 2)
        die(QStringLiteral("usage: bench_operations DIR [REPETITIONS [FIGURE,...]]"));
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    // A subset of the figures, for profiling one of them.
    const QStringList only =
        argc > 3 ? QString::fromLocal8Bit(argv[3]).split(QLatin1Char(',')) : QStringList();
    auto wanted = [&](const char* figure) { return only.isEmpty() || only.contains(QLatin1String(figure)); };
    const QString path = QDir(dir).filePath(QLatin1String(Database::FileName));

    EngineConnection cleanup;
    if (!cleanup.open(path))
        die(cleanup.errorString());
    const qint64 lastKey = cleanup.scalar(QStringLiteral("SELECT MAX(key) FROM Table1"));
    {
        Reference reference(path);
        Program program(dir);
        if (wanted("repaint"))
            repaintAlone(program, reference, repetitions);
        if (wanted("last"))
            moveToLast(program, reference, repetitions);
        const Choice startup{QString(), startupBatch()};
        const Choice supplier{RegisterGenerator::filterSupplier(), QString()};
        const Choice both{RegisterGenerator::filterSupplier(), RegisterGenerator::filterBatch()};
        if (wanted("filter_supplier"))
            filter("filter_supplier", program, reference, startup, supplier, repetitions);
        if (wanted("filter_startup_batch"))
            filter("filter_startup_batch", program, reference, supplier, startup, repetitions);
        if (wanted("filter_both"))
            filter("filter_both", program, reference, startup, both, repetitions);
        if (wanted("filter_all"))
            filter("filter_all", program, reference, startup, Choice(), repetitions);
        // From "All": no old filter to switch off, so only the new view is selected.
        if (wanted("filter_supplier_from_all"))
            filter("filter_supplier_from_all", program, reference, Choice(), supplier, repetitions);
        if (wanted("filter_both_from_all"))
            filter("filter_both_from_all", program, reference, Choice(), both, repetitions);
        if (wanted("sort_first") || wanted("sort_second"))
            sorts(program, reference, repetitions);
        if (wanted("recalculate"))
            recalculate(program, reference, repetitions);
        if (wanted("find_first"))
            find("find_first", program, reference, Program::findText(), repetitions);
        if (wanted("find_none"))
            find("find_none", program, reference, Program::unfoundText(), repetitions);
        if (wanted("store"))
            store("store", program, reference, std::max(repetitions, 50));
        if (wanted("store_startup_view"))
            store("store_startup_view", program, reference, std::max(repetitions, 50), &startup);
        if (wanted("store_supplier_view"))
            store("store_supplier_view", program, reference, std::max(repetitions, 50), &supplier);
        std::printf("peak_rss_after_operations\t-\t%.1f\t-\tMiB\n", Measure::peakRssKb() / 1024.0);
    }
    // Back to the register as generated: no stored line, the key sequence as it was.
    const QString restore = QStringLiteral("DELETE FROM Table1 WHERE key > %1; "
                                           "UPDATE sqlite_sequence SET seq = %1 WHERE name = 'Table1'")
                                .arg(lastKey);
    if (!cleanup.exec(restore.toUtf8().constData()))
        die(cleanup.errorString());
    // And the history of the stores (a register without one has nothing to remove).
    cleanup.exec(
        QStringLiteral("DELETE FROM table1_history WHERE line_key > %1").arg(lastKey).toUtf8().constData());
    return 0;
}
