#include "document/DigitFont.h"

#include <QFontDatabase>
#include <QFontMetricsF>

namespace quorvane {

bool hasTabularDigits(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double advance = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != advance) return false;
    return true;
}

QFont tabularDigitFont(QFont font) {
    if (hasTabularDigits(font)) return font;
    for (const char* family : {"DejaVu Sans", "Noto Sans", "Liberation Sans"}) {
        font.setFamilies({QString::fromLatin1(family)});
        if (hasTabularDigits(font)) return font;
    }
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (font.pixelSize() > 0)
        fixed.setPixelSize(font.pixelSize());
    else
        fixed.setPointSizeF(font.pointSizeF());
    fixed.setWeight(font.weight());
    return fixed;
}

} // namespace quorvane
