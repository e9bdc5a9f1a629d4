#pragma once

#include "platform/Clipboard.h"

#include <QMimeData>

namespace quorvane::test {

// A clipboard that the system never takes anything from: the one thing the real clipboard cannot
// be made to do in a test.
struct RefusingClipboard final : Clipboard {
    bool write(std::unique_ptr<QMimeData>) override { return false; }
    const QMimeData* read() const override { return nullptr; }
};

} // namespace quorvane::test
