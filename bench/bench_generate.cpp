// Writes a synthetic register of ROWS lines (db1.mdb and the pick list files)
// into DIR. Usage: bench_generate DIR ROWS
#include "bench/RegisterGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool ok = argc == 3;
    const qint64 rows = ok ? QByteArray(argv[2]).toLongLong(&ok) : 0;
    if (!ok || rows < 0) {
        std::fprintf(stderr, "usage: bench_generate DIR ROWS\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    RegisterGenerator generator(rows);
    if (!generator.write(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "bench_generate: %s\n", qPrintable(generator.errorString()));
        return 1;
    }
    std::printf("%lld lines written to %s in %.1f s\n", rows, argv[1], timer.elapsed() / 1000.0);
    return 0;
}
