#include "canvas/FullPreviewFrame.h"

#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

bool readsPixels(AnnotationKind kind) {
    return kind == AnnotationKind::blur || kind == AnnotationKind::pixelate ||
           kind == AnnotationKind::magnifier;
}

// Whole crop pixels around `r` grown by `margin`; empty for rectangles that are not finite.
QRect pixelsAround(const QRectF& r, double margin, const QPointF& origin) {
    const QRectF grown = geom::insetBy(geom::standardized(r), -margin, -margin);
    if (!geom::isFinite(grown) || geom::isNull(grown)) return {};
    const QRectF local = geom::integral(geom::offsetBy(grown, -origin.x(), -origin.y()));
    constexpr double limit = 1 << 28;
    if (std::abs(local.x()) > limit || std::abs(local.y()) > limit || local.width() > limit ||
        local.height() > limit)
        return {};
    return QRect(int(local.x()), int(local.y()), int(local.width()), int(local.height()));
}

// Every pixel an annotation can paint: its shape, strokes, heads and curves.
QRect paintedArea(const Annotation& a, const QPointF& origin) {
    const double stroke = std::isfinite(a.strokeWidth) ? std::abs(a.strokeWidth) : 0;
    QRectF shape = geom::united(geom::standardized(a.rect), EditorDocument::extent(a));
    if (!a.points.empty()) shape = geom::united(shape, Annotation::bounds(a.points));
    return pixelsAround(shape, stroke + std::max(4 * stroke, 10.0) + 2, origin);
}

// The pixels an effect reads; it writes only inside them.
QRect effectArea(const Annotation& a, const QPointF& origin) {
    const double stroke = std::isfinite(a.strokeWidth) ? std::abs(a.strokeWidth) : 0;
    return pixelsAround(a.rect, stroke + 3, origin);
}

QRect closedOverEffects(QRect area, const std::vector<Annotation>& annotations, const QPointF& origin,
                        const QRect& bounds) {
    for (bool grew = true; grew;) {
        grew = false;
        for (const Annotation& a : annotations) {
            if (!readsPixels(a.kind)) continue;
            const QRect effect = effectArea(a, origin).intersected(bounds);
            if (effect.intersects(area) && !area.contains(effect)) {
                area = area.united(effect);
                grew = true;
            }
        }
    }
    return area;
}

QRect unite(const QRect& a, const QRect& b) {
    return a.isEmpty() ? b : b.isEmpty() ? a : a.united(b);
}

} // namespace

void FullPreviewFrame::clear() {
    image_ = QImage();
    annotations_.clear();
    revision_ = -1;
    document_ = nullptr;
}

Result<FullPreviewFrame::Frame, Error>
FullPreviewFrame::renderAll(const EditorDocument& document, const std::vector<Annotation>& annotations) {
    clear();
    auto rendered = EditorDocument::render(annotations, document.image(), document.cropRect());
    if (!rendered) return Failure{rendered.error()};
    // The render may hand back the canvas image itself; the frame is written into later.
    image_ = std::move(rendered).value();
    if (image_.constBits() == document.image().constBits()) image_ = image_.copy();
    if (image_.isNull())
        return Failure{Error{QStringLiteral("Quorvane.Render"), 1, QStringLiteral("Out of memory.")}};
    annotations_ = annotations;
    revision_ = document.revision();
    document_ = &document;
    return Frame{&image_, std::nullopt};
}

Result<FullPreviewFrame::Frame, Error> FullPreviewFrame::render(const EditorDocument& document,
                                                                const std::vector<Annotation>& annotations) {
    if (image_.isNull() || document_ != &document || revision_ != document.revision() ||
        annotations.size() != annotations_.size())
        return renderAll(document, annotations);
    const QPointF origin = document.cropRect().topLeft();
    QRect dirty;
    for (std::size_t i = 0; i < annotations.size(); ++i) {
        const Annotation& before = annotations_[i];
        const Annotation& now = annotations[i];
        if (before.id != now.id) return renderAll(document, annotations);
        if (before == now) continue;
        dirty = unite(dirty, unite(paintedArea(before, origin), paintedArea(now, origin)));
    }
    const QRect bounds = image_.rect();
    dirty = dirty.intersected(bounds);
    if (dirty.isEmpty()) return Frame{&image_, QRect()};

    // An effect over changed pixels changes wholly, and reads only the pixels it writes: the
    // changed pixels closed over the effects they meet are also all a render of them needs.
    const QRect region = closedOverEffects(dirty, annotations, origin, bounds);
    dirty = region;
    const QImage part = document.image().copy(region);
    const QRectF partCrop(origin.x() + region.x(), origin.y() + region.y(), region.width(), region.height());
    auto rendered = EditorDocument::render(annotations, part, partCrop);
    if (!rendered) return Failure{rendered.error()};
    {
        QPainter painter(&image_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(dirty.topLeft(), *rendered, dirty.translated(-region.topLeft()));
    }
    annotations_ = annotations;
    return Frame{&image_, dirty};
}

} // namespace quorvane
