#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>

namespace quorvane::test {

// How many times more work waits for each core than the cores can run, as the test starts (the
// load average of the last minute over the cores); 1 on a machine with cores to spare.
inline double busyFactor() {
    double load = 0;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1) load = 0;
        std::fclose(file);
    }
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    return cores > 0 ? std::max(1.0, load / static_cast<double>(cores)) : 1.0;
}

// How much longer than on a quiet machine with a plain build the tests give what they wait for:
// the sanitizer build runs several times slower, and a busy machine slower again, by as much as
// it is busy. QUORVANE_TEST_TIME_FACTOR overrides both (e.g. 8 while other work keeps every core
// busy).
inline double timeFactor() {
    static const double factor = [] {
        if (const char* set = std::getenv("QUORVANE_TEST_TIME_FACTOR"); set != nullptr && *set != '\0') {
            const double value = std::atof(set);
            if (value >= 1.0) return value;
        }
        return static_cast<double>(QUORVANE_TEST_TIME_FACTOR) * busyFactor();
    }();
    return factor;
}

// A bound on how long something may take, scaled by `timeFactor()`.
inline int bound(int ms) {
    return static_cast<int>(std::lround(ms * timeFactor()));
}

// Runs the event loop until `done` holds or the bound of `timeoutMs` (scaled) passed; whether
// `done` held. `done` is asked once more after the bound: a question that takes long on a busy
// machine (a reading of the screen) may have started before what it waits for happened.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const qint64 limit = bound(timeoutMs);
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const bool late = timer.elapsed() > limit;
        if (done()) return true;
        if (late) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs the event loop for `ms` milliseconds, for what another process does meanwhile. Never the
// only wait before a check: wait for the event the check needs.
inline void pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace quorvane::test
