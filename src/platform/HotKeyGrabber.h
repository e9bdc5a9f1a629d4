#pragma once

// System-wide key combinations: grabbed for this program whichever window has the focus.

#include "core/Result.h"

#include <cstdint>
#include <functional>

namespace quorvane {

class HotKeyGrabber {
public:
    enum Modifier : std::uint32_t { control = 1, alt = 2, shift = 4, super = 8 };

    struct Refusal {
        enum class Kind {
            taken,  // another client, or another grabber of this process, holds the combination
            invalid // the server refused its parameters
        };
        Kind kind = Kind::taken;
        int code = 0; // the X error code (BadAccess 10, BadValue 2)

        bool operator==(const Refusal&) const = default;
    };

    virtual ~HotKeyGrabber() = default;

    // Starts delivering presses of grabbed keys, by id, on the GUI thread. False when presses
    // cannot be received (no X display).
    virtual bool installHandler(std::function<void(std::uint32_t id)> onPressed) = 0;
    virtual void removeHandler() = 0;
    // Grabs an X keycode with a set of Modifier bits, whatever the state of Caps Lock and Num Lock.
    // Either every variant is grabbed or none is.
    virtual Result<void, Refusal> grab(std::uint32_t id, std::uint32_t x11Keycode,
                                       std::uint32_t modifiers) = 0;
    virtual void ungrab(std::uint32_t id) = 0;
};

} // namespace quorvane
