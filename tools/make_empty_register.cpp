// Build step: places an empty register file at the given path when none is there.
#include "data/Database.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_empty_register PATH\n");
        return 2;
    }
    QString error;
    if (!Database::createEmptyFile(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "make_empty_register: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
