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

// Drags with the real pointer in a real window under a window manager.
struct ShownPane {
    EditorDocument document{test::twoToneImage(400, 240), std::nullopt, 1};
    EditorCanvasPane pane{document, {}};

    ShownPane() {
        pane.resize(600, 400);
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
        EXPECT_EQ(settings.selectedID(), box.id);

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
        ASSERT_TRUE(test::waitUntil([&] { return !settings.editingText(); }));
        EXPECT_EQ(shown.document.annotations().back().text, QStringLiteral("HelloCanvas"));
        EXPECT_TRUE(test::waitUntil([&] { return shown.pane.canvas().hasFocus(); })); // keyboard back
    }
    test::x11Server().stopWindowManager();
}

} // namespace
} // namespace quorvane
