#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace quorvane {

// The keyboard layout in use, asked what a key types.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text the current layout types for an X keycode with no modifier held, trimmed of
    // spaces and control characters; none when the key types nothing or the layout is unknown.
    // GUI thread only.
    virtual std::optional<QString> text(std::uint32_t x11Keycode) = 0;
};

} // namespace quorvane
