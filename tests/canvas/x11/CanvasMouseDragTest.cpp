#include "canvas/AnnotationTextEditor.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/RulerOverlayView.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <array>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Drags with the real pointer in a real window under a window manager.
struct ShownPane {
    EditorDocument document;
    EditorCanvasPane pane{document, {}};

    explicit ShownPane(const QImage& image = test::twoToneImage(400, 240))
        : document(image, std::nullopt, 1) {
        pane.resize(600, 400);
        pane.move(20, 20);
        pane.show();
        pane.activateWindow();
    }
    bool ready() {
        return test::waitUntil([&] { return pane.isActiveWindow() && !pane.canvas().drawnImage().isNull(); });
    }
    // Screen position of image pixel `p`.
    QPoint screen(QPointF p) {
        const QRectF shown = pane.canvas().transform().imageRect();
        const double zoom = pane.canvas().transform().zoom;
        return pane.canvas().mapToGlobal((shown.topLeft() + p * zoom).toPoint());
    }
    int drag(QPointF from, QPointF to) {
        const QPoint a = screen(from), b = screen(to), mid = (a + b) / 2;
        return test::xdotool(
            QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 mouseup 1")
                .arg(a.x())
                .arg(a.y())
                .arg(mid.x())
                .arg(mid.y())
                .arg(b.x())
                .arg(b.y()));
    }
};

TEST(CanvasMouseDrag, RealDragsDrawAndADoubleClickOpensTextThatTakesTypedKeys) {
    ASSERT_TRUE(test::x11Server().startWindowManager());
    {
        ShownPane shown;
        ASSERT_TRUE(shown.ready());
        EditorCanvasSettings& settings = shown.pane.settings();

        settings.choose(QStringLiteral("Arrow"));
        EXPECT_EQ(shown.drag({40, 40}, {200, 120}), 0);
        ASSERT_TRUE(test::waitUntil([&] { return shown.document.annotations().size() == 1; }));
        EXPECT_EQ(shown.document.annotations().back().kind, AnnotationKind::arrow);

        settings.choose(QStringLiteral("Rectangle"));
        EXPECT_EQ(shown.drag({60, 140}, {300, 220}), 0);
        ASSERT_TRUE(test::waitUntil([&] { return shown.document.annotations().size() == 2; }));
        const Annotation box = shown.document.annotations().back();
        EXPECT_EQ(box.kind, AnnotationKind::rectangle);
        EXPECT_GT(box.rect.width(), 200);
        EXPECT_EQ(settings.modes().selectedID(), box.id);

        Annotation note = test::annotation(AnnotationKind::text, QRectF(250, 20, 100, 40));
        note.text = QStringLiteral("Note");
        note.fill = true;
        shown.document.addAnnotation(note);
        settings.choose(QStringLiteral("Select"));
        const QPoint at = shown.screen({300, 40});
        EXPECT_EQ(
            test::xdotool(
                QStringLiteral("mousemove %1 %2 click --repeat 2 --delay 80 1").arg(at.x()).arg(at.y())),
            0);
        ASSERT_TRUE(test::waitUntil([&] { return shown.pane.canvas().textEditor().isOpen(); }));
        EXPECT_EQ(shown.document.annotations().size(), 3u);

        // Typed as a user's keyboard does (the helper splits arguments at blanks, so no blanks).
        QPlainTextEdit* editor = shown.pane.canvas().textEditor().textView();
        ASSERT_TRUE(test::waitUntil([&] { return editor->hasFocus(); }));
        editor->selectAll();
        EXPECT_EQ(test::xdotool(QStringLiteral("type --delay 20 HelloCanvas")), 0);
        ASSERT_TRUE(test::waitUntil([&] { return editor->toPlainText() == QLatin1String("HelloCanvas"); }))
            << editor->toPlainText().toStdString();
        EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+Return")), 0);
        ASSERT_TRUE(test::waitUntil([&] { return !settings.modes().editingText(); }));
        EXPECT_EQ(shown.document.annotations().back().text, QStringLiteral("HelloCanvas"));
        EXPECT_TRUE(test::waitUntil([&] { return shown.pane.canvas().hasFocus(); })); // keyboard back
    }
    test::x11Server().stopWindowManager();
}

// With two device pixels a point (QT_SCALE_FACTOR=2) and 100 % (one image pixel a device
// pixel), the real pointer on odd device pixels draws, samples and measures exactly there.
TEST(CanvasMouseDrag, AtTwoPixelsAPointOddDevicePixelsAreReached) {
    QImage columns(400, 240, QImage::Format_RGBA8888);
    for (int y = 0; y < columns.height(); ++y)
        for (int x = 0; x < columns.width(); ++x)
            columns.setPixelColor(x, y, QColor(x % 256, y, 0));
    // No window manager: the window lies where it is put, on whole points.
    {
        SystemClipboard clipboard{*QGuiApplication::clipboard()};
        test::CountingBeeper beeper;
        ShownPane shown(columns);
        shown.pane.setServices(clipboard, beeper);
        if (shown.pane.devicePixelRatioF() != 2) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
        ASSERT_TRUE(shown.ready());
        EditorCanvasSettings& settings = shown.pane.settings();
        settings.viewport().setFit(false);
        settings.viewport().setZoomFraction(1);
        shown.pane.canvas().refresh();
        ASSERT_EQ(shown.pane.canvas().transform().zoom, 0.5);
        // The image pixel under device pixel `d`, and the device pixel of image pixel `p`.
        const QPointF origin = (QPointF(shown.pane.canvas().mapToGlobal(QPoint())) +
                                shown.pane.canvas().transform().imageRect().topLeft()) *
                               2;
        const auto device = [&](QPointF p) { return origin + p; };
        const auto drag = [&](QPointF from, QPointF to) {
            const QPointF a = device(from), b = device(to);
            return test::xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mouseup 1")
                                     .arg(a.x())
                                     .arg(a.y())
                                     .arg(b.x())
                                     .arg(b.y()));
        };
        ASSERT_EQ(origin, QPointF(origin.toPoint())) << "image pixels on device pixels";

        settings.choose(QStringLiteral("Rectangle"));
        EXPECT_EQ(drag({201, 101}, {101, 41}), 0);
        ASSERT_TRUE(test::waitUntil([&] { return shown.document.annotations().size() == 1; }));
        const QRectF drawn = shown.document.annotations().front().rect;
        EXPECT_EQ((std::array{drawn.x(), drawn.y(), drawn.width(), drawn.height()}),
                  (std::array{101.0, 41.0, 100.0, 60.0}));

        settings.choose(QStringLiteral("Color"));
        const QPointF hover = device({251, 21});
        EXPECT_EQ(test::xdotool(QStringLiteral("mousemove %1 %2").arg(hover.x()).arg(hover.y())), 0);
        ASSERT_TRUE(test::waitUntil([&] { return settings.modes().hoverColor().has_value(); }));
        EXPECT_EQ(
            std::pair(int(settings.modes().hoverColor()->red), int(settings.modes().hoverColor()->green)),
            std::pair(251, 21));

        settings.choose(QStringLiteral("Ruler"));
        EXPECT_EQ(drag({101, 161}, {302, 161}), 0);
        ASSERT_TRUE(
            test::waitUntil([&] { return shown.pane.canvas().rulerManual().measurement.has_value(); }));
        EXPECT_EQ(*shown.pane.canvas().rulerManual().measurement,
                  Measurement::between(QPointF(101, 161), QPointF(302, 161), false));
    }
}

} // namespace
} // namespace quorvane
