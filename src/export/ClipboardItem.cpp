#include "export/ClipboardItem.h"

#include "export/ImageExporter.h"
#include "imaging/MappedBitmap.h"
#include "platform/Clipboard.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"

#include <memory>

namespace quorvane {
namespace {

const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");

// Our exporter writes sRGB PNGs without an orientation, so the pixels go over as they are stored;
// the size is checked before a pixel is decoded.
std::optional<QByteArray> tiffOf(const QByteArray& png) {
    const std::unique_ptr<ImageDecoder> decoder = PngCodec::decoder(png);
    ImageHeader header;
    if (decoder->readHeader(header) != ImageDecoder::Status::image) return std::nullopt;
    if (header.width < 1 || header.height < 1 || header.width > ClipboardItem::maxTiffPixels ||
        header.height > ClipboardItem::maxTiffPixels / header.width)
        return std::nullopt;
    std::optional<QImage> image =
        MappedBitmap::image(header.width, header.height, MappedBitmap::Alpha::premultipliedLast, nullptr);
    if (!image || !decoder->decode(*image)) return std::nullopt;
    auto tiff = TiffCodec::encode(*image);
    if (!tiff) return std::nullopt;
    return std::move(*tiff);
}

} // namespace

ClipboardItem::ClipboardItem(QByteArray png) : png_(std::move(png)) {}

QStringList ClipboardItem::formats() const {
    return {pngType, tiffType};
}

bool ClipboardItem::hasFormat(const QString& mimeType) const {
    return mimeType == pngType || mimeType == tiffType;
}

QVariant ClipboardItem::retrieveData(const QString& mimeType, QMetaType) const {
    if (mimeType == pngType) return png_;
    if (mimeType != tiffType) return {};
    // Any failure leaves the reader without TIFF data, silently.
    if (!tiff_) tiff_ = tiffOf(png_).value_or(QByteArray());
    if (tiff_->isEmpty()) return {};
    return *tiff_;
}

Result<void, ImageExporter::ExportError> ImageExporter::write(const QByteArray& png, Clipboard& clipboard) {
    if (!clipboard.write(std::make_unique<ClipboardItem>(png))) return Failure{ExportError::clipboardFailed};
    return {};
}

} // namespace quorvane
