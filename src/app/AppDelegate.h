#pragma once

// The program's one delegate: it holds every controller for the life of the process and wires
// them at start-up, step by step (start() lists the steps in their order). The work of each concern lives in
// the class named after it; this type is the thin façade the other parts call.

#include "app/AboutPanel.h"
#include "app/MenuCommand.h"
#include "capture/CaptureController.h"

#include <QObject>
#include <memory>
#include <optional>

class QAction;
class QImage;
class QMenu;
class QMenuBar;

namespace quorvane {

class CaptureCommands;
class CompositionCommands;
class CompositionMenus;
class CaptureController;
class DiscardQuestion;
class AppMenus;
class DocumentCommands;
class DragExporter;
class EditorView;
class ExportController;
class HotKeyCenter;
class HotKeyRegistration;
class OCRController;
class QuitCoordinator;
class ScrollingCommands;
class StatusItem;
class SymbolIcons;
class PinCommands;
class PinController;
class PreferencesShortcutTexts;
class TextFieldPaste;
class DropZones;
class ThumbnailCommands;
class ThumbnailController;
class WindowIcons;
class ShellLinkTarget;
class URLCommandHandler;
class WindowCoordinator;
class Services;
class SettingsCommands;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // The services outlive the delegate.
    explicit AppDelegate(Services& services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence; logs "Launched".
    void start();
    // The clean-up once the event loop has ended: keys released, drag files removed.
    void aboutToQuit();

    // True once start-up has finished; never turns back.
    bool isStarted() const { return started_; }
    // There is a document, no capture runs and no Redact Text review is open on it.
    bool mayExportDocument() const;
    // A capture is busy, or a scrolling capture runs or waits for its region to be dragged out.
    bool isCaptureInProgress() const;

    void presentEditor();

    // The image-composition items: an area captured onto the open image, the File and Edit items
    // and the Arrange menu of one window, and their enabling (none for any other item).
    void addCapturedOverlay(const QImage& image, double pixelScale);
    void addCompositionMenus(QMenu& file, QMenu& edit, QMenuBar& menuBar);
    std::optional<bool> validateCompositionItem(const QAction& item) const;
    // SIGTERM or SIGINT.
    void terminateBySignal();

    CaptureController& captureController() const { return *captureController_; }
    ExportController& exporter() const { return *exporter_; }
    CaptureCommands& captureCommands() const { return *captureCommands_; }
    HotKeyRegistration& hotKeyRegistration() const { return *hotKeyRegistration_; }
    OCRController& ocrController() const { return *ocrController_; }
    QuitCoordinator& quitCoordinator() const { return *quitCoordinator_; }
    DiscardQuestion& discardQuestion() const { return *discardQuestion_; }
    WindowCoordinator& windows() const { return *windows_; }
    AppMenus& menus() const { return *menus_; }
    StatusItem& statusItem() const { return *statusItem_; }
    DocumentCommands& documentCommands() const { return *documentCommands_; }
    TextFieldPaste& textFieldPaste() const { return *textFieldPaste_; }
    ThumbnailController& thumbnails() const { return *thumbnails_; }
    PinController& pins() const { return *pins_; }
    PinCommands& pinCommands() const { return *pinCommands_; }
    SettingsCommands& settings() const { return *settings_; }
    AboutPanel& about() { return about_; }
    ScrollingCommands& scrollingCommands() const { return *scrollingCommands_; }
    // Where links and files to open arrive: the command line's, and those of later processes.
    URLCommandHandler& linkHandler() const { return *linkHandler_; }

private:
    // ---- The start-up steps, in their order
    // The menus, the status item and the image-composition commands.
    void configureMenus();
    void wireExports();
    // The capture controller's outcomes and the questions it asks the shell.
    void wireCaptures();
    void wireHotKeys();
    // The thumbnail, the pins and the texts that show the shortcuts.
    void wirePanels();
    void wireScrolling();
    // What follows the capture controller's state: the thumbnail, the editor, the one-shot choices.
    void followCaptures();
    // The link target; links that waited for start-up go on.
    void acceptLinks();

    // What the capture controller asks; text being typed is committed through the window
    // coordinator, as for every other command.
    CaptureController::Questions captureQuestions();
    void showHotKeysInMenu();
    EditorView* makeEditorView();
    QWidget* makeHomeView(QWidget* parent);

    Services& services_;
    std::unique_ptr<CaptureController> captureController_;
    std::unique_ptr<OCRController> ocrController_;
    std::unique_ptr<SymbolIcons> icons_;
    std::unique_ptr<WindowCoordinator> windows_;
    std::unique_ptr<HotKeyCenter> hotKeyCenter_;
    std::unique_ptr<ThumbnailController> thumbnails_;
    std::unique_ptr<PinController> pins_;
    std::unique_ptr<DragExporter> dragExporter_;
    std::unique_ptr<SettingsCommands> settings_;
    std::unique_ptr<ExportController> exporter_;
    std::unique_ptr<CaptureCommands> captureCommands_;
    std::unique_ptr<HotKeyRegistration> hotKeyRegistration_;
    std::unique_ptr<AppMenus> menus_;
    std::unique_ptr<StatusItem> statusItem_;
    std::unique_ptr<DocumentCommands> documentCommands_;
    std::unique_ptr<TextFieldPaste> textFieldPaste_;
    std::unique_ptr<DropZones> dropZones_;
    std::unique_ptr<CompositionCommands> compositionCommands_;
    std::unique_ptr<CompositionMenus> compositionMenus_;
    std::unique_ptr<DiscardQuestion> discardQuestion_;
    std::unique_ptr<QuitCoordinator> quitCoordinator_;
    std::unique_ptr<ThumbnailCommands> thumbnailCommands_;
    std::unique_ptr<PinCommands> pinCommands_;
    std::unique_ptr<PreferencesShortcutTexts> shortcutTexts_;
    std::unique_ptr<WindowIcons> windowIcons_;
    std::unique_ptr<URLCommandHandler> linkHandler_;
    std::unique_ptr<ShellLinkTarget> linkTarget_;
    AboutPanel about_;
    std::unique_ptr<ScrollingCommands> scrollingCommands_;
    QMetaObject::Connection hotKeyChange_;
    bool started_ = false;
};

} // namespace quorvane
