#include "platform/MimeDataOffer.h"

#include <QMimeData>

namespace quorvane {

MimeDataOffer::MimeDataOffer(const QMimeData& contents) : contents_(contents) {}

MimeDataOffer::~MimeDataOffer() = default;

std::unique_ptr<MimeDataOffer> MimeDataOffer::copyOf(const QMimeData& contents) {
    auto copy = std::make_unique<QMimeData>();
    for (const QString& format : contents.formats())
        copy->setData(format, contents.data(format));
    if (contents.hasImage()) copy->setImageData(contents.imageData());
    auto offer = std::make_unique<MimeDataOffer>(*copy);
    offer->copy_ = std::move(copy);
    return offer;
}

QStringList MimeDataOffer::formats() {
    return contents_.formats();
}

Result<void, ClipboardReadError> MimeDataOffer::receive(const QString& format, SelectionSink& sink) {
    if (!contents_.hasFormat(format)) return Failure{ClipboardReadError{}};
    const QByteArray bytes = contents_.data(format);
    const QByteArray head = bytes.left(ClipboardLimit::headLength);
    using Next = SelectionSink::Next;
    Next next = sink.expect(bytes.size(), false);
    if (next == Next::more && !bytes.isEmpty()) next = sink.take(bytes);
    if (next == Next::more) next = sink.end();
    if (next == Next::tooLong)
        return Failure{ClipboardReadError{ClipboardReadError::Kind::tooLong, bytes.size(), head}};
    return {};
}

QImage MimeDataOffer::picture() {
    return contents_.hasImage() ? qvariant_cast<QImage>(contents_.imageData()) : QImage();
}

} // namespace quorvane
