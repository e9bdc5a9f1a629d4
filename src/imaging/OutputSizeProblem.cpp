#include "imaging/OutputSizeProblem.h"

#include <cmath>

namespace quorvane {

std::optional<QString> outputSizeProblem(const QSizeF& size) {
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()))
        return QStringLiteral("Enter a width and height.");
    const double w = std::round(size.width()), h = std::round(size.height());
    if (w < 1 || h < 1) return QStringLiteral("Width and height must be at least 1 pixel.");
    if (w > maxOutputSide || h > maxOutputSide)
        return QStringLiteral("Each side can be at most 16,384 pixels.");
    if (w * h > maxOutputPixels) return QStringLiteral("The result can be at most 32 megapixels.");
    return std::nullopt;
}

} // namespace quorvane
