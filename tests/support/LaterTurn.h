#pragma once

#include "support/WaitUntil.h"

#include <QTimer>
#include <memory>

namespace quorvane::test {

// Runs the event loop until a timer started now for `ms` has fired (at once for 0: a call posted
// now has run). Whatever was posted before it (answers deferred to a later turn, queued signals)
// and every timer due before it have run too, so a check that they did nothing can follow.
inline bool laterTurn(int ms = 0) {
    const auto reached = std::make_shared<bool>(false);
    QTimer::singleShot(ms, Qt::PreciseTimer, [reached] { *reached = true; });
    return waitUntil([&] { return *reached; }, 5000 + ms);
}

} // namespace quorvane::test
