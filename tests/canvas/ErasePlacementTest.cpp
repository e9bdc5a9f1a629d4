#include "canvas/ErasePlacement.h"

#include "CanvasViewTesting.h"
#include "imaging/EraseCheck.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::ShownCanvas;

// Flat grey on the left half, a strong horizontal gradient on the right.
QImage flatThenGradient() {
    QImage image = test::filledImage(QColor(120, 130, 140), 200, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            image.setPixelColor(x, y, QColor((x * 37) % 256, (y * 53) % 256, 0));
    return image;
}

TEST(ErasePlacement, PlainBackgroundGivesACoverInItsColour) {
    ShownCanvas canvas(flatThenGradient(), {200, 100});
    canvas.settings.modes().setMessage(QStringLiteral("something unrelated"));
    const auto erase = canvas.view->erasePlacement().checkedErase(QRectF(20.5, 30.2, 20, 10.3));
    ASSERT_TRUE(erase);
    EXPECT_EQ(erase->kind, AnnotationKind::erase);
    EXPECT_EQ(erase->rect, QRectF(19, 29, 23, 13)); // whole pixels, then 1 more on each side
    EXPECT_EQ(erase->color, QColor(120, 130, 140));
    EXPECT_TRUE(canvas.settings.modes().message().isEmpty());
    EXPECT_FALSE(canvas.view->gesture().eraseRefusal.has_value());
}

TEST(ErasePlacement, BusyBackgroundIsRefusedWithARedOutline) {
    for (double scale : {1.0, 2.0}) {
        ShownCanvas canvas(flatThenGradient(), {200, 100}, scale);
        const auto outline = canvas.view->erasePlacement().checkedErase(QRectF(140, 30, 20, 20));
        ASSERT_TRUE(outline);
        EXPECT_EQ(outline->kind, AnnotationKind::rectangle);
        EXPECT_DOUBLE_EQ(outline->strokeWidth, 2 * scale);
        EXPECT_EQ(outline->rect, QRectF(140, 30, 20, 20));
        EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::busyMessage);
        EXPECT_EQ(canvas.view->gesture().eraseRefusal, EraseCheck::busyMessage);
    }
}

TEST(ErasePlacement, BoxOutsideTheCanvasIsRefusedWithoutAnOutline) {
    ShownCanvas canvas(flatThenGradient(), {200, 100});
    const auto outline = canvas.view->erasePlacement().checkedErase(QRectF(400, 300, 20, 20));
    EXPECT_FALSE(outline.has_value());
    EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::unavailableMessage);
    EXPECT_EQ(canvas.view->gesture().eraseRefusal, EraseCheck::unavailableMessage);
    // A box reaching in from outside is outlined only where it meets the canvas.
    const auto partly = canvas.view->erasePlacement().checkedErase(QRectF(190, -10, 20, 20));
    ASSERT_TRUE(partly);
    EXPECT_EQ(partly->kind, AnnotationKind::rectangle);
    EXPECT_EQ(partly->rect, QRectF(190, 0, 10, 10));
}

TEST(ErasePlacement, PlaceAddsSelectsAndAnnouncesOrRefuses) {
    ShownCanvas canvas(flatThenGradient(), {200, 100});
    canvas.settings.modes().setSelection(QRectF(20, 20, 10, 10));
    canvas.view->erasePlacement().placeErase(QRectF(20, 20, 10, 10));
    ASSERT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.settings.modes().selectedID(), canvas.document->annotations().front().id);
    EXPECT_FALSE(canvas.settings.modes().selection().has_value());
    EXPECT_EQ(canvas.settings.lastAnnouncement(), QStringLiteral("Erase added"));

    canvas.view->erasePlacement().placeErase(QRectF(150, 20, 10, 10));
    EXPECT_EQ(canvas.document->annotations().size(), 1u);
    EXPECT_EQ(canvas.settings.modes().message(), EraseCheck::busyMessage);
    EXPECT_EQ(canvas.settings.lastAnnouncement(), EraseCheck::busyMessage);
}

} // namespace
} // namespace quorvane
