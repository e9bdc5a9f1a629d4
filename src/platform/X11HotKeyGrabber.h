#pragma once

#include "platform/HotKeyGrabber.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QPointer>
#include <memory>
#include <vector>

struct xcb_connection_t;

namespace quorvane {

class X11InputConnection;

// Passive key grabs on every root window, made on an X connection of their own, read as soon as a
// press comes: never behind input that Qt defers (a paste or a drop being read holds the person's
// input in Qt's queue). A native event filter on Qt's connection takes the presses that reach one
// of our windows instead (a popup or the area picker holds the keyboard).
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
    // The connection the grabs are made on: our own, or Qt's where ours cannot be had.
    xcb_connection_t* grabbing();
    bool isGrabbing(xcb_connection_t* connection) const;
    // A press or release of a grabbed key (or any event): true when it was one of ours.
    bool handleKey(const void* event);
    // An event on our own connection.
    bool ownEvent(const void* event);
    // Whether a grabbed combination is held now.
    bool anyDown() const;
    const ModifierBits& modifierBits(xcb_connection_t* connection);
    void release(xcb_connection_t* connection, const Grab& grab);
    bool heldElsewhere(std::uint8_t keycode, std::uint16_t mask) const;

    std::function<void(std::uint32_t)> onPressed_;
    QPointer<QCoreApplication> application_;
    xcb_connection_t* connection_ = nullptr;
    std::unique_ptr<X11InputConnection> own_;
    // Raw releases are watched while a combination is held: once its press is taken, the keyboard
    // is let go at once (the area picker grabs it next), and its release goes wherever.
    bool releasesWatched_ = false;
    std::optional<ModifierBits> modifierBits_;
    std::vector<Grab> grabs_;
};

} // namespace quorvane
