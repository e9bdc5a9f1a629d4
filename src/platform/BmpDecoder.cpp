#include "platform/BmpDecoder.h"

#include "platform/BmpBitFields.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>
#include <limits>
#include <optional>

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

// What the headers say of the pixels.
struct Layout {
    std::uint64_t pixelsAt = 0;
    std::int64_t width = 0;
    // Always positive: `topDown` says which way the rows are stored.
    std::int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint64_t compression = 0;
    std::uint64_t headerSize = 0;

    bool runLength() const { return compression == rle8 || compression == rle4; }
};

// None for a picture of no pixels, or one whose height has no positive counterpart.
std::optional<Layout> readLayout(QByteArrayView bytes) {
    if (bytes.size() < 30) return std::nullopt;
    Layout layout;
    layout.pixelsAt = littleEndian(bytes, 10, 4);
    layout.headerSize = littleEndian(bytes, 14, 4);
    const bool core = layout.headerSize == 12;
    if (core) {
        layout.width = std::int64_t(littleEndian(bytes, 18, 2));
        layout.height = std::int64_t(littleEndian(bytes, 20, 2));
    } else {
        layout.width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
        const auto rows = static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
        if (rows == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
        layout.topDown = rows < 0;
        layout.height = std::abs(std::int64_t(rows));
    }
    layout.bits = static_cast<int>(littleEndian(bytes, core ? 24 : 28, 2));
    layout.compression = core || bytes.size() < 34 ? 0 : littleEndian(bytes, 30, 4);
    if (layout.width < 1 || layout.height < 1) return std::nullopt;
    return layout;
}

class QtBmpDecoder final : public ImageDecoder {
public:
    explicit QtBmpDecoder(QByteArrayView bytes)
        : view_(bytes), bytes_(QByteArray::fromRawData(bytes.data(), bytes.size())), buffer_(&bytes_),
          reader_(&buffer_, "bmp") {}

    Status readHeader(ImageHeader& header) override {
        const std::optional<Layout> layout = readLayout(view_);
        // Run-length rows are stored bottom-up only.
        if (!layout || (layout->topDown && layout->runLength())) return Status::unreadable;
        // Qt's reader takes no header of 52 or 56 bytes (three or four masks in it); with others it
        // gives rows stored top-down as a negative height.
        const bool qtReads = layout->headerSize != 52 && layout->headerSize != 56;
        const QSize size = qtReads ? reader_.size() : QSize();
        if (qtReads &&
            (size.width() != layout->width || std::abs(std::int64_t(size.height())) != layout->height))
            return Status::unreadable;
        header.width = layout->width;
        header.height = layout->height;
        // Qt's reader widens bit fields by shifting alone (five bits of white read 248): those
        // pixels are read here, and those of the headers it does not take.
        if (BmpBitFields::apply(layout->bits, layout->compression, layout->headerSize)) {
            fields_ = BmpBitFields::read(view_, layout->bits, layout->compression, layout->headerSize);
            if (!fields_) return Status::unreadable;
            header.hasAlpha = fields_->hasAlpha();
            return Status::image;
        }
        if (!qtReads) return Status::unreadable;
        header.hasAlpha =
            QImage::toPixelFormat(reader_.imageFormat()).alphaUsage() == QPixelFormat::UsesAlpha;
        return Status::image;
    }

    // Qt's reader leaves the rows that are missing black; the header says how much must be there.
    bool complete() override {
        const std::optional<Layout> layout = readLayout(view_);
        if (!layout || layout->bits > 64 || layout->pixelsAt > static_cast<std::uint64_t>(view_.size()))
            return false;
        if (layout->runLength())
            return runsEnd(view_, static_cast<qsizetype>(layout->pixelsAt),
                           layout->compression == rle8 ? 8 : 4, layout->width);
        const std::int64_t rowBytes = (layout->width * layout->bits + 31) / 32 * 4;
        return rowBytes <= (view_.size() - static_cast<qsizetype>(layout->pixelsAt)) / layout->height;
    }

    bool decode(QImage& target) override {
        if (fields_) {
            const std::optional<Layout> layout = readLayout(view_);
            if (!layout || layout->pixelsAt > static_cast<std::uint64_t>(view_.size())) return false;
            return fields_->decode(view_.sliced(static_cast<qsizetype>(layout->pixelsAt)), layout->topDown,
                                   target);
        }
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
    std::optional<BmpBitFields> fields_;
};

} // namespace

std::unique_ptr<ImageDecoder> decoder(QByteArrayView bytes) {
    return std::make_unique<QtBmpDecoder>(bytes);
}

} // namespace quorvane::BmpDecoder
