#include "platform/Clipboard.h"

#include <QMimeData>

namespace quorvane {

bool Clipboard::writeText(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return write(std::move(data));
}

} // namespace quorvane
