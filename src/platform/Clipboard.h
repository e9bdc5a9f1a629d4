#pragma once

// The desktop's clipboard, behind an interface so that the composition root hands the one real
// clipboard to whoever copies, and tests can stand in a clipboard that refuses.

#include <QString>
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

    // Plain text, as a write of its own.
    bool writeText(const QString& text);
};

} // namespace quorvane
