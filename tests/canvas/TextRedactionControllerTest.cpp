#include "canvas/TextRedactionController.h"

#include "CanvasTesting.h"
#include "RedactionTesting.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace quorvane {
namespace {

using C = TextRedactionController;
using State = C::State;
using test::HeldRecognizer;
using test::line;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct Review {
    EditorDocument document{test::blueOverWhite(), std::nullopt, 1};
    HeldRecognizer recognizer;
    std::unique_ptr<C> review;

    explicit Review(QPointF origin = {}, double padding = 0, std::optional<QRectF> crop = {}) {
        if (crop) {
            EXPECT_TRUE(document.crop(*crop));
        }
        review = std::make_unique<C>(document, QImage(10, 10, QImage::Format_RGBA8888), origin, Qt::black,
                                     padding, recognizer.function());
    }
    void show(const RecognitionResult& result) { recognizer.deliver(result); }
};

std::vector<int> ids(const C& review) {
    std::vector<int> out;
    for (const auto& c : review.candidates())
        out.push_back(c.id);
    return out;
}

TEST(TextRedactionController, CandidatesFollowLinesWordsAndCodesInOrder) {
    const RecognizedCode code{"payload", "QR", QRectF(150, 40, 30, 30)};
    struct Case {
        const char* name;
        RecognitionResult result;
        C::Granularity granularity;
        std::vector<int> ids;
        std::vector<QString> texts;
    };
    const Case cases[] = {
        {"three words", test::threeWords(), C::Granularity::words, {0, 1, 2}, {"alpha", "beta", "gamma"}},
        {"one line", test::threeWords(), C::Granularity::lines, {0}, {"alpha beta gamma"}},
        {"line without words",
         {{line("lone", QRectF(5, 5, 20, 8))}, {}},
         C::Granularity::words,
         {0},
         {"lone"}},
        {"code after the lines",
         {{line("one", QRectF(0, 0, 10, 5)), line("two", QRectF(0, 10, 10, 5))}, {code}},
         C::Granularity::lines,
         {0, 1, 2},
         {"one", "two", "QR code"}},
        {"degenerate boxes leave gaps",
         {{line("a b c d", QRectF(0, 0, 90, 9),
                {{"a", QRectF(0, 0, 0, 9)},
                 {"b", QRectF(20, 0, 10, 9)},
                 {"c", QRectF(nan, 0, 10, 9)},
                 {"d", QRectF(60, 0, std::numeric_limits<double>::infinity(), 9)}}),
           line("e", QRectF(70, 20, -10, -5))},
          {}},
         C::Granularity::words,
         {1, 4},
         {"b", "e"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Review r;
        r.review->setGranularity(c.granularity);
        r.show(c.result);
        EXPECT_EQ(r.review->state(), State::reviewing);
        EXPECT_EQ(ids(*r.review), c.ids);
        std::vector<QString> texts;
        for (const auto& candidate : r.review->candidates()) {
            texts.push_back(candidate.text);
            EXPECT_TRUE(candidate.included);
            EXPECT_GT(candidate.rect.width(), 0); // standardised
        }
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(TextRedactionController, BoxesAreOffsetByTheOriginAndGranularityIncludesEverythingAgain) {
    Review r(QPointF(7, 3));
    r.show(test::threeWords());
    EXPECT_TRUE(geom::exactlyEqual(r.review->candidates()[0].rect, QRectF(17, 13, 30, 10)));

    int changes = 0;
    QObject::connect(r.review.get(), &C::changed, [&] { ++changes; });
    r.review->toggle(QPointF(20, 15));
    EXPECT_EQ(r.review->includedCount(), 2);
    r.review->setGranularity(C::Granularity::words); // unchanged: nothing happens
    EXPECT_EQ(r.review->includedCount(), 2);
    EXPECT_EQ(changes, 1);
    r.review->setGranularity(C::Granularity::lines);
    r.review->setGranularity(C::Granularity::words);
    EXPECT_EQ(r.review->includedCount(), 3);
}

TEST(TextRedactionController, AClickTogglesTheSmallestBoxUnderIt) {
    // The crop leaves out the image's right part: boxes there cannot be clicked.
    Review r({}, 2, QRectF(0, 0, 150, 100));
    const RecognizedCode big{"x", "QR", QRectF(0, 0, 100, 60)};
    r.show(
        {{line("w", QRectF(10, 10, 20, 20), {{"w", QRectF(10, 10, 20, 20)}, {"v", QRectF(10, 10, 20, 20)}}),
          line("edge", QRectF(140, 70, 30, 10))},
         {big}});
    struct Case {
        QPointF at;
        std::optional<int> toggled;
    };
    const Case cases[] = {
        {{15, 15}, 0},    // inside the code and two equal words: the earlier word
        {{50, 50}, 3},    // only the code
        {{9, 9}, 0},      // the padding, outside the word's rect
        {{160, 75}, {}},  // the part of a box outside the crop
        {{140.5, 75}, 2}, // the part inside it
        {{120, 90}, {}},  // nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at.x());
        const auto flipped = r.review->toggleCandidate(c.at);
        ASSERT_EQ(flipped.has_value(), c.toggled.has_value());
        if (flipped) {
            EXPECT_EQ(flipped->id, *c.toggled);
            EXPECT_FALSE(flipped->included);
            r.review->toggleCandidate(c.at); // back
        }
    }
}

TEST(TextRedactionController, TogglingDoesNothingUnlessReviewing) {
    Review recognizing;
    EXPECT_FALSE(recognizing.review->toggle(QPointF(15, 15)));

    Review failed;
    failed.recognizer.deliver(Failure{RecognitionFailure::failed(Error{"Quorvane.OCR", 7, "Broken."})});
    EXPECT_EQ(failed.review->state(), State::failed);
    EXPECT_EQ(failed.review->failure(), "Could not read text: Broken.");
    EXPECT_FALSE(failed.review->toggle(QPointF(15, 15)));
}

TEST(TextRedactionController, StartPaddingIsTheNearestChoice) {
    const std::pair<double, double> cases[] = {{1, 2}, {1.5, 2}, {2, 4}, {2.5, 4}, {0, 0}, {10, 12}};
    for (const auto& [scale, padding] : cases)
        EXPECT_EQ(C::startPadding(scale), padding) << scale;
}

TEST(TextRedactionController, ApplyCoversEveryIncludedBoxInOneUndoStep) {
    Review r({}, 1.5);
    r.show(test::threeWords());
    EXPECT_EQ(r.review->apply(), 3);
    ASSERT_EQ(r.document.annotations().size(), 3u);
    const Annotation& a = r.document.annotations()[0];
    EXPECT_EQ(a.kind, AnnotationKind::redact);
    EXPECT_TRUE(geom::exactlyEqual(a.rect, QRectF(8, 8, 34, 14))); // padded, whole pixels
    EXPECT_EQ(r.document.undoManager().undoActionName(), "Redact Text");
    // The review's own annotations never fail it.
    EXPECT_EQ(r.review->state(), State::reviewing);

    // Every pixel of each box is the opaque redaction colour.
    const auto image = r.document.render();
    ASSERT_TRUE(image);
    for (const Annotation& box : r.document.annotations())
        for (int y = int(box.rect.top()); y < int(box.rect.bottom()); ++y)
            for (int x = int(box.rect.left()); x < int(box.rect.right()); ++x)
                ASSERT_EQ(image->pixelColor(x, y), QColor(Qt::black)) << x << "," << y;

    ASSERT_TRUE(r.document.undoManager().undo());
    EXPECT_TRUE(r.document.annotations().empty());
}

TEST(TextRedactionController, ApplyRefusesWhenNothingIsLeftOrTheDocumentMoved) {
    Review none;
    none.show(test::threeWords());
    none.review->setAll(false);
    EXPECT_EQ(none.review->includedCount(), 0);
    EXPECT_EQ(none.review->apply(), 0);

    // Boxes outside the crop are never redacted, not even in part.
    Review outside;
    outside.show({{line("far", QRectF(500, 500, 20, 10)), line("near", QRectF(190, 90, 20, 20))}, {}});
    EXPECT_EQ(outside.review->apply(), 1);
    EXPECT_TRUE(geom::exactlyEqual(outside.document.annotations().at(0).rect, QRectF(190, 90, 10, 10)));

    // An edit while the boxes are shown fails the review; nothing is added afterwards.
    Review edited;
    edited.show(test::threeWords());
    edited.document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(1, 1, 5, 5)));
    EXPECT_EQ(edited.review->state(), State::failed);
    EXPECT_EQ(edited.review->failure(), "The image changed. Run Redact Text again.");
    EXPECT_TRUE(edited.review->candidates().empty());
    EXPECT_EQ(edited.review->apply(), 0);
}

TEST(TextRedactionController, OutcomesDuringRecognition) {
    test::LogLines log{"ocr"};
    // An edit during recognition fails the review; the late result is dropped.
    Review edited;
    edited.document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(1, 1, 5, 5)));
    EXPECT_EQ(edited.review->failure(), "The image changed. Run Redact Text again.");
    EXPECT_TRUE(edited.recognizer.tasks[0]->isCancelled());
    edited.show(test::threeWords());
    EXPECT_EQ(edited.review->state(), State::failed);
    EXPECT_EQ(log.count(test::droppedRedaction), 1);

    Review cancelled;
    cancelled.recognizer.deliver(Failure{RecognitionFailure::cancellation()});
    EXPECT_EQ(cancelled.review->failure(), "Text recognition was cancelled.");

    // A result for a review already gone only logs.
    Review gone;
    gone.review.reset();
    EXPECT_TRUE(gone.recognizer.tasks[0]->isCancelled());
    gone.show(test::threeWords());
    EXPECT_EQ(log.count(test::droppedRedaction), 2);
}

TEST(TextRedactionController, ThousandsOfOverlappingAndBrokenBoxesStayInsideTheCrop) {
    Review r({}, 12);
    RecognitionResult result;
    for (int i = 0; i < 3000; ++i) {
        const double v = i % 7 == 0 ? nan : i * 0.37;
        result.lines.push_back(
            line("x", QRectF(std::fmod(v, 230) - 20, std::fmod(v * 3, 130) - 20, i % 40, i % 9)));
    }
    r.show(result);
    const int added = r.review->apply();
    EXPECT_GT(added, 0);
    for (const Annotation& a : r.document.annotations())
        ASSERT_TRUE(geom::contains(r.document.cropRect(), a.rect)) << a.rect.x() << "," << a.rect.y();
}

TEST(TextRedactionController, PreviewDrawsIncludedBoxesFilledAndKeptOnesOutlined) {
    Review r;
    r.show(test::threeWords());
    r.review->toggle(QPointF(55, 15)); // keep "beta"
    QImage canvas(200, 100, QImage::Format_RGBA8888);
    for (bool contrast : {false, true}) {
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        r.review->drawPreview(painter, HighContrastStyle{contrast}, [](const QRectF& box) { return box; });
        painter.end();
        const int fill = qRound(255 * (1 - (contrast ? 0.9 : 0.72)));
        EXPECT_NEAR(canvas.pixelColor(25, 15).red(), fill, 2) << contrast;
        EXPECT_EQ(canvas.pixelColor(65, 15), QColor(Qt::white)) << contrast; // kept: no fill
    }
}

TEST(TextRedactionController, AClosedDocumentFailsTheReviewWithoutACrash) {
    HeldRecognizer recognizer;
    auto* document = new EditorDocument(test::blueOverWhite(), std::nullopt, 1);
    C review(*document, QImage(10, 10, QImage::Format_RGBA8888), {}, Qt::black, 2, recognizer.function());
    delete document;
    EXPECT_EQ(review.document(), nullptr);
    EXPECT_EQ(review.state(), State::failed);
    recognizer.deliver(test::threeWords());
    EXPECT_EQ(review.apply(), 0);
    EXPECT_FALSE(review.toggle(QPointF(15, 15)));
}

} // namespace
} // namespace quorvane
