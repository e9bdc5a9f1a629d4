#include "export/GIFExporter.h"

#include "export/ExportFiles.h"
#include "export/GifQuantizer.h"
#include "platform/GifEncoder.h"

#include <cmath>

namespace quorvane::GIFExporter {

EditorDocument::Annotations beforeAnnotations(const EditorDocument::Annotations& annotations) {
    EditorDocument::Annotations kept;
    for (const Annotation& a : annotations) {
        switch (a.kind) {
        case AnnotationKind::redact:
        case AnnotationKind::blur:
        case AnnotationKind::pixelate:
        case AnnotationKind::erase:
            kept.push_back(a);
            break;
        case AnnotationKind::rectangle:
        case AnnotationKind::oval:
            if (a.fill) kept.push_back(a);
            break;
        default:
            break;
        }
    }
    return kept;
}

Result<std::pair<QImage, QImage>, Error> frames(const EditorDocument& document, const Renderer& render) {
    auto after = render(document.output(document.annotations()));
    if (!after) return Failure{after.error()};
    auto before = render(document.output(beforeAnnotations(document.annotations())));
    if (!before) return Failure{before.error()};
    if (before->size() != after->size())
        return Failure{ImageExporter::error(ImageExporter::ExportError::encodingFailed)};
    return std::pair{std::move(*before), std::move(*after)};
}

Result<QByteArray, ImageExporter::ExportError> encode(const std::vector<QImage>& images,
                                                      double delaySeconds) {
    const auto indexed = GifQuantizer::quantize(images);
    if (!indexed || !std::isfinite(delaySeconds) || delaySeconds < 0 || delaySeconds > 600)
        return Failure{ImageExporter::ExportError::encodingFailed};
    const QSize size = images.front().size();
    auto bytes = GifEncoder::encode(size.width(), size.height(), indexed->palette, indexed->transparentIndex,
                                    indexed->frames, static_cast<int>(std::round(delaySeconds * 100)));
    if (!bytes) return Failure{ImageExporter::ExportError::encodingFailed};
    return std::move(*bytes);
}

Result<void, Error> save(const EditorDocument& document, const QUrl& destination, const Renderer& render) {
    auto pair = frames(document, render);
    if (!pair) return Failure{pair.error()};
    auto bytes = encode({pair->first, pair->second}, 1.0);
    if (!bytes) return Failure{ImageExporter::error(bytes.error())};
    if (!destination.isLocalFile())
        return Failure{ImageExporter::error(ImageExporter::ExportError::invalidDestination)};
    return ImageExporter::write(*bytes, destination);
}

QString suggestedName(const EditorDocument& document, const QDateTime& date) {
    if (const auto& source = document.sourceName(); source && !ExportFiles::stem(*source).isEmpty())
        return ExportFiles::stem(*source) + QStringLiteral(" before-after.gif");
    const QString time = date.toUTC().toString(Qt::ISODate).replace(QLatin1Char(':'), QLatin1Char('-'));
    return QStringLiteral("Quorvane before-after ") + time + QStringLiteral(".gif");
}

} // namespace quorvane::GIFExporter
