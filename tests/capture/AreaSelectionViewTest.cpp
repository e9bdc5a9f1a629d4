#include "capture/AreaSelectionView.h"

#include "capture/CaptureFailure.h"
#include "platform/Geometry.h"
#include "support/ImageCompare.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

void mouse(AreaSelectionView& view, QEvent::Type type, QPointF at, Qt::MouseButtons held = {},
           Qt::KeyboardModifiers modifiers = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, at, button, held, modifiers);
    QApplication::sendEvent(&view, &event);
}

void drag(AreaSelectionView& view, QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {}) {
    mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, to, Qt::LeftButton);
    mouse(view, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
}

// A display of 400.5 × 300 points at scale 2 (801 × 600 pixels), placed away from the origin.
class AreaSelectionViewTest : public ::testing::Test {
protected:
    AreaSelectionViewTest()
        : view(QImage(801, 600, QImage::Format_RGBA8888_Premultiplied), CaptureGeometry{frame, 2},
               std::nullopt) {
        view.onFinish = [this](Result<QRectF, Error> result) { finished.push_back(std::move(result)); };
        view.beep = [this] { ++beeps; };
    }

    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {}) {
        quorvane::drag(view, from, to, modifiers);
    }
    void key(int code, Qt::KeyboardModifiers modifiers = {}, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QKeyEvent event(QEvent::KeyPress, code, modifiers);
            QApplication::sendEvent(&view, &event);
        }
    }
    QRectF selection() const { return view.selection().value_or(geom::nullRect()); }

    const QRectF frame{1000, 50, 400.5, 300};
    AreaSelectionView view;
    std::vector<Result<QRectF, Error>> finished;
    int beeps = 0;
};

void expectRect(const QRectF& actual, double x, double y, double w, double h) {
    EXPECT_TRUE(geom::exactlyEqual(actual, QRectF(x, y, w, h)))
        << actual.x() << "," << actual.y() << " " << actual.width() << "×" << actual.height();
}

TEST_F(AreaSelectionViewTest, ADragFinishesInGlobalPointsAndCountsPartialPixels) {
    drag(QPointF(10, 20), QPointF(110.25, 70), Qt::AltModifier);
    ASSERT_TRUE(finished.empty());
    ASSERT_TRUE(view.labels().size);
    EXPECT_EQ(view.labels().size->text, QStringLiteral("201 × 100"));
    EXPECT_EQ(view.accessibilityValue(), QStringLiteral("201 by 100 pixels"));

    drag(QPointF(110.25, 70), QPointF(10, 20));
    ASSERT_EQ(finished.size(), 1u);
    ASSERT_TRUE(finished[0].ok());
    expectRect(*finished[0], 1010, 70, 100.25, 50);
}

TEST_F(AreaSelectionViewTest, TooSmallDragsWaitForReturnAndClicksClear) {
    // 3 pixels are 1.5 points at scale 2.
    drag(QPointF(50, 50), QPointF(51.5, 60));
    EXPECT_TRUE(finished.empty());
    expectRect(selection(), 50, 50, 1.5, 10);
    key(Qt::Key_Return);
    ASSERT_EQ(finished.size(), 1u);
    expectRect(*finished[0], 1050, 100, 1.5, 10);

    // A click without moving discards the selection and captures nothing.
    drag(QPointF(80, 80), QPointF(80, 80));
    EXPECT_FALSE(view.selection());
    EXPECT_EQ(view.accessibilityValue(), QStringLiteral("No area selected"));
    key(Qt::Key_Enter);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(finished.size(), 1u);

    // Points beyond the display are clamped to it.
    drag(QPointF(-40, -40), QPointF(20, 30), Qt::AltModifier);
    expectRect(selection(), 0, 0, 20, 30);

    key(Qt::Key_A);
    EXPECT_EQ(finished.size(), 1u);
    key(Qt::Key_Escape);
    ASSERT_EQ(finished.size(), 2u);
    ASSERT_FALSE(finished[1].ok());
    EXPECT_TRUE(isCancellation(finished[1].error()));
}

TEST_F(AreaSelectionViewTest, ArrowKeysStartCentredAndMoveByPixels) {
    key(Qt::Key_Left);
    // Half the view in whole pixels; the odd pixel left over goes to the right.
    expectRect(selection(), 100, 75, 200, 150);
    key(Qt::Key_Right);
    expectRect(selection(), 100.5, 75, 200, 150);
    key(Qt::Key_Down, Qt::AltModifier);
    expectRect(selection(), 100.5, 80, 200, 150);
    key(Qt::Key_Up);
    expectRect(selection(), 100.5, 79.5, 200, 150);

    // Moves stop at the edges.
    key(Qt::Key_Right, Qt::AltModifier, 30);
    expectRect(selection(), 200.5, 79.5, 200, 150);
    key(Qt::Key_Up, Qt::AltModifier, 30);
    expectRect(selection(), 200.5, 0, 200, 150);

    // Shift resizes from the fixed top-left corner, never below one step nor past the edges.
    key(Qt::Key_Left, Qt::ShiftModifier);
    expectRect(selection(), 200.5, 0, 199.5, 150);
    key(Qt::Key_Up, Qt::ShiftModifier);
    expectRect(selection(), 200.5, 0, 199.5, 149.5);
    key(Qt::Key_Right, Qt::ShiftModifier | Qt::AltModifier);
    expectRect(selection(), 200.5, 0, 200, 149.5);
    key(Qt::Key_Left, Qt::ShiftModifier | Qt::AltModifier, 50);
    expectRect(selection(), 200.5, 0, 5, 149.5);
    key(Qt::Key_Up, Qt::ShiftModifier, 400);
    expectRect(selection(), 200.5, 0, 5, 0.5);
    EXPECT_TRUE(finished.empty());
    EXPECT_EQ(view.accessibilityValue(), QStringLiteral("10 by 1 pixels"));
}

TEST_F(AreaSelectionViewTest, PlacesLabelsInsideTheView) {
    ASSERT_TRUE(view.labels().hint);
    EXPECT_TRUE(geom::exactlyEqual(view.labels().hint->rect.center(), QPointF(400.5 / 2, 300 - 48)));

    // The pointer's pixel coordinates, beside it, or flipped near the right and bottom edges.
    mouse(view, QEvent::MouseMove, QPointF(100, 50.6));
    auto coordinates = view.labels().coordinates;
    ASSERT_TRUE(coordinates);
    EXPECT_EQ(coordinates->text, QStringLiteral("X 200  Y 101"));
    EXPECT_TRUE(geom::exactlyEqual(coordinates->rect.topLeft(), QPointF(114, 68.6)));
    mouse(view, QEvent::MouseMove, QPointF(395, 295));
    coordinates = view.labels().coordinates;
    EXPECT_TRUE(geom::exactlyEqual(coordinates->rect.bottomRight(), QPointF(395 - 14, 295 - 14)));
    // Moving alone does not count as interacting.
    EXPECT_TRUE(view.labels().hint);

    // The size pill hangs below the selection, right-aligned…
    drag(QPointF(100, 100), QPointF(200, 150), Qt::AltModifier);
    auto size = view.labels().size;
    ASSERT_TRUE(size);
    EXPECT_TRUE(geom::exactlyEqual(size->rect.topRight(), QPointF(200, 156)));
    EXPECT_FALSE(view.labels().coordinates);
    // …moves inside it near the bottom edge, and keeps 4 points from the sides.
    drag(QPointF(0, 250), QPointF(3, 300), Qt::AltModifier);
    size = view.labels().size;
    EXPECT_DOUBLE_EQ(size->rect.bottom(), 300 - 6);
    EXPECT_DOUBLE_EQ(size->rect.left(), 4);
    drag(QPointF(398, 10), QPointF(400.5, 20), Qt::AltModifier);
    EXPECT_DOUBLE_EQ(view.labels().size->rect.right(), 400.5 - 4);

    // The hint is gone for good after the first press, even without a selection.
    drag(QPointF(9, 9), QPointF(9, 9));
    EXPECT_FALSE(view.selection());
    EXPECT_FALSE(view.labels().hint);
}

QImage render(AreaSelectionView& view) {
    QImage image(view.size(), QImage::Format_RGBA8888_Premultiplied);
    view.render(&image);
    return image;
}

QImage backdrop() {
    QImage image(640, 360, QImage::Format_RGBA8888_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 360);
    gradient.setColorAt(0, QColor(30, 120, 200));
    gradient.setColorAt(1, QColor(230, 200, 60));
    painter.fillRect(image.rect(), gradient);
    painter.fillRect(QRect(400, 40, 180, 120), QColor(240, 240, 240));
    return image;
}

TEST(AreaSelectionViewDrawing, DrawsTheFrozenImageOutlineAndPills) {
    const QImage image = backdrop();
    AreaSelectionView fresh(image, CaptureGeometry{QRectF(0, 0, 640, 360), 1}, std::nullopt);
    // Untouched, nothing but the image, the hint and the pointer's coordinates.
    mouse(fresh, QEvent::MouseMove, QPointF(420, 200));
    const QImage hinted = render(fresh);
    EXPECT_TRUE(test::imagesNear(hinted.copy(0, 0, 640, 180), image.copy(0, 0, 640, 180), 0));
    EXPECT_TRUE(test::matchesGolden(hinted, QStringLiteral("area-selection-hint"), 24, 0.003));

    AreaSelectionView noted(image, CaptureGeometry{QRectF(0, 0, 640, 360), 1},
                            QStringLiteral("Select the area to scroll"));
    drag(noted, QPointF(120, 110), QPointF(300, 230), Qt::AltModifier);
    const QImage selected = render(noted);
    EXPECT_TRUE(test::matchesGolden(selected, QStringLiteral("area-selection-outline"), 24, 0.003));
    // The outline: white inside one pixel outside the selection, over a darker band.
    EXPECT_GT(selected.pixelColor(119, 170).lightness(), 230);
    EXPECT_LT(selected.pixelColor(118, 170).lightness(), image.pixelColor(118, 170).lightness());

    noted.increaseContrast = [] { return true; };
    const QImage contrasted = render(noted);
    EXPECT_EQ(contrasted.pixelColor(119, 170), QColor(255, 255, 255));
    // The wider, opaque black band reaches a pixel further out.
    EXPECT_LT(contrasted.pixelColor(117, 170).lightness(), selected.pixelColor(117, 170).lightness() - 40);
}

} // namespace
} // namespace quorvane
