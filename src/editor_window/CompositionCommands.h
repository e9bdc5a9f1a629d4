#pragma once

#include "core/Required.h"
#include "export/OfferReader.h"

#include <QImage>
#include <QObject>
#include <functional>

class QClipboard;
class QWidget;

namespace quorvane {

class Beeper;
class CaptureController;
class Clipboard;
class EditorCanvasView;
class EditorDocument;
class InputHold;
class SheetPresenter;

// The composition commands of the menus: paste or capture an image onto the open document as an
// overlay, grow the canvas, flatten the annotations into the image. They act on the capture
// controller's document, in the editor window, and report failures through the controller's
// error message without a retry offer. GUI thread.
class CompositionCommands : public QObject {
    Q_OBJECT

public:
    // What the shell hands in, every function given.
    struct Context {
        CaptureController& capture;
        Clipboard& clipboard;
        Beeper& beeper;
        // Keeps the input that follows a paste waiting for it.
        InputHold& input;
        // The editor window, or null while there is none.
        Required<QWidget*()> editorWindow;
        // Brings the editor window forward, making it first when needed.
        Required<void()> presentEditor;
        // A scrolling capture runs or its drag selection is pending.
        Required<bool()> scrollingUnderway;
        // The shell's judgement of exporting the open document.
        Required<bool()> mayExportDocument;
        Required<void()> exportBeforeAfterGIF;
        // The editor window's sheet presenter; null: the sheet opens on the window directly.
        Required<SheetPresenter*()> sheets;
    };

    // Takes the capture controller's overlay images from now on.
    explicit CompositionCommands(Context context, QObject* parent = nullptr);

    // A document is open and neither a capture nor a scrolling capture runs.
    bool editable() const;
    bool canPasteOverlay() const;
    bool canFlatten() const;
    bool mayExportDocument() const;

    void pasteAsOverlay();
    void addAreaCaptureToImage();
    void addCapturedOverlay(const QImage& image, double pixelScale);
    void expandCanvas();
    void flattenImage();
    void exportBeforeAfterGIF();
    // The canvas of the editor window that shows `document`, depth first.
    EditorCanvasView* editorCanvas(const EditorDocument& document) const;

Q_SIGNALS:
    // Something that the enabled states depend on may have changed.
    void stateChanged();

private:
    QWidget* window() const;
    void present();
    void fail(const QString& message);
    void watchDocument();
    void addPastedOverlay(EditorDocument& document, const QImage& image, const std::optional<QRectF>& placement);

    Context context_;
    QMetaObject::Connection documentRevision_;
    OfferReader pastes_;
};

} // namespace quorvane
