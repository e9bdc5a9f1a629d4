#pragma once

#include "document/Annotation.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

namespace quorvane {

// What the canvas knows about the mouse or key gesture in progress: the annotation it proposes,
// the one it started from, and the anchors of drags. Empty when nothing is under way.
struct CanvasGesture {
    // Created by the current drag, or the edited copy of the grabbed annotation; not committed.
    std::optional<Annotation> proposed;
    // The selected annotation as it was when the drag began; none while creating a new one.
    std::optional<Annotation> originalAnnotation;
    bool resizing = false;
    bool bending = false;
    // Crop grown for the last preview; a change redraws the whole view.
    std::optional<QRectF> previewCanvas;
    // Start of the current drag; none means no drag is in progress.
    std::optional<QPointF> dragAnchor;
    QPointF dragPan;
    std::optional<QPointF> smartClick;
    // Why the erase box of this drag cannot stay; none after an accepted step.
    std::optional<QString> eraseRefusal;
    std::optional<QPointF> rulerAnchor;

    bool operator==(const CanvasGesture&) const = default;

    // Forgets the drag in progress and what it proposed. The ruler keeps its anchor, which only
    // the ruler's own end clears, and the preview canvas stays as a cache.
    void reset() {
        proposed.reset();
        originalAnnotation.reset();
        resizing = false;
        bending = false;
        dragAnchor.reset();
        smartClick.reset();
        eraseRefusal.reset();
    }
};

} // namespace quorvane
