#include "app/OCRHandover.h"

#include "app/OCRTesting.h"
#include "canvas/EditorCanvasPane.h"
#include "document/EditorDocument.h"
#include "platform/SystemClipboard.h"
#include "support/TextImages.h"

#include <QApplication>
#include <QClipboard>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The editor's Recognize hands the selection to the controller and brings up the window; once the
// controller is gone, a late hand-over does nothing.
TEST(OCRHandover, ReadsTheEditorsSelectionThenShowsTheWindow) {
    test::HeldRecognizer recognizer;
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    auto controller = std::make_unique<OCRController>(clipboard, QStringList{}, recognizer.function());
    int presented = 0;
    QImage picture = test::whiteImage(200, 120);
    test::drawText(picture, QStringLiteral("top"), {4, 4}, 14);
    EditorDocument document(picture, std::nullopt, 1);
    EditorCanvasPane pane(document, OCRHandover::recognizer(*controller, [&] {
                              EXPECT_EQ(controller->state(), OCRController::State::running);
                              ++presented;
                          }));
    pane.resize(400, 300);
    pane.show();
    QApplication::processEvents();

    pane.settings().toggleCrop();
    pane.settings().modes().setSelection(QRectF(0, 0, 50, 30));
    pane.recognize();
    ASSERT_EQ(recognizer.calls.size(), 1u);
    EXPECT_EQ(controller->source(), QStringLiteral("Editor selection"));
    EXPECT_EQ(recognizer.calls[0].image.size(), QSize(50, 30));
    EXPECT_EQ(recognizer.calls[0].image.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(presented, 1);

    controller.reset();
    pane.recognize();
    EXPECT_EQ(recognizer.calls.size(), 1u);
    EXPECT_EQ(presented, 1);
}

} // namespace
} // namespace quorvane
