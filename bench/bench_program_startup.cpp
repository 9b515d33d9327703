// The program's start-up on a register, for bench_startup: the main window
// created on DIR as its application directory (its whole start-up sequence:
// lists, connection, table, the filter rule on the last batch with its summary)
// and shown; the process ends right after the first paint of the grid. With
// "sorted", the filter boxes are first set to "All" and the view sorted by
// artikul, for the memory a sorted view of the whole register needs.
// Usage: bench_program_startup DIR [sorted]
#include "bench/BenchDialogs.h"
#include "bench/FirstPaintExit.h"

#include "app/OrderGrid.h"
#include "app/Unit1.h"

#include <QApplication>
#include <QComboBox>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || (argc == 3 && qstrcmp(argv[2], "sorted") != 0) || argc > 3) {
        std::fprintf(stderr, "usage: bench_program_startup DIR [sorted]\n");
        return 2;
    }
    QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    BenchDialogs dialogs;
    TForm1 form1(QString::fromLocal8Bit(argv[1]), dialogs);
    if (argc == 3) {
        form1.cbfiltersup->setCurrentIndex(0);
        form1.cbbatch->setCurrentIndex(0);
        form1.cbfiltersupChange();
        form1.DBGrid1TitleClick(OrderColumns::Artikul);
        if (form1.table().sort() != QLatin1String("artikul"))
            return 1;
    }
    FirstPaintExit::install(form1.DBGrid1->viewport());
    form1.show();
    return app.exec();
}
