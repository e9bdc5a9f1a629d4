#include "panels/PinGeometry.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const PinScreen left{QRectF(0, 0, 1440, 900), QRectF(0, 25, 1440, 875), 2};
const PinScreen right{QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1040), 1};

TEST(PinGeometry, FitsWithinSixtyPercentOfTheFreeArea) {
    struct Case {
        QSizeF pixels;
        double scale;
        QRectF visible;
        QSizeF fitted;
    };
    for (const Case& each : {
             // 1440 × 900 points exceed 864 × 525: f = 0.58333.
             Case{{2880, 1800}, 2, QRectF(0, 25, 1440, 875), {840, 525}},
             Case{{400, 300}, 1, QRectF(0, 0, 1920, 1080), {400, 300}},
             // A scale below 1 counts as 1; no area gives nothing.
             Case{{400, 300}, 0.5, QRectF(0, 0, 1920, 1080), {400, 300}},
             Case{{0, 300}, 1, QRectF(0, 0, 1920, 1080), {0, 0}},
             Case{{20000, 10}, 1, QRectF(0, 0, 1000, 1000), {600, 1}},
         })
        EXPECT_EQ(PinGeometry::fittedSize(each.pixels, each.scale, each.visible), each.fitted);
}

TEST(PinGeometry, ChoosesTheScreenByOverlapThenByNearestCentre) {
    const std::vector<PinScreen> screens{left, right};
    // More of it on the right screen.
    EXPECT_EQ(PinGeometry::screen(QRectF(1400, 100, 200, 100), screens, left), right);
    EXPECT_EQ(PinGeometry::screen(QRectF(1300, 100, 200, 100), screens, right), left);
    // On no screen: the nearest centre.
    EXPECT_EQ(PinGeometry::screen(QRectF(5000, 500, 10, 10), screens, left), right);
    EXPECT_EQ(PinGeometry::screen(QRectF(-900, 0, 10, 10), screens, right), left);
    // Without a rectangle: the main screen, else the first; with no screens, the main one.
    EXPECT_EQ(PinGeometry::screen(std::nullopt, screens, right), right);
    EXPECT_EQ(PinGeometry::screen(std::nullopt, screens, std::nullopt), left);
    EXPECT_EQ(PinGeometry::screen(QRectF(0, 0, 10, 10), {}, right), right);
    EXPECT_EQ(PinGeometry::screen(std::nullopt, {}, std::nullopt), std::nullopt);
}

TEST(PinGeometry, ClampsIntoTheFreeAreaAlignedTopLeftWhenLarger) {
    const QRectF visible(0, 25, 1440, 875);
    EXPECT_EQ(PinGeometry::clamp(QRectF(1400, 880, 100, 100), visible), QRectF(1340, 800, 100, 100));
    EXPECT_EQ(PinGeometry::clamp(QRectF(-50, 0, 100, 100), visible), QRectF(0, 25, 100, 100));
    EXPECT_EQ(PinGeometry::clamp(QRectF(300, 300, 2000, 1000), visible), QRectF(0, 25, 2000, 1000));
}

} // namespace
} // namespace quorvane
