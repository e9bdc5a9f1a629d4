#pragma once

#include "support/WaitUntil.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

namespace quorvane::test {

// The screen once it holds still: two grabs a moment apart agree (windows that were just mapped,
// raised or uncovered have drawn themselves). Within the bound it returns the latest grab anyway.
inline QImage steadyScreen(int timeoutMs = 5000) {
    const auto grab = [] { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); };
    QImage last = grab();
    waitUntil(
        [&] {
            pause(80);
            QImage next = grab();
            const bool same = next == last;
            last = std::move(next);
            return same;
        },
        timeoutMs);
    return last;
}

} // namespace quorvane::test
