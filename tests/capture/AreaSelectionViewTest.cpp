#include "capture/AreaSelectionView.h"

#include "capture/CaptureFailure.h"
#include "core/AccessibilityOptions.h"
#include "core/Geometry.h"
#include "support/CountingBeeper.h"
#include "support/ImageCompare.h"
#include "support/WindowMouse.h"

#include <QApplication>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <array>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Compared exactly: QRectF's == is fuzzy.
using Edges = std::array<double, 4>;
template<class Rect>
Edges edges(const Rect& r) {
    return r ? Edges{r->x(), r->y(), r->width(), r->height()} : Edges{-1, -1, -1, -1};
}

struct WithBell { // made before the view that holds them
    test::CountingBeeper bell;
    AccessibilityOptions accessibility;
};

// A picker that records what it reports; by default over a display of 400.5 × 300 points at
// scale 2 (801 × 600 pixels), away from the origin.
struct Picker : WithBell, AreaSelectionView {
    explicit Picker(const QImage& image = QImage(801, 600, QImage::Format_RGBA8888_Premultiplied),
                    CaptureGeometry geometry = {{1000, 50, 400.5, 300}, 2}, std::optional<QString> note = {})
        : AreaSelectionView(image, geometry, note, bell, accessibility) {
        QObject::connect(this, &AreaSelectionView::finished,
                         [this](const Result<QRectF, Error>& result) { finished.push_back(result); });
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButtons held = {}, Qt::KeyboardModifiers m = {}) {
        QMouseEvent event(type, at, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, m);
        QApplication::sendEvent(this, &event);
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = {}) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
    }
    // Presses `code` `times` times and returns the selection.
    Edges key(int code, Qt::KeyboardModifiers modifiers = {}, int times = 1) {
        for (QKeyEvent event(QEvent::KeyPress, code, modifiers); times-- > 0;)
            QApplication::sendEvent(this, &event);
        return edges(selection());
    }

    std::vector<Result<QRectF, Error>> finished;
};

TEST(AreaSelectionView, ADragSelectsInGlobalPointsAndCapturesFromFourPixels) {
    Picker p;
    // Alt keeps the selection for adjusting; the size counts partial pixels.
    p.drag({10, 20}, {110.25, 70}, Qt::AltModifier);
    ASSERT_TRUE(p.finished.empty() && p.labels().size);
    EXPECT_EQ(std::pair(p.labels().size->text, p.accessibilityValue()),
              std::pair(QStringLiteral("201 × 100"), QStringLiteral("201 by 100 pixels")));
    p.drag({110.25, 70}, {10, 20});
    ASSERT_EQ(p.finished.size(), 1u);
    EXPECT_EQ(edges(p.finished[0]), (Edges{1010, 70, 100.25, 50}));

    // 3 pixels (1.5 points) wait for Return.
    p.drag({50, 50}, {51.5, 60});
    EXPECT_EQ(p.finished.size(), 1u);
    EXPECT_EQ(p.key(Qt::Key_Return), (Edges{50, 50, 1.5, 10}));
    ASSERT_EQ(p.finished.size(), 2u);
    EXPECT_EQ(edges(p.finished[1]), (Edges{1050, 100, 1.5, 10}));
    // A click clears the selection, and Enter then only beeps.
    p.drag({80, 80}, {80, 80});
    EXPECT_EQ(p.accessibilityValue(), QStringLiteral("No area selected"));
    EXPECT_EQ(std::pair(p.key(Qt::Key_Enter), p.bell.beeps), std::pair(Edges{-1, -1, -1, -1}, 1));
    // Points beyond the display are clamped to it; Escape cancels.
    p.drag({-40, -40}, {20, 30}, Qt::AltModifier);
    EXPECT_EQ(p.key(Qt::Key_Escape), (Edges{0, 0, 20, 30}));
    ASSERT_EQ(p.finished.size(), 3u);
    EXPECT_TRUE(!p.finished[2].ok() && isCancellation(p.finished[2].error()));
}

TEST(AreaSelectionView, ArrowKeysStartCentredAndMoveOrResizeByPixels) {
    Picker p;
    const auto shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    // Half the view in whole pixels; the odd pixel left over goes to the right.
    EXPECT_EQ(p.key(Qt::Key_Left), (Edges{100, 75, 200, 150}));
    EXPECT_EQ(p.key(Qt::Key_Right), (Edges{100.5, 75, 200, 150}));
    EXPECT_EQ(p.key(Qt::Key_Down, alt), (Edges{100.5, 80, 200, 150}));
    // Moves stop at the edges.
    EXPECT_EQ(p.key(Qt::Key_Right, alt, 30), (Edges{200.5, 80, 200, 150}));
    EXPECT_EQ(p.key(Qt::Key_Up, alt, 30), (Edges{200.5, 0, 200, 150}));
    // Shift resizes from the top-left corner, never below one step nor past the edges.
    EXPECT_EQ(p.key(Qt::Key_Left, shift), (Edges{200.5, 0, 199.5, 150}));
    EXPECT_EQ(p.key(Qt::Key_Right, shift | alt), (Edges{200.5, 0, 200, 150}));
    EXPECT_EQ(p.key(Qt::Key_Left, shift | alt, 50), (Edges{200.5, 0, 5, 150}));
    EXPECT_EQ(p.key(Qt::Key_Up, shift, 400), (Edges{200.5, 0, 5, 0.5}));
    EXPECT_TRUE(p.finished.empty());
}

// The drawing test shows where the pills usually stand; here the texts at scale 2 and the edges.
TEST(AreaSelectionView, PlacesLabelsInsideTheView) {
    Picker p;
    ASSERT_TRUE(p.labels().hint);
    EXPECT_EQ(p.labels().hint->text, QStringLiteral("Drag to capture · Hold Alt while releasing to adjust · "
                                                    "Arrow keys for keyboard · Esc cancels"));
    // The pointer's pixel coordinates beside it, or on its other side near the right and bottom edges.
    p.mouse(QEvent::MouseMove, {100, 50.6});
    ASSERT_TRUE(p.labels().coordinates);
    EXPECT_EQ(p.labels().coordinates->text, QStringLiteral("X 200  Y 101"));
    EXPECT_TRUE(geom::exactlyEqual(p.labels().coordinates->rect.topLeft(), QPointF(114, 68.6)));
    p.mouse(QEvent::MouseMove, {395, 295});
    EXPECT_TRUE(geom::exactlyEqual(p.labels().coordinates->rect.bottomRight(), QPointF(381, 281)));
    EXPECT_TRUE(p.labels().hint); // moving is no interaction

    // The size pill moves inside the selection near the bottom edge, and keeps 4 points from the sides.
    p.drag({0, 250}, {3, 300}, Qt::AltModifier);
    EXPECT_EQ(std::pair(p.labels().size->rect.bottom(), p.labels().size->rect.left()), std::pair(294.0, 4.0));
    p.drag({398, 10}, {400.5, 20}, Qt::AltModifier);
    EXPECT_DOUBLE_EQ(p.labels().size->rect.right(), 400.5 - 4);
    // The hint is gone for good after the first press, even without a selection.
    p.drag({9, 9}, {9, 9});
    EXPECT_FALSE(p.selection() || p.labels().hint);
}

TEST(AreaSelectionView, OnlyARealKeyOrAPressHidesTheHint) {
    // Modifiers pressed alone (as before an Alt-drag) leave the hint up; so do other buttons.
    Picker p;
    for (const int modifier : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_AltGr,
                               Qt::Key_Super_L, Qt::Key_CapsLock})
        p.key(modifier, modifier == Qt::Key_Shift ? Qt::ShiftModifier : Qt::NoModifier);
    p.mouse(QEvent::MouseMove, {30, 30});
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(30, 30), QPointF(30, 30), Qt::RightButton,
                      Qt::RightButton, {});
    QApplication::sendEvent(&p, &right);
    EXPECT_TRUE(!p.interacted() && p.labels().hint);

    // A letter, with Shift too, does nothing else, but counts; so does a left press.
    for (const int shifted : {0, 1, 2}) {
        Picker q;
        shifted < 2 ? (void)q.key(Qt::Key_X, shifted ? Qt::ShiftModifier : Qt::NoModifier)
                    : q.mouse(QEvent::MouseButtonPress, {30, 30}, Qt::LeftButton);
        EXPECT_TRUE(q.interacted() && !q.labels().hint && q.finished.empty()) << shifted;
    }
}

// GNOME's Cantarell has proportional digits: a size pill that changed width with every digit
// would jitter while the mouse moves.
TEST(AreaSelectionView, PillsUseDigitsOfOneWidth) {
    const QFont cantarell(QStringLiteral("Cantarell"));
    ASSERT_EQ(QFontInfo(cantarell).family(), QStringLiteral("Cantarell")) << "fonts-cantarell is missing";
    ASSERT_FALSE(AreaSelectionView::hasTabularDigits(cantarell));
    EXPECT_TRUE(AreaSelectionView::hasTabularDigits(AreaSelectionView::pillFont(cantarell)));
    // A desktop font whose digits already line up is kept.
    const QFont kept = AreaSelectionView::pillFont(QFont(QStringLiteral("DejaVu Serif")));
    EXPECT_EQ(std::pair(QFontInfo(kept).family(), kept.pixelSize()),
              std::pair(QStringLiteral("DejaVu Serif"), 12));
    EXPECT_TRUE(AreaSelectionView::hasTabularDigits(AreaSelectionView::pillAttributes().font));
}

// At two device pixels a point the window hands positions in half points: a drag from an odd
// pixel to another selects exactly those pixels.
TEST(AreaSelectionView, ADragReachesEveryDevicePixel) {
    Picker p;
    p.resize(401, 300);
    p.show();
    test::sendThroughWindow(p, QEvent::MouseButtonPress, {50.5, 50.5});
    test::sendThroughWindow(p, QEvent::MouseMove, {200.5, 150.5});
    // Alt keeps the selection to be read.
    const QPointF end(351, 251);
    QMouseEvent release(QEvent::MouseButtonRelease, end, end, QPointF(p.mapToGlobal(QPoint())) + end,
                        Qt::LeftButton, Qt::NoButton, Qt::AltModifier);
    QCoreApplication::sendEvent(p.windowHandle(), &release);
    EXPECT_EQ(edges(p.selection()), (Edges{50.5, 50.5, 300.5, 200.5}));
    ASSERT_TRUE(p.labels().size);
    EXPECT_EQ(p.labels().size->text, QStringLiteral("601 × 401"));
}

QImage render(QWidget& view) {
    QImage image(view.size(), QImage::Format_RGBA8888_Premultiplied);
    view.render(&image);
    return image;
}

TEST(AreaSelectionView, DrawsTheFrozenImageOutlineAndPills) {
    QImage image(640, 360, QImage::Format_RGBA8888_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, 360);
    gradient.setStops({{0, QColor(30, 120, 200)}, {1, QColor(230, 200, 60)}});
    painter.fillRect(image.rect(), gradient);
    painter.fillRect(QRect(400, 40, 180, 120), QColor(240, 240, 240));
    painter.end();

    // Untouched: the image exactly, the hint and the pointer's coordinates.
    Picker fresh(image, {image.rect(), 1});
    fresh.mouse(QEvent::MouseMove, {420, 200});
    const QImage hinted = render(fresh);
    EXPECT_TRUE(test::imagesNear(hinted.copy(0, 0, 640, 180), image.copy(0, 0, 640, 180), 0));
    EXPECT_TRUE(test::matchesGolden(hinted, QStringLiteral("area-selection-hint"), 24, 0.003));

    Picker noted(image, {image.rect(), 1}, QStringLiteral("Select the area to scroll"));
    noted.drag({120, 110}, {300, 230}, Qt::AltModifier);
    const QImage selected = render(noted);
    EXPECT_TRUE(test::matchesGolden(selected, QStringLiteral("area-selection-outline"), 24, 0.003));
    // The outline: white inside one pixel outside the selection, over a darker band.
    EXPECT_GT(selected.pixelColor(119, 170).lightness(), 230);
    EXPECT_LT(selected.pixelColor(118, 170).lightness(), image.pixelColor(118, 170).lightness());
    // With more contrast: pure white, and a wider opaque black band a pixel further out.
    noted.accessibility.setIncreaseContrast(true);
    const QImage contrasted = render(noted);
    EXPECT_EQ(contrasted.pixelColor(119, 170), QColor(255, 255, 255));
    EXPECT_LT(contrasted.pixelColor(117, 170).lightness(), selected.pixelColor(117, 170).lightness() - 40);
}

} // namespace
} // namespace quorvane
