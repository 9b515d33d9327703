// The program's start-up on a register, for bench_startup: opens the register
// as the window does at start-up (the view of the alphabetically last batch,
// sorted by key, with its sums) and ends right after the first paint of the
// grid. Usage: bench_program_startup DIR
#include "bench/FirstPaintExit.h"
#include "bench/RegisterGenerator.h"

#include "data/Database.h"
#include "data/OrderGridModel.h"
#include "data/OrderTable.h"
#include "data/TextOrder.h"

#include <QApplication>
#include <QTableView>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_program_startup DIR\n");
        return 2;
    }
    Database database;
    if (!database.open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "bench_program_startup: %s\n", qPrintable(database.errorString()));
        return 1;
    }
    QStringList batches = RegisterGenerator::batches();
    TextOrder::sort(batches);
    QString batch = batches.last();
    OrderTable table(database);
    ViewSums sums;
    if (!table.open() || !table.setFilterText("batch = '" + batch.replace("'", "''") + "'") ||
        !table.setFiltered(true) || !table.sums(&sums)) {
        std::fprintf(stderr, "bench_program_startup: cannot open the view\n");
        return 1;
    }
    OrderGridModel model(table);
    QTableView view;
    view.setModel(&model);
    view.resize(1016, 437);
    FirstPaintExit::install(view.viewport());
    view.show();
    return app.exec();
}
