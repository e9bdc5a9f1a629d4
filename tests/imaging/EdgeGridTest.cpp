#include "imaging/EdgeGrid.h"

#include "support/TestAnnotations.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(EdgeGrid, KeepsPremultipliedRgbaBytesOfTheWholeImageOrOfAnArea) {
    const auto grid = EdgeGrid::make(test::filledImage(QColor(128, 64, 0, 128), 2, 1));
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->bytes()[0], 64);
    EXPECT_EQ(grid->bytes()[1], 32);
    EXPECT_EQ(grid->bytes()[2], 0);
    EXPECT_EQ(grid->bytes()[3], 128);
    EXPECT_FALSE(EdgeGrid::make(QImage()));

    // An area reads as if the image had been cropped to it: its top-left pixel comes first.
    QImage image = test::filledImage(Qt::white, 20, 10);
    QPainter(&image).fillRect(QRect(5, 3, 1, 1), Qt::blue);
    const auto area = EdgeGrid::make(image, QRect(5, 3, 4, 2));
    ASSERT_TRUE(area);
    EXPECT_EQ(std::pair(area->width(), area->height()), std::pair(4, 2));
    EXPECT_EQ(area->bytes()[0], 0);
    EXPECT_EQ(area->bytes()[2], 255);
    EXPECT_EQ(area->bytes()[4], 255);
}

} // namespace
} // namespace quorvane
