#include "app/OCRTesting.h"
#include "document/EditorDocument.h"
#include "platform/SystemClipboard.h"
#include "support/RefusingClipboard.h"
#include "support/TempDir.h"
#include "support/TextImages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using State = OCRController::State;
using test::code;
using test::line;
using test::result;

using test::RefusingClipboard;

struct Fixture {
    Fixture() {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        for (auto signal : {&OCRController::stateChanged, &OCRController::resultChanged,
                            &OCRController::sourceChanged, &OCRController::messageChanged})
            QObject::connect(&controller, signal, [this, signal] { changes.push_back(signal); });
    }
    QString clipboardText() const { return QGuiApplication::clipboard()->text(); }
    // Starts a run and ends it with `outcome`.
    void run(const RecognitionOutcome& outcome, const QString& source = QStringLiteral("Area")) {
        controller.recognize(test::whiteImage(40, 20), source);
        recognizer.finish(recognizer.calls.size() - 1, outcome);
    }

    test::LogLines log{"ocr"};
    test::HeldRecognizer recognizer;
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    OCRController controller{clipboard, {QStringLiteral("en"), QStringLiteral("de")}, recognizer.function()};
    std::vector<void (OCRController::*)()> changes;
};

TEST(OCRController, StartsEmptyRunningAndSaysSoInThatOrder) {
    Fixture f;
    f.run(result({line(QStringLiteral("old"))}), QStringLiteral("Editor image"));
    f.changes.clear();

    f.controller.recognize(QImage(1280, 800, QImage::Format_RGBX8888), QStringLiteral("Area"));
    EXPECT_EQ(f.changes, (std::vector{&OCRController::sourceChanged, &OCRController::resultChanged,
                                      &OCRController::stateChanged, &OCRController::messageChanged}));
    EXPECT_EQ(f.controller.result(), RecognitionResult{});
    EXPECT_EQ(f.controller.message(), QStringLiteral("Recognizing text…"));
    EXPECT_EQ(f.log.lines().back(), "OCR started: Area 1280x800 px");
    // Automatic detection: no languages asked for.
    EXPECT_EQ(f.recognizer.calls.back().languages, std::nullopt);
}

TEST(OCRController, SumsUpEveryResultInOneMessage) {
    struct Case {
        std::vector<float> confidences;
        int codes;
        const char* message;
    };
    const Case cases[] = {
        {{0.9f, 0.5f}, 0, "Found 2 lines and 0 codes."},
        {{}, 1, "Found 0 lines and 1 code."},
        {{0.7f}, 0, "Found 1 line and 0 codes."},
        {{}, 0, "No text or codes found."},
        {{0.9f, 0.49f}, 0, "Some text was recognized with low confidence; review before copying."},
        {{0.0f}, 3, "Some text was recognized with low confidence; review before copying."},
    };
    Fixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        RecognitionResult found;
        for (const float confidence : c.confidences)
            found.lines.push_back(line(QStringLiteral("line"), confidence));
        for (int i = 0; i < c.codes; ++i)
            found.codes.push_back(code(QStringLiteral("payload %1").arg(i)));
        f.run(found);
        EXPECT_EQ(f.controller.state(), State::finished);
        EXPECT_EQ(f.controller.result(), found);
        EXPECT_EQ(f.controller.message(), QString::fromUtf8(c.message));
        EXPECT_EQ(f.log.lines().back(), "OCR applied: " + std::to_string(c.confidences.size()) + " lines, " +
                                            std::to_string(c.codes) + " codes");
    }
}

TEST(OCRController, ShowsOnlyTheNewestRunAndDropsTheOutcomesOfReplacedOrCancelledOnes) {
    Fixture f;
    f.controller.recognize(test::whiteImage(10, 10), QStringLiteral("Editor image"));
    f.controller.recognize(test::whiteImage(20, 10), QStringLiteral("Editor selection"));
    EXPECT_TRUE(f.recognizer.calls.at(0).task->isCancelled());
    EXPECT_FALSE(f.recognizer.calls.at(1).task->isCancelled());
    f.recognizer.finish(0, result({line(QStringLiteral("first"))}));
    EXPECT_EQ(f.log.count(test::droppedLine), 1);
    EXPECT_EQ(f.controller.state(), State::running);
    EXPECT_EQ(f.controller.source(), QStringLiteral("Editor selection"));
    f.recognizer.finish(1, result({line(QStringLiteral("kept"))}));
    EXPECT_EQ(f.controller.text(), QStringLiteral("kept"));

    // Nothing running: nothing changes, the last result stays.
    f.changes.clear();
    f.controller.cancel();
    EXPECT_TRUE(f.changes.empty());
    EXPECT_EQ(f.controller.text(), QStringLiteral("kept"));

    f.controller.recognize(test::whiteImage(10, 10), QStringLiteral("Area"));
    f.controller.cancel();
    EXPECT_TRUE(f.recognizer.calls.back().task->isCancelled());
    EXPECT_EQ(f.controller.state(), State::idle);
    EXPECT_EQ(f.controller.message(), QStringLiteral("OCR cancelled."));
    f.recognizer.finish(2, result({line(QStringLiteral("late"))}));
    EXPECT_EQ(f.log.count(test::droppedLine), 2);
    EXPECT_EQ(f.controller.result(), RecognitionResult{});
    EXPECT_EQ(f.controller.message(), QStringLiteral("OCR cancelled."));
}

TEST(OCRController, EndsInTheStateOfItsOwnRunsFailureOrCancellation) {
    struct Case {
        RecognitionFailure failure;
        State state;
        const char* message;
    };
    const Case cases[] = {
        {RecognitionFailure::refused({TextRecognizerError::Case::unreadableImage, {}}), State::failed,
         "OCR failed: The image could not be prepared for OCR."},
        {RecognitionFailure::failed(
             {QStringLiteral("Quorvane.OCR"), 6, QStringLiteral("The engine stopped.")}),
         State::failed, "OCR failed: The engine stopped."},
        // The recognizer itself gave up the run (it is shutting down): not a failure.
        {RecognitionFailure::cancellation(), State::idle, "OCR cancelled."},
    };
    Fixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        f.run(result({line(QStringLiteral("before"))}));
        f.run(Failure{c.failure});
        EXPECT_EQ(f.controller.state(), c.state);
        EXPECT_EQ(f.controller.failureText(),
                  c.state == State::failed ? QString::fromUtf8(c.message) : QString());
        EXPECT_EQ(f.controller.message(), QString::fromUtf8(c.message));
        EXPECT_EQ(f.controller.result(), RecognitionResult{});
    }
}

TEST(OCRController, CopiesTheTextAsShownOrSaysWhyNot) {
    Fixture f;
    f.run(result({}, {code(QStringLiteral("https://example.org/q"))}));
    f.controller.copyText();
    EXPECT_EQ(f.controller.message(), QStringLiteral("Nothing to copy."));
    EXPECT_EQ(f.clipboardText(), QStringLiteral("before"));
    f.controller.copy(QStringLiteral("https://example.org/q"), QStringLiteral("QR payload"));
    EXPECT_EQ(f.controller.message(), QStringLiteral("Copied QR payload."));
    EXPECT_EQ(f.clipboardText(), QStringLiteral("https://example.org/q"));

    f.run(result({line(QStringLiteral("first line")), line(QStringLiteral("second line"))}));
    f.controller.copyText();
    EXPECT_EQ(f.clipboardText(), QStringLiteral("first line\nsecond line"));
    EXPECT_EQ(f.controller.message(), QStringLiteral("Copied text."));
    f.controller.setJoinLines(true);
    f.controller.copyText();
    EXPECT_EQ(f.clipboardText(), QStringLiteral("first line second line"));
    // The options outlive the runs.
    f.run(result({line(QStringLiteral("a")), line(QStringLiteral("b"))}));
    EXPECT_EQ(f.controller.text(), QStringLiteral("a b"));
}

TEST(OCRController, SaysSoWhenTheClipboardRefusesACopyAndDropsTheRunOfAGoneController) {
    test::LogLines log{"ocr"};
    test::HeldRecognizer recognizer;
    RefusingClipboard clipboard;
    auto controller = std::make_unique<OCRController>(clipboard, QStringList{}, recognizer.function());
    controller->copy(QStringLiteral("payload"), QStringLiteral("QR payload"));
    EXPECT_EQ(controller->message(), QStringLiteral("Could not copy QR payload: the clipboard refused it."));
    controller->recognize(test::whiteImage(10, 10), QStringLiteral("Area"));
    controller.reset();
    recognizer.finish(0, result({line(QStringLiteral("orphan"))}));
    EXPECT_EQ(log.count(test::droppedLine), 1);
}

// The real recognizer's refusals and engine failures reach the user with their own words.
TEST(OCRController, ReportsEveryKindOfRecognizerError) {
    test::TempDir damaged;
    std::ofstream(damaged / "eng.traineddata") << "not a model";
    auto real = test::realRecognizer();
    auto broken = test::realRecognizer(QString::fromStdString(damaged.path().string()));
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    struct Case {
        TextRecognizer* recognizer;
        QImage image;
        std::optional<QString> language;
        const char* message;
    };
    const Case cases[] = {
        {real.get(), QImage(8001, 4000, QImage::Format_Alpha8), std::nullopt,
         "OCR failed: OCR needs an image between 1 pixel and 32 megapixels."},
        {real.get(), test::whiteImage(8, 8), QStringLiteral("qaa"), "OCR failed: OCR does not support: qaa."},
        {broken.get(), test::whiteImage(8, 8), std::nullopt,
         "OCR failed: The text recognition data for en is missing or damaged."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        OCRController controller(clipboard, c.recognizer->languages(),
                                 OCRController::recognizerOf(*c.recognizer));
        controller.setLanguage(c.language);
        controller.recognize(c.image, QStringLiteral("Area"));
        ASSERT_TRUE(test::waitUntil([&] { return controller.state() != State::running; }, 30000));
        EXPECT_EQ(controller.state(), State::failed);
        EXPECT_EQ(controller.message(), QString::fromUtf8(c.message));
        EXPECT_EQ(controller.failureText(), controller.message());
    }
}

// Started and cancelled a thousand times, then once more for real from a document that is
// replaced while the engine reads: only that last run is shown, and every other one is dropped.
TEST(OCRController, SurvivesAThousandCancelledRunsAndAReplacedDocument) {
    test::LogLines log{"ocr"};
    auto recognizer = test::realRecognizer();
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    OCRController controller(clipboard, recognizer->languages(), OCRController::recognizerOf(*recognizer));
    QImage page = test::whiteImage(360, 60);
    test::drawText(page, QStringLiteral("Superseded"), {10, 16}, 22);
    for (int i = 0; i < 1000; ++i) {
        controller.recognize(page, QStringLiteral("Area"));
        controller.cancel();
    }
    EXPECT_EQ(controller.state(), State::idle);

    QImage shown = test::whiteImage(360, 60);
    test::drawText(shown, QStringLiteral("Quorvane reads this"), {10, 16}, 22);
    auto document = std::make_unique<EditorDocument>(shown, QStringLiteral("shot.png"), 1.0);
    controller.recognize(document->image(), QStringLiteral("Editor image"));
    document.reset();
    shown = QImage();
    ASSERT_TRUE(test::waitUntil([&] { return controller.state() != State::running; }, 60000));
    ASSERT_EQ(controller.state(), State::finished) << controller.message().toStdString();
    EXPECT_EQ(controller.text(), QStringLiteral("Quorvane reads this"));
    EXPECT_TRUE(test::waitUntil([&] { return log.count(test::droppedLine) == 1000; }, 30000))
        << log.count(test::droppedLine);
}

} // namespace
} // namespace quorvane
