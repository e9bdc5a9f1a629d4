#pragma once

// Reads the clipboard that another program holds, one format at a time, by following the X11
// selection transfer itself (INCR included) on a connection of its own. Qt fetches the whole
// offer before anyone can look at its size; this reader stops as soon as the offer announces or
// sends more than the caller takes.
//
// Like Qt's own clipboard, it waits on the calling thread, never in a nested event loop, and
// gives the holder a bounded time for each step. An incremental transfer given up in the middle
// is drained from the event loop afterwards (X11SelectionDrain), so that the holder is free for
// the next reader.

#include "core/Result.h"
#include "platform/ClipboardLimit.h"
#include "platform/ClipboardReadError.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>

namespace quorvane::X11SelectionReader {

// How long Qt waits for a clipboard holder at each step; ours waits as long.
inline constexpr std::chrono::milliseconds defaultSilence{5000};

// The CLIPBOARD selection as `format` (a target such as "image/png"), as much as `limit` takes.
// `silence` bounds each wait for the holder. Fails as unavailable without an X server.
Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit,
                                            std::chrono::milliseconds silence = defaultSilence);

} // namespace quorvane::X11SelectionReader
