// EditorDocument's rendering: the canvas image cut from the base, annotations drawn over it, and
// the exported image.

#include "core/Geometry.h"
#include "document/AnnotationDrawing.h"
#include "document/EditorDocument.h"

#include <QColorSpace>
#include <QPainter>
#include <cmath>

namespace quorvane {
namespace {

Error renderError(int code, const QString& message) {
    return Error{QStringLiteral("Quorvane.Render"), code, message};
}

void releaseBase(void* info) {
    delete static_cast<BaseImageRef*>(info);
}

// A view of `area` of the base that shares its pixels and keeps the base alive.
std::optional<QImage> sharedSubImage(const BaseImageRef& base, const QRect& area) {
    const QImage& whole = base->image();
    if (whole.depth() % 8 != 0 || whole.colorCount() > 0) return std::nullopt;
    const uchar* bits = whole.constBits() + static_cast<qsizetype>(area.y()) * whole.bytesPerLine() +
                        static_cast<qsizetype>(area.x()) * (whole.depth() / 8);
    auto* keep = new BaseImageRef(base);
    QImage sub(bits, area.width(), area.height(), whole.bytesPerLine(), whole.format(), releaseBase, keep);
    if (sub.isNull()) {
        delete keep;
        return std::nullopt;
    }
    sub.setColorSpace(whole.colorSpace());
    return sub;
}

// Redactions first and again last, so that effects show redacted pixels and nothing covers a
// redaction; all spotlights dim in one layer at the place of the first.
bool drawInOrder(const std::vector<Annotation>& annotations, QPainter& painter, QImage& target) {
    bool drawn = true;
    const auto drawRedactions = [&] {
        for (const Annotation& a : annotations)
            if (a.kind == AnnotationKind::redact) drawn = drawAnnotation(a, painter, target) && drawn;
    };
    drawRedactions();
    bool spotlightsDrawn = false;
    for (const Annotation& a : annotations) {
        if (a.kind == AnnotationKind::redact) continue;
        if (a.kind != AnnotationKind::spotlight) {
            drawn = drawAnnotation(a, painter, target) && drawn;
        } else if (!spotlightsDrawn) {
            spotlightsDrawn = true;
            std::vector<Annotation> spotlights;
            for (const Annotation& s : annotations)
                if (s.kind == AnnotationKind::spotlight) spotlights.push_back(s);
            drawn = drawSpotlights(spotlights, painter, target) && drawn;
        }
    }
    drawRedactions();
    return drawn;
}

} // namespace

Result<QImage, Error> EditorDocument::render(const Annotations& annotations, const QImage& image,
                                             const QRectF& crop) {
    return render(annotations, image, crop, MappedBitmap::image);
}

Result<QImage, Error> EditorDocument::render(const Annotations& annotations, const QImage& image,
                                             const QRectF& crop, const BitmapAllocator& allocator) {
    if (annotations.empty()) return image;
    const QImage source = ImageResampler::sRGBColors(image);
    bool drawn = false;
    std::optional<QImage> result;
    if (!source.isNull())
        result = allocator(source.width(), source.height(), MappedBitmap::Alpha::premultipliedLast,
                           [&](QImage& target) {
                               QPainter painter(&target);
                               painter.setCompositionMode(QPainter::CompositionMode_Source);
                               painter.drawImage(QPoint(0, 0), source);
                               painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                               painter.translate(-geom::minX(crop), -geom::minY(crop));
                               drawn = drawInOrder(annotations, painter, target);
                           });
    if (!result || !drawn)
        return Failure{renderError(1, QStringLiteral("Could not allocate the annotated image."))};
    return std::move(*result);
}

Result<QImage, Error> EditorDocument::render(const std::optional<Annotations>& annotations) const {
    return render(Annotation::resolvingColors(annotations ? *annotations : *annotations_), image_, crop_,
                  allocator_);
}

EditorDocument::Output EditorDocument::output(const Annotations& annotations) const {
    return Output{image_,      crop_,          Annotation::resolvingColors(annotations),
                  outputSize_, outputQuality_, backdrop_};
}

Result<QImage, Error> EditorDocument::renderOutput(const Output& output) {
    auto rendered = render(output.annotations, output.image, output.cropRect);
    if (!rendered) return rendered;

    std::optional<QImage> sized;
    if (!output.outputSize) {
        sized = ImageResampler::convertToSRGB(*rendered);
    } else {
        Annotations redactions;
        for (const Annotation& a : output.annotations)
            if (a.kind == AnnotationKind::redact) redactions.push_back(a);
        // Resampling blends the redactions' edges with their neighbours: drawn again over the
        // final pixels, they stay fully covered at any scale.
        ImageResampler::Overlay overlay;
        if (!redactions.empty())
            overlay = [&](QPainter& painter, QImage& target) {
                const QRectF crop = output.cropRect;
                painter.scale(std::round(output.outputSize->width()) / geom::width(crop),
                              std::round(output.outputSize->height()) / geom::height(crop));
                painter.translate(-geom::minX(crop), -geom::minY(crop));
                for (const Annotation& a : redactions)
                    drawAnnotation(a, painter, target);
            };
        sized = ImageResampler::resize(*rendered, *output.outputSize, output.outputQuality, overlay);
    }
    if (!sized) return Failure{renderError(2, QStringLiteral("Could not allocate the resized image."))};
    if (!output.backdrop) return std::move(*sized);

    if (auto problem = output.backdrop->problem(QSizeF(sized->width(), sized->height())))
        return Failure{renderError(3, *problem)};
    auto framed = output.backdrop->apply(*sized);
    if (!framed) return Failure{renderError(2, QStringLiteral("Could not allocate the backdrop image."))};
    return std::move(*framed);
}

std::optional<QImage> EditorDocument::canvasImage(const QRectF& crop, const BaseImageRef& base,
                                                  const BitmapAllocator& allocator) {
    const QImage& whole = base->image();
    const QRectF bounds(0, 0, whole.width(), whole.height());
    if (geom::exactlyEqual(crop, bounds)) return whole;
    if (!geom::isValidArea(crop)) return std::nullopt;
    if (geom::contains(bounds, crop)) {
        const QRect area(static_cast<int>(geom::minX(crop)), static_cast<int>(geom::minY(crop)),
                         static_cast<int>(geom::width(crop)), static_cast<int>(geom::height(crop)));
        if (auto sub = sharedSubImage(base, area)) return sub;
    } else if (outputSizeProblem(QSizeF(geom::width(crop), geom::height(crop)))) {
        return std::nullopt;
    }
    const QImage source = ImageResampler::sRGBColors(whole);
    if (source.isNull()) return std::nullopt;
    return allocator(static_cast<std::int64_t>(geom::width(crop)),
                     static_cast<std::int64_t>(geom::height(crop)), MappedBitmap::Alpha::premultipliedLast,
                     [&](QImage& target) {
                         QPainter painter(&target);
                         painter.fillRect(target.rect(), base->edgeColor());
                         painter.drawImage(QPointF(-geom::minX(crop), -geom::minY(crop)), source);
                     });
}

} // namespace quorvane
