#include "editor_window/WindowStatusToast.h"

#include "editor_window/EditorView.h"
#include "editor_window/EditorViewRig.h"
#include "editor_window/StatusToastChoice.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using Kind = StatusToastChoice::Kind;

QStringList buttonTitles(const WindowStatusToast& toast) {
    QStringList titles;
    if (toast.toast() == nullptr) return titles;
    for (QPushButton* button : toast.toast()->findChildren<QPushButton*>())
        titles << button->text();
    return titles;
}

TEST(WindowStatusToast, ExportSymbolFollowsTheLowerCaseWordFailed) {
    test::CaptureRig rig;
    const std::vector<std::pair<QString, QString>> cases = {
        {QStringLiteral("Export failed: Apply or cancel Redact Text first."),
         QStringLiteral("exclamationmark.triangle.fill")},
        {QStringLiteral("Copied 40 × 30 image."), QStringLiteral("checkmark.circle.fill")},
        {QStringLiteral("Export Failed politely"), QStringLiteral("checkmark.circle.fill")},
    };
    for (const auto& [message, symbol] : cases) {
        const StatusToastChoice choice = StatusToastChoice::choose(*rig.controller, message);
        EXPECT_EQ(choice.kind, Kind::exportMessage);
        EXPECT_EQ(choice.symbol, symbol) << message.toStdString();
        EXPECT_FALSE(choice.persistent);
        EXPECT_FALSE(choice.showOnAppear);
    }
}

TEST(WindowStatusToast, NothingWhileACaptureRunsThenTheError) {
    test::EditorViewRig rig;
    CaptureController& c = *rig.capture.controller;
    rig.capture.service.holdImages = true;
    c.captureDisplay();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return !rig.capture.service.heldImages.empty(); }));
    ASSERT_TRUE(c.isBusy());
    c.setErrorMessage(QStringLiteral("Something broke"));
    EXPECT_EQ(rig.view->toast()->choice().kind, Kind::none);
    EXPECT_EQ(rig.view->toast()->toast(), nullptr);
    c.cancel();
    ASSERT_TRUE(rig.capture.settle());
    c.setErrorMessage(QStringLiteral("Something broke"));
    c.setErrorIsRetryable(false);
    EXPECT_EQ(rig.view->toast()->choice().kind, Kind::error);
    ASSERT_NE(rig.view->toast()->toast(), nullptr);
    EXPECT_TRUE(rig.view->toast()->toast()->capsuleVisible());
    EXPECT_EQ(rig.view->toast()->toast()->message(), QStringLiteral("Something broke"));
}

TEST(WindowStatusToast, RetryableErrorsOfferRetryThenDismiss) {
    test::EditorViewRig rig;
    CaptureController& c = *rig.capture.controller;
    c.setErrorMessage(QStringLiteral("Not now"));
    c.setErrorIsRetryable(false);
    EXPECT_EQ(buttonTitles(*rig.view->toast()), QStringList{QStringLiteral("Dismiss")});
    c.setErrorIsRetryable(true);
    EXPECT_EQ(buttonTitles(*rig.view->toast()),
              (QStringList{QStringLiteral("Retry"), QStringLiteral("Dismiss")}));
    rig.view->toast()->button(QStringLiteral("Retry"))->click();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_GE(rig.capture.service.listings, 1) << "Retry refreshes the capture targets";
}

TEST(WindowStatusToast, DismissDoesNotBringBackAnOlderExportMessage) {
    test::EditorViewRig rig;
    EditorDocument* document = rig.open();
    ASSERT_TRUE(rig.exports.controller->copyFinal(ExportController::Encoding::onGUIThread));
    const QString copied = rig.exports.controller->message();
    ASSERT_FALSE(copied.isEmpty());
    EXPECT_TRUE(rig.view->toast()->toast()->capsuleVisible());

    rig.capture.controller->setErrorMessage(QStringLiteral("Capture failed"));
    rig.capture.controller->setErrorIsRetryable(false);
    rig.view->toast()->button(QStringLiteral("Dismiss"))->click();
    rig.capture.turns();
    EXPECT_FALSE(rig.capture.controller->errorMessage());
    EXPECT_EQ(rig.view->toast()->choice().kind, Kind::exportMessage);
    EXPECT_FALSE(rig.view->toast()->toast()->capsuleVisible()) << "the older message stays hidden";

    QObject review;
    document->setTextRedactionReview(&review);
    EXPECT_FALSE(rig.exports.controller->copyFinal(ExportController::Encoding::onGUIThread));
    EXPECT_EQ(rig.exports.controller->message(),
              QStringLiteral("Export failed: Apply or cancel Redact Text first."));
    EXPECT_TRUE(rig.view->toast()->toast()->capsuleVisible()) << "the next change shows";
    document->setTextRedactionReview(nullptr);
}

TEST(WindowStatusToast, ASaveThatFailedWhileTheCaptureRanShowsOnceItEnds) {
    test::EditorViewRig rig;
    CaptureController& c = *rig.capture.controller;
    rig.exports.controller->saver = [](const QImage&, const QUrl&, ImageExporter::Format, double) {
        return Result<void, Error>(
            Failure{Error{QStringLiteral("POSIX"), 20, QStringLiteral("Not a directory.")}});
    };
    // As the shell does: the capture's own save runs before the capture is over.
    QObject::connect(&c, &CaptureController::captured, [&] {
        EXPECT_TRUE(rig.exports.controller->finishCapture(PostCaptureAction::saveToFolder));
    });
    c.captureDisplay();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_FALSE(c.isBusy());
    WindowStatusToast& toast = *rig.view->toast();
    EXPECT_EQ(toast.choice().kind, Kind::exportMessage);
    const ToastView* shown = toast.toast();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->message(), QStringLiteral("Export failed: Not a directory."));
    EXPECT_TRUE(shown->capsuleVisible());
}

// In the narrowest window, an error shows whole: wrapped, with its buttons below when they leave
// the text too little room, and whole as the tool tip when two lines cannot hold it.
TEST(WindowStatusToast, ErrorsShowWholeInTheNarrowestWindow) {
    test::EditorViewRig rig;
    rig.view->resize(284, 310);
    CaptureController& c = *rig.capture.controller;
    const QString sizeError = QStringLiteral("The capture dimensions exceed the 32-megapixel limit.");
    QString endless;
    for (int word = 0; word < 300; ++word)
        endless += QStringLiteral("word ");
    for (const auto& [message, retryable] :
         {std::pair(sizeError, false), std::pair(sizeError, true), std::pair(endless, true)}) {
        c.setErrorMessage(message);
        c.setErrorIsRetryable(retryable);
        rig.capture.turns();
        ToastView* toast = rig.view->toast()->toast();
        ASSERT_NE(toast, nullptr);
        const QRect placed = rig.view->toast()->geometry();
        EXPECT_GE(placed.left(), EditorView::toastSideMargin);
        EXPECT_LE(placed.right() + 1, rig.view->width() - EditorView::toastSideMargin);
        EXPECT_LE(toast->sizeHint().width(), placed.width()) << "nothing cut off at the right";
        QString shown = toast->shownText();
        shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QLabel* text = nullptr;
        for (const QLabel* label : toast->findChildren<QLabel*>())
            if (!label->text().isEmpty()) text = label;
        ASSERT_NE(text, nullptr);
        // Whole on the capsule, or else whole in its tool tip.
        if (shown == message)
            EXPECT_TRUE(text->toolTip().isEmpty());
        else
            EXPECT_EQ(text->toolTip(), message);
        // What is cut beside the buttons gets the whole width above them.
        QApplication::processEvents();
        const QPushButton* dismiss = rig.view->toast()->button(QStringLiteral("Dismiss"));
        ASSERT_NE(dismiss, nullptr);
        if (shown != message) {
            EXPECT_GE(dismiss->mapTo(toast, QPoint()).y(), text->mapTo(toast, QPoint()).y() + text->height());
        }
    }
}

TEST(WindowStatusToast, CountdownFollowsTheStatusAndCancelStopsTheCapture) {
    test::EditorViewRig rig;
    CaptureController& c = *rig.capture.controller;
    c.setCaptureDelay(3);
    c.captureDisplay();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return c.isCountingDown(); }));
    WindowStatusToast& toast = *rig.view->toast();
    EXPECT_EQ(toast.choice().kind, Kind::countdown);
    ASSERT_NE(toast.toast(), nullptr);
    EXPECT_TRUE(toast.toast()->capsuleVisible());
    EXPECT_EQ(toast.toast()->message(), c.statusMessage());
    const QString first = c.statusMessage();
    ASSERT_TRUE(rig.capture.wake());
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return c.statusMessage() != first; }));
    EXPECT_EQ(toast.toast()->message(), c.statusMessage());

    ASSERT_NE(toast.button(QStringLiteral("Cancel")), nullptr);
    toast.button(QStringLiteral("Cancel"))->click();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_FALSE(c.isBusy());
    EXPECT_EQ(c.statusMessage(), QString::fromLatin1(CaptureController::cancelledStatus));
    EXPECT_EQ(rig.capture.captured, 0);
}

} // namespace
} // namespace quorvane
