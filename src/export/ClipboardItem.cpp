#include "export/ClipboardItem.h"

#include "export/ImageExporter.h"
#include "export/ImageImporter.h"
#include "platform/TiffCodec.h"

#include <QClipboard>

namespace quorvane {
namespace {

const QString pngType = QStringLiteral("image/png");
const QString tiffType = QStringLiteral("image/tiff");

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
    if (!tiff_) {
        // Any failure leaves the reader without TIFF data, silently.
        tiff_.emplace();
        if (auto image = ImageImporter::image(png_))
            if (auto tiff = TiffCodec::encode(*image)) *tiff_ = std::move(*tiff);
    }
    if (tiff_->isEmpty()) return {};
    return *tiff_;
}

std::optional<ImageExporter::ExportError> ImageExporter::write(const QByteArray& png, QClipboard* clipboard) {
    if (clipboard == nullptr) return ExportError::clipboardFailed;
    auto* item = new ClipboardItem(png);
    clipboard->setMimeData(item, QClipboard::Clipboard);
    // The clipboard took the item; it is ours to read back only if the system accepted it.
    if (clipboard->mimeData(QClipboard::Clipboard) != item) return ExportError::clipboardFailed;
    return std::nullopt;
}

} // namespace quorvane
