#include "imaging/EraseCheck.h"

#include "core/Geometry.h"
#include "imaging/EdgeGrid.h"
#include "support/TestAnnotations.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <tuple>

namespace quorvane {
namespace {

QImage filled(const QColor& color, int width = 40, int height = 30) {
    return test::filledImage(color, width, height);
}

EraseCheck::Outcome evaluate(const QImage& image, const QRectF& box) {
    return EraseCheck::evaluate(box, image);
}

TEST(EraseCheck, CoverRect) {
    const QRectF bounds(0, 0, 100, 50);
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    // Box, margin, cover; compared exactly, since QRectF's == would forgive a fraction of a pixel.
    const std::tuple<QRectF, int, std::optional<QRectF>> cases[] = {
        {QRectF(10.5, 20.2, -5, 4), 1, QRectF(4, 19, 8, 7)},
        {QRectF(10, 20, 5, 4), 0, QRectF(10, 20, 5, 4)},
        {QRectF(10.000001, 20, 5, 4), 0, QRectF(10, 20, 6, 4)},
        // Clipped to the bounds; a box touching them from outside leaves nothing.
        {QRectF(-3.5, 48, 5, 5), 2, QRectF(0, 46, 4, 4)},
        {QRectF(100, 10, 5, 5), 0, std::nullopt},
        {QRectF(200, 10, 5, 5), 1, std::nullopt},
        {QRectF(inf, 0, 5, 5), 0, std::nullopt},
        {QRectF(0, 0, nan, 5), 0, std::nullopt},
    };
    for (const auto& [box, margin, expected] : cases) {
        const auto cover = EraseCheck::coverRect(box, margin, bounds);
        ASSERT_EQ(cover.has_value(), expected.has_value()) << box.x() << "," << box.y();
        if (cover) {
            EXPECT_TRUE(geom::exactlyEqual(*cover, *expected)) << box.x() << "," << box.y();
        }
    }
}

// A cropped bitmap starts at a whole pixel, so the image overload moves the box by the crop's
// whole-pixel origin: the pixels it skips as the box's own are exactly those the grid over the
// whole image skips. Moved by the fractional origin, the box's last column would count as ring.
TEST(EraseCheck, AFractionalBoxJudgesTheSameRingInACropAsInTheWholeImage) {
    QImage image = filled(QColor(90, 160, 40), 60, 40);
    {
        QPainter painter(&image);
        // The object fills every pixel the box touches, up to its truncated max edges.
        painter.fillRect(QRect(10, 10, 6, 5), Qt::red);
        // Shades in the ring's outermost columns and rows, which a crop must not lose or add.
        painter.fillRect(QRect(7, 7, 1, 12), QColor(92, 160, 40));
        painter.fillRect(QRect(18, 7, 1, 12), QColor(88, 160, 40));
    }
    const auto whole = EdgeGrid::make(image);
    ASSERT_TRUE(whole);
    for (const QRectF& box : {QRectF(10.6, 10.2, 5.7, 4.9), QRectF(10.5, 10.5, 5.5, 4.5),
                              QRectF(10.2, 10.9, 5.9, 4.2), QRectF(10, 10, 6, 5)}) {
        const auto fromImage = EraseCheck::evaluate(box, image);
        EXPECT_EQ(fromImage, EraseCheck::evaluate(box, *whole)) << box.x() << "," << box.y();
        EXPECT_TRUE(std::holds_alternative<EraseCheck::Plain>(fromImage)) << box.x() << "," << box.y();
    }
}

TEST(EraseCheck, APlainRingGivesItsColourWhateverTheBoxHolds) {
    QImage image = filled(QColor(20, 120, 220));
    QPainter(&image).fillRect(QRect(10, 10, 10, 10), Qt::red);
    EXPECT_EQ(evaluate(image, QRectF(10, 10, 10, 10)),
              (EraseCheck::Outcome{EraseCheck::Plain{20, 120, 220, 255}}));

    // A deviation of exactly 3 in one channel is still plain; above it is busy, and says how busy.
    QImage striped = filled(QColor(100, 100, 100));
    for (int y = 0; y < striped.height(); y += 2)
        QPainter(&striped).fillRect(QRect(0, y, striped.width(), 1), QColor(106, 100, 100));
    EXPECT_TRUE(std::holds_alternative<EraseCheck::Plain>(evaluate(striped, QRectF(10, 10, 10, 10))));
    for (int y = 0; y < striped.height(); y += 2)
        QPainter(&striped).fillRect(QRect(0, y, striped.width(), 1), QColor(108, 100, 100));
    const auto busy = evaluate(striped, QRectF(10, 10, 10, 10));
    ASSERT_TRUE(std::holds_alternative<EraseCheck::Busy>(busy));
    EXPECT_DOUBLE_EQ(std::get<EraseCheck::Busy>(busy).deviation, 4.0);
}

TEST(EraseCheck, TooLittleRingIsUnavailable) {
    // In a corner the ring keeps only its part inside the image: 7 pixels are not enough, 8 are.
    EXPECT_EQ(evaluate(filled(Qt::white, 2, 4), QRectF(0, 0, 1, 1)),
              (EraseCheck::Outcome{EraseCheck::Unavailable{}}));
    EXPECT_TRUE(
        std::holds_alternative<EraseCheck::Plain>(evaluate(filled(Qt::white, 3, 3), QRectF(0, 0, 1, 1))));
    EXPECT_EQ(evaluate(filled(Qt::white), QRectF(100, 100, 5, 5)),
              (EraseCheck::Outcome{EraseCheck::Unavailable{}}));
}

TEST(EraseCheck, TransparencyKeepsItsStraightColour) {
    EXPECT_EQ(evaluate(filled(Qt::transparent), QRectF(10, 10, 5, 5)),
              (EraseCheck::Outcome{EraseCheck::Plain{}}));
    // Mid-grey at half alpha stays mid-grey, not the darker premultiplied value.
    const auto half = evaluate(filled(QColor(128, 128, 128, 128)), QRectF(10, 10, 5, 5));
    EXPECT_EQ(half, (EraseCheck::Outcome{EraseCheck::Plain{128, 128, 128, 128}}));
}

} // namespace
} // namespace quorvane
