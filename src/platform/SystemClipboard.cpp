#include "platform/SystemClipboard.h"

#include <QClipboard>
#include <QMimeData>

namespace quorvane {

SystemClipboard::SystemClipboard(QClipboard& clipboard) : clipboard_(clipboard) {}

bool SystemClipboard::write(std::unique_ptr<QMimeData> data) {
    const QMimeData* given = data.get();
    clipboard_.setMimeData(data.release(), QClipboard::Clipboard);
    // The clipboard owns the data now; it holds ours only if the system accepted it.
    return clipboard_.mimeData(QClipboard::Clipboard) == given;
}

const QMimeData* SystemClipboard::read() const {
    return clipboard_.mimeData(QClipboard::Clipboard);
}

} // namespace quorvane
