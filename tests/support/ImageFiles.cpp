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

QByteArray bmp(const QImage& image, int bits, BmpRows rows) {
    const auto le32 = [](std::uint32_t value) { return le16(int(value & 0xFFFF)) + le16(int(value >> 16)); };
    const int width = image.width(), height = image.height();
    const int rowBytes = (width * bits + 31) / 32 * 4;
    std::vector<QRgb> palette;
    QByteArray pixels(rowBytes * height, '\0');
    for (int y = 0; y < height; ++y) {
        uchar* row = reinterpret_cast<uchar*>(pixels.data()) +
                     rowBytes * (rows == BmpRows::topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y);
            if (bits <= 8) {
                auto found = std::find(palette.begin(), palette.end(), c);
                if (found == palette.end()) found = palette.insert(found, c);
                row[x * bits / 8] |= uchar((found - palette.begin()) << (8 - bits - x * bits % 8));
            } else if (bits == 16) {
                const int packed = (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3;
                row[2 * x] = uchar(packed & 0xFF);
                row[2 * x + 1] = uchar(packed >> 8);
            } else {
                uchar* pixel = row + x * bits / 8;
                pixel[0] = uchar(qBlue(c));
                pixel[1] = uchar(qGreen(c));
                pixel[2] = uchar(qRed(c));
            }
        }
    }
    QByteArray table;
    for (const QRgb c : palette)
        table += QByteArray(1, char(qBlue(c))) + char(qGreen(c)) + char(qRed(c)) + '\0';
    const std::uint32_t storedHeight =
        rows == BmpRows::topDown ? std::uint32_t(-height) : std::uint32_t(height);
    const QByteArray info = le32(40) + le32(std::uint32_t(width)) + le32(storedHeight) + le16(1) +
                            le16(bits) + le32(0) + le32(std::uint32_t(pixels.size())) + le32(0) + le32(0) +
                            le32(std::uint32_t(palette.size())) + le32(0);
    const std::uint32_t pixelsAt = 14 + std::uint32_t(info.size() + table.size());
    return "BM" + le32(pixelsAt + std::uint32_t(pixels.size())) + le32(0) + le32(pixelsAt) + info + table +
           pixels;
}

QByteArray bitFieldsBmp(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                        const std::vector<std::uint32_t>& pixels, BmpRows rows) {
    const auto le32 = [](std::uint32_t value) { return le16(int(value & 0xFFFF)) + le16(int(value >> 16)); };
    const int rowBytes = (width * bits + 31) / 32 * 4;
    QByteArray stored(rowBytes * height, '\0');
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QByteArray pixel = (le32(pixels[std::size_t(y * width + x)])).left(bits / 8);
            stored.replace(rowBytes * (rows == BmpRows::topDown ? y : height - 1 - y) + x * bits / 8,
                           bits / 8, pixel);
        }
    const bool v4 = masks.size() == 4;
    QByteArray info = le32(v4 ? 108 : 40) + le32(std::uint32_t(width)) +
                      le32(rows == BmpRows::topDown ? std::uint32_t(-height) : std::uint32_t(height)) +
                      le16(1) + le16(bits) + le32(masks.empty() ? 0 : 3) +
                      le32(std::uint32_t(stored.size())) + QByteArray(16, '\0');
    for (const std::uint32_t mask : masks)
        info += le32(mask);
    if (v4) info += QByteArray(108 - info.size(), '\0');
    const std::uint32_t pixelsAt = 14 + std::uint32_t(info.size());
    return "BM" + le32(pixelsAt + std::uint32_t(stored.size())) + le32(0) + le32(pixelsAt) + info + stored;
}

QByteArray masksInHeaderBmp(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                            const std::vector<std::uint32_t>& pixels) {
    const auto le32 = [](std::uint32_t value) { return le16(int(value & 0xFFFF)) + le16(int(value >> 16)); };
    // Three masks after a 40-byte header lie where a 52-byte header holds them; the fourth goes beside.
    QByteArray bmp = bitFieldsBmp(width, height, bits, {masks[0], masks[1], masks[2]}, pixels);
    const auto headerSize = std::uint32_t(40 + 4 * masks.size());
    if (masks.size() == 4) bmp.insert(66, le32(masks[3]));
    bmp.replace(14, 4, le32(headerSize));
    bmp.replace(10, 4, le32(14 + headerSize));
    bmp.replace(2, 4, le32(std::uint32_t(bmp.size())));
    return bmp;
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
