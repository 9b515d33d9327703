#include "bench/Measure.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

double Measure::median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

qint64 Measure::peakRssKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long long kb = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0 && std::sscanf(line + 6, "%lld", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

bool Measure::processIdIsOdd() {
    return getpid() % 2 != 0;
}
