#include "canvas/CanvasPainter.h"

#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/HighContrastStyle.h"
#include "canvas/TextRedactionReview.h"
#include "core/Geometry.h"
#include "document/AnnotationDrawing.h"
#include "document/EditorDocument.h"
#include "document/SystemColors.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace quorvane {
namespace {

bool isFullPreviewKind(AnnotationKind kind) {
    switch (kind) {
    case AnnotationKind::blur:
    case AnnotationKind::pixelate:
    case AnnotationKind::erase:
    case AnnotationKind::spotlight:
    case AnnotationKind::magnifier:
        return true;
    default:
        return false;
    }
}

bool isSamplingKind(AnnotationKind kind) {
    return kind == AnnotationKind::blur || kind == AnnotationKind::pixelate ||
           kind == AnnotationKind::magnifier;
}

// A redaction is an opaque cover in its own colour, whatever its alpha.
void fillRedaction(QPainter& painter, const Annotation& redaction) {
    QColor color = redaction.color.isValid() ? redaction.color.toRgb() : QColor(Qt::black);
    color.setAlphaF(1.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setOpacity(1.0);
    painter.fillRect(geom::integral(geom::standardized(redaction.rect)), color);
    painter.restore();
}

} // namespace

bool CanvasPainter::needsFullPreview(const Annotation& annotation) const {
    if (isFullPreviewKind(annotation.kind)) return true;
    const EditorDocument* document = view_.document();
    if (document == nullptr) return false;
    if (document->liesUnderSpotlight(annotation.id)) return true;
    const double reach = 4 * annotation.strokeWidth + 10;
    const QRectF zone = geom::insetBy(annotation.rect, -reach, -reach);
    return std::any_of(document->annotations().begin(), document->annotations().end(),
                       [&](const Annotation& other) {
                           return other.id != annotation.id && isSamplingKind(other.kind) &&
                                  !geom::isNull(geom::intersection(other.rect, zone));
                       });
}

const QImage* CanvasPainter::dragPreviewBase(const QUuid& excluding) {
    if (dragBase_) return &*dragBase_;
    const EditorDocument* document = view_.document();
    if (document == nullptr) return nullptr;
    EditorDocument::Annotations others;
    others.reserve(document->annotations().size());
    for (const Annotation& a : document->annotations())
        if (a.id != excluding) others.push_back(a);
    auto rendered = EditorDocument::render(Annotation::resolvingColors(std::move(others)), document->image(),
                                           document->cropRect());
    if (!rendered) {
        reportLater(rendered.error().message);
        return nullptr;
    }
    dragBase_ = std::move(rendered).value();
    return &*dragBase_;
}

std::int64_t CanvasPainter::cachedBytes() const {
    return (dragBase_ ? dragBase_->sizeInBytes() : 0) + fullPreview_.bytes() + screen_.bytes();
}

void CanvasPainter::reportLater(const QString& message) {
    // Reporting writes the settings, whose observers must not run inside a paint.
    QTimer::singleShot(0, &view_, [view = QPointer<EditorCanvasView>(&view_), message] {
        if (view) view->report(Error{QStringLiteral("Quorvane.Render"), 1, message});
    });
}

std::optional<CanvasPainter::Shown> CanvasPainter::previewImage() {
    const EditorDocument* shown = view_.document();
    if (shown == nullptr) return std::nullopt;
    const EditorDocument& document = *shown;
    const std::optional<Annotation>& proposed = view_.gesture().proposed;
    const auto drawn = [&]() -> std::optional<Shown> {
        if (view_.drawnImage().isNull()) return std::nullopt;
        return Shown{view_.drawnImage(), std::nullopt};
    };
    if (!proposed) {
        fullPreview_.clear();
        return drawn();
    }
    if (needsFullPreview(*proposed)) {
        dragBase_.reset();
        EditorDocument::Annotations list = document.annotations();
        const auto found =
            std::find_if(list.begin(), list.end(), [&](const Annotation& a) { return a.id == proposed->id; });
        if (found != list.end())
            *found = *proposed;
        else
            list.push_back(*proposed);
        auto frame = fullPreview_.render(document, Annotation::resolvingColors(std::move(list)));
        if (!frame) {
            reportLater(frame.error().message);
            return std::nullopt;
        }
        return Shown{*frame.value().image, frame.value().changed};
    }
    fullPreview_.clear();
    const bool existing = std::any_of(document.annotations().begin(), document.annotations().end(),
                                      [&](const Annotation& a) { return a.id == proposed->id; });
    if (existing) {
        const QImage* base = dragPreviewBase(proposed->id);
        if (base == nullptr) return std::nullopt;
        return Shown{*base, std::nullopt};
    }
    return drawn();
}

void CanvasPainter::paint(QPainter& painter) {
    painter.fillRect(view_.rect(), view_.palette().color(QPalette::Window).darker(112));
    const EditorDocument* document = view_.document();
    if (document == nullptr) return;
    const EditorCanvasSettings& settings = view_.settings();
    const std::optional<Annotation>& proposed = view_.gesture().proposed;

    const std::optional<Shown> image = previewImage();
    drawBackdropBackground(painter);

    const QRectF canvas = proposed ? document->expandedCrop(*proposed) : document->cropRect();
    if (!geom::exactlyEqual(canvas, document->cropRect()) && geom::isFinite(canvas))
        painter.fillRect(view_.viewRect(canvas), document->base()->edgeColor());

    if (image) drawImage(painter, *document, *image);
    if (proposed && !needsFullPreview(*proposed)) drawOverlay(painter, *proposed);
    if (settings.modes().selectedID() && (!proposed || view_.gesture().originalAnnotation))
        drawSelectionFrame(painter);
    if (settings.modes().selection()) drawSelectionRegion(painter);
    if (const TextRedactionReview* review = settings.modes().textRedaction()) {
        review->drawPreview(painter, HighContrastStyle{settings.increaseContrast()},
                            [this](const QRectF& r) { return view_.viewRect(r); });
        // The review's boxes are drawn over the image like any mark: the redactions stay on top.
        coverRedactions(painter, *document);
    }
}

void CanvasPainter::clipToImage(QPainter& painter, const EditorDocument& document) const {
    const QRectF imageRect = view_.transform().imageRect();
    const std::optional<Backdrop>& backdrop = document.backdrop();
    if (backdrop && backdrop->cornerRadius >= 1) {
        const QSizeF exportSize = document.outputSize().value_or(document.cropRect().size());
        const QPainterPath path =
            BackdropPreview::transform(*backdrop, exportSize, imageRect).map(backdrop->imagePath(exportSize));
        if (!path.isEmpty()) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setClipPath(path, Qt::IntersectClip);
        }
    }
}

void CanvasPainter::coverRedactions(QPainter& painter, const EditorDocument& document) const {
    painter.save();
    clipToImage(painter, document);
    painter.setClipRect(view_.transform().imageRect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const Annotation& a : document.annotations()) {
        if (a.kind != AnnotationKind::redact || !geom::isFinite(a.rect)) continue;
        QColor color = a.color.isValid() ? a.color.toRgb() : QColor(Qt::black);
        color.setAlphaF(1.0);
        painter.fillRect(view_.viewRect(geom::integral(geom::standardized(a.rect))), color);
    }
    painter.restore();
}

void CanvasPainter::drawImage(QPainter& painter, const EditorDocument& document, const Shown& image) {
    const CanvasTransform transform = view_.transform();
    const QRectF imageRect = transform.imageRect();
    const bool pixelated = view_.settings().viewport().pixelated();
    painter.save();
    clipToImage(painter, document);
    screen_.draw(painter, image.image, imageRect, view_.size(), view_.backingScale(), pixelated,
                 image.changed);
    painter.restore();
}

void CanvasPainter::drawBackdropBackground(QPainter& painter) {
    const EditorDocument* document = view_.document();
    if (document == nullptr || !document->backdrop()) return;
    const Backdrop& backdrop = *document->backdrop();
    const QSizeF exportSize = document->outputSize().value_or(document->cropRect().size());
    const QSizeF canvasSize(std::round(exportSize.width()) + 2.0 * backdrop.padding,
                            std::round(exportSize.height()) + 2.0 * backdrop.padding);
    const QTransform mapping =
        BackdropPreview::transform(backdrop, exportSize, view_.transform().imageRect());
    const QRectF rect = mapping.mapRect(QRectF(QPointF(0, 0), canvasSize));
    if (!(rect.width() > 0) || !(rect.height() > 0) || !geom::isFinite(rect)) return;
    const auto background =
        view_.backdropPreview().background(backdrop, exportSize, rect.size(), view_.backingScale());
    if (!background) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, *background);
    painter.restore();
}

void CanvasPainter::drawOverlay(QPainter& painter, const Annotation& annotation) {
    const EditorDocument* shown = view_.document();
    // Infinite corners can keep Qt's stroker busy for ever.
    if (shown == nullptr || !geom::isFinite(annotation.rect)) return;
    const EditorDocument& document = *shown;
    const CanvasTransform transform = view_.transform();
    const QRectF imageRect = transform.imageRect();
    painter.save();
    painter.setClipRect(view_.viewRect(document.expandedCrop(annotation)), Qt::IntersectClip);
    painter.translate(imageRect.topLeft());
    painter.scale(transform.zoom, transform.zoom);
    painter.translate(-document.cropRect().topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    // Effects that read the pixels beneath draw nothing here: they never take this path.
    QImage noTarget;
    if (annotation.kind == AnnotationKind::redact) {
        fillRedaction(painter, annotation);
    } else {
        drawAnnotation(annotation, painter, noTarget);
        for (const Annotation& other : document.annotations())
            if (other.kind == AnnotationKind::redact && other.id != annotation.id)
                fillRedaction(painter, other);
    }
    painter.restore();
}

void CanvasPainter::drawSelectionFrame(QPainter& painter) {
    const EditorDocument* shown = view_.document();
    if (shown == nullptr) return;
    const EditorDocument& document = *shown;
    const EditorCanvasSettings& settings = view_.settings();
    std::optional<Annotation> target = view_.gesture().proposed;
    if (!target) target = view_.selectedAnnotation();
    if (!target) return;
    const double zoom = view_.transform().zoom;
    const QRectF frame = view_.viewRect(target->rect);
    const double padding =
        target->kind == AnnotationKind::text ? 2.0 : target->strokeWidth * 0.5 * zoom + 3.0;
    const auto style = [&] { return HighContrastStyle{settings.increaseContrast()}; };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    style().strokeOutline(painter, geom::insetBy(frame, -padding, -padding));
    style().fillHandle(painter, QRectF(frame.right() - 4, frame.bottom() - 4, 8, 8));
    if (target->kind == AnnotationKind::arrow) {
        const QRectF imageRect = view_.transform().imageRect();
        const QPointF mid = target->arrowMidpoint() - document.cropRect().topLeft();
        const QPointF at(mid.x() * zoom + imageRect.left(), mid.y() * zoom + imageRect.top());
        style().fillRoundHandle(painter, QRectF(at.x() - 7, at.y() - 7, 14, 14));
    }
    painter.restore();
}

void CanvasPainter::drawSelectionRegion(QPainter& painter) {
    const EditorCanvasSettings& settings = view_.settings();
    const QRectF selection = *settings.modes().selection();
    const CanvasTransform transform = view_.transform();
    const QRectF imageRect = transform.imageRect();
    const double z = transform.zoom;
    const QRectF region(imageRect.left() + selection.left() * z, imageRect.top() + selection.top() * z,
                        selection.width() * z, selection.height() * z);
    QColor tint = SystemColors::cyan();
    tint.setAlphaF(0.15f);
    painter.save();
    painter.fillRect(region, tint);
    HighContrastStyle{settings.increaseContrast()}.strokeOutline(painter, region);
    painter.restore();
}

} // namespace quorvane
