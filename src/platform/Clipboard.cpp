#include "platform/Clipboard.h"

#include "platform/MimeDataOffer.h"

#include <QMimeData>

namespace quorvane {

bool Clipboard::writeText(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return write(std::move(data));
}

std::unique_ptr<ClipboardOffer> Clipboard::offer() const {
    const QMimeData* contents = read();
    if (contents == nullptr) return nullptr;
    return std::make_unique<MimeDataOffer>(*contents);
}

QStringList Clipboard::offeredFormats() {
    const QMimeData* contents = read();
    return contents != nullptr ? contents->formats() : QStringList();
}

} // namespace quorvane
