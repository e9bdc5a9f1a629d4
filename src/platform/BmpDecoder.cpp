#include "platform/BmpDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>

namespace quorvane::BmpDecoder {
namespace {

constexpr std::uint32_t rle8 = 1;
constexpr std::uint32_t rle4 = 2;

std::uint64_t littleEndian(QByteArrayView bytes, qsizetype at, int length) {
    std::uint64_t value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// Whether run-length coded rows starting at `at` leave their first row and then reach their
// end-of-bitmap mark before the data ends. A row is left by its end-of-line mark, by a jump to a
// later row or by pixels up to its end; later rows may legitimately leave pixels unset, but data
// that ends within the first row is damaged. Absolute runs are padded to whole words.
bool runsEnd(QByteArrayView bytes, qsizetype at, int bitsPerPixel, std::int64_t width) {
    std::int64_t x = 0;
    bool leftFirstRow = false;
    while (at + 2 <= bytes.size()) {
        const auto count = static_cast<std::uint8_t>(bytes[at]);
        const auto code = static_cast<std::uint8_t>(bytes[at + 1]);
        at += 2;
        if (count != 0) {
            x += count;
        } else if (code == 0) {
            leftFirstRow = true;
        } else if (code == 1) {
            return leftFirstRow;
        } else if (code == 2) {
            if (at + 2 > bytes.size()) return false;
            x += static_cast<std::uint8_t>(bytes[at]);
            leftFirstRow = leftFirstRow || bytes[at + 1] != 0;
            at += 2;
        } else {
            x += code;
            const qsizetype length = (static_cast<qsizetype>(code) * bitsPerPixel + 7) / 8;
            at += (length + 1) / 2 * 2;
        }
        leftFirstRow = leftFirstRow || x >= width;
    }
    return false;
}

class QtBmpDecoder final : public ImageDecoder {
public:
    explicit QtBmpDecoder(QByteArrayView bytes)
        : view_(bytes), bytes_(QByteArray::fromRawData(bytes.data(), bytes.size())), buffer_(&bytes_),
          reader_(&buffer_, "bmp") {}

    Status readHeader(ImageHeader& header) override {
        const QSize size = reader_.size();
        if (!size.isValid()) return Status::unreadable;
        header.width = size.width();
        header.height = size.height();
        header.hasAlpha =
            QImage::toPixelFormat(reader_.imageFormat()).alphaUsage() == QPixelFormat::UsesAlpha;
        return Status::image;
    }

    // Qt's reader leaves the rows that are missing black; the header says how much must be there.
    bool complete() override {
        if (view_.size() < 30) return false;
        const std::uint64_t pixelsAt = littleEndian(view_, 10, 4);
        const std::uint64_t headerSize = littleEndian(view_, 14, 4);
        const bool core = headerSize == 12;
        const std::int64_t width = core ? std::int64_t(littleEndian(view_, 18, 2))
                                        : static_cast<std::int32_t>(littleEndian(view_, 18, 4));
        const std::int64_t height =
            core ? std::int64_t(littleEndian(view_, 20, 2))
                 : std::abs(std::int64_t(static_cast<std::int32_t>(littleEndian(view_, 22, 4))));
        const auto bits = static_cast<int>(littleEndian(view_, core ? 24 : 28, 2));
        const std::uint64_t compression = core || view_.size() < 34 ? 0 : littleEndian(view_, 30, 4);
        if (width < 1 || height < 1 || bits > 64 || pixelsAt > static_cast<std::uint64_t>(view_.size()))
            return false;
        if (compression == rle8 || compression == rle4)
            return runsEnd(view_, static_cast<qsizetype>(pixelsAt), compression == rle8 ? 8 : 4, width);
        const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
        return rowBytes <= (view_.size() - static_cast<qsizetype>(pixelsAt)) / height;
    }

    bool decode(QImage& target) override {
        QImage image;
        if (!reader_.read(&image) || image.size() != target.size()) return false;
        QPainter painter(&target);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
        return true;
    }

private:
    QByteArrayView view_;
    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
};

} // namespace

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<QtBmpDecoder>(bytes);
}

} // namespace quorvane::BmpDecoder
