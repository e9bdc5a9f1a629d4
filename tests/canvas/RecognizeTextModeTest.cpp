#include "canvas/RecognizeTextMode.h"

#include "CanvasTesting.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using K = AnnotationKind;

TEST(RecognizeTextMode, StartingEndsCropAndTheSmartModesAndGivesTheInstruction) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    const auto* review = test::openSmartModes(settings, document);
    settings.toggleCrop();
    settings.modes().setSelection(QRectF(1, 1, 5, 5));

    RecognizeTextMode(settings).start();
    EXPECT_EQ(review->cancels, 1);
    EXPECT_FALSE(settings.modes().textRedaction() || settings.modes().areaColors() ||
                 settings.modes().cropping() || settings.modes().selection());
    EXPECT_EQ(document.textRedactionReview(), nullptr);
    EXPECT_TRUE(settings.modes().recognizing());
    EXPECT_EQ(settings.modes().message(),
              "Drag over the text to recognize, or press Return for the whole image.");
    EXPECT_EQ(*settings.lastAnnouncement(),
              "Recognize text: drag over an area, or press Return for the whole image");

    // Crop mode ends recognition in turn.
    settings.toggleCrop();
    EXPECT_TRUE(settings.modes().cropping());
    EXPECT_FALSE(settings.modes().recognizing());
}

TEST(RecognizeTextMode, FinishingDeliversTheRenderedImageOrSelectionOnce) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    document.addAnnotation(test::annotation(K::redact, QRectF(0, 0, 10, 10), Qt::green));
    EditorCanvasSettings settings;

    // Without a recogniser the mode stays on.
    settings.startRecognizing();
    settings.finishRecognizing(document);
    EXPECT_TRUE(settings.modes().recognizing());

    QStringList delivered;
    settings.recognizeHandler = [&](const QImage& picture, const QString& source) {
        delivered << QStringLiteral("%1 %2x%3").arg(source).arg(picture.width()).arg(picture.height());
        EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::green)); // annotations are rendered
    };
    settings.finishRecognizing(document);
    settings.finishRecognizing(document); // no longer in the mode: nothing
    settings.startRecognizing();
    settings.modes().setSelection(QRectF(0, 0, 20, 30));
    settings.finishRecognizing(document);
    EXPECT_EQ(delivered, QStringList({"Editor image 200x100", "Editor selection 20x30"}));
    EXPECT_FALSE(settings.modes().recognizing() || settings.modes().selection());

    // A refused selection goes to the status, the recogniser hears nothing, and the mode ends.
    settings.startRecognizing();
    settings.modes().setSelection(QRectF(190, 0, 11, 10));
    settings.finishRecognizing(document);
    EXPECT_EQ(delivered.size(), 2);
    EXPECT_EQ(settings.modes().message(), "Select a non-empty area entirely inside the image.");
    EXPECT_FALSE(settings.modes().recognizing());
}

TEST(RecognizeTextMode, OnlySelectionsEntirelyInsideTheImageAreCut) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    const struct {
        const char* name;
        QRectF selection;
        bool cut;
    } rows[] = {
        {"whole image", QRectF(0, 0, 200, 100), true},
        {"bottom-right corner", QRectF(190, 90, 10, 10), true},
        {"one pixel past the right edge", QRectF(190, 0, 11, 10), false},
        {"one pixel above the top", QRectF(0, -1, 10, 10), false},
        {"empty", QRectF(5, 5, 0, 10), false},
        {"off whole pixels", QRectF(10.5, 10, 5, 5), false},
        {"outside", QRectF(300, 300, 5, 5), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = RecognizeTextMode::image(document, row.selection);
        ASSERT_EQ(result.ok(), row.cut);
        if (row.cut) {
            EXPECT_EQ(result->source, "Editor selection");
            EXPECT_EQ(result->image.size(), row.selection.size().toSize());
            // Top rows are blue and bottom rows white: the cut is not flipped.
            EXPECT_EQ(result->image.pixelColor(0, 0),
                      QColor(row.selection.top() < 50 ? Qt::blue : Qt::white));
        } else {
            EXPECT_EQ(result.error().domain, "Quorvane.OCR");
            EXPECT_EQ(result.error().code, 1);
            EXPECT_EQ(result.error().message, "Select a non-empty area entirely inside the image.");
        }
    }
}

} // namespace
} // namespace quorvane
