#include "document/AnnotationDrawing.h"

#include "adjustments/ImageResampler.h"
#include "core/Geometry.h"
#include "document/EraseDrawing.h"
#include "document/PixelEffects.h"
#include "document/PixelFont.h"
#include "document/ToolAnnotationDrawing.h"

#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

void strokeOrFill(QPainter& painter, const QPainterPath& path, bool fill) {
    if (!fill) painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void drawArrow(const Annotation& a, QPainter& painter) {
    const Annotation::ArrowHead head = a.arrowHead();
    painter.strokePath(head.shaft, painter.pen());
    painter.fillPath(head.triangle, painter.brush());
}

QTextOption textOption() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    // A word longer than the box breaks inside the word rather than running past the box.
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

void drawText(const Annotation& a, QPainter& painter) {
    const QRectF rect = geom::standardized(a.rect);
    painter.setFont(pixelSizedFont(a.fontSize, painter.device()));
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(rect, a.text, textOption());
}

void drawFreehand(const Annotation& a, QPainter& painter) {
    const QPointF first = a.points.front();
    const bool dot = std::all_of(a.points.begin(), a.points.end(),
                                 [&](const QPointF& p) { return geom::exactlyEqual(p, first); });
    if (!dot) {
        painter.strokePath(a.freehandPath(), painter.pen());
        return;
    }
    // Qt drops zero-length lines, where a round cap would leave a dot.
    const double r = a.strokeWidth / 2;
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(first, r, r);
}

void drawHighlight(const Annotation& a, QPainter& painter) {
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.setOpacity(a.opacity);
    painter.fillRect(geom::standardized(a.rect), a.color);
}

void drawOverlay(const Annotation& a, QPainter& painter) {
    if (a.overlay == nullptr) return;
    painter.setOpacity(a.opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(geom::standardized(a.rect), ImageResampler::sRGBColors(a.overlay->image()));
}

bool drawKind(const Annotation& a, QPainter& painter, QImage& target) {
    switch (a.kind) {
    case AnnotationKind::arrow:
        drawArrow(a, painter);
        return true;
    case AnnotationKind::rectangle: {
        QPainterPath path;
        path.addRect(geom::standardized(a.rect));
        strokeOrFill(painter, path, a.fill);
        return true;
    }
    case AnnotationKind::oval: {
        QPainterPath path;
        path.addEllipse(geom::standardized(a.rect));
        strokeOrFill(painter, path, a.fill);
        return true;
    }
    case AnnotationKind::text:
        drawText(a, painter);
        return true;
    case AnnotationKind::redact:
        detail::drawRedaction(a, painter, target);
        return true;
    case AnnotationKind::blur:
        return detail::drawBlur(a, painter, target);
    case AnnotationKind::pixelate:
        detail::drawPixelation(a, painter, target);
        return true;
    case AnnotationKind::bracketOpen:
    case AnnotationKind::bracketClose:
    case AnnotationKind::braceOpen:
    case AnnotationKind::braceClose:
        painter.strokePath(a.bracketPath(), painter.pen());
        return true;
    case AnnotationKind::image:
        drawOverlay(a, painter);
        return true;
    case AnnotationKind::freehand:
        drawFreehand(a, painter);
        return true;
    case AnnotationKind::highlight:
        drawHighlight(a, painter);
        return true;
    case AnnotationKind::spotlight:
        return drawSpotlights({a}, painter, target);
    case AnnotationKind::counter:
        detail::drawCounter(a, painter);
        return true;
    case AnnotationKind::magnifier:
        return detail::drawMagnifier(a, painter, target);
    case AnnotationKind::erase:
        drawErase(a, painter, target);
        return true;
    }
    return true;
}

} // namespace

bool drawAnnotation(const Annotation& annotation, QPainter& painter, QImage& target) {
    if (!annotation.isValid()) return true;
    painter.save();
    painter.setPen(
        QPen(annotation.color, annotation.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(annotation.color);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool drawn = drawKind(annotation, painter, target);
    painter.restore();
    return drawn;
}

double drawnTextHeight(const QString& text, double fontSize, double width) {
    if (!(width > 0) || !(fontSize > 0) || !std::isfinite(width) || !std::isfinite(fontSize)) return 0;
    // Laid out as the renderer lays it out, on an image like the ones it draws into.
    QImage probe(1, 1, QImage::Format_RGBA8888_Premultiplied);
    QPainter painter(&probe);
    painter.setFont(pixelSizedFont(fontSize, &probe));
    return painter.boundingRect(QRectF(0, 0, width, 1e6), text, textOption()).height();
}

} // namespace quorvane
