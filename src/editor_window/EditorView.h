#pragma once

#include "canvas/EditorCanvasPane.h"
#include "editor_window/ContextBarHosts.h"
#include "editor_window/EditorActions.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/ImageDropTarget.h"
#include "editor_window/TitlebarInset.h"

#include <QDialog>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>

namespace quorvane {

class AccessibilityOptions;
class Beeper;
class CaptureController;
class Clipboard;
class DropHighlight;
class EditorDocument;
class ExportController;
class SymbolIcons;
class ToastView;
class WindowStatusToast;

// The editor window's content: the home view while there is no document, else one editor pane
// per document object (a new object gets a fresh pane with default settings; edits keep it),
// with the window's status toast over the bottom. It takes dropped images and shows the window
// picker while the capture controller is choosing a window.
class EditorView : public QWidget {
    Q_OBJECT

public:
    struct Services {
        CaptureController& model;
        ExportController& exporter;
        Clipboard& clipboard;
        Beeper& beeper;
        const SymbolIcons& icons;
        const AccessibilityOptions& accessibility;
    };
    // The home view and the window picker come from the shell; plain stand-ins without them.
    using HomeViewFactory = std::function<QWidget*(QWidget* parent)>;
    using WindowPickerFactory = std::function<QDialog*(QWidget* parent)>;

    static constexpr int toastBottomWithDocument = 84;
    static constexpr int toastBottomAtHome = 8;
    static constexpr int toastSideMargin = 16;

    // `actions.exporting` follows the export controller; `importImage` opens a dropped file.
    EditorView(Services services, EditorActions actions, std::function<void(const QUrl&)> importImage,
               ContextBarHosts hosts = ContextBarHosts::standIns(), HomeViewFactory homeView = {},
               WindowPickerFactory windowPicker = {}, QWidget* parent = nullptr);
    ~EditorView() override;

    // (top, 70 when top > 0, 0, 0): the room the title bar takes over the content.
    static TitlebarInset titlebarInset(double topSafeArea);

    EditorCanvasPane* pane() const { return pane_; }
    EditorStatusBar* statusBar() const { return statusBar_; }
    QWidget* homeView() const { return home_; }
    QDialog* windowPicker() const { return picker_; }
    WindowStatusToast* toast() const { return toast_; }
    DropHighlight* dropHighlight() const { return highlight_; }
    bool dropTargeted() const { return dropTargeted_; }
    // Another program's drag that we would take is over the view, or no more.
    void setDropTargeted(bool targeted);
    // Opens what another program dropped on the view, read off the GUI thread; the window's input
    // waits on `held` meanwhile.
    void openDropped(std::shared_ptr<ClipboardOffer> dropped, InputHold::Token held = {});
    // Gives up the drop being read, for `why` (ImageDropTarget::giveUp).
    void giveUpDrop(InputHold::Reason why);
    const EditorActions& actions() const { return actions_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showDocument();
    // The pane's toast: the canvas settings' messages, each for a few seconds.
    ToastView* messageToast(EditorCanvasSettings& settings);
    void updateExporting();
    void updatePicker();
    void placeChildren();

    Services services_;
    EditorActions actions_;
    ContextBarHosts hosts_;
    HomeViewFactory homeViewFactory_;
    WindowPickerFactory windowPickerFactory_;
    ImageDropTarget dropTarget_;
    // Compared by a guarded pointer: the next document may reuse a freed one's address.
    QPointer<EditorDocument> shownDocument_;
    bool showingDocument_ = false;
    QPointer<EditorCanvasPane> pane_;
    QPointer<EditorStatusBar> statusBar_;
    QPointer<QWidget> home_;
    QPointer<QDialog> picker_;
    WindowStatusToast* toast_ = nullptr;
    DropHighlight* highlight_ = nullptr;
    bool dropTargeted_ = false;
};

} // namespace quorvane
