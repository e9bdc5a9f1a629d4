#pragma once

// Lets the holder of a selection finish a transfer that we gave up: its answer and every piece it
// writes from now on are deleted unread, so that a holder serving one reader at a time (xclip
// does, and is stuck for good once its reader's window disappears) is free again for the next
// paste, ours or another program's. Runs from the event loop. Bounded whatever the holder does:
// a few at once, each ending once the holder has been silent for a while and abandoned after twice
// that in all; a transfer given up while all of them run is abandoned at once.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>

class QSocketNotifier;
struct xcb_connection_t;

namespace quorvane {

class X11SelectionDrain : public QObject {
public:
    static constexpr int mostAtOnce = 2;

    // Takes one of the places for a drain; false when all are taken. Any thread.
    static bool reserve();
    // Gives back a place reserved and not used. Any thread.
    static void unreserve();
    // Takes the connection, with a place reserved, and the window whose `property` the holder
    // writes to; ends at once when the `holder`'s window does (the connection must watch it).
    // Without an application to run it, abandons it at once. GUI thread.
    static void start(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                      std::uint32_t holder, std::chrono::milliseconds silence);
    // Deletes the property and the window, and closes the connection: the holder's next write
    // fails. Any thread.
    static void abandon(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property);
    ~X11SelectionDrain() override;

private:
    X11SelectionDrain(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                      std::uint32_t holder, std::chrono::milliseconds silence);
    // Deletes what the holder wrote, which asks it for the next piece.
    void take();
    void readEvents();
    void giveUp();

    xcb_connection_t* connection_;
    std::uint32_t window_;
    std::uint32_t property_;
    std::uint32_t holder_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer silence_;
    QTimer deadline_;
    bool abandoned_ = false;
};

} // namespace quorvane
