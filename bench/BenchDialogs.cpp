#include "bench/BenchDialogs.h"

#include <cstdio>
#include <cstdlib>

void BenchDialogs::fail(const char* kind, const QString& text) {
    std::fprintf(stderr, "benchmark stopped: the window showed a %s message: %s\n", kind, qPrintable(text));
    std::exit(1);
}
