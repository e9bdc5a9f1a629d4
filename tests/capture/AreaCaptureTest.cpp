#include "capture/CaptureController.h"
#include "capture/CaptureControllerRig.h"
#include "support/ImageCompare.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::CaptureRig;
using test::display;

const QString arrangement =
    QStringLiteral("Display arrangement or resolution changed. Select an area again.");
const QRectF picked(100, 200, 300, 50);

// The pixels a capture of `rect` on the rig's 1:1 display must hold.
QImage expectedPixels(const QRectF& rect) {
    return test::gradientImage(800, 600).copy(rect.toRect());
}

QSize documentSize(const CaptureController& c) {
    return c.document() ? c.document()->image().size() : QSize();
}

bool pick(CaptureRig& rig, const QRectF& rect) {
    if (!rig.pickerOpen()) return false;
    rig.overlay.finish(rect);
    return rig.settle();
}

TEST(AreaCapture, CapturesThePickedPixelsSavesTheAreaAndRepeatsItWithoutThePicker) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    c.oneShotNote = QStringLiteral("From a link");
    c.captureArea();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Preparing area capture…"));
    ASSERT_TRUE(rig.pickerOpen());
    EXPECT_EQ(std::pair(c.statusMessage(), c.ownedWindows()),
              std::pair(QStringLiteral("Drag to select an area. Press Escape to cancel."),
                        std::vector<QWidget*>{rig.overlay.window()}));
    ASSERT_TRUE(pick(rig, picked));
    ASSERT_NE(c.document(), nullptr);
    EXPECT_TRUE(test::imagesNear(c.document()->image(), expectedPixels(picked), 0));
    EXPECT_EQ(
        std::tuple(c.statusMessage(), c.canRepeatArea(), c.lastCaptureFrame(), c.ownedWindows().size()),
        std::tuple(QStringLiteral("Captured 300 × 50 pixels."), true, std::optional(picked), std::size_t(0)));

    // The service lists the same displays in another order: still the same topology.
    rig.service.content.displays.push_back(display(5, QRectF(800, 0, 400, 300)));
    c.captureArea();
    ASSERT_TRUE(pick(rig, QRectF(10, 10, 20, 20)));
    std::reverse(rig.service.content.displays.begin(), rig.service.content.displays.end());
    c.repeatArea();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Repeating area capture…"));
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(std::tuple(rig.overlay.isOpen(), documentSize(c), c.canRepeatArea(), rig.captured),
              std::tuple(false, QSize(20, 20), true, 3));
}

TEST(AreaCapture, ChangedDisplaysFailTheRepeatOrPickAndForgetTheArea) {
    struct Case {
        const char* name;
        std::function<void(ShareableContent&)> change;
        bool duringOCRPick = false;
    };
    const Case cases[] = {
        {"same frames, other pixel sizes",
         [](ShareableContent& content) {
             content.displays[0].pixelWidth *= 2;
             content.displays[0].pixelHeight *= 2;
         }},
        {"a display added",
         [](ShareableContent& content) { content.displays.push_back(display(9, QRectF(800, 0, 100, 100))); }},
        {"a frame wider by a hair",
         [](ShareableContent& content) { content.displays[0].frame.setWidth(800 + 1e-9); }},
        {"a pixel more while an OCR area is picked",
         [](ShareableContent& content) { content.displays[0].pixelWidth += 1; }, true},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.name);
        CaptureRig rig;
        CaptureController& c = *rig.controller;
        c.captureArea();
        ASSERT_TRUE(pick(rig, picked));
        EditorDocument* document = c.document();
        if (each.duringOCRPick) {
            rig.service.beforeListing = [&](int, ShareableContent& content) { each.change(content); };
            c.captureOCRArea();
            ASSERT_TRUE(pick(rig, picked));
        } else {
            each.change(rig.service.content);
            c.repeatArea();
            ASSERT_TRUE(rig.settle());
        }
        EXPECT_EQ(std::tuple(c.errorMessage(), c.canRepeatArea(), c.document(), c.statusMessage()),
                  std::tuple(std::optional(arrangement), false, document,
                             QStringLiteral("Capture unavailable. Previous image retained.")));
        EXPECT_TRUE(rig.ocrImages.empty());
        // Without a saved area a repeat does nothing at all.
        const auto statuses = rig.statuses.size();
        c.repeatArea();
        EXPECT_EQ(std::pair(c.isBusy(), rig.statuses.size()), std::pair(false, statuses));
    }
}

TEST(AreaCapture, EachUseEndsInItsOwnCallbackAndOnlyTheOrdinaryOneSavesTheArea) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    // Without a document there is nothing to add an overlay to.
    c.captureAreaAsOverlay();
    EXPECT_FALSE(c.isBusy());

    c.openImage(test::gradientImage(10, 10), std::nullopt);
    EditorDocument* document = c.document();
    c.captureOCRArea();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Preparing text recognition area…"));
    ASSERT_TRUE(pick(rig, picked));
    ASSERT_EQ(rig.ocrImages.size(), 1u);
    EXPECT_TRUE(test::imagesNear(rig.ocrImages[0], expectedPixels(picked), 0));
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Recognizing text in 300 × 50 pixels."));
    EXPECT_TRUE(rig.logged("Capture succeeded: 300x50 px, ocr true"));

    c.captureAreaAsOverlay();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Select an area to add to the image…"));
    ASSERT_TRUE(pick(rig, QRectF(0, 0, 40, 30)));
    ASSERT_EQ(rig.overlays.size(), 1u);
    EXPECT_EQ(std::tuple(rig.overlays[0].first.size(), rig.overlays[0].second, c.statusMessage()),
              std::tuple(QSize(40, 30), 1.0, QStringLiteral("Added 40 × 30 pixels to the image.")));

    c.captureScrollingArea();
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Select the area you will scroll…"));
    ASSERT_TRUE(pick(rig, QRectF(5, 6, 70, 80)));
    ASSERT_EQ(rig.scrollRegions.size(), 1u);
    EXPECT_EQ(rig.scrollRegions[0], std::tuple(QRectF(5, 6, 70, 80), DisplayID(1), 1.0));
    EXPECT_EQ(c.statusMessage(), QStringLiteral("Drag to select an area. Press Escape to cancel."));

    EXPECT_EQ(std::tuple(c.document(), c.canRepeatArea(), c.lastCaptureFrame(), rig.captured),
              std::tuple(document, false, std::optional<QRectF>(), 0));
}

TEST(AreaCapture, RefusalsAndPickerFailuresKeepTheirMessages) {
    CaptureRig rig;
    CaptureController& c = *rig.controller;
    // A refused replacement still saves the area.
    c.isDirty = [](EditorDocument*) { return true; };
    c.openImage(test::gradientImage(10, 10), std::nullopt);
    c.openImage(test::gradientImage(11, 11), std::nullopt);
    c.mayDiscardPrevious = [](EditorDocument*, std::function<void(bool)> reply) { reply(false); };
    c.captureArea();
    ASSERT_TRUE(pick(rig, picked));
    EXPECT_EQ(std::tuple(c.canRepeatArea(), documentSize(c), rig.captured),
              std::tuple(true, QSize(11, 11), 0));

    // A rectangle the frozen image cannot give.
    c.captureArea();
    ASSERT_TRUE(pick(rig, QRectF(700, 500, 300, 300)));
    EXPECT_EQ(c.errorMessage(),
              std::optional(QStringLiteral(
                  "The selected area no longer matches the captured display. Select an area again.")));

    // Escape: cancelled, the saved area stays.
    c.captureArea();
    ASSERT_TRUE(rig.pickerOpen());
    rig.overlay.finish(Failure{cancellationError()});
    ASSERT_TRUE(rig.settle());
    EXPECT_TRUE(c.canRepeatArea());

    // Someone else holds the picker.
    const auto other = rig.overlay.select(test::gradientImage(800, 600), QGuiApplication::primaryScreen(),
                                          CaptureGeometry{QRectF(0, 0, 800, 600), 1}, std::nullopt,
                                          AreaSelectionOverlay::Task::running, [](Result<QRectF, Error>) {});
    ASSERT_NE(other, 0u);
    c.captureArea();
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(c.errorMessage(), std::optional(QStringLiteral("An area selection is already open.")));
    EXPECT_TRUE(rig.logged("Capture failed: Quorvane.Area 1 (An area selection is already open)"));
    rig.overlay.finish(Failure{cancellationError()});
}

} // namespace
} // namespace quorvane
