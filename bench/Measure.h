#pragma once
// Small helpers shared by the benchmark programs: a monotonic clock, medians,
// and the process's peak resident memory.

#include <QtGlobal>
#include <chrono>
#include <utility>
#include <vector>

class Measure {
  public:
    // Milliseconds taken by f(), on a monotonic clock.
    template <typename F> static double ms(F&& f) {
        const auto start = std::chrono::steady_clock::now();
        std::forward<F>(f)();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    // Runs both once, in an order that alternates between processes (by
    // process id), so that neither side always meets the colder caches.
    template <typename A, typename B> static void inAlternatingOrder(A&& a, B&& b) {
        if (processIdIsOdd()) {
            a();
            b();
        } else {
            b();
            a();
        }
    }
    // The middle value (mean of the two middle ones for an even count); 0 when empty.
    static double median(std::vector<double> values);
    // Peak resident set size of this process in KiB (VmHWM), 0 when unknown.
    static qint64 peakRssKb();

  private:
    static bool processIdIsOdd();
};
