#pragma once

// Reads what another program holds on the clipboard (or offers in a drag), one format at a time,
// through the selection transfer itself (X11SelectionTransfer): Qt fetches the whole offer before
// anyone can look at its size, and waits for the holder on the GUI thread; these stop as soon as
// the offer announces or sends more than the caller takes. Each waits on the calling thread, a
// worker's, for a bounded time at each step.

#include "core/Result.h"
#include "platform/ClipboardLimit.h"
#include "platform/ClipboardReadError.h"
#include "platform/X11SelectionTransfer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>

namespace quorvane::X11SelectionReader {

inline constexpr std::chrono::milliseconds defaultSilence = X11SelectionTransfer::defaultSilence;
// No holder offers more formats than this for anything a person copies; a list of tens of
// thousands costs a round trip for each name.
inline constexpr int mostTargets = 1000;

// The CLIPBOARD selection as `format` (a target such as "image/png"), as much as `limit` takes.
// `silence` bounds each wait for the holder. Fails as unavailable without an X server.
Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit,
                                            std::chrono::milliseconds silence = defaultSilence);

// The names of the formats that `request.selection` is offered in (its TARGETS), the first
// `mostTargets` of them; the request's target is not used. Not asked once `cancelled` is set.
Result<QStringList, ClipboardReadError> targets(X11SelectionTransfer::Request request,
                                                const std::atomic<bool>* cancelled = nullptr);

} // namespace quorvane::X11SelectionReader
