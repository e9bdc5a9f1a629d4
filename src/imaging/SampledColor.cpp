#include "imaging/SampledColor.h"

#include <cmath>

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

double SampledColor::luminance() const {
    const auto linear = [](std::uint8_t channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(red) + 0.7152 * linear(green) + 0.0722 * linear(blue);
}

} // namespace quorvane
