#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace quorvane::test {

// How much longer than on a quiet machine with a plain build the tests give what they wait for:
// the sanitizer build runs several times slower, and a busy machine slower again.
// QUORVANE_TEST_TIME_FACTOR overrides it (e.g. 8 while other work keeps every core busy).
inline double timeFactor() {
    static const double factor = [] {
        if (const char* set = std::getenv("QUORVANE_TEST_TIME_FACTOR"); set != nullptr && *set != '\0') {
            const double value = std::atof(set);
            if (value >= 1.0) return value;
        }
        return static_cast<double>(QUORVANE_TEST_TIME_FACTOR);
    }();
    return factor;
}

// A bound on how long something may take, scaled by `timeFactor()`.
inline int bound(int ms) {
    return static_cast<int>(std::lround(ms * timeFactor()));
}

// Runs the event loop until `done` holds or the bound of `timeoutMs` (scaled) passed; whether
// `done` held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const qint64 limit = bound(timeoutMs);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
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
