#pragma once

// A connection of the screen-capture code's own to the X server: its requests, errors and
// Composite redirections stay apart from Qt's, and end with it.

#include <QRect>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

struct X11CaptureError {
    enum class Kind {
        connectionFailed,
        displayUnavailable,
        windowUnavailable,
        grabFailed,
        allocationFailed,
        unsupportedFormat,
    };
    Kind kind = Kind::grabFailed;
    // The X protocol error code, when the server sent one.
    int xError = 0;

    bool operator==(const X11CaptureError&) const = default;
};

class X11CaptureConnection {
public:
    // Connects to $DISPLAY; null when there is no X server to reach.
    static std::unique_ptr<X11CaptureConnection> open();
    ~X11CaptureConnection();
    X11CaptureConnection(const X11CaptureConnection&) = delete;
    X11CaptureConnection& operator=(const X11CaptureConnection&) = delete;

    xcb_connection_t* xcb() const { return connection_; }
    std::uint32_t root() const { return root_; }
    int rootDepth() const { return rootDepth_; }
    QRect rootGeometry() const;
    // The server closed the connection (or it broke): every further request fails.
    bool broken() const;

    bool hasComposite() const { return composite_; }
    // DAMAGE 1.1, and the code of its first event.
    bool hasDamage() const { return damage_; }
    std::uint8_t damageFirstEvent() const { return damageFirstEvent_; }
    // Whether a compositing manager runs on this screen (it owns _NET_WM_CM_Sn): it keeps every
    // window's content off screen already.
    bool compositingManagerRuns() { return compositingManager() != 0; }
    // The window through which the compositing manager owns _NET_WM_CM_Sn, 0 without one.
    std::uint32_t compositingManager();
    // Grows whenever that selection changes hands or is given up: a compositing manager started
    // again may own it through a window of the same number.
    std::uint64_t compositingManagerChanges();
    // MIT-SHM 1.2: segments passed as file descriptors.
    bool hasSharedMemoryFds() const { return shmFds_; }
    // RandR minor version at major 1, or -1 without RandR.
    int randrMinor() const { return randrMinor_; }
    // Whether images of this depth arrive as 32-bit little-endian pixels that we can read.
    bool readableDepth(int depth) const;

    // Interned once per name.
    std::uint32_t atom(const std::string& name);
    QString atomName(std::uint32_t atom);

    // Returns once the server has processed every request sent so far; drops queued errors and
    // keeps what DAMAGE reported.
    void sync();
    // Returns once the server has processed every request sent so far, with the sequence number
    // of the request that asked: what the server reports from that number on is painting that
    // came after them. Reads no report, so that none is counted before its time.
    std::uint32_t settle();
    // The sequence number of a request sent now, with the ones before it: like settle(), without
    // waiting.
    std::uint32_t mark();
    // The connection's socket, readable when the server has sent something.
    int fileDescriptor() const;
    // Reads what the server has sent without waiting: DAMAGE reports are kept for their
    // watches, everything else (errors of unchecked requests) is dropped.
    void readEvents();
    // Keeps what the server reports painted for the DAMAGE object `damage` until forgetDamage().
    void watchDamage(std::uint32_t damage);
    void forgetDamage(std::uint32_t damage);
    // What the server reported painted for `damage` since the last call, in the watched
    // drawable's coordinates.
    QRegion takeDamage(std::uint32_t damage);
    // Forgets what was reported for `damage`, and from now on what the server reports for
    // requests before the one numbered `from`.
    void restartDamage(std::uint32_t damage, std::uint32_t from);
    // From now on, until called again with no triggers, forgets what was reported for `damage`
    // whenever one of `triggers` reports painting. Reports come in the order the server made
    // them, which sequence numbers cannot tell between two requests of this connection: what
    // `damage` reports after a trigger's report was painted after the trigger's painting.
    void restartDamageOn(std::uint32_t damage, std::vector<std::uint32_t> triggers);
    // How many times a trigger has restarted `damage`.
    std::uint64_t damageRestarts(std::uint32_t damage) const;

private:
    X11CaptureConnection() = default;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    int screenNumber_ = 0;
    int rootDepth_ = 24;
    bool composite_ = false;
    bool damage_ = false;
    std::uint8_t damageFirstEvent_ = 0;
    bool shmFds_ = false;
    int randrMinor_ = -1;
    // XFixes reports of the compositing manager's selection.
    std::uint8_t selectionNotify_ = 0;
    std::uint64_t managerChanges_ = 0;
    std::uint32_t lastManager_ = 0;
    struct Damage {
        QRegion painted;
        // The first sequence number whose reports count.
        std::optional<std::uint32_t> from;
        std::vector<std::uint32_t> triggers;
        std::uint64_t restarts = 0;
    };
    std::unordered_map<std::uint32_t, Damage> damaged_;
    std::unordered_map<std::string, std::uint32_t> atoms_;
    std::unordered_map<std::uint32_t, QString> atomNames_;
};

} // namespace quorvane
