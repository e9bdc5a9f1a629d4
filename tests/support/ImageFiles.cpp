#include "support/ImageFiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPainter>
#include <algorithm>

namespace quorvane::test {

QImage quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGBX8888);
    image.setColorSpace(QColorSpace::SRgb);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    return image;
}

QByteArray qtEncoded(const QImage& image, const char* format) {
    QBuffer buffer;
    image.save(&buffer, format);
    return buffer.data();
}

QByteArray le16(int value, bool bigEndian) {
    const QByteArray bytes = QByteArray(1, char(value & 0xFF)) + char(value >> 8 & 0xFF);
    return bigEndian ? QByteArray(1, bytes[1]) + bytes[0] : bytes;
}

QByteArray gif(int width, int height, const std::vector<QColor>& palette, const std::vector<uchar>& pixels,
               int transparent) {
    QByteArray out = "GIF89a" + le16(width) + le16(height) + QByteArray("\xF7\0\0", 3);
    for (std::size_t i = 0; i < 256; ++i) {
        const QColor c = i < palette.size() ? palette[i] : QColor(Qt::black);
        out += QByteArray(1, char(c.red())) + char(c.green()) + char(c.blue());
    }
    if (transparent >= 0) out += QByteArray("\x21\xF9\x04\x01\0\0", 6) + char(transparent) + '\0';
    if (pixels.empty()) return out + ';';
    out += QByteArray(",\0\0\0\0", 5) + le16(width) + le16(height) + QByteArray("\0\x08", 2);
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        for (bits |= quint32(code) << count, count += 9; count >= 8; count -= 8, bits >>= 8)
            codes += char(bits & 0xFF);
    };
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % 250 == 0) put(256);
        put(pixels[i]);
    }
    put(257);
    if (count > 0) codes += char(bits & 0xFF);
    for (qsizetype at = 0; at < codes.size(); at += 255)
        out += char(std::min<qsizetype>(255, codes.size() - at)) + codes.mid(at, 255);
    return out + '\0' + ';';
}

} // namespace quorvane::test
