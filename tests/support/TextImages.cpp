#include "support/TextImages.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#define ZX_USE_UTF8 1
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

namespace quorvane::test {

QRect drawText(QImage& image, const QString& text, QPoint at, int pixelSize, bool mono, const QColor& color) {
    QFont font(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(color);
    const QFontMetrics metrics(font);
    painter.drawText(at + QPoint(0, metrics.ascent()), text);
    return QRect(at, QSize(metrics.horizontalAdvance(text), metrics.height()));
}

QRect drawBarcode(QImage& image, BarcodeKind kind, const QString& payload, QPoint at, int module,
                  int height) {
    const ZXing::BarcodeFormat format = kind == BarcodeKind::qr        ? ZXing::BarcodeFormat::QRCode
                                        : kind == BarcodeKind::code128 ? ZXing::BarcodeFormat::Code128
                                                                       : ZXing::BarcodeFormat::EAN13;
    ZXing::MultiFormatWriter writer(format);
    writer.setMargin(kind == BarcodeKind::qr ? 4 : 10);
    const ZXing::BitMatrix matrix = writer.encode(payload.toStdString(), 0, kind == BarcodeKind::qr ? 0 : 1);
    const int rows = kind == BarcodeKind::qr ? matrix.height() : 1;
    const int rowHeight = kind == BarcodeKind::qr ? module : height;
    QPainter painter(&image);
    painter.fillRect(QRect(at, QSize(matrix.width() * module, rows * rowHeight)), Qt::white);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < matrix.width(); ++x)
            if (matrix.get(x, y))
                painter.fillRect(QRect(at.x() + x * module, at.y() + y * rowHeight, module, rowHeight),
                                 Qt::black);
    return QRect(at, QSize(matrix.width() * module, rows * rowHeight));
}

QImage whiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::white);
    return image;
}

} // namespace quorvane::test
