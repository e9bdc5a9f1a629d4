#include "editor_window/ChromeText.h"

#include <QFontDatabase>
#include <QKeySequence>
#include <cmath>

namespace quorvane::ChromeText {
namespace {

constexpr double limit = 1e15;

QString integer(double value) {
    if (!std::isfinite(value)) return QStringLiteral("0");
    return QString::number(static_cast<long long>(std::clamp(value, -limit, limit)));
}

} // namespace

QString wholeNumber(double value) {
    return integer(std::trunc(value));
}

QString percent(double fraction) {
    return integer(std::round(fraction * 100)) + QLatin1Char('%');
}

QString shortcut(QKeyCombination combination) {
    // Qt's portable text writes Ctrl, Alt, Shift, Meta in this order, as Linux desktops do.
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

QFont scaled(QFont font, double factor) {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * factor))));
    return font;
}

QFont monospaced(const QFont& base) {
    QFont font = base;
    font.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    font.setStyleHint(QFont::Monospace);
    return font;
}

} // namespace quorvane::ChromeText
