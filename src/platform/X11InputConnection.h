#pragma once

// A connection of the scrolling capture's own to the X server for input: posting wheel clicks
// (XTest), watching raw input (XInput 2) and holding the drag selection's pointer grab. Its
// events are read on the GUI thread and handed to the listeners. A grab held on it ends with the
// connection, so also when the process dies.

#include <QObject>
#include <QPoint>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

struct xcb_connection_t;
class QSocketNotifier;

namespace quorvane {

class X11InputConnection : public QObject {
    Q_OBJECT

public:
    // Connects to $DISPLAY; null when there is no X server to reach.
    static std::unique_ptr<X11InputConnection> open();
    ~X11InputConnection() override;

    xcb_connection_t* xcb() const { return connection_; }
    std::uint32_t root() const { return root_; }
    bool hasXTest() const { return xtest_; }
    // XInput 2.2 or later: raw events reach us even while another client grabs.
    bool hasXInput2() const { return xinputOpcode_ != 0; }
    std::uint8_t xinputOpcode() const { return xinputOpcode_; }
    // The devices XTest input comes from.
    bool isXTestDevice(std::uint16_t device) const;
    bool broken() const;

    // `listener` sees every event (an xcb_generic_event_t); true when it consumed it.
    int addListener(std::function<bool(const void* event)> listener);
    void removeListener(int id);
    // Reads and dispatches what has arrived.
    void dispatch();
    // Hands out only what xcb has already read.
    void dispatchQueued();
    // Returns once the server has handled every request sent so far. Events generated after that
    // carry this sequence number or a later one.
    std::uint32_t sync();

    // XInput 2 raw key presses and releases, button presses and releases and motion on the root
    // window, for as long as anyone wants them (counted).
    void retainRawInput();
    void releaseRawInput();

    // Pointer position in root pixels and the held buttons (bit 8 = button 1).
    struct Pointer {
        QPoint position;
        std::uint16_t buttons = 0;
        std::uint32_t child = 0;
    };
    std::optional<Pointer> queryPointer() const;

    // Wheel clicks this connection posted and whose raw events have not come back yet. Raw events
    // name their device, not their client: an XTest click while ours are pending counts as ours.
    // Every listener that asks about the same raw press (its sequence and time) gets one answer.
    void notePostedClicks(int count);
    bool takePostedClick(std::uint32_t sequence, std::uint32_t time);

    // The drag tap holds the pointer: clicks of ours must not go through it.
    bool pointerGrabbed() const { return pointerGrabbed_; }
    void setPointerGrabbed(bool grabbed) { pointerGrabbed_ = grabbed; }

private:
    X11InputConnection() = default;
    void deliver(void* event);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    bool xtest_ = false;
    std::uint8_t xinputOpcode_ = 0;
    std::vector<std::uint16_t> xtestDevices_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::map<int, std::function<bool(const void*)>> listeners_;
    int nextListener_ = 1;
    int pendingClicks_ = 0;
    struct ClickAnswer {
        std::uint32_t sequence;
        std::uint32_t time;
        bool ours;
    };
    std::optional<ClickAnswer> lastClick_;
    std::chrono::steady_clock::time_point pendingSince_;
    bool pointerGrabbed_ = false;
    int rawInputUsers_ = 0;
};

} // namespace quorvane
