// Which earlier document Restore Previous Document brings back: the last one replaced while it
// held unexported edits. A document without edits is not kept, and one with edits is never dropped
// without a question.

#include "support/journey/JourneyTest.h"

namespace quorvane::journey {
namespace {

class DocumentHistory : public JourneyTest {
protected:
    static QImage copied(Program& quorvane) {
        const qsizetype since = quorvane.mark();
        activate(editor());
        press(QStringLiteral("ctrl+c"));
        EXPECT_TRUE(quorvane.waitForLog(QStringLiteral("Copied"), since));
        return clipboardImage();
    }
    static void drawRectangle() {
        const Window window = editor();
        activate(window);
        press(QStringLiteral("r"));
        drag(window.geometry.center() - QPoint(40, 30), window.geometry.center() + QPoint(40, 30));
    }
};

TEST_F(DocumentHistory, RestoreBringsBackTheLastDocumentWithUnexportedEdits) {
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Something to capture"), {100, 100, 700, 500}));
    Program quorvane;
    const QString path = QString::fromStdString((quorvane.folder("Pictures") / "first.png").string());
    QImage first(500, 320, QImage::Format_RGB32);
    first.fill(QColor(70, 120, 200));
    ASSERT_TRUE(first.save(path));
    ASSERT_TRUE(quorvane.start());
    openImage(quorvane, path, first.size());
    drawRectangle();

    // A screen capture replaces the edited picture, which is kept. (The capture is over, and
    // the hot keys listen again, once its post-capture action is logged.)
    qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since));
    // The capture is not edited: an area capture after it drops it and keeps the edited picture.
    since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+4"));
    ASSERT_TRUE(waitForAreaPicker());
    drag(QPoint(300, 300), QPoint(970, 780), 20);
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since))
        << quorvane.log().toStdString();
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Capture succeeded: 670x480 px"), since));

    // A choice from the menu is made once the menu has closed; the copy is asked for after it.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Restore Previous Document")));
    const QImage restored = copied(quorvane);
    ASSERT_EQ(restored.size(), QSize(500, 320)) << "Restore brought back another document";
    // With its edit.
    EXPECT_NE(restored.pixelColor(restored.width() / 2 - 40, restored.height() / 2), QColor(70, 120, 200));

    // Restore again swaps back to the area capture.
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Restore Previous Document")));
    EXPECT_EQ(copied(quorvane).size(), QSize(670, 480));

    // Both with edits: replacing one asks first, and Cancel keeps both as they are.
    drawRectangle();
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Restore Previous Document")));
    drawRectangle();
    since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    const auto asked = question();
    ASSERT_TRUE(asked.has_value());
    ASSERT_TRUE(waitForText(asked->geometry, QStringLiteral("Discard unexported changes?")));
    EXPECT_TRUE(waitForText(asked->geometry, QStringLiteral("Replacing the previous")));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("New image not opened"), since)) << quorvane.log().toStdString();
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

// Text being typed when a capture replaces its picture goes with the picture: an edit, so the
// picture is kept, and Restore Previous Document brings it back with the text.
TEST_F(DocumentHistory, TextBeingTypedStaysWithItsPictureThroughACapture) {
    ASSERT_TRUE(desktop.showStillWindow(QStringLiteral("Something to capture"), {100, 100, 700, 500}));
    Program quorvane;
    const QString path = QString::fromStdString((quorvane.folder("Pictures") / "white.png").string());
    QImage white(500, 320, QImage::Format_RGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(white.save(path));
    ASSERT_TRUE(quorvane.start());
    const Window window = openImage(quorvane, path, white.size());
    press(QStringLiteral("t"));
    click(window.geometry.center() - QPoint(100, 20));
    type(QStringLiteral("hello world"));
    ASSERT_TRUE(waitForText(window.geometry, QStringLiteral("hello world"))) << "the text was not typed";

    const qsizetype since = quorvane.mark();
    press(QStringLiteral("ctrl+alt+super+3"));
    ASSERT_TRUE(quorvane.waitForLog(QStringLiteral("Post-capture action: openEditor"), since));
    ASSERT_TRUE(chooseMenuItem(editor(), QStringLiteral("File"), QStringLiteral("Restore Previous Document")))
        << "the typed-on picture was not kept";
    const QImage restored = copied(quorvane).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(restored.size(), white.size()) << "Restore brought back another document";
    int ink = 0;
    for (int y = 0; y < restored.height(); ++y)
        for (int x = 0; x < restored.width(); ++x)
            ink += restored.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(ink, 100) << "the typed text is not in the restored picture";
    EXPECT_EQ(quorvane.terminate(), 0) << quorvane.log().toStdString();
}

} // namespace
} // namespace quorvane::journey
