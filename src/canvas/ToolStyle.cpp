#include "canvas/ToolStyle.h"

#include "document/SystemColors.h"

#include <utility>

namespace quorvane {

using canvas_field::assign;

ToolStyle::ToolStyle(ChangeBatcher& changes, QObject* parent)
    : QObject(parent), changes_(changes), color_(SystemColors::red()) {}

std::optional<AnnotationKind> ToolStyle::drawingKind() const {
    return toolKind_ ? ToolTable::drawingKind(*toolKind_, bracketKind_) : std::nullopt;
}

void ToolStyle::setTool(const QString& name) {
    // The kind is in place before the change signal fires.
    const ToolTable::Row* row = ToolTable::find(name);
    toolKind_ = row != nullptr ? std::optional(row->tool) : std::nullopt;
    assign(changes_, tool_, name, CanvasField::tool);
}

void ToolStyle::switchTool(const QString& name) {
    if (name != tool_) {
        const ToolTable::Row* leaving = ToolTable::find(tool_);
        if (leaving != nullptr && leaving->color && drawingColor_)
            setColor(*std::exchange(drawingColor_, std::nullopt));
        const ToolTable::Row* coming = ToolTable::find(name);
        if (coming != nullptr && coming->color) {
            drawingColor_ = color_;
            setColor(*coming->color);
        }
    }
    setTool(name);
}

void ToolStyle::setColor(const QColor& v) {
    assign(changes_, color_, v, CanvasField::color);
}
void ToolStyle::setStrokeWidth(double v) {
    assign(changes_, strokeWidth_, v, CanvasField::strokeWidth);
}
void ToolStyle::setFill(bool v) {
    assign(changes_, fill_, v, CanvasField::fill);
}
void ToolStyle::setMeasurementUnit(MeasurementUnit v) {
    assign(changes_, measurementUnit_, v, CanvasField::measurementUnit);
}
void ToolStyle::setSpotlightOval(bool v) {
    assign(changes_, spotlightOval_, v, CanvasField::spotlightOval);
}
void ToolStyle::setMagnification(double v) {
    assign(changes_, magnification_, v, CanvasField::magnification);
}
void ToolStyle::setBracketKind(AnnotationKind v) {
    assign(changes_, bracketKind_, v, CanvasField::bracketKind);
}
void ToolStyle::setArrowCurved(bool v) {
    assign(changes_, arrowCurved_, v, CanvasField::arrowCurved);
}
void ToolStyle::setFontPoints(double v) {
    assign(changes_, fontPoints_, v, CanvasField::fontPoints);
}

void ToolStyle::emitChange(CanvasField field) {
    switch (field) {
    case CanvasField::tool:
        Q_EMIT toolChanged();
        break;
    case CanvasField::color:
        Q_EMIT colorChanged();
        break;
    case CanvasField::strokeWidth:
        Q_EMIT strokeWidthChanged();
        break;
    case CanvasField::fill:
        Q_EMIT fillChanged();
        break;
    case CanvasField::measurementUnit:
        Q_EMIT measurementUnitChanged();
        break;
    case CanvasField::spotlightOval:
        Q_EMIT spotlightOvalChanged();
        break;
    case CanvasField::magnification:
        Q_EMIT magnificationChanged();
        break;
    case CanvasField::bracketKind:
        Q_EMIT bracketKindChanged();
        break;
    case CanvasField::arrowCurved:
        Q_EMIT arrowCurvedChanged();
        break;
    case CanvasField::fontPoints:
        Q_EMIT fontPointsChanged();
        break;
    default:
        break;
    }
}

} // namespace quorvane
