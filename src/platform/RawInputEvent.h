#pragma once

#include <QPoint>
#include <Qt>
#include <cstdint>

namespace quorvane {

// One piece of the user's input seen anywhere on the desktop, outside our own windows.
struct RawInputEvent {
    enum class Kind { mouseDown, mouseMoved, keyDown, scrollWheel };
    enum class Key {
        escape,
        modifier, // Shift, Control, Alt or Super
        lock,     // Caps Lock, Num Lock, AltGr and other level keys: nothing the user "did"
        other,
    };

    Kind kind = Kind::mouseMoved;
    // Pointer position in root pixels (mouseMoved).
    QPoint position;
    Key key = Key::other;
    // X keycode and the Qt key it types without modifiers (keyDown; 0 for keys we do not name).
    std::uint32_t keycode = 0;
    int qtKey = 0;
    // Scroll events posted by this program carry `ownEventMark`; every other one 0.
    std::uint32_t userData = 0;
    // The X server's time of the event (keyDown, mouseDown, scrollWheel); 0 when unknown.
    std::uint32_t time = 0;
    // Shift, Control, Alt (AltModifier) and Super (MetaModifier) held with a key (keyDown).
    Qt::KeyboardModifiers modifiers;

    static constexpr std::uint32_t ownEventMark = 0x544F4C4D;

    static RawInputEvent of(Kind kind) {
        RawInputEvent event;
        event.kind = kind;
        return event;
    }
    static RawInputEvent moved(QPoint to) {
        RawInputEvent event = of(Kind::mouseMoved);
        event.position = to;
        return event;
    }
    static RawInputEvent keyDown(Key key) {
        RawInputEvent event = of(Kind::keyDown);
        event.key = key;
        return event;
    }
    static RawInputEvent scroll(std::uint32_t userData) {
        RawInputEvent event = of(Kind::scrollWheel);
        event.userData = userData;
        return event;
    }

    bool operator==(const RawInputEvent&) const = default;
};

} // namespace quorvane
