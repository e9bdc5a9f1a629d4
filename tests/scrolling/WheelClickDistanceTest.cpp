#include "scrolling/WheelClickDistance.h"

#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

TEST(WheelClickDistance, OneClickUntilAClickWasSeenToMoveTheContent) {
    WheelClickDistance distance;
    EXPECT_EQ(distance.clicks(-120, 300), -1);
    EXPECT_EQ(distance.clicks(400, 1000), 1);
    EXPECT_EQ(distance.clicks(0, 300), 0);
    EXPECT_EQ(distance.clicks(std::numeric_limits<double>::quiet_NaN(), 300), 0);
    // Clicks that moved nothing (the end of the content, or an application that ignores them)
    // teach nothing.
    distance.observe(3, 0);
    distance.observe(0, 40);
    EXPECT_FALSE(distance.rowsPerClick());
    EXPECT_EQ(distance.clicks(-400, 1000), -1);
}

TEST(WheelClickDistance, StepsBecomeTheNearestClicksGrowingAtMostTwofoldAndWithinWhatCanBeMatched) {
    // xterm in an 11-point font: 95 rows a click. A Fast step of a 300-row region is one click; of
    // a 1000-row region four, reached by doubling.
    WheelClickDistance terminal;
    terminal.observe(-1, 95);
    EXPECT_EQ(terminal.rowsPerClick(), 95.0);
    EXPECT_EQ(terminal.clicks(-120, 300), -1);
    EXPECT_EQ(terminal.clicks(-400, 1000), -2);
    terminal.observe(-2, 190);
    EXPECT_EQ(terminal.clicks(-400, 1000), -4);
    EXPECT_EQ(terminal.clicks(400, 1000), 4) << "up as down";
    // Never more than 60 % of the frame: 180 rows of 300 allow one click of 95, 600 rows of 1000
    // six.
    terminal.observe(4, 380);
    EXPECT_EQ(terminal.clicks(-2000, 1000), -6);
    EXPECT_EQ(terminal.clicks(-2000, 300), -1);

    // A view that scrolls smoothly by fractions of a pixel: 83⅓ rows a click on average.
    WheelClickDistance smooth;
    for (int rows : {83, 84, 83})
        smooth.observe(1, rows);
    EXPECT_NEAR(*smooth.rowsPerClick(), 250.0 / 3, 1e-9);
    smooth.observe(2, 167);
    EXPECT_EQ(smooth.clicks(-250, 1000), -3);
    // An animation caught half-way shows less at first and the rest later; the farthest click
    // seen bounds the step.
    WheelClickDistance animated;
    animated.observe(1, 40);
    animated.observe(1, 126);
    EXPECT_EQ(animated.clicks(-300, 1000), -2);
    EXPECT_EQ(animated.clicks(-300, 300), -1);

    // A click that moves more than can be matched still posts one click: nothing less exists.
    WheelClickDistance page;
    page.observe(1, 700);
    EXPECT_EQ(page.clicks(-120, 300), -1);
    EXPECT_EQ(page.clicks(-120, 0), -1);
}

} // namespace
} // namespace quorvane
