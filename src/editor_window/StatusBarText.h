#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

// The texts of the status bar that are worked out from numbers.
namespace quorvane::StatusBarText {

// "1440 × 900", followed by " → 2880 × 1800" when the exported size differs; sizes truncated.
QString size(const QRectF& crop, const QSizeF& finalSize);
// "1440 by 900 pixels, exported at 2880 by 1800 pixels".
QString sizeDescription(const QRectF& crop, const QSizeF& finalSize);
// The crop bar's "W × H" of a selection, truncated.
QString selectionSize(const QRectF& selection);
// "Pixels or points", with "(÷2 on this HiDPI capture)" above one pixel per point.
QString unitsHelp(double pixelScale);

} // namespace quorvane::StatusBarText
