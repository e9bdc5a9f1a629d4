#include "adjustments/BackdropPreview.h"

#include <QTransform>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(BackdropPreview, CachesOneRenderingAndCapsItsSize) {
    BackdropPreview preview;
    const Backdrop backdrop = Backdrop::preset(Backdrop::Preset::paper, 1);
    const auto first = preview.background(backdrop, QSizeF(400, 300), QSizeF(248, 198), 2);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), QSize(496, 396));
    EXPECT_EQ(preview.background(backdrop, QSizeF(400, 300), QSizeF(248, 198), 2)->constBits(),
              first->constBits());
    EXPECT_EQ(preview.background(backdrop, QSizeF(4000, 4000), QSizeF(5000, 5000), 2)->size(),
              QSize(4000, 4000));
    EXPECT_FALSE(preview.background(backdrop, QSizeF(400, 300), QSizeF(0, 100), 2));
    EXPECT_FALSE(preview.background(backdrop, QSizeF(400, 300), QSizeF(100, 100), nan));

    const QTransform t = BackdropPreview::transform(backdrop, QSizeF(400, 300), QRectF(100, 50, 200, 150));
    EXPECT_EQ(t.map(QPointF(48, 48)), QPointF(100, 50));
    EXPECT_EQ(t.map(QPointF(448, 348)), QPointF(300, 200));
    EXPECT_TRUE(BackdropPreview::transform(backdrop, QSizeF(0, 300), QRectF(0, 0, 1, 1)).isIdentity());
}

} // namespace
} // namespace quorvane
