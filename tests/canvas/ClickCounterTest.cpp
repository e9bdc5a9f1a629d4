#include "canvas/ClickCounter.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

TEST(ClickCounter, CountsPressesCloseInTimeAndPlace) {
    struct Press {
        QPointF at;
        quint64 time;
        int count;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Interval 400 ms, distance 5 units, both inclusive.
    const std::vector<Press> presses = {
        {{10, 10}, 1000, 1},  {{10, 10}, 1400, 2},  {{13, 14}, 1500, 3}, // a triple click
        {{13, 14}, 1901, 1},                                             // too late
        {{19, 14}, 2000, 1},                                             // too far
        {{19, 14}, 1990, 1},                                             // time ran backwards
        {{nan, 14}, 2000, 1}, {{nan, 14}, 2010, 1},
    };
    ClickCounter counter;
    for (const Press& p : presses)
        EXPECT_EQ(counter.press(p.at, p.time, 400, 5), p.count) << p.at.x() << " at " << p.time;
    counter.reset();
    EXPECT_EQ(counter.press({0, 0}, 2020, 400, 5), 1);
}

} // namespace
} // namespace quorvane
