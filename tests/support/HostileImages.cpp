#include "support/HostileImages.h"

#include "support/HeifFiles.h"
#include "support/ImageFiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QRandomGenerator>
#include <array>
#include <cstdint>
#include <vector>

namespace quorvane::test {
namespace {

QByteArray le32(std::uint32_t value) {
    return le16(int(value & 0xFFFF)) + le16(int(value >> 16));
}

std::uint32_t crc32(const QByteArray& bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFF;
    for (char byte : bytes)
        crc = table[(crc ^ std::uint8_t(byte)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Bits in deflate's order: values from their lowest bit, Huffman codes from their highest.
class BitWriter {
public:
    void put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void zeros(std::int64_t count) {
        for (; count > 0 && used_ != 0; --count)
            bit(0);
        bytes_.append(qsizetype(count / 8), '\0');
        put(0, int(count % 8));
    }
    void code(std::uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i)
            bit((value >> i) & 1);
    }
    QByteArray finish() {
        if (used_ > 0) bytes_ += char(current_);
        return bytes_;
    }

private:
    void bit(std::uint32_t value) {
        current_ |= value << used_;
        if (++used_ == 8) {
            bytes_ += char(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    QByteArray bytes_;
    std::uint32_t current_ = 0;
    int used_ = 0;
};

std::uint32_t adler32(const QByteArray& bytes) {
    std::uint32_t a = 1, b = 0;
    for (char c : bytes) {
        a = (a + std::uint8_t(c)) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// A zlib stream of `prefix` (bytes 0 and 255 only, ending in 0) and then zeros, in copies of 258
// bytes at distance 1, until it is `extraBytes` longer. One block with codes of its own makes each
// copy two bits: the densest deflate allows, as in the files that froze other programs.
QByteArray zlibWithZeros(const QByteArray& prefix, qsizetype extraBytes) {
    BitWriter bits;
    bits.put(1, 1);  // the last block
    bits.put(2, 2);  // codes of its own
    bits.put(29, 5); // 286 code lengths for literals and lengths
    bits.put(0, 5);  // one for distances
    bits.put(14, 4); // 18 lengths of code-length codes, in their order 16, 17, 18, 0, 8, 7, 9, 6, 10,
                     // 5, 11, 4, 12, 3, 13, 2, 14, 1: two bits for 18, 3, 2 and 1
    for (int length : {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 2})
        bits.put(std::uint32_t(length), 3);
    // Code-length codes: 1 is 00, 2 is 01, 3 is 10, and 18 (11 to 138 zeros, seven more bits) is 11.
    const auto zeroLengths = [&](int count) {
        bits.code(3, 2);
        bits.put(std::uint32_t(count - 11), 7);
    };
    bits.code(1, 2); // literal 0: two bits
    zeroLengths(138);
    zeroLengths(116);
    bits.code(2, 2); // literal 255: three bits
    bits.code(2, 2); // end of block: three bits
    zeroLengths(28);
    bits.code(0, 2); // length 258: one bit
    bits.code(0, 2); // distance 1: one bit
    // So literal 0 is 10, 255 is 110, the end 111, length 258 is 0 and distance 1 is 0.
    for (char c : prefix)
        c == 0 ? bits.code(2, 2) : bits.code(6, 3);
    const std::int64_t copies = std::int64_t(extraBytes) * 4;
    bits.zeros(copies * 2);
    bits.code(7, 3);
    // Adler-32 of the prefix, then of the zeros: the first sum stays, the second grows by it.
    const std::uint64_t a = adler32(prefix) & 0xFFFF;
    const std::uint64_t b = ((adler32(prefix) >> 16) + std::uint64_t(copies) % 65521 * 258 % 65521 * a) % 65521;
    return QByteArray("\x78\x01", 2) + bits.finish() + be32(std::uint32_t(b << 16 | a));
}

// A zlib stream of `data` in stored blocks.
QByteArray zlibStored(const QByteArray& data) {
    QByteArray out("\x78\x01", 2);
    for (qsizetype at = 0; at == 0 || at < data.size(); at += 65'535) {
        const QByteArray block = data.mid(at, 65'535);
        out += char(at + 65'535 >= data.size() ? 1 : 0) + le16(int(block.size())) +
               le16(int(~block.size() & 0xFFFF)) + block;
    }
    return out + be32(adler32(data));
}

QByteArray tiffEntry(int tag, int type, std::uint32_t value) {
    return le16(tag) + le16(type) + le32(1) + (type == 3 ? le16(int(value)) + le16(0) : le32(value));
}

// Where each scan starts and ends: its SOS marker up to the next marker.
std::vector<std::pair<qsizetype, qsizetype>> scans(const QByteArray& jpeg) {
    std::vector<std::pair<qsizetype, qsizetype>> found;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && std::uint8_t(jpeg[at]) == 0xFF) {
        const auto marker = std::uint8_t(jpeg[at + 1]);
        if (marker == 0xD9) break;
        const qsizetype length = std::uint8_t(jpeg[at + 2]) << 8 | std::uint8_t(jpeg[at + 3]);
        if (marker != 0xDA) {
            at += 2 + length;
            continue;
        }
        qsizetype end = at + 2 + length;
        while (end + 1 < jpeg.size() &&
               !(std::uint8_t(jpeg[end]) == 0xFF && std::uint8_t(jpeg[end + 1]) != 0 &&
                 (std::uint8_t(jpeg[end + 1]) & 0xF8) != 0xD0))
            ++end;
        found.emplace_back(at, end);
        at = end;
    }
    return found;
}

} // namespace

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type) + data;
    return be32(std::uint32_t(data.size())) + body + be32(crc32(body));
}

QByteArray interlacedPng(const QImage& image) {
    const QImage straight = image.convertToFormat(QImage::Format_RGBA8888);
    const int width = straight.width(), height = straight.height();
    // Adam7: first column and row, and steps, of each pass.
    constexpr int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    QByteArray rows;
    for (const auto& [x0, y0, dx, dy] : passes) {
        if (x0 >= width) continue;
        for (int y = y0; y < height; y += dy) {
            rows += '\0';
            for (int x = x0; x < width; x += dx)
                rows += QByteArray(reinterpret_cast<const char*>(straight.constScanLine(y)) + 4 * x, 4);
        }
    }
    const QByteArray header =
        be32(std::uint32_t(width)) + be32(std::uint32_t(height)) + QByteArray("\x08\x06\0\0\x01", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", zlibStored(rows)) +
           pngChunk("IEND", {});
}

QByteArray pngWithExtraImageData(qsizetype extraBytes, bool damagedLastChunk, bool interlaced) {
    const int side = interlaced ? 2 : 1;
    const QByteArray header = be32(std::uint32_t(side)) + be32(std::uint32_t(side)) +
                              QByteArray("\x08\x02\0\0", 4) + char(interlaced ? 1 : 0);
    // The filter byte, then red; the blue byte ends the row with a zero. Interlaced: the first
    // pixel, the second of the first row, then the whole second row.
    const QByteArray red("\xFF\0\0", 3);
    const QByteArray rows = interlaced ? '\0' + red + '\0' + red + '\0' + red + red : '\0' + red;
    const QByteArray stream = zlibWithZeros(rows, extraBytes);
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
    constexpr qsizetype chunkSize = 65'536;
    for (qsizetype at = 0; at < stream.size(); at += chunkSize)
        png += pngChunk("IDAT", stream.mid(at, chunkSize));
    if (damagedLastChunk) png[png.size() - 1] = char(png[png.size() - 1] ^ 0x55);
    return png + pngChunk("IEND", {});
}

QByteArray pngWithPaletteChunks(qsizetype metadataBytes) {
    const QByteArray plain = pngWithExtraImageData(0);
    // The palette's name, its sample depth, and entries of six bytes.
    const QByteArray palette = pngChunk("sPLT", QByteArray("p\0\x08", 3) + QByteArray(6 * 174'762, '\x10'));
    constexpr qsizetype imageDataAt = 8 + 25;
    QByteArray png;
    png.reserve(plain.size() + metadataBytes + palette.size());
    png += plain.left(imageDataAt);
    for (qsizetype added = 0; added < metadataBytes; added += palette.size())
        png += palette;
    return png + plain.mid(imageDataAt);
}

QByteArray jpegWithProfileSegments(qsizetype metadataBytes) {
    QImage red(1, 1, QImage::Format_RGBX8888);
    red.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "JPEG").write(red);
    const QByteArray plain = buffer.data();
    QByteArray jpeg;
    jpeg.reserve(plain.size() + metadataBytes + 65'536);
    jpeg += plain.left(2);
    for (int part = 0; jpeg.size() < metadataBytes; ++part)
        jpeg += QByteArray("\xFF\xE2\xFF\xFFICC_PROFILE\0", 16) + char(part % 255 + 1) + char(255) +
                QByteArray(65'535 - 16, '\x20');
    return jpeg + plain.mid(2);
}

QByteArray tiffWithExtraImageData(qsizetype extraBytes, bool tiled, bool damagedEnd) {
    const int side = tiled ? 16 : 1;
    QByteArray data = zlibWithZeros(QByteArray(side * side, '\0'), extraBytes);
    if (damagedEnd) data[data.size() - 1] = char(data[data.size() - 1] ^ 0x55);
    constexpr std::uint32_t dataAt = 8;
    const QByteArray entries[] = {
        tiffEntry(256, 3, 1), // width
        tiffEntry(257, 3, 1), // height
        tiffEntry(258, 3, 8), // bits per sample
        tiffEntry(259, 3, 8), // deflate
        tiffEntry(262, 3, 1), // black is zero
        tiled ? tiffEntry(322, 3, 16) : tiffEntry(273, 4, dataAt),                    // tile width, strip
        tiled ? tiffEntry(323, 3, 16) : tiffEntry(278, 4, 1),                         // tile length, rows
        tiled ? tiffEntry(324, 4, dataAt) : tiffEntry(279, 4, std::uint32_t(data.size())), // offsets, counts
    };
    QByteArray directory = le16(tiled ? 9 : 8);
    for (const QByteArray& entry : entries)
        directory += entry;
    if (tiled) directory += tiffEntry(325, 4, std::uint32_t(data.size()));
    directory += le32(0);
    return QByteArray("II*\0", 4) + le32(dataAt + std::uint32_t(data.size())) + data + directory;
}

QByteArray heicWithExtraItemData(qsizetype extraBytes) {
    QImage red(64, 64, QImage::Format_RGBX8888);
    red.fill(Qt::red);
    const CodedPicture picture = encodePicture(red);
    // Filler data units (type 38) of 64 KiB, each after its four-byte length.
    const QByteArray filler = QByteArray("\x4C\x01", 2) + QByteArray(65'536, '\xFF');
    QByteArray data = picture.data;
    for (qsizetype added = 0; added < extraBytes; added += filler.size() + 4)
        data += be32(std::uint32_t(filler.size())) + filler;
    HeifFile file;
    file.items.push_back({1,
                          "hvc1",
                          data,
                          false,
                          {file.addProperty(HeifFile::configurationBox(picture.configuration)),
                           file.addProperty(HeifFile::sizeBox(64, 64))}});
    return file.bytes();
}

QByteArray gifWithExtraImageData(qsizetype extraBytes) {
    const QByteArray one = gif(1, 1, {Qt::red}, {0});
    // The frame's last block and its terminator come before the trailer; more blocks of codes
    // go between them.
    QByteArray extra;
    extra.reserve(extraBytes + extraBytes / 255 + 1);
    for (qsizetype at = 0; at < extraBytes; at += 255)
        extra += char(255) + QByteArray(255, '\x5A');
    return one.chopped(2) + extra + one.right(2);
}

QByteArray gifWithFrames(int frames) {
    const QByteArray one = gif(1, 1, {Qt::red}, {0});
    // Signature, screen and its 256 colours, then the frame up to the trailer.
    constexpr qsizetype frameAt = 6 + 7 + 3 * 256;
    const QByteArray frame = one.mid(frameAt, one.size() - frameAt - 1);
    QByteArray out = one.left(frameAt);
    out.reserve(frameAt + frame.size() * frames + 1);
    for (int i = 0; i < frames; ++i)
        out += frame;
    return out + ';';
}

QByteArray plausibleStart(const char* format) {
    const QByteArrayView kind(format);
    if (kind == "PNG")
        return pngWithExtraImageData(0).left(8 + 25) +
               pngChunk("tEXt", QByteArray("Comment\0", 8) + QByteArray(70'000, 'x'));
    if (kind == "GIF") {
        QByteArray comment("\x21\xFE", 2);
        while (comment.size() < 70'000)
            comment += char(255) + QByteArray(255, 'c');
        return gif(1, 1, {Qt::red}, {0}).left(6 + 7 + 3 * 256) + comment + '\0';
    }
    QImage noise(400, 300, QImage::Format_RGBX8888);
    QRandomGenerator random(5);
    for (int y = 0; y < noise.height(); ++y)
        random.fillRange(reinterpret_cast<quint32*>(noise.scanLine(y)), noise.width());
    return qtEncoded(noise, "JPEG").left(65'536);
}

QByteArray pngWithChunks(const QByteArray& chunks) {
    const QByteArray plain = pngWithExtraImageData(0);
    constexpr qsizetype imageDataAt = 8 + 25;
    return plain.left(imageDataAt) + chunks + plain.mid(imageDataAt);
}

QByteArray jpegWithScans(const QImage& image, int scans) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(90);
    writer.write(image);
    QByteArray jpeg = buffer.data();
    const auto found = test::scans(jpeg);
    if (found.empty() || int(found.size()) > scans) return jpeg;
    auto smallest = found.front();
    for (const auto& scan : found)
        if (scan.second - scan.first < smallest.second - smallest.first) smallest = scan;
    const QByteArray scan = jpeg.mid(smallest.first, smallest.second - smallest.first);
    QByteArray copies;
    copies.reserve(scan.size() * (scans - qsizetype(found.size())));
    for (int i = int(found.size()); i < scans; ++i)
        copies += scan;
    return jpeg.insert(smallest.second, copies);
}

int jpegScans(const QByteArray& jpeg) {
    return int(scans(jpeg).size());
}

QByteArray runLengthBmp(int width, int height, const QByteArray& runs) {
    QByteArray palette;
    for (int i = 0; i < 256; ++i)
        palette += QByteArray(3, char(i)) + '\0';
    const QByteArray info = le32(40) + le32(std::uint32_t(width)) + le32(std::uint32_t(height)) + le16(1) +
                            le16(8) + le32(1) + le32(std::uint32_t(runs.size())) + le32(0) + le32(0) +
                            le32(256) + le32(0);
    const std::uint32_t pixelsAt = 14 + std::uint32_t(info.size() + palette.size());
    return "BM" + le32(pixelsAt + std::uint32_t(runs.size())) + le32(0) + le32(pixelsAt) + info + palette +
           runs;
}

} // namespace quorvane::test
