#pragma once

// The desktop's clipboard, behind an interface so that the composition root hands the one real
// clipboard to whoever copies, and tests can stand in a clipboard that refuses.

#include "core/Result.h"
#include "platform/ClipboardLimit.h"
#include "platform/ClipboardReadError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class QMimeData;

namespace quorvane {

class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Replaces the clipboard's contents with `data`. False when the system did not take it.
    virtual bool write(std::unique_ptr<QMimeData> data) = 0;
    // The contents now, or null; valid until the next write. GUI thread only.
    virtual const QMimeData* read() const = 0;

    // Grows with every change of the contents, ours and other programs'. X11 keeps no such count,
    // so the clipboard keeps its own; asking brings it up to date with what the display server has
    // already seen. A clipboard that nobody else writes may leave it at 0. GUI thread only.
    virtual std::uint64_t changeCount() { return 0; }

    // The contents as `format`, taken no further than `limit`: longer contents are refused once
    // that much has come. This one asks Qt, which fetches everything first; fine for contents held
    // in this process. GUI thread only.
    virtual Result<QByteArray, ClipboardReadError> readData(const QString& format,
                                                            const ClipboardLimit& limit) const;

    // Plain text, as a write of its own.
    bool writeText(const QString& text);
};

// `contents` as `format`, fetched whole by Qt, then refused when longer than `limit` takes.
Result<QByteArray, ClipboardReadError> readWithin(const QMimeData& contents, const QString& format,
                                                  const ClipboardLimit& limit);

} // namespace quorvane
