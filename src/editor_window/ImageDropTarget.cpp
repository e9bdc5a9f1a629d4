#include "editor_window/ImageDropTarget.h"

#include "capture/CaptureController.h"
#include "core/LocalFileUrl.h"
#include "export/ImageImporter.h"
#include "platform/X11DropTimes.h"
#include "platform/X11SelectionOffer.h"

#include <QMimeData>

namespace quorvane {

namespace {

const QString uriList = QStringLiteral("text/uri-list");

std::optional<QString> imageType(const QStringList& formats) {
    for (const char* preferred : {"image/png", "image/tiff", "image/jpeg"})
        if (formats.contains(QLatin1String(preferred))) return QString::fromLatin1(preferred);
    for (const QString& format : formats)
        if (format.startsWith(QLatin1String("image/"))) return format;
    return std::nullopt;
}

} // namespace

ImageDropTarget::Dropped ImageDropTarget::read(ClipboardOffer& dropped) {
    const QStringList formats = dropped.formats();
    const std::optional<QString> type = imageType(formats);
    // A list that cannot be read leaves the drop to its image data, as one of links elsewhere does.
    // A file on another computer goes on to be refused, naming the host, unless data came with it.
    if (formats.contains(uriList))
        if (auto file = ImageImporter::firstListedFile(dropped);
            file && file.value() && !(LocalFileUrl::otherHost(**file) && type))
            return Dropped{*file, {}};
    if (type) return {std::nullopt, *type, ImageImporter::image(dropped, *type)};
    return {};
}

ImageDropTarget::ImageDropTarget(CaptureController& capture, std::function<void(const QUrl&)> importImage)
    : capture_(capture), importImage_(std::move(importImage)) {
    // A drop's data is asked for by the time of the drop, which only the drop message tells.
    X11DropTimes::watch();
}

bool ImageDropTarget::accepts(const QStringList& formats) {
    return formats.contains(uriList) || imageType(formats).has_value();
}

std::unique_ptr<ClipboardOffer> ImageDropTarget::take(const QMimeData& data, std::uint32_t window) {
    const QStringList formats = data.formats();
    if (!accepts(formats)) return nullptr;
    std::unique_ptr<ClipboardOffer> offer = X11SelectionOffer::forDrop(data, window);
    if (auto* other = dynamic_cast<X11SelectionOffer*>(offer.get()))
        other->askNow(formats.contains(uriList) ? uriList : *imageType(formats));
    return offer;
}

void ImageDropTarget::open(std::shared_ptr<ClipboardOffer> dropped) {
    reader_.read(std::move(dropped), &ImageDropTarget::read, [this](Dropped found) {
        if (found.file) {
            if (importImage_) importImage_(*found.file);
            return;
        }
        if (!found.image) {
            capture_.setErrorMessage(found.image.error().message());
            capture_.setErrorIsRetryable(false);
            return;
        }
        if (*found.image) capture_.openImage(**found.image, std::nullopt);
    });
}

} // namespace quorvane
