#include "editor_window/StatusBarText.h"

#include "editor_window/ChromeText.h"

namespace quorvane::StatusBarText {

namespace {

const QString times = QStringLiteral(" × ");

bool sameSize(const QRectF& crop, const QSizeF& finalSize) {
    return finalSize.width() == crop.width() && finalSize.height() == crop.height();
}

} // namespace

QString size(const QRectF& crop, const QSizeF& finalSize) {
    QString text = ChromeText::wholeNumber(crop.width()) + times + ChromeText::wholeNumber(crop.height());
    if (sameSize(crop, finalSize)) return text;
    return text + QStringLiteral(" → ") + ChromeText::wholeNumber(finalSize.width()) + times +
           ChromeText::wholeNumber(finalSize.height());
}

QString sizeDescription(const QRectF& crop, const QSizeF& finalSize) {
    const QString by = QStringLiteral(" by ");
    QString text = ChromeText::wholeNumber(crop.width()) + by + ChromeText::wholeNumber(crop.height()) +
                   QStringLiteral(" pixels");
    if (sameSize(crop, finalSize)) return text;
    return text + QStringLiteral(", exported at ") + ChromeText::wholeNumber(finalSize.width()) + by +
           ChromeText::wholeNumber(finalSize.height()) + QStringLiteral(" pixels");
}

QString selectionSize(const QRectF& selection) {
    return ChromeText::wholeNumber(selection.width()) + times + ChromeText::wholeNumber(selection.height());
}

QString unitsHelp(double pixelScale) {
    if (!(pixelScale > 1)) return QStringLiteral("Pixels or points");
    // "%g" without the process locale: six significant digits, no trailing zeros.
    return QStringLiteral("Pixels or points (÷") + QString::asprintf("%g", pixelScale) +
           QStringLiteral(" on this HiDPI capture)");
}

} // namespace quorvane::StatusBarText
