#include "app/AppDelegate.h"

#include "app/AboutPanel.h"
#include "app/AppMenus.h"
#include "app/CaptureCommands.h"
#include "app/DiscardQuestion.h"
#include "app/DocumentCommands.h"
#include "app/EditorWindow.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyDispatch.h"
#include "app/OCRController.h"
#include "app/OCRHandover.h"
#include "app/Preferences.h"
#include "app/QuitCoordinator.h"
#include "app/RecognizedTextWindow.h"
#include "app/Services.h"
#include "app/ShortcutFormatter.h"
#include "app/StatusItem.h"
#include "app/Subscription.h"
#include "app/TextFieldCommands.h"
#include "app/ThumbnailStandIn.h"
#include "app/WindowCoordinator.h"
#include "canvas/CanvasActionRouter.h"
#include "capture/CaptureController.h"
#include "capture/CaptureService.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "editor_window/CompositionCommands.h"
#include "editor_window/CompositionMenus.h"
#include "editor_window/EditorView.h"
#include "editor_window/SymbolIcons.h"
#include "export/DragExporter.h"
#include "export/ExportController.h"
#include "export/ImageImporter.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "platform/TesseractLanguageData.h"
#include "recognition/TextRecognizer.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

namespace quorvane {

namespace {

// The canvas's own command behind an Edit menu item, if it has one.
std::optional<CanvasEditCommands::Action> canvasAction(MenuCommand command) {
    switch (command) {
    case MenuCommand::undo:
        return CanvasEditCommands::Action::undo;
    case MenuCommand::redo:
        return CanvasEditCommands::Action::redo;
    case MenuCommand::copy:
        return CanvasEditCommands::Action::copy;
    case MenuCommand::duplicate:
        return CanvasEditCommands::Action::duplicate;
    case MenuCommand::deleteSelection:
        return CanvasEditCommands::Action::deleteSelection;
    case MenuCommand::redactText:
        return CanvasEditCommands::Action::redactText;
    default:
        return std::nullopt;
    }
}

// A text field outside the canvas that has the keyboard in the active window: it does the Edit
// commands itself (the canvas's own text editor goes through the canvas).
QWidget* focusedTextField() {
    const QWidget* window = QApplication::activeWindow();
    if (CanvasActionRouter::focusedCanvas(window) != nullptr) return nullptr;
    return TextFieldCommands::focusedField(window);
}

} // namespace

AppDelegate::AppDelegate(Services& services, QObject* parent)
    : QObject(parent), services_(services), captureController_(std::make_unique<CaptureController>(
                                                services.captureService(), services.areaPicker())),
      ocrController_(std::make_unique<OCRController>(
          services.clipboard(), TesseractLanguageData::installedTags(TesseractLanguageData::defaultFolder()),
          OCRController::recognizerOf(services.textRecognizer()))),
      icons_(std::make_unique<SymbolIcons>()),
      windows_(std::make_unique<WindowCoordinator>(*captureController_, *ocrController_,
                                                    services.accessibilityOptions())),
      hotKeyCenter_(std::make_unique<HotKeyCenter>(services.hotKeyGrabber())),
      thumbnails_(std::make_unique<ThumbnailStandIn>()),
      dragExporter_(std::make_unique<DragExporter>(DragExporter::defaultDirectory())) {}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::mayExportDocument() const {
    const EditorDocument* document = captureController_->document();
    return document != nullptr && !captureController_->isBusy() && document->textRedactionReview() == nullptr;
}

void AppDelegate::presentEditor(bool) {
    windows_->presentEditor();
}

EditorView* AppDelegate::makeEditorView() {
    EditorActions actions;
    // Committing text being typed is the canvas's, through its action router.
    actions.copy = [this] { exporter_->copyFinal(true); };
    actions.save = [this] { exporter_->saveToFolder(true, true); };
    actions.saveAs = [this] { exporter_->saveAs(windows_->editorWindow()); };
    actions.pin = [this] { captureCommands_->pinScreenshot(); };
    actions.recognizeText =
        OCRHandover::recognizer(*ocrController_, [this] { windows_->presentRecognizedText(); });
    actions.recognizeForRedaction = [&recognizer = services_.textRecognizer()](
                                        const QImage& image, RecognitionTask::Completion completion) {
        return recognizer.recognize(image, std::nullopt, std::move(completion));
    };
    actions.dragExporter = dragExporter_.get();
    QPointer<AppDelegate> self(this);
    auto importImage = [self](const QUrl& url) {
        if (!self) return;
        auto image = ImageImporter::image(url);
        if (image)
            self->documentCommands_->importImage(*image, url.fileName());
        else
            self->documentCommands_->reportImport(image.error(), url);
    };
    return new EditorView(EditorView::Services{*captureController_, *exporter_, services_.clipboard(),
                                               services_.beeper(), *icons_, services_.accessibilityOptions()},
                          std::move(actions), std::move(importImage));
}

void AppDelegate::terminateBySignal() {
    quitCoordinator_->terminateBySignal();
}

void AppDelegate::applicationDidFinishLaunching() {
    Q_ASSERT(QThread::currentThread() == thread());
    // 1. Files an earlier run left for drags.
    dragExporter_->removeAll();
    // 2.
    Log::app().log("Launched");
    // 3.
    configureMenus();
    // 4.–5.
    wireExports();
    wireCaptures();
    // 6.–8.
    wireHotKeys();
    // 15.–18.
    subscribe();
    // 19.
    presentEditor();
    // 20.
    didFinishLaunching_ = true;
}

void AppDelegate::wireExports() {
    exporter_ = std::make_unique<ExportController>(
        [controller = QPointer<CaptureController>(captureController_.get())]() -> EditorDocument* {
            return controller ? controller->document() : nullptr;
        },
        services_.preferences(), services_.clipboard(), services_.beeper());
    exporter_->onSaved = [this] { windows_->hideEditor(); };
    exporter_->onReopen = [this](const QImage& image) {
        // The answer may come later, after a question; only an answer given now counts here.
        auto opened = std::make_shared<bool>(false);
        captureController_->reopenImage(image, [opened](bool done) { *opened = done; });
        return *opened;
    };
    captureCommands_ = std::make_unique<CaptureCommands>(*captureController_, *exporter_,
                                                         services_.preferences(), services_.announcer());
    captureCommands_->presentEditor = [this] { presentEditor(); };
    captureCommands_->editorVisible = [this] { return windows_->visibleEditor() != nullptr; };
    captureCommands_->hideEditor = [this] { windows_->hideEditor(); };
    captureCommands_->showThumbnail = [this] { thumbnails_->show(); };
    discardQuestion_ = std::make_unique<DiscardQuestion>();
    quitCoordinator_ = std::make_unique<QuitCoordinator>(*captureController_, *exporter_, *discardQuestion_);
    quitCoordinator_->visibleEditor = [this] { return windows_->visibleEditor(); };
    // The desktop's logout: unexported edits hold it back while the question is asked.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        const bool dirty = exporter_->hasUnexportedChanges(captureController_->document()) ||
                           exporter_->hasUnexportedChanges(captureController_->previousDocument());
        if (dirty && manager.allowsInteraction()) manager.cancel();
        quitCoordinator_->requestQuit();
    });
    windows_->makeEditorView = [this] { return makeEditorView(); };
    documentCommands_ = std::make_unique<DocumentCommands>(*captureController_, *exporter_, *quitCoordinator_,
                                                           services_.clipboard(), services_.beeper());
    documentCommands_->editorWindow = [this] { return windows_->editorWindow(); };
    documentCommands_->presentEditor = [this] { presentEditor(); };
    connect(captureCommands_.get(), &CaptureCommands::statusToolTipChanged, statusItem_.get(),
            &StatusItem::setToolTip);
    connect(exporter_.get(), &ExportController::lastURLChanged, menus_.get(), &AppMenus::validate);
    connect(exporter_.get(), &ExportController::pendingExportsChanged, menus_.get(), &AppMenus::validate);
}

void AppDelegate::wireCaptures() {
    CaptureController& captures = *captureController_;
    captures.onCaptured = [this] { captureCommands_->handleCapture(); };
    captures.onReopened = [this] { presentEditor(); };
    captures.onFailed = [this] { presentEditor(); };
    captures.isDirty = [this](EditorDocument* document) { return exporter_->hasUnexportedChanges(document); };
    captures.mayDiscardPrevious = [this](EditorDocument* document, std::function<void(bool)> reply) {
        if (captureCommands_->oneShotFromLink) {
            // A link never asks: the replacement is refused.
            Log::app().error("URL command rejected: {}", "unexportedChanges");
            services_.beeper().beep();
            reply(false);
            return;
        }
        quitCoordinator_->mayDiscardChanges({document}, QStringLiteral("Replacing the previous document"),
                                            std::move(reply));
    };
    // The editor shows in display and area captures as it is on screen.
    captures.includedWindowIDs = [this] { return windows_->includedWindowIDs(); };
    // A text-recognition area capture shows its text as the editor's Recognize does.
    OCRHandover::connectCapture(captures, *ocrController_, [this] { windows_->presentRecognizedText(); });
}

void AppDelegate::wireHotKeys() {
    hotKeyDispatch_ = std::make_unique<HotKeyDispatch>(*hotKeyCenter_, services_.preferences(),
                                                       *captureController_, *captureCommands_);
    hotKeyCenter_->onTrigger = [this](HotKeyAction action) {
        // Busy while the discard question is open: nothing re-enters it.
        if (!quitCoordinator_->isDeciding() && !discardQuestion_->isOpen())
            hotKeyDispatch_->handleHotKey(action);
    };
    connect(hotKeyDispatch_.get(), &HotKeyDispatch::registered, this, &AppDelegate::showHotKeysInMenu);
    Preferences& preferences = services_.preferences();
    // The current value registers the stored hot keys at start.
    hotKeyChange_ = Subscription::subscribe<Preferences, void (Preferences::*)(), Preferences::HotKeys>(
        this, &preferences, &Preferences::hotKeysChanged, [&preferences] { return preferences.hotKeys(); },
        [this](const Preferences::HotKeys& keys) { hotKeyDispatch_->reregister(keys); });
    // A permission granted meanwhile reaches the editor; keys that failed are tried again.
    connect(windows_.get(), &WindowCoordinator::becameActive, this, [this] {
        if (!captureController_->isBusy() && services_.captureService().preflightAccess())
            captureController_->setPermissionGranted(true);
        const Preferences& preferences = services_.preferences();
        if (!preferences.hotKeyErrors().empty()) hotKeyDispatch_->reregister(preferences.hotKeys());
    });
}

void AppDelegate::subscribe() {
    CaptureController& captures = *captureController_;
    // 15. A capture that starts dismisses the thumbnail.
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), bool>(
        this, &captures, &CaptureController::busyChanged, [&captures] { return captures.isBusy(); },
        [this](const bool& busy) {
            if (busy) thumbnails_->dismiss();
        });
    // 16.–17. The editor follows its document, and the permission panel while there is none.
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), QPointer<EditorDocument>>(
        this, &captures, &CaptureController::documentChanged,
        [&captures] { return QPointer<EditorDocument>(captures.document()); },
        [this](const QPointer<EditorDocument>&) { windows_->fitEditor(EditorWindowLayout::Motion::animated); },
        Subscription::First::drop);
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), bool>(
        this, &captures, &CaptureController::permissionGrantedChanged,
        [&captures] { return captures.permissionGranted(); },
        [this](const bool&) {
            QTimer::singleShot(0, this, [this] {
                if (captureController_->document() == nullptr)
                    windows_->fitEditor(EditorWindowLayout::Motion::animated);
            });
        },
        Subscription::First::drop);
    // 18. A link's one-shot choices apply to one capture only.
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), bool>(
        this, &captures, &CaptureController::busyChanged, [&captures] { return captures.isBusy(); },
        [this](const bool& busy) {
            if (busy) return;
            captureCommands_->oneShotThen.reset();
            captureCommands_->oneShotFromLink = false;
        },
        Subscription::First::drop);
}

void AppDelegate::configureMenus() {
    MenuState state;
    CaptureController* captures = captureController_.get();
    state.busy = [captures] { return captures->isBusy(); };
    state.exportable = [this] { return mayExportDocument(); };
    state.canRepeatArea = [captures] { return captures->canRepeatArea(); };
    state.hasDocument = [captures] { return captures->document() != nullptr; };
    state.canvasTakes = [](MenuCommand command) {
        const auto action = canvasAction(command);
        return action && CanvasActionRouter::isEnabled(QApplication::activeWindow(), *action);
    };
    state.textFieldTakes = [](MenuCommand command) -> std::optional<bool> {
        QWidget* field = focusedTextField();
        return field != nullptr ? TextFieldCommands::takes(field, command) : std::nullopt;
    };
    state.hasPreviousDocument = [captures] { return captures->previousDocument() != nullptr; };
    state.hasLastExport = [this] { return exporter_ != nullptr && !exporter_->lastURL().isEmpty(); };
    state.clipboardHasImage = [this] {
        const QMimeData* data = services_.clipboard().read();
        return data != nullptr && ImageImporter::canRead(*data);
    };
    menus_ = std::make_unique<AppMenus>(std::move(state),
                                        [this](MenuCommand command) { runMenuCommand(command); });
    statusItem_ = std::make_unique<StatusItem>(*menus_->statusMenu());
    for (auto signal :
         {&CaptureController::busyChanged, &CaptureController::documentChanged,
          &CaptureController::previousDocumentChanged, &CaptureController::canRepeatAreaChanged})
        connect(captures, signal, menus_.get(), &AppMenus::validate);
    CompositionCommands::Context composition{*captureController_, services_.clipboard(), services_.beeper()};
    composition.editorWindow = [this] { return static_cast<QWidget*>(windows_->editorWindow()); };
    composition.presentEditor = [this] { presentEditor(); };
    composition.mayExportDocument = [this] { return mayExportDocument(); };
    composition.exportBeforeAfterGIF = [this] { exporter_->exportBeforeAfterGIF(windows_->editorWindow()); };
    composition.sheets = [this] { return documentCommands_->sheets(); };
    composition.clipboardChanges = QGuiApplication::clipboard();
    compositionCommands_ = std::make_unique<CompositionCommands>(std::move(composition));
    compositionMenus_ = std::make_unique<CompositionMenus>(*compositionCommands_,
                                                           [] { return QApplication::activeWindow(); });
    // Each window of ours gets the menu bar, so that Ctrl+Q, Ctrl+, and the rest work in it.
    windows_->windowCreated = [this](QWidget* window) {
        QMenuBar* bar = nullptr;
        if (auto* editor = qobject_cast<EditorWindow*>(window)) bar = editor->menuBar();
        if (auto* text = qobject_cast<RecognizedTextWindow*>(window)) bar = text->menuBar();
        if (bar == nullptr) return;
        const AppMenus::WindowMenus made = menus_->fill(*bar);
        addCompositionMenus(*made.file, *made.edit, *bar);
    };
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

void AppDelegate::showHotKeysInMenu() {
    const Preferences& preferences = services_.preferences();
    std::map<HotKeyAction, QString> keys;
    for (const auto& [action, binding] : preferences.hotKeys())
        keys[action] = ShortcutFormatter::text(binding, services_.keyboardLayout());
    menus_->showHotKeys(keys, preferences.hotKeyErrors());
}

void AppDelegate::runMenuCommand(MenuCommand command) {
    if (QWidget* field = focusedTextField(); field != nullptr && TextFieldCommands::perform(field, command))
        return;
    CaptureCommands& captures = *captureCommands_;
    DocumentCommands& documents = *documentCommands_;
    switch (command) {
    case MenuCommand::quit:
        quitCoordinator_->requestQuit();
        break;
    case MenuCommand::showEditor:
        presentEditor();
        break;
    case MenuCommand::showRecognizedText:
        windows_->presentRecognizedText();
        break;
    case MenuCommand::hideQuorvane:
        windows_->hideAll();
        break;
    case MenuCommand::captureScreen:
        captures.captureScreen();
        break;
    case MenuCommand::chooseWindow:
        captures.chooseWindow();
        break;
    case MenuCommand::captureArea:
        captures.captureArea();
        break;
    case MenuCommand::repeatArea:
        captures.repeatArea();
        break;
    case MenuCommand::scrollingCapture:
        captures.scrollingCapture();
        break;
    case MenuCommand::recognizeTextInArea:
        captures.recognizeTextInArea();
        break;
    case MenuCommand::pinScreenshot:
        captures.pinScreenshot();
        break;
    case MenuCommand::saveImage:
        documents.saveImage();
        break;
    case MenuCommand::saveImageAs:
        documents.saveImageAs();
        break;
    case MenuCommand::chooseSaveFolder:
        documents.chooseSaveFolder();
        break;
    case MenuCommand::openImage:
        documents.openImage();
        break;
    case MenuCommand::reopenLastExport:
        documents.reopenLastExport();
        break;
    case MenuCommand::restorePreviousDocument:
        documents.restorePreviousDocument();
        break;
    case MenuCommand::resizeImage:
        documents.resizeImage();
        break;
    case MenuCommand::editBackdrop:
        documents.editBackdrop();
        break;
    case MenuCommand::paste:
        documents.paste();
        break;
    case MenuCommand::closeWindow:
        if (QWidget* window = QApplication::activeWindow()) window->close();
        break;
    case MenuCommand::minimize:
        if (QWidget* window = QApplication::activeWindow()) window->showMinimized();
        break;
    case MenuCommand::zoom:
        if (QWidget* window = QApplication::activeWindow())
            window->isMaximized() ? window->showNormal() : window->showMaximized();
        break;
    case MenuCommand::bringAllToFront:
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible()) window->raise();
        break;
    case MenuCommand::about:
        about_.show();
        break;
    // Stand-ins until their parts arrive: the settings window, diagnostics, launch at login, pins;
    // and Select All outside a text field (the canvas has no whole-document selection).
    case MenuCommand::showSettings:
    case MenuCommand::exportDiagnostics:
    case MenuCommand::toggleLaunchAtLogin:
    case MenuCommand::closeAllPins:
    case MenuCommand::selectAll:
        break;
    case MenuCommand::undo:
    case MenuCommand::redo:
    case MenuCommand::copy:
    case MenuCommand::duplicate:
    case MenuCommand::deleteSelection:
    case MenuCommand::redactText:
        CanvasActionRouter::trigger(QApplication::activeWindow(), *canvasAction(command));
        break;
    }
}

void AppDelegate::applicationWillTerminate() {
    dragExporter_->removeAll();
    // Ends a running capture and closes an open area picker.
    captureController_->cancel();
    ocrController_->cancel();
    QObject::disconnect(hotKeyChange_);
    hotKeyCenter_->unregisterAll();
}

} // namespace quorvane
