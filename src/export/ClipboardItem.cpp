#include "export/ClipboardItem.h"

#include "export/ImageExporter.h"
#include "imaging/MappedBitmap.h"
#include "platform/Clipboard.h"
#include "platform/EncodeError.h"
#include "platform/PngCodec.h"
#include "platform/TiffCodec.h"

#include <memory>

namespace quorvane {
namespace {

const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");

// Our exporter writes sRGB PNGs without an orientation, so the pixels go over as they are stored;
// the size is checked before a pixel is decoded.
Result<QByteArray, Error> tiffOf(const QByteArray& png) {
    const Error unreadable = ImageExporter::error(ImageExporter::ExportError::encodingFailed);
    const std::unique_ptr<ImageDecoder> decoder = PngCodec::decoder(png);
    ImageHeader header;
    if (decoder->readHeader(header) != ImageDecoder::Status::image) return Failure{unreadable};
    if (header.width < 1 || header.height < 1 || header.width > ClipboardItem::maxTiffPixels ||
        header.height > ClipboardItem::maxTiffPixels / header.width)
        return Failure{EncodeError::error(EncodeError::Kind::unsupportedImage)};
    std::optional<QImage> image =
        MappedBitmap::image(header.width, header.height, MappedBitmap::Alpha::premultipliedLast, nullptr);
    if (!image) return Failure{EncodeError::error(EncodeError::Kind::outOfMemory)};
    if (!decoder->decode(*image)) return Failure{unreadable};
    return TiffCodec::encode(*image);
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
    if (!tiff_) {
        auto tiff = tiffOf(png_);
        tiff_ = tiff ? std::move(*tiff) : QByteArray();
    }
    if (tiff_->isEmpty()) return {};
    return *tiff_;
}

Result<void, ImageExporter::ExportError> ImageExporter::write(const QByteArray& png, Clipboard& clipboard) {
    if (!clipboard.write(std::make_unique<ClipboardItem>(png))) return Failure{ExportError::clipboardFailed};
    return {};
}

} // namespace quorvane
