#pragma once

// What the clipboard holds, or a drop carries, read one format at a time. Another program's offer
// waits for that program at every step (waitsOnOthers()): read it on a worker thread, never on the
// GUI thread, so that a holder that hangs costs a failed paste and never a frozen window.

#include "core/Result.h"
#include "platform/ClipboardLimit.h"
#include "platform/ClipboardReadError.h"
#include "platform/SelectionSink.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace quorvane {

class ClipboardOffer {
public:
    virtual ~ClipboardOffer() = default;

    // The formats on offer (a bounded number of them).
    virtual QStringList formats() = 0;
    // `format`'s bytes, piece by piece into `sink`, no further than the sink takes.
    virtual Result<void, ClipboardReadError> receive(const QString& format, SelectionSink& sink) = 0;
    // A picture this process offers as an image rather than as bytes; null otherwise.
    virtual QImage picture() { return {}; }
    // Whether reading waits on another program.
    virtual bool waitsOnOthers() const = 0;
    // Ends a read underway on another thread soon, as stopped. Any thread.
    virtual void cancel() {}

    // `format`'s bytes, no further than `limit` takes (what its keeper keeps of them).
    Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit);
};

} // namespace quorvane
