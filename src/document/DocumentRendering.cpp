#include "document/AnnotationDrawing.h"
#include "document/EditorDocument.h"

namespace quorvane {
namespace {

Error renderError(int code, const QString& message) {
    return Error{QStringLiteral("Quorvane.Render"), code, message};
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
    if (annotations.empty()) return image;
    bool drawn = false;
    auto result = MappedBitmap::image(image.width(), image.height(), MappedBitmap::Alpha::premultipliedLast,
                                      [&](QImage& target) {
                                          QPainter painter(&target);
                                          painter.drawImage(QPoint(0, 0), image);
                                          painter.translate(-crop.x(), -crop.y());
                                          drawn = drawInOrder(annotations, painter, target);
                                      });
    if (!result || !drawn)
        return Failure{renderError(1, QStringLiteral("Could not allocate the annotated image."))};
    return *result;
}

Result<QImage, Error> EditorDocument::render(const std::optional<Annotations>& annotations) const {
    return render(Annotation::resolvingColors(annotations ? *annotations : *annotations_), image_, crop_);
}

} // namespace quorvane
