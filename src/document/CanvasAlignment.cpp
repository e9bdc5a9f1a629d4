#include "document/CanvasAlignment.h"

namespace quorvane {

QString rawValue(CanvasAlignment alignment) {
    switch (alignment) {
    case CanvasAlignment::left:
        return QStringLiteral("left");
    case CanvasAlignment::center:
        return QStringLiteral("center");
    case CanvasAlignment::right:
        return QStringLiteral("right");
    case CanvasAlignment::top:
        return QStringLiteral("top");
    case CanvasAlignment::middle:
        return QStringLiteral("middle");
    case CanvasAlignment::bottom:
        return QStringLiteral("bottom");
    }
    return {};
}

std::optional<CanvasAlignment> canvasAlignment(const QString& value) {
    for (CanvasAlignment alignment : allCanvasAlignments)
        if (rawValue(alignment) == value) return alignment;
    return std::nullopt;
}

QString title(CanvasAlignment alignment) {
    const QString raw = rawValue(alignment);
    return QStringLiteral("Align ") + raw.left(1).toUpper() + raw.mid(1);
}

} // namespace quorvane
