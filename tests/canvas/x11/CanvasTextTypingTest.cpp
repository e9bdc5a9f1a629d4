#include "canvas/AnnotationTextEditor.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "support/TestAnnotations.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A real window under a window manager, typed into the way a user's keyboard does (the helper
// splits arguments at blanks, so the typed text has none).
TEST(CanvasTextTyping, TypedTextLandsInTheDocument) {
    ASSERT_TRUE(test::x11Server().startWindowManager());
    EditorDocument document(test::twoToneImage(400, 240), std::nullopt, 1);
    EditorCanvasPane pane(document, {});
    pane.resize(600, 400);
    pane.show();
    pane.activateWindow();
    ASSERT_TRUE(
        test::waitUntil([&] { return pane.isActiveWindow() && !pane.canvas().drawnImage().isNull(); }));

    pane.canvas().beginTextEditing(
        test::annotation(AnnotationKind::text, QRectF(40, 40, 120, 40), Qt::black));
    QPlainTextEdit* editor = pane.canvas().textEditor().textView();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return editor->hasFocus(); }));

    EXPECT_EQ(test::xdotool(QStringLiteral("type --delay 20 HelloCanvas")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return editor->toPlainText() == QLatin1String("HelloCanvas"); }))
        << editor->toPlainText().toStdString();
    EXPECT_EQ(test::xdotool(QStringLiteral("key ctrl+Return")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return !document.annotations().empty(); }));
    EXPECT_EQ(document.annotations().front().text, QStringLiteral("HelloCanvas"));
    EXPECT_FALSE(pane.settings().editingText());
    // The keyboard goes back to the canvas.
    EXPECT_TRUE(test::waitUntil([&] { return pane.canvas().hasFocus(); }));
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
