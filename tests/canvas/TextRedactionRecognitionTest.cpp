#include "canvas/EditorCanvasSettings.h"
#include "canvas/TextRedactionController.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/PageDrawer.h"
#include "support/TextImages.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Redact Text over `document` with the installed recogniser, in review once its reading ended;
// null when it did not end in review.
TextRedactionController* reviewOf(EditorCanvasSettings& settings, EditorDocument& document) {
    // Kept for the process: a review may read again, and the engines outlive the test's objects.
    static auto* const recognizer = new TextRecognizer(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), {QStringLiteral("en-US")}, 1);
    settings.startTextRedaction(document, [](const QImage& image, RecognitionTask::Completion done) {
        return recognizer->recognize(image, std::nullopt, std::move(done));
    });
    auto* review = qobject_cast<TextRedactionController*>(settings.modes().textRedaction());
    if (review == nullptr) return nullptr;
    test::waitUntil([&] { return review->state() != TextRedactionController::State::recognizing; }, 60000);
    EXPECT_EQ(review->state(), TextRedactionController::State::reviewing) << review->failure().toStdString();
    return review->state() == TextRedactionController::State::reviewing ? review : nullptr;
}

// The real recogniser on a rendered line, with a crop and a selection: one word kept, the others
// covered; every pixel of a covered box is the redaction colour and the kept box is untouched.
TEST(TextRedactionRecognition, RedactsRecognisedWordsExceptTheKeptOne) {
    QImage source = test::whiteImage(420, 120);
    test::drawText(source, QStringLiteral("Harbor Violet Tundra"), QPoint(40, 40), 28);
    EditorDocument document(source, std::nullopt, 1);
    ASSERT_TRUE(document.crop(QRectF(10, 10, 400, 100)));
    EditorCanvasSettings settings;
    settings.modes().setSelection(QRectF(10, 10, 380, 80));
    auto* review = reviewOf(settings, document);
    ASSERT_NE(review, nullptr);
    ASSERT_EQ(review->candidates().size(), 3u);
    EXPECT_EQ(review->candidates()[1].text, "Violet");

    const TextRedactionController::Candidate kept = review->candidates()[1];
    const QRectF keptBox = review->effectiveBox(kept);
    ASSERT_TRUE(review->toggle(kept.rect.center()));
    settings.finishTextRedaction(true);
    EXPECT_EQ(settings.modes().message(), "Redacted 2 text boxes. Undo removes them together.");

    const auto rendered = document.render();
    ASSERT_TRUE(rendered);
    const QPoint crop(10, 10);
    ASSERT_EQ(document.annotations().size(), 2u);
    for (const Annotation& a : document.annotations()) {
        ASSERT_TRUE(geom::contains(document.cropRect(), a.rect));
        EXPECT_FALSE(a.rect.intersects(keptBox.adjusted(1, 1, -1, -1)));
        for (int y = int(a.rect.top()); y < int(a.rect.bottom()); ++y)
            for (int x = int(a.rect.left()); x < int(a.rect.right()); ++x)
                ASSERT_EQ(rendered->pixelColor(QPoint(x, y) - crop), QColor(Qt::black)) << x << "," << y;
    }
    for (int y = int(keptBox.top()); y < int(keptBox.bottom()); ++y)
        for (int x = int(keptBox.left()); x < int(keptBox.right()); ++x)
            ASSERT_EQ(rendered->pixel(QPoint(x, y) - crop), source.pixel(x, y)) << x << "," << y;
}

// Words under a Highlight, as the Highlight tool draws it, are found and covered whole: a word
// left visible on the tint would be a word the user believes redacted. Also with the Highlight
// dragged close round the letters and made half transparent.
TEST(TextRedactionRecognition, CoversEveryWordUnderAHighlight) {
    struct Case {
        int size, spacing;
        // From the ink of "quick" and the line, and from the left of "brown".
        int left, above, right, below;
        std::optional<double> opacity; // the tool's own when unset
    };
    const Case cases[] = {{48, 86, 14, 24, 44, 24, std::nullopt}, {24, 43, 1, 1, 16, 1, 0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " px");
        test::PageDrawer page(QStringLiteral("highlighted"), QSizeF(800, 400), 1, Qt::white);
        const QStringList lines = {"The quick brown fox jumps", "over the lazy dog and",
                                   "keeps running far away"};
        for (int i = 0; i < lines.size(); ++i)
            page.text({30, 40.0 + i * c.spacing}, lines[i], {qreal(c.size), Qt::black}, 1, 1);
        const auto& first = page.truth().lines[0];
        const QRect quick = first.words[1].ink, brown = first.words[2].ink;
        EditorDocument document(page.image().convertToFormat(QImage::Format_RGBA8888_Premultiplied),
                                std::nullopt, 1);
        EditorCanvasSettings settings;
        // The Highlight tool's own annotation, dragged over "quick b".
        settings.style().switchTool(QStringLiteral("Highlight"));
        auto highlight =
            settings.toolAnnotation(AnnotationKind::highlight,
                                    QRectF(QPointF(quick.left() - c.left, first.ink().top() - c.above),
                                           QPointF(brown.left() + c.right, first.ink().bottom() + c.below)),
                                    document);
        ASSERT_TRUE(highlight);
        if (c.opacity) highlight->opacity = *c.opacity;
        document.addAnnotation(*highlight);
        settings.style().switchTool(QStringLiteral("Redact"));

        ASSERT_NE(reviewOf(settings, document), nullptr);
        settings.finishTextRedaction(true);
        for (const auto& line : page.truth().lines)
            for (const auto& word : line.words) {
                const bool covered = std::any_of(
                    document.annotations().begin(), document.annotations().end(), [&](const Annotation& a) {
                        return a.kind == AnnotationKind::redact && a.rect.contains(QRectF(word.ink));
                    });
                EXPECT_TRUE(covered) << word.text.toStdString() << " is left visible";
            }
    }
}

} // namespace
} // namespace quorvane
