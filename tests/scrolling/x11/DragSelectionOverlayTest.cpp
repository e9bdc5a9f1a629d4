#include "platform/X11InputConnection.h"
#include "platform/X11WindowShape.h"
#include "scrolling/SystemDragSelectionOverlay.h"
#include "scrolling/x11/WheelPageWindow.h"
#include "support/ImageCompare.h"
#include "support/Xdotool.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;

const DragScrollDisplay display{7, QRectF(1000, 50, 480, 270), QRectF(1000, 50, 480, 270), 2};

QImage render(const DragSelectionOverlayView::Layout& layout, bool highContrast = false) {
    QImage image(480, 270, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    DragSelectionOverlayView::paint(painter, layout, highContrast);
    return image;
}

TEST(DragSelectionOverlay, DrawsTheOutlineAndTheSizeInsideTheDisplay) {
    const QRectF bounds(0, 0, 480, 270);
    // Touching the right edge: the size pill stays 4 points inside it, below the selection.
    const auto right = DragSelectionOverlayView::layout(display, QRectF(1200, 100, 280, 100), bounds);
    ASSERT_TRUE(right.outline && right.size && !right.hint);
    EXPECT_EQ(right.size->text, QStringLiteral("560 × 200"));
    EXPECT_DOUBLE_EQ(right.size->rect.right(), 480 - 4);
    EXPECT_DOUBLE_EQ(right.size->rect.top(), 150 + 6);
    EXPECT_TRUE(test::matchesGolden(render(right), QStringLiteral("drag-selection-overlay"), 48, 0.02));

    // Touching the bottom: inside the selection, 6 points above its bottom.
    const auto bottom = DragSelectionOverlayView::layout(display, QRectF(1002, 200, 60, 120), bounds);
    EXPECT_DOUBLE_EQ(bottom.size->rect.bottom(), 270 - 6);
    EXPECT_DOUBLE_EQ(bottom.size->rect.left(), 4) << "never past the left edge";

    // Before a drag only the hint, centred 64 points below the top.
    const auto hint = DragSelectionOverlayView::layout(display, std::nullopt, bounds);
    ASSERT_TRUE(hint.hint && !hint.outline && !hint.size);
    EXPECT_DOUBLE_EQ(hint.hint->rect.center().x(), 240);
    EXPECT_DOUBLE_EQ(hint.hint->rect.center().y(), 64);

    // High contrast: an opaque white line on an opaque black one, opaque pills.
    const QImage contrast = render(right, true);
    EXPECT_EQ(contrast.pixelColor(300, 100).alpha(), 0) << "inside stays clear";
    EXPECT_EQ(contrast.pixelColor(300, 49), QColor(Qt::white)) << "on the outline";
    // The black line is 4 wide: opaque a pixel beyond the white one, half covering the next.
    EXPECT_EQ(contrast.pixelColor(300, 48).alpha(), 255);
    EXPECT_NEAR(contrast.pixelColor(300, 51).alpha(), 128, 2);
    EXPECT_EQ(
        contrast.pixelColor(int(right.size->rect.left()) + 3, int(right.size->rect.center().y())).alpha(),
        255);
}

TEST(DragSelectionOverlay, FloatsAboveEverythingAndLetsClicksThrough) {
    auto connection = X11InputConnection::open();
    test::WheelPageWindow page;
    ASSERT_TRUE(page.showAt(QPoint(1100, 100)));
    SystemDragSelectionOverlay overlay(connection.get(), [] { return false; });
    overlay.show(std::nullopt, display);
    ASSERT_TRUE(waitUntil([&] {
        const QWidget* shown = overlay.window();
        return shown != nullptr && shown->isVisible();
    }));
    QGuiApplication::sync();
    const QWidget* window = overlay.window();
    ASSERT_TRUE(window);
    EXPECT_EQ(window ? window->geometry() : QRect(), QRect(1000, 50, 480, 270));
    EXPECT_EQ(overlay.announcements(), 1);
    EXPECT_EQ(overlay.lastAnnouncement(), DragSelectionOverlayView::hintText());
    const auto id = window ? static_cast<std::uint32_t>(window->winId()) : 0u;

    overlay.show(QRectF(1050, 80, 300, 200), display);
    QGuiApplication::sync();
    EXPECT_EQ(overlay.announcements(), 1) << "once per showing";
    // No compositor here: only the outline and the pill are drawn.
    const auto shape = X11WindowShape::bounding(*connection, id);
    ASSERT_TRUE(shape);
    long area = 0;
    for (const QRect& r : *shape)
        area += long(r.width()) * r.height();
    EXPECT_GT(area, 0);
    EXPECT_LT(area, 480L * 270 / 4);
    const auto input = X11WindowShape::input(*connection, id);
    ASSERT_TRUE(input);
    EXPECT_TRUE(input->empty()) << "click-through";

    // A click on the outline reaches the window beneath.
    ASSERT_EQ(test::xdotool("mousemove 1200 280 click 1"), 0);
    EXPECT_TRUE(waitUntil([&] { return page.leftButtonEvents == 2; }));

    overlay.hide();
    EXPECT_TRUE(waitUntil([&] { return overlay.window() == nullptr; }));
    overlay.show(std::nullopt, display);
    EXPECT_EQ(overlay.announcements(), 2) << "a new showing announces again";
    overlay.hide();
}

} // namespace
} // namespace quorvane
