// The program's start-up on a register, for bench_startup: the main window
// created on DIR as its application directory (its whole start-up sequence:
// lists, connection, table, the filter rule on the last batch with its summary)
// and shown; the process ends right after the first paint of the grid.
// Usage: bench_program_startup DIR
#include "bench/BenchDialogs.h"
#include "bench/FirstPaintExit.h"

#include "app/OrderGrid.h"
#include "app/Unit1.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_program_startup DIR\n");
        return 2;
    }
    QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    BenchDialogs dialogs;
    TForm1 form1(QString::fromLocal8Bit(argv[1]), dialogs);
    FirstPaintExit::install(form1.DBGrid1->viewport());
    form1.show();
    return app.exec();
}
