#pragma once

// Lets the holder of the clipboard finish an incremental transfer that we gave up: every piece
// it writes from now on is deleted unread, so that a holder serving one reader at a time (xclip
// does) is free again for the next paste, ours or another program's. Runs from the event loop,
// and ends once the holder has been silent for a while.

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
    // Takes the connection, with the window whose `property` the holder writes to, and closes
    // it once the holder has been silent for `silence`. Without an application to run it, closes
    // it at once. GUI thread.
    static void start(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                      std::chrono::milliseconds silence);
    ~X11SelectionDrain() override;

private:
    X11SelectionDrain(xcb_connection_t* connection, std::uint32_t window, std::uint32_t property,
                      std::chrono::milliseconds silence);
    // Deletes what the holder wrote, which asks it for the next piece.
    void take();
    void readEvents();

    xcb_connection_t* connection_;
    std::uint32_t window_;
    std::uint32_t property_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer silence_;
};

} // namespace quorvane
