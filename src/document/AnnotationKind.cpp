#include "document/AnnotationKind.h"

namespace quorvane {

QString rawValue(AnnotationKind kind) {
    switch (kind) {
    case AnnotationKind::arrow:
        return QStringLiteral("arrow");
    case AnnotationKind::rectangle:
        return QStringLiteral("rectangle");
    case AnnotationKind::oval:
        return QStringLiteral("oval");
    case AnnotationKind::text:
        return QStringLiteral("text");
    case AnnotationKind::redact:
        return QStringLiteral("redact");
    case AnnotationKind::blur:
        return QStringLiteral("blur");
    case AnnotationKind::pixelate:
        return QStringLiteral("pixelate");
    case AnnotationKind::bracketOpen:
        return QStringLiteral("bracketOpen");
    case AnnotationKind::bracketClose:
        return QStringLiteral("bracketClose");
    case AnnotationKind::braceOpen:
        return QStringLiteral("braceOpen");
    case AnnotationKind::braceClose:
        return QStringLiteral("braceClose");
    case AnnotationKind::image:
        return QStringLiteral("image");
    case AnnotationKind::freehand:
        return QStringLiteral("freehand");
    case AnnotationKind::highlight:
        return QStringLiteral("highlight");
    case AnnotationKind::spotlight:
        return QStringLiteral("spotlight");
    case AnnotationKind::counter:
        return QStringLiteral("counter");
    case AnnotationKind::magnifier:
        return QStringLiteral("magnifier");
    case AnnotationKind::erase:
        return QStringLiteral("erase");
    }
    return {};
}

std::optional<AnnotationKind> annotationKind(const QString& value) {
    for (AnnotationKind kind : allAnnotationKinds)
        if (rawValue(kind) == value) return kind;
    return std::nullopt;
}

} // namespace quorvane
