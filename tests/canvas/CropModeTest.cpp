#include "canvas/CropMode.h"

#include "CanvasTesting.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(CropMode, TogglingCommitsTextEndsTheOtherModesAndStartsClean) {
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    QStringList calls;
    settings.finishText = [&] { calls << (settings.modes().cropping() ? "commit in crop" : "commit"); };
    const auto* review = test::openSmartModes(settings, document);
    settings.startRecognizing();
    settings.modes().setSelection(QRectF(1, 2, 3, 4));

    CropMode(settings).toggle();
    EXPECT_TRUE(settings.modes().cropping());
    EXPECT_FALSE(settings.modes().recognizing() || settings.modes().selection() ||
                 settings.modes().textRedaction() || settings.modes().areaColors());
    EXPECT_TRUE(settings.modes().message().isEmpty());
    EXPECT_EQ(review->cancels, 1);
    EXPECT_EQ(document.textRedactionReview(), nullptr);
    EXPECT_EQ(*settings.lastAnnouncement(), "Crop mode. Press an arrow key to start a selection.");

    settings.modes().setSelection(QRectF(1, 2, 3, 4));
    settings.toggleCrop();
    EXPECT_FALSE(settings.modes().cropping() || settings.modes().selection());
    EXPECT_EQ(*settings.lastAnnouncement(), "Crop mode off");
    // The open text is committed before anything changes.
    EXPECT_EQ(calls, QStringList({"commit", "commit", "commit in crop"}));
}

TEST(CropMode, ApplyCropsToTheSelectionOrStaysOnAndSaysWhy) {
    const QString refusal = QStringLiteral("Select a non-empty area entirely inside the image.");
    const struct {
        const char* name;
        std::optional<QRectF> selection;
    } refused[] = {
        {"no selection", std::nullopt},
        {"past the right edge", QRectF(10, 10, 500, 10)},
        {"empty", QRectF(10, 10, 0, 10)},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.name);
        EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
        EditorCanvasSettings settings;
        settings.toggleCrop();
        settings.modes().setSelection(row.selection);
        const qint64 revision = document.revision();
        CropMode(settings).apply(document);
        EXPECT_TRUE(settings.modes().cropping());
        EXPECT_EQ(settings.modes().message(), refusal);
        EXPECT_EQ(document.revision(), revision);
    }

    // A fractional selection widens to whole pixels; the view fits the new image again.
    EditorDocument document(test::blueOverWhite(), std::nullopt, 1);
    EditorCanvasSettings settings;
    settings.toggleCrop();
    settings.viewport().setFit(false);
    settings.viewport().setPan(QPointF(5, 6));
    settings.modes().setSelection(QRectF(10.5, 10, 50, 20));
    settings.applyCrop(document);
    EXPECT_FALSE(settings.modes().cropping() || settings.modes().selection());
    EXPECT_TRUE(settings.viewport().fit());
    EXPECT_EQ(settings.viewport().pan(), QPointF());
    EXPECT_EQ(document.cropRect(), QRectF(10, 10, 51, 20));
    EXPECT_EQ(*settings.lastAnnouncement(), "Cropped to 51 by 20 pixels");
}

} // namespace
} // namespace quorvane
