#include "editor_window/ImageDropTarget.h"

#include "capture/CaptureController.h"
#include "core/LocalFileUrl.h"
#include "core/Log.h"
#include "export/ImageImporter.h"
#include "platform/Beeper.h"
#include "platform/MimeDataOffer.h"

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
    std::optional<ImageImporter::ImportError> unreadList;
    if (formats.contains(uriList)) {
        auto file = ImageImporter::firstListedFile(dropped);
        if (file && file.value() && !(LocalFileUrl::otherHost(**file) && type)) return Dropped{*file, {}};
        if (!file) unreadList = file.error();
    }
    if (type) return {std::nullopt, *type, ImageImporter::image(dropped, *type)};
    // Without image data, a list that cannot be read (too long, or never ended) is refused as a
    // paste refuses it.
    if (unreadList) return {std::nullopt, {}, Failure{*unreadList}};
    return {};
}

bool ImageDropTarget::opens(const Dropped& found) {
    return found.file.has_value() || (found.image && found.image->has_value());
}

void ImageDropTarget::refused(const char* why) {
    Log::app().log("Drop refused: {}", why);
}

ImageDropTarget::ImageDropTarget(CaptureController& capture, Beeper& beeper,
                                 std::function<void(const QUrl&)> importImage)
    : capture_(capture), beeper_(beeper), importImage_(std::move(importImage)) {}

QStringList ImageDropTarget::types() {
    return {uriList, QStringLiteral("image/png"), QStringLiteral("image/tiff"), QStringLiteral("image/jpeg"),
            QStringLiteral("image/*")};
}

bool ImageDropTarget::accepts(const QStringList& formats) {
    return formats.contains(uriList) || imageType(formats).has_value();
}

std::unique_ptr<ClipboardOffer> ImageDropTarget::take(const QMimeData& data) {
    if (!accepts(data.formats())) return nullptr;
    return MimeDataOffer::copyOf(data);
}

void ImageDropTarget::open(std::shared_ptr<ClipboardOffer> dropped, InputHold::Token held) {
    // The reader drops a read that a newer one supersedes: its drop's line is written here.
    if (reading_) Log::app().log("Drop given up: another drop came before its data");
    reading_ = true;
    reader_.read(std::move(dropped), std::move(held), &ImageDropTarget::read, [this](Dropped found) {
        reading_ = false;
        open(std::move(found));
    });
}

void ImageDropTarget::giveUp(InputHold::Reason why) {
    if (!std::exchange(reading_, false)) return;
    reader_.cancel();
    if (!InputHold::failed(why)) {
        Log::app().log("Drop given up before its data came");
        return;
    }
    Log::app().log("Drop given up: its data did not come in time");
    open(Dropped{std::nullopt, {}, Failure{ImageImporter::ImportError::unreadable()}});
}

void ImageDropTarget::open(Dropped found) {
    if (found.file) {
        // The importer opens it or says why not, and logs either.
        if (importImage_) importImage_(*found.file);
        return;
    }
    if (!found.image) {
        capture_.setErrorMessage(found.image.error().message());
        capture_.setErrorIsRetryable(false);
        found.image.error().log();
        return;
    }
    if (!*found.image) {
        beeper_.beep();
        Log::app().log("Drop opened nothing: it held no file link first and no image data");
        return;
    }
    const QSize size = (*found.image)->size();
    capture_.openImage(**found.image, std::nullopt,
                       [size](bool opened) { ImageImporter::logOpening(size, opened); });
}

} // namespace quorvane
