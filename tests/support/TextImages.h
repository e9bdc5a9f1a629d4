#pragma once

// Images for the recognition tests and benchmarks: text drawn with DejaVu fonts and barcodes
// made by ZXing's writer, where each piece's place is known.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

namespace quorvane::test {

enum class BarcodeKind { qr, code128, ean13 };

// Draws `text` in DejaVu Sans (or DejaVu Sans Mono) of `pixelSize` with its top-left at `at`;
// returns the box the glyphs cover.
QRect drawText(QImage& image, const QString& text, QPoint at, int pixelSize, bool mono = false,
               const QColor& color = Qt::black);
// Draws a code of `payload` with modules of `module` pixels (bars `height` tall for linear
// codes), quiet zone included, with its top-left at `at`; returns the box it covers.
QRect drawBarcode(QImage& image, BarcodeKind kind, const QString& payload, QPoint at, int module,
                  int height = 80);
// A white RGBA image.
QImage whiteImage(int width, int height);

} // namespace quorvane::test
