#include "canvas/ToolAnnotationFactory.h"

#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QUuid>
#include <algorithm>
#include <array>
#include <cmath>

namespace quorvane {
namespace {

QRectF squareAround(const QPointF& centre, double side) {
    return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
}

} // namespace

namespace {

constexpr std::array builtTools = {ToolTable::Tool::freehand, ToolTable::Tool::highlight,
                                   ToolTable::Tool::spotlight, ToolTable::Tool::counter,
                                   ToolTable::Tool::magnifier};

} // namespace

const QStringList& ToolAnnotationFactory::tools() {
    static const QStringList names = [] {
        QStringList list;
        for (const ToolTable::Tool tool : builtTools)
            list << ToolTable::name(tool);
        return list;
    }();
    return names;
}

bool ToolAnnotationFactory::builds(ToolTable::Tool tool) {
    return std::find(builtTools.begin(), builtTools.end(), tool) != builtTools.end();
}

QRectF ToolAnnotationFactory::counterRect(const QPointF& centre, double fontSize) {
    return squareAround(centre, std::round(fontSize * 1.6));
}

std::optional<Annotation> ToolAnnotationFactory::make(AnnotationKind kind, const QRectF& rect,
                                                      const EditorDocument& document) const {
    const EditorCanvasSettings& s = settings_;
    Annotation a;
    a.id = QUuid::createUuid();
    a.kind = kind;
    a.rect = rect;
    a.color = s.style().color();
    a.strokeWidth = 3.0;
    const QPointF centre(geom::midX(rect), geom::midY(rect));
    switch (kind) {
    case AnnotationKind::freehand:
        // A closed loop round the rectangle; the 49th point returns to the first. Standardised
        // sizes: a rectangle dragged up or left must not turn the loop round.
        for (int i = 0; i <= 48; ++i) {
            const double angle = 2 * M_PI * (i / 48.0);
            a.points.emplace_back(centre.x() + std::cos(angle) * geom::width(rect) * 0.5,
                                  centre.y() + std::sin(angle) * geom::height(rect) * 0.5);
        }
        a.rect = Annotation::bounds(a.points);
        a.strokeWidth = s.style().strokeWidth();
        break;
    case AnnotationKind::highlight:
        a.opacity = 0.4;
        break;
    case AnnotationKind::spotlight:
        a.fill = s.style().spotlightOval();
        break;
    case AnnotationKind::counter:
        a.fontSize = s.style().fontPoints() * s.style().pixelScale();
        a.rect = counterRect(centre, a.fontSize);
        a.number = document.nextCounterNumber();
        break;
    case AnnotationKind::magnifier:
        a.rect = squareAround(centre, std::min(geom::width(rect), geom::height(rect)));
        a.strokeWidth = s.style().strokeWidth();
        a.magnification = s.style().magnification();
        break;
    default:
        return std::nullopt;
    }
    // A magnifier starts at the centre of what it was drawn over.
    a.start = kind == AnnotationKind::magnifier ? centre : a.rect.topLeft();
    a.end = QPointF(geom::maxX(a.rect), geom::maxY(a.rect));
    return a;
}

} // namespace quorvane
