#pragma once

// The desktop's clipboard, behind an interface so that the composition root hands the one real
// clipboard to whoever copies, and tests can stand in a clipboard that refuses.

#include "platform/ClipboardOffer.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QMimeData;

namespace quorvane {

class Clipboard : public QObject {
    Q_OBJECT

public:
    ~Clipboard() override = default;

    // Replaces the clipboard's contents with `data`. False when the system did not take it.
    virtual bool write(std::unique_ptr<QMimeData> data) = 0;
    // The contents now, or null; valid until the next write. For another program's contents Qt
    // waits for that program: read those through offer(). GUI thread only.
    virtual const QMimeData* read() const = 0;

    // Grows with every change of the contents, ours and other programs'. X11 keeps no such count,
    // so the clipboard keeps its own; asking brings it up to date with what the display server has
    // already seen. A clipboard that nobody else writes may leave it at 0. GUI thread only.
    virtual std::uint64_t changeCount() { return 0; }

    // What the clipboard holds now, to read as a paste reads it; null when it holds nothing. This
    // one reads what read() gives. GUI thread only.
    virtual std::unique_ptr<ClipboardOffer> offer() const;
    // The formats on offer as far as known now, without waiting for anyone: another program's list
    // is asked for in the background, and offerChanged() tells when it came. GUI thread only.
    virtual QStringList offeredFormats();

    // Plain text, as a write of its own.
    bool writeText(const QString& text);

Q_SIGNALS:
    // What offeredFormats() gives may have changed.
    void offerChanged();
};

} // namespace quorvane
