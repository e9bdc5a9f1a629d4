#pragma once

// Numbers that change in place (sizes, counts, readings) are set in the system's proportional
// font with digits of one width: neither jiggling digits nor a typewriter face.

#include "document/DigitFont.h"

#include <QFontInfo>
#include <string>

namespace quorvane::test {

// Why `font` is not such a font; empty when it is.
inline std::string unevenNumbers(const QFont& font) {
    const QFontInfo info(font);
    if (info.fixedPitch()) return info.family().toStdString() + " is monospaced throughout";
    if (!hasTabularDigits(font)) return info.family().toStdString() + " has digits of different widths";
    return {};
}

} // namespace quorvane::test
