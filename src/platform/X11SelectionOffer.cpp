#include "platform/X11SelectionOffer.h"

#include "platform/X11SelectionReader.h"

namespace quorvane {

X11SelectionOffer::X11SelectionOffer(QByteArray selection, std::uint32_t time,
                                     std::optional<QStringList> formats, std::chrono::milliseconds silence)
    : selection_(std::move(selection)), time_(time), formats_(std::move(formats)), silence_(silence) {
    if (formats_ && formats_->size() > X11SelectionReader::mostTargets)
        formats_->resize(X11SelectionReader::mostTargets);
}

X11SelectionOffer::~X11SelectionOffer() = default;

X11SelectionTransfer::Request X11SelectionOffer::request(const QString& format) const {
    return {selection_, format.toUtf8(), time_, silence_};
}

void X11SelectionOffer::askNow(const QString& format) {
    asked_ = format;
    askedTransfer_ = std::make_unique<X11SelectionTransfer>(request(format));
}

QStringList X11SelectionOffer::formats() {
    if (!formats_) {
        auto offered = X11SelectionReader::targets(request({}), &cancelled_);
        formats_ = offered ? std::move(offered).value() : QStringList();
    }
    return *formats_;
}

Result<void, ClipboardReadError> X11SelectionOffer::receive(const QString& format, SelectionSink& sink) {
    std::unique_ptr<X11SelectionTransfer> transfer =
        askedTransfer_ && asked_ == format ? std::move(askedTransfer_)
                                           : std::make_unique<X11SelectionTransfer>(request(format));
    return transfer->receive(sink, &cancelled_);
}

} // namespace quorvane
