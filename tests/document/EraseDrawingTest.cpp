#include "document/EraseDrawing.h"

#include "support/TestAnnotations.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(EraseDrawing, CopiesTheColourOntoWholePixels) {
    Annotation erase = test::annotation(AnnotationKind::erase, QRectF(5.5, 5.5, 10, 10), Qt::transparent);
    QImage image = test::filledImage(Qt::red, 40, 30);
    {
        QPainter painter(&image);
        drawErase(erase, painter, image);
    }
    // The box grows outward to whole pixels, and a transparent colour replaces what was there.
    EXPECT_EQ(image.pixelColor(5, 5).alpha(), 0);
    EXPECT_EQ(image.pixelColor(15, 15).alpha(), 0);
    EXPECT_EQ(image.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(4, 10), QColor(Qt::red));
}

} // namespace
} // namespace quorvane
