#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>

namespace quorvane::test {

// Runs the event loop until `done` holds or `timeoutMs` passed; whether `done` held.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs the event loop for `ms` milliseconds, for what another process does meanwhile.
inline void pause(int ms) {
    waitUntil([] { return false; }, ms);
}

} // namespace quorvane::test
