#include "platform/Clipboard.h"

#include <QMimeData>

namespace quorvane {

bool Clipboard::writeText(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return write(std::move(data));
}

Result<QByteArray, ClipboardReadError> Clipboard::readData(const QString& format,
                                                           const ClipboardLimit& limit) const {
    const QMimeData* contents = read();
    if (contents == nullptr) return Failure{ClipboardReadError{}};
    return readWithin(*contents, format, limit);
}

Result<QByteArray, ClipboardReadError> readWithin(const QMimeData& contents, const QString& format,
                                                  const ClipboardLimit& limit) {
    if (!contents.hasFormat(format)) return Failure{ClipboardReadError{}};
    QByteArray bytes = contents.data(format);
    const QByteArray head = bytes.left(ClipboardLimit::headLength);
    if (bytes.size() > limit.given(head))
        return Failure{ClipboardReadError{ClipboardReadError::Kind::tooLong, bytes.size(), head}};
    return bytes;
}

} // namespace quorvane
