#pragma once

#include "document/CanvasAlignment.h"
#include "document/StackEnd.h"

#include <QRectF>
#include <QUuid>

namespace quorvane {

class EditorCanvasView;

// The canvas's side of composition: the stacking and alignment of the selected annotation, the
// selection of an added overlay and where new overlays are centred. Holds no state of its own.
class CanvasArrangeCommands {
public:
    explicit CanvasArrangeCommands(EditorCanvasView& view) : view_(view) {}

    // The part of the canvas the view shows now, in base-image pixels; the whole crop when the
    // view has no area or no usable zoom.
    QRectF visibleCanvasRect() const;
    // Bring to Front and Send to Back of the selection.
    void bringToFront();
    void sendToBack();
    // `rawValue` as carried by an Align menu item; anything else does nothing.
    void alignSelection(const QString& rawValue);
    void selectAddedOverlay(const QUuid& id);

private:
    void moveToEnd(StackEnd end);
    bool textEditorOpen() const;
    void beep() const;

    EditorCanvasView& view_;
};

} // namespace quorvane
