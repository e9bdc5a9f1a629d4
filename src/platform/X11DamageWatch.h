#pragma once

// Collects what is painted into a drawable (the DAMAGE extension), so that a capture can wait
// until an application has painted what was just exposed, without blocking the event loop
// that application may share with us.

#include "platform/X11CaptureConnection.h"

#include <QRegion>
#include <cstdint>
#include <vector>

namespace quorvane {

class X11DamageWatch {
public:
    // Watches `drawable` from now on; a window's watch sees the painting of its children too.
    X11DamageWatch(X11CaptureConnection& connection, std::uint32_t drawable);
    ~X11DamageWatch();
    X11DamageWatch(const X11DamageWatch&) = delete;
    X11DamageWatch& operator=(const X11DamageWatch&) = delete;

    // False without the extension: nothing can be seen, so nothing should be waited for.
    bool active() const { return damage_ != 0; }
    // Forgets what was painted so far, and what is reported for requests of this connection
    // before the one numbered `from` (X11CaptureConnection::settle()): the server paints exposed
    // backgrounds itself while it handles the request that exposed them, before the application
    // has even heard of it, and the application may paint before the connection reads.
    void restart(std::uint32_t from);
    // Whether `region` (the drawable's coordinates) has all been painted since the watch began.
    // Reads the server's queued reports; never waits.
    bool covers(const QRegion& region);
    // What has been painted since the watch began.
    QRegion painted();
    // What has been painted since the last call, or since the watch began.
    QRegion freshlyPainted();
    // Whether `region` has all been painted by what was read so far: reads nothing.
    bool coveredSoFar(const QRegion& region) const;
    // Until stopRestarting(), forgets what was painted whenever one of `triggers` reports
    // painting: what is painted after that was painted after theirs.
    void restartOnPaintingOf(const std::vector<const X11DamageWatch*>& triggers);
    void stopRestarting();

private:
    X11CaptureConnection& connection_;
    std::uint32_t damage_ = 0;
    QRegion painted_;
    QRegion fresh_;
    std::uint64_t restarts_ = 0;
};

} // namespace quorvane
