// The views the delegate makes for the windows, with the actions they call back into the shell,
// and the image-composition items it hands to each window's menus.

#include "app/AppDelegate.h"

#include "app/DocumentCommands.h"
#include "app/OCRHandover.h"
#include "app/PinCommands.h"
#include "app/PreferencesShortcutTexts.h"
#include "app/Services.h"
#include "app/ShellMenus.h"
#include "app/WindowCoordinator.h"
#include "capture/CaptureController.h"
#include "editor_window/CompositionCommands.h"
#include "editor_window/CompositionMenus.h"
#include "editor_window/EditorView.h"
#include "editor_window/SymbolIcons.h"
#include "export/DragExporter.h"
#include "export/ExportController.h"
#include "panels/HomeView.h"
#include "panels/WindowIcons.h"
#include "panels/WindowPickerView.h"
#include "recognition/TextRecognizer.h"

#include <QPointer>

namespace quorvane {

EditorView* AppDelegate::makeEditorView() {
    // The same commands as the menu items, which commit text being typed first. A failed export
    // has said why in the status message.
    EditorActions actions{
        .copy = [this] { documentCommands_->copyImage(); },
        .save = [this] { documentCommands_->saveImage(); },
        .saveAs = [this] { documentCommands_->saveImageAs(); },
        .pin = [this] { pinCommands_->pinScreenshot(); },
        .resizeImage = [this] { documentCommands_->resizeImage(); },
        .editBackdrop = [this] { documentCommands_->editBackdrop(); },
        .recognizeText =
            OCRHandover::recognizer(*ocrController_, [this] { windows_->presentRecognizedText(); }),
        .recognizeForRedaction =
            [&recognizer = services_.textRecognizer()](const QImage& image,
                                                       RecognitionTask::Completion completion) {
                return recognizer.recognize(image, std::nullopt, std::move(completion));
            },
        .dragExporter = dragExporter_.get(),
    };
    QPointer<AppDelegate> self(this);
    auto importImage = [self](const QUrl& url) {
        if (AppDelegate* app = self) app->documentCommands_->importFile(url);
    };
    auto picker = [this](QWidget* parent) -> QDialog* {
        return new WindowPickerView(*captureController_, *windowIcons_, *icons_, parent);
    };
    return new EditorView(
        EditorView::Services{*captureController_, *exporter_, services_.clipboard(), services_.beeper(),
                             *icons_, services_.accessibilityOptions()},
        std::move(actions), std::move(importImage), ContextBarHosts::standIns(),
        [this](QWidget* parent) { return makeHomeView(parent); }, std::move(picker));
}

QWidget* AppDelegate::makeHomeView(QWidget* parent) {
    auto* home = new HomeView(*captureController_, *exporter_, *shortcutTexts_, *icons_, {}, parent);
    connect(home, &HomeView::settingsRequested, this,
            [this] { ShellMenus(*this).run(MenuCommand::showSettings); });
    connect(home, &HomeView::openImageRequested, this, [this] { documentCommands_->openImage(); });
    return home;
}

void AppDelegate::addCapturedOverlay(const QImage& image, double pixelScale) {
    compositionCommands_->addCapturedOverlay(image, pixelScale);
}

void AppDelegate::addCompositionMenus(QMenu& file, QMenu& edit, QMenuBar& menuBar) {
    compositionMenus_->addCompositionMenus(file, edit, menuBar);
}

std::optional<bool> AppDelegate::validateCompositionItem(const QAction& item) const {
    return compositionMenus_->validateCompositionItem(item);
}

} // namespace quorvane
