#pragma once

// Watches the user's pointer, buttons, wheel and keys anywhere on the desktop through XInput 2 raw
// events on the root window, without grabbing anything. Input aimed at our own windows (the
// pointer over one of them, or the focus in one) is left to those windows and not reported.

#include "platform/RawInputEvent.h"

#include <QPoint>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

class X11InputConnection;

class X11InputMonitor {
public:
    // `ownWindows` lists our windows at the moment of asking.
    X11InputMonitor(X11InputConnection& connection, std::function<std::vector<std::uint32_t>()> ownWindows);
    ~X11InputMonitor();
    X11InputMonitor(const X11InputMonitor&) = delete;
    X11InputMonitor& operator=(const X11InputMonitor&) = delete;

    // False without XInput 2 (nothing is watched then).
    bool start(std::function<void(const RawInputEvent&)> handler);
    void stop();
    bool running() const { return listener_ != 0; }

    // What a key is, by the server's modifier map and the key's symbol.
    RawInputEvent::Key classify(std::uint32_t keycode);
    // Escape, Return and Enter as Qt keys; 0 for other keys.
    int qtKey(std::uint32_t keycode);
    // The modifier a key is (Shift, Control, Alt or Super as MetaModifier); none for other keys.
    Qt::KeyboardModifier modifierOf(std::uint32_t keycode);

private:
    bool handle(const void* event);
    void reportMotion();
    void report(const RawInputEvent& input);
    bool pointerOverOwnWindow();
    bool focusInOwnWindow();
    // What is held with a key now: raw events carry no modifier state, and a quick client may have
    // let go of a modifier by the time its key is read, so the presses seen count as well.
    Qt::KeyboardModifiers heldModifiers();

    X11InputConnection& connection_;
    std::function<std::vector<std::uint32_t>()> ownWindows_;
    std::function<void(const RawInputEvent&)> handler_;
    int listener_ = 0;
    // Input from before start() is not this start's: events older than this request are skipped.
    std::uint32_t startSequence_ = 0;
    bool motionQueued_ = false;
    std::uint64_t generation_ = 0;
    // Queued looks at the pointer check that the monitor still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    // keycode → class, filled on first use and after a mapping change.
    std::vector<std::optional<RawInputEvent::Key>> keys_;
    std::vector<std::uint32_t> keysyms_;
    // Modifier keys pressed since start() and not yet released.
    std::vector<std::uint32_t> heldKeys_;
    // XTest's absolute moves make no raw motion: a slow look at the pointer catches those.
    QTimer poll_;
    std::optional<QPoint> lastPosition_;
    void loadKeys();
};

} // namespace quorvane
