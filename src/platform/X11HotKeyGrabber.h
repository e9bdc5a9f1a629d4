#pragma once

#include "platform/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

// Passive key grabs on every root window, made on Qt's own X connection, and a native event filter
// that turns the grabbed presses into ids.
class X11HotKeyGrabber final : public HotKeyGrabber, private QAbstractNativeEventFilter {
public:
    X11HotKeyGrabber();
    ~X11HotKeyGrabber() override;
    X11HotKeyGrabber(const X11HotKeyGrabber&) = delete;
    X11HotKeyGrabber& operator=(const X11HotKeyGrabber&) = delete;

    bool installHandler(std::function<void(std::uint32_t id)> onPressed) override;
    void removeHandler() override;
    Result<void, Refusal> grab(std::uint32_t id, std::uint32_t x11Keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

private:
    // Where the server's modifier map puts Alt, Super and Num Lock.
    struct ModifierBits {
        std::uint16_t alt = 0;
        std::uint16_t super = 0;
        std::uint16_t numLock = 0;
    };
    struct Grab {
        std::uint32_t id = 0;
        std::uint8_t keycode = 0;
        std::uint16_t mask = 0;     // the modifiers that must be held
        std::uint16_t relevant = 0; // the modifiers compared; lock keys and buttons are not
        std::vector<std::uint16_t> variants;
        std::vector<std::uint32_t> roots;
        bool down = false;
        std::uint32_t lastPress = 0;
        std::uint32_t lastRelease = 0;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    const ModifierBits& modifierBits(xcb_connection_t* connection);
    void release(xcb_connection_t* connection, const Grab& grab);
    bool heldElsewhere(std::uint8_t keycode, std::uint16_t mask) const;

    std::function<void(std::uint32_t)> onPressed_;
    QPointer<QCoreApplication> application_;
    xcb_connection_t* connection_ = nullptr;
    std::optional<ModifierBits> modifierBits_;
    std::vector<Grab> grabs_;
};

} // namespace quorvane
