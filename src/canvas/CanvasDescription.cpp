#include "canvas/CanvasDescription.h"

#include "canvas/EditorCanvasSettings.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"

#include <QStringList>
#include <algorithm>

namespace quorvane {
namespace {

// Truncated toward zero, as the spoken sizes are; out-of-range values speak as 0.
QString whole(double value) {
    return std::isfinite(value) && std::abs(value) < 1e15 ? QString::number(static_cast<qint64>(value))
                                                          : QStringLiteral("0");
}

QString rounded(double value) {
    return whole(geom::roundHalfAway(value));
}

QString rectangleText(const QRectF& rect) {
    return whole(rect.width()) + QStringLiteral(" by ") + whole(rect.height()) +
           QStringLiteral(" pixels at ") + rounded(rect.x()) + QStringLiteral(", ") + rounded(rect.y());
}

} // namespace

QString canvasDescription(const EditorDocument& document, const EditorCanvasSettings& settings) {
    QStringList parts;
    const QRectF crop = document.cropRect();
    parts << whole(crop.width()) + QStringLiteral(" by ") + whole(crop.height()) + QStringLiteral(" pixels");
    parts << (settings.viewport().fit()
                  ? QStringLiteral("fit")
                  : rounded(settings.viewport().zoomFraction() * 100) + QStringLiteral(" percent"));
    if (settings.modes().recognizing())
        parts << QStringLiteral("Recognize text mode");
    else if (settings.modes().cropping())
        parts << QStringLiteral("Crop mode");
    else
        parts << settings.style().tool() + QStringLiteral(" tool");
    if (settings.modes().selection())
        parts << QStringLiteral("selection ") + rectangleText(*settings.modes().selection());
    if (settings.modes().selectedID()) {
        const auto& list = document.annotations();
        const auto found = std::find_if(list.begin(), list.end(), [&](const Annotation& a) {
            return a.id == *settings.modes().selectedID();
        });
        if (found != list.end()) {
            const QRectF rect = geom::integral(geom::offsetBy(found->rect, -crop.x(), -crop.y()));
            parts << QStringLiteral("selected ") + found->spokenKind() + QLatin1Char(' ') +
                         rectangleText(rect);
        }
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace quorvane
