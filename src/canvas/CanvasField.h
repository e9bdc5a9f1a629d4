#pragma once

#include "canvas/ChangeBatcher.h"
#include "core/Geometry.h"

#include <QPointF>
#include <QRectF>
#include <optional>

namespace quorvane {

// The fields of an editor pane's state (view, tool and style, modes), in the one order their
// change signals go out when an operation changes several of them at once.
enum class CanvasField {
    fit,
    zoomFraction,
    pan,
    cropping,
    selection,
    message,
    pixelated,
    tool,
    color,
    strokeWidth,
    fill,
    selectedID,
    editingText,
    measurementUnit,
    hoverColor,
    measurementLabel,
    textRedaction,
    areaColors,
    spotlightOval,
    magnification,
    bracketKind,
    arrowCurved,
    fontPoints,
    recognizing,
};
inline constexpr int canvasFieldCount = static_cast<int>(CanvasField::recognizing) + 1;

namespace canvas_field {

// Geometry compares exactly: a pan or selection that moved by any amount is a change.
inline bool same(const QPointF& a, const QPointF& b) {
    return geom::exactlyEqual(a, b);
}
inline bool same(const std::optional<QRectF>& a, const std::optional<QRectF>& b) {
    return a.has_value() == b.has_value() && (!a || geom::exactlyEqual(*a, *b));
}
template<class T>
bool same(const T& a, const T& b) {
    return a == b;
}

// Stores `value` and records the change of `which`; the same value again is no change.
template<class T>
void assign(ChangeBatcher& changes, T& field, const T& value, CanvasField which) {
    if (same(field, value)) return;
    field = value;
    changes.changed(static_cast<int>(which));
}

} // namespace canvas_field
} // namespace quorvane
