// The shell's side of the floating panels: the thumbnail bound to its document, its guarded
// actions and export checks, Pin Screenshot and Close All Pins, and the home view's shortcut texts.

#include "app/PinCommands.h"
#include "app/PreferencesShortcutTexts.h"
#include "app/ThumbnailCommands.h"
#include "capture/CaptureControllerRig.h"
#include "editor_window/SymbolIcons.h"
#include "export/DragExporter.h"
#include "export/ExportTesting.h"
#include "panels/PinController.h"
#include "panels/PinPanel.h"
#include "panels/ThumbnailController.h"
#include "panels/ThumbnailPanel.h"
#include "platform/X11KeyboardLayout.h"
#include "support/LogLines.h"
#include "support/RefusingClipboard.h"
#include "support/TempDir.h"

namespace quorvane {
namespace {

struct PanelRig {
    test::CaptureRig capture;
    test::ExportFixture exports{false};
    test::RefusingClipboard refusing;
    Clipboard* clipboard = &exports.clipboard;
    std::unique_ptr<ExportController> exporter;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    AccessibilityOptions accessibility;
    // Its actions are the commands' below, as in the shell.
    ThumbnailController thumbnails{
        icons,
        exports.beeper,
        accessibility,
        {.copy = [this] { return thumbnailCommands->copy(); },
         .mayExport =
             [this](std::optional<ThumbnailAction> action) { return thumbnailCommands->mayExport(action); }}};
    PinController pins{exports.clipboard, exports.beeper, icons, accessibility};
    std::unique_ptr<ThumbnailCommands> thumbnailCommands;
    std::unique_ptr<PinCommands> pinCommands;
    test::LogLines log{"app"};

    explicit PanelRig(bool refusingClipboard = false) {
        if (refusingClipboard) clipboard = &refusing;
        exporter = std::make_unique<ExportController>([this] { return capture.controller->document(); },
                                                      exports.preferences, *clipboard, exports.beeper,
                                                      test::ExportFixture::refuseReopening);
        accessibility.setReduceMotion(true);
        thumbnailCommands =
            std::make_unique<ThumbnailCommands>(thumbnails, *capture.controller, *exporter, exports.beeper);
        pinCommands = std::make_unique<PinCommands>(pins, *capture.controller, *exporter, [] {});
        pins.screenOverride =
            PinController::Screens{{{QRectF(0, 0, 800, 600), QRectF(0, 0, 800, 600), 1}}, std::nullopt};
    }
    ~PanelRig() { pins.closeAll(); }
    CaptureController& model() { return *capture.controller; }
    EditorDocument* open(int width = 64, int height = 48) {
        model().openImage(test::gradientImage(width, height), QStringLiteral("shot"));
        EXPECT_TRUE(capture.settle());
        return model().document();
    }
    static void edit(EditorDocument& document) {
        document.addAnnotation(test::annotation(AnnotationKind::rectangle, QRectF(4, 4, 10, 10), Qt::green));
    }
};

TEST(ThumbnailCommands, TheThumbnailGoesWhenItsDocumentIsEditedOrReplaced) {
    PanelRig rig;
    EXPECT_FALSE(rig.thumbnailCommands->showThumbnail());
    EditorDocument* document = rig.open();
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    EXPECT_EQ(std::pair(rig.thumbnails.isShown(), rig.thumbnails.image().size()),
              std::pair(true, QSize(64, 48)));
    PanelRig::edit(*document);
    EXPECT_FALSE(rig.thumbnails.isShown());
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    rig.open(30, 20);
    EXPECT_FALSE(rig.thumbnails.isShown());
    // A quick action for a document that is no longer shown dismisses and beeps instead.
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    (void)rig.thumbnailCommands->showThumbnail();
    EXPECT_TRUE(rig.thumbnailCommands->matchesDocument());
    rig.model().openImage(test::gradientImage(8, 8), std::nullopt);
    ASSERT_TRUE(rig.capture.settle());
    const int beeps = rig.exports.beeper.beeps;
    EXPECT_FALSE(rig.thumbnails.actions.copy());
    EXPECT_EQ(rig.exports.beeper.beeps, beeps + 1);
}

TEST(ThumbnailCommands, CopiesThroughTheExporterAndBeepsOnceWhenItFails) {
    for (bool refusing : {false, true}) {
        SCOPED_TRACE(refusing);
        PanelRig rig(refusing);
        rig.open();
        ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
        rig.thumbnails.perform(ThumbnailAction::copy);
        EXPECT_EQ(rig.thumbnails.model().copied(), !refusing);
        EXPECT_EQ(rig.thumbnails.isShown(), true);
        // The exporter reports the failure; the thumbnail adds the one beep.
        EXPECT_EQ(rig.exports.beeper.beeps, refusing ? 1 : 0);
        if (!refusing)
            EXPECT_FALSE(rig.exporter->hasUnexportedChanges(rig.model().document()));
        else
            EXPECT_TRUE(rig.exporter->message().startsWith(QStringLiteral("Export failed")));
    }
}

TEST(ThumbnailCommands, WhileAnExportRunsOnlyCopyAndSaveAreRefused) {
    PanelRig rig;
    test::RenderLatch latch;
    rig.exporter->renderer = latch.renderer();
    rig.exporter->backgroundPixels = 1;
    rig.open();
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    ASSERT_TRUE(rig.exporter->copyFinal(ExportController::Encoding::mayUseWorker));
    ASSERT_EQ(rig.exporter->pendingExports(), 1);
    using Action = ThumbnailAction;
    EXPECT_EQ(std::vector<bool>({rig.thumbnailCommands->mayExport(Action::copy),
                                 rig.thumbnailCommands->mayExport(Action::save),
                                 rig.thumbnailCommands->mayExport(Action::pin),
                                 rig.thumbnailCommands->mayExport(std::nullopt)}),
              std::vector<bool>({false, false, true, true}));
    // Edit always opens the editor.
    int edits = 0;
    QObject::connect(rig.thumbnailCommands.get(), &ThumbnailCommands::editRequested, [&edits] { ++edits; });
    rig.thumbnails.perform(Action::edit);
    EXPECT_EQ(edits, 1);
    latch.open();
    ASSERT_TRUE(test::waitUntil([&] { return rig.exporter->pendingExports() == 0; }));
}

TEST(ThumbnailCommands, ADocumentEditedDuringADragOrABackgroundCopyLeavesNothingBehind) {
    PanelRig rig;
    test::TempDir folder;
    DragExporter files(QString::fromStdString(folder.path().string()));
    rig.thumbnails.dragExporter = &files;
    EditorDocument* document = rig.open();
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    // Edited while the file is being dragged: the card goes at once, and the drop changes nothing.
    rig.thumbnails.dragRunner = [&](QDrag&) {
        PanelRig::edit(*document);
        return Qt::CopyAction;
    };
    rig.thumbnails.beginDrag({10, 10}, rig.thumbnails.panel());
    EXPECT_EQ(
        std::tuple(rig.thumbnails.isShown(), rig.thumbnails.isDragging(), rig.thumbnails.timerPending()),
        std::tuple(false, false, false));
    // Replaced while a background copy runs: the copy still ends as the exporter reports it.
    test::RenderLatch latch;
    rig.exporter->renderer = latch.renderer();
    rig.exporter->backgroundPixels = 1;
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    rig.thumbnails.perform(ThumbnailAction::copy);
    EXPECT_TRUE(rig.thumbnails.model().copied());
    rig.open(30, 20);
    EXPECT_FALSE(rig.thumbnails.isShown());
    latch.open();
    ASSERT_TRUE(test::waitUntil([&] { return rig.exporter->pendingExports() == 0; }));
    EXPECT_FALSE(rig.thumbnails.isShown());
}

TEST(ThumbnailCommands, AnOpenRedactTextReviewRefusesWithOneBeepAndSaysWhy) {
    PanelRig rig;
    EditorDocument* document = rig.open();
    ASSERT_TRUE(rig.thumbnailCommands->showThumbnail());
    QObject review;
    document->setTextRedactionReview(&review);
    rig.thumbnails.perform(ThumbnailAction::save);
    EXPECT_EQ(std::tuple(rig.exports.beeper.beeps, rig.exporter->message(), rig.thumbnails.isShown()),
              std::tuple(1, QStringLiteral("Export failed: Apply or cancel Redact Text first."), true));
    document->setTextRedactionReview(nullptr);
}

TEST(PinCommands, PinsWhereTheAreaWasCapturedUnlessCroppedAndClosesAll) {
    PanelRig rig;
    rig.pinCommands->pinScreenshot();
    EXPECT_TRUE(rig.pins.panels().empty());
    rig.model().captureArea();
    ASSERT_TRUE(rig.capture.pickerOpen());
    rig.capture.overlay.finish(QRectF(100, 200, 300, 50));
    ASSERT_TRUE(rig.capture.settle());
    rig.pinCommands->pinScreenshot();
    ASSERT_EQ(rig.pins.panels().size(), 1u);
    EXPECT_EQ(rig.pins.panels()[0]->frame(), QRectF(100, 200, 300, 50));
    EXPECT_TRUE(rig.log.count("Pinned 300x50 px") > 0);
    // Cropped: the pin controller's own place, the screen's centre.
    ASSERT_TRUE(rig.model().document()->crop(QRectF(0, 0, 100, 50)));
    rig.pinCommands->pinScreenshot();
    ASSERT_EQ(rig.pins.panels().size(), 2u);
    EXPECT_EQ(rig.pins.panels()[1]->frame(), QRectF(350, 275, 100, 50));
    EXPECT_TRUE(rig.pinCommands->pinsOpen());
    // "Edit in Quorvane" reopens the pin's image as the document.
    rig.pins.panels()[0]->editImage();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_EQ(rig.model().document()->image().size(), QSize(300, 50));
    rig.pinCommands->closeAllPins();
    EXPECT_FALSE(rig.pinCommands->pinsOpen());
}

TEST(PreferencesShortcutTexts, HotKeysInLinuxFormAndNoneWhenRegistrationFailed) {
    test::ExportFixture exports{false};
    X11KeyboardLayout layout;
    PreferencesShortcutTexts texts(exports.preferences, layout, [](ShortcutTextSource::Command command) {
        return command == ShortcutTextSource::Command::openImage ? QKeySequence(QStringLiteral("Ctrl+O"))
                                                                 : QKeySequence(QStringLiteral("Ctrl+,"));
    });
    using Command = ShortcutTextSource::Command;
    EXPECT_EQ(texts.text(Command::captureArea), QStringLiteral("Ctrl+Alt+Super+4"));
    EXPECT_EQ(texts.text(Command::captureScreen), QStringLiteral("Ctrl+Alt+Super+3"));
    EXPECT_EQ(texts.text(Command::openImage), QStringLiteral("Ctrl+O"));
    EXPECT_EQ(texts.text(Command::showSettings), QStringLiteral("Ctrl+,"));
    int changed = 0;
    QObject::connect(&texts, &ShortcutTextSource::changed, [&changed] { ++changed; });
    exports.preferences.setHotKeyErrors({{HotKeyAction::captureArea, QStringLiteral("taken")}});
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(texts.text(Command::captureArea), std::nullopt);
}

} // namespace
} // namespace quorvane
