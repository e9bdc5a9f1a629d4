#include "app/AppDelegate.h"

#include "app/AppMenus.h"
#include "app/CaptureCommands.h"
#include "app/DiscardQuestion.h"
#include "app/DocumentCommands.h"
#include "app/DropZones.h"
#include "app/EditorWindow.h"
#include "app/HotKeyCenter.h"
#include "app/HotKeyRecording.h"
#include "app/HotKeyRegistration.h"
#include "app/MenuBarKeyboardStyle.h"
#include "app/OCRController.h"
#include "app/OCRHandover.h"
#include "app/PinCommands.h"
#include "app/Preferences.h"
#include "app/PreferencesShortcutTexts.h"
#include "app/QuitCoordinator.h"
#include "app/RecognizedTextWindow.h"
#include "app/ScrollingCommands.h"
#include "app/ScrollingSystem.h"
#include "app/Services.h"
#include "app/SettingsCommands.h"
#include "app/SettingsWindow.h"
#include "app/ShellLinkTarget.h"
#include "app/ShellMenus.h"
#include "app/ShortcutFormatter.h"
#include "app/StatusItem.h"
#include "app/Subscription.h"
#include "app/TextFieldPaste.h"
#include "app/ThumbnailCommands.h"
#include "app/URLCommandHandler.h"
#include "app/WindowCoordinator.h"
#include "capture/CaptureController.h"
#include "capture/CaptureService.h"
#include "core/AccessibilityOptions.h"
#include "core/ButtonReturnKey.h"
#include "core/Log.h"
#include "document/EditorDocument.h"
#include "editor_window/CompositionCommands.h"
#include "editor_window/CompositionMenus.h"
#include "editor_window/EditorView.h"
#include "editor_window/KeyboardFocusStyle.h"
#include "editor_window/SymbolIcons.h"
#include "export/DragExporter.h"
#include "export/ExportController.h"
#include "export/ImageImporter.h"
#include "panels/HomeView.h"
#include "panels/PinController.h"
#include "panels/ThumbnailController.h"
#include "panels/WindowIcons.h"
#include "panels/WindowPickerView.h"
#include "platform/Beeper.h"
#include "platform/Clipboard.h"
#include "platform/InputHold.h"
#include "platform/TesseractLanguageData.h"
#include "recognition/TextRecognizer.h"
#include "scrolling/ScrollingCaptureController.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QPointer>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

namespace quorvane {

AppDelegate::AppDelegate(Services& services, QObject* parent)
    : QObject(parent), services_(services),
      captureController_(std::make_unique<CaptureController>(services.captureService(), services.areaPicker(),
                                                             captureQuestions())),
      ocrController_(std::make_unique<OCRController>(
          services.clipboard(), TesseractLanguageData::installedTags(TesseractLanguageData::defaultFolder()),
          OCRController::recognizerOf(services.textRecognizer()))),
      icons_(std::make_unique<SymbolIcons>()),
      windows_(std::make_unique<WindowCoordinator>(*captureController_, *ocrController_,
                                                   services.accessibilityOptions(),
                                                   [this] { return makeEditorView(); })),
      hotKeyCenter_(std::make_unique<HotKeyCenter>(services.hotKeyGrabber())),
      thumbnails_(std::make_unique<ThumbnailController>(
          *icons_, services.beeper(), services.accessibilityOptions(),
          ThumbnailController::Actions{.copy = [this] { return thumbnailCommands_->copy(); },
                                       .mayExport =
                                           [this](std::optional<ThumbnailAction> action) {
                                               return thumbnailCommands_->mayExport(action);
                                           }})),
      pins_(std::make_unique<PinController>(services.clipboard(), services.beeper(), *icons_,
                                            services.accessibilityOptions())),
      dragExporter_(std::make_unique<DragExporter>(DragExporter::defaultDirectory())),
      settings_(std::make_unique<SettingsCommands>(services, *captureController_, *windows_, *icons_)),
      linkHandler_(std::make_unique<URLCommandHandler>(services.beeper())) {}

AppDelegate::~AppDelegate() = default;

bool AppDelegate::mayExportDocument() const {
    const EditorDocument* document = captureController_->document();
    return document != nullptr && !captureController_->isBusy() && document->textRedactionReview() == nullptr;
}

bool AppDelegate::isCaptureInProgress() const {
    return captureController_->isBusy() || (scrollingCommands_ && scrollingCommands_->inProgress());
}

void AppDelegate::presentEditor() {
    windows_->presentEditor();
}

void AppDelegate::terminateBySignal() {
    quitCoordinator_->terminateBySignal();
}

void AppDelegate::start() {
    Q_ASSERT(QThread::currentThread() == thread());
    // Files an earlier run left for drags.
    dragExporter_->removeAll();
    Log::app().log("Launched");
    KeyboardFocusStyle::install(services_.accessibilityOptions());
    ButtonReturnKey::install();
    configureMenus();
    wireExports();
    wireCaptures();
    wireHotKeys();
    wirePanels();
    wireScrolling();
    followCaptures();
    presentEditor();
    acceptLinks();
}

void AppDelegate::acceptLinks() {
    // Links that waited for start-up are handled on the next turn.
    started_ = true;
    linkTarget_ = std::make_unique<ShellLinkTarget>(*captureController_, *captureCommands_, *quitCoordinator_,
                                                    *discardQuestion_, *documentCommands_);
    // A later start or a forwarded file never puts the editor over an open area picker.
    connect(linkTarget_.get(), &ShellLinkTarget::editorRequested, windows_.get(), &WindowCoordinator::reopen);
    connect(linkTarget_.get(), &ShellLinkTarget::settingsRequested, this,
            [this] { ShellMenus(*this).run(MenuCommand::showSettings); });
    linkHandler_->launchFinished(*linkTarget_);
}

void AppDelegate::wireExports() {
    exporter_ = std::make_unique<ExportController>(
        [controller = QPointer<CaptureController>(captureController_.get())]() -> EditorDocument* {
            const CaptureController* captures = controller;
            return captures != nullptr ? captures->document() : nullptr;
        },
        services_.preferences(), services_.clipboard(), services_.beeper(),
        [this](const QImage& image) {
            // The answer may come later, after a question; only an answer given now counts here.
            auto opened = std::make_shared<bool>(false);
            captureController_->reopenImage(image, [opened](bool done) { *opened = done; });
            return *opened;
        });
    connect(exporter_.get(), &ExportController::hideEditorRequested, windows_.get(),
            &WindowCoordinator::hideEditor);
    // While a scrolling capture runs only its own hot key acts.
    captureCommands_ = std::make_unique<CaptureCommands>(
        *captureController_, *exporter_, services_.preferences(), services_.announcer(),
        [this] { return scrollingCommands_ != nullptr && scrollingCommands_->inProgress(); });
    connect(captureCommands_.get(), &CaptureCommands::editorRequested, this, &AppDelegate::presentEditor);
    connect(captureCommands_.get(), &CaptureCommands::thumbnailRequested, this, [this] {
        if (!thumbnailCommands_->showThumbnail()) presentEditor();
    });
    connect(captureCommands_.get(), &CaptureCommands::pinRequested, this,
            [this] { pinCommands_->pinScreenshot(); });
    discardQuestion_ = std::make_unique<DiscardQuestion>();
    quitCoordinator_ = std::make_unique<QuitCoordinator>(
        *captureController_, *exporter_, *discardQuestion_,
        QuitCoordinator::Hooks{.commitEditing = [this] { windows_->commitTextEditing(); },
                               .visibleEditor = [this] { return windows_->visibleEditor(); },
                               .canAsk = [] { return QGuiApplication::primaryScreen() != nullptr; }});
    // The desktop's logout: unexported edits hold it back while the question is asked.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        const bool dirty = exporter_->hasUnexportedChanges(captureController_->document()) ||
                           exporter_->hasUnexportedChanges(captureController_->previousDocument());
        if (dirty && manager.allowsInteraction()) manager.cancel();
        quitCoordinator_->requestQuit();
    });
    connect(settings_.get(), &SettingsCommands::folderChoiceRequested, exporter_.get(),
            &ExportController::chooseFolder);
    documentCommands_ = std::make_unique<DocumentCommands>(
        *captureController_, *exporter_, *quitCoordinator_, services_.clipboard(), services_.beeper(),
        services_.inputHold(),
        DocumentCommands::Hooks{.editorWindow = [this] { return windows_->editorWindow(); },
                                .commitEditing = [this] { windows_->commitTextEditing(); }});
    textFieldPaste_ =
        std::make_unique<TextFieldPaste>(services_.clipboard(), services_.inputHold(), services_.beeper());
    textFieldPaste_->watchApplication();
    dropZones_ = std::make_unique<DropZones>(services_.dropTarget(), *textFieldPaste_, services_.inputHold());
    connect(documentCommands_.get(), &DocumentCommands::editorRequested, this, &AppDelegate::presentEditor);
    connect(captureCommands_.get(), &CaptureCommands::statusToolTipChanged, statusItem_.get(),
            &StatusItem::setToolTip);
    connect(exporter_.get(), &ExportController::lastURLChanged, menus_.get(), &AppMenus::validate);
    connect(exporter_.get(), &ExportController::pendingExportsChanged, menus_.get(), &AppMenus::validate);
}

void AppDelegate::wireCaptures() {
    CaptureController& captures = *captureController_;
    connect(&captures, &CaptureController::captured, captureCommands_.get(), &CaptureCommands::handleCapture);
    connect(&captures, &CaptureController::reopened, this, &AppDelegate::presentEditor);
    connect(&captures, &CaptureController::failed, this, &AppDelegate::presentEditor);
    // A text-recognition area capture shows its text as the editor's Recognize does.
    OCRHandover::connectCapture(captures, *ocrController_, [this] { windows_->presentRecognizedText(); });
}

CaptureController::Questions AppDelegate::captureQuestions() {
    return {
        .commitEditing = [this] { windows_->commitTextEditing(); },
        .isDirty = [this](EditorDocument* document) { return exporter_->hasUnexportedChanges(document); },
        .mayDiscardPrevious =
            [this](EditorDocument* document, std::function<void(bool)> reply) {
                if (captureCommands_->oneShotFromLink) {
                    // A link never asks: the replacement is refused.
                    Log::app().error("URL command rejected: {}", "unexportedChanges");
                    services_.beeper().beep();
                    reply(false);
                    return;
                }
                quitCoordinator_->mayDiscardChanges(
                    {document}, QStringLiteral("Replacing the previous document"), std::move(reply));
            },
        // The editor shows in display and area captures as it is on screen.
        .includedWindowIDs = [this] { return windows_->includedWindowIDs(); },
    };
}

void AppDelegate::wireHotKeys() {
    hotKeyRegistration_ = std::make_unique<HotKeyRegistration>(*hotKeyCenter_, services_.preferences());
    // A hot key captures at once, also while a paste holds the keys typed before it; its picture
    // replaces the editor's once those have acted on the picture they were typed for.
    captureController_->afterHeldInput = [&input = services_.inputHold()](std::function<void()> then) {
        input.afterHeldInput(std::move(then));
    };
    connect(hotKeyCenter_.get(), &HotKeyCenter::triggered, this, [this](HotKeyAction action) {
        // Busy while the discard question is open: nothing re-enters it.
        if (!quitCoordinator_->isDeciding() && !discardQuestion_->isOpen())
            captureCommands_->handleHotKey(action);
    });
    connect(hotKeyRegistration_.get(), &HotKeyRegistration::registered, this,
            &AppDelegate::showHotKeysInMenu);
    // A recorder records: the global keys step aside until the last one stops.
    connect(&settings_->recording(), &HotKeyRecording::recordingDidChange, hotKeyRegistration_.get(),
            &HotKeyRegistration::hotKeyRecording);
    Preferences& preferences = services_.preferences();
    // The current value registers the stored hot keys at start.
    hotKeyChange_ = Subscription::subscribe<Preferences, void (Preferences::*)(), Preferences::HotKeys>(
        this, &preferences, &Preferences::hotKeysChanged, [&preferences] { return preferences.hotKeys(); },
        [this](const Preferences::HotKeys& keys) { hotKeyRegistration_->reregister(keys); });
    // A permission granted meanwhile reaches the editor; keys that failed are tried again.
    connect(windows_.get(), &WindowCoordinator::becameActive, this, [this] {
        if (!captureController_->isBusy() && services_.captureService().preflightAccess())
            captureController_->setPermissionGranted(true);
        const Preferences& current = services_.preferences();
        if (!current.hotKeyErrors().empty()) hotKeyRegistration_->reregister(current.hotKeys());
    });
}

void AppDelegate::wirePanels() {
    thumbnailCommands_ = std::make_unique<ThumbnailCommands>(*thumbnails_, *captureController_, *exporter_,
                                                             services_.beeper());
    connect(thumbnailCommands_.get(), &ThumbnailCommands::editRequested, this, [this] { presentEditor(); });
    connect(thumbnailCommands_.get(), &ThumbnailCommands::pinRequested, this,
            [this] { pinCommands_->pinScreenshot(); });
    thumbnails_->dragExporter = dragExporter_.get();
    pinCommands_ = std::make_unique<PinCommands>(*pins_, *captureController_, *exporter_,
                                                 [this] { windows_->commitTextEditing(); });
    connect(pinCommands_.get(), &PinCommands::confirmation, captureCommands_.get(),
            &CaptureCommands::confirm);
    connect(pins_.get(), &PinController::pinsChanged, menus_.get(), &AppMenus::validate);
    shortcutTexts_ = std::make_unique<PreferencesShortcutTexts>(
        services_.preferences(), services_.keyboardLayout(), [this](ShortcutTextSource::Command command) {
            const MenuCommand menu = command == ShortcutTextSource::Command::openImage
                                         ? MenuCommand::openImage
                                         : MenuCommand::showSettings;
            return menus_->action(menu)->shortcut();
        });
    windowIcons_ = std::make_unique<WindowIcons>(services_.captureService(), *icons_);
}

void AppDelegate::wireScrolling() {
    scrollingCommands_ = std::make_unique<ScrollingCommands>(
        *captureController_, services_.captureService(), services_.preferences(), services_.announcer(),
        std::make_unique<ScrollingSystem>(services_.accessibilityOptions()));
    ScrollingCommands& scrolling = *scrollingCommands_;
    connect(&scrolling, &ScrollingCommands::editorRequested, this, &AppDelegate::presentEditor);
    connect(&scrolling, &ScrollingCommands::thumbnailDismissRequested, thumbnails_.get(),
            &ThumbnailController::dismiss);
    connect(&scrolling, &ScrollingCommands::confirmation, captureCommands_.get(), &CaptureCommands::confirm);
    scrolling.controller().reduceMotion = [&options = services_.accessibilityOptions()] {
        return options.reduceMotion();
    };
    connect(captureCommands_.get(), &CaptureCommands::scrollingCaptureRequested, scrollingCommands_.get(),
            &ScrollingCommands::scrollingCapture);
    connect(&scrolling, &ScrollingCommands::stateChanged, menus_.get(), &AppMenus::validate);
}

void AppDelegate::followCaptures() {
    CaptureController& captures = *captureController_;
    // A capture that starts dismisses the thumbnail.
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), bool>(
        this, &captures, &CaptureController::busyChanged, [&captures] { return captures.isBusy(); },
        [this](const bool& busy) {
            if (busy) thumbnails_->dismiss();
        });
    // The editor follows its document, and the permission panel while there is none.
    Subscription::subscribe<CaptureController, void (CaptureController::*)(), QPointer<EditorDocument>>(
        this, &captures, &CaptureController::documentChanged,
        [&captures] { return QPointer<EditorDocument>(captures.document()); },
        [this](const QPointer<EditorDocument>&) {
            windows_->fitEditor(EditorWindowLayout::Motion::animated);
        },
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
    // A link's one-shot choices apply to one capture only.
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
    CaptureController* captures = captureController_.get();
    SettingsCommands* settings = settings_.get();
    MenuState state{
        .busy = [captures] { return captures->isBusy(); },
        .exportable = [this] { return mayExportDocument(); },
        .canRepeatArea = [captures] { return captures->canRepeatArea(); },
        .hasDocument = [captures] { return captures->document() != nullptr; },
        .hasPreviousDocument = [captures] { return captures->previousDocument() != nullptr; },
        .hasLastExport = [this] { return exporter_ != nullptr && !exporter_->lastURL().isEmpty(); },
        .pinsOpen = [this] { return !pins_->panels().empty(); },
        .clipboardHasImage = [this] { return ImageImporter::canRead(services_.clipboard()); },
        .scrolling =
            [this] { return scrollingCommands_ ? scrollingCommands_->state() : MenuState::Scrolling::none; },
        .launchAtLoginEnabled = [settings] { return settings->launchAtLoginEnabled(); },
        .launchAtLoginUnavailable = [settings] { return settings->launchAtLoginUnavailable(); },
        .canvasTakes = &ShellMenus::canvasTakes,
        .textFieldTakes =
            [this](MenuCommand command) {
                return ShellMenus::textFieldTakes(command, command == MenuCommand::paste
                                                               ? services_.clipboard().offeredFormats()
                                                               : QStringList());
            },
    };
    menus_ = std::make_unique<AppMenus>(std::move(state),
                                        [this](MenuCommand command) { ShellMenus(*this).run(command); });
    statusItem_ = std::make_unique<StatusItem>(*menus_->statusMenu());
    settings_->connectMenus(*menus_);
    for (auto signal :
         {&CaptureController::busyChanged, &CaptureController::documentChanged,
          &CaptureController::previousDocumentChanged, &CaptureController::canRepeatAreaChanged})
        connect(captures, signal, menus_.get(), &AppMenus::validate);
    // Paste follows what the clipboard offers, known once its holder has answered.
    connect(&services_.clipboard(), &Clipboard::offerChanged, menus_.get(), &AppMenus::validate);
    compositionCommands_ = std::make_unique<CompositionCommands>(CompositionCommands::Context{
        .capture = *captureController_,
        .clipboard = services_.clipboard(),
        .beeper = services_.beeper(),
        .input = services_.inputHold(),
        .editorWindow = [this] { return static_cast<QWidget*>(windows_->editorWindow()); },
        .presentEditor = [this] { presentEditor(); },
        .scrollingUnderway =
            [this] { return scrollingCommands_ != nullptr && scrollingCommands_->inProgress(); },
        .mayExportDocument = [this] { return mayExportDocument(); },
        .exportBeforeAfterGIF = [this] { exporter_->exportBeforeAfterGIF(windows_->editorWindow()); },
        .sheets = [this] { return documentCommands_->sheets(); },
    });
    compositionMenus_ = std::make_unique<CompositionMenus>(*compositionCommands_,
                                                           [] { return QApplication::activeWindow(); });
    // Each window of ours gets the menu bar, so that Ctrl+Q, Ctrl+, and the rest work in it.
    connect(windows_.get(), &WindowCoordinator::windowCreated, this, [this](QWidget* window) {
        QMenuBar* bar = nullptr;
        if (auto* editor = qobject_cast<EditorWindow*>(window)) bar = editor->menuBar();
        if (auto* text = qobject_cast<RecognizedTextWindow*>(window)) bar = text->menuBar();
        if (auto* settingsWindow = qobject_cast<SettingsWindow*>(window)) bar = settingsWindow->menuBar();
        if (bar == nullptr) return;
        const AppMenus::WindowMenus made = menus_->fill(*bar);
        addCompositionMenus(*made.file, *made.edit, *bar);
        menus_->returnKeyboardOnEscape(*bar);
        MenuBarKeyboardStyle::apply(*bar);
    });
}

void AppDelegate::showHotKeysInMenu() {
    const Preferences& preferences = services_.preferences();
    std::map<HotKeyAction, QString> keys;
    for (const auto& [action, binding] : preferences.hotKeys())
        keys[action] = ShortcutFormatter::text(binding, services_.keyboardLayout());
    menus_->showHotKeys(keys, preferences.hotKeyErrors());
}

void AppDelegate::aboutToQuit() {
    dragExporter_->removeAll();
    // Ends a running capture and closes an open area picker.
    captureController_->cancel();
    ocrController_->cancel();
    thumbnails_->dismiss();
    if (scrollingCommands_) scrollingCommands_->cancel();
    pins_->closeAll();
    QObject::disconnect(hotKeyChange_);
    hotKeyCenter_->unregisterAll();
}

} // namespace quorvane
