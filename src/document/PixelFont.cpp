#include "document/PixelFont.h"

#include <QGuiApplication>

namespace quorvane {

QFont pixelSizedFont(double pixels, const QPaintDevice* device, QFont::Weight weight) {
    // The application font is the desktop's sans; reading it is guarded for other threads.
    QFont font = QGuiApplication::font();
    const int dpi = device != nullptr && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    // A point size keeps fractions of a pixel, which a pixel size would round away.
    font.setPointSizeF(pixels * 72.0 / dpi);
    font.setWeight(weight);
    return font;
}

} // namespace quorvane
