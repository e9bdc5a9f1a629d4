#include "imaging/EraseCheck.h"

#include "document/AnnotationDrawing.h"
#include "document/EditorDocument.h"
#include "imaging/EdgeGrid.h"
#include "support/TestAnnotations.h"

#include <QColorSpace>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

QImage filled(const QColor& color, int width = 40, int height = 30) {
    return test::filledImage(color, width, height);
}

Annotation eraseAt(const QRectF& rect) {
    return test::annotation(AnnotationKind::erase, rect, Qt::white);
}

EraseCheck::Outcome evaluate(const QImage& image, const QRectF& box) {
    return EraseCheck::evaluate(box, image);
}

TEST(EraseCheck, CoverRect) {
    const QRectF bounds(0, 0, 100, 50);
    EXPECT_EQ(*EraseCheck::coverRect(QRectF(10.5, 20.2, -5, 4), 1, bounds), QRectF(4, 19, 8, 7));
    EXPECT_FALSE(EraseCheck::coverRect(QRectF(200, 10, 5, 5), 1, bounds));
    EXPECT_FALSE(EraseCheck::coverRect(QRectF(std::numeric_limits<double>::infinity(), 0, 5, 5), 0, bounds));
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
    // The grid keeps premultiplied bytes, in RGBA order.
    const auto grid = EdgeGrid::make(filled(QColor(128, 64, 0, 128), 2, 1));
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->bytes()[0], 64);
    EXPECT_EQ(grid->bytes()[1], 32);
    EXPECT_EQ(grid->bytes()[3], 128);
    EXPECT_FALSE(EdgeGrid::make(QImage()));
}

TEST(EraseCheck, DrawingCopiesTheColourOntoWholePixels) {
    Annotation erase = eraseAt(QRectF(5.5, 5.5, 10, 10));
    erase.color = Qt::transparent;
    QImage image = filled(Qt::red);
    {
        QPainter painter(&image);
        ASSERT_TRUE(drawAnnotation(erase, painter, image));
    }
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 0);
    EXPECT_EQ(image.pixelColor(15, 15).alpha(), 0);
    EXPECT_EQ(image.pixelColor(16, 16), QColor(Qt::red));
}

TEST(EraseCheck, ResamplingIgnoresTheEraseButNotTheOthers) {
    QImage image = filled(QColor(250, 250, 240), 100, 60);
    QPainter(&image).fillRect(QRect(40, 20, 10, 10), Qt::black);
    EditorDocument document(image, std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(10, 0, 90, 60)));
    const Annotation erase = eraseAt(QRectF(39.5, 19.5, 11, 11));
    document.addAnnotation(erase);

    const auto plain = document.resampledErase(erase);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain->id, erase.id);
    EXPECT_EQ(plain->rect, QRectF(39, 19, 12, 12));
    EXPECT_EQ(plain->start, QPointF(39, 19));
    EXPECT_EQ(plain->end, QPointF(51, 31));
    EXPECT_EQ(plain->color, QColor(250, 250, 240));

    // A copy lands next to the first box, on plain background, and takes its colour there.
    document.updateAnnotation(*plain);
    const auto copy = document.duplicateAnnotation(erase.id);
    ASSERT_TRUE(copy);
    EXPECT_EQ(document.annotations().back().color, QColor(250, 250, 240));

    // An arrow across the ring makes it busy; a copy onto it is refused and changes nothing.
    Annotation arrow = eraseAt(QRectF());
    arrow.kind = AnnotationKind::arrow;
    arrow.start = QPointF(30, 25);
    arrow.end = QPointF(70, 25);
    arrow.color = Qt::red;
    document.addAnnotation(arrow);
    const auto busy = document.resampledErase(erase);
    ASSERT_FALSE(busy.ok());
    EXPECT_EQ(busy.error().message, EraseCheck::busyMessage);
    const qint64 revision = document.revision();
    EXPECT_FALSE(document.duplicateAnnotation(erase.id));
    EXPECT_EQ(document.revision(), revision);

    const auto outside = document.resampledErase(eraseAt(QRectF(-50, 0, 10, 10)));
    ASSERT_FALSE(outside.ok());
    EXPECT_EQ(outside.error().message, EraseCheck::unavailableMessage);
}

} // namespace
} // namespace quorvane
