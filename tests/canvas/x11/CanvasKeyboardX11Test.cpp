#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/PasteElsewhere.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Real key presses in a real window: Tab, arrows, Return and Escape reach the canvas past Qt's
// focus handling, and a colour copied with the Color tool is pasted by another program.
TEST(CanvasKeyboardX11, KeysDriveTheCanvasAndColoursReachOtherPrograms) {
    ASSERT_TRUE(test::x11Server().startWindowManager());
    QImage image = test::filledImage(Qt::white, 300, 200);
    QPainter(&image).fillRect(QRect(0, 0, 300, 100), Qt::red);
    EditorDocument document(image, std::nullopt, 1);
    EditorCanvasPane pane(document, {});
    SystemClipboard clipboard(*QGuiApplication::clipboard());
    test::CountingBeeper beeper;
    pane.setServices(clipboard, beeper);
    pane.resize(600, 400);
    pane.show();
    pane.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return pane.isActiveWindow() && pane.canvas().hasFocus(); }));

    const Annotation bottom = test::annotation(AnnotationKind::rectangle, QRectF(20, 20, 40, 40));
    const Annotation top = test::annotation(AnnotationKind::oval, QRectF(100, 20, 40, 40));
    document.addAnnotation(bottom);
    document.addAnnotation(top);
    EditorCanvasSettings& settings = pane.settings();

    EXPECT_EQ(test::xdotool(QStringLiteral("key v")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.style().tool() == QLatin1String("Select"); }));
    EXPECT_EQ(test::xdotool(QStringLiteral("key Tab")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.modes().selectedID() == top.id; }));
    EXPECT_EQ(test::xdotool(QStringLiteral("key Tab")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.modes().selectedID() == bottom.id; }));
    EXPECT_TRUE(pane.canvas().hasFocus());
    EXPECT_EQ(test::xdotool(QStringLiteral("key Right Down")), 0);
    ASSERT_TRUE(
        test::waitUntil([&] { return document.annotations().front().rect == QRectF(21, 21, 40, 40); }));
    EXPECT_EQ(test::xdotool(QStringLiteral("key Escape")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !settings.modes().selectedID(); }));

    // Crop by keyboard: the first arrow only makes a centred selection, Return applies it.
    EXPECT_EQ(test::xdotool(QStringLiteral("key c Left Return")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return document.cropRect() == QRectF(75, 50, 150, 100); }))
        << document.cropRect().x() << "," << document.cropRect().width();

    EXPECT_EQ(test::xdotool(QStringLiteral("key i")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return settings.style().tool() == QLatin1String("Color"); }));
    const QPoint red =
        pane.canvas().mapToGlobal(pane.canvas().transform().imageRect().topLeft().toPoint() + QPoint(30, 10));
    EXPECT_EQ(test::xdotool(QStringLiteral("mousemove %1 %2 click 1").arg(red.x()).arg(red.y())), 0);
    ASSERT_TRUE(
        test::waitUntil([&] { return settings.modes().message() == QLatin1String("Copied #FF0000"); }));
    EXPECT_EQ(test::pasteElsewhere(QStringLiteral("UTF8_STRING")), QByteArray("#FF0000"));
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
