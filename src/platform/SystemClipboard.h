#pragma once

#include "platform/Clipboard.h"

class QClipboard;

namespace quorvane {

// The clipboard selection of the X session (not the primary selection), through Qt.
class SystemClipboard : public Clipboard {
public:
    explicit SystemClipboard(QClipboard& clipboard);

    bool write(std::unique_ptr<QMimeData> data) override;
    const QMimeData* read() const override;

private:
    QClipboard& clipboard_;
};

} // namespace quorvane
