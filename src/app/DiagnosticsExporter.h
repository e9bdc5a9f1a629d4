#pragma once

// Saves the last 24 hours of this process's log as a text file for support: asks for the place,
// reads and writes off the GUI thread, and keeps the progress and outcome in `message`.

#include "app/Diagnostics.h"
#include "core/SerialWorkQueue.h"
#include "export/FileRequest.h"

#include <QObject>
#include <cstdint>
#include <functional>

namespace quorvane {

class LogStore;

class DiagnosticsExporter : public QObject {
    Q_OBJECT

public:
    static constexpr char proposedName[] = "QuorvaneShot-Diagnostics.txt";

    // Reads `store`, which must outlive the exporter, for entries at or after `processStartMs`
    // (an earlier process with this id wrote before it).
    DiagnosticsExporter(const LogStore& store, std::int64_t processStartMs, QObject* parent = nullptr);
    // Waits for an export that is being written; its result is dropped.
    ~DiagnosticsExporter() override;

    // The place chooser; the real dialog (which asks before replacing a file) by default.
    FileChooser chooser;
    // Now, in milliseconds since the Unix epoch.
    std::function<std::int64_t()> clock;
    // What the header says; this machine's by default.
    std::function<Diagnostics::Facts()> facts;

    // Empty until the first export.
    const QString& message() const { return message_; }

    // Asks for a file (window-modal on `window`, application-modal without one); when one is
    // chosen, exports into it and then calls `completion`. Cancelling changes nothing.
    void exportPanel(QWidget* window, std::function<void()> completion = {});
    // Exports the 24 hours before `nowMs` (or since this process started, if later) to `path`.
    void exportTo(const QString& path, std::int64_t nowMs, std::function<void()> completion = {});

Q_SIGNALS:
    void messageChanged();

private:
    void finish(const QString& path, const Result<qsizetype, DiagnosticsError>& outcome);
    void setMessage(const QString& message);

    const LogStore& store_;
    const std::int64_t processStartMs_;
    QString message_;
    // Last: it finishes the running job while everything above still exists.
    SerialWorkQueue queue_;
};

} // namespace quorvane
