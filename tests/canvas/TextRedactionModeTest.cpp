#include "canvas/TextRedactionMode.h"

#include "CanvasTesting.h"
#include "RedactionTesting.h"
#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using C = TextRedactionController;
using State = C::State;

struct Pane {
    EditorDocument document{test::blueOverWhite(), std::nullopt, 1};
    EditorCanvasSettings settings;
    test::HeldRecognizer recognizer;

    C* review() const { return qobject_cast<C*>(settings.modes().textRedaction()); }
    void start() { settings.startTextRedaction(document, recognizer.function()); }
};

TEST(TextRedactionMode, OpeningReviewsTheImageOrTheSelection) {
    struct Case {
        std::optional<QRectF> crop;
        std::optional<QRectF> selection;
        QString tool;
        QString target;
        QSize imageSize;
        QPointF origin;
        QColor color;
    };
    const Case cases[] = {
        {{}, {}, "Arrow", "the image", QSize(200, 100), QPointF(0, 0), Qt::black},
        {QRectF(20, 10, 150, 80), QRectF(5, 6, 40, 30), "Redact", "the selection", QSize(40, 30),
         QPointF(25, 16), QColor()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        Pane p;
        if (c.crop) {
            ASSERT_TRUE(p.document.crop(*c.crop));
        }
        p.settings.choose(c.tool);
        p.settings.modes().setSelection(c.selection);
        p.settings.modes().setSelectedID(QUuid::createUuid());
        const QColor color = c.color.isValid() ? c.color : p.settings.style().color();
        p.start();
        ASSERT_NE(p.review(), nullptr);
        EXPECT_EQ(p.document.textRedactionReview(), p.review());
        EXPECT_EQ(p.review()->state(), State::recognizing);
        EXPECT_EQ(p.recognizer.images.at(0).size(), c.imageSize);
        EXPECT_EQ(p.review()->origin(), c.origin);
        EXPECT_EQ(p.review()->color(), color);
        EXPECT_EQ(p.review()->padding(), 2);
        EXPECT_FALSE(p.settings.modes().selection() || p.settings.modes().selectedID() ||
                     p.settings.modes().cropping());
        EXPECT_EQ(p.settings.modes().message(), "Finding text in " + c.target + "…");
        EXPECT_EQ(*p.settings.lastAnnouncement(),
                  "Redact text: finding text in " + c.target +
                      ". Click boxes to keep them visible, Return redacts, Escape cancels.");
    }
}

TEST(TextRedactionMode, AnImageThatCannotBeMadeOnlySaysWhy) {
    Pane p;
    p.start();
    p.settings.modes().setSelection(QRectF(190, 90, 50, 50));
    p.start();
    EXPECT_EQ(p.settings.modes().textRedaction(), nullptr);
    EXPECT_EQ(p.document.textRedactionReview(), nullptr); // the earlier review was closed first
    EXPECT_FALSE(p.settings.modes().message().isEmpty());
    EXPECT_EQ(p.recognizer.images.size(), 1u);
}

TEST(TextRedactionMode, ClosingWithoutApplying) {
    Pane p;
    p.start();
    p.settings.finishTextRedaction(true); // Return while recognising
    ASSERT_NE(p.review(), nullptr);

    p.settings.finishTextRedaction(false);
    EXPECT_EQ(p.settings.modes().textRedaction(), nullptr);
    EXPECT_EQ(p.document.textRedactionReview(), nullptr);
    EXPECT_TRUE(p.recognizer.tasks[0]->isCancelled());
    EXPECT_EQ(p.settings.modes().message(), "");
    EXPECT_EQ(*p.settings.lastAnnouncement(), "Redact text closed without changes");

    // Nothing found: Return closes too.
    p.start();
    p.recognizer.deliver(RecognitionResult{});
    p.settings.finishTextRedaction(true);
    EXPECT_EQ(p.settings.modes().textRedaction(), nullptr);
    EXPECT_EQ(*p.settings.lastAnnouncement(), "Redact text closed without changes");
}

TEST(TextRedactionMode, ApplyingSaysHowManyBoxesItCovered) {
    struct Case {
        int kept;
        QString message;
        QString announcement;
    };
    const Case cases[] = {
        {0, "Redacted 3 text boxes. Undo removes them together.", "Redacted 3 text boxes"},
        {2, "Redacted 1 text box. Undo removes them together.", "Redacted 1 text box"},
    };
    for (const Case& c : cases) {
        Pane p;
        p.start();
        p.recognizer.deliver(test::threeWords());
        for (int i = 0; i < c.kept; ++i)
            p.review()->toggle(QPointF(15 + 40 * i, 15));
        p.settings.finishTextRedaction(true);
        EXPECT_EQ(p.settings.modes().message(), c.message);
        EXPECT_EQ(*p.settings.lastAnnouncement(), c.announcement);
        EXPECT_EQ(p.settings.modes().textRedaction(), nullptr);
        EXPECT_EQ(p.document.textRedactionReview(), nullptr);
        EXPECT_EQ(p.document.annotations().size(), std::size_t(3 - c.kept));
        EXPECT_EQ(p.document.undoManager().undoActionName(), "Redact Text");
    }
}

TEST(TextRedactionMode, ApplyingNothingOrAfterAnEditKeepsTheDocument) {
    Pane p;
    p.document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(1, 1, 5, 5)));
    p.start();
    p.recognizer.deliver(test::threeWords());
    p.review()->setAll(false);
    p.settings.finishTextRedaction(true);
    EXPECT_EQ(p.settings.modes().message(), "Select at least one box, or press Esc.");
    ASSERT_NE(p.review(), nullptr);

    // An undo while the boxes are shown fails the review; Return then closes it unchanged.
    p.review()->setAll(true);
    ASSERT_TRUE(p.document.undoManager().undo());
    EXPECT_EQ(p.review()->state(), State::failed);
    p.settings.finishTextRedaction(true);
    EXPECT_EQ(p.settings.modes().textRedaction(), nullptr);
    EXPECT_TRUE(p.document.annotations().empty());
    EXPECT_FALSE(p.document.undoManager().canUndo());
    EXPECT_EQ(*p.settings.lastAnnouncement(), "Redact text closed without changes");
}

TEST(TextRedactionMode, ASecondReviewDropsTheFirstResult) {
    test::LogLines log{"ocr"};
    Pane p;
    p.start();
    C* first = p.review();
    p.start();
    C* second = p.review();
    ASSERT_NE(first, second);
    EXPECT_TRUE(p.recognizer.tasks[0]->isCancelled());
    EXPECT_EQ(p.document.textRedactionReview(), second);
    p.recognizer.deliver(test::threeWords(), 0);
    EXPECT_EQ(log.count(test::droppedRedaction), 1);
    EXPECT_EQ(second->state(), State::recognizing);
    EXPECT_TRUE(second->candidates().empty());
}

} // namespace
} // namespace quorvane
