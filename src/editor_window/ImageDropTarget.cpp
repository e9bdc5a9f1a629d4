#include "editor_window/ImageDropTarget.h"

#include "capture/CaptureController.h"
#include "export/ImageImporter.h"

#include <QMimeData>

namespace quorvane {

namespace {

const QString uriList = QStringLiteral("text/uri-list");

// The first dropped item, when it is a local file; a link elsewhere leaves the drop to its data.
std::optional<QUrl> firstLocalFile(const QMimeData& mime) {
    if (!mime.hasFormat(uriList)) return std::nullopt;
    const QList<QUrl> urls = mime.urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return std::nullopt;
    return urls.first();
}

std::optional<QString> imageType(const QMimeData& mime) {
    const QStringList formats = mime.formats();
    for (const char* preferred : {"image/png", "image/tiff", "image/jpeg"})
        if (formats.contains(QLatin1String(preferred))) return QString::fromLatin1(preferred);
    for (const QString& format : formats)
        if (format.startsWith(QLatin1String("image/"))) return format;
    return std::nullopt;
}

} // namespace

ImageDropTarget::ImageDropTarget(CaptureController& capture, std::function<void(const QUrl&)> importImage)
    : capture_(capture), importImage_(std::move(importImage)) {}

bool ImageDropTarget::accepts(const QMimeData& mime) {
    return firstLocalFile(mime).has_value() || imageType(mime).has_value();
}

std::optional<ImageDropTarget::Dropped> ImageDropTarget::take(const QMimeData& mime) {
    if (auto file = firstLocalFile(mime)) return Dropped{file, QString(), QByteArray()};
    if (auto type = imageType(mime)) return Dropped{std::nullopt, *type, mime.data(*type)};
    return std::nullopt;
}

void ImageDropTarget::open(const Dropped& dropped) {
    if (dropped.file) {
        if (importImage_) importImage_(*dropped.file);
        return;
    }
    // A drop whose data could not be read is taken and then changes nothing.
    if (dropped.data.isEmpty()) return;
    auto image = ImageImporter::image(dropped.data);
    if (!image) {
        capture_.setErrorMessage(image.error().message());
        capture_.setErrorIsRetryable(false);
        return;
    }
    capture_.openImage(*image, std::nullopt);
}

} // namespace quorvane
