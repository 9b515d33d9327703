// Start-up reference: a minimal Qt grid over the vector of keys of the whole
// register (SELECT key FROM Table1 ORDER BY key), rows read by key when shown.
// With "sorted", the whole register sorted by artikul first (rank sort), for
// the memory a sorted view needs. Ends right after the first paint of the
// grid; bench_startup times it from outside and reads its peak memory.
// Usage: bench_reference_grid DIR [sorted]
#include "bench/EngineConnection.h"
#include "bench/FirstPaintExit.h"
#include "bench/KeyGridModel.h"
#include "bench/RankSort.h"
#include "bench/ReferenceGrid.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    if (argc < 2 || (argc == 3 && qstrcmp(argv[2], "sorted") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: bench_reference_grid DIR [sorted]\n");
        return 2;
    }
    EngineConnection engine;
    if (!engine.open(QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("db1.mdb")))) {
        std::fprintf(stderr, "bench_reference_grid: %s\n", qPrintable(engine.errorString()));
        return 1;
    }
    KeyGridModel model(engine.handle());
    if (!model.load(QStringLiteral("SELECT key FROM Table1 ORDER BY key"))) {
        std::fprintf(stderr, "bench_reference_grid: %s\n", qPrintable(engine.errorString()));
        return 1;
    }
    RankSort rank;
    if (argc == 3) {
        if (!rank.load(engine.handle(), QStringLiteral("artikul"))) {
            std::fprintf(stderr, "bench_reference_grid: %s\n", qPrintable(engine.errorString()));
            return 1;
        }
        rank.rank();
        model.setKeys(rank.sorted(false));
    }
    ReferenceGrid view(&model);
    FirstPaintExit::install(view.viewport());
    view.show();
    return app.exec();
}
