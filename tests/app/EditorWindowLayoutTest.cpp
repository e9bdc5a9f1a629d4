#include "app/EditorWindowLayout.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

namespace Layout = EditorWindowLayout;

TEST(EditorWindowLayout, ContentSizeFitsTheImageWithinTheScreenShareNeverEnlarged) {
    EXPECT_EQ(Layout::contentSize(std::nullopt, 2, QSizeF(1440, 900)), QSize(284, 310));
    EXPECT_EQ(Layout::contentSize(QSizeF(0, 10), 2, QSizeF(1440, 900)), QSize(284, 310));
    EXPECT_EQ(Layout::contentSize(QSizeF(10, 10), 0, QSizeF(1440, 900)), QSize(284, 310));
    // The smallest limit, not 50 × 122.
    EXPECT_EQ(Layout::contentSize(QSizeF(100, 100), 2, QSizeF(1440, 900)), QSize(640, 400));
    // Limits 1152 × 720; factor min(1, 1152 / 2000, 648 / 1500) = 0.432.
    EXPECT_EQ(Layout::contentSize(QSizeF(4000, 3000), 2, QSizeF(1440, 900)), QSize(864, 720));
    // No screen: the limits are the smallest ones.
    EXPECT_EQ(Layout::contentSize(QSizeF(4000, 3000), 2, QSizeF()), QSize(640, 400));
    // Halves round away from zero: 1601 / 2 = 800.5 → 801.
    EXPECT_EQ(Layout::contentSize(QSizeF(1601, 801), 2, QSizeF(1920, 1080)).width(), 801);
}

TEST(EditorWindowLayout, RefitsKeepTheTopLeftAndStayOnTheScreen) {
    const QRect visible(0, 30, 1440, 870);
    EXPECT_EQ(Layout::clampedTopLeft(QPoint(100, 200), QSize(640, 400), visible), QPoint(100, 200));
    // Grown past the right and bottom edges: pulled back inside.
    EXPECT_EQ(Layout::clampedTopLeft(QPoint(1000, 700), QSize(640, 400), visible), QPoint(800, 500));
    // Above the panel: moved below it.
    EXPECT_EQ(Layout::clampedTopLeft(QPoint(-20, 0), QSize(640, 400), visible), QPoint(0, 30));
    // Too big for the screen: the right edge and the top edge win.
    EXPECT_EQ(Layout::clampedTopLeft(QPoint(50, 300), QSize(1600, 1000), visible), QPoint(-160, 30));
    // No screen: left where it was.
    EXPECT_EQ(Layout::clampedTopLeft(QPoint(5000, 5000), QSize(640, 400), QRect()), QPoint(5000, 5000));
}

} // namespace
} // namespace quorvane
