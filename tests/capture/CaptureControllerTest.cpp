#include "capture/CaptureController.h"

#include "capture/CaptureControllerRig.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::CaptureRig;

struct RigTest : ::testing::Test {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
};
using Capturing = RigTest;
using DocumentHandover = RigTest;

const QString cancelled = QStringLiteral("Capture cancelled. Previous image retained.");
const QString unavailable = QStringLiteral("Capture unavailable. Previous image retained.");
const QString kept = QStringLiteral(" Unexported changes kept: File ▸ Restore Previous Document.");
const QString refused =
    QStringLiteral("The new image was not opened, so both documents with unexported changes are kept.");

// Opens an image as the document, answering whether it became one.
bool open(CaptureRig& rig, int width, int height, std::optional<QString> name = std::nullopt) {
    bool opened = false;
    rig.controller->openImage(test::gradientImage(width, height), name, [&](bool value) { opened = value; });
    return opened;
}

// Two documents of 10 and 11 pixels, both with unexported changes; questions about the previous
// one are kept unanswered in `replies`.
void bothDirtyAndAsking(CaptureRig& rig, std::vector<std::function<void(bool)>>& replies) {
    rig.controller->isDirty = [](EditorDocument*) { return true; };
    open(rig, 10, 10);
    open(rig, 11, 11);
    rig.controller->mayDiscardPrevious = [&replies](EditorDocument*, std::function<void(bool)> reply) {
        replies.push_back(std::move(reply));
    };
}

TEST_F(Capturing, RunsOneCaptureAtATimeAndStartsItsBodyOnALaterTurn) {
    c.setErrorMessage(QStringLiteral("Old failure"));
    c.setErrorIsRetryable(true);
    rig.service.holdImages = true;

    c.captureDisplay();
    EXPECT_TRUE(c.isBusy());
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Capturing display…"));
    EXPECT_EQ(std::pair(c.errorMessage(), c.errorIsRetryable()), std::pair(std::optional<QString>(), false));
    EXPECT_EQ(rig.service.listings, 0) << "the body ran inside run()";
    EXPECT_TRUE(rig.logged("Capture started: Capturing display…"));

    // A second capture while one runs only drops the pending one-shot delay and note.
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.service.heldImages.empty(); }));
    c.oneShotDelay = 5;
    c.oneShotNote = QStringLiteral("note");
    const auto statuses = rig.statuses.size();
    c.captureArea();
    c.refreshTargets();
    EXPECT_EQ(std::tuple(c.oneShotDelay, c.oneShotNote, rig.statuses.size(), rig.service.heldImages.size()),
              std::tuple(std::optional<int>(), std::optional<QString>(), statuses, std::size_t(1)));

    // The screenshot itself becomes the document, without a copy.
    const QImage pixels = test::gradientImage(800, 600);
    rig.service.heldImages.front()(pixels);
    ASSERT_TRUE(rig.settle());
    ASSERT_TRUE(c.document());
    EXPECT_EQ(std::tuple(c.document()->image().constBits(), c.statusMessage(), rig.captured, rig.failed),
              std::tuple(pixels.constBits(), QStringLiteral("Captured 800 × 600 pixels."), 1, 0));
    EXPECT_TRUE(rig.logged("Capture succeeded: 800x600 px, ocr false"));
}

// Brings a capture to one of its suspension points.
struct SuspensionPoint {
    const char* name;
    std::function<void(CaptureRig&)> reach;
    // Answers still outstanding, delivered after the cancellation.
    std::function<void(CaptureRig&)> lateAnswers = [](CaptureRig&) {};
};

TEST(CaptureController, ACancelAtEverySuspensionPointEndsOnceAsCancelledAndKeepsTheDocument) {
    std::function<void(bool)> reply;
    const SuspensionPoint points[] = {
        {"before the body starts", [](CaptureRig& rig) { rig.controller->captureArea(); }},
        {"countdown",
         [](CaptureRig& rig) {
             rig.controller->setCaptureDelay(3);
             rig.controller->captureArea();
             ASSERT_TRUE(rig.wake());
             ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.wakes.empty(); }));
         }},
        {"listing",
         [](CaptureRig& rig) {
             rig.service.holdTargets = true;
             rig.controller->captureArea();
             ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.service.heldTargets.empty(); }));
         },
         [](CaptureRig& rig) { rig.service.heldTargets.front()(rig.service.content); }},
        {"screenshot",
         [](CaptureRig& rig) {
             rig.service.holdImages = true;
             rig.controller->captureArea();
             ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.service.heldImages.empty(); }));
         },
         [](CaptureRig& rig) { rig.service.heldImages.front()(test::gradientImage(800, 600)); }},
        {"picker",
         [](CaptureRig& rig) {
             rig.controller->captureArea();
             ASSERT_TRUE(rig.pickerOpen());
         }},
        {"listing after the pick",
         [](CaptureRig& rig) {
             rig.service.beforeListing = [&](int listing, ShareableContent&) {
                 if (listing == 2) rig.service.holdTargets = true;
             };
             rig.controller->captureArea();
             ASSERT_TRUE(rig.pickerOpen());
             rig.overlay.finish(QRectF(10, 10, 50, 50));
             ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.service.heldTargets.empty(); }));
         },
         [](CaptureRig& rig) { rig.service.heldTargets.front()(rig.service.content); }},
        {"question about the previous document",
         [&reply](CaptureRig& rig) {
             rig.controller->isDirty = [](EditorDocument*) { return true; };
             open(rig, 20, 20);
             rig.controller->mayDiscardPrevious = [&reply](EditorDocument*, std::function<void(bool)> r) {
                 reply = std::move(r);
             };
             rig.controller->captureDisplay();
             ASSERT_TRUE(CaptureRig::turnUntil([&] { return static_cast<bool>(reply); }));
         },
         [&reply](CaptureRig&) { reply(true); }},
    };
    for (const SuspensionPoint& point : points) {
        SCOPED_TRACE(point.name);
        CaptureRig rig;
        CaptureController& c = *rig.controller;
        c.isDirty = [](EditorDocument*) { return true; };
        open(rig, 30, 30);
        open(rig, 40, 40);
        c.isDirty = [](EditorDocument*) { return false; };
        point.reach(rig);
        const QPointer<EditorDocument> document = c.document(), previous = c.previousDocument();
        ASSERT_TRUE(c.isBusy());
        c.cancel();
        EXPECT_FALSE(c.isBusy()) << "the cancellation waited for the pending call";
        point.lateAnswers(rig);
        rig.turns(20);
        EXPECT_EQ(std::tuple(c.statusMessage(), c.document(), c.previousDocument(), rig.captured, rig.failed),
                  std::tuple(cancelled, document.data(), previous.data(), 0, 0));
        EXPECT_EQ(std::tuple(c.errorMessage().has_value(), c.isCountingDown(), rig.overlay.isOpen(),
                             rig.log.count("Capture cancelled"), c.canRepeatArea()),
                  std::tuple(false, false, false, 1, false));
    }
}

TEST(CaptureController, ReportsFailuresWithRetryAndPermissionFailuresForgetTheWindows) {
    struct Case {
        Error error;
        QString message;
        std::string line;
        bool permission;
    };
    const Error declined = CaptureService::error(CaptureService::userDeclined, QStringLiteral("declined"));
    const Error grab = CaptureService::error(CaptureService::grabFailed, QStringLiteral("The grab failed."));
    const Case cases[] = {
        {toError(CaptureFailure::permissionRequired), message(CaptureFailure::permissionRequired),
         "Capture failed: Screen Recording permission required (Quorvane.CaptureFailure 0)", true},
        {declined, message(CaptureFailure::permissionRequired),
         "Capture failed: Screen Recording permission required (Quorvane.CaptureService -3801)", true},
        {grab, QStringLiteral("The grab failed."),
         "Capture failed: Quorvane.CaptureService 4 (The grab failed)", false},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.line);
        CaptureRig rig;
        CaptureController& c = *rig.controller;
        rig.service.content.windows = {test::window(7, QRectF(0, 0, 100, 100))};
        c.refreshTargets();
        ASSERT_TRUE(rig.settle());
        ASSERT_EQ(c.selectedWindowID(), 7u);
        open(rig, 10, 10);
        EditorDocument* document = c.document();

        rig.service.imageError = each.error;
        c.captureDisplay();
        ASSERT_TRUE(rig.settle());
        EXPECT_EQ(c.statusMessage(), unavailable);
        EXPECT_EQ(std::tuple(c.errorMessage(), c.errorIsRetryable(), rig.failed, c.document()),
                  std::tuple(std::optional(each.message), true, 1, document));
        EXPECT_TRUE(rig.logged(each.line));
        EXPECT_EQ(std::tuple(c.permissionGranted(), c.windows().empty(), c.selectedWindowID() == 0),
                  std::tuple(!each.permission, each.permission, each.permission));
    }
}

TEST_F(Capturing, AnErrorRaisedWhileCancelledIsACancellation) {
    // The listing is cancelled while it runs and then answers with an error.
    rig.service.targetsError = toError(CaptureFailure::permissionRequired);
    rig.service.beforeListing = [&](int, ShareableContent&) { c.cancel(); };
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(c.statusMessage(), cancelled);
    EXPECT_EQ(std::tuple(c.errorMessage().has_value(), c.permissionGranted(), rig.failed),
              std::tuple(false, true, 0));
}

TEST_F(Capturing, AServiceThatNeverAnswersFailsAndOneThatAnswersTwiceCountsOnce) {
    c.serviceTimeoutMs = 20;
    rig.service.holdTargets = true;
    c.captureDisplay();
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return !c.isBusy(); }, 100000));
    EXPECT_EQ(std::tuple(c.statusMessage(), c.errorMessage(), c.errorIsRetryable(), rig.failed),
              std::tuple(unavailable,
                         std::optional(QStringLiteral("The screen capture service did not answer.")), true,
                         1));
    // The answer that comes after all is dropped.
    rig.service.heldTargets.front()(rig.service.content);
    rig.turns();
    EXPECT_EQ(std::tuple(c.document(), rig.failed, rig.service.filters.size()),
              std::tuple(nullptr, 1, std::size_t(0)));

    rig.service.holdTargets = false;
    rig.service.answerTwice = true;
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    rig.turns();
    EXPECT_EQ(std::tuple(rig.captured, rig.service.filters.size()), std::tuple(1, std::size_t(1)));
}

TEST_F(Capturing, ClearingTheErrorClearsRetryBeforeEitherChangeIsAnnounced) {
    c.setErrorMessage(QStringLiteral("Failed"));
    c.setErrorIsRetryable(true);
    std::vector<std::pair<bool, bool>> seen;
    const auto record = [&] { seen.emplace_back(c.errorMessage().has_value(), c.errorIsRetryable()); };
    QObject::connect(&c, &CaptureController::errorMessageChanged, record);
    QObject::connect(&c, &CaptureController::errorIsRetryableChanged, record);
    c.setErrorMessage(std::nullopt);
    EXPECT_EQ(seen, (std::vector<std::pair<bool, bool>>{{false, false}, {false, false}}));
}

TEST_F(DocumentHandover, KeepsUnexportedWorkAsThePreviousDocumentOrAsks) {
    std::set<EditorDocument*> dirty;
    c.isDirty = [&](EditorDocument* d) { return dirty.count(d) > 0; };

    // A clean document is dropped; the previous one stays as it was.
    ASSERT_TRUE(open(rig, 10, 10));
    QPointer<EditorDocument> first = c.document();
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(c.previousDocument(), nullptr);
    rig.turns();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    // A dirty one is kept.
    QPointer<EditorDocument> second = c.document();
    dirty.insert(second);
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::pair(c.statusMessage(), c.previousDocument()),
              std::pair(QStringLiteral("Captured 800 × 600 pixels.") + kept, second.data()));

    // Both dirty and the user refuses: nothing changes, no onCaptured.
    QPointer<EditorDocument> third = c.document();
    dirty.insert(third);
    std::vector<EditorDocument*> asked;
    c.mayDiscardPrevious = [&](EditorDocument* previous, std::function<void(bool)> reply) {
        asked.push_back(previous);
        reply(false);
    };
    const int capturedBefore = rig.captured;
    c.captureDisplay();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(c.statusMessage(), refused);
    EXPECT_EQ(std::tuple(c.document(), c.previousDocument(), rig.captured, asked),
              std::tuple(third.data(), second.data(), capturedBefore, std::vector<EditorDocument*>{second}));
    EXPECT_TRUE(rig.logged("New image not opened: previous document has unexported changes"));

    // Restore twice returns to the first pair, without asking.
    asked.clear();
    c.restorePreviousDocument();
    EXPECT_EQ(std::tuple(c.document(), c.previousDocument(), c.statusMessage()),
              std::tuple(second.data(), third.data(), QStringLiteral("Restored previous document.")));
    c.restorePreviousDocument();
    EXPECT_EQ(std::tuple(c.document(), c.previousDocument(), asked.size()),
              std::tuple(third.data(), second.data(), std::size_t(0)));

    // Restore with a clean current document still keeps it.
    dirty.clear();
    c.restorePreviousDocument();
    EXPECT_EQ(c.previousDocument(), third.data());
}

TEST_F(DocumentHandover, OpensAndReopensImagesWithTheirStatuses) {
    c.setErrorMessage(QStringLiteral("Old"));
    ASSERT_TRUE(open(rig, 1200, 800, QStringLiteral("shot.png")));
    EXPECT_EQ(std::tuple(c.statusMessage(), c.errorMessage().has_value(), rig.reopened),
              std::tuple(QStringLiteral("Opened shot.png (1200 × 800 pixels)."), false, 1));
    ASSERT_TRUE(open(rig, 30, 20));
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Opened image (30 × 20 pixels)."));

    // Reopening keeps an error on show.
    c.setErrorMessage(QStringLiteral("Old"));
    c.isDirty = [](EditorDocument*) { return true; };
    std::optional<bool> reopened;
    c.reopenImage(test::gradientImage(5, 6), [&](bool value) { reopened = value; });
    EXPECT_EQ(std::tuple(reopened, c.statusMessage(), c.errorMessage()),
              std::tuple(std::optional(true), QStringLiteral("Reopened 5 × 6 pixels.") + kept,
                         std::optional(QStringLiteral("Old"))));

    // A partial scrolling capture without a reason: kept, no Retry.
    c.setErrorIsRetryable(true);
    c.isDirty = [](EditorDocument*) { return false; };
    c.openScrollingCapture(test::gradientImage(40, 900), 2, CaptureController::Stitching::stoppedEarly,
                           std::nullopt);
    EXPECT_EQ(
        std::tuple(c.statusMessage(), c.errorMessage(), c.errorIsRetryable(), c.document()->pixelScale()),
        std::tuple(QStringLiteral("Scrolling capture: 40 × 900 pixels."),
                   std::optional(QStringLiteral("Partial scrolling capture — stitching stopped early. The "
                                                "image so far is kept; you can save it.")),
                   false, 2.0));
    // A complete one after it takes the warning away.
    c.openScrollingCapture(test::gradientImage(40, 1200), 2, CaptureController::Stitching::complete, std::nullopt);
    EXPECT_EQ(std::tuple(c.statusMessage(), c.errorMessage(), c.document()->image().height()),
              std::tuple(QStringLiteral("Scrolling capture: 40 × 1200 pixels."), std::optional<QString>(), 1200));
}

TEST_F(DocumentHandover, OpenImageDuringACaptureOnlyForgetsTheCaptureFrame) {
    c.captureArea();
    ASSERT_TRUE(rig.pickerOpen());
    rig.overlay.finish(QRectF(10, 20, 30, 40));
    ASSERT_TRUE(rig.settle() && c.lastCaptureFrame());
    EditorDocument* document = c.document();

    rig.service.holdImages = true;
    c.captureDisplay();
    c.setErrorMessage(QStringLiteral("Old"));
    const QString status = c.statusMessage();
    EXPECT_FALSE(open(rig, 10, 10, QStringLiteral("a.png")));
    std::optional<bool> reopened;
    c.reopenImage(test::gradientImage(5, 5), [&](bool value) { reopened = value; });
    c.restorePreviousDocument();
    EXPECT_EQ(std::tuple(c.document(), c.statusMessage(), c.errorMessage(), reopened, c.lastCaptureFrame()),
              std::tuple(document, status, std::optional(QStringLiteral("Old")), std::optional(false),
                         std::optional<QRectF>()));
    c.cancel();
}

TEST_F(DocumentHandover, WhileTheUserIsAskedOtherImagesWaitOrAreRefused) {
    std::vector<std::function<void(bool)>> replies;
    bothDirtyAndAsking(rig, replies);
    const auto reply = [&](bool answer) { replies.front()(answer); };
    std::optional<bool> opened;
    c.openImage(test::gradientImage(12, 12), QStringLiteral("new.png"), [&](bool value) { opened = value; });
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_FALSE(opened);
    const QString status = c.statusMessage();
    EXPECT_FALSE(open(rig, 13, 13));
    c.restorePreviousDocument();
    c.requestPermission();
    c.captureDisplay();
    EXPECT_EQ(std::tuple(c.isBusy(), c.statusMessage(), c.document()->image().width()),
              std::tuple(false, status, 11));
    // A stitched capture is never dropped: it waits for the answer.
    c.openScrollingCapture(test::gradientImage(14, 14), 1, CaptureController::Stitching::complete,
                           std::nullopt);
    EXPECT_EQ(c.document()->image().width(), 11);

    c.mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> r) { r(true); };
    reply(true);
    reply(false); // a second reply is ignored
    EXPECT_EQ(opened, std::optional(true));
    EXPECT_EQ(std::tuple(c.document()->image().width(), c.previousDocument()->image().width()),
              std::tuple(14, 12));
}

TEST_F(DocumentHandover, ACaptureCancelledWhileWaitingBehindAStitchedImageTakesItsImageBack) {
    std::vector<std::function<void(bool)>> replies;
    bothDirtyAndAsking(rig, replies);
    const auto reply = [&](bool answer) { replies.front()(answer); };
    rig.service.holdImages = true;
    c.captureDisplay();
    ASSERT_TRUE(CaptureRig::turnUntil([&] { return !rig.service.heldImages.empty(); }));
    // A scrolling capture finishes and asks; the screenshot arrives and waits behind it.
    c.openScrollingCapture(test::gradientImage(14, 14), 1, CaptureController::Stitching::complete,
                           std::nullopt);
    ASSERT_EQ(replies.size(), 1u);
    rig.service.heldImages.front()(test::gradientImage(800, 600));
    rig.turns();
    ASSERT_TRUE(c.isBusy());
    c.cancel();
    EXPECT_EQ(c.statusMessage(), cancelled);
    reply(true);
    rig.turns();
    EXPECT_EQ(std::tuple(c.document()->image().width(), c.previousDocument()->image().width(), rig.captured),
              std::tuple(14, 11, 0));
}

TEST_F(DocumentHandover, AskedAgainWhenThePairChangedWhileTheUserWasAsked) {
    std::vector<std::function<void(bool)>> replies;
    bothDirtyAndAsking(rig, replies);
    c.openImage(test::gradientImage(12, 12), std::nullopt);
    ASSERT_EQ(replies.size(), 1u);
    // The previous document went away meanwhile: the refusal no longer applies.
    delete c.previousDocument();
    replies.front()(false);
    EXPECT_EQ(
        std::tuple(replies.size(), c.document()->image().width(), c.previousDocument()->image().width()),
        std::tuple(std::size_t(1), 12, 11));
}

TEST_F(Capturing, RequestsPermission) {
    rig.service.grantsAccess = false;
    c.setErrorIsRetryable(true);
    c.requestPermission();
    EXPECT_EQ(std::tuple(c.permissionGranted(), c.statusMessage(), c.errorMessage(), c.errorIsRetryable()),
              std::tuple(false, QStringLiteral("Screen Recording permission required."),
                         std::optional(message(CaptureFailure::permissionRequired)), true));
    rig.service.grantsAccess = true;
    c.requestPermission();
    EXPECT_EQ(std::tuple(c.permissionGranted(), c.statusMessage(), c.errorMessage().has_value()),
              std::tuple(true, QStringLiteral("Permission available. Retry capture."), false));
}

} // namespace
} // namespace quorvane
