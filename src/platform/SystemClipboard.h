#pragma once

#include "platform/Clipboard.h"

#include <QObject>
#include <cstdint>

class QClipboard;

namespace quorvane {

// The clipboard selection of the X session (not the primary selection), through Qt.
class SystemClipboard : public Clipboard {
public:
    explicit SystemClipboard(QClipboard& clipboard);
    ~SystemClipboard() override;

    bool write(std::unique_ptr<QMimeData> data) override;
    const QMimeData* read() const override;
    // Counts Qt's notices of other programs' writes (XFixes), our own writes, and a change of the
    // selection's owner that a round trip to the server finds before Qt has delivered its notice.
    std::uint64_t changeCount() override;
    // Another program's offer is read through the selection transfer itself, so that a long one
    // is refused once `limit` is passed; our own contents through Qt.
    Result<QByteArray, ClipboardReadError> readData(const QString& format,
                                                    const ClipboardLimit& limit) const override;

private:
    QClipboard& clipboard_;
    QMetaObject::Connection changed_;
    std::uint64_t count_ = 0;
    // The owner window the last round trip found; 0 without an X server.
    std::uint32_t owner_ = 0;
};

} // namespace quorvane
