#pragma once

#include <QPointF>
#include <QtGlobal>
#include <optional>

namespace quorvane {

// Counts the clicks of a left-button press the way the canvas reads them: 1, 2 for a double
// click, 3 and more beyond. Qt reports the second press as a double-click event instead of a press
// and knows no triple click, so the count comes from the presses' times and places. GUI thread.
class ClickCounter {
public:
    // A press at `position` (view points) at `timestamp` (ms); it continues the series when it
    // comes within `intervalMs` of the previous press and no farther than `distance` from it.
    int press(const QPointF& position, quint64 timestamp, int intervalMs, double distance);
    void reset() { last_.reset(); }

private:
    struct Press {
        QPointF position;
        quint64 timestamp;
        int count;
    };
    std::optional<Press> last_;
};

} // namespace quorvane
