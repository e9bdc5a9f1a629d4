#pragma once

#include "canvas/FullPreviewFrame.h"
#include "canvas/ScreenImageCache.h"
#include "document/Annotation.h"

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace quorvane {

class EditorCanvasView;
class EditorDocument;

// Paints the canvas view: background, backdrop, canvas growth, the document image or the live
// preview of the annotation under edit, that annotation's overlay, the selection frame and
// handles, and the selection region. Previews re-render the document only when the annotation's
// look depends on pixels beneath it or near it; otherwise the annotation is drawn over a cached
// base. GUI thread.
class CanvasPainter {
public:
    explicit CanvasPainter(EditorCanvasView& view) : view_(view) {}

    void paint(QPainter& painter);
    // Whether a preview of `annotation` must be a full render.
    bool needsFullPreview(const Annotation& annotation) const;
    // The document rendered without the annotation `excluding`; made once per edit gesture.
    const QImage* dragPreviewBase(const QUuid& excluding);
    // Ends the edit gesture's images; the next preview renders them again.
    void clearDragBase() {
        dragBase_.reset();
        fullPreview_.clear();
    }
    bool hasDragBase() const { return dragBase_.has_value(); }
    // `annotation` straight over the image, clipped to its grown crop; redactions stay on top.
    void drawOverlay(QPainter& painter, const Annotation& annotation);
    // The backdrop's fill and shadow behind the image area, upright.
    void drawBackdropBackground(QPainter& painter);
    // Bytes of the images kept between frames beyond the view's rendering and probe.
    std::int64_t cachedBytes() const;
    void clearScreenCache() { screen_.clear(); }

private:
    struct Shown {
        QImage image;
        std::optional<QRect> changed; // crop pixels that differ from the last frame
    };
    std::optional<Shown> previewImage();
    void drawImage(QPainter& painter, const EditorDocument& document, const Shown& image);
    void drawSelectionFrame(QPainter& painter);
    void drawSelectionRegion(QPainter& painter);
    // Clips to the image's shape: its backdrop's rounded corners, where it has them.
    void clipToImage(QPainter& painter, const EditorDocument& document) const;
    // Every redaction again, opaque in its own colour, over whatever was drawn on the image.
    void coverRedactions(QPainter& painter, const EditorDocument& document) const;
    void reportLater(const QString& message);

    EditorCanvasView& view_;
    // At most one of the two lives at a time: a gesture previews either over a base or in full.
    std::optional<QImage> dragBase_;
    FullPreviewFrame fullPreview_;
    ScreenImageCache screen_;
};

} // namespace quorvane
