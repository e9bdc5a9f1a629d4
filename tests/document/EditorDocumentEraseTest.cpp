#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "imaging/EraseCheck.h"
#include "support/TestAnnotations.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

Annotation eraseAt(const QRectF& rect) {
    return test::annotation(AnnotationKind::erase, rect, Qt::white);
}

TEST(ResampledErase, IgnoresTheEraseButNotTheOthers) {
    QImage image = test::filledImage(QColor(250, 250, 240), 100, 60);
    QPainter(&image).fillRect(QRect(40, 20, 10, 10), Qt::black);
    EditorDocument document(image, std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(10, 0, 90, 60)));
    const Annotation erase = eraseAt(QRectF(39.5, 19.5, 11, 11));
    document.addAnnotation(erase);

    // The box becomes whole pixels in document coordinates, its corners follow, its id stays.
    const auto plain = document.resampledErase(erase);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain->id, erase.id);
    EXPECT_TRUE(geom::exactlyEqual(plain->rect, QRectF(39, 19, 12, 12)));
    EXPECT_TRUE(geom::exactlyEqual(plain->start, QPointF(39, 19)));
    EXPECT_TRUE(geom::exactlyEqual(plain->end, QPointF(51, 31)));
    EXPECT_EQ(plain->color, QColor(250, 250, 240));

    // A copy lands next to the first box, on plain background, and takes its colour there.
    document.updateAnnotation(*plain);
    const auto copy = document.duplicateAnnotation(erase.id);
    ASSERT_TRUE(copy);
    EXPECT_EQ(document.annotations().back().color, QColor(250, 250, 240));

    // An arrow across the ring makes it busy; a copy onto it is refused and changes nothing.
    Annotation arrow = test::annotation(AnnotationKind::arrow, QRectF(30, 25, 40, 0), Qt::red);
    arrow.start = QPointF(30, 25);
    arrow.end = QPointF(70, 25);
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
