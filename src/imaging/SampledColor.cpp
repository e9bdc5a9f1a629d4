#include "imaging/SampledColor.h"

namespace quorvane {
namespace {

QString hexPair(std::uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// Two decimals at most, trailing zeros and a bare point dropped: 128 → "0.5", 254 → "1".
QString alphaFraction(std::uint8_t alpha) {
    QString text = QString::number(alpha / 255.0, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

} // namespace

QString SampledColor::hex() const {
    QString text = QStringLiteral("#") + hexPair(red) + hexPair(green) + hexPair(blue);
    if (alpha != 255) text += hexPair(alpha);
    return text;
}

QString SampledColor::rgbString() const {
    const QString channels = QStringLiteral("%1, %2, %3").arg(red).arg(green).arg(blue);
    if (alpha == 255) return QStringLiteral("rgb(") + channels + QStringLiteral(")");
    return QStringLiteral("rgba(") + channels + QStringLiteral(", ") + alphaFraction(alpha) +
           QStringLiteral(")");
}

} // namespace quorvane
