#include "app/OCRController.h"
#include "app/OCRHandover.h"
#include "app/RecognizedTextWindow.h"
#include "app/ServiceFactory.h"
#include "capture/AreaSelectionOverlay.h"
#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"
#include "recognition/TextRecognizer.h"
#include "support/PasteElsewhere.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"

#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::waitUntil;
using test::xdotool;

// Where the other process shows its text and code: clear of the Recognized Text window, which
// opens in the middle of the screen.
constexpr QPoint scenePosition(60, 60);
constexpr QSize sceneSize(640, 240);

bool movePointer(QPoint to) {
    xdotool(QStringLiteral("mousemove %1 %2").arg(to.x()).arg(to.y()));
    return waitUntil([&] { return QCursor::pos() == to; });
}

// Presses `button` with the pointer, as the user does.
bool click(const QPushButton& button) {
    const QPoint at = button.mapToGlobal(button.rect().center());
    return movePointer(at) && xdotool(QStringLiteral("click 1")) == 0;
}

struct OtherProcessScene : QProcess {
    OtherProcessScene() {
        start(QStringLiteral(QUORVANE_TEXT_SCENE),
              {QString::number(scenePosition.x()), QString::number(scenePosition.y())});
    }
    ~OtherProcessScene() override {
        kill();
        waitForFinished();
    }
    bool ready() {
        return waitUntil([&] { return readAllStandardOutput().contains("ready"); }, 20000);
    }
};

// The whole road of Recognize Text/QR: an area of another program's window picked with the
// mouse, its text and code shown in the Recognized Text window, and both copied for other
// programs to paste.
TEST(RecognizedTextX11, RecognizesAPickedAreaAndCopiesTheTextAndThePayload) {
    OtherProcessScene scene;
    ASSERT_TRUE(scene.ready());
    const std::unique_ptr<Services> services = ServiceFactory::make();
    CaptureController capture(services->captureService(), services->areaPicker(), test::unaskedQuestions());
    TextRecognizer& recognizer = services->textRecognizer();
    OCRController ocr(services->clipboard(), recognizer.languages(), OCRController::recognizerOf(recognizer));
    std::unique_ptr<RecognizedTextWindow> window;
    OCRHandover::connectCapture(capture, ocr, [&] {
        if (!window) window = std::make_unique<RecognizedTextWindow>(ocr);
        window->present();
    });

    ASSERT_TRUE(movePointer(scenePosition + QPoint(300, 300)));
    capture.captureOCRArea();
    ASSERT_TRUE(waitUntil([&] { return services->areaPicker().holdsInput(); }, 10000));
    const QPoint from = scenePosition + QPoint(8, 8);
    const QPoint to = scenePosition + QPoint(sceneSize.width() - 8, sceneSize.height() - 8);
    const QPoint middle = (from + to) / 2;
    xdotool(QStringLiteral("mousemove %1 %2 mousedown 1 mousemove %3 %4 mousemove %5 %6 mouseup 1")
                .arg(from.x())
                .arg(from.y())
                .arg(middle.x())
                .arg(middle.y())
                .arg(to.x())
                .arg(to.y()));
    ASSERT_TRUE(waitUntil([&] { return !capture.isBusy(); }, 15000));
    ASSERT_NE(window, nullptr) << capture.statusMessage().toStdString();
    ASSERT_TRUE(waitUntil([&] { return ocr.state() != OCRController::State::running; }, 60000));
    ASSERT_EQ(ocr.state(), OCRController::State::finished) << ocr.message().toStdString();
    EXPECT_EQ(ocr.message(), QStringLiteral("Found 2 lines and 1 code."));

    const QString expected = QStringLiteral("Quorvane reads this line\nCopy it without retyping");
    EXPECT_EQ(window->findChild<QPlainTextEdit*>()->toPlainText(), expected);

    QPushButton* copyText = nullptr;
    QPushButton* copyPayload = nullptr;
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Copy Text")) copyText = button;
        if (button->accessibleName() == QStringLiteral("Copy QR payload")) copyPayload = button;
    }
    ASSERT_TRUE(copyText != nullptr && copyPayload != nullptr);
    ASSERT_TRUE(click(*copyText));
    ASSERT_TRUE(waitUntil([&] { return ocr.message() == QStringLiteral("Copied text."); }));
    EXPECT_EQ(test::pasteElsewhere(QStringLiteral("UTF8_STRING")), expected.toUtf8());
    ASSERT_TRUE(click(*copyPayload));
    ASSERT_TRUE(waitUntil([&] { return ocr.message() == QStringLiteral("Copied QR payload."); }));
    EXPECT_EQ(test::pasteElsewhere(QStringLiteral("UTF8_STRING")),
              QByteArray("https://example.org/quorvane?scan=1"));
}

} // namespace
} // namespace quorvane
